// The host's behaviour that modules rely on and that is not obvious: the clock, deletion timing
// and repeated requests, attachment status, shared meshes, class resolution errors, scenario
// round trips and the trace format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"
#include "module_test_support.h"

namespace {

namespace fs = std::filesystem;

quva::SimulationOptions options(double dt = 1.0, fs::path root = QUVA_BUILD_ROOT) {
    quva::SimulationOptions o;
    o.root = std::move(root);
    o.dt = dt;
    o.flightModel = false;
    return o;
}

struct World {
    quva::Simulation sim;
    explicit World(double dt = 1.0, fs::path root = QUVA_BUILD_ROOT) : sim(options(dt, std::move(root))) {
        sim.trace().keepInMemory(true);
    }

    std::vector<quva::TraceRecord> calls(const std::string &name, const std::string &vessel = "") const {
        std::vector<quva::TraceRecord> out;
        for (const auto &r : sim.trace().records())
            if (r.call == name && (vessel.empty() || r.vessel == vessel)) out.push_back(r);
        return out;
    }
    // Index of the first record matching, or -1.
    long indexOf(const std::string &name, const std::string &vessel, std::int64_t step = -1) const {
        const auto &recs = sim.trace().records();
        for (std::size_t i = 0; i < recs.size(); ++i)
            if (recs[i].call == name && recs[i].vessel == vessel && (step < 0 || recs[i].step == step))
                return static_cast<long>(i);
        return -1;
    }
};

TEST(Clock, StepKEndsAtKTimesDtNotASum) {
    World w(0.1);
    w.sim.createVessel("P", "HostProbe");
    w.sim.runSteps(10);
    EXPECT_EQ(w.sim.simTime(), 10 * 0.1);  // 1.0, where ten additions give 0.9999999999999999
    auto steps = w.calls("clbkPostStep", "P");
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[2].args.substr(0, 25), "[0.30000000000000004,0.1,");
    EXPECT_EQ(steps[9].step, 10);
    EXPECT_EQ(steps[9].args.substr(0, 8), "[1,0.1,5");
}

TEST(Clock, RunUntilStopsAtTheLastStepEndingAtOrBeforeT) {
    World w(0.25);
    w.sim.runUntil(1.1);
    EXPECT_EQ(w.sim.stepCount(), 4);
    w.sim.runUntil(1.5);
    EXPECT_EQ(w.sim.stepCount(), 6);
}

TEST(Deletion, VesselStaysValidUntilEveryCallbackOfTheStepHasReturned) {
    World w;
    w.sim.createVessel("A", "HostProbe", {"DELETE_AT 2 3"});
    w.sim.createVessel("B", "HostProbe");
    w.sim.runSteps(1);
    EXPECT_EQ(w.sim.vessels().size(), 2u);
    w.sim.runSteps(1);
    ASSERT_EQ(w.sim.vessels().size(), 1u);
    EXPECT_EQ(w.sim.vessels()[0]->name, "B");

    auto requests = w.calls("oapiDeleteVessel", "A");
    ASSERT_EQ(requests.size(), 3u);  // three requests in one step, all accepted
    for (const auto &r : requests) EXPECT_EQ(r.ret, "true");
    // After its requests A still answers host calls, B still steps, and only then A is removed.
    long getMass = w.indexOf("GetMass", "A", 2);
    long stepB = w.indexOf("clbkPostStep", "B", 2);
    long exitA = w.indexOf("ovcExit", "A");
    ASSERT_GE(getMass, 0);
    ASSERT_GE(stepB, 0);
    EXPECT_LT(getMass, stepB);
    EXPECT_LT(stepB, exitA);
    EXPECT_EQ(w.calls("ovcExit", "A").size(), 1u);
}

TEST(Deletion, TimelineReportsRequestsAndRemovalAtTheStepTime) {
    World w(0.5);
    w.sim.createVessel("A", "HostProbe", {"DELETE_AT 1 2"});
    w.sim.runSteps(3);
    std::vector<std::string> texts;
    for (const auto &e : w.sim.timeline())
        if (e.vessel == "A" && e.t == 1.0) texts.push_back(e.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"deletion requested (2 requests)", "removed"}));
}

