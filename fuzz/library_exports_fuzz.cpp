// Module library files as `quva info` reads their export lists: any bytes, taken as an ELF or a
// PE file, give a sorted list of names without repeats, or are refused with an error naming the
// file; never a read outside the bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/binary_file.h"
#include "files/library_exports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const quva::BinaryFile file("fuzz.so", std::string(reinterpret_cast<const char *>(data), size));
    try {
        const std::vector<std::string> names = quva::exportedSymbols(file);
        if (!std::is_sorted(names.begin(), names.end()) || std::adjacent_find(names.begin(), names.end()) != names.end())
            std::abort();
    } catch (const std::runtime_error &e) {
        if (std::string(e.what()).rfind("fuzz.so", 0) != 0) std::abort();
    }
    return 0;
}
