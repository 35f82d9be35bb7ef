// The comparer of a Windows run with the Linux run: what counts as the same output.
#include <gtest/gtest.h>

#include <string>

#include "number_tokens.h"

namespace {

using quva::parity::compareTexts;

struct Case {
    const char *name, *expected, *actual;
    bool agree;
    std::size_t close;     // numbers written differently but within tolerance
    std::size_t lineOfDifference;
};

class CompareTexts : public ::testing::TestWithParam<Case> {};

TEST_P(CompareTexts, AgreesExactlyWhereItShould) {
    const Case &k = GetParam();
    const auto c = compareTexts(k.expected, k.actual, 1e-9, 1e-12);
    EXPECT_EQ(c.agree, k.agree) << c.why;
    if (k.agree) EXPECT_EQ(c.close + c.nearZero + c.halfTurns, k.close);
    else EXPECT_EQ(c.line, k.lineOfDifference);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareTexts,
    ::testing::Values(
        Case{"Identical", "{\"t\":0.1,\"ret\":[1,2]}\n", "{\"t\":0.1,\"ret\":[1,2]}\n", true, 0, 0},
        Case{"LastDigits", "x 1.0000000000000002\n", "x 1.0000000000000004\n", true, 1, 0},
        Case{"ExponentSpelling", "v 1e+248\n", "v 1E248\n", true, 1, 0},
        Case{"TinyNearZero", "vy 1e-17\n", "vy -3e-17\n", true, 1, 0},
        Case{"HalfTurnEitherSign", "aoa -3.141592653589793\n", "aoa 3.141592653589793\n", true, 1, 0},
        Case{"NotAHalfTurn", "aoa -3.0\n", "aoa 3.0\n", false, 0, 1},
        Case{"BeyondTolerance", "a\nSTATE 1 0.5000\n", "a\nSTATE 1 0.5001\n", false, 0, 2},
        Case{"DifferentText", "call SetAnimation\n", "call SetAnimatiom\n", false, 0, 1},
        Case{"DigitsInNamesAreText", "VESSEL2 x\n", "VESSEL3 x\n", false, 0, 1},
        Case{"NumberOnOneSideOnly", "ret null\n", "ret 0\n", false, 0, 1},
        Case{"OneEndsEarly", "a 1\nb 2\n", "a 1\n", false, 0, 2}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
