// Saving, loading that save and saving again gives the same text, for every state a vessel can
// be in: in flight, attached, from orbital elements, landed from POS and HEADING, landed with
// AROT, on a base's pad, and touched down during the run. And BASE lines that name no base or
// no pad are errors at their line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/save_fit.h"
#include "core/simulation.h"
#include "files/input_file.h"
#include "files/scenario.h"
#include "module_test_support.h"
#include "world/body.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

quva::SimulationOptions flying() {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.dt = 0.1;
    return o;
}

// A scenario in the simulator's own style, one vessel in each state, at MJD 60000.5. The
// capsule that is to touch down starts 5 m above the Earth's north pole, where the air stands
// still, falling at 4 m/s.
std::string everyState() {
    const quva::Body &earth = quva::earth();
    const quva::Vec3 pole =
        quva::planetOrientation(earth.rotation, 60000.5, 0.0).rotation * quva::Vec3{0.0, 1.0, 0.0};
    const quva::Vec3 p = pole * (earth.radius + 5.0), v = pole * -4.0;
    char faller[300];
    std::snprintf(faller, sizeof faller,
                  "Faller:QuvaCapsule\n  STATUS Orbiting Earth\n  RPOS %.3f %.3f %.3f\n  RVEL %.4f %.4f %.4f\n"
                  "  AROT 90.000 0.000 0.000\nEND\n",
                  p.x, p.y, p.z, v.x, v.y, v.z);
    return std::string(R"(BEGIN_DESC
Every state a vessel can be in.
END_DESC

BEGIN_ENVIRONMENT
  System Sol
  Date MJD 60000.5000000000
END_ENVIRONMENT

BEGIN_FOCUS
  Ship Station
END_FOCUS

BEGIN_SHIPS
Station:QuvaServiceModule
  STATUS Orbiting Earth
  RPOS 6771010.000 0.000 0.000
  RVEL 0.0000 0.0000 7672.5850
  AROT 10.000 20.000 30.000
  VROT 0.5000 0.0000 0.0000
  RCSMODE 2
END
Probe:Nimbrel
  STATUS Orbiting Earth
  ATTACHED 0:1,Station
END
Sat:QuvaServiceModule
  STATUS Orbiting Earth
  ELEMENTS 6800000.0 0.01 51.6 20.0 30.0 40.0 59999.5
  AROT 0.000 0.000 0.000
END
Lander:Tarrowick
  STATUS Landed Moon
  POS 23.4730000 0.6740000
  HEADING 45.00
  PRPLEVEL 0:0.050000 1:1.000000 2:0.400000
  GEAR 1 1.0000
END
Parked:Tarrowick
  STATUS Landed Moon
  POS -33.4375000 41.1250000
  HEADING 0.00
  ALT 2.300
  AROT 64.307 33.288 48.762
  PRPLEVEL 0:0.500000
END
OnPad:Tarrowick
  STATUS Landed Moon
  BASE Quva Field:2
  HEADING 90.00
  PRPLEVEL 0:1.000000
END
)") + faller + "END_SHIPS\n";
}

std::string blockOf(const std::string &text, const std::string &name) {
    const std::size_t start = text.find("\n" + name + ":");
    return start == std::string::npos ? "" : text.substr(start + 1, text.find("\nEND\n", start) - start);
}

