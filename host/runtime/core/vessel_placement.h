// Applying a vessel's host lines once its block has been read: where it is (landed on a body, on
// a base's pad, in flight from RPOS/RVEL or from orbital elements), how it is turned, and what its
// stores and engines hold.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/vessel.h"
#include "files/host_lines.h"
#include "world/body.h"

namespace quva {

class BaseCatalog;

// What applying a vessel's host lines needs beyond the lines: where they came from, the bodies'
// orientation at that moment (the scenario's date), the bases, and where warnings go.
struct HostLineContext {
    std::string file;
    int blockLine = 0;
    double mjd = kJ2000Mjd;  // the date the vessel appears at
    std::array<PlanetOrientation, kBodyCount> orientations;
    BaseCatalog *bases = nullptr;
    bool refuelOnPad = true;  // fill every store of a vessel loaded on a pad of its BASE line
    std::function<void(const std::string &)> warn;
};

// Sets the vessel's flight state, propellant and thruster levels from its host lines
// (attachments are linked later, once every vessel exists). Throws InputError.
void applyHostLines(Vessel &v, const HostLines &lines, const HostLineContext &context);

}  // namespace quva
