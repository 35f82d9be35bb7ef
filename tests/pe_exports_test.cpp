// The export list read from a Windows library file. The files are built here byte by byte, so
// the reader is tested on any platform, against layouts and corruptions that no linker writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/library_exports.h"
#include "module_test_support.h"

namespace {

// A minimal 64-bit PE image: MS-DOS header, signature, COFF header, optional header with its data
// directories, one section holding the export directory, the name pointer table and the names.
class PeBuilder {
public:
    static constexpr std::uint32_t kPeAt = 0x40, kSectionRva = 0x1000, kSectionFileAt = 0x200;

    std::string build(const std::vector<std::string> &names) const {
        std::string f(kSectionFileAt, '\0');
        f[0] = 'M', f[1] = 'Z';
        put32(f, 0x3c, kPeAt);
        put32(f, kPeAt, 0x00004550);
        const std::uint32_t coff = kPeAt + 4, optional = coff + 20, optionalSize = 112 + 16 * 8;
        put16(f, coff + 0, 0x8664);  // x86-64
        put16(f, coff + 2, 1);       // one section
        put16(f, coff + 16, optionalSize);
        put16(f, optional, 0x20b);   // PE32+
        put32(f, optional + 108, 16);  // data directories

        // Section data: export directory (40 bytes), name pointers, then the names.
        std::string data(40, '\0');
        const std::uint32_t pointersAt = 40;
        data.resize(pointersAt + 4 * names.size());
        std::uint32_t nameAt = static_cast<std::uint32_t>(data.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            put32(data, pointersAt + 4 * static_cast<std::uint32_t>(i), kSectionRva + nameAt);
            data += names[i];
            data += '\0';
            nameAt = static_cast<std::uint32_t>(data.size());
        }
        put32(data, 24, static_cast<std::uint32_t>(names.size()));
        put32(data, 32, kSectionRva + pointersAt);

        put32(f, optional + 112, kSectionRva);  // export directory RVA and size
        put32(f, optional + 116, static_cast<std::uint32_t>(data.size()));
        const std::uint32_t section = optional + optionalSize;
        f.replace(section, 5, ".edata", 5);
        put32(f, section + 8, static_cast<std::uint32_t>(data.size()));
        put32(f, section + 12, kSectionRva);
        put32(f, section + 16, static_cast<std::uint32_t>(data.size()));
        put32(f, section + 20, kSectionFileAt);
        return f + data;
    }

    static void put16(std::string &s, std::uint32_t at, std::uint16_t v) {
        for (int i = 0; i < 2; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    }
    static void put32(std::string &s, std::uint32_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    }
};

class PeExports : public ::testing::Test {
protected:
    void TearDown() override {
        if (!scratch_.empty()) std::filesystem::remove(scratch_);
    }
    std::filesystem::path write(const std::string &bytes) {
        if (scratch_.empty()) scratch_ = std::filesystem::temp_directory_path() / (quvatest::uniqueName("pe") + ".dll");
        std::ofstream(scratch_, std::ios::binary | std::ios::trunc) << bytes;
        return scratch_;
    }
    std::filesystem::path scratch_;
};

TEST_F(PeExports, NamesAreReadSortedAndUndecorated) {
    const auto file = write(PeBuilder().build({"ovcInit", "GetModuleVersion", "ovcExit", "ModuleDate"}));
    EXPECT_EQ(quva::exportedSymbols(file),
              (std::vector<std::string>{"GetModuleVersion", "ModuleDate", "ovcExit", "ovcInit"}));
}

TEST_F(PeExports, NoExportTableIsAnEmptyList) {
    std::string bytes = PeBuilder().build({"ovcInit"});
    PeBuilder::put32(bytes, PeBuilder::kPeAt + 24 + 112, 0);  // export directory RVA
    EXPECT_TRUE(quva::exportedSymbols(write(bytes)).empty());
}

TEST_F(PeExports, EveryTruncationThrows) {
    const std::string whole = PeBuilder().build({"ovcInit", "ovcExit"});
    // Every eighth length through the headers, then every length through the export data.
    for (std::size_t keep = 0; keep < whole.size(); keep += keep < PeBuilder::kSectionFileAt ? 8 : 1) {
        const auto file = write(whole.substr(0, keep));
        EXPECT_THROW(quva::exportedSymbols(file), std::runtime_error) << "kept " << keep << " of " << whole.size();
    }
}

// Offsets and counts pointing outside the file: each must be caught, and the message must name
// the file.
TEST_F(PeExports, CorruptFieldsThrowWithThePath) {
    const std::uint32_t optional = PeBuilder::kPeAt + 24, section = optional + 240;
    const std::uint32_t directory = PeBuilder::kSectionFileAt;
    const struct {
        const char *what;
        std::uint32_t at, value;
    } cases[] = {
        {"PE header offset", 0x3c, 0x7fffffff},
        {"signature", PeBuilder::kPeAt, 0x00004551},
        {"optional header magic", optional, 0x30b},
        {"section count", PeBuilder::kPeAt + 6, 0xffff},
        {"export directory address", optional + 112, 0x90000},
        {"section data offset", section + 20, 0x7ffffff0},
        {"name count", directory + 24, 0x40000000},
        {"name table address", directory + 32, 0x5000},
        {"name address", directory + 40, 0x1fff0},
    };
    for (const auto &c : cases) {
        std::string bytes = PeBuilder().build({"ovcInit"});
        if (c.at == optional) PeBuilder::put16(bytes, c.at, static_cast<std::uint16_t>(c.value));
        else if (c.at == PeBuilder::kPeAt + 6) PeBuilder::put16(bytes, c.at, static_cast<std::uint16_t>(c.value));
        else PeBuilder::put32(bytes, c.at, c.value);
        const auto file = write(bytes);
        try {
            quva::exportedSymbols(file);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const std::runtime_error &e) {
            EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << c.what << ": " << e.what();
        }
    }
}

TEST_F(PeExports, UnterminatedNameThrows) {
    std::string bytes = PeBuilder().build({"ovcInit"});
    bytes.pop_back();  // the name's terminating zero, the file's last byte
    EXPECT_THROW(quva::exportedSymbols(write(bytes)), std::runtime_error);
}

}  // namespace
