// Landed vessels ride their planet: their place is fixed in the planet's frame, and their global
// position, velocity and attitude follow the planet's rotation.
#pragma once

#include "core/vessel.h"
#include "world/landed_attitude.h"
#include "world/planet_rotation.h"

namespace quva {

// The record of a vessel at (lon, lat) rad, its origin `alt` m above the mean radius `radius`,
// turned by `landRot` against the planet.
SurfaceFix surfaceFix(double lon, double lat, double alt, const Mat3 &landRot, double radius,
                      const PlanetOrientation &o);

// How the vessel stands on its first three touchdown points at load: their plane, the points
// compressed by the vessel's weight on its body. The weight is that of the mass it has while its
// scenario block is read: none for a vessel of a configuration alone without stores.
RestingGeometry restingOnLegs(const Vessel &v, const Body &body);

// Sets the global position, velocity and attitude of a landed vessel from its record.
void rideSurface(FlightState &s, const PlanetOrientation &o);

// Makes a vessel that has come to rest landed where it stands: its place, attitude against the
// planet and heading are taken from its global state; it then moves with the surface.
void settleLanded(FlightState &s, const PlanetOrientation &o);

}  // namespace quva
