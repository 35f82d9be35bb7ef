// Umbrella header of the host interface, under the name the simulator's SDK gives it.
#ifndef QUVA_ORBITERSDK_H
#define QUVA_ORBITERSDK_H

#include "OrbiterAPI.h"
#include "VesselAPI.h"

#endif
