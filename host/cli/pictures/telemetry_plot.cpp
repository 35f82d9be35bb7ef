#include "pictures/telemetry_plot.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "pictures/axis_ticks.h"
#include "pictures/polyline.h"
#include "pictures/svg_text.h"

namespace quva::cli {

namespace {

// Colours told apart by most readers, also in print.
const char *const kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                "#8c564b", "#e377c2", "#17becf", "#7f7f7f", "#bcbd22"};
// Second and further animations of one vessel are told apart by their dash pattern.
const char *const kDashes[] = {"", "7 4", "2 3", "9 3 2 3"};

// A time as the timeline shows it, without the trailing zeros.
std::string trimmedTime(double t) { return svgNumber(t, 3); }

const char *colour(std::size_t i) { return kPalette[i % std::size(kPalette)]; }
const char *dash(std::size_t i) { return kDashes[i % std::size(kDashes)]; }

constexpr double kWidth = 960, kLeft = 84, kRight = 28;
constexpr double kPanelHeight = 190, kPanelGap = 42, kFirstPanelTop = 118, kBottom = 58;

// One quantity drawn against time for every vessel; a vessel may contribute several lines (one per
// animation) or none.
struct Quantity {
    std::string id, caption;
    std::function<std::size_t(const VesselSeries &)> lines;
    std::function<double(const VesselSample &, std::size_t line)> value;  // NaN: no value
    std::vector<double> include;  // values the axis always shows
};

struct Frame {
    double left, top, width, height;
    AxisScale x, y;
    double px(double t) const { return left + (t - x.lo) / (x.hi - x.lo) * width; }
    double py(double v) const { return top + height - (v - y.lo) / (y.hi - y.lo) * height; }
};

class PlotWriter {
public:
    explicit PlotWriter(const PlotInput &in) : in_(in) {}

    std::string render() {
        // The body first: the legend's rows decide where the panels start and how tall the
        // picture is.
        const double legendHeight = legend(84);
        const double firstPanelTop = kFirstPanelTop + legendHeight;
        const AxisScale time = niceScale(in_.tStart, in_.tEnd, 10, false);
        const std::vector<Quantity> quantities = makeQuantities();
        for (std::size_t p = 0; p < quantities.size(); ++p) {
            const double top = firstPanelTop + static_cast<double>(p) * (kPanelHeight + kPanelGap);
            panel(quantities[p], time, top, p + 1 == quantities.size());
        }
        const double panels = static_cast<double>(quantities.size());
        const double height = firstPanelTop + panels * kPanelHeight + (panels - 1) * kPanelGap + kBottom;

        std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svgNumber(kWidth) + "\" height=\"" +
                          svgNumber(height) + "\" viewBox=\"0 0 " + svgNumber(kWidth) + " " + svgNumber(height) +
                          "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
        svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
        svg += "<text x=\"" + svgNumber(kLeft) + "\" y=\"34\" font-size=\"20\" font-weight=\"bold\" fill=\"#222\">" +
               svgEscape(in_.title) + "</text>\n";
        if (!in_.subtitle.empty())
            svg += "<text x=\"" + svgNumber(kLeft) + "\" y=\"56\" font-size=\"13\" fill=\"#666\">" +
                   svgEscape(in_.subtitle) + "</text>\n";
        return svg + out_ + "</svg>\n";
    }

private:
    std::vector<Quantity> makeQuantities() const {
        double highest = 0.0;
        for (const auto &s : in_.series)
            for (const auto &pt : s.points) highest = std::max(highest, pt.altitude);
        const bool km = highest > 20000.0;
        const double unit = km ? 1000.0 : 1.0;
        auto one = [](const VesselSeries &) -> std::size_t { return 1; };
        std::vector<Quantity> q;
        q.push_back({"altitude", km ? "Altitude (km)" : "Altitude (m)", one,
                     [unit](const VesselSample &s, std::size_t) { return s.altitude / unit; }, {}});
        q.push_back({"descent-rate", "Descent rate (m/s)", one,
                     [](const VesselSample &s, std::size_t) { return -s.verticalSpeed; }, {0.0}});
        q.push_back({"animation", "Animation state", [](const VesselSeries &s) {
                         std::size_t n = 0;
                         for (const auto &pt : s.points) n = std::max(n, pt.animations.size());
                         return n;
                     },
                     [](const VesselSample &s, std::size_t line) {
                         return line < s.animations.size() ? s.animations[line] : std::nan("");
                     },
                     {0.0, 1.0}});
        // How the vessels turn: the nose's angle above the local horizon.
        q.push_back({"pitch", "Pitch (deg)", one, [](const VesselSample &s, std::size_t) { return s.pitch; }, {}});
        return q;
    }