TEST(Attachments, StatusFollowsAttachAndRelease) {
    World w;
    quva::Vessel &parent = w.sim.createVessel("Parent", "HostProbe");
    quva::Vessel &child = w.sim.createVessel("Child", "HostProbe", {"ATTACHED 0:0,Parent", "DELETE_AT 1 1", "ONCE"});
    EXPECT_EQ(child.parent(), &parent);
    w.sim.runSteps(1);  // Child asks for deletion and reads Parent's to-child point status
    // Parent is removed with nothing attached; child is gone too; rebuild to check release.
    quva::Vessel &p2 = w.sim.createVessel("P2", "HostProbe");
    quva::Vessel &c2 = w.sim.createVessel("C2", "HostProbe");
    w.sim.attach(p2, 0, c2, 0);
    EXPECT_EQ(c2.parent(), &p2);
    EXPECT_THROW(w.sim.attach(p2, 0, c2, 0), std::runtime_error);  // already attached
    EXPECT_THROW(w.sim.attach(c2, 0, p2, 0), std::runtime_error);  // would make a loop
    w.sim.release(c2);
    EXPECT_EQ(c2.parent(), nullptr);
    EXPECT_EQ(p2.attachmentAt(false, 0)->peer, nullptr);
}

TEST(Attachments, GetAttachmentStatusNamesTheAttachedVessel) {
    World w;
    w.sim.createVessel("Parent", "HostProbe", {"DELETE_AT 1 1"});
    w.sim.createVessel("Child", "HostProbe", {"ATTACHED 0:0,Parent"});
    w.sim.runSteps(1);
    auto status = w.calls("GetAttachmentStatus", "Parent");
    ASSERT_EQ(status.size(), 1u);
    auto handle = w.calls("GetHandle", "Parent");
    ASSERT_FALSE(handle.empty());
    // Parent's to-child point holds Child: a vessel handle other than Parent's own.
    EXPECT_NE(status[0].ret, "null");
    EXPECT_NE(status[0].ret, handle[0].ret);
    // Removing the parent released the child.
    ASSERT_NE(w.sim.findVessel("Child"), nullptr);
    EXPECT_EQ(w.sim.findVessel("Child")->parent(), nullptr);
}

TEST(Meshes, OneSharedHandlePerMeshFile) {
    World w;
    w.sim.createVessel("C1", "Pilmont");
    w.sim.createVessel("C2", "Pilmont");
    auto loads = w.calls("oapiLoadMeshGlobal");
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_NE(loads[0].ret, "null");
    EXPECT_EQ(loads[0].ret, loads[1].ret);
    EXPECT_EQ(w.sim.meshes().size(), 1u);
    EXPECT_EQ(w.sim.findVessel("C1")->meshes.at(0).mesh, w.sim.findVessel("C2")->meshes.at(0).mesh);
}

TEST(Meshes, MissingMeshGivesNullHandleAndWarningWithoutCrashing) {
    fs::path root = fs::temp_directory_path() / quvatest::uniqueName("nomesh");
    fs::create_directories(root);
    quvatest::linkFolder(fs::path(QUVA_BUILD_ROOT) / "Modules", root / "Modules");
    {
        World w(1.0, root);
        quva::Vessel &v = w.sim.createVessel("C", "Pilmont");
        EXPECT_EQ(w.calls("oapiLoadMeshGlobal").at(0).ret, "null");
        ASSERT_EQ(v.meshes.size(), 1u);
        EXPECT_EQ(v.meshes[0].mesh, nullptr);
        ASSERT_FALSE(w.sim.warnings().empty());
        EXPECT_NE(w.sim.warnings()[0].find("Quva/Pilmont"), std::string::npos);
        w.sim.runSteps(2);
    }
    fs::remove_all(root);
}

struct ClassError {
    const char *className;
    const char *expected;
};

class ClassResolution : public ::testing::TestWithParam<ClassError> {};

