// Thinning of a drawn line: points that lie within a tolerance of the line through their
// neighbours add nothing to the picture and are left out (Ramer-Douglas-Peucker).
#pragma once

#include <vector>

namespace quva::cli {

struct Point2 {
    double x = 0.0, y = 0.0;
};

// The points to keep, first and last included, each within `tolerance` of the thinned line.
std::vector<Point2> simplifyPolyline(const std::vector<Point2> &points, double tolerance);

}  // namespace quva::cli
