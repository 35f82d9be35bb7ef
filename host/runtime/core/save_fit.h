// Whether a run that is to save can: a scenario quva accepts must not end in a file that quva
// then refuses to read, so a save that would pass the input limit is refused before the run
// rather than after it.
#pragma once

#include <cstdint>
#include <string>

#include "files/input_file.h"

namespace quva {

class Simulation;

// The problem with saving the loaded scenario (empty when there is none). A scenario whose input
// plus a generous allowance per vessel stays within `limit` is taken to fit without a trial; a
// larger one is saved once in memory, with the trace paused, and measured. The run may still
// grow what it saves (modules write what they like); the save itself checks again.
std::string saveWouldNotLoadAgain(Simulation &sim, std::uintmax_t inputBytes, std::uintmax_t limit = kMaxInputFileBytes);

}  // namespace quva
