// What a class configuration file gives a vessel, applied as the simulator applies it: after the
// module's class-caps callback, so that the file's keys override what the module set; stores,
// thrusters, ports and attachment points are added after the module's own, in the simulator's
// order, so that PRPLEVEL and THLEVEL indices mean the same vessel parts.
#pragma once

#include "core/vessel.h"
#include "files/class_config.h"

namespace quva {

// Thrust of one attitude thruster pair member is half of MaxAttitudeThrust; the pairs sit at
// +-Size on z (pitch, yaw) and on x (bank).
void applyClassKeys(Vessel &v, const ClassConfig &cfg);

}  // namespace quva
