// Every vessel's readings at the start and at the end of every step, kept for a script to read
// as columns once the run is over.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/simulation.h"

namespace quva::python {

struct VesselTrack {
    std::vector<double> time, altitude, speed, airspeed, verticalSpeed, drag, mass;
    std::vector<std::vector<double>> animations;  // [animation][sample]; NaN before it existed
};

class TelemetryRecord {
public:
    // Adds one sample of every vessel that flies.
    void sample(const Simulation &sim);
    const std::map<std::string, VesselTrack> &tracks() const { return tracks_; }
    // The vessels in the order they first appeared.
    const std::vector<std::string> &order() const { return order_; }

private:
    std::map<std::string, VesselTrack> tracks_;
    std::vector<std::string> order_;
};

}  // namespace quva::python
