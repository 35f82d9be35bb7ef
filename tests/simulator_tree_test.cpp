// A small tree in the simulator's layout beside quva's own: class files using the keys of the
// core, a class whose module is missing and one whose module is no library, names that differ
// in case or use '\', scenario lines naming parts a vessel lacks, a base with pads.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/simulation.h"
#include "files/scenario.h"
#include "platform/host_platform.h"
#include "module_test_support.h"
#include "world/body.h"

namespace {

namespace fs = std::filesystem;

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// Earth, pad 1 of "Sand Field" lies 100 m south of the base centre (lon 10, lat 20).
const double kPadLat = 20.0 - 100.0 / quva::earth().radius / kDeg;

class SimulatorTree : public ::testing::Test {
protected:
    void SetUp() override {
        tree = fs::temp_directory_path() / quvatest::uniqueName("simulator-tree");
        put("Config/Vessels/Freighter.cfg",
            "; A configuration-only freighter\n"
            "ClassName = Freighter\n"
            "Size = 4\n"
            "Mass = 2000\n"
            "PropellantResource1 = 800\n"
            "PropellantResource2 = 100 0.5\n"
            "Isp = 3000\n"
            "MaxMainThrust = 2e4\n"
            "MaxAttitudeThrust = 500\n"
            "TouchdownPoints = 0 -1.5 3  -2 -1.5 -2  2 -1.5 -2\n"
            "RotResistance = 0.2 0.3 0.4\n"
            "CW = 0.2 0.4 0.6 0.8\n"
            "BEGIN_ATTACHMENT\n"
            "C 0 2 0  0 1 0  0 0 1  TOP\n"
            "END_ATTACHMENT\n");
        put("Config/Vessels/GLIDER.cfg", "Mass = 900\nMeshName = Shapes\\WEDGE\n");
        put("Config/Vessels/Sub/Probe.cfg", "BaseClass = Generic\\Light\nSize = 2\n");
        put("Config/Generic/Light.cfg", "Mass = 50\nSize = 9\nMaxFuel = 10\n");
        put("Config/Vessels/Hulled.cfg", "Mass = 10\nCollisionHull = Hulls\\Box\n");
        put("Config/Hulls/Box.dat", "4\n0 -1 2  2e5 3e4 0.8 0.2\n-1 -1 -1\n1 -1 -1 5e5\n0 1 0\n");
        put("Config/Vessels/Twin.cfg", "Mass = 1\n");
        put("Config/Vessels/TWIN.cfg", "Mass = 2\n");
        put("Config/Vessels/Shuttle.cfg", "Module = Orbital\\ShuttleCraft\nMass = 3000\n");
        put("Config/Vessels/Junky.cfg", "Module = Junk\n");
        put("Modules/Junk" + std::string(quva::platform::kModuleSuffix), "not a library\n");
        put("Meshes/shapes/wedge.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n");
        put("Config/Earth/Base/Sand.cfg",
            "BASE-V2.0\nName = Sand Field\nLocation = 10 20\nBEGIN_OBJECTLIST\n"
            "LPAD2\n  POS 100 0 0\nEND\nLPAD2\n  POS -100 0 0\nEND\nEND_OBJECTLIST\n");
    }
    void TearDown() override { fs::remove_all(tree); }

