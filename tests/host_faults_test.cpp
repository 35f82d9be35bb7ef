// Faults the host must survive: a module that cannot make its vessel object, vessels that ask
// for their own deletion over and over, and a whole fleet that asks in the same step.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"
#include "module_test_support.h"

namespace {

// While above zero, calls of the nothrow operator new fail and count down. The modules make their
// vessel objects with this form, and a replacement in the program replaces it for the libraries
// the program loads as well, so a test can make exactly one object allocation fail.
std::atomic<int> g_nothrowFailures{0};
std::atomic<int> g_nothrowFailed{0};

}  // namespace

void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    if (g_nothrowFailures > 0) {
        --g_nothrowFailures;
        ++g_nothrowFailed;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

struct Host {
    quva::Simulation sim;
    explicit Host(double dt = 1.0) : sim(quvatest::hostOptions(dt)) { sim.trace().keepInMemory(true); }

    std::size_t count(const std::string &call, const std::string &vessel) const {
        std::size_t n = 0;
        for (const auto &r : sim.trace().records())
            if (r.call == call && r.vessel == vessel) ++n;
        return n;
    }
    bool warned(const std::vector<std::string> &words) const {
        for (const auto &w : sim.warnings())
            if (std::all_of(words.begin(), words.end(), [&](const std::string &x) { return w.find(x) != std::string::npos; }))
                return true;
        return false;
    }
};

const char *const kThreeProbes =
    "BEGIN_SHIPS\n"
    "A:HostProbe\n  STATUS Landed Earth\nEND\n"
    "B:HostProbe\n  STATUS Landed Earth\n  ATTACHED 0:0,A\nEND\n"
    "C:HostProbe\n  STATUS Landed Earth\nEND\n"
    "END_SHIPS\n";

TEST(Faults, VesselWhoseObjectCannotBeAllocatedIsLeftOutAndTheRunGoesOn) {
#if defined(_WIN32)
    GTEST_SKIP() << "a module library keeps its own allocator on Windows";
#endif
    Host h;
    g_nothrowFailed = 0;
    g_nothrowFailures = 1;  // A's object, the first one made
    h.sim.loadScenario(quva::parseScenario(kThreeProbes, "t.scn"));
    g_nothrowFailures = 0;
    ASSERT_EQ(g_nothrowFailed, 1) << "the allocation did not reach the replaced operator new";

    // ovcInit gave null and nothing of A was ever called: no callback, no host call on its behalf.
    EXPECT_EQ(h.count("ovcInit", "A"), 1u);
    for (const auto &r : h.sim.trace().records())
        if (r.vessel == "A" && r.call == "ovcInit") EXPECT_EQ(r.ret, "null");
        else EXPECT_NE(r.vessel, "A") << r.call;
    EXPECT_TRUE(h.warned({"HostProbe", "\"A\"", "t.scn:2"}));

    // The others run; B, attached to A in the scenario, starts free.
    ASSERT_NE(h.sim.findVessel("B"), nullptr);
    EXPECT_EQ(h.sim.findVessel("B")->parent(), nullptr);
    EXPECT_TRUE(h.warned({"B", "\"A\"", "unattached"}));
    h.sim.runSteps(3);
    EXPECT_EQ(h.count("clbkPostStep", "B"), 3u);
    EXPECT_EQ(h.count("clbkPostStep", "C"), 3u);
    EXPECT_EQ(h.count("clbkPostStep", "A"), 0u);

    // Nothing is lost: A's block is saved as it was read.
    const std::string saved = h.sim.saveScenarioText();
    EXPECT_NE(saved.find("A:HostProbe\n  STATUS Landed Earth\nEND\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("C:HostProbe\n"), std::string::npos);
    EXPECT_EQ(h.count("ovcExit", "A"), 0u);
}

TEST(Faults, AllocationFailureOfACreatedVesselIsAnErrorAndLeavesNothing) {
#if defined(_WIN32)
    GTEST_SKIP() << "a module library keeps its own allocator on Windows";
#endif
    Host h;
    g_nothrowFailed = 0;
    g_nothrowFailures = 1;
    EXPECT_THROW(h.sim.createVessel("X", "HostProbe"), quva::InputError);
    g_nothrowFailures = 0;
    EXPECT_EQ(g_nothrowFailed, 1);
    EXPECT_EQ(h.sim.findVessel("X"), nullptr);
    EXPECT_TRUE(h.sim.vessels().empty());
    h.sim.createVessel("X", "HostProbe");  // the name is free again
    h.sim.runSteps(1);
    EXPECT_EQ(h.count("clbkPostStep", "X"), 1u);
}

// For thousands of steps, each step brings a fresh vessel that asks for its deletion many times in
// every step it lives: each must end with exactly one ovcExit, in the step it asked, and the host
// must reuse what it freed instead of growing.
TEST(Faults, ThousandsOfStepsOfVesselsAskingForTheirOwnDeletion) {
    constexpr int kSteps = 3000, kRequestsPerStep = 25;
    Host h;
    h.sim.createVessel("Keeper", "HostProbe");
    std::set<const quva::Vessel *> records;
    for (int i = 0; i < kSteps; ++i) {
        const std::string name = "D" + std::to_string(i);
        records.insert(&h.sim.createVessel(name, "HostProbe", {"DELETE_AT 0 " + std::to_string(kRequestsPerStep)}));
        h.sim.step();
        ASSERT_EQ(h.sim.findVessel(name), nullptr) << "step " << i;
        ASSERT_EQ(h.sim.vessels().size(), 1u) << "step " << i;
    }
    EXPECT_LE(records.size(), 2u) << "vessel records are not reused";
    std::map<std::string, int> exits;
    for (const auto &r : h.sim.trace().records())
        if (r.call == "ovcExit") ++exits[r.vessel];
    EXPECT_EQ(exits.size(), static_cast<std::size_t>(kSteps));
    for (const auto &[vessel, n] : exits) ASSERT_EQ(n, 1) << vessel;
    EXPECT_EQ(h.count("clbkPostStep", "Keeper"), static_cast<std::size_t>(kSteps));
    EXPECT_EQ(h.count("oapiDeleteVessel", "D17"), static_cast<std::size_t>(kRequestsPerStep));
}

// A thousand released drogues touch the ground in the same step and all ask to be removed,
// together with held pairs whose holder and held vessel go in that same step.
TEST(Faults, WholeFleetAskingForDeletionInTheSameStep) {
    constexpr int kChutes = 1000, kPairs = 200;
    Host h(0.1);
    std::string scn = "BEGIN_SHIPS\n";
    for (int i = 0; i < kChutes; ++i) scn += "Drogue" + std::to_string(i) + ":Vantrel\n  STATUS Landed Earth\nEND\n";
    for (int i = 0; i < kPairs; ++i) {
        const std::string p = "Holder" + std::to_string(i);
        scn += p + ":HostProbe\n  STATUS Landed Earth\n  DELETE_AT 0.25 2\nEND\n";
        scn += "Held" + std::to_string(i) + ":HostProbe\n  STATUS Landed Earth\n  DELETE_AT 0.25 1\n  ATTACHED 0:0," + p +
               "\nEND\n";
    }
    scn += "Witness:HostProbe\n  STATUS Landed Earth\nEND\nEND_SHIPS\n";
    h.sim.loadScenario(quva::parseScenario(scn, "fleet.scn"));
    for (const auto &v : h.sim.vessels()) v->groundContact = false;
    h.sim.runSteps(2);  // t = 0.2: nobody asks yet
    ASSERT_EQ(h.sim.vessels().size(), static_cast<std::size_t>(kChutes + 2 * kPairs + 1));

    for (const auto &v : h.sim.vessels())
        if (v->className == "Vantrel") v->groundContact = true;
    h.sim.step();  // t = 0.3: every drogue and every pair asks
    ASSERT_EQ(h.sim.vessels().size(), 1u);
    EXPECT_EQ(h.sim.vessels().front()->name, "Witness");
    std::size_t exits = 0;
    for (const auto &r : h.sim.trace().records())
        if (r.call == "ovcExit") {
            ++exits;
            EXPECT_EQ(r.step, 3) << r.vessel;
        }
    EXPECT_EQ(exits, static_cast<std::size_t>(kChutes + 2 * kPairs));
    h.sim.runSteps(2);
    EXPECT_EQ(h.count("clbkPostStep", "Witness"), 5u);
    // The freed records serve new vessels.
    for (int i = 0; i < 10; ++i) h.sim.createVessel("New" + std::to_string(i), "Vantrel");
    EXPECT_EQ(h.sim.vessels().size(), 11u);
}

}  // namespace
