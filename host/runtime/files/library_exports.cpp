#include "files/library_exports.h"

#include "files/binary_file.h"

namespace quva {

std::vector<std::string> exportedSymbols(const std::filesystem::path &library) { return exportedSymbols(BinaryFile(library)); }

std::vector<std::string> exportedSymbols(const BinaryFile &file) {
    // A PE file starts with the two letters of its MS-DOS stub header; anything else is tried as ELF.
    if (file.size() >= 2 && file.byte(0) == 'M' && file.byte(1) == 'Z') return peExports(file);
    return elfExports(file);
}

}  // namespace quva
