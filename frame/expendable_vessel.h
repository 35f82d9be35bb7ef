// Lifecycle of the vessels that remove themselves: each remembers when it was created, how old
// it is, and the age past which it asks the host to delete it.
#ifndef QUVA_FRAME_EXPENDABLE_VESSEL_H
#define QUVA_FRAME_EXPENDABLE_VESSEL_H

#include "Orbitersdk.h"

namespace frame {

constexpr double kLifetime = 3600.0;  // s

class ExpendableVessel : public VESSEL3 {
public:
    ExpendableVessel(OBJHANDLE vesselHandle, int flightModel)
        : VESSEL3(vesselHandle, flightModel), creationTime(oapiGetSimTime()), lifetime(kLifetime) {}

    double creationTime;  // s, simulation time at construction; not saved, so a reload starts afresh
    double age = 0.0;     // s, written by the step before it is compared; nothing reads it earlier
    double lifetime;      // s
};

}  // namespace frame

#endif
