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
    s.heading = r.heading;
    s.pitch = r.pitch;
    s.bank = r.bank;
    s.angularVelocity = r.angularVelocity;
    const Simulation *sim = Simulation::current();
    const Mat3 planet = sim && v.state.body ? sim->orientation(*v.state.body).rotation : Mat3{};
    s.body = v.state.body;
    s.planetPosition = planet.transposeTimes(v.state.pos);
    s.planetAttitude = planet.transposed() * v.state.attitude;
    s.animations.reserve(v.animations.size());
    for (const Animation &a : v.animations) s.animations.push_back(a.state);
    return s;
}

}  // namespace quva::cli
