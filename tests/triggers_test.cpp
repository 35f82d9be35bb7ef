// Events that fire on a vessel's readings: the condition grammar, and firing once, at the first
// step end where the condition holds, in a real flight of the recovery example.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/simulation.h"
#include "core/triggers.h"
#include "core/vessel_readings.h"
#include "module_test_support.h"

namespace {

namespace fs = std::filesystem;
using quva::Condition;
using quva::Reading;

struct GoodCondition {
    const char *text;
    Reading reading;
    Condition::Compare compare;
    double value;
};

TEST(ConditionText, ReadsEveryReadingAndComparison) {
    const GoodCondition cases[] = {
        {"alt<7000", Reading::Altitude, Condition::Compare::Less, 7000.0},
        {"altitude <= 1e3", Reading::Altitude, Condition::Compare::LessOrEqual, 1000.0},
        {"vz>-5", Reading::VerticalSpeed, Condition::Compare::Greater, -5.0},
        {"vertical_speed>=0", Reading::VerticalSpeed, Condition::Compare::GreaterOrEqual, 0.0},
        {" airspeed < 12.5 ", Reading::Airspeed, Condition::Compare::Less, 12.5},
        {"t>20", Reading::Time, Condition::Compare::Greater, 20.0},
        {"time<=0.25", Reading::Time, Condition::Compare::LessOrEqual, 0.25},
    };
    for (const auto &c : cases) {
        const Condition parsed = quva::parseCondition(c.text);
        EXPECT_EQ(parsed.reading, c.reading) << c.text;
        EXPECT_EQ(parsed.compare, c.compare) << c.text;
        EXPECT_EQ(parsed.value, c.value) << c.text;
        EXPECT_EQ(parsed.text, c.text);
    }
}

TEST(ConditionText, RefusesMalformedConditionsQuotingThem) {
    for (const char *text : {"alt", "alt<", "alt<=", "<5", "speed<5", "Alt<5", "alt<abc", "alt<5m", "alt<nan",
                             "alt<inf", "alt<<5", "alt=5", "alt=<5", "alt><5", "alt<1e999"}) {
        try {
            quva::parseCondition(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const std::invalid_argument &e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + text + "\""), std::string::npos) << e.what();
        }
    }
}

TEST(ConditionText, ComparesAtTheBoundaryAsWritten) {
    struct Case {
        const char *text;
        double reading;
        bool holds;
    };
    for (const Case &c : {Case{"alt<100", 100.0, false}, Case{"alt<=100", 100.0, true}, Case{"alt>100", 100.0, false},
                          Case{"alt>=100", 100.0, true}, Case{"vz>-5", -4.99, true}, Case{"vz>-5", -5.01, false}})
        EXPECT_EQ(quva::parseCondition(c.text).holds(c.reading), c.holds) << c.text << " at " << c.reading;
}

TEST(ConditionText, ReadingNamesAgreeWithTheirCanonicalNames) {
    for (Reading r : {Reading::Altitude, Reading::Airspeed, Reading::VerticalSpeed, Reading::Time})
        EXPECT_EQ(quva::readingNamed(quva::readingName(r)), r);
}

// The recovery example: the capsule with the drogue and the main cluster, falling from 4 km.
struct Recovery {
    quva::Simulation sim;
    Recovery() : sim(options()) {
        sim.loadScenario(quva::readScenarioFile((fs::path(QUVA_BUILD_ROOT) / "Scenarios/Quva/Recovery.scn").string()));
    }
    static quva::SimulationOptions options() {
        quva::SimulationOptions o;
        o.root = QUVA_BUILD_ROOT;
        return o;
    }
    double altitude(const char *name) { return quva::readVessel(sim.vessel(name)).altitude; }
    bool attached(const char *name) { return sim.vessel(name).parent() != nullptr; }
};

