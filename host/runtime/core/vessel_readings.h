// What a vessel's instruments show: the readings that the telemetry table, the conditions of
// triggered events and the Python package all report, computed in this one place so that they
// agree with one another.
#pragma once

#include <optional>
#include <string_view>

#include "core/vessel.h"
#include "world/vec3.h"

namespace quva {

struct VesselReadings {
    double altitude = 0.0;       // m above the body's surface
    double groundSpeed = 0.0;    // m/s, relative to the ground below, which turns with the body
    double airspeed = 0.0;       // m/s, relative to the air around the vessel
    double verticalSpeed = 0.0;  // m/s, positive upwards
    // Where it is over its turning body, and how it moves over the ground there.
    double latitude = 0.0, longitude = 0.0;  // deg, longitude east in (-180, 180]
    Vec3 velocityEnu;                        // m/s east, north, up, relative to the turning ground
    // How it is turned against the local horizon: heading of the nose (+z) from north toward
    // east in [0, 360), pitch of the nose above the horizon, bank positive with the right side
    // (+x) down. A vessel standing on its tail is headed by its -y axis.
    double heading = 0.0, pitch = 0.0, bank = 0.0;  // deg
    Vec3 angularVelocity;  // rad/s, vessel axes: +x nose up, +y nose left, +z right side down
    double dynamicPressure = 0.0;  // Pa, ½ρv² of the air through which it moves
    double mach = 0.0;             // airspeed over the speed of sound; 0 where there is no air
};

// The velocity of the air at the vessel, relative to the body's centre on global axes: the air
// turns with the body (there is no wind), as the ground does.
Vec3 airVelocityAt(const Vessel &v);

// Readings of a vessel that flies (not inert, with a body).
VesselReadings readVessel(const Vessel &v);

// One reading by the name a condition or a script uses for it.
enum class Reading { Altitude, Airspeed, VerticalSpeed, Time };

// "alt"/"altitude", "airspeed", "vz"/"vertical_speed", "t"/"time"; nothing for any other name.
std::optional<Reading> readingNamed(std::string_view name);
const char *readingName(Reading r);

// The reading's value for the vessel at simulation time t.
double readingValue(Reading r, const Vessel &v, double t);

}  // namespace quva
