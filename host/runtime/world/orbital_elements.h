// Orbital elements of an ELEMENTS line turned into a position and velocity relative to the body,
// on the global ecliptic axes: inclination from the ecliptic, node and periapsis longitudes from
// the vernal equinox (+x) toward +z.
#pragma once

#include <string>

#include "world/vec3.h"

namespace quva {

// ELEMENTS a e i LAN LonPeri MeanLon epochMJD: a in m (negative for open orbits), angles in
// degrees as written, the epoch as an MJD.
struct OrbitalElements {
    double a = 0.0, e = 0.0, inclination = 0.0, lan = 0.0, lonPeri = 0.0, meanLon = 0.0, epochMjd = 0.0;
};

struct StateVector {
    Vec3 pos, vel;  // m, m/s
};

// Why the elements describe no orbit (empty when they do): a = 0, e < 0, a closed orbit
// (e < 1) with a negative semi-major axis, or an open one (e ≥ 1) with a positive one.
std::string elementsProblem(const OrbitalElements &e);

// The state at `mjd`: the mean longitude is carried from the elements' epoch to that date with
// the mean motion of gravitational parameter `mu` (m³/s²).
StateVector stateFromElements(const OrbitalElements &e, double mu, double mjd);

}  // namespace quva