TEST(RoundTrip, EveryStateSavesLoadsAndSavesTheSame) {
    auto savedAgain = [](const std::string &text) {
        quva::Simulation sim(flying());
        sim.loadScenario(quva::parseScenario(text, "saved.scn"));
        return sim.saveScenarioText();
    };
    std::string first, landed;
    {
        quva::Simulation sim(flying());
        sim.loadScenario(quva::parseScenario(everyState(), "every.scn"));
        EXPECT_TRUE(sim.warnings().empty()) << sim.warnings().front();
        sim.runUntil(5.0);
        // At rest on its heat shield since its touchdown at 1 s, but not yet for the 5 s that
        // make it landed.
        ASSERT_TRUE(sim.vessel("Faller").groundContact);
        ASSERT_FALSE(sim.vessel("Faller").state.landed);
        first = sim.saveScenarioText();
        sim.runUntil(10.0);
        ASSERT_TRUE(sim.vessel("Faller").state.landed);
        landed = sim.saveScenarioText();
    }
    EXPECT_EQ(first, savedAgain(first));
    EXPECT_EQ(blockOf(landed, "Faller"), blockOf(savedAgain(landed), "Faller"));

    // What the first save holds, state by state.
    // Turning at 0.5 deg/s about its own x axis (a principal axis, so the rate holds) for 5 s.
    EXPECT_NE(blockOf(first, "Station").find("  AROT 12.286 18.736 30.758\n  VROT 0.5000 0.0000 0.0000\n  RCSMODE 2\n"),
              std::string::npos)
        << blockOf(first, "Station");
    EXPECT_NE(blockOf(first, "Probe").find("  ATTACHED 0:1,Station\n"), std::string::npos) << blockOf(first, "Probe");
    EXPECT_NE(blockOf(first, "Sat").find("  STATUS Orbiting Earth\n  RPOS "), std::string::npos) << blockOf(first, "Sat");
    EXPECT_EQ(blockOf(first, "Sat").find("ELEMENTS"), std::string::npos);
    // Placed without AROT: on legs compressed by its weight with the stores it was loaded with.
    EXPECT_NE(blockOf(first, "Lander").find("  STATUS Landed Moon\n  POS 23.4730000 0.6740000\n  HEADING 45.00\n  ALT 2.265\n"),
              std::string::npos)
        << blockOf(first, "Lander");
    EXPECT_NE(blockOf(first, "Parked").find("  POS -33.4375000 41.1250000\n  HEADING 0.00\n  ALT 2.300\n"
                                            "  AROT 64.307 33.288 48.762\n  PRPLEVEL 0:0.500000\n"),
              std::string::npos)
        << blockOf(first, "Parked");
    // Pad 2 of the field lies 50 m north of its centre (-12.5, 8.25).
    char pad[160];
    std::snprintf(pad, sizeof pad, "  STATUS Landed Moon\n  BASE Quva Field:2\n  POS %.7f %.7f\n  HEADING 90.00\n",
                  -12.5, 8.25 + 50.0 / quva::moon().radius / kDeg);
    EXPECT_NE(blockOf(first, "OnPad").find(pad), std::string::npos) << blockOf(first, "OnPad") << "\n" << pad;
    EXPECT_NE(blockOf(first, "Faller").find("  STATUS Orbiting Earth\n  RPOS "), std::string::npos) << blockOf(first, "Faller");
    // Landed where it came to rest: 1 m up on its heat shield, less the 0.018 m that its 5500 kg
    // compress the shield's three 1e6 N/m springs by.
    EXPECT_NE(blockOf(landed, "Faller").find("  STATUS Landed Earth\n  POS "), std::string::npos) << blockOf(landed, "Faller");
    EXPECT_NE(blockOf(landed, "Faller").find("  ALT 0.982\n"), std::string::npos) << blockOf(landed, "Faller");
}

TEST(RoundTrip, ElementsGiveAStateOnTheirOrbitAtTheScenarioDate) {
    quva::Simulation sim(flying());
    sim.loadScenario(quva::parseScenario(everyState(), "every.scn"));
    const quva::Vessel &sat = sim.vessel("Sat");
    const double mu = quva::kGravitationalConstant * (quva::earth().mass + sat.mass());
    const double r = length(sat.state.pos);
    EXPECT_GE(r, 6800000.0 * 0.99 - 1e-3);
    EXPECT_LE(r, 6800000.0 * 1.01 + 1e-3);
    EXPECT_NEAR(dot(sat.state.vel, sat.state.vel) / 2 - mu / r, -mu / (2 * 6800000.0), 1e-9 * mu / 6800000.0);
    // Inclined 51.6° to the ecliptic.
    const quva::Vec3 n = normalized(cross(sat.state.pos, sat.state.vel));
    EXPECT_NEAR(std::acos(std::fabs(n.y)) / kDeg, 51.6, 1e-9);
}

