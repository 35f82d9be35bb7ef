// The scenario state line: its text on its own, and read and written by a parachute module
// through the host.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "../frame/state_line.h"
#include "core/simulation.h"
#include "module_test_support.h"

namespace {

using quva::Simulation;
using quvatest::hostOptions;
using quvatest::outCalls;
using quvatest::savedBlock;
using quvatest::savedStateLine;

// ---------------------------------------------------------------------------------------------
// The text

struct ReadCase {
    const char *text;
    int status;       // expected, starting from 5
    double fraction;  // expected, starting from 0.25
};

std::ostream &operator<<(std::ostream &os, const ReadCase &c) { return os << '"' << c.text << '"'; }

const std::vector<ReadCase> kReadCases = {
    {" 1 0.5", 1, 0.5},
    {"1 0.5 7", 1, 0.5},           // what follows the second value is ignored
    {"", 5, 0.25},                 // nothing to read
    {"X 1 0.5", 5, 0.25},          // reading stops at the first value it cannot read
    {"3", 3, 0.25},
    {"1 abc", 1, 0.25},
    {"2 0.5", 2, 0.5},
    {"010 0.5", 8, 0.5},           // octal after a leading 0
    {"0x3 0.5", 3, 0.5},           // hexadecimal after 0x
    {"0XfF 0.5", 255, 0.5},
    {"-0x10 -1.5e-1", -16, -0.15},
    {"+7 .5", 7, 0.5},
    {"08 0.5", 0, 8.0},            // 8 is no octal digit: the int ends at 0, the double is 8
    {"1 0x1p-2", 1, 0.25},         // hexadecimal double
    {"1 5.", 1, 5.0},
    {"1\t\t2.5", 1, 2.5},
    // An int beyond the range of status saturates instead of being undefined.
    {"2147483647 0.5", INT_MAX, 0.5},
    {"2147483648 0.5", INT_MAX, 0.5},
    {"-2147483648 0.5", INT_MIN, 0.5},
    {"-2147483649 0.5", INT_MIN, 0.5},
    {"0x7fffffffffffffffffff 0.5", INT_MAX, 0.5},
    {"-99999999999999999999999 0.5", INT_MIN, 0.5},
    // A fraction that is no finite number is unreadable and leaves the field as it was.
    {"1 nan", 1, 0.25},
    {"1 -NaN", 1, 0.25},
    {"1 inf", 1, 0.25},
    {"1 -infinity", 1, 0.25},
    {"1 1e400", 1, 0.25},          // overflows a double
    {"1 1e300", 1, 1e300},         // large, but a number
};

class StateText : public ::testing::TestWithParam<ReadCase> {};

TEST_P(StateText, ReadsWhatIsThereAndKeepsTheRest) {
    const ReadCase &c = GetParam();
    int status = 5;
    double fraction = 0.25;
    frame::readStateText(c.text, status, fraction);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(fraction, c.fraction);
}

INSTANTIATE_TEST_SUITE_P(Lines, StateText, ::testing::ValuesIn(kReadCases));

TEST(StateKeyword, ComparesTheKeywordsLengthIgnoringCase) {
    EXPECT_TRUE(frame::startsWithKeyword("STATE 1 0.5", "STATE"));
    EXPECT_TRUE(frame::startsWithKeyword("state 1 0.5", "STATE"));
    EXPECT_TRUE(frame::startsWithKeyword("StAtE", "STATE"));
    EXPECT_TRUE(frame::startsWithKeyword("STATEX 1 0.5", "STATE"));
    EXPECT_TRUE(frame::startsWithKeyword("gears", "GEAR"));
    EXPECT_FALSE(frame::startsWithKeyword("STATUS Orbiting Earth", "STATE"));
    EXPECT_FALSE(frame::startsWithKeyword("STAT", "STATE"));
    EXPECT_FALSE(frame::startsWithKeyword("", "GEAR"));
    EXPECT_FALSE(frame::startsWithKeyword(" GEAR 1 1", "GEAR"));
}

std::string format(int status, double fraction) {
    char text[frame::kStateTextSize];
    return frame::formatStateText(text, status, fraction);
}

TEST(StateText, WritesFourDecimals) {
    EXPECT_EQ(format(1, 1.0), "1 1.0000");
    EXPECT_EQ(format(3, 0.45678), "3 0.4568");
    EXPECT_EQ(format(0, 0.0), "0 0.0000");
    EXPECT_EQ(format(-2, -0.00004), "-2 -0.0000");
    EXPECT_EQ(format(INT_MIN, 1.0 / 3.0), "-2147483648 0.3333");
}

// The fixed-point form is kept for every fraction whose text fits the buffer; beyond that the
// text switches to the shortest exact form instead of being cut off.
TEST(StateText, HugeFractionsAreWrittenWholeAndExact) {
    const std::string fits = format(1, 1e247);  // "1 " + 247 digits + ".0000": 254 characters
    EXPECT_EQ(fits.size(), 254u);
    EXPECT_EQ(fits.substr(fits.size() - 5), ".0000");

    EXPECT_EQ(format(1, 1e248), "1 1e+248");  // 256 characters in fixed point
    EXPECT_EQ(format(-2147483647 - 1, -1e300), "-2147483648 -1.0000000000000001e+300");
    EXPECT_EQ(format(1, 1.7976931348623157e308), "1 1.7976931348623157e+308");

    for (double huge : {1e248, -1e300, 1.7976931348623157e308}) {
        int status = 0;
        double back = 0.0;
        frame::readStateText(format(7, huge).c_str(), status, back);
        EXPECT_EQ(back, huge);
        EXPECT_EQ(status, 7);
    }
}

// ---------------------------------------------------------------------------------------------
// Through a parachute module and the host

struct BlockCase {
    const char *name;
    std::vector<std::string> lines;
    const char *saved;                     // the state line the module writes back
    std::vector<std::string> toHost;       // the lines it passes to the host, in order
};

std::ostream &operator<<(std::ostream &os, const BlockCase &c) { return os << c.name; }

const std::vector<BlockCase> kBlocks = {
    {"NoStateLine", {}, "STATE 0 0.0000", {}},
    {"UpperCase", {"STATE 1 0.5"}, "STATE 1 0.5000", {}},
    {"LowerCase", {"state 1 0.5"}, "STATE 1 0.5000", {}},
    {"LongerKeywordIsConsumed", {"STATEX 1 0.5"}, "STATE 0 0.0000", {}},
    {"DigitsRightAfterTheKeyword", {"STATE2 0.5"}, "STATE 2 0.5000", {}},
    {"KeywordAlone", {"STATE"}, "STATE 0 0.0000", {}},
    {"StatusOnly", {"STATE 3"}, "STATE 3 0.0000", {}},
    {"OctalAndHex", {"STATE 010 0.5", "STATE 0x3"}, "STATE 3 0.5000", {}},
    {"LaterLineWinsFieldByField", {"STATE 1 0.25", "STATE 3 abc"}, "STATE 3 0.2500", {}},
    {"HugeStatusSaturates", {"STATE 99999999999 0.5"}, "STATE 2147483647 0.5000", {}},
    {"NotANumberKeepsTheFraction", {"STATE 3 0.5", "STATE 1 nan"}, "STATE 1 0.5000", {}},
    {"HugeFractionIsKeptExactly", {"STATE 3 1e300"}, "STATE 3 1.0000000000000001e+300", {}},
    {"HostLinesInFileOrder",
     {"STATUS Orbiting Earth", "STATE 3 0.45678", "RPOS 7000000 0 0", "STATUS_X 1"},
     "STATE 3 0.4568",
     {"STATUS Orbiting Earth", "RPOS 7000000 0 0", "STATUS_X 1"}},
};

class ParachuteStateLine : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ParachuteStateLine, ReadsTheBlockAndWritesTheLineBack) {
    const BlockCase &c = GetParam();
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    sim.createVessel("D", "Vantrel", c.lines);

