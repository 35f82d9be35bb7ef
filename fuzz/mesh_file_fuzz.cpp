// Mesh files: any text either parses into a consistent mesh or is refused with its line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/mesh.h"
#include "files/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        quva::Mesh mesh = quva::parseMesh(std::string(reinterpret_cast<const char *>(data), size), "fuzz.msh");
        for (const auto &g : mesh.groups)
            for (const auto &t : g.triangles)
                for (auto index : t)
                    if (index >= g.positions.size()) std::abort();
    } catch (const quva::InputError &) {
    }
    return 0;
}
