// Base configuration files: any text is a base, no base file, or refused with its line; a base
// that is read has a finite location and finite pad positions.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/bases.h"
#include "files/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    quva::SurfaceBase base;
    try {
        if (!quva::parseBaseFile(std::string(reinterpret_cast<const char *>(data), size), "fuzz.cfg", base)) return 0;
    } catch (const quva::InputError &) {
        return 0;
    }
    bool finite = std::isfinite(base.lonDeg) && std::isfinite(base.latDeg);
    for (const quva::Vec3 &p : base.pads) finite = finite && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    if (!finite) std::abort();  // a base that places vessels at no number
    return 0;
}
