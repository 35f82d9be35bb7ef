// quva run --replay: the page is planned and checked with the other outputs before the run, and
// written with them after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;

using ReplayOption = quva::test::CliTest;

// The page's data block, as the page carries it.
std::string dataBlock(const std::string &page) {
    const std::string open = "<script type=\"application/json\" id=\"quva-replay-data\">";
    const std::size_t from = page.find(open);
    if (from == std::string::npos) return {};
    const std::size_t start = from + open.size();
    return page.substr(start, page.find("</script>", start) - start);
}

TEST_F(ReplayOption, TheDemoRunGivesAPageUnderThreeMegabytesWithItsEvents) {
    const fs::path page = dir / "r.html";
    const auto r = quva("run Quva/Recovery --until 480 --release 20:Drogue --assembly combined --replay " + page.string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("wrote replay " + page.string()), std::string::npos);
    const std::string text = quvatest::fileText(page);
    EXPECT_LE(text.size(), 3u * 1024 * 1024);
    ASSERT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
    const std::string data = dataBlock(text);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data.rfind("{\"format\":\"quva-replay\",\"version\":1,\"title\":\"Quva/Recovery\",\"tStart\":0,\"tEnd\":480,", 0), 0u)
        << data.substr(0, 200);
    EXPECT_NE(data.find("{\"t\":20,\"step\":200,\"vessel\":\"Drogue\",\"text\":\"released from Capsule\"}"), std::string::npos);
    // The drogue is removed once down; the capsule stays.
    EXPECT_NE(data.find("{\"name\":\"Drogue\",\"class\":1,\"body\":0,\"removedAt\":466.7,"), std::string::npos);
    EXPECT_NE(data.find("{\"name\":\"Capsule\",\"class\":0,\"body\":0,\"removedAt\":null,"), std::string::npos);
}

TEST_F(ReplayOption, IsCheckedBeforeTheRunLikeEveryOtherOutput) {
    const fs::path scenario = write("s.scn", quvatest::fileText(fs::path(QUVA_BUILD_ROOT) / "Scenarios/Quva/Recovery.scn"));
    const std::string same = (dir / "same.out").string();
    struct Case {
        std::string args;
        int code;
        std::string message;
    } cases[] = {
        {"--replay " + same + " --plot " + same, 2, "--plot"},
        {"--replay " + scenario.string(), 2, "--replay"},
        {"--replay " + dir.string(), 2, "--replay"},
        {"--replay \"\"", 2, "--replay"},
        {"--replay " + (dir / "no" / "r.html").string(), 1, "r.html"},
    };
    for (const Case &c : cases) {
        const auto r = quva("run " + scenario.string() + " --steps 3 " + c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("scenario "), std::string::npos) << "the run started: " << c.args;
    }
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "s.scn" || name == "out" || name == "err") << name;
    }
}

}  // namespace
