#include "world/quaternion.h"

#include <cmath>

namespace quva {

Mat3 matrixOf(const Quat &q) {
    Mat3 r;
    const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const double xs = q.x * q.s, ys = q.y * q.s, zs = q.z * q.s;
    r.m[0][0] = 1.0 - 2.0 * (yy + zz);
    r.m[0][1] = 2.0 * (xy + zs);
    r.m[0][2] = 2.0 * (xz - ys);
    r.m[1][0] = 2.0 * (xy - zs);
    r.m[1][1] = 1.0 - 2.0 * (xx + zz);
    r.m[1][2] = 2.0 * (yz + xs);
    r.m[2][0] = 2.0 * (xz + ys);
    r.m[2][1] = 2.0 * (yz - xs);
    r.m[2][2] = 1.0 - 2.0 * (xx + yy);
    return r;
}

Quat quatOf(const Mat3 &r) {
    const auto &m = r.m;
    const double tr = m[0][0] + m[1][1] + m[2][2];
    Quat q;
    // The largest of the four components is found first, so that the division is well conditioned.
    if (tr > 0.0) {
        const double s = 2.0 * std::sqrt(1.0 + tr);  // 4 qs
        q.s = 0.25 * s;
        q.x = (m[1][2] - m[2][1]) / s;
        q.y = (m[2][0] - m[0][2]) / s;
        q.z = (m[0][1] - m[1][0]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]);  // 4 qx
        q.x = 0.25 * s;
        q.s = (m[1][2] - m[2][1]) / s;
        q.y = (m[0][1] + m[1][0]) / s;
        q.z = (m[0][2] + m[2][0]) / s;
    } else if (m[1][1] > m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]);  // 4 qy
        q.y = 0.25 * s;
        q.s = (m[2][0] - m[0][2]) / s;
        q.x = (m[0][1] + m[1][0]) / s;
        q.z = (m[1][2] + m[2][1]) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]);  // 4 qz
        q.z = 0.25 * s;
        q.s = (m[0][1] - m[1][0]) / s;
        q.x = (m[0][2] + m[2][0]) / s;
        q.y = (m[1][2] + m[2][1]) / s;
    }
    return q;
}

Quat rotatedBy(const Quat &q, const Vec3 &t) {
    // θ × v with v the vector part, in the plain component formula.
    const Vec3 c = cross(t, Vec3{q.x, q.y, q.z});
    return {q.x + 0.5 * (q.s * t.x + c.x), q.y + 0.5 * (q.s * t.y + c.y), q.z + 0.5 * (q.s * t.z + c.z),
            q.s - 0.5 * (t.x * q.x + t.y * q.y + t.z * q.z)};
}

Quat turnedBy(const Quat &q, const Vec3 &theta) {
    Quat r = rotatedBy(q, theta);
    const double n = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z + r.s * r.s);
    if (!(n > 0.0)) return Quat{};
    return {r.x / n, r.y / n, r.z / n, r.s / n};  // divided, not multiplied by 1/n: to the last digit
}

}  // namespace quva
