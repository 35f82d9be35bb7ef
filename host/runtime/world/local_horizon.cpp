#include "world/local_horizon.h"

#include <cmath>

#include "world/landed_attitude.h"

namespace quva {

LocalHorizon localHorizon(double lon, double lat) {
    const double sl = std::sin(lon), cl = std::cos(lon), sp = std::sin(lat), cp = std::cos(lat);
    return {{-sl, 0.0, cl}, {-sp * cl, cp, -sp * sl}, {cp * cl, sp, cp * sl}};
}

namespace {

// The nose toward `heading`, pitched about the right side, then banked about the nose.
Mat3 turned(const LocalHorizon &h, double heading, double pitch, double bank) {
    const double sh = std::sin(heading), ch = std::cos(heading), sp = std::sin(pitch), cp = std::cos(pitch),
                 sb = std::sin(bank), cb = std::cos(bank);
    // Level first: nose toward the heading, right side toward the heading turned 90° clockwise.
    const Vec3 forward = h.east * sh + h.north * ch;
    const Vec3 levelRight = h.east * ch - h.north * sh;
    const Vec3 nose = forward * cp + h.up * sp;
    const Vec3 pitchedTop = h.up * cp - forward * sp;
    const Vec3 right = levelRight * cb - pitchedTop * sb;
    const Vec3 top = pitchedTop * cb + levelRight * sb;
    return Mat3::fromColumns(right, top, nose);
}

}  // namespace

Mat3 attitudeFromHeading(double lon, double lat, double heading, double pitch, double bank) {
    const LocalHorizon h = localHorizon(lon, lat);
    const Mat3 a = turned(h, heading, pitch, bank);
    if (std::fabs(std::cos(pitch)) >= kNearlyVertical) return a;
    // The nose (nearly) straight up or down: the readings take the heading from where the belly
    // faces, which is the nose's heading turned by a fixed angle. Turned back by that angle, the
    // vessel reads `heading` again.
    const double belly = headingOf(a, lon, lat);
    return turned(h, 2.0 * heading - belly, pitch, bank);
}

HeadingPitchBank headingPitchBank(const Mat3 &toPlanet, double lon, double lat) {
    const Vec3 up = localHorizon(lon, lat).up;
    const Vec3 right{toPlanet.m[0][0], toPlanet.m[1][0], toPlanet.m[2][0]};
    const Vec3 top{toPlanet.m[0][1], toPlanet.m[1][1], toPlanet.m[2][1]};
    const Vec3 nose{toPlanet.m[0][2], toPlanet.m[1][2], toPlanet.m[2][2]};
    HeadingPitchBank a;
    a.heading = headingOf(toPlanet, lon, lat);
    a.pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, dot(nose, up))));
    a.bank = std::atan2(-dot(right, up), dot(top, up));
    return a;
}

}  // namespace quva
