// Where a landed vessel stands and how it is turned, in the planet-fixed frame of its body
// (+x through longitude 0 on the equator, +y to the north pole, +z through longitude 90° east).
// Angles in radians.
#pragma once

#include <vector>

#include "world/vec3.h"

namespace quva {

// The point at longitude `lon`, latitude `lat`, distance `r` from the centre.
Vec3 planetFixedPoint(double lon, double lat, double r);

// The vessel-to-planet rotation of a vessel standing level at (lon, lat) with its nose (+z)
// toward `heading` (from north toward east) and its +y up.
Mat3 levelAttitude(double lon, double lat, double heading);

// How a vessel rests on the plane of its first three touchdown points: the height of its origin
// above that plane, and the turn (vessel frame) that lays the plane level. The host's touchdown
// points have no stiffness, so the plane is that of the points as defined.
struct RestingGeometry {
    double height = 0.0;  // m
    Mat3 tilt;
};
RestingGeometry restingGeometry(const std::vector<Vec3> &touchdownPoints);

// The first three touchdown points compressed by a weight W (N) shared among their springs of
// stiffness k (N/m): each moves along the plane's normal by κ_i W, with κ_i = A + B x_i + C z_i
// (x, z: the point's coordinates in the plane, x along p2 - p1) chosen so that the spring
// forces carry W and have no moment about the origin. Other points are returned unchanged.
std::vector<Vec3> compressedUnderLoad(std::vector<Vec3> points, const double stiffness[3], double weight);

// Compass heading (radians, [0, 2π)) of a vessel with vessel-to-planet rotation `landRot` at
// (lon, lat): the direction its nose points in, projected onto the horizon. A vessel standing
// on its tail (nose straight up or down) is headed by its −y axis, where a nose pitched up
// from level would have pointed.
double headingOf(const Mat3 &landRot, double lon, double lat);

}  // namespace quva
