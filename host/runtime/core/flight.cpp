#include "core/flight.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/host_call.h"
#include "core/landed_state.h"
#include "core/simulation.h"
#include "core/trace.h"
#include "core/surface_contact.h"
#include "core/vessel.h"
#include "core/vessel_forces.h"
#include "world/atmosphere_table.h"
#include "world/body.h"
#include "world/composite_body.h"
#include "world/spin_propagator.h"

namespace quva {

namespace {

struct Derivative {
    Vec3 dpos, dvel;
};

Vec3 gravity(const Body &body, const Vec3 &pos) {
    double r = length(pos);
    if (r <= 0.0) return {};
    return pos * (-body.mu / (r * r * r));
}

// The vessels that the vessel holds, directly or through others, with their offsets from it, in
// the order of a walk down each attachment point in turn. Walked with a list of its own rather
// than recursion, so an assembly may be any number of levels deep.
void collectHeld(const Vessel &v, std::vector<std::pair<Vessel *, Vec3>> &out, const Vec3 &rootPos) {
    std::vector<Vessel *> pending;
    auto pushHeldBy = [&pending](const Vessel &holder) {
        const std::size_t mark = pending.size();
        for (const auto &a : holder.attachments)
            if (!a->toParent && a->peer) pending.push_back(a->peer->owner);
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(mark), pending.end());
    };
    pushHeldBy(v);
    while (!pending.empty()) {
        Vessel *child = pending.back();
        pending.pop_back();
        out.emplace_back(child, child->state.pos - rootPos);
        pushHeldBy(*child);
    }
}

// A vessel and the vessels it holds. As the simulator flies them only the holder counts: its
// mass, its forces. Combined, they move as one rigid body: the masses and forces add up, and the
// moments too, about the common centre of mass.
struct Assembly {
    Vessel *root = nullptr;
    bool combined = false;
    // With their offsets (global axes) from the point whose motion is integrated: the holder's
    // origin, or in a combined assembly its centre of mass.
    std::vector<std::pair<Vessel *, Vec3>> held;
    Vec3 holderOffset;  // of the holder's origin from that point
    bool partsMoveWithTurn = true;  // the parts meet the air with their turning (combined only)
    double mass = 0.0;
    Vec3 centreOfMass;  // m, holder's axes from its origin (combined only)
    Vec3 pmi;           // m², about the centre of mass (combined only)
};

// The parts of a combined assembly, their masses and where they sit and point in the holder's axes.
void combineParts(Assembly &a) {
    const Vessel &root = *a.root;
    const Mat3 &r = root.state.attitude;
    std::vector<BodyPart> parts;
    parts.reserve(a.held.size() + 1);
    parts.push_back(BodyPart{root.mass(), root.inertia(), Mat3{}, Vec3{}});
    for (const auto &[v, offset] : a.held)
        parts.push_back(BodyPart{v->mass(), v->inertia(), r.transposed() * v->state.attitude, r.transposeTimes(offset)});
    const CompositeBody body = combine(parts);
    a.mass = body.mass;
    a.centreOfMass = body.centreOfMass;
    a.pmi = body.pmi;
}

// The assembly's force (global axes) at the given state. With `torques`, the turning moments: the
// holder's own, and in a combined assembly those of every part with its forces' moments about the
// common centre of mass.
Vec3 assemblyForce(Simulation &sim, Assembly &a, const Vec3 &pos, const Vec3 &vel, Torques *torques = nullptr) {
    if (!a.combined) return forcesAt(sim, *a.root, pos, vel, nullptr, torques);
    // Each part meets the air with the velocity of its place on the turning body: a canopy
    // swinging about the centre of mass is met by the air from the side, which damps the swing.
    const Mat3 &r = a.root->state.attitude;
    const Vec3 &w = a.root->state.omega;
    auto velocityAt = [&](const Vec3 &offset) {
        return a.partsMoveWithTurn ? vel + r * cross(r.transposeTimes(offset), w) : vel;
    };
    Vec3 f = forcesAt(sim, *a.root, pos + a.holderOffset, velocityAt(a.holderOffset), nullptr, torques);
    if (torques) torques->torque += momentOf(r.transposeTimes(f), -a.centreOfMass);
    for (auto &[v, offset] : a.held) {
        Torques own;
        const Vec3 part = forcesAt(sim, *v, pos + offset, velocityAt(offset), nullptr, torques ? &own : nullptr);
        f += part;
        if (torques)
            torques->torque += r.transposeTimes(v->state.attitude * own.torque) +
                               momentOf(r.transposeTimes(part), r.transposeTimes(offset));
    }
    return f;
}

// The air's damping of a combined assembly's swing is strong where its parts sit far from the
// centre of mass, and the step holds it for the whole step: like the rotation drag, it is kept
// to what stops the turn about an axis in one step, so that it cannot drive a growing swing.
void limitSwingDamping(Simulation &sim, Assembly &a, Torques &t, double dt) {
    const Vec3 &w = a.root->state.omega;
    if (w == Vec3{}) return;
    Torques still;
    {
        Trace::Paused quiet(sim.trace());  // the same coefficients once more: no part of the run
        a.partsMoveWithTurn = false;
        assemblyForce(sim, a, a.root->state.pos, a.root->state.vel, &still);
        a.partsMoveWithTurn = true;
    }
    auto limit = [&](double with, double without, double rate, double pmi) {
        const double damping = with - without;
        const double most = pmi * a.mass * std::fabs(rate) / dt;
        if (damping * rate >= 0.0 || std::fabs(damping) <= most) return with;
        return without - std::copysign(most, rate);
    };
    t.torque = {limit(t.torque.x, still.torque.x, w.x, a.pmi.x), limit(t.torque.y, still.torque.y, w.y, a.pmi.y),
                limit(t.torque.z, still.torque.z, w.z, a.pmi.z)};
}

Derivative derivative(const Assembly &a, const Vec3 &pos, const Vec3 &vel, const Vec3 &force) {
    return {vel, gravity(*a.root->state.body, pos) + force / a.mass};
}

// Whether any engine burns (it has a level and propellant to feed it).
bool thrustPushes(const Vessel &v) {
    for (const auto &t : v.thrusters)
        if (t->level > 0.0 && t->maxThrust > 0.0 && (!t->tank || t->tank->mass > 0.0)) return true;
    return false;
}

void consumePropellant(Vessel &v, double dt) {
    for (const auto &t : v.thrusters) {
        if (t->level <= 0.0 || !t->tank || t->tank->mass <= 0.0) continue;
        double isp = t->isp0;
        if (isp <= 0.0) continue;
        double f = t->level * t->maxThrust;
        t->tank->mass = std::fmax(0.0, t->tank->mass - f / (isp * std::fmax(t->tank->efficiency, 1e-9)) * dt);
    }
}

// A vessel without legs to stand on (fewer than three touchdown points; its centre when it has
// none) stops where its lowest point reaches the ground, lifted onto the surface, and from then
// on stands landed, turning with the planet. One on legs leaves ground contact when it rises
// clear of the ground in a step made without it.
void settleOnSurface(Simulation &sim, Vessel &v) {
    if (v.def.touchdown.size() >= 3) {
        if (v.groundContact && lowestPointAltitude(v) > 0.0) {
            v.groundContact = false;
            v.rest.reset();  // the test for rest starts afresh at the next touch
        }
        return;
    }
    double lowest = lowestPointAltitude(v);
    if (lowest > 0.0) return;
    Vec3 up = normalized(v.state.pos);
    if (length(up) == 0.0) up = {0.0, 0.0, 1.0};
    v.state.pos += up * -lowest;
    settleLanded(v.state, sim.orientation(*v.state.body));
    // The ground holds it still: it stops turning.
    v.state.omega = {};
    v.flight.angularAcceleration = {};
    if (!v.groundContact) sim.note(&v, "ground contact");
    v.groundContact = true;
}

}  // namespace

