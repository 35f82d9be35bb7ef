#include "run/run_options.h"

#include <cmath>
#include <iostream>
#include <variant>

namespace quva::cli {

namespace {

// The longest run accepted: far beyond any real one, it turns a slip in --dt, --until or --steps
// into an error instead of a run that never ends.
constexpr double kMaxSteps = static_cast<double>(kMaxRunSteps);

}  // namespace

std::string stepOptionsProblem(const RunOptions &o) {
    if (!(o.dt > 0.0) || !std::isfinite(o.dt)) return "--dt must be a positive number of seconds";
    if (o.until && (!std::isfinite(*o.until) || *o.until < 0.0)) return "--until must be a time of 0 s or more";
    if (o.steps && *o.steps < 0) return "--steps must be 0 or more";
    if (!std::isfinite(o.csvInterval) || o.csvInterval < 0.0) return "--csv-interval must be a time of 0 s or more";
    const double steps = o.steps ? static_cast<double>(*o.steps) : std::floor(o.until.value_or(60.0) / o.dt);
    if (steps > kMaxSteps)
        return "--dt, --until and --steps ask for more than " + std::to_string(static_cast<long long>(kMaxSteps)) + " steps";
    return {};
}

void warnOfLateEvents(const std::vector<GivenEvent> &events, double end, double dt) {
    std::string late;
    for (const GivenEvent &e : events) {
        const auto *timed = std::get_if<ScheduledEvent>(&e.event);
        if (timed && isAfterEnd(timed->t, end, dt)) late += (late.empty() ? "" : ", ") + e.text;
    }
    if (!late.empty()) std::cerr << "warning: events after the run's end (t = " << end << " s) are not applied: " << late << "\n";
}

}  // namespace quva::cli
