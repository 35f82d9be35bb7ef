// The jettisoned covers, driven through the host: what each build defines in clbkSetClassCaps,
// and the disposal rule at its edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../frame/expendable_vessel.h"
#include "core/module_registry.h"
#include "core/simulation.h"
#include "files/library_exports.h"
#include "module_test_support.h"

namespace {

using quva::Simulation;
using quvatest::hostOptions;

std::vector<quvatest::OutCall> callsFrom(Simulation &sim, const std::string &callback, std::int64_t step = -1) {
    return quvatest::callsFrom(sim, "C", callback, step);
}

using quvatest::callNames;
using quvatest::ExpectedCall;

frame::ExpendableVessel &cover(const quva::Vessel &v) { return *static_cast<frame::ExpendableVessel *>(v.iface); }

// A cover made without scenario lines rests on the ground; these tests start it in the air.
quva::Vessel &flyingCover(Simulation &sim, const char *className) {
    quva::Vessel &v = sim.createVessel("C", className);
    v.groundContact = false;
    return v;
}

// ---------------------------------------------------------------------------------------------
// Class caps

// Size, mass, inertia, cross sections and rotation drag are common to all three builds.
std::vector<ExpectedCall> withCommonBody(std::vector<ExpectedCall> rest) {
    std::vector<ExpectedCall> calls = {
        {"SetSize", "[0.85]"},
        {"SetEmptyMass", "[100]"},
        {"SetPMI", "[[2.3,2.3,0.8]]"},
        {"SetCrossSections", "[[1.02,1.02,2.5]]"},
        {"SetRotDrag", "[[0.025,0.025,0.02]]"},
    };
    calls.insert(calls.end(), rest.begin(), rest.end());
    return calls;
}

struct CapsCase {
    const char *className;
    std::vector<ExpectedCall> calls;
};

std::ostream &operator<<(std::ostream &os, const CapsCase &c) { return os << c.className; }

const std::vector<CapsCase> kCapsCases = {
    {"Pilmont", withCommonBody({
                    {"SetCW", "[0.2,1,0.47,0.47]"},
                    {"SetDockParams", "[[0,0,0.43],[0,0,1],[0,1,0]]"},
                    {"CreateAttachment", R"([true,[0,0,0.43],[0,0,1],[0,1,0],"X",false])"},
                    {"oapiLoadMeshGlobal", R"(["Quva/Pilmont"])", "$MESH"},
                    {"AddMesh", "[$MESH,null]", "0"},
                })},
    {"Draskel", withCommonBody({
                    {"SetCW", "[0.47,1.23,0.47,0.47]"},
                    {"SetDockParams", "[[0,0,0],[0,0,1],[0,1,0]]"},
                    {"CreateAttachment", R"([true,[0,0,0],[0,0,-1],[0,1,0],"X",false])"},
                    {"oapiLoadMeshGlobal", R"(["Quva/Draskel"])", "$MESH"},
                    {"AddMesh", "[$MESH,null]", "0"},
                })},
    {"Nimbrel", withCommonBody({
                    {"SetCW", "[0.47,1.23,0.47,0.47]"},
                    {"SetDockParams", "[[0,0,0],[0,0,1],[0,1,0]]"},
                    {"CreateAttachment", R"([true,[0,0,0],[0,0,-1],[0,1,0],"X",false])"},
                    {"CreateAttachment", R"([false,[0,0,0],[0,0,-1],[0,1,0],"X",false])"},
                    {"oapiLoadMeshGlobal", R"(["Quva/DockingProbe"])", "$MESH"},
                    {"AddMesh", "[$MESH,null]", "0"},
                })},
};

class CoverClassCaps : public ::testing::TestWithParam<CapsCase> {};

TEST_P(CoverClassCaps, DefinesTheBodyInOrderWithEveryValue) {
    const CapsCase &c = GetParam();
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = sim.createVessel("C", c.className);

    const auto bound = quvatest::expectCalls(callsFrom(sim, "clbkSetClassCaps"), c.calls);
    EXPECT_NE(bound.at("$MESH"), "null");
    // The named mesh exists in the mesh store and was added at the origin.
    ASSERT_EQ(v.meshes.size(), 1u);
    EXPECT_NE(v.meshes[0].mesh, nullptr);
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

INSTANTIATE_TEST_SUITE_P(Builds, CoverClassCaps, ::testing::ValuesIn(kCapsCases),
                         [](const auto &info) { return std::string(info.param.className); });

// ---------------------------------------------------------------------------------------------
// Disposal rule

class CoverDisposal : public ::testing::TestWithParam<const char *> {};

TEST_P(CoverDisposal, StartsItsLifetimeAtCreationAndRequestsOnlyAboveIt) {
    Simulation sim(hostOptions(400.0));
    sim.trace().keepInMemory(true);
    sim.runSteps(2);  // created at 800 s: age must come from the host clock minus creationTime
    quva::Vessel &v = flyingCover(sim, GetParam());
    EXPECT_EQ(cover(v).creationTime, 800.0);
    EXPECT_EQ(cover(v).lifetime, 3600.0);

    sim.runUntil(800.0 + 3600.0);
    ASSERT_TRUE(sim.isLive(&v));
    EXPECT_EQ(cover(v).age, 3600.0);
    for (const auto &r : sim.trace().records()) EXPECT_NE(r.call, "oapiDeleteVessel") << "step " << r.step;

    sim.step();  // age 4000 s
    const auto calls = callNames(callsFrom(sim, "clbkPostStep", sim.stepCount()));
    EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("oapiDeleteVessel")), 1);
    EXPECT_EQ(sim.findVessel("C"), nullptr);
}

