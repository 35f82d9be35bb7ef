// Class configuration files: any text parses or is refused with its line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/module_registry.h"
#include "files/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        quva::parseClassConfig(std::string(reinterpret_cast<const char *>(data), size), "fuzz.cfg");
    } catch (const quva::InputError &) {
    }
    return 0;
}
