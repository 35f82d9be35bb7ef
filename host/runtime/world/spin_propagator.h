// The turning of a rigid body: Euler's equations with the inertia per unit mass, integrated with
// the attitude quaternion by the simulator's propagators (Runge-Kutta of order 2 to 8, chosen per
// step by the step's length and the angle turned in it, with up to 10 sub-steps).
#pragma once

#include "world/quaternion.h"
#include "world/vec3.h"

namespace quva {

// What the integrator advances. `alpha` is the angular acceleration at the end of the previous
// sub-step, kept from one step to the next and used as the first stage of the next sub-step; it
// is zero for a body that has just been placed.
struct SpinState {
    Quat q;       // vessel -> global
    Vec3 omega;   // rad/s, vessel axes: +x nose up, +y nose left, +z right side down
    Vec3 alpha;   // rad/s²
};

enum class SpinMethod { RK2, RK4, RK6, RK8 };

struct SpinChoice {
    SpinMethod method = SpinMethod::RK2;
    int substeps = 1;
};

// The propagator for a step of dt seconds turning at `rate` rad/s at its start: the lowest level
// whose time and angle limits the step stays under, and as many sub-steps (at most 10) as its
// time and angle targets ask for. A body in surface contact is always stepped with RK8 x 10.
SpinChoice chooseSpin(double dt, double rate, bool surfaceContact);

// ω̇ = (T/m − (I ω) × ω) / I component-wise, with I the inertia per unit mass and T/m the torque
// per unit mass, in the plain component order of the cross product.
// Inline: several calls a step for every turning vessel.
inline Vec3 spinAcceleration(const Vec3 &pmi, const Vec3 &w, const Vec3 &tpm) {
    return {(tpm.x - (pmi.y - pmi.z) * w.y * w.z) / pmi.x, (tpm.y - (pmi.z - pmi.x) * w.z * w.x) / pmi.y,
            (tpm.z - (pmi.x - pmi.y) * w.x * w.y) / pmi.z};
}

// Advances s by dt under a torque per unit mass held constant through the step. After every
// sub-step the stored acceleration is refreshed at the new state.
void propagateSpin(SpinState &s, const Vec3 &pmi, const Vec3 &torquePerMass, double dt, SpinChoice choice);

// The limit the simulator keeps the rate of turn under (rad/s), and what it does after a step:
// a faster turn is scaled down to it (and the stored acceleration cleared); a state that is no
// longer finite is replaced by a turn at that limit about +z from the identity attitude.
constexpr double kMaxSpinRate = 100.0 * 3.14159265358979323846;
void limitSpin(SpinState &s);

}  // namespace quva