double lowestPointAltitude(const Vessel &v) {
    const Body &body = *v.state.body;
    // No touchdown point lies farther from the centre than this: far above the ground the
    // centre's altitude settles the question without a square root per point.
    double centre = length(v.state.pos) - body.radius;
    if (centre > v.def.touchdownReach + 1.0) return centre - v.def.touchdownReach;
    if (v.def.touchdown.empty()) return centre;
    double lowest = INFINITY;
    for (const TouchdownVertex &tp : v.def.touchdown)
        lowest = std::fmin(lowest, length(v.state.pos + v.state.attitude * tp.pos) - body.radius);
    return lowest;
}

void evaluateForces(Simulation &sim, Vessel &v) {
    double drag = 0.0;
    Torques t;
    v.readout.force = forcesAt(sim, v, v.state.pos, v.state.vel, &drag, &t);
    v.readout.torque = t.torque;
    v.readout.rotDragScale = t.rotDragScale;
    v.readout.rotDragCapped = t.capped;
    v.readout.drag = drag;
    v.readout.forceValid = true;
    v.readout.airspeed = length(v.state.vel - airVelocityAt(sim.orientation(*v.state.body), v.state.pos));
}

namespace {

// One step of the explicit midpoint method, from the force f0 at the start.
void midpointStep(Simulation &sim, Assembly &a, const Vec3 &f0, double h) {
    FlightState &s = a.root->state;
    Derivative k1 = derivative(a, s.pos, s.vel, f0);
    Vec3 pm = s.pos + k1.dpos * (0.5 * h), vm = s.vel + k1.dvel * (0.5 * h);
    Derivative k2 = derivative(a, pm, vm, assemblyForce(sim, a, pm, vm));
    s.pos += k2.dpos * h;
    s.vel += k2.dvel * h;
}

// How strongly the air damps the motion over one step: the product of the step and the rate at
// which a drag force proportional to v² relaxes the speed through the air, 2|F|/(m|v|). Explicit
// methods need it small. Squared, to spare two square roots on every step of every vessel.
double dampingPerStepSquared(const Vec3 &force, double mass, double airspeed, double dt) {
    double speed2 = airspeed * airspeed;
    if (speed2 <= 0.0) return 0.0;
    return 4.0 * dot(force, force) * dt * dt / (mass * mass * speed2);
}

void clearAddedForces(Vessel &v) {
    if (!v.flight.forceAdded) return;
    v.added.force = {};
    v.added.torque = {};
    v.flight.forceAdded = false;
}

// The torque of the step: the evaluated moments less the rotation drag against the present turn.
Vec3 stepTorque(const Torques &t, const Vec3 &rotDrag, const Vec3 &omega, const Vec3 &inertia, double mass,
                double dt) {
    auto drag = [&](double r, double pmi, double w) {
        const double coeff = t.rotDragScale * r;
        if (w == 0.0 || coeff == 0.0) return 0.0;
        return (t.capped ? std::fmin(coeff, pmi * mass / dt) : coeff * mass) * w;
    };
    return t.torque - Vec3{drag(rotDrag.x, inertia.x, omega.x), drag(rotDrag.y, inertia.y, omega.y),
                           drag(rotDrag.z, inertia.z, omega.z)};
}

// The torque held through the step (rotation drag included), kept for the modules to read back.
Vec3 heldTorque(Vessel &v, const Torques &t, const Vec3 &inertia, double mass, double dt) {
    FlightMemory &m = v.flight;
    const Vec3 torque = stepTorque(t, v.def.rotDrag, v.state.omega, inertia, mass, dt);
    // Written only when there is something to keep.
    const bool torqued = !(torque == Vec3{});
    if (torqued || m.torqued) v.added.lastTorque = torque;
    m.torqued = torqued;
    return torque;
}

// Turns the vessel through the step under a torque held for the whole step (the simulator's
// propagators; see world/spin_propagator). A vessel at rest in attitude under no torque is left
// exactly as it is.
void turn(Vessel &v, const Torques &t, const Vec3 &inertia, double bodyMass, double dt) {
    FlightState &s = v.state;
    FlightMemory &m = v.flight;
    if (s.omega == Vec3{} && m.angularAcceleration == Vec3{} && t.torque == Vec3{}) {
        // At rest in attitude under no torque (the rotation drag needs a turn): nothing changes.
        if (m.torqued) v.added.lastTorque = {};
        m.torqued = false;
        return;
    }
    const double mass = bodyMass > 0.0 ? bodyMass : 1.0;
    const Vec3 torque = heldTorque(v, t, inertia, mass, dt);
    if (!(inertia.x > 0.0 && inertia.y > 0.0 && inertia.z > 0.0)) return;  // no body to turn
    SpinState spin{s.orientation, s.omega, m.angularAcceleration};
    propagateSpin(spin, inertia, torque / mass, dt, chooseSpin(dt, length(s.omega), false));
    limitSpin(spin);
    s.orientation = spin.q;
    s.omega = spin.omega;
    m.angularAcceleration = spin.alpha;
    s.attitude = matrixOf(spin.q);
}

constexpr double kAdamsBashforthLimit = 0.5;  // of its stability bound, 1, on damped motion
constexpr double kMidpointLimit = 1.0;        // of its stability bound, 2
constexpr int kMaxSubsteps = 1000;

}  // namespace

