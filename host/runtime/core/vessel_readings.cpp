#include "core/vessel_readings.h"

#include <cmath>

#include "core/simulation.h"
#include "world/atmosphere_table.h"
#include "world/attitude_angles.h"
#include "world/body.h"
#include "world/local_horizon.h"
#include "world/planet_rotation.h"

namespace quva {

Vec3 airVelocityAt(const Vessel &v) {
    const Simulation *sim = Simulation::current();
    if (!sim || !v.state.body) return {};
    return airVelocityAt(sim->orientation(*v.state.body), v.state.pos);
}

namespace {

// The planet-fixed frame of the vessel's body now: the identity when no simulation is current.
Mat3 planetRotation(const Vessel &v) {
    const Simulation *sim = Simulation::current();
    return sim && v.state.body ? sim->orientation(*v.state.body).rotation : Mat3{};
}

}  // namespace

VesselReadings readVessel(const Vessel &v) {
    VesselReadings r;
    const FlightState &s = v.state;
    r.altitude = length(s.pos) - s.body->radius;
    // Without wind the air moves with the ground, so the two speeds agree; they are kept apart
    // because they mean different things to a reader.
    const Vec3 air = airVelocityAt(v);
    const Vec3 overGround = s.vel - air;
    r.groundSpeed = length(overGround);
    r.airspeed = r.groundSpeed;
    r.verticalSpeed = dot(s.vel, normalized(s.pos));

    const Mat3 planet = planetRotation(v);
    const Vec3 local = planet.transposeTimes(s.pos);
    const double radius = length(local);
    const double lat = radius > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, local.y / radius))) : 0.0;
    const double lon = std::atan2(local.z, local.x);
    r.latitude = lat / kRadPerDeg;
    r.longitude = lon / kRadPerDeg;
    r.velocityEnu = localHorizon(lon, lat).components(planet.transposeTimes(overGround));

    const HeadingPitchBank angles = headingPitchBank(planet.transposed() * s.attitude, lon, lat);
    r.heading = angles.heading / kRadPerDeg;
    r.pitch = angles.pitch / kRadPerDeg;
    r.bank = angles.bank / kRadPerDeg;
    r.angularVelocity = s.omega;

    const AirSample a = airAt(*s.body, r.altitude);
    r.dynamicPressure = 0.5 * a.density * r.airspeed * r.airspeed;
    r.mach = a.speedOfSound > 0.0 ? r.airspeed / a.speedOfSound : 0.0;
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
    // Only what the reading needs: a condition is looked at in every step.
    switch (r) {
    case Reading::Altitude: return length(v.state.pos) - v.state.body->radius;
    case Reading::Airspeed: return length(v.state.vel - airVelocityAt(v));
    case Reading::VerticalSpeed: return dot(v.state.vel, normalized(v.state.pos));
    case Reading::Time: break;
    }
    return t;
}

}  // namespace quva
