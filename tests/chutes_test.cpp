// The drogue (Vantrel) and the main cluster (Ossum), driven through the host: what they define,
// how the canopy unfolds step by step, when they remove themselves, and what each module keeps
// to itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "module_test_support.h"

namespace {

using quva::Simulation;
using quvatest::animationStates;
using quvatest::hostOptions;
using quvatest::jsonItems;
using quvatest::jsonNumber;
using quvatest::outCalls;
using quvatest::savedStateLine;

// A parachute in free flight (created without host lines a vessel would rest on the ground).
quva::Vessel &freeChute(Simulation &sim, const std::string &name, const std::string &className,
                        const std::vector<std::string> &lines = {}) {
    quva::Vessel &v = sim.createVessel(name, className, lines);
    v.groundContact = false;
    return v;
}

long countCalls(Simulation &sim, const std::string &vessel, const std::string &call, std::int64_t step) {
    long n = 0;
    for (const auto &c : outCalls(sim, vessel, call)) n += c.step == step;
    return n;
}

long callsFromSteps(Simulation &sim, const std::string &vessel, const std::string &call) {
    long n = 0;
    for (const auto &c : outCalls(sim, vessel, call)) n += c.callback == "clbkPostStep";
    return n;
}

// The animation states sent from each step, one entry per step (NaN when the step sent none).
std::vector<double> statesPerStep(Simulation &sim, const std::string &vessel, std::int64_t steps) {
    std::vector<double> out(static_cast<std::size_t>(steps), std::nan(""));
    for (const auto &c : outCalls(sim, vessel, "SetAnimation"))
        if (c.callback == "clbkPostStep") out.at(static_cast<std::size_t>(c.step - 1)) = jsonNumber(c.args.at(1));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Class caps and post-creation

using quvatest::ExpectedCall;

struct ConformanceCase {
    const char *className;
    std::vector<ExpectedCall> classCaps;
};

std::ostream &operator<<(std::ostream &os, const ConformanceCase &c) { return os << c.className; }

const std::string kDrogueChord = "19.634954084936208";
const std::string kClusterChord = "508.70435392793576";

// $VERTICAL and $HORIZONTAL stand for the two coefficient functions; the test checks below which
// is which by calling them.
const std::vector<ConformanceCase> kConformance = {
    {"Vantrel",
     {
         {"SetSize", "[5.0292]"},
         {"SetEmptyMass", "[50.18]"},
         {"SetPMI", "[[2.3,2.3,0.8]]"},
         {"SetCrossSections", "[[12,18,30]]"},
         {"SetRotDrag", "[[0.01,0.01,0.005]]"},
         {"CreateAirfoil", "[0,[0,-0.02,0.1],$VERTICAL," + kDrogueChord + ",0,0.47]"},
         {"CreateAirfoil", "[1,[0,0,0.1],$HORIZONTAL," + kDrogueChord + ",0,0.47]"},
         {"CreateAttachment", R"([true,[0,0,-19.812],[0,0,-1],[0,1,0],"X",false])"},
         {"AddMesh", R"(["Quva/Vantrels",[0,0,-19.812]])", "0"},
     }},
    {"Ossum",
     {
         {"SetSize", "[26.0604]"},
         {"SetEmptyMass", "[" + quvatest::traceNumber(57.60623099 * 3) + "]"},
         {"SetPMI", "[[2.3,2.3,0.8]]"},
         {"SetCrossSections", "[[190,205,260]]"},
         {"SetTouchdownPoints", "[[0,-3,-30],[-3,0,-30],[3,0,-30]]"},
         {"SetRotDrag", "[[0.01,0.01,0.005]]"},
         {"CreateAirfoil", "[0,[0,0,0.1],$VERTICAL," + kClusterChord + ",0,0.47]"},
         {"CreateAirfoil", "[0,[0,0,0.1],$VERTICAL," + kClusterChord + ",0,0.47]"},
         {"CreateAirfoil", "[1,[0,0,0.1],$HORIZONTAL," + kClusterChord + ",0,0.47]"},
         {"CreateAttachment", R"([true,[0,0,-30],[0,0,-1],[0,1,0],"X",false])"},
         {"AddMesh", R"(["Quva/Ossums",[0,0,-30]])", "0"},
     }},
};

class ParachuteConformance : public ::testing::TestWithParam<ConformanceCase> {};

// Every host call of the definition, with every argument, in order; then the deploy animation
// of clbkPostCreation, shown at once at the new parachute's fraction 0.
TEST_P(ParachuteConformance, DefinesItselfWithTheStatedValues) {
    const ConformanceCase &c = GetParam();
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("P", c.className);

    const auto bound = quvatest::expectCalls(quvatest::callsFrom(sim, "P", "clbkSetClassCaps"), c.classCaps);
    quvatest::expectCalls(quvatest::callsFrom(sim, "P", "clbkPostCreation"),
                          {
                              {"CreateAnimation", "[1]", "$ANIM"},
                              {"AddAnimationComponent", "[$ANIM,0,1,$SCALE,null]"},
                              {"SetAnimation", "[$ANIM,0]"},
                          });

    // $VERTICAL has a moment, $HORIZONTAL none: at 135° the vertical moment is 0.00003.
    for (const quva::Airfoil &a : v.airfoils) {
        double cl = 0.0, cm = 0.0, cd = 0.0;
        a.coeffs(135.0 * RAD, 0.0, 0.0, &cl, &cm, &cd);
        const bool vertical = sim.trace().handleId(reinterpret_cast<const void *>(a.coeffs)) ==
                              std::stoll(bound.at("$VERTICAL"));
        EXPECT_EQ(vertical, a.align == LIFT_VERTICAL);
        EXPECT_NEAR(cm, vertical ? 0.00003 : 0.0, 1e-15);
        EXPECT_NEAR(cl, vertical ? 0.11 : 0.1, 1e-12);
    }
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

INSTANTIATE_TEST_SUITE_P(Classes, ParachuteConformance, ::testing::ValuesIn(kConformance),
                         [](const auto &info) { return std::string(info.param.className); });

// Each library has its own canopy area (passed as the chord), its own coefficient functions and
// its own shared deploy transform, even with both loaded at once.
TEST(ParachuteModules, EachLibraryKeepsItsOwnStatics) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &d = sim.createVessel("D", "Vantrel");
    quva::Vessel &m = sim.createVessel("M", "Ossum");
    for (const auto &a : d.airfoils) {
        EXPECT_EQ(a.chord, 19.634954084936208);
        EXPECT_EQ(a.area, 0.0);
        EXPECT_EQ(a.aspect, 0.47);
    }
    for (const auto &a : m.airfoils) {
        EXPECT_EQ(a.chord, 508.70435392793576);
        EXPECT_EQ(a.area, 0.0);
        EXPECT_EQ(a.aspect, 0.47);
    }
    EXPECT_NE(d.airfoils[0].coeffs, m.airfoils[0].coeffs);
    ASSERT_EQ(d.animations.size(), 1u);
    ASSERT_EQ(m.animations.size(), 1u);
    EXPECT_NE(d.animations[0].components.at(0)->transform, m.animations[0].components.at(0)->transform);
}

// ---------------------------------------------------------------------------------------------
// Deploy animation

// Two drogues: one shared scale transform (same handle in both AddAnimationComponent calls),
// one animation each, created at state 1 and shown at the drogue's fraction at once.
TEST(ParachuteDeploy, DroguesShareOneScaleAndOwnTheirAnimations) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &a = freeChute(sim, "A", "Vantrel");
    quva::Vessel &b = freeChute(sim, "B", "Vantrel", {"STATE 3 0.5"});

    std::vector<std::string> transforms;
    for (const char *name : {"A", "B"}) {
        std::vector<std::string> calls;
        for (const auto &c : outCalls(sim, name))
            if (c.callback == "clbkPostCreation") calls.push_back(c.call);
        EXPECT_EQ(calls, (std::vector<std::string>{"CreateAnimation", "AddAnimationComponent", "SetAnimation"}));
        const auto create = outCalls(sim, name, "CreateAnimation");
        ASSERT_EQ(create.size(), 1u);
        EXPECT_EQ(jsonNumber(create[0].args.at(0)), 1.0);
        const auto add = outCalls(sim, name, "AddAnimationComponent");
        ASSERT_EQ(add.size(), 1u);
        EXPECT_EQ(add[0].args.at(0), create[0].ret);
        EXPECT_EQ(jsonNumber(add[0].args.at(1)), 0.0);
        EXPECT_EQ(jsonNumber(add[0].args.at(2)), 1.0);
        EXPECT_EQ(add[0].args.at(4), "null");
        transforms.push_back(add[0].args.at(3));
    }
    EXPECT_EQ(transforms[0], transforms[1]);
    EXPECT_EQ(animationStates(sim, "A", "clbkPostCreation"), (std::vector<double>{0.0}));
    EXPECT_EQ(animationStates(sim, "B", "clbkPostCreation"), (std::vector<double>{0.5}));

    const MGROUP_TRANSFORM *transform = a.animations.at(0).components.at(0)->transform;
    ASSERT_EQ(transform->Type(), MGROUP_TRANSFORM::SCALE);
    const auto *scale = static_cast<const MGROUP_SCALE *>(transform);
    EXPECT_EQ(scale, b.animations.at(0).components.at(0)->transform);
    EXPECT_EQ(scale->mesh, 0u);
    ASSERT_EQ(scale->ngrp, 3u);
    EXPECT_EQ(std::vector<UINT>(scale->grp, scale->grp + 3), (std::vector<UINT>{0, 1, 2}));
    EXPECT_EQ(quva::Vec3::from(scale->ref), (quva::Vec3{0.0, 0.0, 0.0}));
    EXPECT_EQ(quva::Vec3::from(scale->scale), (quva::Vec3{200.0, 200.0, 1000.0}));
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

struct DeployCase {
    const char *name;
    const char *className;
    double dt;
    std::vector<std::string> lines;
    std::vector<double> perStep;  // the state each step shows; NaN: none shown
    const char *savedAfter;
};

std::ostream &operator<<(std::ostream &os, const DeployCase &c) { return os << c.name; }

const double kNone = std::nan("");

// The step shows the fraction it starts with and then advances it; once the fraction has
// reached 1 the next step shows that value, possibly above 1, and the canopy is deployed. The
// states are exact: each step adds dt times the stated rate.
const std::vector<DeployCase> kDeployCases = {
    {"DrogueAtOneSecond", "Vantrel", 1.0, {}, {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0, kNone}, "STATE 1 1.0000"},
    {"DrogueAtTwoSeconds", "Vantrel", 2.0, {}, {0.0, 2.0 / 3.0, 4.0 / 3.0, kNone}, "STATE 1 1.3333"},
    {"ClusterAtTwoAndAHalfSeconds", "Ossum", 2.5, {}, {0.0, 0.25, 0.5, 0.75, 1.0, kNone}, "STATE 1 1.0000"},
    {"DrogueSavedWhileDeploying", "Vantrel", 1.0, {}, {0.0, 1.0 / 3.0}, "STATE 3 0.6667"},
    {"ClusterSavedWhileDeploying", "Ossum", 1.0, {"STATE 0 0.25"}, {0.25}, "STATE 3 0.3500"},
    {"DrogueLoadedDeployed", "Vantrel", 1.0, {"STATE 1 1"}, {kNone, kNone}, "STATE 1 1.0000"},
    {"ClusterLoadedDeployedPartOpen", "Ossum", 1.0, {"STATE 1 0.7"}, {kNone, kNone}, "STATE 1 0.7000"},
    {"DrogueLoadedHalfOpen", "Vantrel", 1.0, {"STATE 0 0.5"}, {0.5, 0.5 + 1.0 / 3.0, 0.5 + 2.0 / 3.0, kNone},
     "STATE 1 1.1667"},
    {"ClusterLoadedDeployingHalfOpen", "Ossum", 5.0, {"STATE 3 0.5"}, {0.5, 1.0, kNone}, "STATE 1 1.0000"},
};

class ParachuteDeploySteps : public ::testing::TestWithParam<DeployCase> {};

TEST_P(ParachuteDeploySteps, ShowEachFractionBeforeAdvancingIt) {
    const DeployCase &c = GetParam();
    Simulation sim(hostOptions(c.dt));
    sim.trace().keepInMemory(true);
    freeChute(sim, "P", c.className, c.lines);
    sim.runSteps(static_cast<std::int64_t>(c.perStep.size()));

    const auto shown = statesPerStep(sim, "P", static_cast<std::int64_t>(c.perStep.size()));
    for (std::size_t i = 0; i < c.perStep.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        if (std::isnan(c.perStep[i])) {
            EXPECT_TRUE(std::isnan(shown[i])) << shown[i];
        } else {
            EXPECT_EQ(shown[i], c.perStep[i]);
        }
    }
    if (c.savedAfter) {
        EXPECT_EQ(savedStateLine(sim, "P"), c.savedAfter);
    }
    // The loaded fraction, or 0 for a new parachute, is shown from creation.
    double loaded = 0.0;
    if (!c.lines.empty()) loaded = std::stod(c.lines[0].substr(8));
    EXPECT_EQ(animationStates(sim, "P", "clbkPostCreation"), (std::vector<double>{loaded}));
}

INSTANTIATE_TEST_SUITE_P(Sequences, ParachuteDeploySteps, ::testing::ValuesIn(kDeployCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Removal

// A carrier class known by its configuration alone, with one to-child point.
class HeldParachute : public ::testing::Test {
protected:
    HeldParachute() : root("chutes") {
        root.writeClass("Carrier", "Size = 4\nMass = 5000\nBEGIN_ATTACHMENT\n"
                                   "C 0 0 2  0 0 -1  0 1 0  X\nEND_ATTACHMENT\n");
    }
    quvatest::ScratchRoot root;
};

// Held at "X", the drogue unfolds but neither reads its age nor asks to be removed, on the
// ground and past its lifetime alike; the step after its release it asks twice.
TEST_F(HeldParachute, DrogueStaysWhileHeldAndGoesOnceReleased) {
    Simulation sim(hostOptions(1000.0, root.path()));
    sim.trace().keepInMemory(true);
    quva::Vessel &carrier = sim.createVessel("C", "Carrier");
    quva::Vessel &drogue = sim.createVessel("D", "Vantrel");
    sim.attach(carrier, 0, drogue, 0);
    drogue.groundContact = true;
    sim.runSteps(5);  // 5000 s
    ASSERT_TRUE(sim.isLive(&drogue));
    EXPECT_EQ(callsFromSteps(sim, "D", "oapiGetSimTime"), 0);
    EXPECT_EQ(outCalls(sim, "D", "oapiDeleteVessel").size(), 0u);
    const auto shown = animationStates(sim, "D", "clbkPostStep");  // deployed in one step of 1000 s
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], 0.0);
    EXPECT_DOUBLE_EQ(shown[1], 1000.0 / 3.0);

    sim.release(drogue);
    sim.step();
    EXPECT_EQ(countCalls(sim, "D", "oapiDeleteVessel", 6), 2);
    EXPECT_EQ(sim.findVessel("D"), nullptr);
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

// The cluster has no parent test: held or not, it asks to be removed on the ground.
TEST_F(HeldParachute, ClusterGoesOnTheGroundEvenWhileHeld) {
    Simulation sim(hostOptions(1.0, root.path()));
    sim.trace().keepInMemory(true);
    quva::Vessel &carrier = sim.createVessel("C", "Carrier");
    quva::Vessel &cluster = sim.createVessel("M", "Ossum");
    sim.attach(carrier, 0, cluster, 0);
    sim.step();
    ASSERT_TRUE(sim.isLive(&cluster));
    EXPECT_EQ(callsFromSteps(sim, "M", "oapiGetSimTime"), 1);

    cluster.groundContact = true;
    sim.step();
    EXPECT_EQ(countCalls(sim, "M", "oapiDeleteVessel", 2), 1);
    EXPECT_EQ(sim.findVessel("M"), nullptr);
}

// The host calls of one step of 4000 s from creation, whole: the deploy first, then (for the
// drogue) the parent test, the handle before the clock, the age test before the ground test.
struct StepCase {
    const char *name;
    const char *className;
    bool held;
    bool onGround;
    std::vector<ExpectedCall> calls;
    bool removed;
};

std::ostream &operator<<(std::ostream &os, const StepCase &c) { return os << c.name; }

const ExpectedCall kFirstDeployStep = {"SetAnimation", "[0,0]", "true"};

const std::vector<StepCase> kStepCases = {
    {"DrogueFreeOldOnGround", "Vantrel", false, true,
     {kFirstDeployStep,
      {"GetAttachmentHandle", "[true,0]", "$X"},
      {"GetAttachmentStatus", "[$X]", "null"},
      {"GetHandle", "[]", "$SELF"},
      {"oapiGetSimTime", "[]", "4000"},
      {"oapiDeleteVessel", "[$SELF,null]"},
      {"GroundContact", "[]", "true"},
      {"oapiDeleteVessel", "[$SELF,null]"}},
     true},
    {"DrogueHeldOldOnGround", "Vantrel", true, true,
     {kFirstDeployStep, {"GetAttachmentHandle", "[true,0]", "$X"}, {"GetAttachmentStatus", "[$X]", "$PARENT"}},
     false},
    {"ClusterHeldOldInTheAir", "Ossum", true, false,
     {kFirstDeployStep,
      {"GetHandle", "[]", "$SELF"},
      {"oapiGetSimTime", "[]", "4000"},
      {"oapiDeleteVessel", "[$SELF,null]"},
      {"GroundContact", "[]", "false"}},
     true},
};

class ParachuteStep : public HeldParachute, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ParachuteStep, MakesItsHostCallsInOrder) {
    const StepCase &c = GetParam();
    Simulation sim(hostOptions(4000.0, root.path()));
    sim.trace().keepInMemory(true);
    quva::Vessel &carrier = sim.createVessel("C", "Carrier");
    quva::Vessel &chute = sim.createVessel("P", c.className);
    if (c.held) sim.attach(carrier, 0, chute, 0);
    chute.groundContact = c.onGround;
    sim.step();
    quvatest::expectCalls(quvatest::callsFrom(sim, "P", "clbkPostStep"), c.calls);
    EXPECT_EQ(sim.findVessel("P") == nullptr, c.removed);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParachuteStep, ::testing::ValuesIn(kStepCases),
                         [](const auto &info) { return std::string(info.param.name); });

class ParachuteLifetime : public ::testing::TestWithParam<const char *> {};

// Created at 0 s: at exactly 3600 s of age the parachute stays, one step later it asks once.
TEST_P(ParachuteLifetime, EndsOnlyOnceItsAgeExceedsTheLifetime) {
    Simulation sim(hostOptions(1200.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = freeChute(sim, "P", GetParam());
    sim.runSteps(3);
    ASSERT_TRUE(sim.isLive(&v));
    EXPECT_EQ(outCalls(sim, "P", "oapiDeleteVessel").size(), 0u);
    sim.step();
    EXPECT_EQ(countCalls(sim, "P", "oapiDeleteVessel", 4), 1);
    EXPECT_EQ(sim.findVessel("P"), nullptr);
}

// Past its lifetime and on the ground: two requests in one step, one removal.
TEST_P(ParachuteLifetime, AsksTwiceWhenOldAndOnTheGround) {
    Simulation sim(hostOptions(4000.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("P", GetParam());
    ASSERT_TRUE(v.groundContact);
    sim.step();
    const auto deletions = outCalls(sim, "P", "oapiDeleteVessel");
    ASSERT_EQ(deletions.size(), 2u);
    const auto handle = outCalls(sim, "P", "GetHandle").at(0).ret;
    for (const auto &d : deletions) EXPECT_EQ(d.args, (std::vector<std::string>{handle, "null"}));
    EXPECT_EQ(sim.findVessel("P"), nullptr);
    long exits = 0;
    for (const auto &r : sim.trace().records()) exits += r.call == "ovcExit";
    EXPECT_EQ(exits, 1);
}

INSTANTIATE_TEST_SUITE_P(Classes, ParachuteLifetime, ::testing::Values("Vantrel", "Ossum"),
                         [](const auto &info) { return std::string(info.param); });

// A vessel restored from a scenario starts a fresh lifetime at the moment it is restored.
TEST(ParachuteLifetime, RestoredParachuteCountsFromItsRestoring) {
    Simulation sim(hostOptions(1000.0));
    sim.runSteps(3);
    sim.trace().keepInMemory(true);
    quva::Vessel &v = freeChute(sim, "P", "Vantrel", {"STATE 1 1"});
    sim.runSteps(3);  // age 3000 s
    ASSERT_TRUE(sim.isLive(&v));
    sim.runSteps(1);  // age 4000 s
    EXPECT_EQ(sim.findVessel("P"), nullptr);
}

}  // namespace
