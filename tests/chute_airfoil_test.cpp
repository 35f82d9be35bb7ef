// The canopy airfoil coefficients, called directly. The test binary builds the canopy source
// with the drogue's radius; both modules' own radii are checked through the host in chutes_test.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "../chutes/chute_airfoil.h"
#include "OrbiterAPI.h"
#include "core/simulation.h"
#include "module_test_support.h"

namespace {

using chutes::chuteHorizontalCoeffs;
using chutes::chuteVerticalCoeffs;

struct Coeffs {
    double cl, cm, cd;
};

Coeffs vertical(double aoaDeg, double mach = 0.0, double reynolds = 0.0) {
    Coeffs c{};
    chuteVerticalCoeffs(aoaDeg * RAD, mach, reynolds, &c.cl, &c.cm, &c.cd);
    return c;
}

Coeffs horizontal(double aoaDeg, double mach = 0.0, double reynolds = 0.0) {
    Coeffs c{};
    chuteHorizontalCoeffs(aoaDeg * RAD, mach, reynolds, &c.cl, &c.cm, &c.cd);
    return c;
}

// Base drag plus the induced drag cl²/(π·1.27·0.3).
double expectedDrag(double cl) { return 0.25 + cl * cl / (PI * 1.27 * 0.3); }

struct AngleCase {
    double aoaDeg;
    double verticalLift, verticalMoment, horizontalLift;
};

// Values between the nodes follow the straight line between them; beyond ±180° the end
// segments' lines go on.
const std::vector<AngleCase> kAngles = {
    {-180.0, 0.0, 0.0, 0.0},       {180.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, 0.0, 0.0},          {135.0, 0.11, 0.00003, 0.1},
    {-135.0, -0.11, -0.00003, -0.1}, {45.0, 0.0, 0.000025, 0.0},
    {90.0, 0.0, 0.00004, 0.0},     {-90.0, 0.0, -0.00004, 0.0},
    {120.0, 0.1, 0.00004, 0.1},    {150.0, 0.12, 0.00002, 0.1},
    {-150.0, -0.12, -0.00002, -0.1}, {165.0, 0.06, 0.00001, 0.05},
    {-60.0, 0.0, -0.00003, 0.0},   {-30.0, 0.0, -0.00002, 0.0},
    {30.0, 0.0, 0.00002, 0.0},     {60.0, 0.0, 0.00003, 0.0},
    {-45.0, 0.0, -0.000025, 0.0},  {-120.0, -0.1, -0.00004, -0.1},
    {-200.0, 0.08, 0.0000133333333333, 0.0666666666666667},
    {200.0, -0.08, -0.0000133333333333, -0.0666666666666667},
};

TEST(ChuteAirfoil, CoefficientsFollowTheTablesAtEachAngle) {
    for (const AngleCase &a : kAngles) {
        SCOPED_TRACE(a.aoaDeg);
        const Coeffs v = vertical(a.aoaDeg);
        const Coeffs h = horizontal(a.aoaDeg);
        EXPECT_NEAR(v.cl, a.verticalLift, 1e-12);
        EXPECT_NEAR(v.cm, a.verticalMoment, 1e-15);
        EXPECT_NEAR(v.cd, expectedDrag(v.cl), 1e-15);
        EXPECT_NEAR(h.cl, a.horizontalLift, 1e-12);
        EXPECT_EQ(h.cm, 0.0);
        EXPECT_NEAR(h.cd, expectedDrag(h.cl), 1e-15);
    }
}

// -180° lands exactly on node 0, so its values are the table's, bit for bit.
TEST(ChuteAirfoil, FirstNodeGivesExactValues) {
    const Coeffs v = vertical(-180.0);
    EXPECT_EQ(v.cl, 0.0);
    EXPECT_EQ(v.cm, 0.0);
    EXPECT_EQ(v.cd, 0.25);
    const Coeffs h = horizontal(-180.0);
    EXPECT_EQ(h.cl, 0.0);
    EXPECT_EQ(h.cd, 0.25);
}

TEST(ChuteAirfoil, NoLiftWithinNinetyDegreesOfTheAxis) {
    for (double deg = -90.0; deg <= 90.0; deg += 7.5) {
        SCOPED_TRACE(deg);
        EXPECT_EQ(vertical(deg).cl, 0.0);
        EXPECT_EQ(horizontal(deg).cl, 0.0);
        EXPECT_EQ(vertical(deg).cd, 0.25);
    }
}

TEST(ChuteAirfoil, MachAndReynoldsNumbersChangeNothing) {
    for (double deg : {-170.0, -100.0, 10.0, 130.0}) {
        SCOPED_TRACE(deg);
        const Coeffs v0 = vertical(deg), v1 = vertical(deg, 3.5, 2.0e7);
        const Coeffs h0 = horizontal(deg), h1 = horizontal(deg, 0.8, 1.0e3);
        EXPECT_EQ(v0.cl, v1.cl);
        EXPECT_EQ(v0.cm, v1.cm);
        EXPECT_EQ(v0.cd, v1.cd);
        EXPECT_EQ(h0.cl, h1.cl);
        EXPECT_EQ(h0.cd, h1.cd);
    }
}

TEST(ChuteAirfoil, HorizontalMomentIsAlwaysZero) {
    for (double deg = -400.0; deg <= 400.0; deg += 12.5) EXPECT_EQ(horizontal(deg).cm, 0.0) << deg;
}

// An angle so large that its grid position does not fit an int still uses the end segment, and
// the segment's line goes on: the offset from its lower node is not clamped.
TEST(ChuteAirfoil, HugeAnglesExtendTheEndSegments) {
    const double inverseStep = 1.0 / (30.0 * RAD);
    double cl = 0.0, cm = 0.0, cd = 0.0;
    chuteVerticalCoeffs(1.0e300, 0.0, 0.0, &cl, &cm, &cd);
    const double high = (1.0e300 + PI) * inverseStep - 11;  // offset from node 11 (150°)
    EXPECT_DOUBLE_EQ(cl, 0.12 + high * (0.0 - 0.12));
    EXPECT_DOUBLE_EQ(cm, (0.0002 + high * (0.0 - 0.0002)) * 0.1);
    chuteHorizontalCoeffs(-1.0e300, 0.0, 0.0, &cl, &cm, &cd);
    const double low = (-1.0e300 + PI) * inverseStep;  // offset from node 0 (-180°)
    EXPECT_DOUBLE_EQ(cl, low * -0.1);
    EXPECT_EQ(cm, 0.0);
}

// The host's induced drag is asked with the lift coefficient, the aspect ratio 1.27 and the
// efficiency 0.3, in that order: the trace shows the order that the formula's symmetry hides.
TEST(ChuteAirfoil, AsksTheHostForInducedDragWithLiftAspectRatioAndEfficiency) {
    quva::Simulation sim(quvatest::hostOptions(1.0));
    sim.trace().keepInMemory(true);
    Coeffs v = vertical(135.0);
    Coeffs h = horizontal(-135.0);
    std::vector<std::vector<double>> asked;
    for (const quva::TraceRecord &r : sim.trace().records()) {
        if (r.call != "oapiGetInducedDrag") continue;
        std::vector<double> args;
        for (const std::string &item : quvatest::jsonItems(r.args)) args.push_back(quvatest::jsonNumber(item));
        asked.push_back(args);
    }
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], (std::vector<double>{v.cl, 1.27, 0.3}));
    EXPECT_EQ(asked[1], (std::vector<double>{h.cl, 1.27, 0.3}));
    EXPECT_NEAR(v.cl, 0.11, 1e-12);
    EXPECT_NEAR(h.cl, -0.1, 1e-12);
}

TEST(ChuteAirfoil, CanopyAreaIsThatOfTheBuildsRadius) { EXPECT_EQ(chutes::canopyArea, 19.634954084936208); }

}  // namespace
