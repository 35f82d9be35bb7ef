// A progress bar for long runs, on standard error when that is a terminal. It appears only once
// the run has taken two seconds of wall time, is redrawn at most ten times a second, and is wiped
// when the run ends, so that short runs and redirected output look as if it did not exist.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace quva::cli {

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    // `total`: the amount of work (simulation seconds or steps); `unit` names it ("s", "steps").
    ProgressBar(double total, std::string unit, std::FILE *out = stderr);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    void update(double done) { update(done, Clock::now()); }
    void update(double done, Clock::time_point now);
    void finish();  // wipes the bar if it was shown

private:
    std::FILE *out_;
    double total_;
    std::string unit_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_, lastDraw_;
};

// The bar's text for `done` of `total`, without the carriage return.
std::string progressLine(double done, double total, const std::string &unit, double elapsedSeconds);

}  // namespace quva::cli
