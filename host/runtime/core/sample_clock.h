// When a run's telemetry takes its samples: the command's table and the Python package's record
// keep the same moments.
#pragma once

namespace quva {

// Takes a sample at every step, or, with an interval, at the first step at or after each multiple
// of the interval (the start, time 0, included).
class SampleClock {
public:
    explicit SampleClock(double interval = 0.0) : interval_(interval) {}
    // True when a sample is due at simulation time t; then advances to the next multiple.
    bool due(double t);

private:
    double interval_;
    double next_ = 0.0;
};

}  // namespace quva
