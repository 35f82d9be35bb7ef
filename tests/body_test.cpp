#include <gtest/gtest.h>

#include "world/body.h"

namespace {

constexpr double kR0 = 6356766.0;  // m, radius of the geopotential conversion

// Geometric altitude of geopotential altitude h.
double geometric(double h) { return kR0 * h / (kR0 - h); }

struct TableRow {
    double altitude;  // m, geometric
    double density;   // kg/m³, from the published table
};

class StandardAtmosphere : public ::testing::TestWithParam<TableRow> {};

TEST_P(StandardAtmosphere, DensityMatchesTable) {
    const TableRow row = GetParam();
    const quva::AtmosphereSample s = quva::atmosphereAt(quva::earth(), row.altitude);
    EXPECT_NEAR(s.density, row.density, row.density * 0.005) << "at " << row.altitude << " m";
}

// The layer bases are tabulated by geopotential altitude; the function takes geometric altitude,
// so the bases are asked for at their geometric heights. The last rows are geometric table values,
// which differ by more than the tolerance from the geopotential ones at the same number.
INSTANTIATE_TEST_SUITE_P(Table, StandardAtmosphere,
                         ::testing::Values(TableRow{0.0, 1.225}, TableRow{geometric(11000.0), 0.3639},
                                           TableRow{geometric(20000.0), 0.08803},
                                           TableRow{geometric(32000.0), 0.01322},
                                           TableRow{geometric(47000.0), 1.427e-3}, TableRow{86000.0, 6.958e-6},
                                           TableRow{20000.0, 0.08891}, TableRow{50000.0, 1.027e-3}));

TEST(Atmosphere, SeaLevelValues) {
    const auto s = quva::atmosphereAt(quva::earth(), 0.0);
    EXPECT_DOUBLE_EQ(s.pressure, 101325.0);
    EXPECT_DOUBLE_EQ(s.temperature, 288.15);
    EXPECT_NEAR(s.speedOfSound, 340.294, 0.01);
    EXPECT_NEAR(quva::airViscosity(s.temperature), 1.7894e-5, 1e-8);
}

TEST(Atmosphere, ContinuousAcrossLayerBoundaries) {
    for (double base : {11000.0, 20000.0, 32000.0, 47000.0, 51000.0, 71000.0}) {
        const double h = geometric(base);
        const auto below = quva::atmosphereAt(quva::earth(), h - 0.01);
        const auto above = quva::atmosphereAt(quva::earth(), h + 0.01);
        EXPECT_NEAR(below.pressure, above.pressure, below.pressure * 1e-5) << h;
        EXPECT_NEAR(below.temperature, above.temperature, 1e-3) << h;
    }
}

TEST(Atmosphere, ZeroAboveTopAndOnTheMoonSurfaceValuesBelowGround) {
    const auto above = quva::atmosphereAt(quva::earth(), 86001.0);
    EXPECT_EQ(above.density, 0.0);
    EXPECT_EQ(above.pressure, 0.0);
    EXPECT_EQ(above.speedOfSound, 0.0);
    EXPECT_EQ(quva::atmosphereAt(quva::moon(), 0.0).density, 0.0);
    const auto below = quva::atmosphereAt(quva::earth(), -500.0);
    EXPECT_DOUBLE_EQ(below.density, quva::atmosphereAt(quva::earth(), 0.0).density);
}

TEST(Bodies, FoundByNameWithoutRegardToCase) {
    EXPECT_EQ(quva::findBody("earth"), &quva::earth());
    EXPECT_EQ(quva::findBody("MOON"), &quva::moon());
    EXPECT_EQ(quva::findBody("Mars"), nullptr);
    EXPECT_EQ(quva::earth().radius, 6371010.0);
    EXPECT_NEAR(quva::moon().mu, 4.902801e12, 1e6);
}

}  // namespace