    // The legend, in rows from `y` down as the picture's width allows; returns the height it took.
    double legend(double y) {
        const double rowHeight = 20;
        double x = kLeft, top = y;
        auto place = [&](double width) {
            if (x > kLeft && x + width > kWidth - kRight) {
                x = kLeft;
                y += rowHeight;
            }
        };
        for (std::size_t i = 0; i < in_.series.size(); ++i) {
            const VesselSeries &s = in_.series[i];
            std::string label = s.name;
            if (s.removedAt) label += " (removed at " + trimmedTime(*s.removedAt) + " s)";
            const double width = 28 + 7.4 * static_cast<double>(label.size());
            place(width);
            out_ += "<line x1=\"" + svgNumber(x) + "\" y1=\"" + svgNumber(y - 4) + "\" x2=\"" + svgNumber(x + 22) +
                    "\" y2=\"" + svgNumber(y - 4) + "\" stroke=\"" + colour(i) + "\" stroke-width=\"3\"/>\n";
            out_ += "<text x=\"" + svgNumber(x + 28) + "\" y=\"" + svgNumber(y) + "\" font-size=\"13\" fill=\"#222\">" +
                    svgEscape(label) + "</text>\n";
            x += width + 24;
        }
        bool dashed = false;
        for (const auto &s : in_.series)
            for (const auto &pt : s.points) dashed = dashed || pt.animations.size() > 1;
        if (dashed) {
            const std::string note = "(further animations of a vessel dashed)";
            place(6.8 * static_cast<double>(note.size()));
            out_ += "<text x=\"" + svgNumber(x) + "\" y=\"" + svgNumber(y) + "\" font-size=\"12\" fill=\"#666\">" +
                    note + "</text>\n";
        }
        return y - top;
    }

