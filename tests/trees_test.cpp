// Several trees at once: the user's trees are searched before quva's own, in order, for class
// configurations, modules and meshes; a tree named twice is searched once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/module_registry.h"
#include "core/simulation.h"
#include "files/mesh.h"
#include "module_test_support.h"

namespace {

namespace fs = std::filesystem;

class Trees : public ::testing::Test {
protected:
    void SetUp() override {
        first = fs::temp_directory_path() / quvatest::uniqueName("trees-first");
        second = fs::temp_directory_path() / quvatest::uniqueName("trees-second");
        put(first / "Config/Vessels/Crate.cfg", "Mass = 100\n");
        put(second / "Config/Vessels/Crate.cfg", "Mass = 200\n");
        put(second / "Config/Vessels/Barrel.cfg", "Mass = 300\n");
        put(second / "Config/Drum.cfg", "Mass = 400\n");  // the folder the simulator looks in second
        put(second / "Meshes/Cargo/Crate.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 2\n");
    }
    void TearDown() override {
        fs::remove_all(first);
        fs::remove_all(second);
    }
    static void put(const fs::path &p, const std::string &text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    fs::path first, second;
};

TEST_F(Trees, ClassConfigurationsComeFromTheFirstTreeThatHasThem) {
    quva::ModuleRegistry registry({first, second});
    const struct {
        const char *className;
        double mass;
        fs::path file;
    } cases[] = {
        {"Crate", 100, first / "Config/Vessels/Crate.cfg"},
        {"Barrel", 300, second / "Config/Vessels/Barrel.cfg"},
        {"Drum", 400, second / "Config/Drum.cfg"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.className);
        EXPECT_TRUE(registry.knows(c.className));
        const quva::VesselClass &vc = registry.vesselClass(c.className);
        ASSERT_TRUE(vc.config);
        EXPECT_EQ(*vc.config->mass, c.mass);
        EXPECT_EQ(vc.config->file, c.file);
        EXPECT_EQ(vc.module, nullptr);
    }
    EXPECT_FALSE(registry.knows("Pilmont"));  // neither tree has its module
    try {
        registry.vesselClass("Cask");
        FAIL() << "no error";
    } catch (const std::runtime_error &e) {
        const std::string what = e.what();
        EXPECT_NE(what.find((first / "Modules").string()), std::string::npos) << what;
        EXPECT_NE(what.find((second / "Modules").string()), std::string::npos) << what;
    }
}

TEST_F(Trees, MeshesComeFromAnyTree) {
    quva::MeshStore store({first / "Meshes", second / "Meshes"});
    std::string problem;
    const quva::Mesh *crate = store.load("Cargo/Crate", &problem);
    ASSERT_NE(crate, nullptr) << problem;
    EXPECT_EQ(crate->groups.size(), 1u);
    EXPECT_EQ(store.load("Cargo/Gone", &problem), nullptr);
    EXPECT_NE(problem.find((first / "Meshes" / "Cargo/Gone.msh").string()), std::string::npos) << problem;
    EXPECT_NE(problem.find((second / "Meshes").string()), std::string::npos) << problem;
}

TEST_F(Trees, SimulationSearchesTheUsersTreesBeforeItsOwn) {
    quva::SimulationOptions options = quvatest::hostOptions(1.0);
    options.extraRoots = {first, options.root, second, first};
    EXPECT_EQ(quva::searchRoots(options), (std::vector<fs::path>{first, options.root, second}));
    options.extraRoots = {second};
    quva::Simulation sim(options);
    // The user's tree gives the configuration, quva's own the module.
    EXPECT_EQ(sim.createVessel("C", "Crate").def.emptyMass, 200.0);
    EXPECT_NE(sim.createVessel("P", "Pilmont").module, nullptr);
}

}  // namespace
