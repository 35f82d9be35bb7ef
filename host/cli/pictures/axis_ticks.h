// Round numbers for the ticks of a plot axis.
#pragma once

#include <string>
#include <vector>

namespace quva::cli {

struct AxisScale {
    double lo = 0.0, hi = 1.0;  // the axis range
    double step = 0.1;          // between ticks: 1, 2, 2.5 or 5 times a power of ten
    std::vector<double> ticks;  // the multiples of step within [lo, hi]
};

// Ticks at round numbers for data spanning [lo, hi], about `target` of them. With `widen` the
// range grows outwards to the neighbouring ticks; otherwise it stays as given. An empty or
// single-valued range is opened up around its value first.
AxisScale niceScale(double lo, double hi, int target = 5, bool widen = true);

// A tick's label: as many decimals as the step needs, no more; "-0" is written as "0".
std::string tickLabel(double value, double step);

}  // namespace quva::cli
