// The default line parser: keyword order and prefix matching, the defaults that STATUS sets,
// ELEMENTS and BASE ordering, and bad lines with their line numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/host_line_parser.h"

namespace {

using quva::HostStatus;

// Parses `lines` as a vessel block of file "v.scn" whose first line is line 1.
HostStatus parse(const std::vector<std::string> &lines) {
    static const std::vector<quva::ScenarioLine> none;
    quva::ScenarioReadHandle reader;
    reader.file = "v.scn";
    reader.lines = &none;
    HostStatus status;
    status.reader = &reader;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        reader.line = static_cast<int>(i) + 1;
        quva::parseHostLine(lines[i].c_str(), status);
    }
    status.reader = nullptr;
    return status;
}

TEST(HostLineParser, KeywordsMatchByPrefixInAnyCase) {
    const HostStatus s = parse({"status landed moon", "Pos 23.473 0.674", "heading 45", "alt 2.5",
                                "arot 1 2 3 ; written by hand", "rcsmode 2", "AfcMode 7", "xpdr 466",
                                "DOCKINFO 0:0,Other", "NAVFREQ 402 94"});
    ASSERT_FALSE(s.error) << s.error->what();
    const quva::HostLines &l = s.lines;
    EXPECT_EQ(l.status, "Landed");
    EXPECT_EQ(l.body, "Moon");
    EXPECT_EQ(l.lon, 23.473);
    EXPECT_EQ(l.lat, 0.674);
    EXPECT_EQ(l.heading, 45.0);
    EXPECT_EQ(l.alt, 2.5);
    EXPECT_EQ(l.arot, (quva::Vec3{1, 2, 3}));
    EXPECT_EQ(l.rcsMode, 2);
    EXPECT_EQ(l.afcMode, 7);
    // Read but not acted on: written back as read.
    EXPECT_EQ(l.foreign, (std::vector<std::string>{"xpdr 466", "DOCKINFO 0:0,Other", "NAVFREQ 402 94"}));
}

TEST(HostLineParser, StatusForgetsTheHeadingAndAttitudeBeforeIt) {
    const HostStatus before = parse({"HEADING 30", "AROT 1 2 3", "STATUS Landed Earth"});
    EXPECT_FALSE(before.lines.heading);
    EXPECT_FALSE(before.lines.arot);
    const HostStatus after = parse({"STATUS Landed Earth", "HEADING 30", "AROT 1 2 3"});
    EXPECT_EQ(after.lines.heading, 30.0);
    EXPECT_TRUE(after.lines.arot);
}

TEST(HostLineParser, LaterLinesReplaceEarlierOnes) {
    // ELEMENTS drops an RPOS/RVEL before it; an RPOS after it replaces its position.
    const HostStatus e1 = parse({"STATUS Orbiting Earth", "RPOS 1 2 3", "RVEL 4 5 6", "ELEMENTS 7e6 0 0 0 0 0 51544.5"});
    EXPECT_FALSE(e1.lines.rpos);
    EXPECT_FALSE(e1.lines.rvel);
    ASSERT_TRUE(e1.lines.elements);
    EXPECT_EQ(e1.lines.elements->a, 7e6);
    EXPECT_EQ(e1.lines.elements->line, 4);
    const HostStatus e2 = parse({"STATUS Orbiting Earth", "ELEMENTS 7e6 0 0 0 0 0 51544.5", "RPOS 1 2 3"});
    EXPECT_TRUE(e2.lines.elements);
    EXPECT_EQ(e2.lines.rpos, (quva::Vec3{1, 2, 3}));
    // PRPLEVEL and FUEL replace each other.
    const HostStatus f1 = parse({"PRPLEVEL 0:0.5 2:1", "FUEL 0.25"});
    EXPECT_EQ(f1.lines.fuel, 0.25);
    EXPECT_TRUE(f1.lines.prplevel.empty());
    const HostStatus f2 = parse({"FUEL 0.25", "PRPLEVEL 0:0.5 2/1"});
    EXPECT_FALSE(f2.lines.fuel);
    EXPECT_EQ(f2.lines.prplevel, (std::vector<std::pair<int, double>>{{0, 0.5}, {2, 1.0}}));
    EXPECT_EQ(f2.lines.prplevelLine, 2);
    // BASE gives the place unless a POS follows it.
    const HostStatus b1 = parse({"STATUS Landed Moon", "POS 1 2", "BASE Harbour Point:3"});
    EXPECT_FALSE(b1.lines.lon);
    ASSERT_TRUE(b1.lines.base);
    EXPECT_EQ(b1.lines.base->name, "Harbour Point");
    EXPECT_EQ(b1.lines.base->pad, 3);
    const HostStatus b2 = parse({"STATUS Landed Moon", "BASE Harbour Point", "POS 1 2"});
    EXPECT_EQ(b2.lines.lon, 1.0);
    EXPECT_FALSE(b2.lines.base->pad);
}

