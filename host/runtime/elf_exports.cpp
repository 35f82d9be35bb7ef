// The export list of a shared library, read straight from its ELF dynamic symbol table. The file
// may come from anywhere, so every offset and size read from it is checked against the file
// before it is used.
#include "module_registry.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quva {

namespace {

// ELF64 constants and layout offsets used here.
constexpr std::size_t kElfHeaderSize = 64;
constexpr std::size_t kSectionHeaderSize = 64;
constexpr std::size_t kSymbolSize = 24;
constexpr unsigned char kClass64 = 2;
constexpr unsigned char kDataLittleEndian = 1;
constexpr std::uint16_t kTypeSharedObject = 3;  // ET_DYN
constexpr std::uint32_t kSectionDynSym = 11;    // SHT_DYNSYM
constexpr std::uint32_t kSectionStrTab = 3;     // SHT_STRTAB
constexpr std::uint16_t kUndefined = 0;         // SHN_UNDEF
constexpr unsigned kBindGlobal = 1, kBindWeak = 2;
constexpr unsigned kVisDefault = 0, kVisProtected = 3;

class ElfFile {
public:
    explicit ElfFile(const std::filesystem::path &path) : path_(path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) fail("cannot be opened");
        data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) fail("cannot be read");
    }

    [[noreturn]] void fail(const std::string &what) const {
        throw std::runtime_error(path_.string() + ": " + what);
    }

    // Throws unless [offset, offset + size) lies inside the file.
    void need(std::uint64_t offset, std::uint64_t size, const char *what) const {
        if (offset > data_.size() || size > data_.size() - offset) fail(std::string("truncated or corrupt (") + what + ")");
    }

    template <typename T>
    T read(std::uint64_t offset) const {
        need(offset, sizeof(T), "field");
        T v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            v |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(data_[offset + i])) << (8 * i));
        return v;
    }

    std::uint8_t byte(std::uint64_t offset) const { return read<std::uint8_t>(offset); }
    std::size_t size() const { return data_.size(); }
    const char *at(std::uint64_t offset) const { return data_.data() + offset; }

private:
    std::filesystem::path path_;
    std::string data_;
};

struct Section {
    std::uint32_t type = 0;
    std::uint64_t offset = 0, size = 0, entsize = 0;
    std::uint32_t link = 0;
};

}  // namespace

std::vector<std::string> exportedSymbols(const std::filesystem::path &library) {
    const ElfFile elf(library);
    if (elf.size() < kElfHeaderSize) elf.fail("not an ELF file (too short)");
    if (elf.byte(0) != 0x7f || elf.byte(1) != 'E' || elf.byte(2) != 'L' || elf.byte(3) != 'F')
        elf.fail("not an ELF file");
    if (elf.byte(4) != kClass64 || elf.byte(5) != kDataLittleEndian)
        elf.fail("not a 64-bit little-endian ELF file");
    if (elf.read<std::uint16_t>(16) != kTypeSharedObject) elf.fail("not an ELF shared object");

    const auto shoff = elf.read<std::uint64_t>(40);
    const auto shentsize = elf.read<std::uint16_t>(58);
    std::uint64_t shnum = elf.read<std::uint16_t>(60);
    if (shoff == 0) elf.fail("has no section headers");
    if (shentsize < kSectionHeaderSize) elf.fail("bad section header size");

    auto section = [&](std::uint64_t i) {
        const std::uint64_t at = shoff + i * shentsize;  // i < shnum, whose table was checked
        Section s;
        s.type = elf.read<std::uint32_t>(at + 4);
        s.offset = elf.read<std::uint64_t>(at + 24);
        s.size = elf.read<std::uint64_t>(at + 32);
        s.link = elf.read<std::uint32_t>(at + 40);
        s.entsize = elf.read<std::uint64_t>(at + 56);
        return s;
    };
    // With very many sections the count lives in the first section header instead.
    elf.need(shoff, kSectionHeaderSize, "section headers");
    if (shnum == 0) shnum = section(0).size;
    if (shnum > elf.size() / shentsize) elf.fail("truncated or corrupt (section headers)");
    elf.need(shoff, shnum * shentsize, "section headers");

    std::uint64_t dynsymIndex = shnum;
    for (std::uint64_t i = 0; i < shnum && dynsymIndex == shnum; ++i)
        if (section(i).type == kSectionDynSym) dynsymIndex = i;
    if (dynsymIndex == shnum) elf.fail("has no dynamic symbol table");

    const Section dynsym = section(dynsymIndex);
    if (dynsym.entsize < kSymbolSize) elf.fail("bad dynamic symbol entry size");
    elf.need(dynsym.offset, dynsym.size, "dynamic symbol table");
    if (dynsym.link == 0 || dynsym.link >= shnum) elf.fail("bad string table link of the dynamic symbol table");
    const Section strtab = section(dynsym.link);
    if (strtab.type != kSectionStrTab) elf.fail("dynamic symbol table is not linked to a string table");
    elf.need(strtab.offset, strtab.size, "dynamic string table");

    std::vector<std::string> names;
    const std::uint64_t count = dynsym.size / dynsym.entsize;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = dynsym.offset + i * dynsym.entsize;
        const auto nameOffset = elf.read<std::uint32_t>(at);
        const unsigned info = elf.byte(at + 4), other = elf.byte(at + 5);
        const auto shndx = elf.read<std::uint16_t>(at + 6);
        const unsigned bind = info >> 4, visibility = other & 0x3;

        if (shndx == kUndefined || (bind != kBindGlobal && bind != kBindWeak)) continue;
        if (visibility != kVisDefault && visibility != kVisProtected) continue;
        if (nameOffset >= strtab.size) elf.fail("symbol name outside the string table");
        const char *name = elf.at(strtab.offset + nameOffset);
        const std::size_t room = strtab.size - nameOffset;
        const auto *end = std::find(name, name + room, '\0');
        if (end == name + room) elf.fail("unterminated symbol name");
        if (end != name) names.emplace_back(name, end);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace quva
