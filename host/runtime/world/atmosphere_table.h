// The atmosphere as the flight model reads it on every force evaluation: the standard
// atmosphere sampled every 10 m and interpolated linearly, which is far cheaper than its
// formulas (powers and exponentials) and differs from them by less than one part in a million.
#pragma once

#include "world/body.h"

namespace quva {

struct AirSample {
    double density = 0.0;      // kg/m³
    double pressure = 0.0;     // Pa
    double speedOfSound = 0.0; // m/s
    double viscosity = 0.0;    // Pa·s
};

AirSample airAt(const Body &body, double altitude);

}  // namespace quva
