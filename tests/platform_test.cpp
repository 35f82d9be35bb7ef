// The host's platform layer: the services whose code differs between Linux and Windows, tested
// alike on both.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "module_test_support.h"
#include "platform/host_platform.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

class AtomicWrite : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }
    const fs::path dir_ = fs::temp_directory_path() / quvatest::uniqueName("atomic");
};

TEST_F(AtomicWrite, CreatesOrReplacesWholeAndLeavesNothingElse) {
    const fs::path target = dir_ / "out.scn";
    const std::string first = "BEGIN_SHIPS\r\nEND_SHIPS\n", second(100000, 'x');
    quva::platform::writeFileAtomically(target, first);
    EXPECT_EQ(quvatest::fileText(target), first);  // byte for byte: no line-end translation
    quva::platform::writeFileAtomically(target, second);
    EXPECT_EQ(quvatest::fileText(target), second);
    EXPECT_EQ(entries(), 1u);  // no temporary file left beside it
}

TEST_F(AtomicWrite, FailureLeavesTheTargetAsItWas) {
    const fs::path inMissingFolder = dir_ / "missing" / "out.scn";
    EXPECT_THROW(quva::platform::writeFileAtomically(inMissingFolder, "x"), std::system_error);
    // A folder cannot be replaced by a file: the rename fails after the data were written.
    fs::create_directory(dir_ / "taken");
    EXPECT_THROW(quva::platform::writeFileAtomically(dir_ / "taken", "x"), std::system_error);
    EXPECT_TRUE(fs::is_directory(dir_ / "taken"));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicWrite, ReplaceFileOverwrites) {
    std::ofstream(dir_ / "a", std::ios::binary) << "new";
    std::ofstream(dir_ / "b", std::ios::binary) << "old";
    quva::platform::replaceFile(dir_ / "a", dir_ / "b");
    EXPECT_EQ(quvatest::fileText(dir_ / "b"), "new");
    EXPECT_FALSE(fs::exists(dir_ / "a"));
    EXPECT_THROW(quva::platform::replaceFile(dir_ / "a", dir_ / "b"), std::system_error);
}

#if !defined(_WIN32)
TEST_F(AtomicWrite, AFileWrittenOverKeepsItsPermissions) {
    const fs::path target = dir_ / "private.scn";
    std::ofstream(target) << "old";
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    quva::platform::writeFileAtomically(target, "new");
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    quva::platform::writeFileAtomically(dir_ / "fresh.scn", "new");
    ASSERT_EQ(::stat((dir_ / "fresh.scn").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}
#endif

TEST(Libraries, OwnExportsOnlyAndTheFileTheyCameFrom) {
    std::string why;
    void *lib = quva::platform::openLibrary(quvatest::moduleFile("Draskel"), why);
    ASSERT_NE(lib, nullptr) << why;
    EXPECT_NE(quva::platform::findSymbol(lib, "ovcInit"), nullptr);
    // The host runtime's functions are the module's imports, not its exports.
    EXPECT_EQ(quva::platform::findSymbol(lib, "oapiGetSimTime"), nullptr);
    EXPECT_EQ(quva::platform::findSymbol(lib, "_Z14oapiGetSimTimev"), nullptr);
    EXPECT_EQ(quva::platform::findSymbol(nullptr, "ovcInit"), nullptr);
    EXPECT_EQ(quva::platform::libraryFile(lib).filename(), quvatest::moduleFile("Draskel").filename());
    quva::platform::closeLibrary(lib);

    EXPECT_EQ(quva::platform::openLibrary(quvatest::moduleFile("NoSuchModule"), why), nullptr);
    EXPECT_FALSE(why.empty());
}

}  // namespace
