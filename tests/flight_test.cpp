// The flight model against physics: free fall in vacuum against the closed form of radial
// Kepler motion, and the parachutes' terminal descent rates at sea level against
// sqrt(2mg / (rho S cd)) from their own constants.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/simulation.h"
#include "world/body.h"

namespace {

quva::SimulationOptions flying(double dt) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.dt = dt;
    return o;
}

// A vessel `altitude` m above the body, over the ecliptic pole, moving radially at `vy`: in the
// air, relative to the air, which turns with the planet (at J2000, where a simulation starts by
// default); above it, relative to the non-rotating frame, so that it falls straight down.
std::vector<std::string> freeFlight(double altitude, double vy, const char *body = "Earth") {
    const quva::Body &b = *quva::findBody(body);
    const quva::Vec3 pos{0.0, b.radius + altitude, 0.0};
    const bool inAir = b.atmosphere && altitude < quva::kAtmosphereTop;
    const quva::Vec3 air =
        inAir ? quva::airVelocityAt(quva::planetOrientation(b.rotation, quva::kJ2000Mjd, 0.0), pos) : quva::Vec3{};
    char rpos[80], rvel[120];
    std::snprintf(rpos, sizeof rpos, "RPOS 0 %.3f 0", pos.y);
    std::snprintf(rvel, sizeof rvel, "RVEL %.9f %.9f %.9f", air.x, air.y + vy, air.z);
    // AROT 90 0 0 turns the vessel's +z to +y, the local vertical: canopies up, falling along -z.
    return {std::string("STATUS Orbiting ") + body, rpos, rvel, "AROT 90 0 0"};
}

double altitudeOf(const quva::Vessel &v) { return length(v.state.pos) - v.state.body->radius; }

// Time to fall from rest at r0 to r under gravity mu alone (radial Kepler orbit).
double radialFallTime(double r0, double r, double mu) {
    double x = r / r0;
    return std::sqrt(r0 * r0 * r0 / (2.0 * mu)) * (std::sqrt(x * (1.0 - x)) + std::acos(std::sqrt(x)));
}

TEST(Flight, FreeFallInVacuumFollowsTheClosedForm) {
    struct Case {
        const char *body;
        double altitude;
        double dt;
    } cases[] = {{"Earth", 200e3, 0.1}, {"Moon", 10e3, 0.5}, {"Earth", 150e3, 1.0}};
    for (const auto &c : cases) {
        quva::Simulation sim(flying(c.dt));
        // A cover with no module-driven motion: drag is zero without air.
        quva::Vessel &v = sim.createVessel("Cover", "Pilmont", freeFlight(c.altitude, 0.0, c.body));
        const quva::Body &b = *v.state.body;
        double r0 = b.radius + c.altitude;
        sim.runUntil(60.0);
        double r = length(v.state.pos);
        ASSERT_LT(r, r0);
        EXPECT_NEAR(radialFallTime(r0, r, b.mu), sim.simTime(), 1e-6 * 60) << c.body << " dt " << c.dt;
        // Speed from energy conservation.
        double speed = std::sqrt(2.0 * b.mu * (1.0 / r - 1.0 / r0));
        EXPECT_NEAR(length(v.state.vel), speed, 1e-6 * speed) << c.body;
    }
}

TEST(Flight, IntegratorIsSecondOrder) {
    // Halving the step cuts the error of a drag-free fall about fourfold.
    auto error = [](double dt) {
        quva::Simulation sim(flying(dt));
        quva::Vessel &v = sim.createVessel("Cover", "Pilmont", freeFlight(400e3, 0.0));
        sim.runUntil(200.0);
        double r0 = v.state.body->radius + 400e3;
        return std::fabs(radialFallTime(r0, length(v.state.pos), v.state.body->mu) - 200.0);
    };
    double e1 = error(4.0), e2 = error(2.0);
    EXPECT_GT(e1 / e2, 3.0);
    EXPECT_LT(e1 / e2, 5.0);
}

struct Chute {
    const char *className;
    double mass;      // kg, the class's empty mass
    double area;      // m², its cross section along z, the airfoils' reference area in axial flow
    int airfoils;     // each with drag coefficient 0.25 in axial flow
};

class TerminalRate : public ::testing::TestWithParam<Chute> {};

