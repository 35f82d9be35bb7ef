// The flight model: translation around a spherical body under gravity, the vessel's airfoils
// (or its cw drag when it has none) in the air turning with the planet, and the thrust of its
// engines; attitude is held fixed. Landed vessels turn with their planet. Integrated to second order: two-step Adams-Bashforth where it is stable, explicit
// midpoint substeps where it is not (see advance).
#pragma once

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

// Height of the vessel's lowest touchdown point (or centre) above the surface, m.
double lowestPointAltitude(const Vessel &v);

}  // namespace quva