TEST_P(CoverDisposal, RequestsOnlyWhenDragOverMassExceedsTheLimit) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = flyingCover(sim, GetParam());

    v.readout.drag = 7848.0;  // N, exactly 78.48 m/s² on 100 kg
    sim.step();
    auto calls = callsFrom(sim, "clbkPostStep", sim.stepCount());
    EXPECT_EQ(callNames(calls), (std::vector<std::string>{"GetHandle", "GroundContact", "oapiGetSimTime", "GetDrag",
                                                      "GetMass"}));
    ASSERT_TRUE(sim.isLive(&v));

    v.readout.drag = 7848.01;
    sim.step();
    calls = callsFrom(sim, "clbkPostStep", sim.stepCount());
    EXPECT_EQ(callNames(calls), (std::vector<std::string>{"GetHandle", "GroundContact", "oapiGetSimTime", "GetDrag",
                                                      "GetMass", "oapiDeleteVessel"}));
    EXPECT_EQ(sim.findVessel("C"), nullptr);
}

// Ground contact asks at once, yet the step goes on: age is refreshed (the oapiGetSimTime call)
// and the deceleration test still queries the vessel.
TEST_P(CoverDisposal, GroundContactRequestsAndTheOtherTestsStillRun) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = flyingCover(sim, GetParam());
    v.groundContact = true;
    sim.step();
    const auto calls = callsFrom(sim, "clbkPostStep", sim.stepCount());
    EXPECT_EQ(callNames(calls), (std::vector<std::string>{"GetHandle", "GroundContact", "oapiDeleteVessel",
                                                      "oapiGetSimTime", "GetDrag", "GetMass"}));
    EXPECT_EQ(sim.findVessel("C"), nullptr);
}

TEST_P(CoverDisposal, AllThreeConditionsMakeThreeRequestsForOneHandle) {
    Simulation sim(hostOptions(4000.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = flyingCover(sim, GetParam());
    v.groundContact = true;
    v.readout.drag = 1.0e4;
    sim.step();

    const auto calls = callsFrom(sim, "clbkPostStep", sim.stepCount());
    ASSERT_EQ(callNames(calls),
              (std::vector<std::string>{"GetHandle", "GroundContact", "oapiDeleteVessel", "oapiGetSimTime",
                                        "oapiDeleteVessel", "GetDrag", "GetMass", "oapiDeleteVessel"}));
    const std::string handle = calls[0].ret;
    for (const auto &c : calls) {
        if (c.call == "oapiDeleteVessel") {
            EXPECT_EQ(c.args, (std::vector<std::string>{handle, "null"}));
        }
    }
    // The host took all three and removed the vessel once.
    EXPECT_EQ(sim.findVessel("C"), nullptr);
    const auto &records = sim.trace().records();
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const auto &r) { return r.dir == quva::TraceDir::In && r.call == "ovcExit"; }),
              1);
    EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
}

// The cover keeps no record of having asked: each call of its step asks again while the reason
// holds (here the host is not given a step in between in which to remove it).
TEST_P(CoverDisposal, AsksAgainInEveryLaterStep) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &v = flyingCover(sim, GetParam());
    v.groundContact = true;
    Simulation::ContextGuard asTheHostCallsIt(sim, &v);
    for (int call = 0; call < 3; ++call) v.callbacks->clbkPostStep(sim.simTime(), 1.0, sim.mjd());
    EXPECT_EQ(quvatest::outCalls(sim, "C", "oapiDeleteVessel").size(), 3u);
}

// A cover keeps nothing of its own across a save: its block holds the host's lines alone, the
// same as for a vessel of a class that has no module.
TEST_P(CoverDisposal, WritesNothingToTheScenario) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    flyingCover(sim, GetParam());
    const std::string saved = sim.saveScenarioText();
    std::vector<std::string> fromSave;
    for (const auto &c : quvatest::outCalls(sim, "C"))
        if (c.callback == "clbkSaveState") fromSave.push_back(c.call);
    EXPECT_EQ(fromSave, (std::vector<std::string>{"VESSEL2::clbkSaveState"}));
    for (const std::string &line : quvatest::savedBlock(saved, "C")) {
        EXPECT_NE(line.rfind("STATE", 0), 0u) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, CoverDisposal, ::testing::Values("Pilmont", "Draskel", "Nimbrel"),
                         [](const auto &info) { return std::string(info.param); });

// ---------------------------------------------------------------------------------------------
// Exports

// Read from the library file itself: ELF on Linux, PE on Windows. Names must be undecorated there
// too, exactly as the host looks them up.
TEST(ModuleExports, EachModuleExportsExactlyItsEntryPoints) {
    const std::vector<std::string> vesselOnly = {"ovcExit", "ovcInit"};
    const std::vector<std::string> withSupport = {"GetModuleVersion", "ModuleDate", "ovcExit", "ovcInit"};
    const std::pair<const char *, const std::vector<std::string> &> modules[] = {
        {"Vantrel", vesselOnly}, {"Ossum", vesselOnly},    {"Tarrowick", vesselOnly},
        {"Pilmont", vesselOnly}, {"Draskel", withSupport}, {"Nimbrel", withSupport}};
    for (const auto &[name, exports] : modules)
        EXPECT_EQ(quva::exportedSymbols(quvatest::moduleFile(name)), exports) << name;
}

}  // namespace
