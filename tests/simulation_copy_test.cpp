// Several simulations in one process: a copy goes on alone from the same state, and threads step
// simulations of their own at the same time, each current on its own thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"

namespace {

namespace fs = std::filesystem;

quva::SimulationOptions options() {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    return o;
}

quva::ScenarioDocument recovery() {
    return quva::readScenarioFile((fs::path(QUVA_BUILD_ROOT) / "Scenarios/Quva/Recovery.scn").string());
}

std::vector<quva::Vec3> positions(const quva::Simulation &sim) {
    std::vector<quva::Vec3> p;
    for (const auto &v : sim.vessels()) p.push_back(v->state.pos);
    return p;
}

TEST(SimulationCopy, GoesOnAloneFromTheSameState) {
    quva::Simulation sim(options());
    sim.loadScenario(recovery());
    sim.runUntil(10.0);
    sim.vessel("Capsule").def.emptyMass = 6000.0;  // a change the scenario text would not carry
    std::unique_ptr<quva::Simulation> twin = sim.copy();
    EXPECT_EQ(quva::Simulation::current(), &sim);  // the copy does not stay current
    EXPECT_EQ(twin->stepCount(), sim.stepCount());
    EXPECT_EQ(twin->mjd(), sim.mjd());
    EXPECT_EQ(twin->vessel("Capsule").def.emptyMass, 6000.0);
    const auto before = positions(sim), copied = positions(*twin);
    ASSERT_EQ(before.size(), copied.size());
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(length(before[i] - copied[i]), 0.0);
    EXPECT_EQ(twin->timeline().size(), sim.timeline().size());
    EXPECT_TRUE(twin->trace().records().empty());

    sim.runUntil(30.0);
    {
        quva::Simulation::Scope scope(twin.get());
        twin->runUntil(30.0);
    }
    const auto after = positions(sim), twinAfter = positions(*twin);
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_LT(length(after[i] - twinAfter[i]), 0.05) << i;
    twin->vessel("Capsule").def.emptyMass = 1.0;
    EXPECT_EQ(sim.vessel("Capsule").def.emptyMass, 6000.0);
}

TEST(SimulationCopy, ThreadsStepSimulationsOfTheirOwnAtOnce) {
    auto fly = [] {
        quva::Simulation sim(options());
        sim.loadScenario(recovery());
        sim.runUntil(60.0);
        return positions(sim);
    };
    const auto alone = fly();
    std::vector<std::vector<quva::Vec3>> results(3);
    std::vector<std::thread> threads;
    for (auto &r : results) threads.emplace_back([&r, &fly] { r = fly(); });
    for (auto &t : threads) t.join();
    for (const auto &r : results) {
        ASSERT_EQ(r.size(), alone.size());
        for (std::size_t i = 0; i < r.size(); ++i) EXPECT_EQ(length(r[i] - alone[i]), 0.0);
    }
    EXPECT_EQ(quva::Simulation::current(), nullptr);  // none of theirs is current here
}

}  // namespace
