#include "core/vessel_readings.h"

#include "core/simulation.h"
#include "world/body.h"
#include "world/planet_rotation.h"

namespace quva {

Vec3 airVelocityAt(const Vessel &v) {
    const Simulation *sim = Simulation::current();
    if (!sim || !v.state.body) return {};
    return airVelocityAt(sim->orientation(*v.state.body), v.state.pos);
}

VesselReadings readVessel(const Vessel &v) {
    VesselReadings r;
    r.altitude = length(v.state.pos) - v.state.body->radius;
    // Without wind the air moves with the ground, so the two speeds agree; they are kept apart
    // because they mean different things to a reader.
    const Vec3 air = airVelocityAt(v);
    r.groundSpeed = length(v.state.vel - air);
    r.airspeed = r.groundSpeed;
    r.verticalSpeed = dot(v.state.vel, normalized(v.state.pos));
    return r;
}

std::optional<Reading> readingNamed(std::string_view name) {
    if (name == "alt" || name == "altitude") return Reading::Altitude;
    if (name == "airspeed") return Reading::Airspeed;
    if (name == "vz" || name == "vertical_speed") return Reading::VerticalSpeed;
    if (name == "t" || name == "time") return Reading::Time;
    return std::nullopt;
}

const char *readingName(Reading r) {
    switch (r) {
    case Reading::Altitude: return "altitude";
    case Reading::Airspeed: return "airspeed";
    case Reading::VerticalSpeed: return "vertical_speed";
    case Reading::Time: return "time";
    }
    return "?";
}

double readingValue(Reading r, const Vessel &v, double t) {
    if (r == Reading::Time) return t;
    const VesselReadings now = readVessel(v);
    switch (r) {
    case Reading::Altitude: return now.altitude;
    case Reading::Airspeed: return now.airspeed;
    case Reading::VerticalSpeed: return now.verticalSpeed;
    case Reading::Time: break;
    }
    return t;
}

}  // namespace quva
