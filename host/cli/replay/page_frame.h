// The page's axes. The simulator's frames are left-handed (x right, y up, z forward; the planet-
// fixed frame has y toward the north pole); the page's 3-D library is right-handed. Every
// vector a replay writes has its z component negated, which makes a right-handed frame with the
// same x and y: a rotation's matrix M becomes S M S (S = diag(1, 1, -1)), and a mesh's triangles
// wind the other way round.
#pragma once

#include <array>

#include "world/vec3.h"

namespace quva::cli {

inline Vec3 pageVector(const Vec3 &v) { return {v.x, v.y, -v.z}; }

// A rotation about `axis` by `angle` in the simulator's frame (core/pose.cpp turns groups so) is
// a rotation about this axis by the same angle in the page's frame.
inline Vec3 pageRotationAxis(const Vec3 &axis) { return {-axis.x, -axis.y, axis.z}; }

// The unit quaternion (x, y, z, w) that turns the page's vessel axes into its planet-fixed axes,
// for `attitude` (vessel frame -> planet-fixed frame, simulator's axes), in the usual convention
// of the page's library (a vector v turns to q v q*).
std::array<double, 4> pageQuaternion(const Mat3 &attitude);

}  // namespace quva::cli
