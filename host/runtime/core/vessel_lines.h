// A vessel's own host lines, taken from its record: what the host saves for a vessel whose
// module leaves its state to the host.
#pragma once

#include <string>

#include "core/vessel.h"
#include "files/host_line_writer.h"

namespace quva {

class BaseCatalog;

// The values of the vessel's host lines. `bases` (may be null) tells whether a landed vessel
// stands on a pad.
HostLineValues hostLineValues(const Vessel &v, BaseCatalog *bases);

// Appends the vessel's host lines in the simulator's form.
void writeHostLines(const Vessel &v, std::string &out, BaseCatalog *bases);

}  // namespace quva
