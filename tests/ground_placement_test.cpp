// Placing vessels over the turning ground: the placement is the exact inverse of the readings,
// across the globe, both bodies and every attitude, in flight and landed; held vessels follow.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/ground_placement.h"
#include "core/simulation.h"
#include "core/vessel_readings.h"
#include "world/body.h"
#include "world/landed_attitude.h"
#include "world/local_horizon.h"

namespace {

using quva::GroundPlacement;
using quva::Mat3;
using quva::Vec3;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

quva::SimulationOptions options(bool flight) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.flightModel = flight;
    return o;
}

GroundPlacement at(double lat, double lon, double alt, Vec3 enu, double heading, double pitch, double bank,
                   const quva::Body *body = nullptr) {
    GroundPlacement p;
    p.body = body;
    p.latitude = lat;
    p.longitude = lon;
    p.altitude = alt;
    p.velocityEnu = enu;
    p.heading = heading;
    p.pitch = pitch;
    p.bank = bank;
    return p;
}

void expectReadBack(const quva::VesselReadings &r, const GroundPlacement &p) {
    const double metresPerDegree = kDeg * 6371010.0;
    EXPECT_NEAR(r.latitude * metresPerDegree, p.latitude * metresPerDegree, 1e-3);
    EXPECT_NEAR(std::remainder(r.longitude - p.longitude, 360.0) * metresPerDegree * std::cos(p.latitude * kDeg), 0.0, 1e-3);
    EXPECT_NEAR(r.altitude, *p.altitude, 1e-3);
    EXPECT_NEAR(r.velocityEnu.x, p.velocityEnu.x, 1e-3);
    EXPECT_NEAR(r.velocityEnu.y, p.velocityEnu.y, 1e-3);
    EXPECT_NEAR(r.velocityEnu.z, p.velocityEnu.z, 1e-3);
    EXPECT_NEAR(r.heading, p.heading, 1e-7);
    EXPECT_NEAR(r.pitch, p.pitch, 1e-7);
    EXPECT_NEAR(r.bank, p.bank, 1e-7);
    EXPECT_NEAR(r.angularVelocity.x, p.angularVelocity.x, 1e-12);
    EXPECT_NEAR(r.angularVelocity.y, p.angularVelocity.y, 1e-12);
    EXPECT_NEAR(r.angularVelocity.z, p.angularVelocity.z, 1e-12);
}

TEST(LocalHorizon, HeadingPitchBankIsTheLevelAttitudeTurnedAsTheReadingsTurnIt) {
    // Level: the attitude a landed vessel has; nose up and right side down turn it further.
    for (double lat : {-80.0, 0.0, 33.3}) {
        for (double lon : {-120.0, 0.0, 179.0}) {
            for (double heading : {0.0, 95.0, 271.0}) {
                const Mat3 a = quva::attitudeFromHeading(lon * kDeg, lat * kDeg, heading * kDeg, 0.0, 0.0);
                const Mat3 b = quva::levelAttitude(lon * kDeg, lat * kDeg, heading * kDeg);
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-15);
                const quva::HeadingPitchBank back =
                    quva::headingPitchBank(quva::attitudeFromHeading(lon * kDeg, lat * kDeg, heading * kDeg, 0.3, -2.0),
                                           lon * kDeg, lat * kDeg);
                EXPECT_NEAR(back.heading, heading * kDeg, 1e-12);
                EXPECT_NEAR(back.pitch, 0.3, 1e-12);
                EXPECT_NEAR(back.bank, -2.0, 1e-12);
            }
        }
    }
}

TEST(LocalHorizon, StraightUpTheHeadingIsWhereTheBellyFaces) {
    // Nose straight up, heading and bank turn the vessel about the same axis: the readings take
    // the heading from the belly, and so does the placement, whatever the bank.
    for (double pitch : {90.0, 89.99999999, -90.0}) {
        SCOPED_TRACE(pitch);
        const Mat3 level = quva::attitudeFromHeading(0.2, 0.4, 30 * kDeg, pitch * kDeg, 0.0);
        const Mat3 banked = quva::attitudeFromHeading(0.2, 0.4, 30 * kDeg, pitch * kDeg, 25 * kDeg);
        for (const Mat3 &m : {level, banked}) {
            const quva::HeadingPitchBank r = quva::headingPitchBank(m, 0.2, 0.4);
            EXPECT_NEAR(r.pitch, pitch * kDeg, 1e-7);
            EXPECT_NEAR(r.heading, 30 * kDeg, 1e-9);
        }
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(level.m[i][j], banked.m[i][j], 1e-7);
    }
}

