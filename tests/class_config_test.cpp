#include <gtest/gtest.h>

#include "core/module_registry.h"
#include "files/scenario.h"
#include "module_test_support.h"

namespace {

using quva::parseClassConfig;

TEST(ClassConfig, ReadsKeysAndAttachments) {
    const auto cfg = parseClassConfig(
        "; released cover\n"
        "ClassName = Cover\n"
        "module = Pilmont   ; the module\n"
        "SIZE = 2.5\n"
        "Mass=+120\n"
        "Inertia = 1 2.5 -3e-1\n"
        "CrossSections = 4 4 6\n"
        "Meshname = Quva/Pilmont\n"
        "BEGIN_DOCKLIST\n"
        "0 0 1 0 0 1 0 1 0\n"
        "END_DOCKLIST\n"
        "begin_attachment\n"
        "P 0 0 -1  0 0 1  0 1 0  X\n"
        "c 1 2 3   0 0 -1 1 0 0  GS\n"
        "END_ATTACHMENT\n",
        "Cover.cfg");
    EXPECT_EQ(cfg.file, "Cover.cfg");
    EXPECT_EQ(cfg.module, "Pilmont");
    EXPECT_EQ(cfg.size, 2.5);
    EXPECT_EQ(cfg.mass, 120.0);
    EXPECT_EQ(cfg.inertia, (quva::Vec3{1, 2.5, -0.3}));
    EXPECT_EQ(cfg.crossSections, (quva::Vec3{4, 4, 6}));
    EXPECT_EQ(cfg.meshName, "Quva/Pilmont");
    ASSERT_EQ(cfg.attachments.size(), 2u);
    EXPECT_TRUE(cfg.attachments[0].toParent);
    EXPECT_EQ(cfg.attachments[0].pos, (quva::Vec3{0, 0, -1}));
    EXPECT_EQ(cfg.attachments[0].id, "X");
    EXPECT_FALSE(cfg.attachments[1].toParent);
    EXPECT_EQ(cfg.attachments[1].dir, (quva::Vec3{0, 0, -1}));
    EXPECT_EQ(cfg.attachments[1].rot, (quva::Vec3{1, 0, 0}));
    EXPECT_EQ(cfg.attachments[1].id, "GS");
}

TEST(ClassConfig, AbsentKeysStayEmpty) {
    const auto cfg = parseClassConfig("MeshName = Quva/Box\r\n", "Box.cfg");
    EXPECT_FALSE(cfg.module);
    EXPECT_FALSE(cfg.mass);
    EXPECT_FALSE(cfg.inertia);
    EXPECT_EQ(cfg.meshName, "Quva/Box");
    EXPECT_TRUE(cfg.attachments.empty());
}

struct BadConfig {
    const char *name;
    const char *text;
    int line;
};

class ClassConfigError : public ::testing::TestWithParam<BadConfig> {};

TEST_P(ClassConfigError, NamesFileAndLine) {
    try {
        parseClassConfig(GetParam().text, "Bad.cfg");
        FAIL() << "accepted";
    } catch (const quva::InputError &e) {
        EXPECT_EQ(e.file(), "Bad.cfg");
        EXPECT_EQ(e.line(), GetParam().line) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassConfigError,
    ::testing::Values(BadConfig{"MassNotNumber", "Size = 1\nMass = heavy\n", 2},
                      BadConfig{"MassTwoNumbers", "Mass = 1 2\n", 1},
                      BadConfig{"MassZero", "Mass = 0\n", 1},
                      BadConfig{"SizeNegative", "Size = -1\n", 1},
                      BadConfig{"SizeTrailing", "Size = 1.5m\n", 1},
                      BadConfig{"InertiaTwo", "\nInertia = 1 2\n", 2},
                      BadConfig{"CrossSectionsFour", "CrossSections = 1 2 3 4\n", 1},
                      BadConfig{"AttachmentShort", "BEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 X\nEND_ATTACHMENT\n", 2},
                      BadConfig{"AttachmentTypeWord", "BEGIN_ATTACHMENT\nPC 0 0 0 0 0 1 0 1 0 X\nEND_ATTACHMENT\n", 2},
                      BadConfig{"StoreWithoutMass", "PropellantResource1 = lots\n", 1},
                      BadConfig{"IspZero", "Isp = 0\n", 1},
                      BadConfig{"DockRefShort", "DockRef = 0 0\nDockDir = 0 0 1\nDockRot = 0 1 0\n", 1},
                      BadConfig{"AttachmentNumber", "BEGIN_ATTACHMENT\nP 0 0 z 0 0 1 0 1 0 X\nEND_ATTACHMENT\n", 2},
                      BadConfig{"Unterminated", "Mass = 1\nBEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 0 X\n", 2}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace

namespace {

using quva::parseClassConfig;

// Items as the simulator finds them: the first of a label counts, END_PARSE ends the search, an
// empty value is no value; lists from their column-0 headers, by prefix.
TEST(ClassConfig, ItemsAreFoundAsTheSimulatorFindsThem) {
    const auto cfg = parseClassConfig("Mass = 100\n"
                                      "MASS = 200\n"
                                      "Module =\n"
                                      "Isp = 3000 ; m/s\n"
                                      "END_PARSE\n"
                                      "Size = 7\n",
                                      "Items.cfg");
    EXPECT_EQ(cfg.mass, 100.0);
    EXPECT_FALSE(cfg.module);
    EXPECT_EQ(cfg.isp, 3000.0);
    EXPECT_FALSE(cfg.size);
}

TEST(ClassConfig, ReadsEveryKeyOfTheCore) {
    const auto cfg = parseClassConfig("BaseClass = Sub\\Generic\n"
                                      "GravityGradientDamping = 20\n"
                                      "CW = 0.2 0.4 0.6 0.8\n"
                                      "RotResistance = 0.1 0.2 0.3\n"
                                      "CameraOffset = 0 1 2\n"
                                      "TouchdownPoints = 0 -2 5  -2 -2 -3  2 -2 -3  9 9 9\n"
                                      "PropellantResource1 = 500 0.9\n"
                                      "PropellantResource2 = 200\n"
                                      "PropellantResource4 = 999\n"
                                      "MaxFuel = 50\n"
                                      "Isp = 4000\n"
                                      "MaxMainThrust = 2e4\n"
                                      "MaxHoverThrust = 1e4\n"
                                      "MaxAttitudeThrust = 1000\n"
                                      "DockRef = 0 0 4\nDockDir = 0 0 1\nDockRot = 0 1 0\n",
                                      "All.cfg");
    EXPECT_EQ(cfg.baseClass, "Sub\\Generic");
    EXPECT_EQ(cfg.gravityGradientDamping, 20.0);
    EXPECT_EQ(cfg.cw, (std::array<double, 4>{0.2, 0.4, 0.6, 0.8}));
    EXPECT_EQ(cfg.rotResistance, (quva::Vec3{0.1, 0.2, 0.3}));
    EXPECT_EQ(cfg.cameraOffset, (quva::Vec3{0, 1, 2}));
    ASSERT_TRUE(cfg.touchdownPoints);  // numbers past the ninth are ignored
    EXPECT_EQ((*cfg.touchdownPoints)[0], (quva::Vec3{0, -2, 5}));
    EXPECT_EQ((*cfg.touchdownPoints)[2], (quva::Vec3{2, -2, -3}));
    // The stores stop at the first number missing: PropellantResource4 follows no 3.
    ASSERT_EQ(cfg.stores.size(), 2u);
    EXPECT_EQ(cfg.stores[0].maxMass, 500.0);
    EXPECT_EQ(cfg.stores[0].efficiency, 0.9);
    EXPECT_EQ(cfg.stores[1].efficiency, 1.0);
    EXPECT_EQ(cfg.maxFuel, 50.0);
    EXPECT_EQ(cfg.maxMainThrust, 2e4);
    EXPECT_FALSE(cfg.maxRetroThrust);
    EXPECT_EQ(cfg.maxAttitudeThrust, 1000.0);
    ASSERT_TRUE(cfg.dockKeys);
    EXPECT_EQ(cfg.dockKeys->pos, (quva::Vec3{0, 0, 4}));
    EXPECT_TRUE(cfg.warnings.empty());
}

TEST(ClassConfig, TouchdownPointsWithFewerThanNineNumbersAreIgnoredWithAWarning) {
    const auto cfg = parseClassConfig("Mass = 1\nTouchdownPoints = 0 -2 5  -2 -2 -3  2 -2\n", "Legs.cfg");
    EXPECT_FALSE(cfg.touchdownPoints);
    ASSERT_EQ(cfg.warnings.size(), 1u);
    EXPECT_NE(cfg.warnings[0].find("Legs.cfg:2:"), std::string::npos) << cfg.warnings[0];
}

// Every line of a dock list makes a port, a blank one too (at the origin, pointing nowhere); a
// tenth number is the beacon's step.
TEST(ClassConfig, DockListLineByLine) {
    const auto cfg = parseClassConfig("BEGIN_DOCKLIST\n"
                                      "0 0 5  0 0 1  0 1 0  3 ; forward\n"
                                      "\n"
                                      "0 0 -5  0 0 -1  0 1 0\n"
                                      "end_docklist\n",
                                      "Docks.cfg");
    ASSERT_EQ(cfg.docks.size(), 3u);
    EXPECT_EQ(cfg.docks[0].pos, (quva::Vec3{0, 0, 5}));
    EXPECT_EQ(cfg.docks[0].idsStep, 3);
    EXPECT_EQ(cfg.docks[1].pos, (quva::Vec3{}));
    EXPECT_EQ(cfg.docks[1].dir, (quva::Vec3{}));
    EXPECT_FALSE(cfg.docks[2].idsStep);
    EXPECT_EQ(cfg.docks[2].dir, (quva::Vec3{0, 0, -1}));
    ASSERT_EQ(cfg.warnings.size(), 1u);
    EXPECT_NE(cfg.warnings[0].find("Docks.cfg:3:"), std::string::npos) << cfg.warnings[0];
}

// A comment line inside an attachment list repeats the point before it with an empty id, as the
// simulator does, and says so; any type letter but P is a point for a child; the id may be missing.
TEST(ClassConfig, AttachmentListLineByLine) {
    const auto cfg = parseClassConfig("BEGIN_ATTACHMENTS\n"
                                      "P 0 0 -1  0 0 -1  0 1 0  TOP\n"
                                      "; the chutes\n"
                                      "x 0 0 2  0 0 1  0 1 0\n"
                                      "END_ATTACHMENT\n",
                                      "Points.cfg");
    ASSERT_EQ(cfg.attachments.size(), 3u);
    EXPECT_TRUE(cfg.attachments[1].toParent);
    EXPECT_EQ(cfg.attachments[1].pos, (quva::Vec3{0, 0, -1}));
    EXPECT_EQ(cfg.attachments[1].id, "");
    EXPECT_FALSE(cfg.attachments[2].toParent);
    EXPECT_EQ(cfg.attachments[2].pos, (quva::Vec3{0, 0, 2}));
    EXPECT_EQ(cfg.attachments[2].id, "");
    ASSERT_EQ(cfg.warnings.size(), 1u);
    EXPECT_NE(cfg.warnings[0].find("Points.cfg:3:"), std::string::npos) << cfg.warnings[0];
}

// quva's own class files read the same in the simulator: no line inside a list but points.
TEST(ClassConfig, QuvasOwnClassFilesHoldNoLineTheSimulatorWouldMakeAPointOf) {
    for (const char *name : {"QuvaCapsule", "QuvaServiceModule"}) {
        SCOPED_TRACE(name);
        const std::string file = std::string(QUVA_BUILD_ROOT) + "/Config/Vessels/" + name + ".cfg";
        const auto cfg = parseClassConfig(quvatest::fileText(file), file);
        EXPECT_TRUE(cfg.warnings.empty()) << cfg.warnings.front();
        EXPECT_FALSE(cfg.attachments.empty());
    }
}

// A hull file whose vertex has fewer than three numbers is ignored whole, as by the simulator.
TEST(ClassConfig, CollisionHullWithAShortVertexIsIgnoredWhole) {
    std::string problem;
    EXPECT_EQ(quva::parseCollisionHull("3\n0 0 0\n1 1\n2 2 2\n", "H.dat", problem).size(), 0u);
    EXPECT_NE(problem.find("H.dat:3:"), std::string::npos) << problem;
    problem.clear();
    EXPECT_EQ(quva::parseCollisionHull("2\n0 0 0\n1 1 1\n", "H.dat", problem).size(), 0u);
    EXPECT_FALSE(problem.empty());
    problem.clear();
    EXPECT_EQ(quva::parseCollisionHull("3\n0 0 0\n1 1 1 ; apex\n2 2 2\n", "H.dat", problem).size(), 3u);
    EXPECT_TRUE(problem.empty()) << problem;
}

// A base class's keys come first; the derived file's single values replace them, its lists add
// to them, and the module is the derived file's own.
TEST(ClassConfig, BaseClassKeysComeFirst) {
    auto base = parseClassConfig("Module = BaseOnly\nMass = 10\nSize = 3\nPropellantResource1 = 100\n"
                                 "BEGIN_ATTACHMENT\nC 0 0 1 0 0 1 0 1 0 A\nEND_ATTACHMENT\n",
                                 "Base.cfg");
    auto derived = parseClassConfig("BaseClass = Base\nMass = 20\nPropellantResource1 = 5\n"
                                    "BEGIN_ATTACHMENT\nC 0 0 2 0 0 1 0 1 0 B\nEND_ATTACHMENT\n",
                                    "Derived.cfg");
    const auto cfg = quva::withBaseClass(base, derived);
    EXPECT_FALSE(cfg.module);
    EXPECT_EQ(cfg.mass, 20.0);
    EXPECT_EQ(cfg.size, 3.0);
    ASSERT_EQ(cfg.stores.size(), 2u);
    EXPECT_EQ(cfg.stores[0].maxMass, 100.0);
    ASSERT_EQ(cfg.attachments.size(), 2u);
    EXPECT_EQ(cfg.attachments[0].id, "A");
    EXPECT_EQ(cfg.attachments[1].id, "B");
}

}  // namespace