    AxisScale valueScale(const Quantity &q) const {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (double v : q.include) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        for (const auto &s : in_.series)
            for (std::size_t line = 0; line < q.lines(s); ++line)
                for (const auto &pt : s.points) {
                    const double v = q.value(pt, line);
                    if (!std::isfinite(v)) continue;
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
        return niceScale(lo, hi, 5, true);
    }

    void panel(const Quantity &q, const AxisScale &time, double top, bool bottom) {
        Frame f{kLeft, top, kWidth - kLeft - kRight, kPanelHeight, time, valueScale(q)};
        out_ += "<g id=\"" + q.id + "\">\n";
        out_ += "<text x=\"" + svgNumber(f.left) + "\" y=\"" + svgNumber(top - 10) +
                "\" font-size=\"14\" font-weight=\"bold\" fill=\"#333\">" + svgEscape(q.caption) + "</text>\n";
        out_ += "<clipPath id=\"clip-" + q.id + "\"><rect x=\"" + svgNumber(f.left) + "\" y=\"" + svgNumber(top - 2) +
                "\" width=\"" + svgNumber(f.width) + "\" height=\"" + svgNumber(f.height + 4) + "\"/></clipPath>\n";
        out_ += "<rect x=\"" + svgNumber(f.left) + "\" y=\"" + svgNumber(top) + "\" width=\"" + svgNumber(f.width) +
                "\" height=\"" + svgNumber(f.height) + "\" fill=\"#fbfbfb\" stroke=\"none\"/>\n";
        grid(f, bottom);
        out_ += "<g clip-path=\"url(#clip-" + q.id + ")\" fill=\"none\" stroke-linejoin=\"round\" "
                "stroke-linecap=\"round\">\n";
        std::size_t drawn = 0;
        for (std::size_t i = 0; i < in_.series.size(); ++i)
            for (std::size_t line = 0; line < q.lines(in_.series[i]); ++line, ++drawn) seriesPath(f, q, i, line);
        out_ += "</g>\n";
        if (drawn == 0)
            out_ += "<text x=\"" + svgNumber(f.left + f.width / 2) + "\" y=\"" + svgNumber(top + f.height / 2) +
                    "\" font-size=\"13\" fill=\"#888\" text-anchor=\"middle\">no vessel has one</text>\n";
        out_ += "<rect x=\"" + svgNumber(f.left) + "\" y=\"" + svgNumber(top) + "\" width=\"" + svgNumber(f.width) +
                "\" height=\"" + svgNumber(f.height) + "\" fill=\"none\" stroke=\"#999\"/>\n";
        out_ += "</g>\n";
    }

    void grid(const Frame &f, bool bottom) {
        out_ += "<g stroke=\"#e2e2e2\" stroke-width=\"1\">\n";
        for (double t : f.x.ticks)
            out_ += "<line x1=\"" + svgNumber(f.px(t)) + "\" y1=\"" + svgNumber(f.top) + "\" x2=\"" + svgNumber(f.px(t)) +
                    "\" y2=\"" + svgNumber(f.top + f.height) + "\"/>\n";
        for (double v : f.y.ticks)
            out_ += "<line x1=\"" + svgNumber(f.left) + "\" y1=\"" + svgNumber(f.py(v)) + "\" x2=\"" +
                    svgNumber(f.left + f.width) + "\" y2=\"" + svgNumber(f.py(v)) + "\"/>\n";
        out_ += "</g>\n<g font-size=\"12\" fill=\"#555\">\n";
        for (double v : f.y.ticks)
            out_ += "<text x=\"" + svgNumber(f.left - 8) + "\" y=\"" + svgNumber(f.py(v) + 4) +
                    "\" text-anchor=\"end\">" + tickLabel(v, f.y.step) + "</text>\n";
        if (bottom) {
            for (double t : f.x.ticks)
                out_ += "<text x=\"" + svgNumber(f.px(t)) + "\" y=\"" + svgNumber(f.top + f.height + 18) +
                        "\" text-anchor=\"middle\">" + tickLabel(t, f.x.step) + "</text>\n";
            out_ += "<text x=\"" + svgNumber(f.left + f.width / 2) + "\" y=\"" + svgNumber(f.top + f.height + 42) +
                    "\" text-anchor=\"middle\" font-size=\"14\" fill=\"#333\">Time (s)</text>\n";
        }
        out_ += "</g>\n";
    }

    // One line: a path through the vessel's samples, thinned to what shows at the picture's
    // resolution; a gap where the quantity has no value.
    void seriesPath(const Frame &f, const Quantity &q, std::size_t vessel, std::size_t line) {
        const VesselSeries &s = in_.series[vessel];
        std::string d;
        std::vector<Point2> run;
        auto flush = [&] {
            const std::vector<Point2> kept = simplifyPolyline(run, 0.25);
            for (std::size_t k = 0; k < kept.size(); ++k) appendSvgPathPoint(d, k == 0 ? 'M' : 'L', kept[k].x, kept[k].y);
            run.clear();
        };
        std::optional<Point2> end;
        for (const VesselSample &pt : s.points) {
            const double v = q.value(pt, line);
            if (std::isfinite(v)) run.push_back({f.px(pt.t), f.py(v)});
            else flush();
            end = std::isfinite(v) ? std::optional<Point2>(run.back()) : std::nullopt;
        }
        flush();
        if (d.empty()) return;
        out_ += "<path class=\"series\" data-vessel=\"" + svgEscape(s.name) + "\" stroke=\"" + colour(vessel) +
                "\" stroke-width=\"" + svgNumber(lineWidth(vessel), 2) + "\"";
        if (*dash(line)) out_ += std::string(" stroke-dasharray=\"") + dash(line) + "\"";
        out_ += " d=\"" + d + "\"/>\n";
        if (s.removedAt && end) removalMark(*end, colour(vessel));
    }

    // A cross where the line of a removed vessel ends.
    void removalMark(const Point2 &p, const char *stroke) {
        const double r = 4.5;
        out_ += "<path class=\"removed\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"2\" d=\"";
        appendSvgPathPoint(out_, 'M', p.x - r, p.y - r);
        appendSvgPathPoint(out_, 'L', p.x + r, p.y + r);
        appendSvgPathPoint(out_, 'M', p.x - r, p.y + r);
        appendSvgPathPoint(out_, 'L', p.x + r, p.y - r);
        out_ += "\"/>\n";
    }

    // Vessels held together fly the same path; the earlier ones are drawn wider, so that a line
    // drawn over another leaves it showing on both sides.
    double lineWidth(std::size_t vessel) const {
        const std::size_t n = in_.series.size();
        return n < 2 ? 2.0 : 1.6 + 2.6 * static_cast<double>(n - 1 - vessel) / static_cast<double>(n - 1);
    }

    const PlotInput &in_;
    std::string out_;
};

}  // namespace

std::string renderTelemetryPlot(const PlotInput &in) { return PlotWriter(in).render(); }

}  // namespace quva::cli
