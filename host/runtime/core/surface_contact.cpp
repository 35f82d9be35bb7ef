#include "core/surface_contact.h"

#include <cmath>
#include <memory>
#include <vector>

#include "core/flight.h"
#include "core/landed_state.h"
#include "core/simulation.h"
#include "core/vessel.h"
#include "world/body.h"
#include "world/contact_propagator.h"
#include "world/spin_propagator.h"

namespace quva {

namespace {

// The deepest a point may sink in one sub-step at the first touch (m), and the sub-steps of a step.
constexpr double kImpactDepthPerSubstep = 0.1;
constexpr int kGroundSubsteps = 10;
// The test for rest: checks at least this long after it began or last saw the vessel move (s),
// the largest squared displacement (m²/s) and turn of the attitude's axis (rad/s) per second of
// rest that still count as rest, and how long the rest must last.
constexpr double kFirstCheckAfter = 0.1;
constexpr double kStillDisplacement = 1e-4;
constexpr double kStillTurn = 1e-4;
constexpr double kRestToLand = 5.0;

// The angle between the vector parts of two quaternions: how far the axis of the attitude moved.
double axisAngle(const Quat &a, const Quat &b) {
    const Vec3 u{a.x, a.y, a.z}, w{b.x, b.y, b.z};
    return std::atan2(length(cross(u, w)), dot(u, w));
}

ContactStepResult propagate(Vessel &v, RigidState &x, const std::vector<TouchdownVertex> &points, const Ground &ground,
                            const GroundStepLoads &loads, double dt) {
    ContactStepLoads l;
    l.mu = v.state.body->mu;
    l.force = v.state.attitude.transposeTimes(loads.force);
    l.mass = loads.mass;
    l.torquePerMass = loads.torque / loads.ownMass;
    l.spinMass = loads.ownMass;
    l.pmi = loads.pmi;
    return propagateInContact(x, points, ground, l, dt, contactSubsteps(points, l, dt, kGroundSubsteps));
}

// The vessel's velocity over the ground cut so that it comes down at most `limit` m/s.
Vec3 cappedImpact(const Vec3 &vel, const Vec3 &groundVel, const Vec3 &up, double limit) {
    const Vec3 relative = vel - groundVel;
    const double down = -dot(relative, up);
    if (down <= limit) return vel;
    return groundVel + relative * (limit / down);
}

// The simulator's test for rest, run after every step: it starts when the vessel touches the
// ground with no engine burning, and is given up when either stops. From 0.1 s after it began
// (or after the vessel last moved), every step compares the vessel's place on the planet and its
// attitude with those of the previous check; a vessel still for more than 5 s is landed.
void checkRest(Simulation &sim, Vessel &v, bool thrusting) {
    if (!v.groundContact || thrusting || v.heldBy) {
        v.rest.reset();
        return;
    }
    const PlanetOrientation &o = sim.orientation(*v.state.body);
    const Vec3 here = o.rotation.transposeTimes(v.state.pos);
    const double t = sim.simTime();
    if (!v.rest) {
        v.rest = std::make_unique<RestCheck>(RestCheck{t, here, v.state.orientation});
        return;
    }
    RestCheck &r = *v.rest;
    const double elapsed = t - r.since;
    if (elapsed < kFirstCheckAfter - 1e-9) return;
    const Vec3 moved = here - r.planetPos;
    const double turned = axisAngle(v.state.orientation, r.orientation);
    r.planetPos = here;
    r.orientation = v.state.orientation;
    if (dot(moved, moved) / elapsed > kStillDisplacement || turned / elapsed > kStillTurn) {
        r.since = t;
        return;
    }
    if (elapsed <= kRestToLand) return;
    // Frozen where it stands, as it stands: no levelling.
    v.rest.reset();
    settleLanded(v.state, o);
    v.state.omega = {};
    v.flight.angularAcceleration = {};
    sim.note(&v, "landed");
}

}  // namespace

void advanceOnGround(Simulation &sim, Vessel &v, const GroundStepLoads &loads, double dt) {
    FlightState &s = v.state;
    const Ground ground{s.body->radius, &sim.orientation(*s.body)};
    const RigidState start{s.pos, s.vel, s.orientation, s.omega};
    // The touchdown points from the point that is integrated.
    std::vector<TouchdownVertex> shifted;
    if (!(loads.centre == Vec3{})) {
        shifted = v.def.touchdown;
        for (TouchdownVertex &p : shifted) p.pos -= loads.centre;
    }
    const std::vector<TouchdownVertex> &points = shifted.empty() ? v.def.touchdown : shifted;
    RigidState x = start;
    const ContactStepResult first = propagate(v, x, points, ground, loads, dt);
    ContactStepResult result = first;
    if (first.touched && !v.groundContact) {
        // The first touch: a vessel faster than the springs can take in a sub-step is slowed.
        const Vec3 up = normalized(s.pos);
        const Vec3 capped = cappedImpact(s.vel, groundVelocityAt(ground, s.pos), up,
                                         kImpactDepthPerSubstep * kGroundSubsteps / dt);
        if (!(capped == s.vel)) {
            x = start;
            x.vel = capped;
            result = propagate(v, x, points, ground, loads, dt);
        }
    }
    SpinState spin{x.q, x.omega, result.alpha};
    limitSpin(spin);
    s.pos = x.pos;
    s.vel = x.vel;
    s.orientation = spin.q;
    s.attitude = matrixOf(spin.q);
    s.omega = spin.omega;
    v.flight.angularAcceleration = spin.alpha;
}

void noteGroundStep(Simulation &sim, Vessel &v, bool thrusting) {
    const bool touching = lowestPointAltitude(v) <= 0.0;
    if (touching && !v.groundContact) sim.note(&v, "ground contact");
    v.groundContact = touching;
    checkRest(sim, v, thrusting);
}

}  // namespace quva
