#include "pictures/pose_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/pose.h"
#include "files/mesh.h"
#include "pictures/axis_ticks.h"
#include "pictures/svg_text.h"

namespace quva::cli {

namespace {

struct Triangle {
    Vec3 a, b, c;
    bool animated = false;  // in a group that an animation moves
};

// An orthographic view: screen right, screen up and the direction towards the viewer, all in the
// vessel frame. The frame is left-handed (x right, y up, z forward), so each triple keeps the
// handedness and no view is a mirror image.
struct View {
    const char *name;
    const char *seenFrom;
    const char *rightAxis, *upAxis;
    Vec3 right, up, toViewer;
};

const View kViews[] = {
    {"x-y", "seen from -z, behind", "x", "y", {1, 0, 0}, {0, 1, 0}, {0, 0, -1}},
    {"z-y", "seen from +x, the right", "z", "y", {0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
    {"x-z", "seen from +y, above", "x", "z", {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
};

// The light falls from just above and left of the viewer, so that each view is lit alike and the
// faces turned towards the viewer are the brightest.
const Vec3 kLight = normalized(Vec3{-0.35, 0.45, 0.82});

constexpr double kMaxRowWidth = 1320, kMaxHeight = 480, kMinViewWidth = 170;
constexpr double kMargin = 40, kGap = 56, kTop = 92, kCaption = 40, kBottomRoom = 60;

std::set<std::pair<std::size_t, std::size_t>> animatedGroups(const Vessel &v) {
    std::set<std::pair<std::size_t, std::size_t>> out;
    for (const Animation &a : v.animations)
        for (const auto &c : a.components) {
            const MGROUP_TRANSFORM *t = c->transform;
            if (!t || !t->grp) continue;
            for (UINT k = 0; k < t->ngrp; ++k) out.insert({t->mesh, t->grp[k]});
        }
    return out;
}

std::vector<Triangle> posedTriangles(const Vessel &v) {
    const auto animated = animatedGroups(v);
    std::vector<Triangle> out;
    for (std::size_t m = 0; m < v.meshes.size(); ++m) {
        if (!v.meshes[m].mesh) continue;
        const auto &groups = v.meshes[m].mesh->groups;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const std::vector<Vec3> points = posedGroup(v, m, g);
            const bool moved = animated.count({m, g}) > 0;
            for (const auto &t : groups[g].triangles) {
                if (t[0] >= points.size() || t[1] >= points.size() || t[2] >= points.size()) continue;
                out.push_back({points[t[0]], points[t[1]], points[t[2]], moved});
            }
        }
    }
    return out;
}

struct Extent {
    double lo = 0.0, hi = 0.0;
    double size() const { return hi - lo; }
};

// The extent along `axis` of the triangles and of the vessel's origin, which each view marks.
Extent extentAlong(const std::vector<Triangle> &tris, const Vec3 &axis) {
    Extent e;
    for (const Triangle &t : tris)
        for (const Vec3 *p : {&t.a, &t.b, &t.c}) {
            const double d = dot(*p, axis);
            e.lo = std::min(e.lo, d);
            e.hi = std::max(e.hi, d);
        }
    return e;
}

// Grey for the fixed parts, a pale blue for the moving ones, darker as the face turns from the light.
std::string shade(double brightness, bool animated) {
    const double k = 0.55 + 0.45 * brightness;
    const int r = static_cast<int>(std::lround((animated ? 170 : 222) * k));
    const int g = static_cast<int>(std::lround((animated ? 196 : 222) * k));
    const int b = static_cast<int>(std::lround((animated ? 232 : 222) * k));
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", r & 0xff, g & 0xff, b & 0xff);
    return text;
}

class PoseWriter {
public:
    PoseWriter(const Vessel &v, const PoseDrawingText &text) : text_(text), tris_(posedTriangles(v)) {
        if (tris_.empty()) throw std::runtime_error("vessel class " + v.className + " has no mesh to draw");
    }

    std::string render() {
        // One scale for all three views, so that they can be compared side by side.
        Extent right[3], up[3];
        double widths = 0.0, tallest = 0.0;
        for (int i = 0; i < 3; ++i) {
            right[i] = extentAlong(tris_, kViews[i].right);
            up[i] = extentAlong(tris_, kViews[i].up);
            widths += std::max(right[i].size(), 1e-6);
            tallest = std::max(tallest, up[i].size());
        }
        scale_ = std::min((kMaxRowWidth - 2 * kGap) / widths, kMaxHeight / std::max(tallest, 1e-6));
        double width = 2 * kMargin, x = kMargin;
        double viewLeft[3];
        for (int i = 0; i < 3; ++i) {
            viewLeft[i] = x + std::max(0.0, (kMinViewWidth - right[i].size() * scale_) / 2);
            const double w = std::max(kMinViewWidth, right[i].size() * scale_);
            x += w + (i < 2 ? kGap : 0.0);
        }
        width += x - kMargin;
        width = std::max(width, 640.0);
        const double height = kTop + kCaption + tallest * scale_ + kBottomRoom;

        out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svgNumber(width) + "\" height=\"" +
                svgNumber(height) + "\" viewBox=\"0 0 " + svgNumber(width) + " " + svgNumber(height) +
                "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
        out_ += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
        out_ += "<text x=\"" + svgNumber(kMargin) + "\" y=\"34\" font-size=\"20\" font-weight=\"bold\" fill=\"#222\">" +
                svgEscape(text_.title) + "</text>\n";
        out_ += "<text x=\"" + svgNumber(kMargin) + "\" y=\"56\" font-size=\"13\" fill=\"#666\">" +
                svgEscape(text_.subtitle) + "</text>\n";
        scaleBar(width - kMargin, 50);
        for (int i = 0; i < 3; ++i) {
            const double top = kTop + kCaption + (tallest - up[i].size()) * scale_ / 2;
            view(kViews[i], viewLeft[i], top, right[i], up[i]);
        }
        out_ += "</svg>\n";
        return std::move(out_);
    }

private:
    // Screen position of a vessel-frame point in a view whose extents start at (left, top).
    struct Placement {
        const View &view;
        double left, top, scale;
        Extent right, up;
        double sx(const Vec3 &p) const { return left + (dot(p, view.right) - right.lo) * scale; }
        double sy(const Vec3 &p) const { return top + (up.hi - dot(p, view.up)) * scale; }
    };

    void view(const View &v, double left, double top, const Extent &right, const Extent &up) {
        const Placement at{v, left, top, scale_, right, up};
        out_ += "<g class=\"view\" id=\"view-" + std::string(v.name) + "\">\n";
        out_ += "<text x=\"" + svgNumber(left) + "\" y=\"" + svgNumber(kTop + 4) +
                "\" font-size=\"15\" font-weight=\"bold\" fill=\"#333\">" + v.name + "</text>\n";
        out_ += "<text x=\"" + svgNumber(left) + "\" y=\"" + svgNumber(kTop + 22) + "\" font-size=\"12\" fill=\"#666\">" +
                v.seenFrom + "</text>\n";
        originCross(at);

        // Painter's algorithm: the farthest triangles first, so that nearer ones cover them.
        std::vector<std::pair<double, const Triangle *>> order;
        order.reserve(tris_.size());
        for (const Triangle &t : tris_) order.emplace_back(dot(t.a + t.b + t.c, v.toViewer), &t);
        std::stable_sort(order.begin(), order.end(), [](const auto &p, const auto &q) { return p.first < q.first; });

        out_ += "<g stroke=\"#2b2b2b\" stroke-opacity=\"0.45\" stroke-width=\"0.4\" stroke-linejoin=\"round\">\n";
        for (const auto &[depth, t] : order) triangle(at, *t);
        out_ += "</g>\n";
        axisArrows(at);
        out_ += "</g>\n";
    }

    void triangle(const Placement &at, const Triangle &t) {
        const double ax = at.sx(t.a), ay = at.sy(t.a), bx = at.sx(t.b), by = at.sy(t.b), cx = at.sx(t.c),
                     cy = at.sy(t.c);
        // Triangles seen edge-on cover no area; leaving them out keeps the file small.
        if (std::fabs((bx - ax) * (cy - ay) - (cx - ax) * (by - ay)) < 0.02) return;
        const Vec3 n = normalized(cross(t.b - t.a, t.c - t.a));
        const Vec3 inView{dot(n, at.view.right), dot(n, at.view.up), dot(n, at.view.toViewer)};
        // Faces are lit on whichever side looks at the viewer: meshes need not wind consistently.
        const double brightness = std::max(0.0, dot(inView.z < 0 ? -inView : inView, kLight));
        out_ += "<path fill=\"" + shade(brightness, t.animated) + "\" d=\"";
        appendSvgPathPoint(out_, 'M', ax, ay);
        appendSvgPathPoint(out_, 'L', bx, by);
        appendSvgPathPoint(out_, 'L', cx, cy);
        out_ += "Z\"/>\n";
    }

    // Thin lines through the vessel frame's origin, under the mesh.
    void originCross(const Placement &at) {
        const Vec3 o{};
        const double x = at.sx(o), y = at.sy(o);
        const double x0 = at.left - 8, x1 = at.left + at.right.size() * at.scale + 8;
        const double y0 = at.top - 8, y1 = at.top + at.up.size() * at.scale + 8;
        out_ += "<g stroke=\"#b0b0b0\" stroke-width=\"0.8\" stroke-dasharray=\"5 4\">\n";
        out_ += "<line x1=\"" + svgNumber(x0) + "\" y1=\"" + svgNumber(y) + "\" x2=\"" + svgNumber(x1) + "\" y2=\"" +
                svgNumber(y) + "\"/>\n";
        out_ += "<line x1=\"" + svgNumber(x) + "\" y1=\"" + svgNumber(y0) + "\" x2=\"" + svgNumber(x) + "\" y2=\"" +
                svgNumber(y1) + "\"/>\n";
        out_ += "</g>\n";
    }

    // The view's axes, bottom left under the drawing.
    void axisArrows(const Placement &at) {
        const double x = at.left, y = at.top + at.up.size() * at.scale + 44, len = 26;
        out_ += "<g stroke=\"#444\" stroke-width=\"1.4\" fill=\"none\">\n";
        out_ += "<path d=\"M" + svgNumber(x) + " " + svgNumber(y) + "H" + svgNumber(x + len) + "M" + svgNumber(x + len - 5) +
                " " + svgNumber(y - 4) + "L" + svgNumber(x + len) + " " + svgNumber(y) + "L" + svgNumber(x + len - 5) + " " +
                svgNumber(y + 4) + "\"/>\n";
        out_ += "<path d=\"M" + svgNumber(x) + " " + svgNumber(y) + "V" + svgNumber(y - len) + "M" + svgNumber(x - 4) + " " +
                svgNumber(y - len + 5) + "L" + svgNumber(x) + " " + svgNumber(y - len) + "L" + svgNumber(x + 4) + " " +
                svgNumber(y - len + 5) + "\"/>\n";
        out_ += "</g>\n<g font-size=\"12\" fill=\"#444\" font-style=\"italic\">\n";
        out_ += "<text x=\"" + svgNumber(x + len + 4) + "\" y=\"" + svgNumber(y + 4) + "\">" + at.view.rightAxis +
                "</text>\n";
        out_ += "<text x=\"" + svgNumber(x - 4) + "\" y=\"" + svgNumber(y - len - 5) + "\">" + at.view.upAxis + "</text>\n";
        out_ += "</g>\n";
    }

    // A bar of a round length, right-aligned at (right, y).
    void scaleBar(double right, double y) {
        const AxisScale s = niceScale(0.0, 140.0 / scale_, 1, false);
        const double metres = s.step, len = metres * scale_;
        out_ += "<g stroke=\"#333\" stroke-width=\"1.5\">\n<line x1=\"" + svgNumber(right - len) + "\" y1=\"" +
                svgNumber(y) + "\" x2=\"" + svgNumber(right) + "\" y2=\"" + svgNumber(y) + "\"/>\n";
        for (double x : {right - len, right})
            out_ += "<line x1=\"" + svgNumber(x) + "\" y1=\"" + svgNumber(y - 5) + "\" x2=\"" + svgNumber(x) + "\" y2=\"" +
                    svgNumber(y + 5) + "\"/>\n";
        out_ += "</g>\n<text x=\"" + svgNumber(right - len / 2) + "\" y=\"" + svgNumber(y - 10) +
                "\" font-size=\"12\" fill=\"#333\" text-anchor=\"middle\">" + tickLabel(metres, metres) + " m</text>\n";
    }

    const PoseDrawingText &text_;
    std::vector<Triangle> tris_;
    double scale_ = 1.0;
    std::string out_;
};

}  // namespace

std::string drawPose(const Vessel &v, const PoseDrawingText &text) { return PoseWriter(v, text).render(); }

}  // namespace quva::cli
