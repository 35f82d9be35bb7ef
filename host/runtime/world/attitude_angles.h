// The attitude angles of AROT lines: three angles (α, β, γ) in degrees for a rotation matrix R
// that maps vessel-frame vectors into the parent frame (the global frame in flight, the
// planet-fixed frame when landed). R = Rx(α) · Ry(β) · Rz(γ) with the simulator's element
// signs: m13 = −sin β, m23 = sin α cos β, m12 = cos β sin γ, and so on.
#pragma once

#include "world/vec3.h"

namespace quva {

constexpr double kRadPerDeg = 3.14159265358979323846 / 180.0;

Mat3 attitudeFromEuler(const Vec3 &anglesDeg);

// The inverse, exact away from β = ±90°: α = atan2(m23, m33), β = −asin(m13), γ = atan2(m12, m11).
Vec3 eulerFromAttitude(const Mat3 &r);

}  // namespace quva
