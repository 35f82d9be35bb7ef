// The module frame's exports, common to all six modules.
#include <gtest/gtest.h>

#include "simulation.h"

namespace {

class EveryModule : public ::testing::TestWithParam<const char *> {};

TEST_P(EveryModule, OvcExitWithNullDoesNothing) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    quva::Simulation sim(o);
    quva::Module &m = sim.modules().loadModule(GetParam());
    ASSERT_NE(m.ovcExit, nullptr);
    sim.trace().keepInMemory(true);
    m.ovcExit(nullptr);
    EXPECT_TRUE(sim.trace().records().empty());
}

TEST_P(EveryModule, CreatesAndDestroysOneObjectPerVessel) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.flightModel = false;
    quva::Simulation sim(o);
    // Each module's vessel class bears the module's name.
    std::string cls = GetParam();
    quva::Vessel &a = sim.createVessel("A", cls);
    quva::Vessel &b = sim.createVessel("B", cls);
    ASSERT_NE(a.iface, nullptr);
    EXPECT_NE(a.iface, b.iface);
    EXPECT_NE(a.callbacks, nullptr);  // a VESSEL2 (through VESSEL3) object
}

INSTANTIATE_TEST_SUITE_P(Modules, EveryModule,
                         ::testing::Values("Vantrel", "Ossum", "Tarrowick", "Pilmont", "Draskel", "Nimbrel"),
                         [](const auto &info) { return std::string(info.param); });

}  // namespace
