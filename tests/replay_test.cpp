// The replay page's data: JSON text safe inside the page, the axes the page draws in, the thinning
// of long runs with the events' samples kept, each mesh stored once, and the page's assembly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "core/vessel.h"
#include "files/mesh.h"
#include "replay/json_text.h"
#include "replay/page_frame.h"
#include "replay/replay_json.h"
#include "replay/replay_page.h"
#include "replay/replay_recorder.h"
#include "world/body.h"

namespace {

using quva::Mat3;
using quva::Vec3;
namespace cli = quva::cli;

std::size_t count(const std::string &text, const std::string &what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST(ReplayJsonText, StringsCannotLeaveTheScriptElementAndStayValid) {
    struct Case {
        std::string in, out;
    };
    const std::vector<Case> cases = {
        {"Capsule", "\"Capsule\""},
        {"</script><script>alert(1)</script>", "\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\""},
        {"<!-- a & b", "\"\\u003c!-- a \\u0026 b\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"two\nlines\r\tand\x01", "\"two\\nlines\\u000d\\u0009and\\u0001\""},
        {"Gr\xc3\xb6\xc3\x9f" "e \xe2\x86\x92 \xf0\x9f\x9a\x80", "\"Gr\xc3\xb6\xc3\x9f" "e \xe2\x86\x92 \xf0\x9f\x9a\x80\""},
        {"line\xe2\x80\xa8sep\xe2\x80\xa9", "\"line\\u2028sep\\u2029\""},  // JavaScript's line separators
        {"bad\xff", "\"bad\\ufffd\""},                                      // not UTF-8
        {"cut\xc3", "\"cut\\ufffd\""},                                      // a sequence cut short
        {"\xc0\xaf", "\"\\ufffd\\ufffd\""},                                 // an overlong '/'
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},                      // a surrogate
        {std::string("nul\0in", 6), "\"nul\\u0000in\""},
    };
    for (const Case &c : cases) EXPECT_EQ(cli::jsonString(c.in), c.out) << c.in;
}

TEST(ReplayJsonText, NumbersKeepTheirDigitsAndNonFiniteOnesAreNull) {
    EXPECT_EQ(cli::jsonNumber(0.1), "0.1");
    EXPECT_EQ(cli::jsonNumber(1.0 / 3.0, 4), "0.3333");
    EXPECT_EQ(cli::jsonNumber(std::nan("")), "null");
    EXPECT_EQ(cli::jsonNumber(-INFINITY), "null");
    EXPECT_EQ(cli::jsonFixed(6371234.56789, 1e-3), "6371234.568");
    EXPECT_EQ(cli::jsonFixed(-0.0004, 1e-3), "0");
    EXPECT_EQ(cli::jsonFixed(-2.5e-4, 1e-4), "-0.0003");
    EXPECT_EQ(cli::jsonFixed(12.0, 1e-4), "12");
    EXPECT_EQ(cli::jsonFixed(INFINITY, 1e-3), "null");
}

// Turns v by the unit quaternion q = (x, y, z, w): q v q*.
Vec3 turn(const std::array<double, 4> &q, const Vec3 &v) {
    const Vec3 u{q[0], q[1], q[2]};
    const Vec3 t = cross(u, v) * 2.0;
    return v + t * q[3] + cross(u, t);
}

TEST(ReplayFrame, QuaternionTurnsThePagesAxesAsTheAttitudeTurnsTheSimulators) {
    // Every branch of the conversion: small turns, and half turns about each axis and a diagonal.
    const std::vector<std::pair<Vec3, double>> turns = {
        {{0, 1, 0}, 0.0}, {{0, 1, 0}, 1.2}, {{1, 0, 0}, 3.14159}, {{0, 1, 0}, 3.14159},
        {{0, 0, 1}, 3.14159}, {{1, 2, 3}, 2.9}, {{-1, 0.5, 0.2}, -2.0}};
    const std::vector<Vec3> probes = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.3, -2, 5}};
    for (const auto &[axis, angle] : turns) {
        const Mat3 m = quva::rotationAbout(axis, angle);
        const auto q = cli::pageQuaternion(m);
        EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-12);
        EXPECT_GE(q[3], 0.0);
        for (const Vec3 &p : probes) {
            const Vec3 want = cli::pageVector(m * p), got = turn(q, cli::pageVector(p));
            EXPECT_NEAR(got.x, want.x, 1e-9) << angle;
            EXPECT_NEAR(got.y, want.y, 1e-9) << angle;
            EXPECT_NEAR(got.z, want.z, 1e-9) << angle;
        }
        // A mesh group turned about an axis by an angle in the simulator's axes is turned about
        // the page's axis by the same angle in the page's.
        const Mat3 page = quva::rotationAbout(cli::pageRotationAxis(axis), angle);
        for (const Vec3 &p : probes) {
            const Vec3 want = cli::pageVector(m * p), got = page * cli::pageVector(p);
            EXPECT_NEAR(got.x, want.x, 1e-9);
            EXPECT_NEAR(got.z, want.z, 1e-9);
        }
    }
}

