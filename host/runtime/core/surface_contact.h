// A vessel on or near the ground on its touchdown points: moved and turned under the ground's
// springs, dampers and friction, its ground contact kept up to date, and made landed once it has
// rested for long enough, as the simulator does.
#pragma once

#include <cmath>

#include "core/flight.h"
#include "core/vessel.h"
#include "world/vec3.h"

namespace quva {

class Simulation;

// What acts on the vessel through a step besides gravity and the ground, evaluated at its start.
struct GroundStepLoads {
    Vec3 force;          // N, global axes: thrust, air, added forces, those of held vessels too
    double mass = 1.0;   // kg, of the vessel with what it holds
    Vec3 torque;         // N m, vessel frame, rotation drag included
    double ownMass = 1.0;  // kg: what its torques turn (the vessel alone, or the combined body)
    // The point whose motion is integrated, from the vessel's origin in its axes: its centre of
    // mass when it flies with what it holds as one body, else the origin itself.
    Vec3 centre;
    Vec3 pmi;  // m², per unit mass, about that point
};

// Whether the vessel stands on touchdown points (at least three) that may reach the ground within
// the next dt: one already below it, or the lowest one closer than twice what the vessel's speed
// over the ground, its acceleration and its turn could carry it in the step. Far above the
// ground this costs one square root.
// Inline: it runs for every vessel on legs in every step.
inline bool mayTouchGround(const Vessel &v, double dt, double groundSpeed, const Vec3 &acceleration) {
    // Beyond twice the reach of the step, a little more for the rounding of what the bound leaves out.
    constexpr double kContactMargin = 0.01;  // m
    // |v| bounded from above without a square root.
    auto manhattan = [](const Vec3 &u) { return std::fabs(u.x) + std::fabs(u.y) + std::fabs(u.z); };
    if (v.def.touchdown.size() < 3) return false;
    const double lowest = lowestPointAltitude(v);
    if (lowest <= 0.0) return true;
    const double reach = groundSpeed * dt + 0.5 * manhattan(acceleration) * dt * dt +
                         v.def.touchdownReach * manhattan(v.state.omega) * dt;
    return lowest <= 2.0 * reach + kContactMargin;
}

// Advances the vessel by dt with the ground's push re-evaluated at every stage, the other loads
// held; its position is that of `loads.centre`. At the first touch a vessel coming down faster
// than 1 m per step (a tenth of a metre per sub-step) has its speed over the ground cut to that
// and the step made again.
void advanceOnGround(Simulation &sim, Vessel &v, const GroundStepLoads &loads, double dt);

// After such a step, with the vessel's position that of its origin again: its ground contact
// (noted in the timeline when it begins) and the test for rest, which may make it landed.
void noteGroundStep(Simulation &sim, Vessel &v, bool thrusting);

}  // namespace quva
