// The quva command as scripts use it: exit codes, error messages with file and line, and no
// output file left behind by a failed run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;

using Result = quva::test::CliResult;

class Cli : public quva::test::CliTest {};

TEST_F(Cli, BadArgumentsAreUsageErrors) {
    for (const char *args : {"", "run", "run x.scn --steps 3 --until 4", "run x.scn --dt -1", "run x.scn --dt abc",
                             "run x.scn --release 3", "run x.scn --key 1:V:GG", "run x.scn --key 1:V:G+meta",
                             "nosuchcommand"}) {
        Result r = quva(args);
        EXPECT_EQ(r.code, 2) << args << "\n" << r.err;
        EXPECT_FALSE(r.err.empty()) << args;
    }
}

TEST_F(Cli, BadScenarioIsAnErrorWithFileAndLineAndWritesNothing) {
    fs::path scn = write("bad.scn", "BEGIN_SHIPS\nC:Pilmont\n  STATUS Orbiting Earth\n  RPOS 1 2 x\nEND\nEND_SHIPS\n");
    fs::path save = dir / "saved.scn", trace = dir / "trace.jsonl";
    Result r = quva("run " + scn.string() + " --steps 2 --save " + save.string() + " --trace " + trace.string());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(scn.string() + ":4:"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(save));
    EXPECT_FALSE(fs::exists(trace));
    EXPECT_FALSE(fs::exists(dir / "trace.jsonl.part"));
}

TEST_F(Cli, MissingScenarioAndUnknownEventVesselFail) {
    EXPECT_EQ(quva("run " + (dir / "none.scn").string()).code, 1);
    Result r = quva("run Quva/ApexCover --steps 1 --release 1:Nobody");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Nobody"), std::string::npos);
}

