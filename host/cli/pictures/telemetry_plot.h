// The run's telemetry drawn as an SVG picture: altitude, descent rate and animation states
// against time, in three stacked panels that share the time axis, one colour per vessel.
#pragma once

#include <string>
#include <vector>

#include "telemetry/telemetry_history.h"

namespace quva::cli {

struct PlotInput {
    std::string title;     // the scenario's name
    std::string subtitle;  // e.g. the step length and the time span
    double tStart = 0.0, tEnd = 0.0;  // s, the run's span
    std::vector<VesselSeries> series;
};

std::string renderTelemetryPlot(const PlotInput &in);

}  // namespace quva::cli
