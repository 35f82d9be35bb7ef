// What a run is asked to do on the command line: its options, the checks they must pass before
// anything starts, and the events it was given.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/event_options.h"

namespace quva::cli {

struct RunOptions {
    std::string scenario;
    double dt = 0.1;
    std::optional<long long> steps;
    std::optional<double> until;
    std::optional<std::string> save, trace, csv, plot, replay;
    double csvInterval = 0.0;
    std::vector<std::string> releases;
    std::vector<std::string> keys;
    bool keepUnknown = false;
    bool noRefuelOnPad = false;
    std::string assembly = "simulator";  // or "combined"
};

// The usage error in the step options (--dt, --steps, --until, --csv-interval), or empty.
std::string stepOptionsProblem(const RunOptions &o);

// An event given on the command line, with its text for messages.
struct GivenEvent {
    RunEvent event;  // at a time, or when a condition holds
    std::string text;  // "--release 5:Drogue"
};

// The events that fall after the run's end (t = `end`) are never applied, which a person should be
// told rather than find out from the results: a warning on standard error lists them.
void warnOfLateEvents(const std::vector<GivenEvent> &events, double end, double dt);

}  // namespace quva::cli