    void put(const std::string &relative, const std::string &text) {
        const fs::path p = tree / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    quva::SimulationOptions options(bool keep = false) const {
        quva::SimulationOptions o;
        o.root = QUVA_BUILD_ROOT;
        o.extraRoots = {tree};
        o.dt = 0.1;
        o.keepUnknownClasses = keep;
        return o;
    }

    static std::string blockOf(const std::string &text, const std::string &header) {
        const std::size_t start = text.find("\n" + header + "\n");
        return start == std::string::npos ? "" : text.substr(start + 1, text.find("\nEND\n", start) - start);
    }

    fs::path tree;
};

const std::string kFlying = "  STATUS Orbiting Earth\n  RPOS 0 6478100 0\n  RVEL 7800 0 0\n";

std::string ships(const std::string &blocks) { return "BEGIN_SHIPS\n" + blocks + "END_SHIPS\n"; }

bool anyWarningHas(const quva::Simulation &sim, const std::string &a, const std::string &b = "") {
    for (const std::string &w : sim.warnings())
        if (w.find(a) != std::string::npos && w.find(b) != std::string::npos) return true;
    return false;
}

// A class whose module is missing or no library: an error naming class and module without
// --keep-unknown; with it, the vessel is carried as read, with one warning per class, and a
// vessel attached to it keeps its ATTACHED line and starts where its block says.
TEST_F(SimulatorTree, VesselsOfAnUnloadableModuleAreCarriedAlongAsRead) {
    const std::string shuttle = "Shuttle:Shuttle\n" + kFlying + "  SOMETHING of its own\nEND\n";
    const std::string text = ships(shuttle + "Shuttle2:Shuttle\n" + kFlying + "END\n" +
                                   "J:Junky\n" + kFlying + "END\n" +
                                   "Cargo:Pilmont\n  STATUS Orbiting Earth\n  RPOS 5 6478100 0\n  RVEL 7800 0 0\n"
                                   "  ATTACHED 0:0,Shuttle\nEND\n");
    const std::vector<std::pair<std::string, std::vector<std::string>>> classes = {
        {"Shuttle", {"Shuttle", "Orbital\\ShuttleCraft", "not found", "Shuttle.cfg"}},
        {"Junky", {"Junky", "Junk" + std::string(quva::platform::kModuleSuffix)}}};
    for (const auto &[cls, words] : classes) {
        SCOPED_TRACE(cls);
        quva::Simulation sim(options());
        const std::string one = ships(cls + ":" + cls + "\n" + kFlying + "END\n");
        try {
            sim.loadScenario(quva::parseScenario(one, "u.scn"));
            ADD_FAILURE() << "no error";
        } catch (const quva::InputError &e) {
            EXPECT_EQ(e.line(), 2);
            for (const std::string &w : words) EXPECT_NE(std::string(e.what()).find(w), std::string::npos) << e.what();
        }
    }
    quva::Simulation sim(options(true));
    sim.loadScenario(quva::parseScenario(text, "u.scn"));
    int shuttleWarnings = 0;
    for (const std::string &w : sim.warnings()) shuttleWarnings += w.find("vessel class Shuttle:") != std::string::npos;
    EXPECT_EQ(shuttleWarnings, 1);
    EXPECT_TRUE(anyWarningHas(sim, "vessel class Junky", "carried along"));
    EXPECT_TRUE(anyWarningHas(sim, "u.scn:22", "Cargo"));
    EXPECT_TRUE(sim.vessel("Shuttle").inert());
    const quva::Vessel &cargo = sim.vessel("Cargo");
    EXPECT_EQ(cargo.parent(), nullptr);
    EXPECT_EQ(cargo.state.pos.x, 5.0);
    sim.runSteps(5);
    const std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find(shuttle), std::string::npos) << saved;
    EXPECT_NE(blockOf(saved, "Cargo:Pilmont").find("  ATTACHED 0:0,Shuttle\n"), std::string::npos) << saved;
}

// Names as a case-insensitive file system finds them; '\' separates folders; the class is
// written back as spelled. Two files that differ only in case: an error naming both.
TEST_F(SimulatorTree, NamesAreFoundWithoutRegardToCase) {
    quva::Simulation sim(options());
    sim.loadScenario(quva::parseScenario(
        ships("G:glider\n" + kFlying + "END\nP:Sub\\Probe\n" + kFlying + "END\nM:pilmont\n" + kFlying + "END\n"), "n.scn"));
    const quva::Vessel &g = sim.vessel("G");
    EXPECT_EQ(g.def.emptyMass, 900.0);
    ASSERT_EQ(g.meshes.size(), 1u);
    EXPECT_NE(g.meshes[0].mesh, nullptr);  // Shapes\WEDGE is Meshes/shapes/wedge.msh
    // Sub\Probe: its BaseClass Generic\Light read first, its own Size over it.
    const quva::Vessel &p = sim.vessel("P");
    EXPECT_EQ(p.def.emptyMass, 50.0);
    EXPECT_EQ(p.def.size, 2.0);
    ASSERT_EQ(p.propellants.size(), 1u);
    EXPECT_EQ(p.propellants[0]->maxMass, 10.0);
    EXPECT_NE(sim.vessel("M").module, nullptr);  // Pilmont's class file and module
    const std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find("\nG:glider\n"), std::string::npos);
    EXPECT_NE(saved.find("\nP:Sub\\Probe\n"), std::string::npos);
    EXPECT_NE(saved.find("\nM:pilmont\n"), std::string::npos);

#ifndef _WIN32
    // On Windows the file system itself finds a name without regard to case, so the exact lookup
    // already succeeds, and two names that differ only in case cannot both be there.
    quva::Simulation twin(options());
    try {
        twin.loadScenario(quva::parseScenario(ships("T:twin\n" + kFlying + "END\n"), "t.scn"));
        ADD_FAILURE() << "no error";
    } catch (const quva::InputError &e) {
        const std::string what = e.what();
        EXPECT_EQ(e.line(), 2);
        EXPECT_NE(what.find("Twin.cfg"), std::string::npos) << what;
        for (const auto &w : twin.warnings()) ADD_FAILURE() << w;
        EXPECT_NE(what.find("TWIN.cfg"), std::string::npos) << what;
    }
#endif
}