// A vessel built by hand, with one sample of it at time t, at a height h above the body's centre.
quva::Vessel vesselNamed(int id, const std::string &name, const std::string &className) {
    quva::Vessel v;
    v.id = id;
    v.name = name;
    v.className = className;
    return v;
}

cli::VesselSample sampleAt(double t, double h = 0.0) {
    cli::VesselSample s;
    s.t = t;
    s.body = &quva::earth();
    s.planetPosition = {0.0, h, 0.0};
    s.altitude = h - quva::earth().radius;
    return s;
}

TEST(ReplayRecorder, LongRunsAreThinnedToTheBoundWithTheEventsSamplesKept) {
    const std::size_t total = 100000;
    const std::vector<std::size_t> pins = {1, 3, 777, 12345, 54321, 99998};
    quva::Vessel v = vesselNamed(1, "Capsule", "Quva/Capsule");
    cli::ReplayRecorder recorder;
    for (std::size_t i = 0; i < total; ++i)
        recorder.add(v, sampleAt(0.1 * static_cast<double>(i)), std::find(pins.begin(), pins.end(), i) != pins.end());
    quva::SimulationOptions options;
    options.root = QUVA_BUILD_ROOT;
    quva::Simulation sim(options);
    const cli::ReplayRun run = recorder.run(sim, "thinned");
    ASSERT_EQ(run.tracks.size(), 1u);
    const auto &samples = run.tracks[0].samples;
    EXPECT_LE(samples.size(), cli::ReplayRecorder::kMaxSamples);
    EXPECT_GE(samples.size(), cli::ReplayRecorder::kMaxSamples / 2);  // thinned no more than needed
    EXPECT_DOUBLE_EQ(samples.front().t, 0.0);
    EXPECT_DOUBLE_EQ(samples.back().t, 0.1 * (total - 1));  // the last sample always ends the series
    for (std::size_t pin : pins) {
        const double t = 0.1 * static_cast<double>(pin);
        EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [&](const auto &s) { return s.t == t; })) << pin;
    }
    for (std::size_t i = 1; i < samples.size(); ++i) EXPECT_LT(samples[i - 1].t, samples[i].t);
}

TEST(ReplayRecorder, PinnedSamplesPastTheirShareCannotBreakTheBound) {
    quva::Vessel v = vesselNamed(1, "Chatty", "Quva/Capsule");
    cli::ReplayRecorder recorder;
    for (int i = 0; i < 20000; ++i) recorder.add(v, sampleAt(i), true);  // an event in every step
    quva::SimulationOptions options;
    options.root = QUVA_BUILD_ROOT;
    quva::Simulation sim(options);
    const auto samples = recorder.run(sim, "").tracks[0].samples;
    EXPECT_LE(samples.size(), cli::ReplayRecorder::kMaxSamples);
    // The first kMaxPinned events keep their samples.
    for (std::size_t i = 0; i < cli::ReplayRecorder::kMaxPinned; ++i) EXPECT_EQ(samples[i].t, static_cast<double>(i));
}

