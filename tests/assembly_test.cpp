// A holder and the vessel it holds, flown as the simulator flies them (the held vessel rides
// along and counts for nothing) and as one combined rigid body; and the velocity a held vessel
// leaves with when the holder turns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"
#include "core/vessel.h"
#include "module_test_support.h"
#include "world/attitude_angles.h"
#include "world/vec3.h"

namespace {

using quva::AssemblyModel;
using quva::Vec3;

constexpr double kDeg = quva::kRadPerDeg;

// Far above the Earth, out of the air, falling freely.
std::vector<std::string> inOrbit(const std::string &extra = "") {
    return {"STATUS Orbiting Earth", "RPOS 0 7000000 0", "RVEL 7546 0 0", "AROT 0 0 0", extra};
}

quva::SimulationOptions options(AssemblyModel model, double dt = 0.1) {
    quva::SimulationOptions o = quvatest::hostOptions(dt);
    o.flightModel = true;
    o.assembly = model;
    return o;
}

// Only mass and inertia: nothing of its own pushes or turns it.
void strip(quva::Vessel &v, double mass, Vec3 pmi) {
    v.def.emptyMass = mass;
    v.def.pmi = pmi;
    v.def.rotDrag = {};
    v.propellants.clear();
    v.thrusters.clear();
    v.airfoils.clear();
}

struct Pair {
    quva::Vessel *holder = nullptr;
    quva::Vessel *held = nullptr;
};

// A 1000 kg capsule holding a 1000 kg canopy body at its first point, both of unit moments.
Pair pairIn(quva::Simulation &sim, const std::string &holderExtra = "") {
    quva::Vessel &holder = sim.createVessel("Holder", "QuvaCapsule", inOrbit(holderExtra));
    quva::Vessel &held = sim.createVessel("Held", "Vantrel", inOrbit());
    strip(holder, 1000.0, {1.0, 1.0, 1.0});
    strip(held, 1000.0, {1.0, 1.0, 1.0});
    sim.attach(holder, 0, held, 0);
    return {&holder, &held};
}

void push(quva::Vessel &v, Vec3 force) {
    v.added.force = force;
    v.flight.forceAdded = true;
}

TEST(Assembly, HeldVesselCountsOnlyInACombinedBody) {
    // The same push on the held vessel, in each model, against a holder flying alone.
    quva::Simulation alone(options(AssemblyModel::Simulator));
    quva::Vessel &single = alone.createVessel("Holder", "QuvaCapsule", inOrbit());
    strip(single, 1000.0, {1.0, 1.0, 1.0});
    single.holding = 0;
    alone.step();

    struct Case {
        AssemblyModel model;
        double expectedShift;  // m/s, the holder's velocity against the lone one's, along the push
    };
    for (const Case &c : {Case{AssemblyModel::Simulator, 0.0}, Case{AssemblyModel::Combined, 100.0 / 2000.0 * 0.1}}) {
        quva::Simulation sim(options(c.model));
        Pair p = pairIn(sim);
        const Vec3 along = p.held->state.attitude * Vec3{0.0, 0.0, 1.0};
        push(*p.held, {0.0, 0.0, 100.0});
        sim.step();
        const Vec3 shift = p.holder->state.vel - single.state.vel;
        // Combined, gravity pulls at the common centre of mass, a few metres from the lone
        // holder's: 1e-6 m/s apart after the step, against the push's 5e-3.
        const double tolerance = c.model == AssemblyModel::Combined ? 1e-5 : 1e-12;
        EXPECT_NEAR(quva::dot(shift, along), c.expectedShift, tolerance) << static_cast<int>(c.model);
        EXPECT_NEAR(quva::length(shift - along * quva::dot(shift, along)), 0.0, tolerance);
        // Spent either way: the next step flies as the lone holder's does.
        EXPECT_FALSE(p.held->flight.forceAdded);
    }
}

TEST(Assembly, CombinedBodyTurnsAboutItsCentreOfMassWithTheSummedMoments) {
    quva::Simulation sim(options(AssemblyModel::Combined, 0.01));
    Pair p = pairIn(sim);
    const quva::Mat3 r = p.holder->state.attitude;
    const Vec3 arm = r.transposeTimes(p.held->state.pos - p.holder->state.pos);  // holder's axes
    const Vec3 cg = arm * 0.5;
    // Unit moments each, moved to the common centre by the parallel-axis rule.
    const Vec3 pmi{1.0 + cg.y * cg.y + cg.z * cg.z, 1.0 + cg.x * cg.x + cg.z * cg.z, 1.0 + cg.x * cg.x + cg.y * cg.y};
    const Vec3 force{50.0, 0.0, 0.0};  // in the held vessel's axes
    const Vec3 inHolder = r.transposeTimes(p.held->state.attitude * force);
    const Vec3 torque = quva::cross(inHolder, arm - cg);
    push(*p.held, force);
    sim.step();
    // From rest, the first step's rate is the torque's: T / (M I) dt.
    const Vec3 &w = p.holder->state.omega;
    EXPECT_NEAR(w.x, torque.x / (2000.0 * pmi.x) * 0.01, 1e-12);
    EXPECT_NEAR(w.y, torque.y / (2000.0 * pmi.y) * 0.01, 1e-12);
    EXPECT_NEAR(w.z, torque.z / (2000.0 * pmi.z) * 0.01, 1e-12);
    EXPECT_GT(quva::length(torque), 1.0);
}

TEST(Assembly, SpinningCombinedBodyCarriesItsCentreOfMassAsIfItDidNotTurn) {
    auto centreAfter = [](double spinDegPerS) {
        quva::Simulation sim(options(AssemblyModel::Combined, 0.1));
        Pair p = pairIn(sim);
        p.holder->state.omega = {spinDegPerS * kDeg, 0.0, 0.0};
        for (int i = 0; i < 100; ++i) sim.step();
        return Vec3((p.holder->state.pos + p.held->state.pos) * 0.5);
    };
    const Vec3 still = centreAfter(0.0), spinning = centreAfter(20.0);
    EXPECT_LT(quva::length(spinning - still), 1e-6);
    // The held vessel went round with the holder (200 degrees), so the holder's origin moved.
}

TEST(Assembly, ReleasedVesselLeavesWithTheVelocityOfItsPoint) {
    // The holder turns at 0.2 rad/s; over a short step the held vessel's motion against the
    // holder's is the velocity of the point it is held at.
    const double dt = 1e-3;
    quva::Simulation sim(options(AssemblyModel::Simulator, dt));
    Pair p = pairIn(sim);
    p.holder->state.omega = {0.2, 0.0, 0.1};
    sim.step();
    const Vec3 before = p.held->state.pos - p.holder->state.pos;
    sim.step();
    const Vec3 seen = (p.held->state.pos - p.holder->state.pos - before) / dt;
    sim.release(*p.held);
    const Vec3 relative = p.held->state.vel - p.holder->state.vel;
    EXPECT_GT(quva::length(relative), 0.01);
    EXPECT_LT(quva::length(relative - seen), 0.01 * quva::length(relative));
}

}  // namespace

