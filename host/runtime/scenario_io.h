// The host's side of a vessel's scenario block: the handles a module reads its lines from and
// writes its lines to, and the host's own vessel lines (STATUS, RPOS, RVEL, POS, HEADING, ALT,
// AROT, VROT, ATTACHED, PRPLEVEL).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "OrbiterAPI.h"
#include "host_lines.h"
#include "scenario.h"
#include "vec3.h"

namespace quva {

struct Vessel;

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

// Sets the vessel's flight state and propellant levels from its host lines (attachments are
// linked later, once every vessel exists). Throws InputError.
void applyHostLines(Vessel &v, const HostLines &lines, const std::string &file, int blockLine);

// Appends the vessel's host lines in the form "  ITEM TEXT".
void writeHostLines(const Vessel &v, std::string &out);

void writeScenarioItem(std::string &out, const char *item, const char *text);

// Euler angles (deg) of AROT to the rotation from vessel frame to body frame, and back.
Mat3 attitudeFromEuler(const Vec3 &arotDeg);
Vec3 eulerFromAttitude(const Mat3 &r);

}  // namespace quva