TEST(HostLineParser, ModuleWordsThatStartWithAKeywordAreKept) {
    const HostStatus s = parse({"POSITION 1 2 3", "STATUS_X 1", "ALTITUDE high", "BASEMENT", "THLEVELS on"});
    ASSERT_FALSE(s.error) << s.error->what();
    EXPECT_EQ(s.lines.foreign,
              (std::vector<std::string>{"POSITION 1 2 3", "STATUS_X 1", "ALTITUDE high", "BASEMENT", "THLEVELS on"}));
    EXPECT_FALSE(s.lines.status);
    // Kept wherever they stand, even where their arguments would read as the keyword's: a save
    // writes them after the host's own lines, and they must mean the same there.
    for (const auto &lines : {std::vector<std::string>{"BASEAROT 0 0", "STATUS Landed Moon", "POS1 2"},
                              std::vector<std::string>{"STATUS Landed Moon", "BASEAROT 0 0", "POS1 2"}}) {
        const HostStatus k = parse(lines);
        ASSERT_FALSE(k.error) << k.error->what();
        EXPECT_FALSE(k.lines.base);
        EXPECT_FALSE(k.lines.lon);
        EXPECT_EQ(k.lines.foreign, (std::vector<std::string>{"BASEAROT 0 0", "POS1 2"}));
    }
}

TEST(HostLineParser, BadLinesAreErrorsWithTheirLine) {
    struct Case {
        std::vector<std::string> lines;
        int line;
        const char *words;
    } cases[] = {
        {{"STATUS Orbiting Earth", "RPOS 1 2"}, 2, "RPOS needs three numbers"},
        {{"STATUS Orbiting Earth", "ELEMENTS 7e6 0.1 0 0 0 0"}, 2, "seven numbers"},
        {{"STATUS Orbiting Earth", "ELEMENTS 7e6 1.2 0 0 0 0 51544.5"}, 2, "open orbit"},
        {{"STATUS Orbiting Earth", "ELEMENTS -7e6 0.5 0 0 0 0 51544.5"}, 2, "closed orbit"},
        {{"ELEMENTS 7e6 0 0 0 0 0 51544.5", "STATUS Orbiting Earth"}, 1, "must follow the STATUS"},
        {{"BASE Harbour:1", "STATUS Landed Moon"}, 1, "must follow the STATUS"},
        {{"STATUS Landed Moon", "BASE Harbour:0"}, 2, "pad must be a number from 1"},
        {{"STATUS Landed Moon", "BASE Harbour:x"}, 2, "pad must be a number from 1"},
        {{"STATUS Landed Zorb"}, 1, "unknown body"},
        {{"STATUS Drifting Earth"}, 1, "Orbiting or Landed"},
        {{"PRPLEVEL 0:full"}, 1, "PRPLEVEL needs pairs"},
        {{"PRPLEVEL 0:nan"}, 1, "PRPLEVEL needs pairs"},
        {{"THLEVEL 0"}, 1, "THLEVEL needs pairs"},
        {{"RCSMODE 3"}, 1, "from 0 to 2"},
        {{"POS 10 95"}, 1, "latitude"},
        {{"ATTACHED 0,Parent"}, 1, "i:j,PARENT"},
    };
    for (const auto &c : cases) {
        const HostStatus s = parse(c.lines);
        ASSERT_TRUE(s.error) << c.words;
        EXPECT_EQ(s.error->line(), c.line) << s.error->what();
        EXPECT_EQ(s.error->file(), "v.scn");
        EXPECT_NE(std::string(s.error->what()).find(c.words), std::string::npos) << s.error->what();
    }
}

}  // namespace