// A free vessel advances with the two-step Adams–Bashforth method: second order, and one force
// evaluation per step, the one at the step's end that also serves GetDrag. Where it cannot be
// used (the first step after a change of state, a combined assembly, or air damping the
// motion too strongly for the step length) the step is made with the midpoint method instead,
// split into as many substeps as the damping needs to stay stable.
void advance(Simulation &sim, Vessel &v, double dt) {
    if (v.state.landed && (thrustPushes(v) || v.flight.forceAdded)) {
        // An engine at work or a module's added force lifts the vessel off: it flies on from
        // where the ground carried it.
        v.state.landed = false;
        v.state.turnsWithBody = false;
        // On legs it still stands on the ground until it has risen clear of it.
        v.groundContact = v.def.touchdown.size() >= 3;
        sim.note(&v, "lift-off");
        v.readout.forceValid = false;
        // It starts turning from rest, from the attitude the ground gave it.
        v.state.setAttitude(v.state.attitude);
        v.state.omega = {};
        v.flight.angularAcceleration = {};
    }
    if (v.state.landed) {
        rideSurface(v.state, sim.orientation(*v.state.body));
        v.readout.drag = 0.0;
        v.readout.airspeed = 0.0;
        v.readout.force = {};
        v.readout.forceValid = false;
        v.flight.previousValid = false;
        return;
    }
    Assembly a;
    a.root = &v;
    a.combined = v.holding > 0 && sim.options().assembly == AssemblyModel::Combined;
    const double ownMass = v.mass();
    a.mass = ownMass;
    if (a.combined) {
        collectHeld(v, a.held, v.state.pos);
        combineParts(a);
        // The body's centre of mass moves under the forces; the holder's origin goes round it.
        const Vec3 toCentre = v.state.attitude * a.centreOfMass;
        v.state.pos += toCentre;
        a.holderOffset = -toCentre;
        for (auto &held : a.held) held.second -= toCentre;
    }
    if (a.mass <= 0.0) a.mass = 1.0;
    FlightState &s = v.state;
    const bool alone = !a.combined;
    const bool readoutHolds = alone && v.readout.forceValid && !v.flight.forceAdded;  // evaluated at this state already
    Torques t0;
    Vec3 f0;
    if (readoutHolds) {
        f0 = v.readout.force;
        t0 = Torques{v.readout.torque, v.readout.rotDragScale, v.readout.rotDragCapped};
    } else {
        f0 = assemblyForce(sim, a, s.pos, s.vel, &t0);
        if (a.combined) limitSwingDamping(sim, a, t0, dt);
    }
    Vec3 acc0 = gravity(*s.body, s.pos) + f0 / a.mass;
    const double airspeed =
        readoutHolds ? v.readout.airspeed : length(s.vel - airVelocityAt(sim.orientation(*s.body), s.pos));
    double damping2 = dampingPerStepSquared(f0, a.mass, airspeed, dt);
    FlightMemory &m = v.flight;
    // A combined assembly is integrated about its centre of mass; its touchdown points are the holder's.
    const Vec3 toOrigin = a.combined ? s.attitude * a.centreOfMass : Vec3{};
    s.pos -= toOrigin;
    const bool onGround = mayTouchGround(v, dt, airspeed, acc0);
    s.pos += toOrigin;
    const bool burning = onGround && thrustPushes(v);  // at the step's start, before the step's burn
    if (onGround) {
        const Vec3 inertia = a.combined ? a.pmi : v.inertia();
        const double spinMass = a.combined ? a.mass : ownMass > 0.0 ? ownMass : 1.0;
        advanceOnGround(sim, v,
                        GroundStepLoads{f0, a.mass, heldTorque(v, t0, inertia, spinMass, dt), spinMass,
                                        a.combined ? a.centreOfMass : Vec3{}, inertia},
                        dt);
    } else if (alone && m.previousValid && m.previousDt == dt && damping2 < kAdamsBashforthLimit * kAdamsBashforthLimit) {
        Vec3 v0 = s.vel;
        s.vel += (acc0 * 1.5 - m.previousAcceleration * 0.5) * dt;
        s.pos += v0 * dt + acc0 * (0.5 * dt * dt);
    } else {
        int n = 1;
        if (damping2 > kMidpointLimit * kMidpointLimit)
            n = static_cast<int>(std::fmin(std::ceil(std::sqrt(damping2) / kMidpointLimit), kMaxSubsteps));
        double h = dt / n;
        midpointStep(sim, a, f0, h);
        for (int i = 1; i < n; ++i) midpointStep(sim, a, assemblyForce(sim, a, s.pos, s.vel), h);
    }
    m.previousAcceleration = acc0;
    m.previousDt = dt;
    m.previousValid = alone && !onGround;
    if (a.combined) {
        if (!onGround) turn(v, t0, a.pmi, a.mass, dt);
        s.pos -= s.attitude * a.centreOfMass;
    } else if (!onGround) {
        turn(v, t0, v.inertia(), ownMass, dt);
    }
    // A module's added forces last one step (a held vessel's are spent when it is carried along).
    clearAddedForces(v);
    consumePropellant(v, dt);
    if (onGround) noteGroundStep(sim, v, burning);
    else settleOnSurface(sim, v);
    evaluateForces(sim, v);
}

