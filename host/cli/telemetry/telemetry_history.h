// The run's telemetry kept for plotting: per vessel, an evenly thinned series of at most
// kMaxPoints samples, so that a long run gives a plot of the same size as a short one.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "telemetry/telemetry.h"

namespace quva::cli {

struct VesselSeries {
    std::string name;
    std::vector<VesselSample> points;  // in time order; the vessel's last sample is the last point
    std::optional<double> removedAt;   // s, the end of the step that removed the vessel
};

class TelemetryHistory : public TelemetrySink {
public:
    static constexpr std::size_t kMaxPoints = 2000;

    void add(const Vessel &v, const VesselSample &s) override;
    // Notes the vessels seen so far that the simulation no longer has, at its current time.
    void noteRemovals(const Simulation &sim);

    // The series, in the order the vessels were first seen.
    std::vector<VesselSeries> series() const;

private:
    struct Track {
        int id = 0;
        VesselSeries series;
        std::size_t stride = 1;  // every stride-th sample is kept
        std::size_t seen = 0;
        VesselSample last;       // kept too when the stride skips it
        bool lastKept = false;
    };
    std::vector<Track> tracks_;
};

}  // namespace quva::cli
