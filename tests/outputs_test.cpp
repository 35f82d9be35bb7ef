// What quva leaves for a person to look at: the telemetry table and plot of a run, the class
// description of quva info and the drawing of quva pose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;

using Result = quva::test::CliResult;

class Outputs : public quva::test::CliTest {
protected:
    // A cover falling from rest at 3 km above the Earth (radius 6371.01 km), and nothing else:
    // over the north pole at J2000 (0, cos ε, sin ε), where the turning air stands still.
    fs::path fallingCover() {
        return write("fall.scn",
                     "BEGIN_SHIPS\nCover:Pilmont\n  STATUS Orbiting Earth\n  RPOS 0 5848039.843323527 2535435.558439721\n"
                     "  RVEL 0 0 0\n"
                     "  AROT 0 0 0\nEND\nEND_SHIPS\n");
    }
};

using Row = std::vector<std::string>;

std::vector<Row> readCsv(const std::string &text) {
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        Row row;
        std::string cell;
        std::istringstream cells(line);
        while (std::getline(cells, cell, ',')) row.push_back(cell);
        if (!line.empty() && line.back() == ',') row.emplace_back();
        rows.push_back(row);
    }
    return rows;
}

double number(const std::string &cell) { return std::strtod(cell.c_str(), nullptr); }

// Every tag closed in the order opened: enough to tell a truncated or garbled picture.
bool wellFormed(const std::string &svg) {
    std::vector<std::string> open;
    for (std::size_t i = svg.find('<'); i != std::string::npos; i = svg.find('<', i + 1)) {
        std::size_t end = svg.find('>', i);
        if (end == std::string::npos) return false;
        std::string tag = svg.substr(i + 1, end - i - 1);
        if (tag.empty() || tag.back() == '/' || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return false;
            open.pop_back();
        } else {
            open.push_back(tag.substr(0, tag.find_first_of(" \n")));
        }
    }
    return open.empty();
}

// The vessels with a data line in the plot's panel `id`, one entry per line.
std::multiset<std::string> seriesIn(const std::string &svg, const std::string &id) {
    std::multiset<std::string> vessels;
    std::size_t from = svg.find("<g id=\"" + id + "\">");
    std::size_t to = svg.find("<g id=", from + 1);
    const std::string key = "<path class=\"series\" data-vessel=\"";
    for (std::size_t i = svg.find(key, from); i < to && i != std::string::npos; i = svg.find(key, i + 1)) {
        std::size_t start = i + key.size();
        vessels.insert(svg.substr(start, svg.find('"', start) - start));
    }
    return vessels;
}

TEST_F(Outputs, CsvHasOneRowPerVesselPerStepAndFallingCoverLosesHeight) {
    fs::path csv = dir / "fall.csv";
    Result r = quva("run " + fallingCover().string() + " --until 2 --csv " + csv.string());
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<Row> rows = readCsv(quvatest::fileText(csv));
    ASSERT_EQ(rows.size(), 22u);  // header, t = 0 and 20 steps
    EXPECT_EQ(rows[0], (Row{"time", "vessel", "altitude", "speed", "vertical_speed", "drag", "mass", "heading", "pitch",
                            "bank", "omega_x", "omega_y", "omega_z"}));
    double lastAltitude = 1e9;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const Row &row = rows[i];
        ASSERT_EQ(row.size(), 13u) << i;
        EXPECT_NEAR(number(row[0]), 0.1 * static_cast<double>(i - 1), 1e-9);
        EXPECT_EQ(row[1], "Cover");
        EXPECT_LT(number(row[2]), lastAltitude) << "row " << i;  // falls in every step
        lastAltitude = number(row[2]);
        EXPECT_NEAR(number(row[3]), -number(row[4]), 1e-6);  // straight down
        EXPECT_GE(number(row[5]), 0.0);
        EXPECT_EQ(number(row[6]), 100.0);
    }
    EXPECT_NEAR(number(rows[1][2]), 3000.0, 1e-6);
    EXPECT_LT(number(rows.back()[4]), -15.0);  // about g·t after 2 s
}

