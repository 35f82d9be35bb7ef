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

}  // namespace
