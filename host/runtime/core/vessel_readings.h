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