TEST(Triggers, ReleaseFiresOnceAtTheFirstStepEndWhereTheConditionHolds) {
    Recovery r;
    quva::TriggeredEvent release;
    release.condition = quva::parseCondition("alt<3800");
    release.vessel = "Drogue";
    r.sim.triggers().add(release);
    double before = r.altitude("Drogue");
    while (r.attached("Drogue")) {
        ASSERT_GE(before, 3800.0) << "the condition held at an earlier step end, at t=" << r.sim.simTime();
        r.sim.step();
        ASSERT_LT(r.sim.simTime(), 60.0) << "never released";
        if (r.attached("Drogue")) before = r.altitude("Drogue");
    }
    EXPECT_LT(r.altitude("Drogue"), 3800.0);
    EXPECT_TRUE(r.sim.triggers().events()[0].fired);
    EXPECT_TRUE(r.sim.triggers().unfired(r.sim).empty());
    const auto &last = r.sim.timeline().back();
    EXPECT_EQ(last.text, "released from Capsule");
    EXPECT_EQ(last.step, r.sim.stepCount());
}

TEST(Triggers, ConditionsThatNeverHoldAreReportedAndFireNothing) {
    Recovery r;
    for (const char *text : {"alt<10", "t>1000"}) {
        quva::TriggeredEvent release;
        release.condition = quva::parseCondition(text);
        release.vessel = "Main";
        r.sim.triggers().add(release);
    }
    r.sim.runUntil(5.0);
    EXPECT_TRUE(r.attached("Main"));
    const auto lines = r.sim.triggers().unfired(r.sim);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("alt<10 never held"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("t>1000 never held"), std::string::npos) << lines[1];
}

TEST(Triggers, ConditionsOnTimeFollowTheWholeStepRuleOfTimedEvents) {
    // k·dt lands a rounding error off the time it stands for: 3 * 0.3 is 0.8999999999999999 and
    // 3 * 0.1 is 0.30000000000000004. A condition on t counts step k's end as k·dt exactly.
    struct Case {
        const char *condition;
        double dt;
        std::int64_t firstStep;
    };
    const quva::Vessel dummy{};
    for (const Case &c : {Case{"t>=0.9", 0.3, 3}, Case{"t>0.9", 0.3, 4}, Case{"t>0.3", 0.1, 4}, Case{"t>=0.3", 0.1, 3},
                          Case{"t<=0.3", 0.1, 1}, Case{"t>0.6", 0.25, 3}, Case{"t>=0.6", 0.25, 3},
                          Case{"t>=1e-9", 0.1, 1}, Case{"time>=120", 0.05, 2400}}) {
        SCOPED_TRACE(c.condition);
        const quva::Condition condition = quva::parseCondition(c.condition);
        std::int64_t first = 1;
        while (!condition.holdsAtStep(dummy, first, c.dt) && first < 100000) ++first;
        EXPECT_EQ(first, c.firstStep);
        EXPECT_EQ(quva::stepOfTime(static_cast<double>(c.firstStep) * c.dt, c.dt), c.firstStep);
    }
    // Less-than conditions hold until that step, and no longer.
    const quva::Condition before = quva::parseCondition("t<0.9");
    EXPECT_TRUE(before.holdsAtStep(dummy, 2, 0.3));
    EXPECT_FALSE(before.holdsAtStep(dummy, 3, 0.3));
}

TEST(Triggers, DeleteAndNoticeActionsFireOnceWithTheirTime) {
    Recovery r;
    quva::TriggeredEvent remove;
    remove.condition = quva::parseCondition("t>=0.5");
    remove.vessel = "Main";
    remove.action = quva::TriggeredEvent::Action::Delete;
    r.sim.triggers().add(remove);
    quva::TriggeredEvent notice;
    notice.condition = quva::parseCondition("alt<3900");
    notice.vessel = "Capsule";
    notice.action = quva::TriggeredEvent::Action::Notice;
    notice.notice = 7;
    std::vector<std::pair<int, double>> seen;
    r.sim.triggers().setNotice([&](const quva::TriggeredEvent &e, quva::Vessel &v) {
        EXPECT_EQ(v.name, "Capsule");
        seen.emplace_back(e.notice, r.sim.simTime());
    });
    const std::size_t index = r.sim.triggers().add(notice);
    EXPECT_EQ(index, 1u);
    r.sim.runUntil(3.0);
    EXPECT_EQ(r.sim.findVessel("Main"), nullptr);  // removed at the end of the step after
    EXPECT_NEAR(r.sim.triggers().events()[0].firedAt, 0.5, 1e-12);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 7);
    EXPECT_GT(seen[0].second, 0.9);  // 100 m below the start, sinking at 100 m/s and slowing
    EXPECT_LT(seen[0].second, 3.0);
    EXPECT_EQ(r.sim.triggers().events()[1].firedAt, seen[0].second);
}

}  // namespace
