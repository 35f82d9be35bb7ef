// The horizon at a place on a planet, in the planet-fixed frame (+x through longitude 0 on the
// equator, +y to the north pole, +z through longitude 90° east): the directions east, north and
// up, and the attitude of a vessel given by its heading, pitch and bank against them. Angles in
// radians.
#pragma once

#include "world/vec3.h"

namespace quva {

struct LocalHorizon {
    Vec3 east, north, up;  // unit vectors, planet-fixed axes

    // A vector's east, north and up components, and the vector from them.
    Vec3 components(const Vec3 &planetFixed) const { return {dot(planetFixed, east), dot(planetFixed, north), dot(planetFixed, up)}; }
    Vec3 vector(const Vec3 &enu) const { return east * enu.x + north * enu.y + up * enu.z; }
};

LocalHorizon localHorizon(double lon, double lat);

// Within this (the cosine of the pitch) of straight up or down, a vessel is headed by where its
// belly (−y) faces, as headingOf takes it.
constexpr double kNearlyVertical = 1e-6;

// The vessel-to-planet rotation of a vessel at (lon, lat) whose nose (+z) points toward
// `heading` (from north toward east), `pitch` above the horizon, turned about its nose by
// `bank` (positive: right side, +x, down). The vessel's +y is its top. With the nose nearly
// straight up or down, `heading` is where the belly faces.
Mat3 attitudeFromHeading(double lon, double lat, double heading, double pitch, double bank);

// The inverse, as the instruments read it: heading in [0, 2π) (headingOf), pitch in [−π/2, π/2],
// bank in (−π, π].
struct HeadingPitchBank {
    double heading = 0.0, pitch = 0.0, bank = 0.0;
};
HeadingPitchBank headingPitchBank(const Mat3 &toPlanet, double lon, double lat);

}  // namespace quva
