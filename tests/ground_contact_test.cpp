// The ground's push on touchdown points against worked values: springs and dampers, friction
// with its square-root fade below 10 m/s, the limit on the friction sum, the 10° torque limit,
// the 1 m depth limit and the ground turning with its planet.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "world/contact_propagator.h"
#include "world/ground_contact.h"

namespace {

using quva::Vec3;

constexpr double kRadius = 1e6;
constexpr double kTenDegrees = 10.0 * 3.14159265358979323846 / 180.0;

// A point straight under the centre and two behind, 1 m higher: with the centre 1.95 m up only
// the first touches, 5 cm deep. The vessel's +y is up, its length along +z.
std::vector<quva::TouchdownVertex> legs() {
    std::vector<quva::TouchdownVertex> p(3);
    p[0].pos = {0.0, -2.0, 0.0};
    p[1].pos = {-3.0, -1.0, -5.0};
    p[2].pos = {3.0, -1.0, -5.0};
    return p;
}

struct Case {
    const char *name;
    double height;  // m, of the centre above the ground
    Vec3 vel, omega;
    double mass, h;
    Vec3 pmi;
    Vec3 force, torque;
};

void expectNear(const Vec3 &got, const Vec3 &want, double tol, const std::string &what) {
    EXPECT_NEAR(got.x, want.x, tol) << what;
    EXPECT_NEAR(got.y, want.y, tol) << what;
    EXPECT_NEAR(got.z, want.z, tol) << what;
}

TEST(GroundContact, ForcesAndTorquesOfTheTouchdownPoints) {
    const Vec3 big{10.0, 10.0, 10.0};
    // 5 cm deep: spring 5e4 N, friction base 5e4 N (under 10 cm); the first point slides with
    // the longitudinal coefficient 0.1 and the lateral 0.5. Torque F x p with p = (0, -2, 0).
    const Case cases[] = {
        // Sinking at 0.2 m/s: the damper adds 2e4 N.
        {"sinking", 1.95, {0, -0.2, 0}, {}, 1e4, 1e-3, big, {0, 7e4, 0}, {}},
        // Sliding ahead at 2 m/s: 0.1 x 5e4 x sqrt(0.2) against it.
        {"slow along", 1.95, {0, 0, 2}, {}, 1e4, 1e-3, big, {0, 5e4, -2236.0679775}, {-4472.135955, 0, 0}},
        // From 10 m/s on, the full 0.1 x 5e4.
        {"fast along", 1.95, {0, 0, 20}, {}, 1e4, 1e-3, big, {0, 5e4, -5000}, {-10000, 0, 0}},
        // Sideways at 0.4 m/s: 0.5 x 5e4 x sqrt(0.04).
        {"slow across", 1.95, {0.4, 0, 0}, {}, 1e4, 1e-3, big, {-5000, 5e4, 0}, {0, 0, 10000}},
        // A 1 kg vessel in 0.1 s sub-steps: the friction sum may only stop its 2 m/s, 20 N; the
        // torque is cut to what turns it 10° in a sub-step.
        {"limited", 1.95, {0, 0, 2}, {}, 1.0, 0.1, {1, 1, 1}, {0, 5e4, -20}, {-kTenDegrees / 0.01, 0, 0}},
        // Rolling at 1 rad/s: the point slides at 2 m/s sideways (p x omega) while the centre
        // stands, so the friction moves the centre nowhere but its torque opposes the roll.
        {"rolling", 1.95, {}, {0, 0, 1}, 1e4, 1e-3, big, {0, 5e4, 0}, {0, 0, -22360.679775}},
        // 3.5 m and some 2.5 m deep: every spring counts 1 m at most.
        {"deep", -1.5, {}, {}, 1e4, 1e-3, big, {0, 3e6, 0}, {-1e7, 0, 0}},
        // Above the ground: nothing.
        {"clear", 2.5, {0, -3, 0}, {}, 1e4, 1e-3, big, {}, {}},
    };
    for (const Case &c : cases) {
        const quva::ContactPose pose{{0.0, kRadius + c.height, 0.0}, c.vel, quva::Mat3{}, c.omega};
        const quva::ContactLoad load = quva::groundContactLoad(legs(), pose, quva::Ground{kRadius, nullptr}, c.mass, c.pmi, c.h);
        EXPECT_EQ(load.touching, c.height < 2.0) << c.name;
        expectNear(load.force, c.force, 1e-3, std::string(c.name) + " force");
        expectNear(load.torque, c.torque, 1e-2, std::string(c.name) + " torque");
    }
}

TEST(GroundContact, GroundTurnsWithItsPlanet) {
    // On the equator at +x, the vessel's +y up and its length along +z (east): the ground moves
    // east at Omega r.
    quva::PlanetOrientation o;
    o.angularRate = 7.292115e-5;
    const quva::Ground ground{kRadius, &o};
    const Vec3 pos{kRadius + 1.95, 0.0, 0.0};
    const quva::Mat3 upOnX = quva::Mat3::fromColumns({0, -1, 0}, {1, 0, 0}, {0, 0, 1});
    const Vec3 eastward{0.0, 0.0, o.angularRate * pos.x};
    EXPECT_EQ(quva::groundVelocityAt(ground, pos), eastward);
    const Vec3 big{10, 10, 10};
    // Carried with the ground: the spring alone.
    const quva::ContactLoad riding = quva::groundContactLoad(legs(), {pos, eastward, upOnX, {}}, ground, 1e4, big, 1e-3);
    expectNear(riding.force, {0, 5e4, 0}, 1e-3, "riding");
    // At rest in space the ground slides east under it at 73 m/s: full friction, eastward.
    const quva::ContactLoad still = quva::groundContactLoad(legs(), {pos, {}, upOnX, {}}, ground, 1e4, big, 1e-3);
    expectNear(still.force, {0, 5e4, 5000}, 1e-3, "still");
}

TEST(GroundContact, DefaultPointsAreTheSimulatorsWithTheirSprings) {
    const auto p = quva::defaultTouchdownPoints();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].pos, (Vec3{0, -2, 10}));
    EXPECT_EQ(p[1].pos, (Vec3{-3, -2, -5}));
    EXPECT_EQ(p[2].pos, (Vec3{3, -2, -5}));
    for (const auto &v : p) {
        EXPECT_EQ(v.stiffness, 1e6);
        EXPECT_EQ(v.damping, 1e5);
        EXPECT_EQ(v.mu, 0.5);
        EXPECT_EQ(v.muLng, 0.1);
    }
    EXPECT_EQ(quva::touchdownReach(p), std::sqrt(104.0));
}

}  // namespace

