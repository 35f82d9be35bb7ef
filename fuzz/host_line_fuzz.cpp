// The host's own vessel lines (STATUS, RPOS, ATTACHED, PRPLEVEL, ...): any line is read or
// reported as malformed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/host_line_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string line(reinterpret_cast<const char *>(data), size);
    quva::HostStatus status;
    quva::parseHostLine(line.c_str(), status);
    return 0;
}