TEST_F(Outputs, CsvIntervalAndAnimationColumns) {
    fs::path csv = dir / "rec.csv";
    Result r = quva("run Quva/Recovery --until 3 --csv-interval 0.25 --csv " + csv.string());
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<Row> rows = readCsv(quvatest::fileText(csv));
    ASSERT_EQ(rows[0].size(), 14u);
    EXPECT_EQ(rows[0][7], "anim0");
    EXPECT_EQ(rows[0][9], "pitch");
    std::map<std::string, std::vector<double>> times;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 14u) << i;
        // All three start with the nose straight up (AROT 90 0 0).
        if (number(rows[i][0]) == 0.0) {
            EXPECT_NEAR(number(rows[i][9]), 90.0, 1e-6) << rows[i][1];
        }
        times[rows[i][1]].push_back(number(rows[i][0]));
        // The capsule has no animation: its cell stays empty; the canopies report theirs.
        EXPECT_EQ(rows[i][7].empty(), rows[i][1] == "Capsule") << i;
    }
    // The first step at or after each multiple of 0.25 s: 0, 0.3, 0.5, 0.8, 1, ...
    const std::vector<double> expected{0, 0.3, 0.5, 0.8, 1, 1.3, 1.5, 1.8, 2, 2.3, 2.5, 2.8, 3};
    ASSERT_EQ(times.size(), 3u);
    for (const auto &[vessel, t] : times) {
        ASSERT_EQ(t.size(), expected.size()) << vessel;
        for (std::size_t k = 0; k < t.size(); ++k) EXPECT_NEAR(t[k], expected[k], 1e-9) << vessel;
    }
}

TEST_F(Outputs, CsvWidensWhenAVesselCreatesAnAnimationLate) {
    fs::path scn = write("late.scn",
                         "BEGIN_SHIPS\nLate:HostProbe\n  STATUS Orbiting Earth\n  RPOS 0 6374010 0\n  RVEL 0 0 0\n"
                         "  ANIMATE_AT 0.15\nEND\nPlain:HostProbe\n  STATUS Orbiting Earth\n  RPOS 0 6374010 0\n"
                         "  RVEL 0 0 0\nEND\nEND_SHIPS\n");
    fs::path csv = dir / "late.csv";
    Result r = quva("run " + scn.string() + " --until 0.3 --csv " + csv.string());
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<Row> rows = readCsv(quvatest::fileText(csv));
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0][7], "anim0");
    EXPECT_EQ(rows[0].back(), "omega_z");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 14u) << i;
        const bool animated = rows[i][1] == "Late" && number(rows[i][0]) > 0.15;
        EXPECT_EQ(rows[i][7], animated ? "0.5" : "") << i;
    }
    // The two fly alike: the rows written before the table widened kept their attitude cells in
    // the attitude columns (rows come in pairs, Late then Plain, at each moment).
    for (std::size_t i = 1; i + 1 < rows.size(); i += 2) {
        ASSERT_EQ(rows[i][1], "Late");
        for (std::size_t c = 8; c < 14; ++c) EXPECT_EQ(rows[i][c], rows[i + 1][c]) << i << " " << rows[0][c];
        EXPECT_NE(rows[i][9], "");
    }
}

TEST_F(Outputs, PlotOfALongRunIsThinnedAndMarksRemovals) {
    fs::path svg = dir / "long.svg";
    Result r = quva("run Quva/Recovery --dt 0.05 --until 480 --release 20:Drogue --assembly combined --plot " + svg.string());
    ASSERT_EQ(r.code, 0) << r.err;
    std::string text = quvatest::fileText(svg);
    EXPECT_TRUE(wellFormed(text));
    // On the ground after 460 s: released, the drogue turns under its own moments and sinks more
    // slowly than when it kept the attitude it was released with.
    EXPECT_NE(text.find("Drogue (removed at 46"), std::string::npos);
    EXPECT_NE(text.find("<path class=\"removed\""), std::string::npos);
    // 9600 steps per vessel, drawn with at most 2000 points a line.
    for (std::size_t i = text.find(" d=\"M"); i != std::string::npos; i = text.find(" d=\"M", i + 1)) {
        std::string d = text.substr(i, text.find('"', i + 4) - i);
        EXPECT_LE(std::count(d.begin(), d.end(), 'L'), 2000) << d.substr(0, 40);
    }
    EXPECT_LT(text.size(), 60000u);
}

