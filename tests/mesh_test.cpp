#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/mesh.h"
#include "files/scenario.h"

namespace {

using quva::InputError;
using quva::parseMesh;

const char *kTwoGroups =
    "MSHX1\n"
    "GROUPS 2\n"
    "LABEL Canopy top\n"
    "MATERIAL 1\n"
    "TEXTURE 0\n"
    "FLAG 2\n"
    "GEOM 3 1 ; a comment\n"
    "0 0 0  0 0 1  0 0\n"
    "1 0 0  0 0 1  1 0\n"
    "0 1 0  0 0 1  0 1\n"
    "0 1 2\n"
    "\n"
    "NONORMAL\n"
    "ZBIAS 1\n"
    "TEXWRAP UV\n"
    "GEOM 4 2\n"
    "0 0 0\n"
    "2 0 0\n"
    "2 2 -1.5e1\n"
    "0 2 0\n"
    "0 1 2\n"
    "0 2 3\n"
    "MATERIALS 1\n"
    "white\n"
    "MATERIAL white\n"
    "1 1 1 1\n"
    "TEXTURES 0\n";

TEST(MeshParse, ReadsGroupsVerticesNormalsAndTriangles) {
    const quva::Mesh m = parseMesh(kTwoGroups, "two.msh");
    ASSERT_EQ(m.groups.size(), 2u);
    EXPECT_EQ(m.groups[0].label, "Canopy top");
    ASSERT_EQ(m.groups[0].positions.size(), 3u);
    EXPECT_EQ(m.groups[0].positions[1], (quva::Vec3{1, 0, 0}));
    ASSERT_EQ(m.groups[0].normals.size(), 3u);
    EXPECT_EQ(m.groups[0].normals[2], (quva::Vec3{0, 0, 1}));
    EXPECT_EQ(m.groups[1].label, "");
    EXPECT_TRUE(m.groups[1].normals.empty());
    EXPECT_EQ(m.groups[1].positions[2], (quva::Vec3{2, 2, -15}));
    ASSERT_EQ(m.groups[1].triangles.size(), 2u);
    EXPECT_EQ(m.groups[1].triangles[1], (std::array<std::uint32_t, 3>{0, 2, 3}));
}

TEST(MeshParse, AcceptsEmptyGroupsAndNoTrailer) {
    const quva::Mesh m = parseMesh("MSHX1\r\nGROUPS 1\r\nGEOM 0 0\r\n", "empty.msh");
    ASSERT_EQ(m.groups.size(), 1u);
    EXPECT_TRUE(m.groups[0].positions.empty());
}

struct BadMesh {
    const char *name;
    const char *text;
    int line;
    const char *words;  // a piece of the message
};

class MeshParseError : public ::testing::TestWithParam<BadMesh> {};

TEST_P(MeshParseError, NamesFileAndLine) {
    const BadMesh &c = GetParam();
    try {
        parseMesh(c.text, "bad.msh");
        FAIL() << "no error for " << c.name;
    } catch (const InputError &e) {
        EXPECT_EQ(e.file(), "bad.msh");
        EXPECT_EQ(e.line(), c.line) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeshParseError,
    ::testing::Values(
        BadMesh{"Empty", "", 1, "MSHX1"},
        BadMesh{"Header", "MSHX2\nGROUPS 0\n", 1, "MSHX1"},
        BadMesh{"GroupsKeyword", "MSHX1\nGROUP 1\n", 2, "GROUPS"},
        BadMesh{"GroupCount", "MSHX1\nGROUPS two\n", 2, "group count"},
        BadMesh{"NegativeCount", "MSHX1\nGROUPS 1\nGEOM -1 0\n", 3, "vertex count"},
        BadMesh{"GeomArgs", "MSHX1\nGROUPS 1\nGEOM 1\n", 3, "GEOM takes 2"},
        BadMesh{"VertexFour", "MSHX1\nGROUPS 1\nGEOM 1 0\n1 2 3 4\n", 4, "3, 6 or 8"},
        BadMesh{"VertexSeven", "MSHX1\nGROUPS 1\nGEOM 1 0\n1 2 3 4 5 6 7\n", 4, "3, 6 or 8"},
        BadMesh{"VertexNumber", "MSHX1\nGROUPS 1\nGEOM 1 0\n1 2 x\n", 4, "'x'"},
        BadMesh{"MixedNormals", "MSHX1\nGROUPS 1\nGEOM 2 0\n0 0 0 0 0 1\n1 1 1\n", 5, "normal"},
        BadMesh{"IndexRange", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1 3\n", 7, "out of range"},
        BadMesh{"TriangleCount", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 1 0\n0 1\n", 7, "3 vertex indices"},
        BadMesh{"MissingVertex", "MSHX1\nGROUPS 1\nGEOM 3 0\n0 0 0\n1 0 0\n", 5, "vertex 2 of 3"},
        BadMesh{"MissingTriangle", "MSHX1\nGROUPS 1\nGEOM 1 1\n0 0 0\n", 4, "triangle 0 of 1"},
        BadMesh{"MissingGroup", "MSHX1\nGROUPS 2\nGEOM 0 0\n", 3, "GEOM of group 1"},
        BadMesh{"UnknownDirective", "MSHX1\nGROUPS 1\nCOLOUR 3\nGEOM 0 0\n", 3, "'COLOUR'"},
        BadMesh{"Trailing", "MSHX1\nGROUPS 1\nGEOM 0 0\nGEOM 0 0\n", 4, "after the last group"},
        BadMesh{"MissingTexture", "MSHX1\nGROUPS 0\nTEXTURES 2\na.dds\n", 4, "texture 1 of 2"}),
    [](const auto &info) { return std::string(info.param.name); });

class MeshStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("quva_mesh_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "Quva");
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void write(const std::string &rel, const std::string &text) { std::ofstream(dir / rel) << text; }

    std::filesystem::path dir;
};

TEST_F(MeshStoreTest, LoadsOnceAndSharesTheMesh) {
    write("Quva/Box.msh", "MSHX1\nGROUPS 1\nGEOM 1 0\n1 2 3\n");
    quva::MeshStore store(dir);
    std::string problem = "untouched";
    const quva::Mesh *a = store.load("Quva/Box", &problem);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(problem, "untouched");
    EXPECT_EQ(a->name, "Quva/Box");
    EXPECT_EQ(a->groups.at(0).positions.at(0), (quva::Vec3{1, 2, 3}));
    std::filesystem::remove(dir / "Quva/Box.msh");  // a second load must not go back to the file
    EXPECT_EQ(store.load("Quva/Box"), a);
    EXPECT_EQ(store.size(), 1u);
}

TEST_F(MeshStoreTest, MissingFileGivesNullAndNamesTheFile) {
    quva::MeshStore store(dir);
    std::string problem;
    EXPECT_EQ(store.load("Quva/Nowhere", &problem), nullptr);
    EXPECT_NE(problem.find("Nowhere.msh"), std::string::npos) << problem;

    // The failure is remembered: creating the file afterwards does not change the answer.
    write("Quva/Nowhere.msh", "MSHX1\nGROUPS 0\n");
    std::string again;
    EXPECT_EQ(store.load("Quva/Nowhere", &again), nullptr);
    EXPECT_EQ(again, problem);
}

TEST_F(MeshStoreTest, MalformedFileNamesFileAndLine) {
    write("Quva/Bad.msh", "MSHX1\nGROUPS 1\nGEOM 1 0\n1 2\n");
    quva::MeshStore store(dir);
    std::string problem;
    EXPECT_EQ(store.load("Quva/Bad", &problem), nullptr);
    EXPECT_NE(problem.find("Bad.msh:4"), std::string::npos) << problem;
}

TEST_F(MeshStoreTest, RefusesNamesOutsideTheFolder) {
    write("Quva/Box.msh", "MSHX1\nGROUPS 0\n");
    quva::MeshStore store(dir / "Quva");
    std::string problem;
    EXPECT_EQ(store.load("../Quva/Box", &problem), nullptr);
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(store.load((dir / "Quva/Box").string(), &problem), nullptr);
    EXPECT_EQ(store.load("", &problem), nullptr);
}

}  // namespace