    std::vector<std::string> toHost;
    for (const auto &call : outCalls(sim, "D", "ParseScenarioLineEx")) {
        EXPECT_EQ(call.callback, "clbkLoadStateEx");
        toHost.push_back(call.args.at(0));
    }
    std::vector<std::string> expected;
    for (const auto &l : c.toHost) expected.push_back("\"" + l + "\"");
    EXPECT_EQ(toHost, expected);
    EXPECT_EQ(savedStateLine(sim, "D"), c.saved);
}

INSTANTIATE_TEST_SUITE_P(Blocks, ParachuteStateLine, ::testing::ValuesIn(kBlocks),
                         [](const auto &info) { return std::string(info.param.name); });

// The host's own lines come first, then the state line, written once.
TEST(ParachuteStateLine, IsWrittenOnceAfterTheHostsLines) {
    Simulation sim(hostOptions(1.0));
    sim.trace().keepInMemory(true);
    sim.createVessel("D", "Vantrel", {"STATUS Orbiting Earth", "RPOS 7000000 0 0", "RVEL 0 7500 0"});
    sim.trace().clear();
    const auto block = savedBlock(sim.saveScenarioText(), "D");
    ASSERT_GE(block.size(), 2u);
    EXPECT_EQ(block.front().rfind("STATUS", 0), 0u) << block.front();
    EXPECT_EQ(block.back(), "STATE 0 0.0000");

    const auto writes = outCalls(sim, "D", "oapiWriteScenario_string");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].args.at(1), "\"STATE\"");
    EXPECT_EQ(writes[0].args.at(2), "\"0 0.0000\"");
}

// A saved line read into a new vessel writes the same line again: status exactly, the fraction
// to four decimals, and a huge fraction exactly.
TEST(ParachuteStateLine, SurvivesSaveAndReload) {
    for (const char *line : {"STATE 3 0.45678", "STATE -17 1e300", "STATE 1 1.3333333"}) {
        SCOPED_TRACE(line);
        Simulation sim(hostOptions(1.0));
        sim.createVessel("A", "Vantrel", {line});
        const std::string first = savedStateLine(sim, "A");
        sim.createVessel("B", "Vantrel", {first});
        EXPECT_EQ(savedStateLine(sim, "B"), first);
    }
}

}  // namespace
