// The host's side of a vessel's scenario block: the handles a module reads its lines from and
// writes its lines to, and the parser of the host's own vessel lines (STATUS, BASE, POS, HEADING,
// ALT, RPOS, RVEL, ELEMENTS, AROT, VROT, ATTACHED, RCSMODE, AFCMODE, PRPLEVEL, FUEL, THLEVEL).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "OrbiterAPI.h"
#include "files/host_lines.h"
#include "files/scenario.h"

namespace quva {

// FILEHANDLE given to clbkLoadStateEx.
struct ScenarioReadHandle {
    std::string file;
    const std::vector<ScenarioLine> *lines = nullptr;
    std::size_t next = 0;
    std::string buffer;  // the line handed out last; the module may read and pass it on
    int line = 0;        // its line number
};

// FILEHANDLE given to clbkSaveState.
struct ScenarioWriteHandle {
    std::string text;
};

// The status pointer handed to clbkLoadStateEx; ParseScenarioLineEx fills it. Its first word is
// the layout version, as modules may expect.
struct HostStatus {
    DWORD version = 2;
    HostLines lines;
    const ScenarioReadHandle *reader = nullptr;
    std::optional<InputError> error;  // the first bad host line
};

// Interprets one host line into `status`; a malformed line sets status.error.
void parseHostLine(const char *line, HostStatus &status);

}  // namespace quva
