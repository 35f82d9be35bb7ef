// The descent stage (Kessary in module Tarrowick), driven through the host: its definition, the
// landing-gear rig, the G key, the gear's motion step by step, its scenario line and its mesh.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/pose.h"
#include "core/simulation.h"
#include "module_test_support.h"

namespace {

using quva::Simulation;
using quva::Vec3;
using quvatest::animationStates;
using quvatest::hostOptions;
using quvatest::jsonNumber;
using quvatest::outCalls;
using quvatest::savedBlock;
using quvatest::savedStateLine;

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The states sent from each of the first `steps` steps (NaN: none sent).
std::vector<double> statesPerStep(Simulation &sim, const std::string &vessel, std::int64_t first, std::int64_t steps) {
    std::vector<double> out(static_cast<std::size_t>(steps), kNone);
    for (const auto &c : outCalls(sim, vessel, "SetAnimation")) {
        if (c.callback != "clbkPostStep" || c.step < first || c.step >= first + steps) continue;
        EXPECT_TRUE(std::isnan(out[static_cast<std::size_t>(c.step - first)])) << "two calls in step " << c.step;
        out[static_cast<std::size_t>(c.step - first)] = jsonNumber(c.args.at(1));
    }
    return out;
}

void expectStates(const std::vector<double> &shown, const std::vector<double> &expected) {
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        if (std::isnan(expected[i])) {
            EXPECT_TRUE(std::isnan(shown[i])) << shown[i];
        } else {
            EXPECT_EQ(shown[i], expected[i]);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Definition

// The construction under ovcInit: the gear animation at state 1 with its thirteen components
// (each joint of a leg hung on the one above it, the group-15 rotation on none), then the mesh.
// $T0..$T12 stand for the rotations, $C0..$C12 for the component handles.
std::vector<quvatest::ExpectedCall> expectedConstruction() {
    std::vector<quvatest::ExpectedCall> calls = {{"CreateAnimation", "[1]", "$ANIM"}};
    for (int k = 0; k < 13; ++k) {
        const std::string n = std::to_string(k);
        const std::string parent = k % 3 == 0 || k == 12 ? "null" : "$C" + std::to_string(k - 1);
        calls.push_back({"AddAnimationComponent", "[$ANIM,0,1,$T" + n + "," + parent + "]", "$C" + n});
    }
    calls.push_back({"oapiLoadMeshGlobal", R"(["Quva/Tarrowick"])", "$MESH"});
    return calls;
}

// Every host call of the definition with every argument, in order. The stores are created full
// (initial mass -1) and the engine draws on the first; the mesh loaded under ovcInit is added.
const std::vector<quvatest::ExpectedCall> kClassCaps = {
    {"SetSize", "[4.3]"},
    {"SetCrossSections", "[[7.38,7.38,12.8]]"},
    {"SetPMI", "[[1.28,1.28,2.06]]"},
    {"SetRotDrag", "[[0.01,0.01,0.01]]"},
    {"SetEmptyMass", "[1798.95]"},
    {"SetTouchdownPoints", "[[0,-2.3,4.4],[-3.8,-2.3,-2.2],[3.8,-2.3,-2.2]]"},
    {"CreatePropellantResource", "[8480.81,-1,1]", "$TANK1"},
    {"CreatePropellantResource", "[20.5,-1,1]", "$TANK2"},
    {"CreatePropellantResource", "[135.64,-1,1]", "$TANK3"},
    {"CreateThruster", "[[0,-1.98,0],[0,1,0],44482.2,$TANK1,3075.44,0,101400]", "$ENGINE"},
    {"AddMesh", "[$MESH,null]", "0"},
    {"SetMeshVisibilityMode", "[0,3]"},
    {"SetCameraOffset", "[[0,2.4,0]]"},
};

TEST(DescentStage, BuildsItsGearFirstAndDefinesItselfWithTheStatedValues) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("L", "Tarrowick");

    const auto bound = quvatest::expectCalls(quvatest::callsFrom(sim, "L", "ovcInit"), expectedConstruction());
    quvatest::expectCalls(quvatest::callsFrom(sim, "L", "clbkSetClassCaps"), kClassCaps, bound);
    EXPECT_TRUE(quvatest::callsFrom(sim, "L", "clbkPostCreation").empty());

    ASSERT_EQ(v.propellants.size(), 3u);
    const double stores[] = {8480.81, 20.5, 135.64};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(v.propellants[i]->maxMass, stores[i]);
        EXPECT_EQ(v.propellants[i]->mass, 0.0);  // a block without PRPLEVEL empties every store
    }
    ASSERT_EQ(v.thrusters.size(), 1u);
    EXPECT_EQ(v.thrusters[0]->tank, v.propellants[0].get());
    ASSERT_EQ(v.meshes.size(), 1u);
    EXPECT_EQ(v.meshes[0].visibility, MESHVIS_ALWAYS);
    // The mesh holds every group the rig moves: the host found nothing to report.
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

// No clock, no age, no deletion: on the ground, after any time, the stage stays.
TEST(DescentStage, NeverAsksForItsDeletion) {
    Simulation sim(hostOptions(1.0e6));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("L", "Tarrowick", {"STATUS Landed Moon", "POS 23.47 0.67", "HEADING 90"});
    ASSERT_TRUE(v.groundContact);
    sim.runSteps(3);
    EXPECT_TRUE(sim.isLive(&v));
    for (const auto &c : outCalls(sim, "L")) {
        EXPECT_NE(c.call, "oapiDeleteVessel");
        EXPECT_NE(c.call, "oapiGetSimTime");
        EXPECT_NE(c.call, "GroundContact");
    }
    EXPECT_EQ(animationStates(sim, "L", "clbkPostStep"), (std::vector<double>{1.0, 1.0, 1.0}));
}

struct Joint {
    std::vector<UINT> groups;
    Vec3 pivot, axis;
    double degrees;
    int parent;  // index of the parent component, -1 for none
};

// Legs +z, -z, -x, +x, each joint 1 (upper strut), 2 (knee), 3 (lower leg); then group 15.
const std::vector<Joint> kRig = {
    {{17, 31, 23}, {0, 0.42465, 2.88195}, {-1, 0, 0}, 45, -1},
    {{27}, {0, -1.1995, 3.6266}, {-1, 0, 0}, -63, 0},
    {{6}, {0, -1.05769, 2.83017}, {-1, 0, 0}, 150, 1},
    {{16, 30, 22}, {0, 0.42465, -2.88195}, {1, 0, 0}, 45, -1},
    {{26}, {0, -1.1995, -3.6266}, {1, 0, 0}, -63, 3},
    {{5}, {0, -1.05769, -2.83017}, {1, 0, 0}, 150, 4},
    {{18, 32, 24}, {-2.88195, 0.42465, 0}, {0, 0, -1}, 45, -1},
    {{28}, {-3.6266, -1.1995, 0}, {0, 0, -1}, -63, 6},
    {{7}, {-2.83017, -1.05769, 0}, {0, 0, -1}, 150, 7},
    {{19, 33, 25}, {2.88195, 0.42465, 0}, {0, 0, 1}, 45, -1},
    {{29}, {3.6266, -1.1995, 0}, {0, 0, 1}, -63, 9},
    {{8}, {2.83017, -1.05769, 0}, {0, 0, 1}, 150, 10},
    {{15}, {0, 0.42465, 2.88195}, {-1, 0, 0}, 45, -1},
};

const MGROUP_ROTATE &rotation(const quva::AnimationComponent &c) {
    EXPECT_EQ(c.transform->Type(), MGROUP_TRANSFORM::ROTATE);
    return *static_cast<const MGROUP_ROTATE *>(c.transform);
}

TEST(DescentGearRig, ThirteenRotationsInBuildOrder) {
    Simulation sim(hostOptions(1.0));
    quva::Vessel &v = sim.createVessel("L", "Tarrowick");
    ASSERT_EQ(v.animations.size(), 1u);
    const quva::Animation &a = v.animations[0];
    EXPECT_EQ(a.initialState, 1.0);
    ASSERT_EQ(a.components.size(), kRig.size());
    for (std::size_t k = 0; k < kRig.size(); ++k) {
        SCOPED_TRACE("component " + std::to_string(k));
        const quva::AnimationComponent &c = *a.components[k];
        const MGROUP_ROTATE &r = rotation(c);
        EXPECT_EQ(c.state0, 0.0);
        EXPECT_EQ(c.state1, 1.0);
        EXPECT_EQ(c.parent, kRig[k].parent < 0 ? nullptr : a.components[static_cast<std::size_t>(kRig[k].parent)].get());
        EXPECT_EQ(r.mesh, 0u);
        EXPECT_EQ(std::vector<UINT>(r.grp, r.grp + r.ngrp), kRig[k].groups);
        EXPECT_EQ(Vec3::from(r.ref), kRig[k].pivot);
        EXPECT_EQ(Vec3::from(r.axis), kRig[k].axis);
        // Converted in double precision, then narrowed.
        EXPECT_EQ(r.angle, static_cast<float>(kRig[k].degrees * 0.017453292519943295));
    }
}

// Each stage has its own twelve joints; the group-15 rotation is one per module.
TEST(DescentGearRig, StagesShareOnlyTheGroupFifteenRotation) {
    Simulation sim(hostOptions(1.0));
    quva::Vessel &a = sim.createVessel("A", "Tarrowick");
    quva::Vessel &b = sim.createVessel("B", "Tarrowick");
    const auto &ca = a.animations.at(0).components;
    const auto &cb = b.animations.at(0).components;
    ASSERT_EQ(ca.size(), 13u);
    ASSERT_EQ(cb.size(), 13u);
    for (std::size_t k = 0; k < 12; ++k) {
        for (std::size_t j = 0; j < 13; ++j) EXPECT_NE(ca[k]->transform, cb[j]->transform) << k << " " << j;
        for (std::size_t j = k + 1; j < 12; ++j) EXPECT_NE(ca[k]->transform, ca[j]->transform);
    }
    EXPECT_EQ(ca[12]->transform, cb[12]->transform);
}

// Stages come and go: each frees its own joints (the sanitiser build reports a leak otherwise)
// and the shared rotation stays usable for the next.
TEST(DescentGearRig, StagesCreatedAndRemovedRepeatedly) {
    Simulation sim(hostOptions(1.0));
    for (int round = 0; round < 5; ++round) {
        quva::Vessel &a = sim.createVessel("A" + std::to_string(round), "Tarrowick");
        quva::Vessel &b = sim.createVessel("B" + std::to_string(round), "Tarrowick");
        sim.pressKey(a, OAPI_KEY_G);
        sim.step();
        sim.requestDeletion(a);
        sim.requestDeletion(b);
        sim.step();
        EXPECT_TRUE(sim.vessels().empty());
    }
    quva::Vessel &last = sim.createVessel("Z", "Tarrowick");
    EXPECT_EQ(rotation(*last.animations.at(0).components.at(12)).angle, static_cast<float>(45 * 0.017453292519943295));
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

// ---------------------------------------------------------------------------------------------
// The G key

struct KeyCase {
    const char *name;
    int statusBefore;
    DWORD key;
    std::vector<DWORD> held;
    int consumed;
    int statusAfter;
};

std::ostream &operator<<(std::ostream &os, const KeyCase &c) { return os << c.name; }

const std::vector<KeyCase> kKeys = {
    {"ExtendedRetracts", 1, OAPI_KEY_G, {}, 1, 2},
    {"RetractedExtends", 0, OAPI_KEY_G, {}, 1, 3},
    {"RetractingReverses", 2, OAPI_KEY_G, {}, 1, 3},
    {"ExtendingGoesOn", 3, OAPI_KEY_G, {}, 1, 3},
    {"UnknownStatusExtends", 7, OAPI_KEY_G, {}, 1, 3},
    {"NegativeStatusExtends", -4, OAPI_KEY_G, {}, 1, 3},
    {"LeftShift", 1, OAPI_KEY_G, {OAPI_KEY_LSHIFT}, 0, 1},
    {"RightShift", 1, OAPI_KEY_G, {OAPI_KEY_RSHIFT}, 0, 1},
    {"LeftControl", 0, OAPI_KEY_G, {OAPI_KEY_LCONTROL}, 0, 0},
    {"RightControl", 0, OAPI_KEY_G, {OAPI_KEY_RCONTROL}, 0, 0},
    {"LeftAlt", 2, OAPI_KEY_G, {OAPI_KEY_LALT}, 0, 2},
    {"RightAlt", 2, OAPI_KEY_G, {OAPI_KEY_RALT}, 0, 2},
    {"OtherHeldKeyDoesNotMatter", 1, OAPI_KEY_G, {0x1C}, 1, 2},
    {"OtherKey", 1, 0x23, {}, 0, 1},
};

class DescentGearKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(DescentGearKey, ChangesOnlyTheStatus) {
    const KeyCase &c = GetParam();
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("L", "Tarrowick", {"GEAR " + std::to_string(c.statusBefore) + " 0.5"});
    sim.trace().clear();
    EXPECT_EQ(sim.pressKey(v, c.key, c.held), c.consumed);
    EXPECT_TRUE(outCalls(sim, "L").empty());  // no host call: the legs move from the next step
    EXPECT_EQ(savedStateLine(sim, "L"), "GEAR " + std::to_string(c.statusAfter) + " 0.5000");
}

INSTANTIATE_TEST_SUITE_P(Keys, DescentGearKey, ::testing::ValuesIn(kKeys),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DescentGearKey, ReleaseIsNotConsumed) {
    Simulation sim(hostOptions(1.0));
    quva::Vessel &v = sim.createVessel("L", "Tarrowick");
    char kstate[256] = {};
    EXPECT_EQ(v.callbacks->clbkConsumeBufferedKey(OAPI_KEY_G, false, kstate), 0);
    EXPECT_EQ(savedStateLine(sim, "L"), "GEAR 1 1.0000");
}

// ---------------------------------------------------------------------------------------------
// Motion

struct MotionCase {
    const char *name;
    std::vector<std::string> lines;
    bool pressG;
    std::vector<double> loaded;   // states sent while loading
    std::vector<double> perStep;  // states sent by steps of 0.25 s
    const char *savedAfter;
};

std::ostream &operator<<(std::ostream &os, const MotionCase &c) { return os << c.name; }

const std::vector<MotionCase> kMotion = {
    // The clamp comes first: the step that passes an end shows the value beyond it.
    {"ExtendFromRetracted", {"GEAR 0 0"}, true, {0.0},
     {0.8333333333333334, 1.6666666666666667, 1.0, 1.0}, "GEAR 1 1.0000"},
    {"RetractFromExtended", {}, true, {},
     {0.16666666666666663, -0.6666666666666667, kNone, kNone}, "GEAR 0 0.0000"},
    {"RestingExtendedSendsEveryStep", {}, false, {}, {1.0, 1.0}, "GEAR 1 1.0000"},
    {"LoadedHalfwayAtRest", {"GEAR 0 0.5"}, false, {0.5}, {kNone, kNone}, "GEAR 0 0.5000"},
    {"LoadedHalfwayThenG", {"GEAR 0 0.5"}, true, {0.5}, {1.3333333333333335, 1.0}, "GEAR 1 1.0000"},
    {"StatusAboveThreeHolds", {"GEAR 7 0.5"}, false, {0.5}, {0.5, 0.5}, "GEAR 7 0.5000"},
    {"NegativeStatusStops", {"GEAR -1 0.5"}, false, {0.5}, {kNone}, "GEAR -1 0.5000"},
    {"LoadedAboveOneIsShownThenClamped", {"GEAR 2 1.5"}, false, {1.5}, {1.0, 1.0}, "GEAR 1 1.0000"},
    {"LoadedBelowZeroIsShownThenClamped", {"GEAR 3 -0.2"}, false, {-0.2}, {kNone}, "GEAR 0 0.0000"},
    {"LongerKeywordStoresNothing", {"GEARS 0 0.5"}, false, {1.0}, {1.0}, "GEAR 1 1.0000"},
    {"UnreadableFractionKeepsTheCurrent", {"GEAR 3 nan"}, false, {1.0}, {1.8333333333333335, 1.0},
     "GEAR 1 1.0000"},
    {"EachGearLineIsShown", {"gear 2 0.25", "GEAR 3"}, false, {0.25, 0.25}, {1.0833333333333335}, nullptr},
};

class DescentGearMotion : public ::testing::TestWithParam<MotionCase> {};

TEST_P(DescentGearMotion, SendsEachStateAtTheFixedRate) {
    const MotionCase &c = GetParam();
    Simulation sim(hostOptions(0.25));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("L", "Tarrowick", c.lines);
    EXPECT_EQ(animationStates(sim, "L", "clbkLoadStateEx"), c.loaded);
    if (c.pressG) {
        EXPECT_EQ(sim.pressKey(v, OAPI_KEY_G), 1);
    }
    sim.runSteps(static_cast<std::int64_t>(c.perStep.size()));
    expectStates(statesPerStep(sim, "L", 1, static_cast<std::int64_t>(c.perStep.size())), c.perStep);
    if (c.savedAfter) {
        EXPECT_EQ(savedStateLine(sim, "L"), c.savedAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(Sequences, DescentGearMotion, ::testing::ValuesIn(kMotion),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(DescentGearMotion, StepOfLengthZeroStillSendsTheState) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("L", "Tarrowick");
    sim.trace().clear();
    v.callbacks->clbkPostStep(0.0, 0.0, sim.mjd());
    const auto calls = outCalls(sim, "L", "SetAnimation");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(jsonNumber(calls[0].args.at(1)), 1.0);
}

// ---------------------------------------------------------------------------------------------
// Scenario line and mesh

TEST(DescentGearLine, NewStageWritesItAfterTheHostsLines) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    sim.createVessel("L", "Tarrowick", {"STATUS Landed Moon", "POS 23.47 0.67", "HEADING 90"});
    const auto block = savedBlock(sim.saveScenarioText(), "L");
    ASSERT_GE(block.size(), 2u);
    EXPECT_EQ(block.front(), "STATUS Landed Moon");
    EXPECT_EQ(block.back(), "GEAR 1 1.0000");
    // The host lines went to the host, in order, and set no animation.
    std::vector<std::string> toHost;
    for (const auto &c : outCalls(sim, "L", "ParseScenarioLineEx")) toHost.push_back(c.args.at(0));
    EXPECT_EQ(toHost, (std::vector<std::string>{"\"STATUS Landed Moon\"", "\"POS 23.47 0.67\"", "\"HEADING 90\""}));
    EXPECT_TRUE(animationStates(sim, "L", "clbkLoadStateEx").empty());
}

// Touchdown points stay where they are; the posed foot pads rise as the legs fold in.
TEST(DescentGearMesh, FootPadsRiseAsTheGearRetracts) {
    Simulation sim(hostOptions(0.1));
    quva::Vessel &v = sim.createVessel("L", "Tarrowick");
    std::vector<Vec3> touchdown;
    for (const quva::TouchdownVertex &tp : v.def.touchdown) touchdown.push_back(tp.pos);

    // The lowest point of a lower leg: the sole of its foot pad.
    auto sole = [&](std::size_t group) {
        double lowest = kNone;
        for (const Vec3 &p : quva::posedGroup(v, 0, group))
            if (!(p.y >= lowest)) lowest = p.y;
        return lowest;
    };
    for (std::size_t g = 5; g <= 8; ++g) EXPECT_NEAR(sole(g), -2.3, 1e-9) << "group " << g;  // ground line

    sim.pressKey(v, OAPI_KEY_G);
    sim.runSteps(5);
    ASSERT_LE(v.animations.at(0).state, 0.0);  // retracted, shown as state 0
    for (std::size_t g = 5; g <= 8; ++g) EXPECT_GT(sole(g), -2.3 + 0.8) << "group " << g;
    for (std::size_t i = 0; i < touchdown.size(); ++i) EXPECT_EQ(v.def.touchdown.at(i).pos, touchdown[i]);

    sim.pressKey(v, OAPI_KEY_G);
    sim.runSteps(5);
    for (std::size_t g = 5; g <= 8; ++g) EXPECT_NEAR(sole(g), -2.3, 1e-9) << "group " << g;
}

}  // namespace