TEST_P(ClassResolution, IsAClearErrorNamingTheClass) {
    World w;
    std::string text = "BEGIN_SHIPS\nX:" + std::string(GetParam().className) + "\nEND\nEND_SHIPS\n";
    try {
        w.sim.loadScenario(quva::parseScenario(text, "t.scn"));
        FAIL() << "no error";
    } catch (const quva::InputError &e) {
        std::string what = e.what();
        EXPECT_NE(what.find(GetParam().className), std::string::npos) << what;
        EXPECT_NE(what.find(GetParam().expected), std::string::npos) << what;
        EXPECT_NE(what.find("t.scn"), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClassResolution,
                         ::testing::Values(ClassError{"NoSuchClass", "line 2"},
                                           ClassError{"NoInitProbe", "does not export ovcInit"},
                                           ClassError{"NoExitProbe", "does not export ovcExit"}),
                         [](const auto &info) { return std::string(info.param.className); });

// A class name reaches files under Config/Vessels and Modules only: a name that is a path out of
// the tree would have the host load, and so run, any library on the machine.
TEST(ClassNames, PathsOutOfTheTreeAreRefusedAndSubfoldersStayUsable) {
    const std::string outside = quvatest::moduleFile("Pilmont").replace_extension().string();
    for (const std::string &name : {outside, std::string("../Modules/Pilmont"), std::string("Quva/../../Pilmont")}) {
        SCOPED_TRACE(name);
        World w;
        const std::string text = "BEGIN_SHIPS\nX:" + name + "\n  STATUS Orbiting Earth\n  RPOS 0 6380000 0\nEND\nEND_SHIPS\n";
        EXPECT_THROW(w.sim.loadScenario(quva::parseScenario(text, "t.scn")), quva::InputError);
        EXPECT_FALSE(w.sim.modules().knows(name));
        EXPECT_FALSE(quvatest::libraryLoaded(quvatest::moduleFile("Pilmont")));
    }
    // A class in a subfolder of Config/Vessels is found there.
    quvatest::ScratchRoot root("subclass");
    fs::create_directories(root.path() / "Config" / "Vessels" / "Quva");
    root.writeClass("Quva/Cover", "Module = Pilmont\n");
    quva::Simulation sim(quvatest::hostOptions(0.1, root.path()));
    EXPECT_TRUE(sim.modules().knows("Quva/Cover"));
}

TEST(ScenarioErrors, BadHostLineNamesFileAndLine) {
    World w;
    std::string text = "BEGIN_SHIPS\nC:Pilmont\n  STATUS Orbiting Earth\n  RPOS 1 2\nEND\nEND_SHIPS\n";
    try {
        w.sim.loadScenario(quva::parseScenario(text, "bad.scn"));
        FAIL() << "no error";
    } catch (const quva::InputError &e) {
        EXPECT_EQ(e.file(), "bad.scn");
        EXPECT_EQ(e.line(), 4);
    }
}

TEST(ScenarioErrors, StructureProblemsNameTheirLine) {
    struct Case {
        const char *text;
        int line;
    } cases[] = {
        {"BEGIN_SHIPS\nA:Pilmont\n  STATUS Landed Earth\nEND_SHIPS\n", 4},
        {"BEGIN_SHIPS\nnot a vessel line\nEND_SHIPS\n", 2},
        {"BEGIN_SHIPS\nA:Pilmont\nEND\nA:Pilmont\nEND\nEND_SHIPS\n", 4},
        {"BEGIN_SHIPS\nA:Pilmont\nEND\n", 3},
    };
    for (const auto &c : cases) {
        try {
            quva::parseScenario(c.text, "s.scn");
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const quva::InputError &e) {
            EXPECT_EQ(e.line(), c.line) << c.text << e.what();
        }
    }
}

const char *const kRoundTrip = R"(BEGIN_DESC
Kept as written.
END_DESC

BEGIN_ENVIRONMENT
  System Sol
  Date MJD 60000.25
END_ENVIRONMENT

BEGIN_SHIPS
Capsule:QuvaCapsule
  STATUS Orbiting Earth
  RPOS 1.000 6378010.500 -2.250
  RVEL 0.5000 -150.0000 0.0000
  AROT -90.0000 0.0000 0.0000
  XPDR 466
END
Cover:Pilmont
  STATUS Landed Moon
  POS 12.5000000 -3.2500000
  HEADING 45.0000
  ALT 0.000
  AROT 0.0000 0.0000 0.0000
END
END_SHIPS

BEGIN_OTHER
  anything 1 2 3
END_OTHER
)";

TEST(Scenario, SaveThenLoadGivesTheSameScenario) {
    std::string first, second;
    {
        World w;
        w.sim.loadScenario(quva::parseScenario(kRoundTrip, "r.scn"));
        first = w.sim.saveScenarioText();
    }
    {
        World w;
        w.sim.loadScenario(quva::parseScenario(first, "saved.scn"));
        second = w.sim.saveScenarioText();
    }
    EXPECT_EQ(first, second);
    // Other sections and lines this host does not interpret come back unchanged.
    EXPECT_NE(first.find("BEGIN_DESC\nKept as written.\nEND_DESC\n"), std::string::npos) << first;
    EXPECT_NE(first.find("BEGIN_OTHER\n  anything 1 2 3\nEND_OTHER\n"), std::string::npos) << first;
    EXPECT_NE(first.find("  XPDR 466\n"), std::string::npos) << first;
    EXPECT_NE(first.find("  RPOS 1.000 6378010.500 -2.250\n"), std::string::npos) << first;
    EXPECT_NE(first.find("  STATUS Landed Moon\n  POS 12.5000000 -3.2500000\n  HEADING 45.00\n"), std::string::npos)
        << first;
}

TEST(Scenario, LandedVesselIsInGroundContact) {
    World w;
    w.sim.loadScenario(quva::parseScenario(kRoundTrip, "r.scn"));
    EXPECT_TRUE(w.sim.vessel("Cover").groundContact);
    EXPECT_FALSE(w.sim.vessel("Capsule").groundContact);
}

TEST(Trace, RecordIsOneJsonObjectWithRoundTripDoubles) {
    World w(0.1);
    w.sim.createVessel("C", "HostProbe");
    w.sim.runSteps(3);
    auto steps = w.calls("clbkPostStep", "C");
    ASSERT_EQ(steps.size(), 3u);
    std::string json = steps[2].json();
    EXPECT_EQ(json.rfind("{\"step\":3,\"t\":0.30000000000000004,\"vessel\":\"C\",\"dir\":\"in\","
                         "\"call\":\"clbkPostStep\",\"args\":[0.30000000000000004,0.1,",
                         0),
              0u)
        << json;
    EXPECT_EQ(json.substr(json.size() - 12), ",\"ret\":null}");
    // Calls made while the vessel was created carry step 0.
    for (const auto &r : w.sim.trace().records()) {
        if (r.call == "SetSize" || r.call == "ovcInit") {
            EXPECT_EQ(r.step, 0);
        }
    }
    quva::JsonWriter jw;
    jw.value(0.1 + 0.2);
    EXPECT_EQ(std::strtod(jw.text().c_str(), nullptr), 0.1 + 0.2);
}

TEST(Trace, CallbackRecordPrecedesTheCallsMadeDuringIt) {
    World w;
    w.sim.createVessel("C", "Pilmont");
    const auto &recs = w.sim.trace().records();
    ASSERT_GE(recs.size(), 3u);
    EXPECT_EQ(recs[0].call, "ovcInit");
    EXPECT_EQ(recs[0].dir, quva::TraceDir::In);
    EXPECT_NE(recs[0].ret, "null");  // the object, filled in when ovcInit returned
    EXPECT_EQ(recs[1].call, "oapiGetSimTime");
    EXPECT_EQ(recs[1].dir, quva::TraceDir::Out);
}

}  // namespace

