// The flight model: translation around a spherical body under gravity, the vessel's airfoils
// (or its cw drag when it has none) in the air turning with the planet, and the thrust of its
// engines, with the turning moments of all of these. Landed vessels turn with their planet.
// Translation is integrated to second order: two-step Adams-Bashforth where it is stable,
// explicit midpoint substeps where it is not (see advance); the turning by the simulator's
// propagators.
#pragma once

#include "world/vec3.h"

namespace quva {

class Simulation;
struct Vessel;

// Evaluates the forces at the vessel's current state into its readout (drag, force).
void evaluateForces(Simulation &sim, Vessel &v);

// Advances a free vessel by dt: position and velocity, propellant use, and ground contact when
// its lowest touchdown point (its centre when it has none) reaches the surface. A vessel on three
// or more points that may touch the ground in the step is moved and turned on their springs
// (core/surface_contact); one with fewer stops where it touches. The readout is left at the new
// state.
void advance(Simulation &sim, Vessel &v, double dt);

// Places an attached vessel at its parent's attachment point, with the parent's velocity.
void followParent(Vessel &child);

// Moves a held vessel through a step with its holder: placed at the holder's point, its added
// forces spent (they count for the holder only in a combined assembly), its engines burning their
// propellant, its forces evaluated at its new place.
void carryHeld(Simulation &sim, Vessel &held, double dt);

// The velocity a held vessel leaves its holder with: the holder's, plus the motion of the point
// where it is held as the holder turns.
Vec3 releaseVelocity(const Vessel &child, const Vessel &holder);

// Height of the vessel's lowest touchdown point (or centre) above the surface, m.
double lowestPointAltitude(const Vessel &v);

}  // namespace quva
