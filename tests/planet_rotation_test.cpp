// The planets' rotation and precession against worked numbers of the rotation model, and a
// landed point on Earth carried into the global frame.
#include <gtest/gtest.h>

#include <cmath>

#include "world/body.h"
#include "world/landed_attitude.h"
#include "world/planet_rotation.h"

namespace {

using quva::PlanetOrientation;
using quva::planetOrientation;
using quva::Vec3;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

struct OrientationCase {
    const char *body;
    double mjd;
    double theta, eclipticLan, eclipticObliquity, offset;
    double offsetTolerance;
};

class PlanetOrientationAt : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(PlanetOrientationAt, MatchesTheWorkedNumbers) {
    const OrientationCase &c = GetParam();
    const PlanetOrientation o = planetOrientation(quva::findBody(c.body)->rotation, c.mjd, 0.0);
    EXPECT_NEAR(o.rotationAngle, c.theta, 2e-9);
    EXPECT_NEAR(o.eclipticLan, c.eclipticLan, 2e-9);
    EXPECT_NEAR(o.eclipticObliquity, c.eclipticObliquity, 2e-9);
    EXPECT_NEAR(o.offset, c.offset, c.offsetTolerance);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedNumbers, PlanetOrientationAt,
    ::testing::Values(OrientationCase{"Earth", 51544.5, 4.889487540, 0.0, 0.4090928023, 0.0, 0.0},
                      OrientationCase{"Earth", 60000.0, 2.691346576, -0.005644029, 0.4090928023, 0.0, 0.0},
                      OrientationCase{"Moon", 51544.5, 4.772133824, 2.179855677, 0.026913603, 2.668e-3, 1e-6},
                      OrientationCase{"Moon", 60000.0, 3.038343995, 0.644563570, 0.026995585, 4.834e-4, 1e-7}),
    [](const auto &info) { return std::string(info.param.body) + std::to_string(info.index); });

TEST(PlanetOrientation, EarthAtJ2000HasTheWorkedMatrixAndPole) {
    const PlanetOrientation o = planetOrientation(quva::earth().rotation, 51544.5, 0.0);
    const double rows[3][3] = {{0.176174260, 0.0, 0.984358995},
                               {0.391555520, 0.917482063, -0.070078096},
                               {-0.903131721, 0.397777154, 0.161636724}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(o.rotation.m[i][j], rows[i][j], 1e-9) << i << "," << j;
    const Vec3 pole = o.rotation * Vec3{0.0, 1.0, 0.0};
    EXPECT_NEAR(pole.y, std::cos(0.4090928023), 1e-12);
    EXPECT_NEAR(pole.z, std::sin(0.4090928023), 1e-12);
}

TEST(PlanetOrientation, RunningADayEqualsStartingADayLater) {
    for (const quva::Body *b : {&quva::earth(), &quva::moon()}) {
        const PlanetOrientation started = planetOrientation(b->rotation, 59999.0, 86400.0);
        const PlanetOrientation direct = planetOrientation(b->rotation, 60000.0, 0.0);
        EXPECT_NEAR(started.rotationAngle, direct.rotationAngle, 1e-10) << b->name;
        EXPECT_NEAR(started.eclipticLan, direct.eclipticLan, 1e-12) << b->name;
    }
}

TEST(PlanetOrientation, LandedPointOnEarthMovesWithTheSurface) {
    const quva::Body &earth = quva::earth();
    const PlanetOrientation o = planetOrientation(earth.rotation, 51544.5, 0.0);
    const Vec3 local = quva::planetFixedPoint(-80.6209 * kDeg, 28.6235 * kDeg, earth.radius);
    EXPECT_NEAR(local.x, 911369.36, 0.01);
    EXPECT_NEAR(local.y, 3052044.60, 0.01);
    EXPECT_NEAR(local.z, -5517626.13, 0.01);
    const Vec3 global = o.rotation * local;
    EXPECT_NEAR(global.x, -5270765.08, 0.01);
    EXPECT_NEAR(global.y, 3543712.61, 0.01);
    EXPECT_NEAR(global.z, -500903.97, 0.01);
    const Vec3 v = quva::airVelocityAt(o, global);
    EXPECT_NEAR(v.x, 136.303, 1e-3);
    EXPECT_NEAR(v.y, 152.886, 1e-3);
    EXPECT_NEAR(v.z, -352.634, 1e-3);
    EXPECT_NEAR(length(v), 407.80, 0.01);
}

TEST(Bodies, MassRadiusAndGravityOfThePlanetsConfiguration) {
    EXPECT_EQ(quva::earth().radius, 6.37101e6);
    EXPECT_NEAR(quva::earth().mu, 3.986004e14, 1e8);
    EXPECT_EQ(quva::moon().radius, 1.738e6);
    EXPECT_NEAR(quva::moon().mu, 4.902801e12, 1e6);
}

}  // namespace