// The class keys make stores and thrusters in the simulator's order, so THLEVEL and PRPLEVEL
// indices mean the same parts; the touchdown points come with the simulator's spring values.
TEST_F(SimulatorTree, ClassKeysMakeStoresAndThrustersInTheSimulatorsOrder) {
    quva::Simulation sim(options());
    sim.loadScenario(quva::parseScenario(
        ships("F:Freighter\n" + kFlying + "  PRPLEVEL 0:0.5 1:1\n  THLEVEL 2:0.25\nEND\n"), "f.scn"));
    const quva::Vessel &f = sim.vessel("F");
    EXPECT_EQ(f.def.size, 4.0);
    ASSERT_EQ(f.propellants.size(), 2u);
    EXPECT_EQ(f.propellants[0]->mass, 400.0);
    EXPECT_EQ(f.propellants[1]->efficiency, 0.5);
    ASSERT_EQ(f.thrusters.size(), 19u);  // main, 6 linear, 12 rotational
    EXPECT_EQ(f.thrusters[0]->maxThrust, 2e4);
    EXPECT_EQ(f.thrusters[0]->dir, (quva::Vec3{0, 0, 1}));
    EXPECT_EQ(f.thrusters[0]->isp0, 3000.0);
    EXPECT_EQ(f.thrusters[0]->tank, f.propellants[0].get());
    // Without retro and hover thrusters, thruster 2 is the second linear one, along -y.
    EXPECT_EQ(f.thrusters[2]->dir, (quva::Vec3{0, -1, 0}));
    EXPECT_EQ(f.thrusters[2]->level, 0.25);
    EXPECT_EQ(f.thrusters[3]->dir, (quva::Vec3{-1, 0, 0}));
    // The first pitch-up pair member: half the attitude thrust, Size ahead, pushing +y.
    EXPECT_EQ(f.thrusters[7]->maxThrust, 250.0);
    EXPECT_EQ(f.thrusters[7]->pos, (quva::Vec3{0, 0, 4}));
    EXPECT_EQ(f.thrusters[7]->dir, (quva::Vec3{0, 1, 0}));
    ASSERT_EQ(f.def.touchdown.size(), 3u);
    EXPECT_EQ(f.def.touchdown[1].pos, (quva::Vec3{-2, -1.5, -2}));
    EXPECT_EQ(f.def.touchdown[1].stiffness, 1e6);
    EXPECT_EQ(f.def.touchdown[1].damping, 1e5);
    EXPECT_EQ(f.def.rotDrag, (quva::Vec3{0.2, 0.3, 0.4}));
    EXPECT_EQ(f.def.cw.x, 0.6);
    ASSERT_EQ(f.attachments.size(), 1u);
    EXPECT_EQ(f.attachments[0]->id, "TOP");
}

// A CollisionHull file gives every vertex, with the simulator's values where a line leaves them out.
TEST_F(SimulatorTree, CollisionHullGivesTheTouchdownVertices) {
    quva::Simulation sim(options());
    sim.loadScenario(quva::parseScenario(ships("H:Hulled\n" + kFlying + "END\n"), "h.scn"));
    const auto &t = sim.vessel("H").def.touchdown;
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].pos, (quva::Vec3{0, -1, 2}));
    EXPECT_EQ(t[0].stiffness, 2e5);
    EXPECT_EQ(t[0].damping, 3e4);
    EXPECT_EQ(t[0].mu, 0.8);
    EXPECT_EQ(t[0].muLng, 0.2);
    EXPECT_EQ(t[1].stiffness, 1e6);
    EXPECT_EQ(t[1].damping, 1e5);
    EXPECT_EQ(t[1].mu, 0.5);
    EXPECT_EQ(t[2].stiffness, 5e5);
    EXPECT_EQ(t[3].pos, (quva::Vec3{0, 1, 0}));
}

