#include "pictures/polyline.h"

#include <cmath>
#include <utility>

namespace quva::cli {

namespace {

double distanceToSegment(const Point2 &p, const Point2 &a, const Point2 &b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double u = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    u = u < 0.0 ? 0.0 : (u > 1.0 ? 1.0 : u);
    return std::hypot(p.x - (a.x + u * dx), p.y - (a.y + u * dy));
}

}  // namespace

std::vector<Point2> simplifyPolyline(const std::vector<Point2> &points, double tolerance) {
    if (points.size() < 3) return points;
    std::vector<bool> keep(points.size(), false);
    keep.front() = keep.back() = true;
    // An explicit stack of spans instead of recursion: a long line must not exhaust the stack.
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, points.size() - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        double worst = -1.0;
        std::size_t at = first;
        for (std::size_t i = first + 1; i < last; ++i) {
            const double d = distanceToSegment(points[i], points[first], points[last]);
            if (d > worst) {
                worst = d;
                at = i;
            }
        }
        if (worst <= tolerance) continue;
        keep[at] = true;
        spans.emplace_back(first, at);
        spans.emplace_back(at, last);
    }
    std::vector<Point2> out;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (keep[i]) out.push_back(points[i]);
    return out;
}

}  // namespace quva::cli
