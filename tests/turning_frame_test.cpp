// Flying in the turning planets' frames: landed vessels ride the surface, the air turns with the
// planet, a vessel touching down becomes landed, and positions inside a body are moved out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/simulation.h"
#include "world/attitude_angles.h"
#include "world/body.h"
#include "world/landed_attitude.h"
#include "world/planet_rotation.h"

namespace {

using quva::Vec3;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

quva::SimulationOptions flying(double dt) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.dt = dt;
    return o;
}

std::string vec(const char *key, const Vec3 &v) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s %.6f %.6f %.6f", key, v.x, v.y, v.z);
    return buf;
}

// The saved host lines of vessel `name`, from its header to its END.
std::string savedBlock(quva::Simulation &sim, const std::string &name) {
    const std::string text = sim.saveScenarioText();
    const std::size_t start = text.find(name + ":");
    return start == std::string::npos ? "" : text.substr(start, text.find("\nEND\n", start) - start);
}

// A parachute still held by a capsule resting on the ground rests in the air that turns with the
// ground: it moves with the ground at its own place (not at its holder's), so no airflow and no
// drag reach it, however far from the capsule it hangs.
TEST(TurningFrame, VesselHeldByALandedOneRestsInTheTurningAir) {
    quva::Simulation sim(flying(0.5));
    quva::Vessel &capsule = sim.createVessel("Capsule", "QuvaCapsule",
                                             {"STATUS Landed Earth", "POS 0 0", "ALT 2", "AROT 0 -90 0"});  // nose up
    quva::Vessel &main = sim.createVessel("Main", "Ossum", {"STATUS Orbiting Earth", "RPOS 0 7000000 0",
                                                            "ATTACHED 0:2,Capsule", "STATE 1 1.0000"});
    sim.runSteps(4);
    ASSERT_EQ(main.parent(), &capsule);
    const quva::PlanetOrientation &o = sim.orientation(quva::earth());
    EXPECT_GT(length(main.state.pos - capsule.state.pos), 20.0);  // it hangs well away from the capsule
    EXPECT_LT(length(main.state.vel - quva::airVelocityAt(o, main.state.pos)), 1e-9);
    EXPECT_EQ(main.readout.drag, 0.0);
}

TEST(TurningFrame, LandedVesselStandsWhereTheWorkedNumbersPutItAndRidesTheSurface) {
    quva::Simulation sim(flying(10.0));  // starts at J2000
    // A probe without touchdown points: its centre stands on the ground.
    quva::Vessel &v = sim.createVessel("Pad", "HostProbe",
                                       {"STATUS Landed Earth", "POS -80.6209 28.6235", "HEADING 90"});
    EXPECT_NEAR(length(v.state.pos - Vec3{-5270765.08, 3543712.61, -500903.97}), 0.0, 0.01);
    EXPECT_NEAR(length(v.state.vel - Vec3{136.303, 152.886, -352.634}), 0.0, 1e-3);
    EXPECT_NE(savedBlock(sim, "Pad").find("  HEADING 90.00\n  ALT 0.000\n  AROT 0.000 -80.621 61.376"),
              std::string::npos)
        << savedBlock(sim, "Pad");

    const Vec3 p0 = v.state.pos, up0 = v.state.attitude * Vec3{0, 1, 0};
    const Vec3 pole0 = sim.orientation(quva::earth()).rotation * Vec3{0, 1, 0};
    sim.runUntil(3600.0);
    const Vec3 p1 = v.state.pos;
    const quva::PlanetOrientation &o = sim.orientation(quva::earth());
    // Still on the same spot of the planet, an hour's turn further on about the pole.
    EXPECT_NEAR(length(o.rotation.transposeTimes(p1) - Vec3{911369.36, 3052044.60, -5517626.13}), 0.0, 0.01);
    const Vec3 pole1 = o.rotation * Vec3{0, 1, 0};
    const Vec3 a0 = p0 - pole0 * dot(p0, pole0), a1 = p1 - pole1 * dot(p1, pole1);
    const double turned = std::acos(dot(a0, a1) / (length(a0) * length(a1)));
    EXPECT_NEAR(turned, 3600.0 * 2 * 3.14159265358979323846 / 86164.10132, 1e-7);
    // It keeps standing upright, moves with the ground, and feels no air.
    EXPECT_NEAR(length(v.state.attitude * Vec3{0, 1, 0} - normalized(p1)), 0.0, 1e-12);
    EXPECT_GT(length(up0 - normalized(p1)), 0.1);
    EXPECT_NEAR(length(v.state.vel), length(Vec3{136.303, 152.886, -352.634}), 1e-3);
    EXPECT_EQ(v.readout.airspeed, 0.0);
    EXPECT_EQ(v.readout.drag, 0.0);
    // Saved where it was put: the place is kept on the planet, not in space.
    EXPECT_NE(savedBlock(sim, "Pad").find("  POS -80.6209000 28.6235000\n"), std::string::npos);
}