namespace {

const char *const kForeignFleet = R"(BEGIN_SHIPS
Probe:HostProbe
  STATUS Landed Earth
  POS 1.0000000 2.0000000
  HEADING 0.0000
  ALT 0.000
  AROT 0.0000 0.0000 0.0000
END
Station:SomeStation
  STATUS Orbiting Earth
  RPOS 6771010 0 0
  XPDR 12   ; as the other simulator wrote it
END
Lander:OtherLander
  ANYTHING at all
END
END_SHIPS
)";

TEST(UnknownClasses, AreAnErrorListingEveryClassWithItsLine) {
    World w;
    try {
        w.sim.loadScenario(quva::parseScenario(kForeignFleet, "fleet.scn"));
        FAIL() << "no error";
    } catch (const quva::InputError &e) {
        std::string what = e.what();
        EXPECT_NE(what.find("line 9: vessel Station of class SomeStation"), std::string::npos) << what;
        EXPECT_NE(what.find("line 14: vessel Lander of class OtherLander"), std::string::npos) << what;
        EXPECT_EQ(what.find("HostProbe"), std::string::npos) << what;
    }
    EXPECT_TRUE(w.sim.vessels().empty());
}

TEST(UnknownClasses, KeptInertAreWrittenBackLineForLine) {
    quva::SimulationOptions o = options();
    o.keepUnknownClasses = true;
    quva::Simulation sim(o);
    sim.loadScenario(quva::parseScenario(kForeignFleet, "fleet.scn"));
    sim.runSteps(3);
    std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find("Station:SomeStation\n  STATUS Orbiting Earth\n  RPOS 6771010 0 0\n"
                         "  XPDR 12   ; as the other simulator wrote it\nEND\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("Lander:OtherLander\n  ANYTHING at all\nEND\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Probe:HostProbe\n"), std::string::npos) << saved;
}

}  // namespace

namespace {

TEST(Timeline, AnimationIsAtRestOnlyOnceItKeepsItsState) {
    World w(1.0);
    w.sim.createVessel("D", "Vantrel", {"STATUS Orbiting Earth", "RPOS 0 6400000 0"});
    w.sim.runSteps(8);
    std::vector<std::pair<double, std::string>> rest;
    for (const auto &e : w.sim.timeline())
        if (e.text.find("at rest") != std::string::npos) rest.emplace_back(e.t, e.text);
    // The canopy shows 0 twice (at creation and in its first step) without stopping; it opens on
    // step 4 and is reported at rest once it has kept that state for two steps.
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].first, 6.0);
    EXPECT_EQ(rest[0].second, "animation 0 at rest at 1.00");
}

}  // namespace