namespace {

TEST(Assembly, CombinedCapsuleUnderItsCanopySwingsBackAndSettles) {
    // The recovery example flown as one body: pushed into a swing of 0.2 rad/s under the main
    // canopy 30 m above it, the capsule is met by the air from the side and settles back.
    quva::Simulation sim(options(AssemblyModel::Combined));
    sim.loadScenario(quva::readScenarioFile(std::string(QUVA_BUILD_ROOT) + "/Scenarios/Quva/Recovery.scn"));
    quva::Vessel &capsule = sim.vessel("Capsule");
    sim.release(sim.vessel("Drogue"));
    sim.runUntil(30.0);
    const quva::Mat3 hanging = capsule.state.attitude;
    capsule.state.omega = {0.2, 0.0, 0.0};
    capsule.flight.angularAcceleration = {};
    sim.runUntil(31.0);
    const double swung = std::acos(std::clamp(quva::dot(capsule.state.attitude * Vec3{0, 0, 1}, hanging * Vec3{0, 0, 1}), -1.0, 1.0));
    EXPECT_GT(swung, 0.5 * kDeg);
    sim.runUntil(60.0);
    const double left = std::acos(std::clamp(quva::dot(capsule.state.attitude * Vec3{0, 0, 1}, hanging * Vec3{0, 0, 1}), -1.0, 1.0));
    EXPECT_LT(left, 0.1 * kDeg);
    EXPECT_LT(quva::length(capsule.state.omega), 1e-3);
}

}  // namespace