TEST_P(TerminalRate, MatchesTheClosedFormAtSeaLevelWithinOnePercent) {
    const Chute &c = GetParam();
    const quva::Body &earth = quva::earth();
    double g = earth.mu / (earth.radius * earth.radius);
    double rho = quva::atmosphereAt(earth, 0.0).density;
    double expected = std::sqrt(2.0 * c.mass * g / (rho * c.area * 0.25 * c.airfoils));
    // Start near sea level, slightly too fast, and let the descent settle (its time constant is
    // under a second) before the cluster's touchdown points, 30 m below it, reach the ground.
    quva::Simulation sim(flying(0.01));
    auto lines = freeFlight(45.0, -1.2 * expected);
    lines.push_back("STATE 1 1.0");
    quva::Vessel &v = sim.createVessel("Chute", c.className, lines);
    sim.runUntil(2.5);
    ASSERT_FALSE(v.groundContact);
    double descent = -dot(v.state.vel, normalized(v.state.pos));
    EXPECT_NEAR(descent, expected, 0.01 * expected) << c.className << " at " << altitudeOf(v) << " m";
}

INSTANTIATE_TEST_SUITE_P(Chutes, TerminalRate,
                         ::testing::Values(Chute{"Vantrel", 50.18, 30.0, 2},
                                           Chute{"Ossum", 3 * 57.60623099, 260.0, 3}),
                         [](const auto &info) { return std::string(info.param.className); });

TEST(Flight, VesselComesToRestOnItsLowestTouchdownPointOrItsCentre) {
    struct Case {
        const char *className;
        std::vector<std::string> lines;
        double restingAltitude;  // m, of the vessel's centre
    } cases[] = {
        // The descent stage's touchdown points lie 2.3 m below its centre along -y, on springs
        // that its empty weight compresses by g/60 (0.0270516 m on the Moon). It bounces, slides
        // to rest and is landed after 5 s of rest.
        {"Tarrowick", {"STATUS Orbiting Moon", "RPOS 0 1738020 0", "RVEL 0 -3 0", "AROT 0 0 0"}, 2.3 - 0.0270516},
        // The capsule stands on its heat shield, 1 m below its centre, its 5500 kg on three 1e6 N/m
        // springs, less the relief of the turning ground at 66.6° latitude (0.00535 m/s²).
        {"QuvaCapsule", freeFlight(30.0, -10.0), 1.0 - 5500.0 * (9.82021961 - 0.00535) / 3e6},
        // A probe without touchdown points comes to rest on its centre at once.
        {"HostProbe", freeFlight(30.0, -10.0), 0.0},
    };
    for (const auto &c : cases) {
        quva::Simulation sim(flying(0.05));
        quva::Vessel &v = sim.createVessel("V", c.className, c.lines);
        sim.runUntil(30.0);
        EXPECT_TRUE(v.state.landed) << c.className;
        EXPECT_TRUE(v.groundContact) << c.className;
        // At rest on the ground, which carries it round with the planet.
        EXPECT_EQ(v.readout.airspeed, 0.0) << c.className;
        EXPECT_NEAR(length(v.state.vel - quva::airVelocityAt(sim.orientation(*v.state.body), v.state.pos)), 0.0, 1e-9)
            << c.className;
        // On a sphere a point off the vertical sits a little higher: 4.4 m off on the Moon, 6 µm.
        EXPECT_NEAR(altitudeOf(v), c.restingAltitude, 1e-5) << c.className;
    }
}

TEST(Flight, ReleasedChildKeepsItsParentsVelocity) {
    quva::Simulation sim(flying(0.1));
    sim.createVessel("SM", "QuvaServiceModule",
                     {"STATUS Orbiting Earth", "RPOS 6771010 0 0", "RVEL 0 0 7672.585", "AROT 0 0 0"});
    quva::Vessel &probe = sim.createVessel("Probe", "Nimbrel",
                                           {"STATUS Orbiting Earth", "RPOS 6771010 0 3.7", "RVEL 0 0 7672.585",
                                            "ATTACHED 0:1,SM"});
    sim.runUntil(5.0);
    quva::Vessel &sm = sim.vessel("SM");
    EXPECT_EQ(probe.state.vel, sm.state.vel);
    EXPECT_NEAR(length(probe.state.pos - sm.state.pos), 3.7, 1e-6);
    sim.release(probe);
    quva::Vec3 atRelease = probe.state.vel;
    sim.step();
    // Same orbit, same gravity: released, the probe drifts from the module by millimetres only.
    EXPECT_NEAR(length(probe.state.vel - atRelease), length(sm.state.vel - atRelease), 1e-3);
}

}  // namespace