TEST_F(Cli, RunPrintsTimelineSavesAndTraces) {
    fs::path save = dir / "end.scn", trace = dir / "t.jsonl";
    Result r = quva("run Quva/ApexCover --until 5 --release 2:ApexCover --save " + save.string() + " --trace " +
                    trace.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("released from Capsule"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ran 50 steps"), std::string::npos) << r.out;
    std::string saved = quvatest::fileText(save);
    EXPECT_NE(saved.find("ApexCover:Pilmont\n"), std::string::npos);
    EXPECT_EQ(saved.find("ATTACHED"), std::string::npos);  // released at 2 s
    std::string first;
    std::getline(std::ifstream(trace) >> std::ws, first);
    EXPECT_EQ(first.rfind("{\"step\":0,\"t\":0,", 0), 0u) << first;
}

TEST_F(Cli, HelpAndVersionSucceed) {
    EXPECT_EQ(quva("--help").code, 0);
    EXPECT_EQ(quva("run --help").code, 0);
    Result v = quva("--version");
    EXPECT_EQ(v.code, 0);
    EXPECT_NE(v.out.find("quva"), std::string::npos);
}

// Events after the run's end are never applied: a warning names them.
TEST_F(Cli, EventsAfterTheEndAreNamedInAWarning) {
    const auto r = quva("run Quva/Recovery --dt 0.25 --until 1 --release 1:Drogue --key 1.2:Drogue:G --release 7:Main");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: events after the run's end (t = 1 s) are not applied: --release 7:Main, "
                         "--key 1.2:Drogue:G\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("released from"), std::string::npos) << r.out;
}

// A user's tree beside quva's own: --root repeated, the trees searched in the order given, quva's
// own (the last) for what the user's lacks. The user's tree gives the scenario by name, a class
// defined by its configuration alone, that class's mesh and a base; quva's own tree gives the
// module of the other vessel.
TEST_F(Cli, RepeatedRootSearchesTheTreesInOrder) {
    const fs::path user = dir / "user";
    auto put = [](const fs::path &p, const std::string &text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    };
    put(user / "Config/Vessels/Crate.cfg", "Mass = 250\nSize = 1.5\nMeshName = Cargo/Crate\n");
    put(user / "Meshes/Cargo/Crate.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n");
    // A configuration of the same name as one of quva's own: the user's tree comes first.
    put(user / "Config/Vessels/QuvaCapsule.cfg", "Mass = 4321\nSize = 2\n");
    put(user / "Scenarios/Cargo/Drop.scn",
        "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.0\nEND_ENVIRONMENT\n\nBEGIN_SHIPS\n"
        "Crate\n  STATUS Orbiting Earth\n  RPOS 0.000 6471010.000 0.000\n  RVEL 0.0000 0.0000 7800.0000\nEND\n"
        "Cover:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0.000 6471010.000 50.000\n  RVEL 0.0000 0.0000 7800.0000\nEND\n"
        "END_SHIPS\n");
    const std::string roots = "--root " + user.string() + " --root " + std::string(QUVA_BUILD_ROOT);
    const fs::path save = dir / "saved.scn";
    Result r = quva(roots + " run Cargo/Drop --steps 10 --save " + save.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("Crate"), std::string::npos) << r.err;  // no warning: the crate's mesh was found
    const std::string saved = quvatest::fileText(save);
    EXPECT_NE(saved.find("Crate:Crate\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Cover:Pilmont\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("  Date MJD 60000.0000115741\n"), std::string::npos) << saved;  // 10 steps of 0.1 s

    Result info = quva(roots + " info QuvaCapsule");
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("4321 kg"), std::string::npos) << info.out;
    // Without the user's tree, quva's own configuration counts and the user's scenario is not found.
    Result own = quva("--root " + std::string(QUVA_BUILD_ROOT) + " info QuvaCapsule");
    EXPECT_EQ(own.out.find("4321 kg"), std::string::npos) << own.out;
    EXPECT_EQ(quva("--root " + std::string(QUVA_BUILD_ROOT) + " run Cargo/Drop --steps 1").code, 1);
}

// A scenario is found under Scenarios/ as the simulator's file system finds it: without regard to
// case, '\' separating folders.
TEST_F(Cli, ScenarioNamesAreFoundWithoutRegardToCase) {
    for (const char *name : {"quva/apexcover", "QUVA\\ApexCover.scn"}) {
        SCOPED_TRACE(name);
        Result r = quva(std::string("run '") + name + "' --steps 1");
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.out.find("ApexCover.scn"), std::string::npos) << r.out;
    }
}

// A date that cannot be read is no reason to refuse the run: a warning names file and line, and
// the run starts at J2000, never at the computer's clock.
TEST_F(Cli, UnreadableDateWarnsAndTheRunStartsAtJ2000) {
    fs::path scn = write("dated.scn", "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD nan\nEND_ENVIRONMENT\n"
                                      "BEGIN_SHIPS\nC:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 6471010 0\n"
                                      "  RVEL 0 0 7800\nEND\nEND_SHIPS\n");
    fs::path save = dir / "saved.scn";
    Result r = quva("run " + scn.string() + " --steps 0 --save " + save.string());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: " + scn.string() + ":3: "), std::string::npos) << r.err;
    EXPECT_NE(quvatest::fileText(save).find("BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 51544.5000000000\nEND_ENVIRONMENT\n"),
              std::string::npos);
}

// A condition fires at the end of the first step where it holds, which is exactly when a timed
// event at that step's end takes effect: the two runs must end alike.
TEST_F(Cli, TriggeredReleaseActsLikeATimedOneAtTheStepWhereItsConditionFirstHeld) {
    fs::path triggered = dir / "triggered.scn", timed = dir / "timed.scn";
    Result r = quva("run Quva/Recovery --until 30 --release 'alt<3800:Drogue' --save " + triggered.string());
    ASSERT_EQ(r.code, 0) << r.err;
    const std::size_t met = r.out.find("condition alt<3800 met");
    ASSERT_NE(met, std::string::npos) << r.out;
    // The timeline line reads "  T  VESSEL  TEXT"; T is the first number on it.
    const std::size_t lineStart = r.out.rfind('\n', met) + 1;
    const double t = std::stod(r.out.substr(lineStart, met - lineStart));
    EXPECT_GT(t, 1.0);
    EXPECT_LT(t, 20.0);
    Result s = quva("run Quva/Recovery --until 30 --release " + std::to_string(t + 0.05) + ":Drogue --save " + timed.string());
    ASSERT_EQ(s.code, 0) << s.err;
    EXPECT_EQ(quvatest::fileText(triggered), quvatest::fileText(timed));
}

TEST_F(Cli, MalformedConditionsAreUsageErrorsQuotingThem) {
    for (const char *event : {"--release 'alt<x:Drogue'", "--release 'height<5:Drogue'", "--release 'alt<5:'",
                              "--key 'vz>:Main:G'", "--key 'vz>-5:Main:GG'", "--key 'vz>-5:Main'"}) {
        Result r = quva(std::string("run Quva/Recovery --steps 1 ") + event);
        EXPECT_EQ(r.code, 2) << event << "\n" << r.err;
        std::string quoted = event;
        quoted = "\"" + quoted.substr(quoted.find('\'') + 1, quoted.rfind('\'') - quoted.find('\'') - 1) + "\"";
        EXPECT_NE(r.err.find(quoted), std::string::npos) << event << "\n" << r.err;
    }
}

TEST_F(Cli, AConditionThatNeverHoldsIsAWarning) {
    Result r = quva("run Quva/Recovery --until 3 --release 'alt<10:Main' --key 't>100:Main:D'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: release for \"Main\" did not happen: alt<10 never held"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("t>100 never held"), std::string::npos) << r.err;
    EXPECT_EQ(quva("run Quva/Recovery --steps 1 --release 'alt<10:Nobody'").code, 1);
}

}  // namespace
