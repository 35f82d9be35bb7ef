#include "world/vec3.h"

namespace quva {

// Rodrigues' formula as a matrix: R = cos·I + sin·[k]× + (1 − cos)·k kᵀ, with k the unit axis.
Mat3 rotationAbout(const Vec3 &axis, double angle) {
    const Vec3 k = normalized(axis);
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    Mat3 r;
    r.m[0][0] = c + t * k.x * k.x;
    r.m[0][1] = t * k.x * k.y - s * k.z;
    r.m[0][2] = t * k.x * k.z + s * k.y;
    r.m[1][0] = t * k.y * k.x + s * k.z;
    r.m[1][1] = c + t * k.y * k.y;
    r.m[1][2] = t * k.y * k.z - s * k.x;
    r.m[2][0] = t * k.z * k.x - s * k.y;
    r.m[2][1] = t * k.z * k.y + s * k.x;
    r.m[2][2] = c + t * k.z * k.z;
    return r;
}

}  // namespace quva