TEST_F(Outputs, PlotHasOneLinePerVesselInEachPanel) {
    fs::path svg = dir / "rec.svg";
    Result r = quva("run Quva/Recovery --until 30 --release 20:Drogue --plot " + svg.string());
    ASSERT_EQ(r.code, 0) << r.err;
    std::string text = quvatest::fileText(svg);
    ASSERT_EQ(text.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_TRUE(wellFormed(text));
    EXPECT_NE(text.find(">Quva/Recovery</text>"), std::string::npos);
    const std::multiset<std::string> all{"Capsule", "Drogue", "Main"};
    EXPECT_EQ(seriesIn(text, "altitude"), all);
    EXPECT_EQ(seriesIn(text, "descent-rate"), all);
    EXPECT_EQ(seriesIn(text, "animation"), (std::multiset<std::string>{"Drogue", "Main"}));
    EXPECT_EQ(seriesIn(text, "pitch"), all);
    EXPECT_NE(text.find(">Pitch (deg)</text>"), std::string::npos);
    EXPECT_NE(text.find(">Time (s)</text>"), std::string::npos);
}

TEST_F(Outputs, FailedOrBadRunWritesNoTableOrPlot) {
    fs::path bad = write("bad.scn", "BEGIN_SHIPS\nC:Pilmont\n  STATUS Orbiting Earth\n  RPOS 1 2 x\nEND\nEND_SHIPS\n");
    fs::path csv = dir / "t.csv", svg = dir / "t.svg";
    EXPECT_EQ(quva("run " + bad.string() + " --csv " + csv.string() + " --plot " + svg.string()).code, 1);
    EXPECT_EQ(quva("run Quva/Recovery --steps 3 --release 1:Nobody --csv " + csv.string()).code, 1);
    EXPECT_EQ(quva("run Quva/Recovery --csv-interval -1 --csv " + csv.string()).code, 2);
    EXPECT_EQ(quva("run Quva/Recovery --steps 3 --csv " + (dir / "no" / "t.csv").string()).code, 1);
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "bad.scn" || name == "out" || name == "err") << name;
    }
}

TEST_F(Outputs, InfoListsExportsAndClassCapsCallsInOrder) {
    Result r = quva("info Pilmont");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("/Modules/Pilmont.so\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("exports  ovcExit ovcInit\n"), std::string::npos) << r.out;
    // The calls made inside clbkSetClassCaps, up to the next callback.
    std::istringstream in(r.out.substr(r.out.find("  clbkSetClassCaps(")));
    std::string line;
    std::getline(in, line);
    std::vector<std::string> calls;
    while (std::getline(in, line) && line.rfind("      ", 0) == 0) calls.push_back(line.substr(6));
    const std::vector<std::string> expected{
        "SetSize(0.85)",
        "SetEmptyMass(100)",
        "SetPMI((2.3, 2.3, 0.8))",
        "SetCrossSections((1.02, 1.02, 2.5))",
        "SetRotDrag((0.025, 0.025, 0.02))",
        "SetCW(0.2, 1, 0.47, 0.47)",
        "SetDockParams((0, 0, 0.43), (0, 0, 1), (0, 1, 0))",
        "CreateAttachment(true, (0, 0, 0.43), (0, 0, 1), (0, 1, 0), \"X\", false)",
        "oapiLoadMeshGlobal(\"Quva/Pilmont\")",
        "AddMesh(",
    };
    ASSERT_EQ(calls.size(), expected.size()) << r.out;
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i].rfind(expected[i], 0), 0u) << calls[i];
    EXPECT_NE(r.out.find("  empty mass      100 kg\n"), std::string::npos);
    EXPECT_NE(r.out.find("    0: Quva/Pilmont, 4 groups"), std::string::npos);
}