TEST(ReplayRecorder, ASampleTakenAgainAtTheSameMomentReplacesTheLast) {
    quva::Vessel v = vesselNamed(1, "Moved", "Quva/Capsule");
    cli::ReplayRecorder recorder;
    recorder.add(v, sampleAt(0.0, 1.0));
    recorder.add(v, sampleAt(0.0, 2.0));
    recorder.add(v, sampleAt(0.1, 3.0));
    quva::SimulationOptions options;
    options.root = QUVA_BUILD_ROOT;
    quva::Simulation sim(options);
    const auto samples = recorder.run(sim, "").tracks[0].samples;
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].planetPosition.y, 2.0);
    EXPECT_EQ(samples[1].planetPosition.y, 3.0);
}

// Two classes over one shared mesh and one of their own, many vessels of each: the data holds
// each mesh once and each class once.
TEST(ReplayRecorder, MeshesAreStoredOnceWhateverTheNumberOfVesselsAndClasses) {
    const quva::Mesh shared = quva::parseMesh("MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n", "shared.msh");
    quva::Mesh own = quva::parseMesh("MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 5\n1 0 5\n0 1 5\n0 1 2\n", "own.msh");
    own.name = "Own";
    quva::Mesh sharedNamed = shared;
    sharedNamed.name = "Shared";
    cli::ReplayRecorder recorder;
    for (int i = 0; i < 50; ++i) {
        const bool second = i % 5 == 0;
        quva::Vessel v = vesselNamed(i, "V" + std::to_string(i), second ? "Quva/B" : "Quva/A");
        v.meshes.push_back({&sharedNamed, "Shared", {0, 0, 1}, MESHVIS_EXTERNAL});
        if (second) v.meshes.push_back({&own, "Own", {}, MESHVIS_ALWAYS});
        v.meshes.push_back({&own, "Own", {}, MESHVIS_COCKPIT});  // never seen from outside
        recorder.add(v, sampleAt(0.0, 7e6));
    }
    quva::SimulationOptions options;
    options.root = QUVA_BUILD_ROOT;
    quva::Simulation sim(options);
    const cli::ReplayRun run = recorder.run(sim, "fleet");
    ASSERT_EQ(run.meshes.size(), 2u);
    EXPECT_EQ(run.meshes[0].name, "Shared");
    EXPECT_EQ(run.meshes[1].name, "Own");
    ASSERT_EQ(run.looks.size(), 2u);
    EXPECT_EQ(run.looks[0].className, "Quva/B");  // V0 came first
    ASSERT_EQ(run.looks[0].meshes.size(), 3u);
    EXPECT_EQ(run.looks[0].meshes[1].mesh, 1);
    EXPECT_EQ(run.looks[0].meshes[2].mesh, -1);
    EXPECT_EQ(run.tracks.size(), 50u);
    EXPECT_EQ(run.tracks[1].look, 1u);
    const std::string json = cli::replayJson(run);
    EXPECT_EQ(count(json, "\"vertices\""), 2u);
    EXPECT_EQ(count(json, "{\"name\":\"Quva/A\""), 1u);
}

