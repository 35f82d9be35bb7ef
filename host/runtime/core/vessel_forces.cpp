#include "core/vessel_forces.h"

#include <cmath>

#include "core/host_call.h"
#include "core/simulation.h"
#include "core/vessel.h"
#include "world/atmosphere_table.h"
#include "world/body.h"

namespace quva {

namespace {

// Slower air than this (m/s) is taken as still: an airflow that small is what remains of two
// nearly equal velocities (a vessel and the turning air it rests in), and its direction is
// rounding noise that would swing the airfoils' angles at random.
constexpr double kStillAir = 1e-6;

struct AeroResult {
    Vec3 force;       // vessel frame
    Vec3 torque;      // vessel frame, about the centre of mass
    double drag = 0;  // magnitude of the drag part
};

// The air's resistance to turning, per axis (N m s). With airfoils: from a dynamic pressure
// raised by 30 m/s and the vertical cross section, capped in the step so that it can at most
// stop the turn. Without (the older model): from the size, mass and density alone.
void rotationDrag(const Vessel &v, double speed, double density, Torques &t) {
    if (!v.airfoils.empty()) {
        const double q = 0.5 * density * (speed + 30.0) * (speed + 30.0);
        t.rotDragScale = q * v.def.crossSections.y;
        t.capped = true;
    } else {
        t.rotDragScale = v.def.size * density;  // times the mass when applied
        t.capped = false;
    }
}

// The airflow as the airfoils of one orientation see it: their angle (of attack or of slip),
// the direction their lift acts in, and the projected reference area.
struct AirfoilFlow {
    double angle = 0.0;
    Vec3 liftDir;
    double projectedArea = 0.0;
};

AirfoilFlow flowFor(const Vessel &v, AIRFOIL_ORIENTATION align, const Vec3 &va, const Vec3 &d) {
    AirfoilFlow f;
    const Vec3 &cs = v.def.crossSections;
    if (align == LIFT_VERTICAL) {
        f.angle = std::atan2(-va.y, va.z);
        f.liftDir = normalized(Vec3{0.0, va.z, -va.y});
        f.projectedArea = std::fabs(d.z) * cs.z + std::fabs(d.y) * cs.y;
    } else {
        f.angle = std::atan2(-va.x, va.z);
        f.liftDir = normalized(Vec3{va.z, 0.0, -va.x});
        f.projectedArea = std::fabs(d.z) * cs.z + std::fabs(d.x) * cs.x;
    }
    return f;
}

AeroResult airfoilForces(Simulation &sim, Vessel &v, const Vec3 &va, const AirSample &atm) {
    AeroResult res;
    double speed = length(va);
    if (speed <= kStillAir || atm.density <= 0.0) return res;
    Vec3 d = va / speed;
    double q = 0.5 * atm.density * speed * speed;
    double mach = atm.speedOfSound > 0.0 ? speed / atm.speedOfSound : 0.0;
    double mu = atm.viscosity;
    // Each orientation's flow is worked out once, however many airfoils share it.
    AirfoilFlow flows[2];
    bool known[2] = {false, false};
    Vec3 dragSum;
    for (const Airfoil &af : v.airfoils) {
        int k = af.align == LIFT_VERTICAL ? 0 : 1;
        if (!known[k]) {
            flows[k] = flowFor(v, af.align, va, d);
            known[k] = true;
        }
        const AirfoilFlow &flow = flows[k];
        double re = mu > 0.0 ? atm.density * speed * af.chord / mu : 0.0;
        double cl = 0.0, cm = 0.0, cd = 0.0;
        if (af.coeffs) {
            // Traced with the three coefficients as its result.
            callIn(
                sim, &v, "AirfoilCoeffFunc",
                [&] {
                    af.coeffs(flow.angle, mach, re, &cl, &cm, &cd);
                    return Vec3{cl, cm, cd};
                },
                flow.angle, mach, re);
        }
        double area = af.area > 0.0 ? af.area : flow.projectedArea;
        Vec3 drag = d * (-cd * q * area);
        dragSum += drag;
        const Vec3 f = drag + flow.liftDir * (cl * q * area);
        res.force += f;
        // Lift and drag act at the airfoil's reference point; the moment coefficient turns the
        // vessel with the declared area only (a zero-area airfoil gives no such moment).
        res.torque += momentOf(f, af.ref);
        const double m = cm * q * af.area * af.chord;
        if (af.align == LIFT_VERTICAL) res.torque.x += m;
        else res.torque.y += m;
    }
    res.drag = length(dragSum);
    return res;
}

AeroResult cwForces(const Vessel &v, const Vec3 &va, const AirSample &atm) {
    AeroResult res;
    double speed = length(va);
    if (speed <= kStillAir || atm.density <= 0.0) return res;
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

// Thrust (vessel frame) at ambient pressure, and its moment added to `torque`.
Vec3 thrust(const Vessel &v, double pressure, Vec3 *torque) {
    Vec3 total;
    for (const auto &t : v.thrusters) {
        if (t->level <= 0.0) continue;
        if (t->tank && t->tank->mass <= 0.0) continue;
        double isp = t->isp0;
        if (t->ispRef > 0.0 && t->pRef > 0.0) isp = t->isp0 - (t->isp0 - t->ispRef) * pressure / t->pRef;
        double f = t->level * t->maxThrust * (t->isp0 > 0.0 ? std::fmax(isp, 0.0) / t->isp0 : 1.0);
        const Vec3 force = normalized(t->dir) * f;
        total += force;
        if (torque) *torque += momentOf(force, t->pos);
    }
    return total;
}

}  // namespace

Vec3 forcesAt(Simulation &sim, Vessel &v, const Vec3 &pos, const Vec3 &vel, double *drag, Torques *torques) {
    const Body &body = *v.state.body;
    double alt = length(pos) - body.radius;
    AirSample atm = airAt(body, alt);
    Vec3 airflow = atm.density > 0.0 ? vel - airVelocityAt(sim.orientation(body), pos) : vel;
    Vec3 va = v.state.attitude.transposeTimes(airflow);
    AeroResult aero = v.airfoils.empty() ? cwForces(v, va, atm) : airfoilForces(sim, v, va, atm);
    if (drag) *drag = aero.drag;
    Vec3 local = aero.force + thrust(v, atm.pressure, torques ? &aero.torque : nullptr);
    if (v.flight.forceAdded) {
        local += v.added.force;
        aero.torque += v.added.torque;
    }
    if (torques) {
        torques->torque = aero.torque;
        const double speed = length(va);
        if (atm.density > 0.0 && speed > kStillAir) rotationDrag(v, speed, atm.density, *torques);
        else *torques = Torques{aero.torque, 0.0, false};
    }
    return v.state.attitude * local;
}

}  // namespace quva
