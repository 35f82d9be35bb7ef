#include "world/attitude_angles.h"

#include <cmath>

namespace quva {

Mat3 attitudeFromEuler(const Vec3 &anglesDeg) {
    const double a = anglesDeg.x * kRadPerDeg, b = anglesDeg.y * kRadPerDeg, c = anglesDeg.z * kRadPerDeg;
    const double sa = std::sin(a), ca = std::cos(a), sb = std::sin(b), cb = std::cos(b), sc = std::sin(c),
                 cc = std::cos(c);
    Mat3 r;
    r.m[0][0] = cb * cc;
    r.m[0][1] = cb * sc;
    r.m[0][2] = -sb;
    r.m[1][0] = sa * sb * cc - ca * sc;
    r.m[1][1] = sa * sb * sc + ca * cc;
    r.m[1][2] = sa * cb;
    r.m[2][0] = ca * sb * cc + sa * sc;
    r.m[2][1] = ca * sb * sc - sa * cc;
    r.m[2][2] = ca * cb;
    return r;
}

Vec3 eulerFromAttitude(const Mat3 &r) {
    const double a = std::atan2(r.m[1][2], r.m[2][2]);
    const double b = -std::asin(std::fmax(-1.0, std::fmin(1.0, r.m[0][2])));
    const double c = std::atan2(r.m[0][1], r.m[0][0]);
    return {a / kRadPerDeg, b / kRadPerDeg, c / kRadPerDeg};
}

}  // namespace quva