// A whole data block for a run made by hand, against the text it must give: the layout, the
// page's axes (z negated, triangles wound the other way, rotation axes), and the numbers' units.
TEST(ReplayJson, HandMadeRunGivesItsExactDataBlock) {
    cli::ReplayRun run;
    run.title = "Hand </script>";
    run.tStart = 0.0;
    run.tEnd = 1.5;
    run.dt = 0.5;
    quva::Mesh mesh = quva::parseMesh("MSHX1\nGROUPS 1\nLABEL Lid\nGEOM 3 1\n0 0 1\n1 0 1\n0 1 1.23456\n0 1 2\n", "m.msh");
    mesh.name = "Quva/M";
    run.meshes = {mesh};
    cli::ClassLook look;
    look.className = "Quva/K";
    look.meshes = {{0, {0.0, 0.5, 2.0}}};
    look.initialStates = {0.0};
    cli::LookComponent c;
    c.kind = cli::LookComponent::Kind::Rotate;
    c.groups = {0};
    c.ref = {0.0, 0.0, 1.0};
    c.axis = {1.0, 0.0, 0.0};
    c.angle = 1.5;
    look.components = {c};
    run.looks = {look};
    cli::ReplayTrack track;
    track.name = "Lid\"der";
    cli::VesselSample s = sampleAt(0.5, 6371010.0);
    s.planetPosition = {1.0, 6371010.0, 2.0};
    s.altitude = 10.0;
    s.verticalSpeed = -3.25;
    s.animations = {0.25};
    s.planetAttitude = quva::rotationAbout({0, 1, 0}, 1.5707963267948966);
    track.samples = {s};
    track.removedAt = 1.0;
    run.tracks = {track};
    run.events = {{5, 0.5, "Lid\"der", "ground contact"}};
    const std::string expected =
        "{\"format\":\"quva-replay\",\"version\":1,\"title\":\"Hand \\u003c/script\\u003e\",\"tStart\":0,\"tEnd\":1.5,"
        "\"dt\":0.5,\"frame\":\"planet-fixed, m from the body's centre, y to the north pole, right-handed\","
        "\"bodies\":[{\"name\":\"Earth\",\"radius\":6371010}],"
        "\"meshes\":[{\"name\":\"Quva/M\",\"groups\":[{\"label\":\"Lid\",\"vertices\":[0,0,-1,1,0,-1,0,1,-1.2346],"
        "\"triangles\":[0,2,1]}]}],"
        "\"classes\":[{\"name\":\"Quva/K\",\"meshes\":[{\"mesh\":0,\"offset\":[0,0.5,-2]}],\"animations\":[0],"
        "\"components\":[{\"animation\":0,\"state0\":0,\"state1\":1,\"type\":\"rotate\",\"meshSlot\":0,\"groups\":[0],"
        "\"ref\":[0,0,-1],\"axis\":[-1,0,0],\"angle\":1.5,\"shift\":[0,0,0],\"scale\":[1,1,1],\"parent\":-1}]}],"
        "\"vessels\":[{\"name\":\"Lid\\\"der\",\"class\":0,\"body\":0,\"removedAt\":1,\"t\":[0.5],"
        "\"position\":[1,6371010,-2],\"quaternion\":[0,-0.707106781,0,0.707106781],\"altitude\":[10],"
        "\"verticalSpeed\":[-3.25],\"animations\":[[0.25]]}],"
        "\"events\":[{\"t\":0.5,\"step\":5,\"vessel\":\"Lid\\\"der\",\"text\":\"ground contact\"}]}";
    EXPECT_EQ(cli::replayJson(run), expected);
}

TEST(ReplayPage, CarriesTheDataOnceAndNoNameCanEndItsScripts) {
    const std::string hostile = "{\"title\":" + cli::jsonString("</SCRIPT><script>x()</script>/*@QUVA_VIEWER@*/") + "}";
    const std::string page = cli::replayPageWithData(hostile);
    // The template's four script elements, and no more: the guard that reports failures, the
    // library, the viewer and the data.
    EXPECT_EQ(count(lower(page), "</script"), 4u);
    EXPECT_EQ(count(page, hostile), 1u);
    const std::string tag = "<script type=\"application/json\" id=\"quva-replay-data\">";
    const std::size_t data = page.find(tag);
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(page.compare(data + tag.size(), hostile.size(), hostile), 0);
    // The library and the viewer are in, before the data: a file cut short in its data still
    // has a viewer to say so.
    EXPECT_NE(page.find("REVISION=\"111\""), std::string::npos);
    EXPECT_LT(page.find("REVISION=\"111\""), page.find("function quvaStartViewer"));
    EXPECT_LT(page.find("function quvaStartViewer"), data);
    EXPECT_LT(page.find("function quvaShowError"), page.find("REVISION=\"111\""));
    EXPECT_EQ(page.find("@QUVA_"), page.find("/*@QUVA_VIEWER@*/") + 2);  // only the hostile title's text
    EXPECT_GT(page.find("@QUVA_"), data);
}

}  // namespace
