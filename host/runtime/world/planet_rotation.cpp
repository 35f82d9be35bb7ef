#include "world/planet_rotation.h"

#include <cmath>

namespace quva {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

double positiveAngle(double a) {
    a = std::fmod(a, kTwoPi);
    return a < 0.0 ? a + kTwoPi : a;
}

// Equator of longitude of ascending node `lan` and obliquity `obl` against a reference plane.
Mat3 equatorFrame(double lan, double obl) {
    const double sl = std::sin(lan), cl = std::cos(lan), se = std::sin(obl), ce = std::cos(obl);
    Mat3 r;
    r.m[0][0] = cl; r.m[0][1] = -sl * se; r.m[0][2] = -sl * ce;
    r.m[1][0] = 0.0; r.m[1][1] = ce; r.m[1][2] = -se;
    r.m[2][0] = sl; r.m[2][1] = cl * se; r.m[2][2] = cl * ce;
    return r;
}

// The precession reference plane against the ecliptic.
Mat3 precessionFrame(const RotationElements &e) {
    const double sl = std::sin(e.precessionLan), cl = std::cos(e.precessionLan);
    const double se = std::sin(e.precessionObliquity), ce = std::cos(e.precessionObliquity);
    Mat3 lan, obl;
    lan.m[0][0] = cl; lan.m[0][2] = -sl;
    lan.m[2][0] = sl; lan.m[2][2] = cl;
    obl.m[1][1] = ce; obl.m[1][2] = -se;
    obl.m[2][1] = se; obl.m[2][2] = ce;
    return lan * obl;
}

// Turning about the planet's own +y axis by θ moves the prime meridian from +x toward +z.
Mat3 spin(double theta) {
    const double s = std::sin(theta), c = std::cos(theta);
    Mat3 r;
    r.m[0][0] = c; r.m[0][2] = -s;
    r.m[2][0] = s; r.m[2][2] = c;
    return r;
}

}  // namespace

PlanetOrientation planetOrientation(const RotationElements &e, double startMjd, double tsim) {
    PlanetOrientation o;
    const double mjd = startMjd + tsim / 86400.0;
    const double lan = e.precessionPeriod != 0.0 ? e.lan + kTwoPi / e.precessionPeriod * (mjd - e.lanMjd) : e.lan;
    const Mat3 m = precessionFrame(e) * equatorFrame(lan, e.obliquity);
    // The pole, and from it the equator's node and obliquity against the ecliptic.
    const Vec3 axis{m.m[0][1], m.m[1][1], m.m[2][1]};
    o.eclipticObliquity = std::acos(std::fmax(-1.0, std::fmin(1.0, axis.y)));
    o.eclipticLan = std::atan2(-axis.x, axis.z);
    const double sl = std::sin(o.eclipticLan), cl = std::cos(o.eclipticLan);
    if (e.precessionObliquity != 0.0)
        o.offset = std::atan2(-(cl * m.m[0][2] + sl * m.m[2][2]), cl * m.m[0][0] + sl * m.m[2][0]);
    o.angularRate = kTwoPi / e.siderealPeriod;
    // The phase at the start, then the seconds of the run on top of it.
    const double phase = std::fmod(e.siderealOffset + (startMjd - kJ2000Mjd) * (86400.0 / e.siderealPeriod) * kTwoPi +
                                       e.lan * std::cos(e.obliquity),
                                   kTwoPi);
    o.rotationAngle = positiveAngle(phase + tsim * o.angularRate - lan * std::cos(e.obliquity) + o.offset);
    o.rotation = equatorFrame(o.eclipticLan, o.eclipticObliquity) * spin(o.rotationAngle);
    return o;
}

}  // namespace quva
