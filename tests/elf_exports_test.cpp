#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "files/library_exports.h"
#include "module_test_support.h"

namespace {

const std::filesystem::path kHostLibrary = QUVA_BUILD_ROOT "/lib/libquvahost.so";

class ElfExports : public ::testing::Test {
protected:
    void TearDown() override {
        if (!scratch.empty()) std::filesystem::remove(scratch);
    }
    std::filesystem::path writeScratch(const std::string &bytes) {
        scratch = std::filesystem::temp_directory_path() /
                  ("quva_elf_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::ofstream(scratch, std::ios::binary) << bytes;
        return scratch;
    }
    std::filesystem::path scratch;
};

TEST_F(ElfExports, HostLibraryExportsItsInterfaceOnly) {
    const auto names = quva::exportedSymbols(kHostLibrary);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    // The interface has C++ linkage, so its names are mangled; the transforms' vtables must be
    // the host's own.
    for (const char *sym : {"_Z14oapiGetSimTimev", "_Z7InitLibPv", "_Z8Date2IntPc", "_ZTV13MGROUP_ROTATE",
                            "_ZTV12MGROUP_SCALE", "_ZN16MGROUP_TRANSFORMD2Ev"})
        EXPECT_TRUE(std::binary_search(names.begin(), names.end(), sym)) << sym;
    // Imports from the C library are undefined here and must not be listed.
    EXPECT_FALSE(std::binary_search(names.begin(), names.end(), "malloc"));
    EXPECT_FALSE(std::binary_search(names.begin(), names.end(), ""));
}

TEST_F(ElfExports, EveryTruncationThrows) {
    const std::string whole = quvatest::fileText(kHostLibrary);
    ASSERT_GT(whole.size(), 4096u);
    // Cut at the headers, in the middle and just before the section header table at the end.
    for (std::size_t keep : {std::size_t{0}, std::size_t{10}, std::size_t{63}, std::size_t{64}, whole.size() / 2,
                             whole.size() - 1}) {
        const auto path = writeScratch(whole.substr(0, keep));
        EXPECT_THROW(quva::exportedSymbols(path), std::runtime_error) << "kept " << keep << " bytes";
    }
}

TEST_F(ElfExports, CorruptSectionOffsetThrowsWithPath) {
    std::string bytes = quvatest::fileText(kHostLibrary);
    ASSERT_GT(bytes.size(), 64u);
    for (int i = 0; i < 8; ++i) bytes[40 + i] = '\x7f';  // e_shoff far beyond the file
    const auto path = writeScratch(bytes);
    try {
        quva::exportedSymbols(path);
        FAIL() << "accepted";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
    }
}

TEST_F(ElfExports, NonElfAndMissingFilesThrow) {
    EXPECT_THROW(quva::exportedSymbols(writeScratch("#!/bin/sh\necho not a library\n")), std::runtime_error);
    EXPECT_THROW(quva::exportedSymbols("/nonexistent/libnothing.so"), std::runtime_error);
}

}  // namespace
