// The modules' state line: any text read after the keyword leaves status and fraction defined
// (fraction finite), and writing them back always fits the buffer.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    int status = 1;
    double fraction = 0.5;
    frame::readStateText(text.c_str(), status, fraction);
    if (!std::isfinite(fraction)) std::abort();
    char out[frame::kStateTextSize];
    frame::formatStateText(out, status, fraction);
    if (std::strlen(out) >= sizeof out) std::abort();
    return 0;
}
