#include "library_exports.h"

#include <fstream>
#include <stdexcept>

namespace quva {

std::vector<std::string> exportedSymbols(const std::filesystem::path &library) {
    char magic[2] = {};
    std::ifstream in(library, std::ios::binary);
    if (!in) throw std::runtime_error(library.string() + ": cannot be opened");
    in.read(magic, sizeof magic);
    // A PE file starts with the two letters of its MS-DOS stub header; anything else is tried as ELF.
    if (in.gcount() == 2 && magic[0] == 'M' && magic[1] == 'Z') return peExports(library);
    return elfExports(library);
}

}  // namespace quva
