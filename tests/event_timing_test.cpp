// Events given for a time happen between whole steps: after step round(T/dt) when T/dt is a whole
// number but for the rounding of binary fractions, else after floor(T/dt); one at the run's end
// after its last step; one after the end never.
#include <gtest/gtest.h>

#include <string>

#include "core/simulation.h"
#include "files/scenario.h"
#include "module_test_support.h"

namespace {

TEST(EventTiming, StepOfATime) {
    const struct {
        double t, dt;
        std::int64_t step;
    } cases[] = {
        {0.3, 0.1, 3},            // 0.3 / 0.1 = 2.9999999999999996
        {0.7, 0.1, 7},            // 6.999999999999999
        {0.35, 0.1, 3},           // between steps: the one before
        {1.0, 0.25, 4},
        {0.0, 0.1, 0},
        {0.1 - 1e-6, 0.1, 0},     // far more than rounding short of a step
        {3.0 - 1e-10, 1.0, 3},    // within 1e-9 of a step
        {3.0 - 1e-8, 1.0, 2},
        {1e6, 0.01, 100000000},
    };
    for (const auto &c : cases) EXPECT_EQ(quva::stepOfTime(c.t, c.dt), c.step) << c.t << " / " << c.dt;
}

// The step after which a release at `t` shows in the timeline, in a run to `until`.
std::int64_t releaseStep(double dt, double t, double until) {
    quva::Simulation sim(quvatest::hostOptions(dt));
    sim.loadScenario(quva::parseScenario("BEGIN_SHIPS\nA:HostProbe\n  STATUS Landed Earth\nEND\n"
                                         "B:HostProbe\n  STATUS Landed Earth\n  ATTACHED 0:0,A\nEND\nEND_SHIPS\n",
                                         "e.scn"));
    quva::ScheduledEvent e;
    e.t = t;
    e.vessel = "B";
    sim.schedule(e);
    sim.runUntil(until);
    for (const auto &entry : sim.timeline())
        if (entry.vessel == "B" && entry.text == "released from A") return entry.step;
    return -1;
}

TEST(EventTiming, ReleaseHappensAfterItsStepAndAtTheRunsEnd) {
    const struct {
        double dt, t, until;
        std::int64_t step;
    } cases[] = {
        {0.1, 0.3, 1.0, 3},    // not one step early for 3 * 0.1 > 0.3
        {0.1, 0.35, 1.0, 3},
        {0.25, 1.0, 1.0, 4},   // exactly at the end: after the last step
        {0.1, 0.0, 1.0, 0},    // before the first step
        {0.25, 1.1, 1.0, -1},  // after the end, though in the last step: never
        {0.25, 1.05, 1.1, 4},  // before the end, in the last step: after it
    };
    for (const auto &c : cases) EXPECT_EQ(releaseStep(c.dt, c.t, c.until), c.step) << c.t << " with dt " << c.dt;
}

}  // namespace
