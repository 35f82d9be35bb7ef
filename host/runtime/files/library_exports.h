// The export lists of shared libraries, read from their files: ELF shared objects (Linux) and
// PE dynamic-link libraries (Windows), whichever platform the reader runs on.
#ifndef QUVA_HOST_LIBRARY_EXPORTS_H
#define QUVA_HOST_LIBRARY_EXPORTS_H

#include <filesystem>
#include <string>
#include <vector>

namespace quva {

// Names a shared library exports, sorted, without repeats: for an ELF file the defined global or
// weak symbols of its dynamic symbol table, for a PE file the names of its export table. Throws
// std::runtime_error naming the file when it is neither, or cannot be read, or is corrupt.
std::vector<std::string> exportedSymbols(const std::filesystem::path &library);

class BinaryFile;
// The same for a file already read.
std::vector<std::string> exportedSymbols(const BinaryFile &file);
std::vector<std::string> elfExports(const BinaryFile &file);
std::vector<std::string> peExports(const BinaryFile &file);

}  // namespace quva

#endif
