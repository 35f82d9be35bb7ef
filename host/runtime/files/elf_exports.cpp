// The export list of a shared library, read straight from its ELF dynamic symbol table. The file
// may come from anywhere, so every offset and size read from it is checked against the file
// before it is used.
#include "files/library_exports.h"

#include <algorithm>
#include <cstdint>

#include "files/binary_file.h"

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

struct Section {
    std::uint32_t type = 0;
    std::uint64_t offset = 0, size = 0, entsize = 0;
    std::uint32_t link = 0;
};

}  // namespace

std::vector<std::string> elfExports(const BinaryFile &elf) {
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
        std::string name = elf.text(strtab.offset + nameOffset, strtab.offset + strtab.size, "symbol name");
        if (!name.empty()) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace quva