TEST(RoundTrip, BaseOrPadThatIsNotThereIsAnErrorAtItsLine) {
    struct Case {
        const char *base;
        const char *words[3];
    } cases[] = {
        {"Nowhere Field:1", {"Nowhere Field", "Moon", "Config"}},
        {"Quva Field:5", {"Quva Field", "4 landing pads", "pad 5"}},
        {"quva field:1", {"quva field", "Moon", "Base"}},  // names are matched exactly
    };
    for (const auto &c : cases) {
        const std::string text = std::string("BEGIN_SHIPS\nL:Tarrowick\n  STATUS Landed Moon\n  BASE ") + c.base +
                                 "\nEND\nEND_SHIPS\n";
        quva::Simulation sim(flying());
        try {
            sim.loadScenario(quva::parseScenario(text, "pads.scn"));
            ADD_FAILURE() << "no error for " << c.base;
        } catch (const quva::InputError &e) {
            EXPECT_EQ(e.line(), 4) << e.what();
            for (const char *w : c.words) EXPECT_NE(std::string(e.what()).find(w), std::string::npos) << e.what();
        }
    }
}

}  // namespace

namespace {

// Every example, saved after runs of several lengths (before and after the capsule's landing,
// when its canopies hang from a landed parent), loads and saves again byte for byte. (Not within
// the 5 s between its touchdown and its landing: resting on its springs it turns with the ground,
// and a vessel it holds is placed again at load from its rounded AROT, which may move the held
// vessel's RPOS by a digit.)
TEST(RoundTrip, EveryExampleSavesLoadsAndSavesTheSameAtEveryRunLength) {
    for (const char *name : {"Recovery", "ApexCover", "LunarGear", "ServiceModule"}) {
        const std::string path = std::string(QUVA_BUILD_ROOT) + "/Scenarios/Quva/" + name + ".scn";
        for (long long steps : {0LL, 1LL, 50LL, 1770LL, 1800LL, 3000LL}) {
            SCOPED_TRACE(std::string(name) + " after " + std::to_string(steps) + " steps");
            std::string first, second;
            {
                quva::Simulation sim(flying());
                sim.loadScenario(quva::readScenarioFile(path));
                sim.runSteps(steps);
                first = sim.saveScenarioText();
            }
            {
                quva::Simulation sim(flying());
                sim.loadScenario(quva::parseScenario(first, "saved.scn"));
                second = sim.saveScenarioText();
            }
            EXPECT_EQ(first, second);
        }
    }
}

// A vessel held by a landed one is saved as the simulator saves it: landed at its own place,
// then its ATTACHED line.
TEST(RoundTrip, VesselHeldByALandedOneIsSavedLanded) {
    quva::Simulation sim(flying());
    sim.loadScenario(quva::readScenarioFile(std::string(QUVA_BUILD_ROOT) + "/Scenarios/Quva/Recovery.scn"));
    sim.runSteps(3000);
    ASSERT_TRUE(sim.vessel("Capsule").state.landed);
    const std::string saved = sim.saveScenarioText();
    const std::size_t main = saved.find("\nMain:Ossum\n");
    ASSERT_NE(main, std::string::npos) << saved;
    const std::string block = saved.substr(main, saved.find("\nEND\n", main) - main);
    EXPECT_NE(block.find("  STATUS Landed Earth\n  POS "), std::string::npos) << block;
    // The cluster hangs 30.9 m above the capsule's centre, which stands 1 m up on its heat shield
    // less the 0.018 m its 5500 kg compress the shield's springs by (held vessels weigh nothing).
    EXPECT_NE(block.find("  ALT 31.882\n  AROT 0.000 -0.000 0.000\n  ATTACHED 0:2,Capsule\n"), std::string::npos) << block;
}

}  // namespace

