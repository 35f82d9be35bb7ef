// Surface bases: base files read in the simulator's form, pads numbered in order of appearance,
// trees searched in order, and clear errors for a base that is missing or a file that is broken.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/simulation.h"
#include "files/bases.h"
#include "files/scenario.h"
#include "module_test_support.h"

namespace {

namespace fs = std::filesystem;

// Written as the simulator's own base files are: items, then objects each closed by END.
const std::string kCrater = "BASE-V2.0\n"
                            "; a base on the far side\n"
                            "Name = Crater Rim Depot\n"
                            "Location = 150.25 -12.5   ; lon lat\n"
                            "Size = 800\n"
                            "\n"
                            "BEGIN_OBJECTLIST\n"
                            "LPAD1\n"
                            "  POS 200 0 0\n"
                            "  TEX Lpad01\n"
                            "END\n"
                            "BLOCK\n"
                            "  POS 0 5 0\n"
                            "  SCALE 10 10 10\n"
                            "END\n"
                            "lpad2a\n"
                            "  POS -100 0.5 -173.21\n"
                            "END\n"
                            "LPAD2\n"
                            "  SCALE 20\n"
                            "  POS 0 0 173.21\n"
                            "END\n"
                            "END_OBJECTLIST\n";

TEST(BaseFile, PadsInOrderOfAppearanceSceneryNotCounted) {
    quva::SurfaceBase base;
    ASSERT_TRUE(quva::parseBaseFile(kCrater, "Crater.cfg", base));
    EXPECT_EQ(base.name, "Crater Rim Depot");
    EXPECT_DOUBLE_EQ(base.lonDeg, 150.25);
    EXPECT_DOUBLE_EQ(base.latDeg, -12.5);
    EXPECT_EQ(base.file, "Crater.cfg");
    ASSERT_EQ(base.pads.size(), 3u);
    EXPECT_EQ(base.pads[0], (quva::Vec3{200, 0, 0}));
    EXPECT_EQ(base.pads[1], (quva::Vec3{-100, 0.5, -173.21}));
    EXPECT_EQ(base.pads[2], (quva::Vec3{0, 0, 173.21}));
}

TEST(BaseFile, OtherFilesAreNoBases) {
    quva::SurfaceBase base;
    EXPECT_FALSE(quva::parseBaseFile("Name = Somewhere\nLocation = 1 2\n", "x.cfg", base));
    EXPECT_FALSE(quva::parseBaseFile("", "x.cfg", base));
    EXPECT_TRUE(quva::parseBaseFile("; header comment\n\nBASE-V2.0\nName = A\nLocation = 1 2\n", "x.cfg", base));
    EXPECT_TRUE(base.pads.empty());
}

TEST(BaseFile, MalformedFilesNameTheirLine) {
    const struct {
        const char *name;
        std::string text;
        int line;
        const char *says;
    } cases[] = {
        {"NoName", "BASE-V2.0\nLocation = 1 2\n", 1, "Name"},
        {"NoLocation", "BASE-V2.0\nName = A\n", 2, "Location"},
        {"LocationShort", "BASE-V2.0\nName = A\nLocation = 12.5\n", 3, "Location"},
        {"LocationNotANumber", "BASE-V2.0\nName = A\nLocation = east north\n", 3, "Location"},
        {"LatitudeBeyondThePole", "BASE-V2.0\nName = A\nLocation = 10 91\n", 3, "Location"},
        {"PadWithoutPosition", "BASE-V2.0\nName = A\nLocation = 1 2\nBEGIN_OBJECTLIST\nLPAD1\n  SCALE 2\nEND\nEND_OBJECTLIST\n",
         5, "pad 1 has no POS"},
        {"PadPositionShort", "BASE-V2.0\nName = A\nLocation = 1 2\nBEGIN_OBJECTLIST\nLPAD1\n  POS 1 2\nEND\nEND_OBJECTLIST\n",
         6, "three numbers"},
        {"ObjectWithoutEnd", "BASE-V2.0\nName = A\nLocation = 1 2\nBEGIN_OBJECTLIST\nLPAD1\n  POS 1 2 3\nEND_OBJECTLIST\n", 5,
         "no END"},
        {"ListWithoutEnd", "BASE-V2.0\nName = A\nLocation = 1 2\nBEGIN_OBJECTLIST\nLPAD1\n  POS 1 2 3\nEND\n", 4,
         "END_OBJECTLIST"},
        {"BinaryData", "BASE-V2.0\nName = A\x01\n", 2, "binary"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        quva::SurfaceBase base;
        try {
            quva::parseBaseFile(c.text, "Broken.cfg", base);
            ADD_FAILURE() << "no error";
        } catch (const quva::InputError &e) {
            EXPECT_EQ(e.file(), "Broken.cfg");
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

// Two trees, each with bases for the Moon: the first tree's base wins over one of the same name
// (in any case) in the second.
class TwoTrees : public ::testing::Test {
protected:
    void SetUp() override {
        user = fs::temp_directory_path() / quvatest::uniqueName("bases-user");
        own = fs::temp_directory_path() / quvatest::uniqueName("bases-own");
        put(user / "Config/Moon/Base/Crater.cfg", kCrater);
        put(user / "Config/Moon/Base/Notes.cfg", "Not a base file, just notes.\n");
        put(own / "Config/Moon/Base/Other.cfg", "BASE-V2.0\nName = crater rim depot\nLocation = 0 0\n");
        put(own / "Config/Moon/Base/Plain.cfg", "BASE-V2.0\nName = Plain\nLocation = -3 4\n");
        put(own / "Config/Earth/Base/Field.cfg", "BASE-V2.0\nName = Field\nLocation = 5 6\n");
    }
    void TearDown() override {
        fs::remove_all(user);
        fs::remove_all(own);
    }
    static void put(const fs::path &p, const std::string &text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    fs::path user, own;
};

TEST_F(TwoTrees, BasesOfABodyComeFromEveryTreeFirstTreeFirst) {
    quva::BaseCatalog catalog({user, own});
    const auto &moon = catalog.of("Moon");
    ASSERT_EQ(moon.size(), 2u);
    EXPECT_EQ(moon[0].name, "Crater Rim Depot");
    EXPECT_EQ(moon[0].pads.size(), 3u);
    EXPECT_EQ(moon[1].name, "Plain");
    EXPECT_DOUBLE_EQ(moon[1].lonDeg, -3.0);
    EXPECT_EQ(catalog.find("Moon", "Plain").file, (own / "Config" / "Moon" / "Base" / "Plain.cfg").string());
    EXPECT_EQ(catalog.find("Earth", "Field").latDeg, 6.0);
    EXPECT_TRUE(catalog.of("Mars").empty());
}

TEST_F(TwoTrees, UnknownBaseNamesTheBaseTheBodyAndEveryFolder) {
    quva::BaseCatalog catalog({user, own});
    for (const char *name : {"Nowhere", "plain"}) {  // names are matched exactly
        SCOPED_TRACE(name);
        try {
            catalog.find("Moon", name);
            ADD_FAILURE() << "no error";
        } catch (const quva::BaseNotFound &e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(std::string("\"") + name + "\""), std::string::npos) << what;
            EXPECT_NE(what.find("Moon"), std::string::npos) << what;
            EXPECT_NE(what.find((user / "Config" / "Moon" / "Base").string()), std::string::npos) << what;
            EXPECT_NE(what.find((own / "Config" / "Moon" / "Base").string()), std::string::npos) << what;
        }
    }
}

TEST_F(TwoTrees, BrokenBaseFileIsAnErrorNamingItsLine) {
    put(own / "Config/Moon/Base/Broken.cfg", "BASE-V2.0\nName = Broken\nLocation = 1\n");
    quva::BaseCatalog catalog({user, own});
    try {
        catalog.of("Moon");
        FAIL() << "no error";
    } catch (const quva::InputError &e) {
        EXPECT_EQ(e.file(), (own / "Config" / "Moon" / "Base" / "Broken.cfg").string());
        EXPECT_EQ(e.line(), 3);
    }
}

// Quva's own landing field, which the simulation finds in its tree.
TEST(QuvaField, FourPadsInARowFromNorthToSouth) {
    quva::Simulation sim(quvatest::hostOptions(1.0));
    const quva::SurfaceBase &field = sim.bases().find("Moon", "Quva Field");
    EXPECT_DOUBLE_EQ(field.lonDeg, -12.5);
    EXPECT_DOUBLE_EQ(field.latDeg, 8.25);
    ASSERT_EQ(field.pads.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(field.pads[i], (quva::Vec3{-150.0 + 100.0 * static_cast<double>(i), 0, 0}));
}

}  // namespace