TEST(TurningFrame, CapsuleInFlightFeelsTheAirTurningWithThePlanet) {
    quva::Simulation sim(flying(0.1));
    const quva::Body &earth = quva::earth();
    const quva::PlanetOrientation &o = sim.orientation(earth);
    // Over the ecliptic pole, 1 km up: latitude 90° − ε, where the air moves east at ω·r·sin ε.
    const Vec3 pos{0.0, earth.radius + 1000.0, 0.0};
    const double airSpeed = 2 * 3.14159265358979323846 / 86164.10132 * pos.y * std::sin(0.4090928023);
    const Vec3 air = quva::airVelocityAt(o, pos);
    EXPECT_NEAR(length(air), airSpeed, 1e-6);
    EXPECT_NEAR(dot(air, pos), 0.0, 1e-6);

    quva::Vessel &still = sim.createVessel("Still", "QuvaCapsule", {"STATUS Orbiting Earth", vec("RPOS", pos)});
    quva::Vessel &drifting = sim.createVessel("Drifting", "QuvaCapsule",
                                              {"STATUS Orbiting Earth", vec("RPOS", pos), vec("RVEL", air)});
    EXPECT_NEAR(still.readout.airspeed, airSpeed, 1e-6);
    EXPECT_GT(still.readout.drag, 1000.0);  // 185 m/s of wind on 12 m² of capsule
    EXPECT_NEAR(drifting.readout.airspeed, 0.0, 1e-6);
    EXPECT_NEAR(drifting.readout.drag, 0.0, 1e-6);
    // Falling with the air, the drifting capsule only meets the air it falls through.
    sim.runUntil(5.0);
    const double fall = -dot(drifting.state.vel, normalized(drifting.state.pos));
    EXPECT_NEAR(drifting.readout.airspeed, fall, 0.05 * fall);
    EXPECT_GT(still.readout.airspeed, 100.0);
}

TEST(TurningFrame, VesselTouchingDownIsSavedLanded) {
    quva::Simulation sim(flying(0.05));
    const quva::Body &earth = quva::earth();
    const Vec3 up = normalized(Vec3{0.3, 0.8, -0.2});
    const Vec3 pos = up * (earth.radius + 5.0);
    const Vec3 vel = quva::airVelocityAt(sim.orientation(earth), pos) - up * 4.0;
    // Level: its +y along the local vertical, the nose 30° east of north.
    const quva::PlanetOrientation &o = sim.orientation(earth);
    const Vec3 local = o.rotation.transposeTimes(pos);
    const double lon = std::atan2(local.z, local.x), lat = std::asin(local.y / length(local));
    const Vec3 arot = quva::eulerFromAttitude(o.rotation * quva::levelAttitude(lon, lat, 30.0 * kDeg));
    // A probe without touchdown points: landed as soon as its centre reaches the ground.
    quva::Vessel &v = sim.createVessel("Faller", "HostProbe",
                                       {"STATUS Orbiting Earth", vec("RPOS", pos), vec("RVEL", vel), vec("AROT", arot)});
    sim.runUntil(3.0);
    ASSERT_TRUE(v.state.landed);
    // The planet turned 0.005° under it while it fell with fixed attitude.
    EXPECT_NEAR(v.state.heading, 30.0, 0.01);
    EXPECT_NEAR(v.state.surface.alt, 0.0, 1e-6);
    const std::string block = savedBlock(sim, "Faller");
    const std::size_t at = block.find("\n  STATUS Landed Earth\n  POS ");
    ASSERT_NE(at, std::string::npos) << block;
    double savedLon = 0, savedLat = 0, heading = 0, alt = -1;
    ASSERT_EQ(std::sscanf(block.c_str() + at, "\n  STATUS Landed Earth\n  POS %lf %lf\n  HEADING %lf\n  ALT %lf\n  AROT",
                          &savedLon, &savedLat, &heading, &alt),
              4)
        << block;
    // It came down where it started, carried by the turning air: within 5 cm.
    EXPECT_NEAR(savedLon, lon / kDeg, 5e-7);
    EXPECT_NEAR(savedLat, lat / kDeg, 5e-7);
    EXPECT_NEAR(heading, 30.0, 0.01);
    EXPECT_EQ(alt, 0.0);
}

TEST(TurningFrame, PositionsInsideTheBodyAreMovedOutWithAWarning) {
    quva::Simulation sim(flying(0.1));
    // A probe without touchdown points: landed where its centre is put on the ground.
    quva::Vessel &centre = sim.createVessel("Centre", "HostProbe", {"STATUS Orbiting Earth", "RPOS 0 0 0"});
    EXPECT_EQ(centre.state.pos, (Vec3{0.0, 0.0, quva::earth().radius}));
    quva::Vessel &deep = sim.createVessel("Deep", "QuvaCapsule",
                                          {"STATUS Landed Moon", "POS 10 20", "HEADING 0", "ALT -1738000", "AROT 0 0 0"});
    EXPECT_NEAR(length(deep.state.pos), quva::moon().radius, 1e-6);
    ASSERT_EQ(sim.warnings().size(), 2u);
    EXPECT_NE(sim.warnings()[0].find("(created):2: vessel \"Centre\""), std::string::npos) << sim.warnings()[0];
    EXPECT_NE(sim.warnings()[1].find("(created):4: vessel \"Deep\""), std::string::npos) << sim.warnings()[1];
    sim.runSteps(2);
    EXPECT_TRUE(centre.state.landed);
    // Nothing is saved below the surface.
    EXPECT_NE(savedBlock(sim, "Centre").find("  ALT 0.000\n"), std::string::npos) << savedBlock(sim, "Centre");
    EXPECT_NE(savedBlock(sim, "Deep").find("  ALT 0.000\n"), std::string::npos) << savedBlock(sim, "Deep");
}

