// Vessels on their touchdown points in a running simulation: the legs' static compression under
// the vessel's weight, the test that makes a resting vessel landed (not before 5 s of rest), the
// lift-off when its engine fires, the impact speed limit at the first touch, the simulator's
// default points for a class file without any, and the round trip of a vessel at rest on them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/ground_placement.h"
#include "core/simulation.h"
#include "files/scenario.h"
#include "module_test_support.h"
#include "world/body.h"

namespace {

namespace fs = std::filesystem;
using quva::Vec3;

class SurfaceContact : public ::testing::Test {
protected:
    void SetUp() override {
        tree = fs::temp_directory_path() / quvatest::uniqueName("surface-contact");
        // 1000 kg on the simulator's default points (no TouchdownPoints, no hull).
        put("Config/Vessels/Legs.cfg", "Mass = 1000\nSize = 10\n");
        // The same with 100 kg of propellant and a 20 kN hover engine.
        put("Config/Vessels/Hopper.cfg",
            "Mass = 1000\nSize = 10\nPropellantResource1 = 100\nIsp = 3000\nMaxHoverThrust = 2e4\n");
    }
    void TearDown() override { fs::remove_all(tree); }

    void put(const std::string &relative, const std::string &text) {
        const fs::path p = tree / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    quva::SimulationOptions options(double dt = 0.1) const {
        quva::SimulationOptions o;
        o.root = QUVA_BUILD_ROOT;
        o.extraRoots = {tree};
        o.dt = dt;
        return o;
    }

    // Level over the ground at (lat, 10°E) on `body`, its centre `altitude` m up, coming down at
    // `descent` m/s and moving north at `north` m/s over the ground.
    static quva::GroundPlacement over(const char *body, double altitude, double descent = 0.0, double north = 0.0,
                                      double lat = 0.0) {
        quva::GroundPlacement p;
        p.body = quva::findBody(body);
        p.latitude = lat;
        p.longitude = 10.0;
        p.altitude = altitude;
        p.velocityEnu = {0.0, north, -descent};
        p.relativeTo = quva::GroundPlacement::Reference::Ground;
        return p;
    }

    static double timeOf(const quva::Simulation &sim, const std::string &vessel, const std::string &text) {
        for (const auto &e : sim.timeline())
            if (e.vessel == vessel && e.text == text) return e.t;
        return -1.0;
    }

    static double altitude(const quva::Vessel &v) { return length(v.state.pos) - v.state.body->radius; }

    // How deep the vessel's touchdown points are in the ground, on average.
    static double meanDepth(const quva::Vessel &v) {
        double depth = 0.0;
        for (const quva::TouchdownVertex &p : v.def.touchdown)
            depth -= length(v.state.pos + v.state.attitude * p.pos) - v.state.body->radius;
        return depth / static_cast<double>(v.def.touchdown.size());
    }

    fs::path tree;
};

// Three k = 1e6 N/m points under 1000 kg come to rest compressed by a third of the weight each:
// on the Moon 5.410326e-4 m, on Earth 3.273407e-3 m less what the turning ground relieves on the
// equator (0.0339 of 9.8202 m/s²).
TEST_F(SurfaceContact, LegsSettleToTheirStaticCompression) {
    const struct {
        const char *body;
        double compression;
    } cases[] = {{"Moon", 5.410326e-4}, {"Earth", 3.273407e-3 * (1.0 - 0.0339 / 9.82021961)}};
    for (const auto &c : cases) {
        quva::Simulation sim(options());
        quva::Vessel &v = sim.createVessel("L", "Legs", over(c.body, 2.0));
        sim.runUntil(10.0);
        ASSERT_TRUE(v.state.landed) << c.body;
        // The points sink into the round ground; its curvature (up to 3e-5 m at the nose point)
        // shares the load out a little unevenly, not the total.
        EXPECT_NEAR(meanDepth(v), c.compression, 2e-8) << c.body;
        EXPECT_NEAR(v.state.surface.alt, 2.0 - c.compression, 5e-5) << c.body;
        // Landed at the first check that found it still after more than 5 s of rest.
        const double touch = timeOf(sim, "L", "ground contact"), landed = timeOf(sim, "L", "landed");
        EXPECT_EQ(touch, 0.1) << c.body;
        EXPECT_GT(landed - touch, 5.0) << c.body;
        EXPECT_LT(landed - touch, 6.0) << c.body;
    }
}

// Dropped from 2 m on the Moon, the vessel touches after sqrt(2 h / g) = 1.57 s, settles on its
// legs and is landed only after 5 s at rest; its engine lifts it off at once.
TEST_F(SurfaceContact, DroppedVesselSettlesLandsAndLiftsOffWhenItsEngineFires) {
    quva::Simulation sim(options(0.05));
    quva::Vessel &v = sim.createVessel("H", "Hopper", over("Moon", 4.0), {"PRPLEVEL 0:1"});
    const double g = quva::moon().mu / (quva::moon().radius * quva::moon().radius);
    const double fall = std::sqrt(2.0 * 2.0 / g);
    sim.runUntil(fall + 5.0);
    const double touch = timeOf(sim, "H", "ground contact");
    EXPECT_NEAR(touch, fall, 0.05);
    EXPECT_TRUE(v.groundContact);
    EXPECT_FALSE(v.state.landed);
    sim.runUntil(fall + 8.0);
    ASSERT_TRUE(v.state.landed);
    const double landed = timeOf(sim, "H", "landed");
    EXPECT_GT(landed - touch, 5.0);
    // 1100 kg on three 1e6 N/m springs.
    EXPECT_NEAR(meanDepth(v), 1100.0 * g / 3e6, 1e-7);
    EXPECT_TRUE(v.groundContact);

    v.thrusters[0]->level = 1.0;
    sim.step();
    EXPECT_FALSE(v.state.landed);
    EXPECT_EQ(timeOf(sim, "H", "lift-off"), sim.simTime());
    sim.runUntil(sim.simTime() + 2.0);
    EXPECT_FALSE(v.groundContact);
    EXPECT_FALSE(v.state.landed);
    // 2e4 N on 1100 kg against lunar gravity: some 16.6 m/s² up.
    EXPECT_GT(altitude(v), 2.0 + 0.5 * 15.0 * 4.0);
    // It left the ground from rest in attitude; the springs letting go within a sub-step leave
    // at most a slight roll (some 1e-3 rad/s in 0.05 s steps).
    EXPECT_LT(length(v.state.omega), 5e-3);
}

// At the first touch a vessel coming down faster than 1 m per step has its speed over the ground
// scaled to that (here 10 m/s at 0.1 s steps), its northward drift with it.
TEST_F(SurfaceContact, ImpactSpeedIsLimitedAtTheFirstTouch) {
    const struct {
        double descent, north;
        double northAfterLow, northAfterHigh;  // m/s over the ground after the first step
    } cases[] = {
        {50.0, 30.0, 3.0, 6.0 + 1e-9},  // scaled by 10/50; friction may take some
        {5.0, 30.0, 27.0, 30.0},         // slow enough: not scaled
    };
    for (const auto &c : cases) {
        quva::Simulation sim(options(0.1));
        quva::Vessel &v = sim.createVessel("L", "Legs", over("Moon", 2.3, c.descent, c.north));
        sim.step();
        ASSERT_TRUE(v.groundContact) << c.descent;
        const quva::PlanetOrientation &o = sim.orientation(*v.state.body);
        const Vec3 over = v.state.vel - quva::airVelocityAt(o, v.state.pos);
        const Vec3 up = normalized(v.state.pos);
        const double horizontal = length(over - up * dot(over, up));
        EXPECT_GT(horizontal, c.northAfterLow) << c.descent;
        EXPECT_LT(horizontal, c.northAfterHigh) << c.descent;
    }
}

// A class file with neither TouchdownPoints nor a hull gets the simulator's three points; loaded
// landed without stores it has no weight on them and stands at their full 2 m. quva's capsule
// stands upright (+z up) on its heat shield, 1 m below its centre.
TEST_F(SurfaceContact, ConfigurationOnlyVesselsStandOnTheirPoints) {
    quva::Simulation sim(options());
    quva::Vessel &legs = sim.createVessel("L", "Legs", {"STATUS Landed Moon", "POS 10 20", "HEADING 30"});
    ASSERT_EQ(legs.def.touchdown.size(), 3u);
    EXPECT_EQ(legs.def.touchdown[0].pos, (Vec3{0, -2, 10}));
    EXPECT_EQ(legs.state.surface.alt, 2.0);
    quva::Vessel &capsule = sim.createVessel("C", "QuvaCapsule", {"STATUS Landed Earth", "POS 10 20", "HEADING 30"});
    EXPECT_NEAR(capsule.state.surface.alt, 1.0, 1e-12);
    const Vec3 nose = capsule.state.attitude * Vec3{0, 0, 1};
    EXPECT_NEAR(dot(nose, normalized(capsule.state.pos)), 1.0, 1e-12);
    // Set down nose up in flight on Earth, the capsule settles upright on its shield, 5500 kg on
    // three 1e6 N/m springs, and lands.
    quva::GroundPlacement upright = over("Earth", 1.0);
    upright.pitch = 90.0;
    quva::Vessel &flying = sim.createVessel("F", "QuvaCapsule", upright);
    sim.runUntil(8.0);
    ASSERT_TRUE(flying.state.landed);
    EXPECT_NEAR(dot(flying.state.attitude * Vec3{0, 0, 1}, normalized(flying.state.pos)), 1.0, 1e-9);
    EXPECT_NEAR(flying.state.surface.alt, 1.0 - 5500.0 * (9.82021961 - 0.0339) / 3e6, 1e-6);
}

// Saved while settling on its legs and after it has landed, the scenario loads and saves again
// byte for byte.
TEST_F(SurfaceContact, VesselOnItsLegsSavesLoadsAndSavesTheSame) {
    for (double t : {1.0, 8.0}) {
        std::string first, second;
        {
            quva::Simulation sim(options());
            sim.createVessel("L", "Legs", over("Moon", 2.5));
            sim.runUntil(t);
            ASSERT_EQ(sim.vessel("L").state.landed, t > 5.0);
            ASSERT_TRUE(sim.vessel("L").groundContact);
            first = sim.saveScenarioText();
        }
        {
            quva::Simulation sim(options());
            sim.loadScenario(quva::parseScenario(first, "saved.scn"));
            second = sim.saveScenarioText();
        }
        EXPECT_EQ(first, second) << "after " << t << " s";
    }
}

}  // namespace

namespace {

// An engine burning too weakly to lift the vessel keeps it from being landed: the test for rest
// only runs while no engine burns, and starts afresh when it stops.
TEST_F(SurfaceContact, BurningEngineKeepsARestingVesselFromLanding) {
    quva::Simulation sim(options());
    quva::Vessel &v = sim.createVessel("H", "Hopper", over("Moon", 2.0), {"PRPLEVEL 0:1"});
    v.thrusters[0]->level = 0.01;  // 200 N against some 1780 N of weight
    sim.runUntil(12.0);
    EXPECT_TRUE(v.groundContact);
    EXPECT_FALSE(v.state.landed);
    v.thrusters[0]->level = 0.0;
    sim.runUntil(17.0);
    EXPECT_FALSE(v.state.landed);
    sim.runUntil(18.0);
    EXPECT_TRUE(v.state.landed);
    EXPECT_GT(timeOf(sim, "H", "landed"), 17.0);
}

}  // namespace
