// The host flying a rigid body: a tumble loaded from VROT and written back, the turning moments
// of airfoils and thrusters against worked numbers, the rotation drag in both models, and a
// module's point force.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/flight.h"
#include "core/simulation.h"
#include "core/vessel.h"
#include "module_test_support.h"
#include "world/atmosphere_table.h"
#include "world/attitude_angles.h"
#include "world/body.h"

namespace {

using quva::Vec3;

constexpr double kDeg = quva::kRadPerDeg;

// A configuration-only vessel stripped to a plain rigid body, the given mass and inertia, and
// nothing else that pushes or turns it.
quva::Vessel &plainBody(quva::Simulation &sim, const std::string &name, const std::vector<std::string> &lines,
                        double mass, Vec3 pmi) {
    quva::Vessel &v = sim.createVessel(name, "QuvaCapsule", lines);
    v.def = quva::VesselDefinition{};
    v.def.emptyMass = mass;
    v.def.pmi = pmi;
    v.propellants.clear();
    v.thrusters.clear();
    v.airfoils.clear();
    v.holding = 0;
    return v;
}

// High above the Earth, out of the air.
std::vector<std::string> inOrbit(const std::string &extra) {
    return {"STATUS Orbiting Earth", "RPOS 0 7000000 0", "RVEL 7546 0 0", "AROT 0 0 0", extra};
}

quva::SimulationOptions flying(double dt) {
    quva::SimulationOptions o = quvatest::hostOptions(dt);
    o.flightModel = true;
    return o;
}

std::string blockOf(const std::string &text, const std::string &name) {
    const std::size_t start = text.find("\n" + name + ":");
    return start == std::string::npos ? "" : text.substr(start + 1, text.find("\nEND\n", start) - start);
}

TEST(RigidBody, TumbleLoadedFromVrotIsWrittenBackTurned) {
    // PMI (2, 3, 4), 100 kg, turning at (0.1, 0.2, 0.3) rad/s from the identity attitude, in
    // frames of 0.01 s from a fresh load.
    quva::Simulation sim(flying(0.01));
    char vrot[120];
    std::snprintf(vrot, sizeof vrot, "VROT %.15g %.15g %.15g", 0.1 / kDeg, 0.2 / kDeg, 0.3 / kDeg);
    quva::Vessel &v = plainBody(sim, "Tumbler", inOrbit(vrot), 100.0, {2.0, 3.0, 4.0});
    for (int i = 0; i < 100; ++i) sim.step();
    EXPECT_NEAR(v.state.omega.x, 0.128587756263, 1e-11);
    EXPECT_NEAR(v.state.omega.y, 0.176881200099, 1e-11);
    EXPECT_NEAR(v.state.omega.z, 0.305397111121, 1e-11);
    for (int i = 0; i < 900; ++i) sim.step();
    EXPECT_NEAR(v.state.omega.x, 0.142424055657, 1e-11);
    EXPECT_NEAR(v.state.omega.y, -0.162133355864, 1e-11);
    EXPECT_NEAR(v.state.omega.z, 0.308451448524, 1e-11);
    const std::string block = blockOf(sim.saveScenarioText(), "Tumbler");
    EXPECT_NE(block.find("  AROT 1.820 -11.574 -154.585\n  VROT 8.1603 -9.2896 17.6730\n"), std::string::npos) << block;
}

TEST(RigidBody, SlowTurnIsNotWrittenAndReadsBackAsNone) {
    // Below 1e-4 rad/s the simulator writes no VROT line.
    quva::Simulation sim(flying(0.1));
    quva::Vessel &v = plainBody(sim, "Slow", inOrbit("VROT 0.005 0 0"), 100.0, {1.0, 1.0, 1.0});
    EXPECT_NEAR(v.state.omega.x, 0.005 * kDeg, 1e-18);
    EXPECT_EQ(blockOf(sim.saveScenarioText(), "Slow").find("VROT"), std::string::npos);
}

// Places the vessel 100 m above the equator with the air flowing past it at `air` (vessel
// axes, identity attitude in the global frame); returns the density there.
double inTheAir(quva::Simulation &sim, quva::Vessel &v, const Vec3 &air) {
    const quva::Body &earth = quva::earth();
    v.state.pos = {earth.radius + 100.0, 0.0, 0.0};
    v.state.setAttitude(quva::Mat3{});
    v.state.vel = quva::airVelocityAt(sim.orientation(earth), v.state.pos) + air;
    return quva::airAt(earth, 100.0).density;
}

void liftingWing(double aoa, double, double, double *cl, double *cm, double *cd) {
    *cl = 2.0 * 3.14159265358979323846 * aoa;
    *cd = 0.02 + 0.05 * *cl * *cl;
    *cm = -0.05;
}

void fin(double beta, double, double, double *cl, double *cm, double *cd) {
    *cl = 3.14159265358979323846 * beta;
    *cd = 0.01;
    *cm = 0.0;
}

void expectVec(const Vec3 &got, const Vec3 &want, double relTol, const char *what) {
    const double tol = relTol * std::fmax(1.0, length(want));
    EXPECT_NEAR(got.x, want.x, tol) << what;
    EXPECT_NEAR(got.y, want.y, tol) << what;
    EXPECT_NEAR(got.z, want.z, tol) << what;
}

TEST(RigidBody, AirfoilMomentsMatchTheWorkedNumbers) {
    // The worked numbers are for ρ = 1.225 kg/m³; forces and moments scale with it.
    quva::Simulation sim(flying(0.01));
    quva::Vessel &v = plainBody(sim, "Wing", inOrbit(""), 5000.0, {10.0, 10.0, 10.0});
    const double k = inTheAir(sim, v, Vec3{0.0, -std::sin(5.0 * kDeg), std::cos(5.0 * kDeg)} * 100.0) / 1.225;
    quva::Airfoil wing;
    wing.align = LIFT_VERTICAL;
    wing.ref = {0.0, 0.0, -1.0};
    wing.coeffs = liftingWing;
    wing.chord = 2.0;
    wing.area = 20.0;
    v.airfoils = {wing};
    quva::evaluateForces(sim, v);
    expectVec(v.readout.force, Vec3{0.0, 67286.571, 1578.967} * k, 2e-7, "wing force");
    expectVec(v.readout.torque, Vec3{-79536.571, 0.0, 0.0} * k, 2e-7, "wing moment");

    // Declared with no area: the projected cross section carries the force, and no moment
    // coefficient acts.
    v.def.crossSections = {10.0, 40.0, 5.0};
    v.airfoils[0].area = 0.0;
    quva::evaluateForces(sim, v);
    expectVec(v.readout.force, Vec3{0.0, 28486.453, 668.472} * k, 2e-7, "projected force");
    expectVec(v.readout.torque, Vec3{-28486.453, 0.0, 0.0} * k, 2e-7, "projected moment");

    // A fin above and behind the centre, the air from the left: it yaws the nose into the
    // wind and banks the vessel right.
    inTheAir(sim, v, Vec3{-std::sin(4.0 * kDeg), 0.0, std::cos(4.0 * kDeg)} * 100.0);
    quva::Airfoil f;
    f.align = LIFT_HORIZONTAL;
    f.ref = {0.0, 1.5, -8.0};
    f.coeffs = fin;
    f.chord = 1.0;
    f.area = 5.0;
    v.airfoils = {f};
    quva::evaluateForces(sim, v);
    expectVec(v.readout.force, Vec3{6721.815, 0.0, 163.037} * k, 2e-7, "fin force");
    expectVec(v.readout.torque, Vec3{-244.556, 53774.522, 10082.723} * k, 2e-7, "fin moment");
}

TEST(RigidBody, ThrusterPairTurnsTheVessel) {
    // Pitch-up pair of 500 N at z = ±10 m, default inertia of a size 10 vessel (20, 20, 10),
    // 1000 kg: 10000 N m, 0.5 rad/s². One 0.01 s frame from rest turns it at 0.005 rad/s.
    quva::Simulation sim(flying(0.01));
    quva::Vessel &v = plainBody(sim, "Pitcher", inOrbit(""), 1000.0, {-1.0, -1.0, -1.0});
    v.def.size = 10.0;
    auto add = [&](Vec3 pos, Vec3 dir) {
        auto t = std::make_unique<quva::Thruster>();
        t->pos = pos;
        t->dir = dir;
        t->maxThrust = 500.0;
        t->level = 1.0;
        v.thrusters.push_back(std::move(t));
    };
    add({0.0, 0.0, 10.0}, {0.0, 1.0, 0.0});
    add({0.0, 0.0, -10.0}, {0.0, -1.0, 0.0});
    EXPECT_EQ(v.inertia(), (Vec3{20.0, 20.0, 10.0}));
    quva::evaluateForces(sim, v);
    expectVec(v.readout.torque, {10000.0, 0.0, 0.0}, 1e-12, "pair moment");
    sim.step();
    EXPECT_NEAR(v.state.omega.x, 0.005, 1e-15);
    EXPECT_EQ(v.state.omega.y, 0.0);
    EXPECT_EQ(v.state.omega.z, 0.0);
}

TEST(RigidBody, RotationDragInBothModels) {
    struct Case {
        const char *what;
        bool airfoils;
        double dt;
        double factor;  // ωx after one frame over ωx before
    } cases[] = {
        // With airfoils: q' = ½ρ(|v| + 30)², coefficient q' cs.y r = 2070.25 N m s at ρ = 1.225,
        // rate 1.035125 /s for 1000 kg and PMI 2.
        {"airfoils, 0.01 s", true, 0.01, 1.0 - 0.01 * 1.035125},
        // At 1 s the cap (PMI m / Δt = 2000) stops the turn in the frame.
        {"airfoils, 1 s", true, 1.0, 0.0},
        // Without: size x m x ρ x r = 122.5 N m s for size 10, rate 0.006125 /s with PMI 20.
        {"cw only, 0.01 s", false, 0.01, 1.0 - 0.01 * 0.006125},
    };
    for (const Case &c : cases) {
        quva::Simulation sim(flying(c.dt));
        quva::Vessel &v = plainBody(sim, "Spinner", inOrbit(""), 1000.0, {2.0, 3.0, 4.0});
        const double k = inTheAir(sim, v, {0.0, 0.0, 100.0}) / 1.225;
        v.def.crossSections = {10.0, 20.0, 5.0};
        if (c.airfoils) {
            quva::Airfoil a;  // no coefficients: no force, only the rotation drag
            a.area = 1.0;
            v.airfoils = {a};
        } else {
            v.def.size = 10.0;
            v.def.pmi = {20.0, 20.0, 10.0};
        }
        v.state.omega = {0.5, 0.0, 0.0};
        quva::evaluateForces(sim, v);
        sim.step();
        // The rate scales with the density where the cap does not act.
        const double want = c.factor == 0.0 ? 0.0 : 0.5 * (1.0 - (1.0 - c.factor) * k);
        EXPECT_NEAR(v.state.omega.x, want, 1e-12) << c.what;
        EXPECT_EQ(v.state.omega.y, 0.0) << c.what;
    }
}

TEST(RigidBody, ModuleForceAtAPointPushesTurnsAndLiftsOff) {
    // The probe (10 kg, size 1: inertia 2, 2, 1 m²) adds 10 N along +y at 1 m ahead of its
    // centre from its first step on: F x r = (10, 0, 0) N m, 0.5 rad/s² nose up. Added in a
    // step's callback, it acts in the next step.
    quva::Simulation sim(flying(0.1));
    quva::Vessel &free = sim.createVessel("Free", "HostProbe", inOrbit("PUSH_AT 0 0 10 0 0 0 1"));
    sim.step();
    EXPECT_EQ(free.state.omega, Vec3{});
    sim.step();
    EXPECT_NEAR(free.state.omega.x, 0.05, 1e-15);
    sim.step();
    EXPECT_NEAR(free.state.omega.x, 0.10, 1e-12);
    EXPECT_EQ(free.state.omega.y, 0.0);
    // Read back as the torque of the latest step: N m, and per unit mass.
    EXPECT_EQ(free.added.lastTorque, (Vec3{10.0, 0.0, 0.0}));

    // Landed, an added force lifts it off: 100 N up against its 16 N weight on the Moon.
    quva::Vessel &landed =
        sim.createVessel("Landed", "HostProbe", {"STATUS Landed Moon", "POS 10 20", "HEADING 0", "PUSH_AT 0 0 100 0 0 0 0"});
    EXPECT_TRUE(landed.state.landed);
    sim.step();  // its callback adds the force
    sim.step();  // which lifts it off
    EXPECT_FALSE(landed.state.landed);
    // Risen by ½ (10 - 1.62) m/s² x (0.1 s)² in its first step of flight.
    EXPECT_NEAR(length(landed.state.pos) - quva::moon().radius, 0.5 * (10.0 - 1.623) * 0.01, 2e-3);
    EXPECT_EQ(landed.state.omega, Vec3{});
}

}  // namespace