TEST(GroundPlacement, ReadsBackWhatWasPlacedInFlight) {
    GroundPlacement turning = at(0.0, -179.5, 400000.0, {7600, 0, 0}, 90, 45, -170);
    turning.angularVelocity = {0.01, -0.2, 0.03};
    GroundPlacement overGround = at(-33.9, 151.2, 12000, {220, -35, 12.5}, 271.5, -10, 25);
    overGround.relativeTo = GroundPlacement::Reference::Ground;
    const GroundPlacement cases[] = {
        at(66.6, 0.0, 4000.0, {0, 0, -100}, 0, 0, 0), overGround, turning,
        at(89.9, 45.0, 10.0, {1, 2, 3}, 359, 89, 0), at(-89.0, -45.0, 10.0, {1, 2, 3}, 1, -80, 120),
        at(10.0, 20.0, 1500.0, {-50, 40, -2}, 180, 0, 0, &quva::moon()),
    };
    quva::Simulation sim(options(false));
    int n = 0;
    for (const GroundPlacement &p : cases) {
        SCOPED_TRACE(n);
        quva::Vessel &v = sim.createVessel("V" + std::to_string(++n), "QuvaCapsule", p);
        EXPECT_EQ(v.state.body, p.body ? p.body : &quva::earth());
        EXPECT_FALSE(v.state.landed);
        expectReadBack(quva::readVessel(v), p);
        // Placed again, anywhere else, the same.
        quva::Vessel &w = sim.createVessel("W" + std::to_string(n), "QuvaCapsule");
        sim.place(w, p);
        expectReadBack(quva::readVessel(w), p);
    }
}

TEST(GroundPlacement, LandedStandsOnItsTouchdownPointsAndTurnsWithThePlanet) {
    quva::Simulation sim(options(true));
    GroundPlacement p;
    p.body = &quva::moon();
    p.latitude = 23.473;
    p.longitude = 0.674;
    p.heading = 45.0;
    p.landed = true;
    quva::Vessel &placed = sim.createVessel("Placed", "Tarrowick", p);
    // The same place written as a scenario block: the two must stand alike.
    quva::Vessel &read = sim.createVessel(
        "Read", "Tarrowick", {"STATUS Landed Moon", "POS 0.6740000 23.4730000", "HEADING 45.0000"});
    EXPECT_TRUE(placed.state.landed && placed.groundContact);
    EXPECT_NEAR(length(placed.state.pos - read.state.pos), 0.0, 1e-6);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(placed.state.attitude.m[i][j], read.state.attitude.m[i][j], 1e-12);
    sim.runSteps(20);
    const quva::VesselReadings r = quva::readVessel(placed);
    EXPECT_NEAR(r.latitude, 23.473, 1e-9);
    EXPECT_NEAR(r.longitude, 0.674, 1e-9);
    EXPECT_NEAR(r.heading, 45.0, 1e-7);
    EXPECT_NEAR(length(r.velocityEnu), 0.0, 1e-9);
}

TEST(GroundPlacement, RefusesWhatCannotBe) {
    GroundPlacement inFlight = at(0, 0, 100, {}, 0, 0, 0);
    GroundPlacement noAltitude = inFlight;
    noAltitude.altitude.reset();
    GroundPlacement moving = at(0, 0, 0, {1, 0, 0}, 0, 0, 0);
    moving.landed = true;
    GroundPlacement spinning = moving;
    spinning.velocityEnu = {};
    spinning.angularVelocity = {0, 0.1, 0};
    GroundPlacement nan = inFlight;
    nan.bank = NAN;
    const GroundPlacement bad[] = {noAltitude, at(0, 0, -1, {}, 0, 0, 0), at(90.5, 0, 1, {}, 0, 0, 0), moving,
                                   spinning, nan, at(0, INFINITY, 1, {}, 0, 0, 0)};
    quva::Simulation sim(options(false));
    quva::Vessel &v = sim.createVessel("V", "QuvaCapsule", inFlight);
    const Vec3 before = v.state.pos;
    for (const GroundPlacement &p : bad) {
        EXPECT_FALSE(quva::placementProblem(p).empty());
        EXPECT_THROW(sim.place(v, p), std::invalid_argument);
        EXPECT_THROW(sim.createVessel("X", "QuvaCapsule", p), std::invalid_argument);
    }
    EXPECT_EQ(v.state.pos.x, before.x);
    EXPECT_EQ(sim.vessels().size(), 1u);
}

}  // namespace
