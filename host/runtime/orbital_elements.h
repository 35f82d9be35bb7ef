// Orbital elements of an ELEMENTS line turned into a position and velocity relative to the body,
// on the global ecliptic axes: inclination from the ecliptic, node and periapsis longitudes from
// the vernal equinox (+x) toward +z.
#pragma once

#include <string>

#include "host_lines.h"
#include "vec3.h"

namespace quva {

struct StateVector {
    Vec3 pos, vel;  // m, m/s
};

// Why the elements describe no orbit (empty when they do): a = 0, e < 0, a closed orbit
// (e < 1) with a negative semi-major axis, or an open one (e ≥ 1) with a positive one.
std::string elementsProblem(const ElementsLine &e);

// The state at `mjd`: the mean longitude is carried from the elements' epoch to that date with
// the mean motion of gravitational parameter `mu` (m³/s²).
StateVector stateFromElements(const ElementsLine &e, double mu, double mjd);

}  // namespace quva
