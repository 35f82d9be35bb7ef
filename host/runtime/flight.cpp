#include "flight.h"

#include <cmath>
#include <utility>
#include <vector>

#include "atmosphere_table.h"
#include "body.h"
#include "host_call.h"
#include "simulation.h"
#include "vessel.h"

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

// Reference area of an airfoil whose given area is 0: the vessel's projected cross section.
double projectedArea(const Vessel &v, const Airfoil &af, const Vec3 &d) {
    const Vec3 &cs = v.def.crossSections;
    if (af.align == LIFT_VERTICAL) return std::fabs(d.z) * cs.z + std::fabs(d.y) * cs.y;
    return std::fabs(d.z) * cs.z + std::fabs(d.x) * cs.x;
}

struct AeroResult {
    Vec3 force;       // vessel frame
    double drag = 0;  // magnitude of the drag part
};

AeroResult airfoilForces(Simulation &sim, Vessel &v, const Vec3 &va, const AirSample &atm) {
    AeroResult res;
    double speed = length(va);
    if (speed <= 0.0 || atm.density <= 0.0) return res;
    Vec3 d = va / speed;
    double q = 0.5 * atm.density * speed * speed;
    double mach = atm.speedOfSound > 0.0 ? speed / atm.speedOfSound : 0.0;
    double mu = atm.viscosity;
    Vec3 dragSum;
    for (const Airfoil &af : v.airfoils) {
        double angle;
        Vec3 liftDir;
        if (af.align == LIFT_VERTICAL) {
            angle = std::atan2(-va.y, va.z);
            liftDir = normalized(Vec3{0.0, va.z, -va.y});
        } else {
            angle = std::atan2(-va.x, va.z);
            liftDir = normalized(Vec3{va.z, 0.0, -va.x});
        }
        double re = mu > 0.0 ? atm.density * speed * af.chord / mu : 0.0;
        double cl = 0.0, cm = 0.0, cd = 0.0;
        if (af.coeffs) {
            // Traced with the three coefficients as its result.
            callIn(
                sim, &v, "AirfoilCoeffFunc",
                [&] {
                    af.coeffs(angle, mach, re, &cl, &cm, &cd);
                    return Vec3{cl, cm, cd};
                },
                angle, mach, re);
        }
        double area = af.area > 0.0 ? af.area : projectedArea(v, af, d);
        Vec3 drag = d * (-cd * q * area);
        dragSum += drag;
        res.force += drag + liftDir * (cl * q * area);
    }
    res.drag = length(dragSum);
    return res;
}

AeroResult cwForces(const Vessel &v, const Vec3 &va, const AirSample &atm) {
    AeroResult res;
    double speed = length(va);
    if (speed <= 0.0 || atm.density <= 0.0) return res;
    Vec3 d = va / speed;
    double q = 0.5 * atm.density * speed * speed;
    const Vec3 &cs = v.def.crossSections;
    const DragCoefficients &cw = v.def.cw;
    double cwz = d.z >= 0.0 ? cw.zPos : cw.zNeg;
    res.drag = q * (0.5 * cs.x * cw.x * std::fabs(d.x) + 0.5 * cs.y * cw.y * std::fabs(d.y) +
                    0.5 * cs.z * cwz * std::fabs(d.z));
    res.force = d * -res.drag;
    return res;
}

// Thrust (vessel frame) at ambient pressure.
Vec3 thrust(const Vessel &v, double pressure) {
    Vec3 total;
    for (const auto &t : v.thrusters) {
        if (t->level <= 0.0) continue;
        if (t->tank && t->tank->mass <= 0.0) continue;
        double isp = t->isp0;
        if (t->ispRef > 0.0 && t->pRef > 0.0) isp = t->isp0 - (t->isp0 - t->ispRef) * pressure / t->pRef;
        double f = t->level * t->maxThrust * (t->isp0 > 0.0 ? std::fmax(isp, 0.0) / t->isp0 : 1.0);
        total += normalized(t->dir) * f;
    }
    return total;
}

// Non-gravitational force (body frame) at position pos and velocity vel.
Vec3 forcesAt(Simulation &sim, Vessel &v, const Vec3 &pos, const Vec3 &vel, double *drag) {
    const Body &body = *v.state.body;
    double alt = length(pos) - body.radius;
    AirSample atm = airAt(body, alt);
    Mat3 toLocal = v.state.attitude.transposed();
    Vec3 va = toLocal * vel;
    AeroResult aero = v.airfoils.empty() ? cwForces(v, va, atm) : airfoilForces(sim, v, va, atm);
    if (drag) *drag = aero.drag;
    Vec3 local = aero.force + thrust(v, atm.pressure);
    return v.state.attitude * local;
}