TEST(TurningFrame, LunarLanderFacesItsHeadingOnItsTouchdownPoints) {
    quva::Simulation sim(flying(0.1));
    quva::Vessel &v = sim.createVessel("Descent", "Tarrowick", {"STATUS Landed Moon", "POS 23.473 0.674", "HEADING 45"});
    const double lon = 23.473 * kDeg, lat = 0.674 * kDeg;
    EXPECT_NEAR(quva::headingOf(v.state.surface.landRot, lon, lat) / kDeg, 45.0, 1e-6);
    // Its touchdown points, level at 2.3 m below its centre, stand on legs that its weight
    // compresses: springs of 20 N/m per kg of empty mass, three of them, so by g/60 when it is
    // empty (0.0270516 m on the Moon).
    const double g = quva::moon().mu / (quva::moon().radius * quva::moon().radius);
    EXPECT_NEAR(g / 60.0, 0.0270516, 1e-7);
    for (const quva::TouchdownVertex &tp : v.def.touchdown) {
        EXPECT_EQ(tp.stiffness, 20.0 * v.def.emptyMass);
        // (The ground curves away from the level plane by some 6e-6 m at the points.)
        EXPECT_NEAR(length(v.state.pos + v.state.attitude * tp.pos) - quva::moon().radius, -g / 60.0, 1e-5);
    }
    EXPECT_NEAR(v.state.surface.alt, 2.3 - g / 60.0, 1e-9);
}

}  // namespace

namespace {

TEST(TurningFrame, ParachuteDriftingWithTheAirStaysStableInLongSteps) {
    // The step's stability is judged by the speed through the air, not the 185 m/s the air
    // itself moves at: a canopy judged by the latter would be stepped past its stability bound.
    quva::Simulation sim(flying(1.0));
    const quva::Body &earth = quva::earth();
    const Vec3 pos{0.0, earth.radius + 900.0, 0.0};
    const Vec3 air = quva::airVelocityAt(sim.orientation(earth), pos);
    quva::Vessel &v = sim.createVessel(
        "Main", "Ossum", {"STATUS Orbiting Earth", vec("RPOS", pos), vec("RVEL", air - Vec3{0, 10, 0}), "AROT 90 0 0", "STATE 1 1.0"});
    sim.runUntil(60.0);
    ASSERT_FALSE(v.groundContact);
    const double descent = -dot(v.state.vel, normalized(v.state.pos));
    // The cluster's terminal rate where it is: sqrt(2mg / (rho S cd)), three canopies of cd 0.25.
    const double altitude = length(v.state.pos) - earth.radius;
    const double g = earth.mu / (length(v.state.pos) * length(v.state.pos));
    const double rho = quva::atmosphereAt(earth, altitude).density;
    EXPECT_NEAR(descent, std::sqrt(2.0 * 3 * 57.60623099 * g / (rho * 260.0 * 0.25 * 3)), 0.02 * descent);
    EXPECT_NEAR(v.readout.airspeed, descent, 0.05 * descent);
}

}  // namespace

namespace {

TEST(TurningFrame, LandedVesselWithItsEngineBurningLiftsOff) {
    quva::Simulation sim(flying(0.1));
    quva::Vessel &idle = sim.createVessel("Idle", "Tarrowick",
                                          {"STATUS Landed Moon", "POS 10 20", "HEADING 0", "PRPLEVEL 0:1 1:1 2:1"});
    quva::Vessel &burning = sim.createVessel(
        "Burning", "Tarrowick", {"STATUS Landed Moon", "POS 10 20", "HEADING 0", "PRPLEVEL 0:1 1:1 2:1", "THLEVEL 0:1"});
    EXPECT_TRUE(burning.state.landed);
    sim.runUntil(3.0);
    EXPECT_TRUE(idle.state.landed);
    // With full stores the legs carry the loaded weight: 2.143 m.
    const double g = quva::moon().mu / (quva::moon().radius * quva::moon().radius);
    EXPECT_NEAR(idle.state.surface.alt, 2.3 - g * idle.mass() / (60.0 * idle.def.emptyMass), 1e-9);
    EXPECT_NEAR(idle.state.surface.alt, 2.1430706, 1e-7);
    EXPECT_FALSE(burning.state.landed);
    // 44.5 kN on some 10.4 t under lunar gravity: about 2.7 m/s² upward, some 12 m in 3 s.
    const double altitude = length(burning.state.pos) - quva::moon().radius - 2.3;
    EXPECT_GT(altitude, 8.0);
    EXPECT_LT(altitude, 16.0);
}

}  // namespace
