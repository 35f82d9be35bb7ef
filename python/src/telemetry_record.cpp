#include "telemetry_record.h"

#include <limits>

#include "core/vessel_readings.h"

namespace quva::python {

void TelemetryRecord::sample(const Simulation &sim) {
    const double t = sim.simTime();
    for (const auto &owned : sim.vessels()) {
        const Vessel &v = *owned;
        if (v.inert() || !v.state.body) continue;
        auto [it, added] = tracks_.try_emplace(v.name);
        if (added) order_.push_back(v.name);
        VesselTrack &track = it->second;
        const VesselReadings r = readVessel(v);
        track.time.push_back(t);
        track.altitude.push_back(r.altitude);
        track.speed.push_back(r.groundSpeed);
        track.airspeed.push_back(r.airspeed);
        track.verticalSpeed.push_back(r.verticalSpeed);
        track.drag.push_back(v.readout.drag);
        track.mass.push_back(v.mass());
        // A vessel that defines an animation late gets NaN for the samples before it.
        const std::size_t before = track.time.size() - 1;
        while (track.animations.size() < v.animations.size())
            track.animations.emplace_back(before, std::numeric_limits<double>::quiet_NaN());
        for (std::size_t a = 0; a < track.animations.size(); ++a)
            track.animations[a].push_back(a < v.animations.size() ? v.animations[a].state
                                                                  : std::numeric_limits<double>::quiet_NaN());
    }
}

}  // namespace quva::python