// The vessels that the vessel holds, directly or through others, with their offsets from it.
void collectHeld(const Vessel &v, std::vector<std::pair<Vessel *, Vec3>> &out, const Vec3 &rootPos, int depth) {
    if (depth > 64) return;
    for (const auto &a : v.attachments) {
        if (a->toParent || !a->peer) continue;
        Vessel *child = a->peer->owner;
        out.emplace_back(child, child->state.pos - rootPos);
        collectHeld(*child, out, rootPos, depth + 1);
    }
}

// A vessel and everything it holds move as one body: their forces add up, and so do their masses.
struct Assembly {
    Vessel *root = nullptr;
    std::vector<std::pair<Vessel *, Vec3>> held;
    double mass = 0.0;
};

Vec3 assemblyForce(Simulation &sim, Assembly &a, const Vec3 &pos, const Vec3 &vel) {
    Vec3 f = forcesAt(sim, *a.root, pos, vel, nullptr);
    for (auto &[v, offset] : a.held) f += forcesAt(sim, *v, pos + offset, vel, nullptr);
    return f;
}

Derivative derivative(const Assembly &a, const Vec3 &pos, const Vec3 &vel, const Vec3 &force) {
    return {vel, gravity(*a.root->state.body, pos) + force / a.mass};
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

void settleOnSurface(Simulation &sim, Vessel &v) {
    double lowest = lowestPointAltitude(v);
    if (lowest > 0.0) return;
    Vec3 up = normalized(v.state.pos);
    v.state.pos += up * -lowest;
    v.state.vel = {};
    v.state.landed = true;
    if (!v.groundContact) sim.note(&v, "ground contact");
    v.groundContact = true;
}

}  // namespace

double lowestPointAltitude(const Vessel &v) {
    const Body &body = *v.state.body;
    if (v.def.touchdownPoints.empty()) return length(v.state.pos) - body.radius;
    double lowest = INFINITY;
    for (const Vec3 &tp : v.def.touchdownPoints)
        lowest = std::fmin(lowest, length(v.state.pos + v.state.attitude * tp) - body.radius);
    return lowest;
}

void evaluateForces(Simulation &sim, Vessel &v) {
    double drag = 0.0;
    v.readout.force = forcesAt(sim, v, v.state.pos, v.state.vel, &drag);
    v.readout.drag = drag;
    v.readout.forceValid = true;
    v.readout.altitude = length(v.state.pos) - v.state.body->radius;
    v.readout.airspeed = length(v.state.vel);
}

void advance(Simulation &sim, Vessel &v, double dt) {
    if (v.state.landed) {
        v.readout.drag = 0.0;
        v.readout.force = {};
        v.readout.forceValid = false;
        v.readout.airspeed = 0.0;
        v.readout.altitude = length(v.state.pos) - v.state.body->radius;
        return;
    }
    Assembly a;
    a.root = &v;
    if (!v.attachments.empty()) collectHeld(v, a.held, v.state.pos, 0);
    a.mass = v.mass();
    for (auto &held : a.held) a.mass += held.first->mass();
    if (a.mass <= 0.0) a.mass = 1.0;
    Vec3 p0 = v.state.pos, v0 = v.state.vel;
    // The force at the start of the step is the one evaluated at the end of the last, unless the
    // state has changed since or the vessel carries others.
    Vec3 f1 = a.held.empty() && v.readout.forceValid ? v.readout.force : assemblyForce(sim, a, p0, v0);
    Derivative k1 = derivative(a, p0, v0, f1);
    Vec3 pm = p0 + k1.dpos * (0.5 * dt), vm = v0 + k1.dvel * (0.5 * dt);
    Derivative k2 = derivative(a, pm, vm, assemblyForce(sim, a, pm, vm));
    v.state.pos = p0 + k2.dpos * dt;
    v.state.vel = v0 + k2.dvel * dt;
    consumePropellant(v, dt);
    settleOnSurface(sim, v);
    evaluateForces(sim, v);
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
    Vec3 gx = cross(gd, gr), cx = cross(cd, cr);
    Mat3 g, c;
    for (int i = 0; i < 3; ++i) {
        const Vec3 &ga = i == 0 ? gd : i == 1 ? gr : gx;
        const Vec3 &ca = i == 0 ? cd : i == 1 ? cr : cx;
        g.m[0][i] = ga.x; g.m[1][i] = ga.y; g.m[2][i] = ga.z;
        c.m[0][i] = ca.x; c.m[1][i] = ca.y; c.m[2][i] = ca.z;
    }
    if (length(cd) > 0.0 && length(cr) > 0.0 && length(gd) > 0.0 && length(gr) > 0.0)
        child.state.attitude = g * c.transposed();
    else
        child.state.attitude = rp;
    child.state.body = parent.state.body;
    child.state.pos = parent.state.pos + rp * theirs.pos - child.state.attitude * mine->pos;
    child.state.vel = parent.state.vel;
    child.state.landed = false;
}

}  // namespace quva
