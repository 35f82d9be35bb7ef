// Attitude angles and the attitude of a landed vessel: the AROT a level vessel is saved with,
// the angles' round trip, resting on uneven touchdown points, and the heading read back.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "world/attitude_angles.h"
#include "world/landed_attitude.h"

namespace {

using quva::Mat3;
using quva::Vec3;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

struct LevelCase {
    double lon, lat, heading;  // deg
    Vec3 arot;                 // deg, as saved with three decimals
};

TEST(LandedAttitude, LevelVesselIsSavedWithTheWorkedAngles) {
    const LevelCase cases[] = {
        {0.0, 0.0, 0.0, {90.0, 0.0, 90.0}},
        {-80.6209, 28.6235, 90.0, {0.0, -80.621, 61.376}},
        {-33.4375, 41.125, 0.0, {64.307, 33.288, 48.762}},
    };
    for (const auto &c : cases) {
        const Mat3 r = quva::levelAttitude(c.lon * kDeg, c.lat * kDeg, c.heading * kDeg);
        const Vec3 a = quva::eulerFromAttitude(r);
        EXPECT_NEAR(a.x, c.arot.x, 5e-4) << c.lon << " " << c.lat;
        EXPECT_NEAR(a.y, c.arot.y, 5e-4) << c.lon << " " << c.lat;
        EXPECT_NEAR(a.z, c.arot.z, 5e-4) << c.lon << " " << c.lat;
        // The unrounded angles give the matrix back.
        const Mat3 back = quva::attitudeFromEuler(a);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(back.m[i][j], r.m[i][j], 1e-15);
    }
}

TEST(AttitudeAngles, ElementsFollowTheSimulatorsSigns) {
    // One angle at a time: where each rotation sends the vessel's nose (+z) and its right (+x).
    struct Case {
        Vec3 arot;
        Vec3 nose, right;
    } cases[] = {
        {{90.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {1.0, 0.0, 0.0}},
        {{-90.0, 0.0, 0.0}, {0.0, -1.0, 0.0}, {1.0, 0.0, 0.0}},
        {{0.0, 90.0, 0.0}, {-1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}},
        {{0.0, 0.0, 90.0}, {0.0, 0.0, 1.0}, {0.0, -1.0, 0.0}},
    };
    for (const auto &c : cases) {
        const Mat3 r = quva::attitudeFromEuler(c.arot);
        const Vec3 nose = r * Vec3{0, 0, 1}, right = r * Vec3{1, 0, 0};
        EXPECT_NEAR(length(nose - c.nose), 0.0, 1e-12) << c.arot.x << " " << c.arot.y << " " << c.arot.z;
        EXPECT_NEAR(length(right - c.right), 0.0, 1e-12) << c.arot.x << " " << c.arot.y << " " << c.arot.z;
        const Vec3 back = quva::eulerFromAttitude(r);
        EXPECT_NEAR(length(back - c.arot), 0.0, 1e-9);
    }
}

TEST(LandedAttitude, UnevenTouchdownPointsAreLaidLevel) {
    // A short front leg: the plane of the three points leans forward and to the side.
    const std::vector<Vec3> points = {{0.3, -1.0, 2.0}, {-1.0, -2.0, -1.0}, {1.0, -2.5, -1.0}};
    const quva::RestingGeometry g = quva::restingGeometry(points);
    double up[3];
    for (int k = 0; k < 3; ++k) up[k] = (g.tilt * points[k]).y;
    EXPECT_NEAR(up[0], up[1], 1e-12);
    EXPECT_NEAR(up[0], up[2], 1e-12);
    EXPECT_NEAR(g.height, -up[0], 1e-12);  // the origin stands that high above the points' plane
    EXPECT_GT(g.height, 1.0);
    EXPECT_LT(g.height, 2.5);

    // Level points: no turn, and the height is theirs.
    const quva::RestingGeometry level = quva::restingGeometry({{0, -2.3, 1}, {-1, -2.3, -1}, {1, -2.3, -1}});
    EXPECT_DOUBLE_EQ(level.height, 2.3);
    EXPECT_EQ(level.tilt.m[0][0], 1.0);
    EXPECT_EQ(level.tilt.m[1][2], 0.0);
    // Too few points to stand on: the origin sits on the ground.
    EXPECT_EQ(quva::restingGeometry({{0, -1, 0}}).height, 0.0);
}

TEST(LandedAttitude, HeadingIsReadBackFromTheAttitude) {
    const double lon = 23.473 * kDeg, lat = 0.674 * kDeg;
    for (double heading : {0.0, 45.0, 135.0, 270.0, 359.5}) {
        const Mat3 r = quva::levelAttitude(lon, lat, heading * kDeg);
        EXPECT_NEAR(quva::headingOf(r, lon, lat) / kDeg, heading, 1e-9);
        // Pitched up onto its tail, the vessel is headed where its nose was.
        const Mat3 tail = r * quva::attitudeFromEuler({90.0, 0.0, 0.0});
        EXPECT_NEAR(length(tail * Vec3{0, 0, 1} - quva::planetFixedPoint(lon, lat, 1.0)), 0.0, 1e-12);
        EXPECT_NEAR(quva::headingOf(tail, lon, lat) / kDeg, heading, 1e-9);
    }
}

TEST(LandedAttitude, LegsCompressUnderTheWeight) {
    // Three points (0,-2,10), (-3,-2,-5), (3,-2,-5), 1000 kg: the weight on the Moon and on
    // Earth (g 1.62309794 and 9.82021961 m/s²), equal springs of 1e6 N/m, then a front spring
    // twice as stiff on Earth, which tilts the vessel nose-up.
    const std::vector<Vec3> points{{0, -2, 10}, {-3, -2, -5}, {3, -2, -5}};
    struct Case {
        const char *what;
        double k0, weight;
        double compression[3];
        double height, tiltDeg;
    } cases[] = {
        {"Moon", 1e6, 1623.09794, {5.410326e-4, 5.410326e-4, 5.410326e-4}, 1.99945897, 0.0},
        {"Earth", 1e6, 9820.21961, {3.273407e-3, 3.273407e-3, 3.273407e-3}, 1.99672659, 0.0},
        {"Earth, stiff front", 2e6, 9820.21961, {1.636703e-3, 3.273407e-3, 3.273407e-3}, -1.0, 0.00625},
    };
    for (const Case &c : cases) {
        const double k[3] = {c.k0, 1e6, 1e6};
        const std::vector<Vec3> tp = quva::compressedUnderLoad(points, k, c.weight);
        double load = 0.0, moment = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double d = tp[i].y - points[i].y;  // along the plane's normal, +y
            EXPECT_NEAR(d, c.compression[i], 2e-9) << c.what << " point " << i;
            load += k[i] * d;
            moment += k[i] * d * points[i].z;
        }
        EXPECT_NEAR(load, c.weight, 1e-6) << c.what;  // the springs carry it
        EXPECT_NEAR(moment, 0.0, 1e-6) << c.what;     // without a moment about the centre
        const quva::RestingGeometry rest = quva::restingGeometry(tp);
        if (c.height > 0.0) {
            EXPECT_NEAR(rest.height, c.height, 1e-8) << c.what;
        }
        // The tilt that lays the compressed plane level: a turn about x.
        EXPECT_NEAR(std::acos(std::fmin(1.0, rest.tilt.m[1][1])) / kDeg, c.tiltDeg, 2e-5) << c.what;
    }
    // No weight, no compression.
    const double k[3] = {1e6, 1e6, 1e6};
    EXPECT_EQ(quva::compressedUnderLoad(points, k, 0.0), points);
}

}  // namespace
