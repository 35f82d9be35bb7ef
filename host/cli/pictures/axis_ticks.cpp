#include "pictures/axis_ticks.h"

#include <cmath>
#include <cstdio>

namespace quva::cli {

namespace {

// The round step nearest above `raw`: 1, 2, 2.5 or 5 times a power of ten.
double roundStep(double raw) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (m * magnitude >= raw * (1.0 - 1e-9)) return m * magnitude;
    return 10.0 * magnitude;
}

}  // namespace

AxisScale niceScale(double lo, double hi, int target, bool widen) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0.0;
        hi = 1.0;
    }
    if (hi < lo) std::swap(lo, hi);
    if (hi - lo <= 1e-12 * std::fmax(1.0, std::fabs(hi))) {
        const double pad = lo != 0.0 ? std::fabs(lo) * 0.1 : 1.0;
        lo -= pad;
        hi += pad;
    }
    AxisScale s;
    s.step = roundStep((hi - lo) / std::fmax(1, target));
    if (widen) {
        lo = std::floor(lo / s.step + 1e-9) * s.step;
        hi = std::ceil(hi / s.step - 1e-9) * s.step;
    }
    s.lo = lo;
    s.hi = hi;
    for (double k = std::ceil(lo / s.step - 1e-9); k * s.step <= hi + s.step * 1e-9; k += 1.0)
        s.ticks.push_back(k * s.step);
    return s;
}

std::string tickLabel(double value, double step) {
    int decimals = 0;
    // 2.5 × 10^k needs one decimal more than the power of ten alone.
    for (double unit = step; decimals < 9 && std::fabs(unit - std::round(unit)) > 1e-9 * std::fmax(1.0, unit); unit *= 10)
        ++decimals;
    if (std::fabs(value) < step * 1e-9) value = 0.0;
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace quva::cli
