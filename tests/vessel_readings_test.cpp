// The readings over the turning ground: place, velocity east/north/up, attitude against the
// horizon, dynamic pressure and Mach number, for vessels put at known places and turns.
#include <gtest/gtest.h>

#include <cmath>

#include "core/simulation.h"
#include "core/vessel_readings.h"
#include "world/body.h"
#include "world/landed_attitude.h"
#include "world/planet_rotation.h"

namespace {

using quva::Mat3;
using quva::Vec3;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

quva::SimulationOptions still() {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.flightModel = false;
    return o;
}

// Turns in the vessel frame: the nose up by `a` (toward +y), the right side (+x) down by `a`.
Mat3 pitchedUp(double a) {
    return Mat3::fromColumns({1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)});
}
Mat3 bankedRight(double a) {
    return Mat3::fromColumns({std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1});
}

struct Placement {
    const char *name;
    double lonDeg, latDeg, altitude;
    Vec3 enu;  // m/s over the ground
    double heading, pitch, bank;  // deg
};

TEST(VesselReadings, PlaceVelocityAndAttitudeOverTheTurningGround) {
    const Placement cases[] = {
        {"level north at the equator", 0.0, 0.0, 1000.0, {0, 0, 0}, 0.0, 0.0, 0.0},
        {"east and sinking", -80.62, 28.62, 5000.0, {10, 0, -3}, 90.0, 0.0, 0.0},
        {"nose up 30", 120.0, -45.0, 200.0, {0, 5, 0}, 210.0, 30.0, 0.0},
        {"banked right 20", -170.0, 66.6, 3000.0, {-4, 7, 2}, 315.0, 0.0, 20.0},
        {"pitched down and banked left", 45.0, 10.0, 800.0, {1, 1, 1}, 10.0, -40.0, -60.0},
    };
    quva::Simulation sim(still());
    int n = 0;
    for (const Placement &c : cases) {
        SCOPED_TRACE(c.name);
        quva::Vessel &v = sim.createVessel("V" + std::to_string(++n), "QuvaCapsule");
        const quva::Body &earth = quva::earth();
        const quva::PlanetOrientation &o = sim.orientation(earth);
        const double lon = c.lonDeg * kDeg, lat = c.latDeg * kDeg;
        const Vec3 local = quva::planetFixedPoint(lon, lat, earth.radius + c.altitude);
        const Vec3 east{-std::sin(lon), 0, std::cos(lon)};
        const Vec3 north{-std::sin(lat) * std::cos(lon), std::cos(lat), -std::sin(lat) * std::sin(lon)};
        const Vec3 up = quva::planetFixedPoint(lon, lat, 1.0);
        v.state.pos = o.rotation * local;
        v.state.vel = quva::airVelocityAt(o, v.state.pos) + o.rotation * (east * c.enu.x + north * c.enu.y + up * c.enu.z);
        // Bank about the nose first, then pitch about the right side, then heading about the vertical.
        v.state.attitude =
            o.rotation * quva::levelAttitude(lon, lat, c.heading * kDeg) * pitchedUp(c.pitch * kDeg) * bankedRight(c.bank * kDeg);
        v.state.omega = quva::Vec3{1, -2, 3} * kDeg;

        const quva::VesselReadings r = quva::readVessel(v);
        EXPECT_NEAR(r.latitude, c.latDeg, 1e-9);
        EXPECT_NEAR(r.longitude, c.lonDeg, 1e-9);
        EXPECT_NEAR(r.altitude, c.altitude, 1e-6);
        EXPECT_NEAR(r.velocityEnu.x, c.enu.x, 1e-6);
        EXPECT_NEAR(r.velocityEnu.y, c.enu.y, 1e-6);
        EXPECT_NEAR(r.velocityEnu.z, c.enu.z, 1e-6);
        EXPECT_NEAR(r.verticalSpeed, c.enu.z, 1e-6);
        EXPECT_NEAR(r.airspeed, length(c.enu), 1e-6);
        EXPECT_NEAR(r.heading, c.heading, 1e-7);
        EXPECT_NEAR(r.pitch, c.pitch, 1e-7);
        EXPECT_NEAR(r.bank, c.bank, 1e-7);
        EXPECT_NEAR(r.angularVelocity.x, 1 * kDeg, 1e-15);
        EXPECT_NEAR(r.angularVelocity.y, -2 * kDeg, 1e-15);
        EXPECT_NEAR(r.angularVelocity.z, 3 * kDeg, 1e-15);
    }
}

TEST(VesselReadings, DynamicPressureAndMachFollowTheAir) {
    quva::Simulation sim(still());
    const quva::Body &earth = quva::earth();
    const quva::PlanetOrientation &o = sim.orientation(earth);
    struct Case {
        double altitude, airspeed, pressure, mach;
    } cases[] = {
        {0.0, 100.0, 0.5 * 1.225 * 100 * 100, 100.0 / 340.294},
        // 11 km above the surface is 10,981 m of geopotential height: 216.77 K.
        {11000.0, 250.0, 0.5 * 0.36480 * 250 * 250, 250.0 / 295.15},
        {90000.0, 7000.0, 0.0, 0.0},  // above the air
    };
    int n = 0;
    for (const Case &c : cases) {
        quva::Vessel &v = sim.createVessel("M" + std::to_string(++n), "QuvaCapsule");
        v.state.pos = o.rotation * quva::planetFixedPoint(0.3, 0.2, earth.radius + c.altitude);
        const Vec3 up = normalized(v.state.pos);
        v.state.vel = quva::airVelocityAt(o, v.state.pos) - up * c.airspeed;
        const quva::VesselReadings r = quva::readVessel(v);
        EXPECT_NEAR(r.dynamicPressure, c.pressure, c.pressure * 1e-4 + 1e-9) << c.altitude;
        EXPECT_NEAR(r.mach, c.mach, c.mach * 1e-4 + 1e-12) << c.altitude;
    }
}

TEST(VesselReadings, ALandedVesselStandsStillOnItsPlace) {
    quva::SimulationOptions options = still();
    options.flightModel = true;
    quva::Simulation sim(options);
    quva::Vessel &v = sim.createVessel("Descent", "Tarrowick", {"STATUS Landed Moon", "POS 23.473 0.674", "HEADING 45"});
    sim.runSteps(10);
    const quva::VesselReadings r = quva::readVessel(v);
    EXPECT_NEAR(r.longitude, 23.473, 1e-9);
    EXPECT_NEAR(r.latitude, 0.674, 1e-9);
    EXPECT_NEAR(r.heading, 45.0, 1e-6);
    EXPECT_NEAR(r.pitch, 0.0, 1e-6);
    EXPECT_NEAR(r.bank, 0.0, 1e-6);
    EXPECT_NEAR(length(r.velocityEnu), 0.0, 1e-6);
    EXPECT_EQ(r.dynamicPressure, 0.0);  // the Moon has no air
    EXPECT_EQ(r.mach, 0.0);
}

}  // namespace
