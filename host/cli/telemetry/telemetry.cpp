#include "telemetry/telemetry.h"

#include <cmath>

#include "core/vessel_readings.h"

namespace quva::cli {

bool reportsFlight(const Vessel &v) { return !v.inert() && v.state.body; }

VesselSample sampleVessel(const Vessel &v, double t) {
    VesselSample s;
    s.t = t;
    const VesselReadings r = readVessel(v);
    s.altitude = r.altitude;
    s.speed = r.groundSpeed;
    s.verticalSpeed = r.verticalSpeed;
    s.drag = v.readout.drag;
    s.mass = v.mass();
    s.animations.reserve(v.animations.size());
    for (const Animation &a : v.animations) s.animations.push_back(a.state);
    return s;
}

bool SampleClock::due(double t) {
    if (!(interval_ > 0.0)) return true;
    // Simulation time is k·dt, which lands a rounding error off the multiples it should meet.
    const double tolerance = 1e-9 * std::fmax(1.0, std::fabs(t));
    if (t < next_ - tolerance) return false;
    next_ = (std::floor((t + tolerance) / interval_) + 1.0) * interval_;
    return true;
}

}  // namespace quva::cli
