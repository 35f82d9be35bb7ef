// The host's side of a vessel's scenario block: the handles a module reads its lines from and
// writes its lines to, and the host's own vessel lines (STATUS, BASE, POS, HEADING, ALT, RPOS,
// RVEL, ELEMENTS, AROT, VROT, ATTACHED, RCSMODE, AFCMODE, PRPLEVEL, FUEL, THLEVEL).
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "OrbiterAPI.h"
#include "body.h"
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

class BaseCatalog;

// What applying a vessel's host lines needs beyond the lines: where they came from, the bodies'
// orientation at that moment (the scenario's date), the bases, and where warnings go.
struct HostLineContext {
    std::string file;
    int blockLine = 0;
    double mjd = kJ2000Mjd;  // the date the vessel appears at
    std::array<PlanetOrientation, kBodyCount> orientations;
    BaseCatalog *bases = nullptr;
    std::function<void(const std::string &)> warn;
};

// Sets the vessel's flight state, propellant and thruster levels from its host lines
// (attachments are linked later, once every vessel exists). Throws InputError.
void applyHostLines(Vessel &v, const HostLines &lines, const HostLineContext &context);

// Appends the vessel's host lines in the simulator's form, order and number of decimals:
// "  ITEM TEXT". `bases` (may be null) tells whether a landed vessel stands on a pad.
void writeHostLines(const Vessel &v, std::string &out, BaseCatalog *bases);

void writeScenarioItem(std::string &out, const char *item, const char *text);

}  // namespace quva