namespace {

// A date far out but within what a line holds is written back whole, not cut short.
TEST(RoundTrip, FarDateIsWrittenBackWhole) {
    quva::SimulationOptions o = flying();
    o.flightModel = false;
    quva::Simulation sim(o);
    sim.loadScenario(quva::parseScenario("BEGIN_ENVIRONMENT\n  Date MJD 1e60\nEND_ENVIRONMENT\nBEGIN_SHIPS\n"
                                         "C:QuvaCapsule\n  STATUS Orbiting Earth\n  RPOS 0 6471010 0\nEND\nEND_SHIPS\n",
                                         "far.scn"));
    const std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find("\n  Date MJD 999999999999999949387135297074018866963645011013410073083904.0000000000\n"), std::string::npos)
        << saved;
}

}  // namespace

namespace {

// What quva reads it can save only as a file it reads again: a scenario that grows past the input
// limit when saved is refused, and nothing is written.
TEST(RoundTrip, SaveLargerThanWhatQuvaReadsIsRefusedAndWritesNothing) {
    // Exactly as large as quva reads: the saved file adds the date it has reached.
    const std::string tail =
        "END_DESC\nBEGIN_SHIPS\nC:QuvaCapsule\n  STATUS Orbiting Earth\n  RPOS 0 6471010 0\nEND\nEND_SHIPS\n";
    const std::string line(4000, 'x');
    std::string text = "BEGIN_DESC\n";
    while (text.size() + line.size() + 1 + tail.size() < quva::kMaxInputFileBytes) text += line + "\n";
    text += std::string(quva::kMaxInputFileBytes - text.size() - tail.size() - 1, 'y') + "\n" + tail;
    ASSERT_EQ(text.size(), quva::kMaxInputFileBytes);
    quva::SimulationOptions o = flying();
    o.flightModel = false;
    quva::Simulation sim(o);
    sim.loadScenario(quva::parseScenario(text, "big.scn"));
    // A run that is to save is refused before it starts.
    const std::string before = quva::saveWouldNotLoadAgain(sim, text.size());
    EXPECT_NE(before.find("would be saved as " + std::to_string(sim.saveScenarioText().size()) + " bytes"),
              std::string::npos)
        << before;
    EXPECT_NE(before.find("refused before the run"), std::string::npos);
    const std::filesystem::path out = std::filesystem::temp_directory_path() / quvatest::uniqueName("big-save");
    try {
        sim.saveScenario(out.string());
        ADD_FAILURE() << "saved";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string(e.what()).find("would not load again"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(RoundTrip, TrialSaveBeforeARunMeasuresWithoutTracing) {
    const std::string text = "BEGIN_SHIPS\nA:Vantrel\n  STATUS Orbiting Earth\n  RPOS 0 6471010 0\nEND\n"
                             "B:Vantrel\n  STATUS Orbiting Earth\n  RPOS 0 6471110 0\nEND\nEND_SHIPS\n";
    quva::Simulation sim(flying());
    sim.trace().keepInMemory(true);
    sim.loadScenario(quva::parseScenario(text, "two.scn"));
    const std::size_t records = sim.trace().records().size();
    const std::size_t saved = sim.saveScenarioText().size();
    sim.trace().clear();
    struct Case {
        std::uintmax_t limit;
        bool refused;
    };
    // A small input is taken to fit without a trial unless the limit is tight.
    for (const Case &c : {Case{1u << 20, false}, Case{saved, false}, Case{saved - 1, true}}) {
        const std::string problem = quva::saveWouldNotLoadAgain(sim, text.size(), c.limit);
        EXPECT_EQ(!problem.empty(), c.refused) << c.limit << ": " << problem;
        if (c.refused) {
            EXPECT_NE(problem.find(std::to_string(saved) + " bytes"), std::string::npos) << problem;
        }
    }
    EXPECT_TRUE(sim.trace().records().empty());  // the modules' save callbacks left no records
    EXPECT_GT(records, 0u);
    EXPECT_TRUE(sim.trace().enabled());
}

}  // namespace
