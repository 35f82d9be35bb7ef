// Moving and turning a vessel together while it may touch the ground: the ground's force and
// torque depend on where the vessel is and how it is turned, so its translation and its rotation
// are advanced as one state, with the ground re-evaluated at every stage. As the simulator does
// in surface contact: the eighth-order Runge-Kutta table in ten sub-steps.
#pragma once

#include <vector>

#include "world/ground_contact.h"
#include "world/quaternion.h"

namespace quva {

// The state advanced: position and velocity (global axes, relative to the body's centre),
// attitude (vessel -> global) and rate of turn (vessel axes).
struct RigidState {
    Vec3 pos, vel;
    Quat q;
    Vec3 omega;
};

// What acts on the vessel through one step besides the ground.
struct ContactStepLoads {
    double mu = 0.0;      // m³/s², the body's gravitational parameter
    Vec3 force;           // N, vessel frame, held through the step (thrust, air, added forces)
    double mass = 1.0;    // kg, what the forces move
    Vec3 torquePerMass;   // N m/kg, vessel frame, held through the step
    double spinMass = 1.0;  // kg, what the ground's torque is divided by
    Vec3 pmi;             // m², per unit mass; a component not above 0 leaves the vessel unturned
};

struct ContactStepResult {
    bool touched = false;  // the ground pushed at some stage
    Vec3 alpha;            // rad/s², the angular acceleration at the end
};

// The sub-steps a step of dt needs: at least `fewest`, and as many more as keep the stiffest
// motion the springs and dampers allow (bouncing, or being damped, in height or in tilt) within
// the table's stability bound. The simulator's frames are short enough for its ten sub-steps;
// quva's longer steps would otherwise throw a vessel on stiff legs into the air.
int contactSubsteps(const std::vector<TouchdownVertex> &points, const ContactStepLoads &loads, double dt, int fewest);

// Advances `s` by dt in `substeps` sub-steps.
ContactStepResult propagateInContact(RigidState &s, const std::vector<TouchdownVertex> &points, const Ground &ground,
                                     const ContactStepLoads &loads, double dt, int substeps);

}  // namespace quva
