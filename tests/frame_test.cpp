// The module frame, common to all six modules: the objects ovcInit creates and ovcExit destroys,
// and the lifecycle fields of the classes that remove themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../frame/expendable_vessel.h"
#include "core/simulation.h"
#include "module_test_support.h"

namespace {

using quva::Simulation;

class EveryModule : public ::testing::TestWithParam<const char *> {};

// Each vessel gets an object of its own; removing one hands exactly that object to ovcExit,
// once, and leaves the other flying.
TEST_P(EveryModule, CreatesAndDestroysOneObjectPerVessel) {
    Simulation sim(quvatest::hostOptions(1.0));
    sim.trace().keepInMemory(true);
    quva::Vessel &a = sim.createVessel("A", GetParam());
    quva::Vessel &b = sim.createVessel("B", GetParam());
    b.groundContact = false;  // made without scenario lines a vessel rests on the ground
    ASSERT_NE(a.iface, nullptr);
    ASSERT_NE(b.iface, nullptr);
    EXPECT_NE(a.iface, b.iface);
    const std::int64_t objectA = sim.trace().handleId(a.iface);

    sim.requestDeletion(a);
    sim.step();
    std::vector<std::string> exits;
    for (const quva::TraceRecord &r : sim.trace().records())
        if (r.dir == quva::TraceDir::In && r.call == "ovcExit") exits.push_back(r.vessel + " " + r.args);
    EXPECT_EQ(exits, (std::vector<std::string>{"A [" + std::to_string(objectA) + "]"}));
    ASSERT_TRUE(sim.isLive(&b));
    EXPECT_NE(b.callbacks, nullptr);
    sim.step();
    EXPECT_TRUE(sim.isLive(&b));
}

INSTANTIATE_TEST_SUITE_P(Modules, EveryModule,
                         ::testing::Values("Vantrel", "Ossum", "Tarrowick", "Pilmont", "Draskel", "Nimbrel"),
                         [](const auto &info) { return std::string(info.param); });

// What ovcInit leaves in each class, seen through the host: the clock is read once for the
// creation time of the classes that remove themselves, and a new object's state line.
struct NewObjectCase {
    const char *className;
    bool expendable;
    const char *stateLine;  // the last line a save writes for a new object
};

std::ostream &operator<<(std::ostream &os, const NewObjectCase &c) { return os << c.className; }

const std::vector<NewObjectCase> kNewObjects = {
    {"Vantrel", true, "STATE 0 0.0000"}, {"Ossum", true, "STATE 0 0.0000"},
    {"Tarrowick", false, "GEAR 1 1.0000"}, {"Pilmont", true, nullptr},
    {"Draskel", true, nullptr},          {"Nimbrel", true, nullptr},
};

class NewObject : public ::testing::TestWithParam<NewObjectCase> {};

TEST_P(NewObject, StartsWithItsDefaults) {
    const NewObjectCase &c = GetParam();
    Simulation sim(quvatest::hostOptions(400.0));
    sim.trace().keepInMemory(true);
    sim.runSteps(2);
    quva::Vessel &v = sim.createVessel("V", c.className);
    const auto clockReads = quvatest::callsFrom(sim, "V", "ovcInit");
    const auto reads = std::count_if(clockReads.begin(), clockReads.end(),
                                     [](const auto &call) { return call.call == "oapiGetSimTime"; });
    EXPECT_EQ(reads, c.expendable ? 1 : 0);
    if (c.expendable) {
        const auto &object = *static_cast<frame::ExpendableVessel *>(v.iface);
        EXPECT_EQ(object.creationTime, 800.0);
        EXPECT_EQ(object.lifetime, 3600.0);
    }
    if (c.stateLine) {
        EXPECT_EQ(quvatest::savedStateLine(sim, "V"), c.stateLine);
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, NewObject, ::testing::ValuesIn(kNewObjects),
                         [](const auto &info) { return std::string(info.param.className); });

// creationTime is not saved: a vessel restored from a scenario counts from its restoring.
class RestoredObject : public ::testing::TestWithParam<const char *> {};

TEST_P(RestoredObject, TakesTheTimeOfRestoring) {
    Simulation sim(quvatest::hostOptions(700.0));
    sim.runSteps(3);
    quva::Vessel &v = sim.createVessel("V", GetParam(), {"STATUS Orbiting Earth", "RPOS 7000000 0 0",
                                                         "RVEL 0 7500 0"});
    EXPECT_EQ(static_cast<frame::ExpendableVessel *>(v.iface)->creationTime, 2100.0);
}

INSTANTIATE_TEST_SUITE_P(Classes, RestoredObject,
                         ::testing::Values("Vantrel", "Ossum", "Pilmont", "Draskel", "Nimbrel"),
                         [](const auto &info) { return std::string(info.param); });

}  // namespace
