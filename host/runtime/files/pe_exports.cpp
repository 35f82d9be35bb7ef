// The export list of a Windows dynamic-link library, read straight from the export table of its
// PE file. The file may come from anywhere, so every offset and size read from it is checked
// against the file before it is used.
#include "files/library_exports.h"

#include <algorithm>
#include <cstdint>

#include "files/binary_file.h"

namespace quva {

namespace {

// PE layout: offsets within the MS-DOS header, the COFF header, the optional header, a section
// header and the export directory.
constexpr std::uint64_t kPeOffsetField = 0x3c;
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr std::uint16_t kMagicPe32 = 0x10b, kMagicPe32Plus = 0x20b;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kExportDirectorySize = 40;

struct Section {
    std::uint32_t virtualAddress = 0, virtualSize = 0, rawOffset = 0, rawSize = 0;
};

class PeImage {
public:
    explicit PeImage(const BinaryFile &file) : file_(file) {
        if (file.size() < 64 || file.byte(0) != 'M' || file.byte(1) != 'Z') file.fail("not a PE file");
        const std::uint64_t pe = file.read<std::uint32_t>(kPeOffsetField);
        if (file.read<std::uint32_t>(pe) != 0x00004550) file.fail("not a PE file (no PE signature)");
        const std::uint64_t coff = pe + 4;
        const std::uint16_t sectionCount = file.read<std::uint16_t>(coff + 2);
        const std::uint16_t optionalSize = file.read<std::uint16_t>(coff + 16);
        optional_ = coff + kCoffHeaderSize;
        file.need(optional_, optionalSize, "optional header");
        const std::uint16_t magic = file.read<std::uint16_t>(optional_);
        if (magic != kMagicPe32 && magic != kMagicPe32Plus) file.fail("unknown optional header");
        const std::uint64_t directoriesAt = optional_ + (magic == kMagicPe32Plus ? 112 : 96);
        const std::uint32_t directoryCount = file.read<std::uint32_t>(directoriesAt - 4);
        if (directoryCount > 0 && directoriesAt + 8 <= optional_ + optionalSize) {
            exportRva_ = file.read<std::uint32_t>(directoriesAt);
            exportSize_ = file.read<std::uint32_t>(directoriesAt + 4);
        }
        const std::uint64_t sectionsAt = optional_ + optionalSize;
        file.need(sectionsAt, sectionCount * kSectionHeaderSize, "section headers");
        for (std::uint16_t i = 0; i < sectionCount; ++i) {
            const std::uint64_t at = sectionsAt + i * kSectionHeaderSize;
            sections_.push_back({file.read<std::uint32_t>(at + 12), file.read<std::uint32_t>(at + 8),
                                 file.read<std::uint32_t>(at + 20), file.read<std::uint32_t>(at + 16)});
        }
    }

    bool hasExports() const { return exportRva_ != 0 && exportSize_ != 0; }
    std::uint32_t exportRva() const { return exportRva_; }

    // The file offset of the image address `rva`, with the end of the section's data in the file.
    std::uint64_t offsetOf(std::uint32_t rva, std::uint64_t *sectionEnd = nullptr) const {
        for (const Section &s : sections_) {
            const std::uint32_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
            const std::uint64_t inSection = rva - s.virtualAddress;
            if (inSection >= s.rawSize) file_.fail("export data outside the file's sections");
            if (sectionEnd) *sectionEnd = std::uint64_t{s.rawOffset} + s.rawSize;
            return s.rawOffset + inSection;
        }
        file_.fail("export table address in no section");
    }

private:
    const BinaryFile &file_;
    std::uint64_t optional_ = 0;
    std::uint32_t exportRva_ = 0, exportSize_ = 0;
    std::vector<Section> sections_;
};

}  // namespace

std::vector<std::string> peExports(const BinaryFile &file) {
    const PeImage image(file);
    std::vector<std::string> names;
    if (!image.hasExports()) return names;

    const std::uint64_t directory = image.offsetOf(image.exportRva());
    file.need(directory, kExportDirectorySize, "export directory");
    const std::uint32_t nameCount = file.read<std::uint32_t>(directory + 24);
    const std::uint32_t namesRva = file.read<std::uint32_t>(directory + 32);
    if (nameCount == 0) return names;
    const std::uint64_t nameTable = image.offsetOf(namesRva);
    file.need(nameTable, std::uint64_t{nameCount} * 4, "export name table");
    for (std::uint32_t i = 0; i < nameCount; ++i) {
        std::uint64_t sectionEnd = 0;
        const std::uint64_t at = image.offsetOf(file.read<std::uint32_t>(nameTable + 4 * std::uint64_t{i}), &sectionEnd);
        std::string name = file.text(at, sectionEnd, "export name");
        if (!name.empty()) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace quva
