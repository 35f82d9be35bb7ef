// The forces and turning moments on one vessel at a given state: its airfoils (or its cw drag
// when it has none) in the air turning with the planet, its engines' thrust, a module's added
// forces, and the air's resistance to turning.
#pragma once

#include "world/vec3.h"

namespace quva {

class Simulation;
struct Vessel;

// The turning moments of one evaluation: torque (vessel frame) and the rotation drag's
// coefficients, applied against the rate of turn at the start of the step. With airfoils the
// coefficients are in N m s and capped; without, they are per kilogram of the vessel's mass.
struct Torques {
    Vec3 torque;
    double rotDragScale = 0.0;  // times the definition's rotDrag
    bool capped = false;
};

// A point force F at vessel point r turns the vessel by F x r, in the simulator's order.
inline Vec3 momentOf(const Vec3 &force, const Vec3 &point) { return cross(force, point); }

// Non-gravitational force (global frame) at position pos and velocity vel. The air turns with
// the planet, so the airfoils and the drag see the velocity relative to it. With `torques`, also
// the turning moments at that state. `drag` receives the drag's magnitude.
Vec3 forcesAt(Simulation &sim, Vessel &v, const Vec3 &pos, const Vec3 &vel, double *drag, Torques *torques = nullptr);

}  // namespace quva
