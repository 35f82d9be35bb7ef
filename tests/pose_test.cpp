#include <gtest/gtest.h>

#include "core/pose.h"
#include "core/vessel.h"
#include "files/mesh.h"

namespace {

using quva::Vec3;

void expectNear(const Vec3 &a, const Vec3 &b) {
    EXPECT_NEAR(a.x, b.x, 1e-6) << "x";
    EXPECT_NEAR(a.y, b.y, 1e-6) << "y";
    EXPECT_NEAR(a.z, b.z, 1e-6) << "z";
}

// A vessel with one mesh of three one-point groups at (1,0,0), (0,1,0) and (2,2,2), built by hand.
class PoseTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (Vec3 p : {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{2, 2, 2}}) {
            quva::MeshGroup g;
            g.positions = {p};
            mesh.groups.push_back(g);
        }
        quva::MeshSlot slot;
        slot.mesh = &mesh;
        vessel.meshes.push_back(slot);
        vessel.animations.reserve(4);  // the tests hold references to animations while adding more
    }

    quva::Animation &animation(double initial, double state) {
        quva::Animation a;
        a.initialState = initial;
        a.state = state;
        vessel.animations.push_back(std::move(a));
        return vessel.animations.back();
    }

    quva::AnimationComponent *component(quva::Animation &a, MGROUP_TRANSFORM *t,
                                        quva::AnimationComponent *parent = nullptr, double s0 = 0.0,
                                        double s1 = 1.0) {
        auto c = std::make_unique<quva::AnimationComponent>();
        c->state0 = s0;
        c->state1 = s1;
        c->transform = t;
        c->parent = parent;
        a.components.push_back(std::move(c));
        return a.components.back().get();
    }

    Vec3 at(std::size_t group) {
        auto points = quva::posedGroup(vessel, 0, group);
        EXPECT_EQ(points.size(), 1u);
        return points.empty() ? Vec3{} : points[0];
    }

    quva::Mesh mesh;
    quva::Vessel vessel;
    UINT group0[1] = {0};
    UINT group1[1] = {1};
    UINT group2[1] = {2};
};

TEST_F(PoseTest, StoredMeshAtInitialStateWithOffset) {
    MGROUP_ROTATE turn(0, group0, 1, _V(0, 0, 0), _V(0, 0, 1), static_cast<float>(PI / 2));
    component(animation(0.3, 0.3), &turn);
    vessel.meshes[0].offset = {0, 0, -5};
    expectNear(at(0), {1, 0, -5});
}

TEST_F(PoseTest, RotationIsRelativeToInitialState) {
    // Stored at state 1 (turned by 90°); at state 0 it is turned back by 90°.
    MGROUP_ROTATE turn(0, group0, 1, _V(0, 0, 0), _V(0, 0, 2), static_cast<float>(PI / 2));
    quva::Animation &a = animation(1.0, 0.0);
    component(a, &turn);
    expectNear(at(0), {0, -1, 0});
    a.state = 0.5;  // half way back: 45° clockwise of the stored pose
    expectNear(at(0), {std::sqrt(0.5), -std::sqrt(0.5), 0});
    expectNear(at(1), {0, 1, 0});  // groups not named stay
}

TEST_F(PoseTest, RotationAboutReferencePoint) {
    MGROUP_ROTATE turn(0, group2, 1, _V(2, 2, 0), _V(1, 0, 0), static_cast<float>(PI / 2));
    component(animation(0.0, 1.0), &turn);
    expectNear(at(2), {2, 0, 0});  // (0,0,2) from the pivot turned about +x to (0,-2,0)
}

TEST_F(PoseTest, ScaleAtStateZeroWithInitialOneShrinksCanopy) {
    MGROUP_SCALE deploy(0, group2, 1, _V(0, 0, 0), _V(200, 200, 1000));
    quva::Animation &a = animation(1.0, 0.0);
    component(a, &deploy);
    expectNear(at(2), {2.0 / 200, 2.0 / 200, 2.0 / 1000});
    a.state = 0.5;
    expectNear(at(2), {2 * 100.5 / 200, 2 * 100.5 / 200, 2 * 500.5 / 1000});
}

TEST_F(PoseTest, TranslateByProgressDifference) {
    MGROUP_TRANSLATE slide(0, group1, 1, _V(0, 0, 4));
    component(animation(0.25, 0.75), &slide);
    expectNear(at(1), {0, 1, 2});
}

TEST_F(PoseTest, ChildTurnsByItsOwnThenItsParents) {
    // Parent: the leg, group 0, about z through the origin. Child: the wheel, group 2, about x
    // through (2,2,0), in an animation of its own.
    MGROUP_ROTATE leg(0, group0, 1, _V(0, 0, 0), _V(0, 0, 1), static_cast<float>(PI / 2));
    MGROUP_ROTATE wheel(0, group2, 1, _V(2, 2, 0), _V(1, 0, 0), static_cast<float>(PI / 2));
    quva::Animation &fold = animation(0.0, 1.0);
    quva::Animation &spin = animation(0.0, 1.0);
    auto *parent = component(fold, &leg);
    component(spin, &wheel, parent);
    // Own turn: (2,2,2) -> (2,0,0); then the parent's 90° about z: -> (0,2,0).
    expectNear(at(2), {0, 2, 0});
    // The parent's own group moves by the parent only.
    expectNear(at(0), {0, 1, 0});

    // Each ancestor is posed at its own animation's state: parent at rest, the child alone moves.
    vessel.animations[0].state = 0.0;
    expectNear(at(2), {2, 0, 0});
}

TEST_F(PoseTest, StatesOutsideTheRangeShowTheNearestEnd) {
    MGROUP_ROTATE turn(0, group0, 1, _V(0, 0, 0), _V(0, 0, 1), static_cast<float>(PI / 2));
    quva::Animation &a = animation(0.0, 1.7);
    component(a, &turn);
    expectNear(at(0), {0, 1, 0});
    a.state = -3.0;
    expectNear(at(0), {1, 0, 0});

    // A component on part of the range: full turn reached at state 0.5.
    vessel.animations.clear();
    component(animation(0.0, 0.8), &turn, nullptr, 0.0, 0.5);
    expectNear(at(0), {0, 1, 0});
}

TEST_F(PoseTest, OtherMeshIndexAndMissingMeshOrGroup) {
    MGROUP_ROTATE elsewhere(1, group0, 1, _V(0, 0, 0), _V(0, 0, 1), static_cast<float>(PI / 2));
    component(animation(0.0, 1.0), &elsewhere);
    expectNear(at(0), {1, 0, 0});
    EXPECT_TRUE(quva::posedGroup(vessel, 0, 3).empty());
    EXPECT_TRUE(quva::posedGroup(vessel, 1, 0).empty());
    vessel.meshes[0].mesh = nullptr;
    EXPECT_TRUE(quva::posedGroup(vessel, 0, 0).empty());
}

TEST(RotationAbout, RightHandedWithUnnormalisedAxis) {
    const quva::Mat3 r = quva::rotationAbout({0, 0, 5}, PI / 2);
    expectNear(r * Vec3{1, 0, 0}, {0, 1, 0});
    const quva::Mat3 q = quva::rotationAbout({1, 1, 1}, 2 * PI / 3);  // cycles the axes
    expectNear(q * Vec3{1, 0, 0}, {0, 1, 0});
}

}  // namespace
