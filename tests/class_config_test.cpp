#include <gtest/gtest.h>

#include "core/module_registry.h"
#include "files/scenario.h"

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
                      BadConfig{"EmptyModule", "Module =\n", 1},
                      BadConfig{"AttachmentKind", "BEGIN_ATTACHMENT\nQ 0 0 0 0 0 1 0 1 0 X\nEND_ATTACHMENT\n", 2},
                      BadConfig{"AttachmentShort", "BEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 X\nEND_ATTACHMENT\n", 2},
                      BadConfig{"AttachmentNoId", "BEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 0\nEND_ATTACHMENT\n", 2},
                      BadConfig{"AttachmentNumber", "BEGIN_ATTACHMENT\nP 0 0 z 0 0 1 0 1 0 X\nEND_ATTACHMENT\n", 2},
                      BadConfig{"Unterminated", "Mass = 1\nBEGIN_ATTACHMENT\nP 0 0 0 0 0 1 0 1 0 X\n", 2},
                      BadConfig{"StrayEnd", "Mass = 1\nEND_ATTACHMENT\n", 2}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