TEST_F(Outputs, InfoOfOtherClasses) {
    Result draskel = quva("info Draskel");
    ASSERT_EQ(draskel.code, 0) << draskel.err;
    EXPECT_NE(draskel.out.find("exports  GetModuleVersion ModuleDate ovcExit ovcInit\n"), std::string::npos);
    EXPECT_NE(draskel.out.find("InitLib("), std::string::npos);  // it introduces itself while loading

    Result tarrowick = quva("info Tarrowick");
    ASSERT_EQ(tarrowick.code, 0) << tarrowick.err;
    EXPECT_NE(tarrowick.out.find("    animation 0: initial state 1, state 1, 13 components\n"), std::string::npos);
    EXPECT_NE(tarrowick.out.find("  propellants     3\n"), std::string::npos);

    Result capsule = quva("info QuvaCapsule");  // a configuration and no module
    ASSERT_EQ(capsule.code, 0) << capsule.err;
    EXPECT_NE(capsule.out.find("  | Mass = 5500\n"), std::string::npos) << capsule.out;
    EXPECT_NE(capsule.out.find("  attachments     3\n"), std::string::npos);
    EXPECT_EQ(capsule.out.find("calls while creating"), std::string::npos);

    Result none = quva("info NoSuchClass");
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("\"NoSuchClass\""), std::string::npos) << none.err;
}

TEST_F(Outputs, PoseDrawsThreeViewsAndFollowsTheState) {
    fs::path folded = dir / "folded.svg", open = dir / "open.svg";
    Result r = quva("pose Tarrowick --state 0 --out " + folded.string());
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(quva("pose Tarrowick --state 1 --anim 0 --out " + open.string()).code, 0);
    std::string a = quvatest::fileText(folded), b = quvatest::fileText(open);
    EXPECT_TRUE(wellFormed(a));
    for (const char *view : {"view-x-y", "view-z-y", "view-x-z"}) EXPECT_NE(a.find(view), std::string::npos) << view;
    EXPECT_GT(a.find("Z\"/>"), 0u);
    EXPECT_NE(a, b);  // the gear moved
}

TEST_F(Outputs, PoseRejectsBadArguments) {
    fs::path out = dir / "p.svg";
    const std::string to = " --out " + out.string();
    EXPECT_EQ(quva("pose Tarrowick --state abc" + to).code, 2);
    EXPECT_EQ(quva("pose Tarrowick --state nan" + to).code, 2);
    EXPECT_EQ(quva("pose Tarrowick --state 1 --anim 1" + to).code, 2);  // it has one animation
    EXPECT_EQ(quva("pose Tarrowick --state 1").code, 2);                // no --out
    EXPECT_EQ(quva("pose NoSuchClass" + to).code, 1);
    EXPECT_EQ(quva("pose QuvaCapsule" + to).code, 1);  // no mesh to draw
    EXPECT_EQ(quva("pose Tarrowick --out ''").code, 2);
    EXPECT_EQ(quva("pose Tarrowick --out " + dir.string()).code, 2);  // a folder
    EXPECT_EQ(quva("pose Tarrowick --out /dev/null").code, 2);
    // Nothing written, no temporary file left behind.
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "out" || name == "err") << name;
    }
}

TEST_F(Outputs, EveryCommandHasHelp) {
    for (const char *args : {"--help", "run --help", "info --help", "pose --help"}) {
        Result r = quva(args);
        EXPECT_EQ(r.code, 0) << args;
        EXPECT_NE(r.out.find("--help"), std::string::npos) << args;
    }
    EXPECT_NE(quva("run --help").out.find("--plot"), std::string::npos);
}

}  // namespace
