// The ground's push on a vessel standing or sliding on its touchdown points: a spring and a
// damper under every point that has sunk below the ground, and the ground's friction at it, as the
// simulator models them. The ground is flat: the sphere of the body's mean radius, turning with
// the planet.
#pragma once

#include <vector>

#include "world/planet_rotation.h"
#include "world/vec3.h"

namespace quva {

// A point of the vessel that meets the ground: held up by a spring and a damper, with the
// ground's friction at it.
struct TouchdownVertex {
    Vec3 pos;                // m, vessel frame
    double stiffness = 1e6;  // N/m
    double damping = 1e5;    // N s/m
    double mu = 0.5;         // lateral friction; every direction for points past the first three
    double muLng = 0.1;      // longitudinal friction of the first three points
};

// The points a vessel stands on when nothing defines its own: a nose point and two rear points,
// 2 m below its centre.
std::vector<TouchdownVertex> defaultTouchdownPoints();

// The distance of the farthest point from the vessel's centre, m.
double touchdownReach(const std::vector<TouchdownVertex> &points);

// The ground under a vessel: the body's mean radius and how the body turns.
struct Ground {
    double radius = 0.0;                          // m
    const PlanetOrientation *orientation = nullptr;  // null: a body that does not turn
};

// A vessel's state at one integrator stage.
struct ContactPose {
    Vec3 pos, vel;  // m, m/s: global axes, relative to the body's centre
    Mat3 attitude;  // vessel frame -> global frame
    Vec3 omega;     // rad/s, vessel axes
};

// What the ground does to the vessel, on the vessel's axes; the torque about its centre.
struct ContactLoad {
    Vec3 force, torque;
    bool touching = false;  // some point is below the ground
};

// The ground's velocity at `pos` (global axes): the planet's surface turning there.
Vec3 groundVelocityAt(const Ground &g, const Vec3 &pos);

// The ground's force and torque on the vessel in `pose`. The points are the vessel's touchdown
// points, the first three the primary ones that set its longitudinal direction (at least three).
// `mass` and `pmi` (per unit mass) bound what the friction and the torque may do in one
// sub-step of `h` seconds: the friction cannot reverse the centre's sliding within it, and the
// torque cannot turn the vessel by more than 10° within it.
ContactLoad groundContactLoad(const std::vector<TouchdownVertex> &points, const ContactPose &pose, const Ground &ground,
                              double mass, const Vec3 &pmi, double h);

}  // namespace quva
