// The scenario file grammar: sections as the simulator finds them (column-0 headers, headers with
// an argument, plugin sections closed by END), comments, vessel lines with and without a class,
// blank lines between vessel blocks, the environment's date in its three forms, and the layout
// of a saved file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"
#include "files/scenario_environment.h"
#include "module_test_support.h"

namespace {

const std::string kShips = "BEGIN_SHIPS\n"
                           "Cover:Pilmont\n"
                           "  STATUS Orbiting Earth\n"
                           "  RPOS 0.000 6471010.000 0.000\n"
                           "  RVEL 0.0000 0.0000 7800.0000\n"
                           "END\n"
                           "END_SHIPS\n";

std::string savedAfterLoading(const std::string &text, double seconds = 0.0) {
    quva::Simulation sim(quvatest::hostOptions(1.0));
    sim.loadScenario(quva::parseScenario(text, "s.scn"));
    sim.runUntil(seconds);
    return sim.saveScenarioText();
}

// Every section form the simulator writes is read around the ships and comes back as written.
TEST(ScenarioSections, EveryFormIsReadAndWrittenBackAsItWas) {
    const struct {
        const char *name;
        std::string section;
    } cases[] = {
        {"Description", "BEGIN_DESC\nA capsule in orbit.\nEND\nBEGIN_X inside a description is text.\nEND_DESC\n"},
        {"HyperDescription", "BEGIN_HYPERDESC\n<p>A capsule.</p>\nEND_HYPERDESC\n"},
        {"UrlDescription", "BEGIN_URLDESC\nCurrentState\nEND_URLDESC\n"},
        {"Focus", "BEGIN_FOCUS\n  Ship Cover\nEND_FOCUS\n"},
        {"CameraWithPreset", "BEGIN_CAMERA\n  TARGET Cover\n  MODE Extern\n  POS 4.000000 12.500000 -8.000000\n"
                             "  TRACKMODE TargetRelative\n  FOV 40.00\n  BEGIN_PRESET\n  END_PRESET\nEND_CAMERA\n"},
        {"Hud", "BEGIN_HUD\n  TYPE Surface\nEND_HUD\n"},
        {"MfdLeft", "BEGIN_MFD Left\n  TYPE Orbit\n  PROJ Ship\n  FRAME Ecliptic\n  REF Earth\nEND_MFD\n"},
        {"MfdNumbered", "BEGIN_MFD 3\n  TYPE User\n  MODE Docking Aid\nEND_MFD\n"},
        {"PanelAndVirtualCockpit", "BEGIN_PANEL\nEND_PANEL\n\nBEGIN_VC\nEND_VC\n"},
        {"PluginClosedByEnd", "BEGIN_QuvaRecorder\n  FRAMES 120\n  FILE flight.log\nEND\n"},
        {"UnknownClosedByItsEnd", "BEGIN_CARGO\n  crates 3\nEND_CARGO\n"},
        {"LowerCaseAndComment", "begin_focus ; the camera's vessel\n  Ship Cover\nend_focus\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool after : {false, true}) {
            const std::string text = after ? kShips + "\n" + c.section : c.section + "\n" + kShips;
            quva::ScenarioDocument doc;
            ASSERT_NO_THROW(doc = quva::parseScenario(text, "s.scn"));
            ASSERT_EQ(doc.ships.size(), 1u);
            EXPECT_EQ(doc.ships[0].lines.size(), 3u);
            const std::string saved = savedAfterLoading(text);
            EXPECT_NE(saved.find(c.section), std::string::npos) << saved;
        }
    }
}

// What cannot be read safely is an error naming its line; the sections must still pair up.
TEST(ScenarioSections, BrokenStructureNamesItsLine) {
    const struct {
        const char *name;
        std::string text;
        int line;
        const char *says;
    } cases[] = {
        {"PluginWithoutEnd", "BEGIN_QuvaRecorder\n  FRAMES 120\n" + kShips, 3, "BEGIN_QUVARECORDER (line 1)"},
        {"MfdWithoutEnd", "BEGIN_MFD Right\n  TYPE Map\nEND\n" + kShips, 4, "END_MFD"},
        {"StrayMfdEnd", "END_MFD\n" + kShips, 1, "END_MFD without BEGIN_MFD"},
        {"IndentedShipsHeader", "  BEGIN_SHIPS\nCover:Pilmont\nEND\nEND_SHIPS\n", 1, "column 0"},
        {"SectionAmongTheVessels", "BEGIN_SHIPS\nBEGIN_FOCUS\nEND_FOCUS\nEND_SHIPS\n", 2, "inside the ships list"},
        {"EndWithoutVessel", "BEGIN_SHIPS\nEND\nEND_SHIPS\n", 2, "END without a vessel line"},
        {"ClassWithBlanks", "BEGIN_SHIPS\nCover:Quva Capsule\nEND\nEND_SHIPS\n", 2, "NAME:CLASS or NAME"},
        {"EmptyClass", "BEGIN_SHIPS\nCover:\nEND\nEND_SHIPS\n", 2, "NAME:CLASS or NAME"},
        {"CommentedOutEnd", "BEGIN_SHIPS\nCover:Pilmont\n; END\nEND_SHIPS\n", 4, "\"Cover\" (line 2) has no END"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            quva::parseScenario(c.text, "s.scn");
            ADD_FAILURE() << "no error";
        } catch (const quva::InputError &e) {
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

TEST(ScenarioShips, CommentsAndBlankLinesAreNotPartOfAnyLine) {
    const std::string text = "BEGIN_SHIPS ; the fleet\n"
                             "\n"
                             "; the capsule's cover\n"
                             "Cover:Pilmont   ; made by hand\n"
                             "  STATUS Orbiting Earth ; low orbit\n"
                             "  ; a line of comment only\n"
                             "  RPOS 0.000 6471010.000 0.000;no blank before it\n"
                             "  RVEL 0.0000 0.0000 7800.0000\n"
                             "end ; of the cover\n"
                             "\n"
                             "Drogue:Vantrel\n"
                             "  STATUS Orbiting Earth\n"
                             "  RPOS 0.000 6471010.000 10.000\n"
                             "END\n"
                             "END_SHIPS ; done\n";
    const quva::ScenarioDocument doc = quva::parseScenario(text, "s.scn");
    ASSERT_EQ(doc.ships.size(), 2u);
    const quva::VesselBlock &cover = doc.ships[0];
    EXPECT_EQ(cover.name, "Cover");
    EXPECT_EQ(cover.className, "Pilmont");
    EXPECT_EQ(cover.line, 4);
    ASSERT_EQ(cover.lines.size(), 3u);
    EXPECT_EQ(cover.lines[0].text, "STATUS Orbiting Earth");
    EXPECT_EQ(cover.lines[1].text, "RPOS 0.000 6471010.000 0.000");
    EXPECT_EQ(cover.lines[1].line, 7);
    EXPECT_EQ(doc.ships[1].name, "Drogue");
    EXPECT_EQ(doc.ships[1].line, 11);
}

// The module reads its lines through the host's line reader: trimmed, without comments.
TEST(ScenarioShips, ModuleLineReaderGivesLinesWithoutComments) {
    quva::Simulation sim(quvatest::hostOptions(1.0));
    sim.trace().keepInMemory(true);
    sim.loadScenario(quva::parseScenario("BEGIN_SHIPS\nProbe:HostProbe\n  STATUS Orbiting Earth   ; low\n"
                                         "  RPOS 0 6471010 0 ; m\n  ; nothing\nEND\nEND_SHIPS\n",
                                         "s.scn"));
    std::vector<std::string> given;
    for (const auto &r : sim.trace().records())
        if (r.call == "oapiReadScenario_nextline")
            if (const auto at = r.args.rfind(",\""); at != std::string::npos) given.push_back(r.args.substr(at + 1));
    EXPECT_EQ(given, (std::vector<std::string>{"\"STATUS Orbiting Earth\"]", "\"RPOS 0 6471010 0\"]"}));
}

// A vessel line without a class names its class by the vessel's name; it is saved NAME:NAME.
TEST(ScenarioShips, VesselWithoutClassIsSavedWithItsClass) {
    const std::string text = "BEGIN_SHIPS\nPilmont\n  STATUS Orbiting Earth\n  RPOS 0 6471010 0\nEND\n"
                             "Depot ; a station saved without a class\n  STATUS Orbiting Earth\n  RPOS 0 0 6771010\n"
                             "  XPDR 12\nEND\nEND_SHIPS\n";
    const quva::ScenarioDocument doc = quva::parseScenario(text, "s.scn");
    ASSERT_EQ(doc.ships.size(), 2u);
    EXPECT_EQ(doc.ships[0].name, "Pilmont");
    EXPECT_EQ(doc.ships[0].className, "Pilmont");
    EXPECT_EQ(doc.ships[1].className, "Depot");

    quva::SimulationOptions options = quvatest::hostOptions(1.0);
    options.keepUnknownClasses = true;  // Depot: a class this host does not have
    quva::Simulation sim(options);
    sim.loadScenario(doc);
    EXPECT_EQ(sim.vessel("Pilmont").className, "Pilmont");
    const std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find("BEGIN_SHIPS\nPilmont:Pilmont\n  STATUS Orbiting Earth\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Depot:Depot\n  STATUS Orbiting Earth\n  RPOS 0 0 6771010\n  XPDR 12\nEND\n"), std::string::npos)
        << saved;
}

// The three forms of the date, and each with garbage: a warning naming file and line, and the
// run starts at J2000 rather than at whatever the computer's clock says.
TEST(ScenarioDate, EachFormAndGarbageInEach) {
    const struct {
        const char *line;
        double mjd;
        bool warns;
    } cases[] = {
        {"Date MJD 60000.25", 60000.25, false},
        {"date mjd 60000.25 ; lower case, a comment", 60000.25, false},
        {"Date JD 2451545.0", 51544.5, false},
        {"Date JD 2460000.75", 60000.25, false},
        {"Date JE 2000.0", 51544.5, false},
        {"Date JE 2024.5", 51544.5 + 24.5 * 365.25, false},
        {"Date MJD", quva::kJ2000Mjd, true},
        {"Date MJD 6000O.5", quva::kJ2000Mjd, true},
        {"Date MJD 60000.5 60001", quva::kJ2000Mjd, true},
        {"Date MJD nan", quva::kJ2000Mjd, true},
        {"Date JD yesterday", quva::kJ2000Mjd, true},
        {"Date JD 1e999", quva::kJ2000Mjd, true},
        {"Date JE 20x4", quva::kJ2000Mjd, true},
        {"Date 60000.5", quva::kJ2000Mjd, true},
        {"Date UTC 2024-03-01", quva::kJ2000Mjd, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const std::string text = "BEGIN_ENVIRONMENT\n  System Sol\n  " + std::string(c.line) + "\nEND_ENVIRONMENT\n" + kShips;
        const quva::ScenarioDocument doc = quva::parseScenario(text, "dated.scn");
        EXPECT_NEAR(doc.mjd, c.mjd, 1e-9);
        if (c.warns) {
            ASSERT_EQ(doc.warnings.size(), 1u);
            EXPECT_EQ(doc.warnings[0].rfind("dated.scn:3: ", 0), 0u) << doc.warnings[0];
            EXPECT_NE(doc.warnings[0].find("MJD 51544.5000 (J2000)"), std::string::npos) << doc.warnings[0];
        } else {
            EXPECT_TRUE(doc.warnings.empty());
        }
    }
}

TEST(ScenarioDate, EnvironmentIsFoundAnywhereButOnlyInColumnZero) {
    const std::string env = "BEGIN_ENVIRONMENT\n  Date MJD 60000.5\nEND_ENVIRONMENT\n";
    EXPECT_DOUBLE_EQ(quva::parseScenario(kShips + env, "s.scn").mjd, 60000.5);
    EXPECT_DOUBLE_EQ(quva::parseScenario(env + "BEGIN_ENVIRONMENT\n  Date MJD 1\nEND_ENVIRONMENT\n" + kShips, "s.scn").mjd,
                     60000.5);  // only the first environment counts
    const auto indented = quva::parseScenario("  " + env + kShips, "s.scn");
    EXPECT_DOUBLE_EQ(indented.mjd, quva::kJ2000Mjd);
    ASSERT_EQ(indented.warnings.size(), 1u);
    EXPECT_EQ(indented.warnings[0].rfind("s.scn:1: ", 0), 0u) << indented.warnings[0];
    EXPECT_DOUBLE_EQ(quva::parseScenario(kShips, "s.scn").mjd, quva::kJ2000Mjd);  // no date at all
}

TEST(ScenarioDate, WarningReachesTheRun) {
    quva::Simulation sim(quvatest::hostOptions(1.0));
    sim.loadScenario(quva::parseScenario("BEGIN_ENVIRONMENT\n  Date MJD soon\nEND_ENVIRONMENT\n" + kShips, "w.scn"));
    ASSERT_EQ(sim.warnings().size(), 1u);
    EXPECT_EQ(sim.warnings()[0].rfind("w.scn:2: ", 0), 0u);
    EXPECT_DOUBLE_EQ(sim.mjd(), quva::kJ2000Mjd);
}

std::string dateLine(double mjd) {
    char text[64];
    std::snprintf(text, sizeof text, "  Date MJD %.10f\n", mjd);
    return text;
}

// The saved file carries the date the run ended at, in the simulator's form, where the
// environment had its date; the rest of the environment stays as read.
TEST(ScenarioSavedLayout, DateIsTheEndOfTheRunWithTenDecimals) {
    const struct {
        const char *name;
        std::string text;
        std::string expected;  // the file's start as saved after 43200 s
    } cases[] = {
        {"DateInModifiedJulianDays",
         "BEGIN_DESC\nx\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.25\n  Context Quva\nEND_ENVIRONMENT\n\n" +
             kShips,
         "BEGIN_DESC\nx\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n" + dateLine(60000.75) +
             "  Context Quva\nEND_ENVIRONMENT\n\nBEGIN_SHIPS\n"},
        {"DateInJulianDaysIsSavedAsMjd", "BEGIN_ENVIRONMENT\n  Date JD 2451545.0\n  System Sol\nEND_ENVIRONMENT\n" + kShips,
         "BEGIN_ENVIRONMENT\n" + dateLine(51545.0) + "  System Sol\nEND_ENVIRONMENT\nBEGIN_SHIPS\n"},
        {"UnreadableDateIsReplaced", "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD tomorrow\nEND_ENVIRONMENT\n" + kShips,
         "BEGIN_ENVIRONMENT\n  System Sol\n" + dateLine(51545.0) + "END_ENVIRONMENT\nBEGIN_SHIPS\n"},
        {"NoDateLine", "BEGIN_ENVIRONMENT\n  System Sol\n  Context Quva\nEND_ENVIRONMENT\n" + kShips,
         "BEGIN_ENVIRONMENT\n  System Sol\n" + dateLine(51545.0) + "  Context Quva\nEND_ENVIRONMENT\nBEGIN_SHIPS\n"},
        {"NoEnvironmentAfterADescription", "BEGIN_DESC\nx\nEND_DESC\n\nBEGIN_FOCUS\n  Ship Cover\nEND_FOCUS\n" + kShips,
         "BEGIN_DESC\nx\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n" + dateLine(51545.0) +
             "END_ENVIRONMENT\n\nBEGIN_FOCUS\n  Ship Cover\nEND_FOCUS\nBEGIN_SHIPS\n"},
        {"EnvironmentWordsInADescription",
         "BEGIN_DESC\nBEGIN_ENVIRONMENT\n  Date MJD 1\nEND_ENVIRONMENT\nEND_DESC\n" + kShips,
         "BEGIN_DESC\nBEGIN_ENVIRONMENT\n  Date MJD 1\nEND_ENVIRONMENT\nEND_DESC\nBEGIN_ENVIRONMENT\n  System Sol\n" +
             dateLine(51545.0) + "END_ENVIRONMENT\n\nBEGIN_SHIPS\n"},
        {"ShipsOnly", kShips, "BEGIN_ENVIRONMENT\n  System Sol\n" + dateLine(51545.0) + "END_ENVIRONMENT\n\nBEGIN_SHIPS\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string saved = savedAfterLoading(c.text, 43200.0);
        EXPECT_EQ(saved.substr(0, c.expected.size()), c.expected) << saved;
        // Read again, the saved file starts where the run ended, and saves the same text.
        const quva::ScenarioDocument again = quva::parseScenario(saved, "saved.scn");
        EXPECT_TRUE(again.warnings.empty());
        EXPECT_EQ(savedAfterLoading(saved), saved);
    }
}

// The layout the simulator writes: vessel blocks back to back, plugin sections after the ships.
TEST(ScenarioSavedLayout, VesselBlocksBackToBackPluginSectionsAfter) {
    const std::string text = "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.0000000000\nEND_ENVIRONMENT\n\n"
                             "BEGIN_SHIPS\nCover:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 6471010 0\nEND\n\n"
                             "Drogue:Vantrel\n  STATUS Orbiting Earth\n  RPOS 0 6471010 10\nEND\nEND_SHIPS\n\n"
                             "BEGIN_QuvaRecorder\n  FRAMES 120\nEND\n";
    const std::string saved = savedAfterLoading(text);
    const std::size_t ships = saved.find("BEGIN_SHIPS\nCover:Pilmont\n");
    const std::size_t drogue = saved.find("END\nDrogue:Vantrel\n");
    EXPECT_NE(ships, std::string::npos) << saved;
    EXPECT_NE(drogue, std::string::npos) << saved;
    EXPECT_EQ(saved.substr(saved.find("END_SHIPS\n")), "END_SHIPS\n\nBEGIN_QuvaRecorder\n  FRAMES 120\nEND\n");
    EXPECT_EQ(saved.rfind("BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.0000000000\nEND_ENVIRONMENT\n\n", 0), 0u);
}

// A simulation whose vessels were made without a scenario saves the date it has reached too.
TEST(ScenarioSavedLayout, CreatedVesselsAreSavedWithTheRunsDate) {
    quva::Simulation sim(quvatest::hostOptions(1.0));
    sim.createVessel("Capsule", "QuvaCapsule", {"STATUS Orbiting Earth ; low", "RPOS 0 6471010 0"});
    sim.runUntil(8640.0);
    const std::string saved = sim.saveScenarioText();
    EXPECT_EQ(saved.rfind("BEGIN_DESC\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n" + dateLine(51544.6) +
                              "END_ENVIRONMENT\n\nBEGIN_SHIPS\nCapsule:QuvaCapsule\n  STATUS Orbiting Earth\n",
                          0),
              0u)
        << saved;
}

}  // namespace
