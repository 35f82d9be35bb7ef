// Unit quaternion for a vessel's attitude, in the simulator's layout (x, y, z, s) and with its
// conventions: the rotation matrix it stands for maps vessel-frame vectors into the parent frame,
// and a rotation vector is applied by the first-order increment the simulator uses.
#pragma once

#include "world/vec3.h"

namespace quva {

struct Quat {
    double x = 0.0, y = 0.0, z = 0.0, s = 1.0;
    bool operator==(const Quat &o) const = default;
};

// The rotation matrix of q (vessel -> parent). q need not be of unit length: the intermediate
// stages of an integrator step use the matrix of a quaternion that was not normalised.
Mat3 matrixOf(const Quat &q);

// The unit quaternion of a rotation matrix (trace-based, the inverse of matrixOf).
Quat quatOf(const Mat3 &r);

// q advanced by the rotation vector theta (rad, vessel axes), to first order and not normalised:
// q + ½ (s θ + θ × v ; −θ·v).
Quat rotatedBy(const Quat &q, const Vec3 &theta);

// The same, normalised to unit length (identity if the result has no length).
Quat turnedBy(const Quat &q, const Vec3 &theta);

}  // namespace quva
