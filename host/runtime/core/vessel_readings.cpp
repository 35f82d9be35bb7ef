#include "core/vessel_readings.h"

#include <cmath>

#include "core/simulation.h"
#include "world/atmosphere_table.h"
#include "world/attitude_angles.h"
#include "world/body.h"
#include "world/landed_attitude.h"
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

// Heading, pitch and bank (deg) of a vessel turned by `toPlanet` (vessel frame to planet-fixed)
// at (lon, lat) rad.
void readAttitude(const Mat3 &toPlanet, double lon, double lat, VesselReadings &r) {
    const Vec3 up = planetFixedPoint(lon, lat, 1.0);
    const Vec3 nose = toPlanet * Vec3{0.0, 0.0, 1.0};
    const Vec3 top = toPlanet * Vec3{0.0, 1.0, 0.0};
    const Vec3 right = toPlanet * Vec3{1.0, 0.0, 0.0};
    r.heading = headingOf(toPlanet, lon, lat) / kRadPerDeg;
    r.pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, dot(nose, up)))) / kRadPerDeg;
    r.bank = std::atan2(-dot(right, up), dot(top, up)) / kRadPerDeg;
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
    const Vec3 east{-std::sin(lon), 0.0, std::cos(lon)};
    const Vec3 north{-std::sin(lat) * std::cos(lon), std::cos(lat), -std::sin(lat) * std::sin(lon)};
    const Vec3 up = planetFixedPoint(lon, lat, 1.0);
    const Vec3 ground = planet.transposeTimes(overGround);
    r.velocityEnu = {dot(ground, east), dot(ground, north), dot(ground, up)};

    readAttitude(planet.transposed() * s.attitude, lon, lat, r);
    r.angularVelocity = s.vrot * kRadPerDeg;

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
