#include "core/sample_clock.h"

#include <cmath>

namespace quva {

bool SampleClock::due(double t) {
    if (!(interval_ > 0.0)) return true;
    // Simulation time is k·dt, which lands a rounding error off the multiples it should meet.
    const double tolerance = 1e-9 * std::fmax(1.0, std::fabs(t));
    if (t < next_ - tolerance) return false;
    next_ = (std::floor((t + tolerance) / interval_) + 1.0) * interval_;
    return true;
}

}  // namespace quva
