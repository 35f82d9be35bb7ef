#include "vessel_readings.h"

#include "body.h"

namespace quva {

Vec3 airVelocityAt(const Vessel &) { return {}; }

VesselReadings readVessel(const Vessel &v) {
    VesselReadings r;
    r.altitude = length(v.state.pos) - v.state.body->radius;
    r.groundSpeed = length(v.state.vel);
    r.airspeed = length(v.state.vel - airVelocityAt(v));
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