void carryHeld(Simulation &sim, Vessel &held, double dt) {
    followParent(held);
    clearAddedForces(held);
    consumePropellant(held, dt);
    evaluateForces(sim, held);
}

Vec3 releaseVelocity(const Vessel &child, const Vessel &holder) {
    const FlightState &h = holder.state;
    if (h.turnsWithBody) return child.state.vel;  // it already moves with the ground at its place
    const Vec3 arm = h.attitude.transposeTimes(child.state.pos - h.pos);
    return h.vel + h.attitude * cross(arm, h.omega);
}

void followParent(Vessel &child) {
    Attachment *mine = nullptr;
    for (const auto &a : child.attachments)
        if (a->toParent && a->peer) mine = a.get();
    if (!mine) return;
    const Attachment &theirs = *mine->peer;
    const Vessel &parent = *theirs.owner;
    const Mat3 &rp = parent.state.attitude;
    // The child's point sits on the parent's, its direction opposite the parent's and its
    // rotation reference along the parent's.
    Vec3 gd = -normalized(rp * theirs.dir);
    Vec3 gr = rp * theirs.rot;
    gr = normalized(gr - gd * dot(gr, gd));
    Vec3 cd = normalized(mine->dir);
    Vec3 cr = normalized(mine->rot - cd * dot(mine->rot, cd));
    if (length(cd) > 0.0 && length(cr) > 0.0 && length(gd) > 0.0 && length(gr) > 0.0)
        child.state.attitude =
            Mat3::fromColumns(gd, gr, cross(gd, gr)) * Mat3::fromColumns(cd, cr, cross(cd, cr)).transposed();
    else
        child.state.attitude = rp;
    child.state.orientation = quatOf(child.state.attitude);
    // The held vessel turns with its holder: the holder's rate of turn in the held vessel's axes.
    child.state.omega = child.state.attitude.transposeTimes(rp * parent.state.omega);
    child.flight.angularAcceleration = {};
    child.state.body = parent.state.body;
    child.state.pos = parent.state.pos + rp * theirs.pos - child.state.attitude * mine->pos;
    child.state.vel = parent.state.vel;
    child.state.turnsWithBody = parent.state.turnsWithBody;
    if (child.state.turnsWithBody) {
        // The assembly turns with the ground: a held vessel away from its holder moves with the
        // ground at its own place, and so stays at rest in the air there.
        const PlanetOrientation &o = Simulation::current()->orientation(*child.state.body);
        child.state.vel += airVelocityAt(o, child.state.pos) - airVelocityAt(o, parent.state.pos);
    }
    child.state.landed = false;
    child.flight.previousValid = false;
}

}  // namespace quva