namespace {

// The simulator's ten sub-steps where they are stable (its frames of 1/60 s), more where a long
// step would be thrown by stiff legs: the default points under 1000 kg with the inertia (20, 20,
// 10) m² damp at most 2100 /s (1e5 N s/m times 11.4, 4.8 and 4.8 per tonne), 4 per sub-step.
TEST(GroundContact, SubstepsStayWithinTheTablesStability) {
    quva::ContactStepLoads loads;
    loads.mass = 1000.0;
    loads.pmi = {20.0, 20.0, 10.0};
    const auto legs = quva::defaultTouchdownPoints();
    const struct {
        double dt;
        int substeps;
    } cases[] = {{1.0 / 60.0, 10}, {0.05, 27}, {0.1, 53}, {1.0, 525}, {10.0, 5250}, {100.0, 20000}};
    for (const auto &c : cases) EXPECT_EQ(quva::contactSubsteps(legs, loads, c.dt, 10), c.substeps) << c.dt;
    // A heavy capsule on the same springs keeps ten even in 0.1 s steps.
    loads.mass = 5500.0;
    loads.pmi = {2.1, 2.1, 1.8};
    std::vector<quva::TouchdownVertex> shield(3);
    shield[0].pos = {0.0, -1.8, -1.0};
    shield[1].pos = {-1.56, 0.9, -1.0};
    shield[2].pos = {1.56, 0.9, -1.0};
    EXPECT_EQ(quva::contactSubsteps(shield, loads, 0.1, 10), 10);
}

}  // namespace
