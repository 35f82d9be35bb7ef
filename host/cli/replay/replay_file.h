// Writing a replay page to a file on its own (Simulation.replay in Python), with the checks and
// the temporary-file-then-rename of every other output (files/output_checks.h, output_file.h).
#pragma once

#include <string>

#include "replay/replay_recorder.h"

namespace quva::cli {

// Writes the page of `run` to `path`; `option` names the file in messages. Throws
// OutputUsageError for a path that cannot be an output, std::runtime_error when writing fails.
void writeReplayFile(const std::string &path, const std::string &option, const ReplayRun &run);

}  // namespace quva::cli