// Lines naming parts the vessel lacks are ignored with a warning naming the line, as the
// simulator ignores them; levels out of range are taken as the nearest it fires at.
TEST_F(SimulatorTree, MissingPartsAndOddLevelsAreWarnedAboutNeverRefused) {
    quva::Simulation sim(options());
    sim.loadScenario(quva::parseScenario(
        ships("F:Freighter\n" + kFlying + "  PRPLEVEL 0:1.5 1:-0.2 7:1 -3:1\n  THLEVEL 40:1 -1:1 0:-0.5 1:2\nEND\n"
              "P:Sub\\Probe\n" + kFlying + "  PRPLEVEL -1:0.5\nEND\n"),
        "m.scn"));
    const quva::Vessel &f = sim.vessel("F");
    EXPECT_EQ(f.propellants[0]->mass, 800.0);  // above full: full
    EXPECT_EQ(f.propellants[1]->mass, 0.0);    // below empty: empty
    EXPECT_EQ(f.thrusters[0]->level, 0.0);
    EXPECT_EQ(f.thrusters[1]->level, 1.0);
    EXPECT_EQ(sim.vessel("P").propellants[0]->mass, 5.0);  // -1: every store
    EXPECT_TRUE(anyWarningHas(sim, "m.scn:6", "store 7"));
    EXPECT_TRUE(anyWarningHas(sim, "m.scn:6", "store -3"));
    EXPECT_TRUE(anyWarningHas(sim, "m.scn:7", "thruster 40"));
    EXPECT_TRUE(anyWarningHas(sim, "m.scn:7", "thruster -1"));
}

// DOCKINFO to a vessel the scenario lacks is a warning naming the line, the line kept; an
// ATTACHED parent is found without regard to case, as the simulator finds it.
TEST_F(SimulatorTree, DockPartnerMissingAndParentNamedInOtherCase) {
    quva::Simulation sim(options());
    sim.loadScenario(quva::parseScenario(
        ships("F:Freighter\n" + kFlying + "  DOCKINFO 0:0,Ghost\nEND\n" +
              "Cover:Pilmont\n" + kFlying + "  ATTACHED 0:0,f\nEND\n"),
        "d.scn"));
    EXPECT_TRUE(anyWarningHas(sim, "d.scn:6", "\"Ghost\""));
    EXPECT_EQ(sim.vessel("Cover").parent(), &sim.vessel("F"));
    const std::string saved = sim.saveScenarioText();
    EXPECT_NE(saved.find("  DOCKINFO 0:0,Ghost\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("  ATTACHED 0:0,F\n"), std::string::npos) << saved;
}

// BASE registers the vessel on the first pad within 30 m and fills its stores (unless asked not
// to); without a BASE line a vessel on a pad is registered on none; a base that is not there is
// an error at its line even when POS gives the place.
TEST_F(SimulatorTree, BaseLinesRegisterTheVesselOnAPad) {
    char pos[64];
    std::snprintf(pos, sizeof pos, "  POS 10.0000000 %.7f\n", kPadLat);
    const std::string onPad = "  STATUS Landed Earth\n  BASE Sand Field:2\n" + std::string(pos) + "  PRPLEVEL 0:0.2\n";
    const std::string text =
        ships("A:Freighter\n" + onPad + "END\nB:Freighter\n  STATUS Landed Earth\n" + pos + "END\n" +
              "C:Freighter\n  STATUS Landed Earth\n  BASE Sand Field\n  POS 11 20\nEND\n");
    for (bool refuel : {true, false}) {
        SCOPED_TRACE(refuel);
        quva::SimulationOptions o = options();
        o.refuelOnPad = refuel;
        quva::Simulation sim(o);
        sim.loadScenario(quva::parseScenario(text, "b.scn"));
        EXPECT_EQ(sim.vessel("A").propellants[0]->mass, refuel ? 800.0 : 160.0);
        const std::string saved = sim.saveScenarioText();
        // Pad 1 is under it: the 30 m test overrides the pad the line names.
        EXPECT_NE(blockOf(saved, "A:Freighter").find("  BASE Sand Field:1\n"), std::string::npos) << saved;
        EXPECT_EQ(blockOf(saved, "B:Freighter").find("BASE"), std::string::npos) << saved;
        EXPECT_EQ(blockOf(saved, "C:Freighter").find("BASE"), std::string::npos) << saved;
    }
    quva::Simulation sim(options());
    try {
        sim.loadScenario(quva::parseScenario(
            ships("C:Freighter\n  STATUS Landed Earth\n  BASE Cape Nowhere\n  POS 11 20\nEND\n"), "c.scn"));
        ADD_FAILURE() << "no error";
    } catch (const quva::InputError &e) {
        EXPECT_EQ(e.line(), 4);
        EXPECT_NE(std::string(e.what()).find("Cape Nowhere"), std::string::npos) << e.what();
    }
}

}  // namespace
