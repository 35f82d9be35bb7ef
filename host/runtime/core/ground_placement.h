// Placing a vessel by where it is over its planet, as a person would give it: latitude,
// longitude and altitude, velocity east, north and up relative to the turning air (or ground),
// heading, pitch and bank against the horizon, and its rates of turn. The exact inverse of the
// readings (core/vessel_readings.h): a vessel placed so reads back what it was given.
#pragma once

#include <optional>

#include "core/vessel.h"
#include "world/body.h"
#include "world/planet_rotation.h"

namespace quva {

struct GroundPlacement {
    const Body *body = nullptr;                    // null: the Earth
    double latitude = 0.0, longitude = 0.0;        // deg
    // m of the vessel's origin above the mean radius. A landed vessel without one stands level on
    // its touchdown points.
    std::optional<double> altitude;
    Vec3 velocityEnu;                              // m/s east, north, up
    // What the velocity is relative to. The air turns with the planet (there is no wind), so
    // both give the same velocity today; a script says which one it means.
    enum class Reference { Air, Ground };
    Reference relativeTo = Reference::Air;
    double heading = 0.0, pitch = 0.0, bank = 0.0;  // deg, as the readings give them
    Vec3 angularVelocity;                          // rad/s, vessel axes
    bool landed = false;
};

// The problem with a placement, or empty: numbers that are not finite, a latitude beyond ±90°,
// a vessel in flight without an altitude or below the surface, a landed one that moves.
std::string placementProblem(const GroundPlacement &p);

// Sets the vessel's flight state (body, position, velocity, attitude, rates of turn, landed
// record) from the placement, with the body oriented as `o`. The placement must have no problem.
void placeOverGround(Vessel &v, const GroundPlacement &p, const PlanetOrientation &o);

}  // namespace quva
