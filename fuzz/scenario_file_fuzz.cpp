// Scenario files: any text either parses or is refused with a file and line, never worse.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        quva::parseScenario(std::string(reinterpret_cast<const char *>(data), size), "fuzz.scn");
    } catch (const quva::InputError &) {
    }
    return 0;
}
