// Bodies made of parts: mass, centre of mass and moments as the simulator sums a docked
// assembly (two 8000 kg modules with ports 5 m from their centres, end to end).
#include <gtest/gtest.h>

#include <cmath>

#include "world/composite_body.h"

namespace quva {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Case {
    const char *name;
    double secondMass;
    double secondRoll;  // rad, about x
    double cgZ;
    Vec3 pmi;
};

TEST(CompositeBody, TwoModulesEndToEnd) {
    const Case cases[] = {
        {"equal", 8000.0, 0.0, 5.0, {32.7, 32.7, 2.3}},
        {"second rolled 90 degrees", 8000.0, kPi / 2, 5.0, {32.7, 30.0, 5.0}},
        {"lighter second", 1800.0, 0.0, 1.836735, {22.693753, 22.693753, 2.3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const BodyPart first{8000.0, {7.7, 7.7, 2.3}, Mat3{}, {0.0, 0.0, 0.0}};
        const BodyPart second{c.secondMass, {7.7, 7.7, 2.3}, rotationAbout({1.0, 0.0, 0.0}, c.secondRoll), {0.0, 0.0, 10.0}};
        const CompositeBody b = combine({first, second});
        EXPECT_DOUBLE_EQ(b.mass, 8000.0 + c.secondMass);
        EXPECT_NEAR(b.centreOfMass.z, c.cgZ, 1e-6);
        EXPECT_NEAR(b.centreOfMass.x, 0.0, 1e-12);
        EXPECT_NEAR(b.pmi.x, c.pmi.x, 1e-6);
        EXPECT_NEAR(b.pmi.y, c.pmi.y, 1e-6);
        EXPECT_NEAR(b.pmi.z, c.pmi.z, 1e-6);
    }
}

TEST(CompositeBody, OnePartKeepsItsOwnMoments) {
    const CompositeBody b = combine({BodyPart{100.0, {2.0, 3.0, 4.0}, Mat3{}, {1.0, -2.0, 3.0}}});
    EXPECT_DOUBLE_EQ(b.mass, 100.0);
    EXPECT_NEAR(b.centreOfMass.y, -2.0, 1e-12);
    EXPECT_NEAR(b.pmi.x, 2.0, 1e-12);
    EXPECT_NEAR(b.pmi.y, 3.0, 1e-12);
    EXPECT_NEAR(b.pmi.z, 4.0, 1e-12);
}

TEST(CompositeBody, MasslessPartsAreLeftOut) {
    const CompositeBody b = combine({BodyPart{0.0, {9.0, 9.0, 9.0}, Mat3{}, {0.0, 0.0, 50.0}},
                                     BodyPart{10.0, {1.0, 1.0, 1.0}, Mat3{}, {0.0, 0.0, 0.0}}});
    EXPECT_DOUBLE_EQ(b.mass, 10.0);
    EXPECT_DOUBLE_EQ(b.centreOfMass.z, 0.0);
    EXPECT_NEAR(b.pmi.x, 1.0, 1e-12);
    EXPECT_EQ(combine({}).mass, 0.0);
}

}  // namespace
}  // namespace quva
