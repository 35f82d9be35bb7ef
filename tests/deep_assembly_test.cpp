// Assemblies of any depth: a chain of 100,000 vessels, each held by the one before, loads, flies
// and saves without recursion per level (which would overflow the stack). Work that grew with the
// square of the vessels would keep this test from ending (10^10 steps); how fast loading is, is
// the benchmarks' business.
#include <gtest/gtest.h>

#include <string>

#include "core/simulation.h"
#include "files/scenario.h"
#include "module_test_support.h"

namespace {

// Vessel Vk held by V(k-1), listed deepest first so that the first vessel of a step reaches its
// holders through the whole chain.
std::string chain(int depth) {
    std::string text = "BEGIN_SHIPS\n";
    for (int k = depth - 1; k >= 1; --k)
        text += "V" + std::to_string(k) + ":HostProbe\n  STATUS Orbiting Earth\n  RPOS 0 7000000 0\n  ATTACHED 0:0,V" +
                std::to_string(k - 1) + "\nEND\n";
    return text + "V0:HostProbe\n  STATUS Orbiting Earth\n  RPOS 0 7000000 0\n  RVEL 7500 0 0\nEND\nEND_SHIPS\n";
}

TEST(DeepAssembly, AHundredThousandDeepChainLoadsFliesAndSaves) {
    constexpr int kDepth = 100000;
    quva::SimulationOptions options = quvatest::hostOptions(0.1);
    options.flightModel = true;
    quva::Simulation sim(options);
    sim.loadScenario(quva::parseScenario(chain(kDepth), "chain.scn"));

    // Each vessel sits 1 m beyond its holder along the holder's z axis (identity attitude).
    const quva::Vessel &root = sim.vessel("V0"), &last = sim.vessel("V" + std::to_string(kDepth - 1));
    EXPECT_NEAR(last.state.pos.z - root.state.pos.z, kDepth - 1.0, 1e-6);
    sim.runSteps(2);
    EXPECT_NEAR(root.state.pos.x, 2 * 0.1 * 7500.0, 1.0);  // the assembly moved as one
    EXPECT_NEAR(last.state.pos.x, root.state.pos.x, 1e-6);
    EXPECT_NEAR(last.state.pos.z - root.state.pos.z, kDepth - 1.0, 1e-6);
    const std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find("V99999:HostProbe\n"), std::string::npos);
    EXPECT_NE(saved.find("ATTACHED 0:0,V99998\n"), std::string::npos);
}

TEST(DeepAssembly, ALoopOfAttachmentsIsRefusedNamingItsLine) {
    const std::string text = "BEGIN_SHIPS\n"
                             "A:HostProbe\n  STATUS Landed Earth\n  ATTACHED 0:0,C\nEND\n"
                             "B:HostProbe\n  STATUS Landed Earth\n  ATTACHED 0:0,A\nEND\n"
                             "C:HostProbe\n  STATUS Landed Earth\n  ATTACHED 0:0,B\nEND\nEND_SHIPS\n";
    quva::Simulation sim(quvatest::hostOptions(0.1));
    try {
        sim.loadScenario(quva::parseScenario(text, "loop.scn"));
        FAIL() << "a loop was loaded";
    } catch (const quva::InputError &e) {
        EXPECT_EQ(e.line(), 4);
        EXPECT_NE(std::string(e.what()).find("makes a loop"), std::string::npos) << e.what();
    }
}

}  // namespace
