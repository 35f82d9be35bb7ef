// A replay page: one HTML file that a browser opens from the disk, offline, and that replays a
// run in 3-D. It carries everything inside: the 3-D library, the viewer's script and the run's
// data block (replay_json.h), each in a script element of its own.
#pragma once

#include <string>
#include <string_view>

#include "files/text_sink.h"
#include "replay/replay_recorder.h"

namespace quva::cli {

// Writes the page for `run` to `out`, the data block a vessel at a time.
void writeReplayPage(TextSink &out, const ReplayRun &run);
// The same page, whole.
std::string replayPage(const ReplayRun &run);

// The page around a data block given as it is (for a test of how the page meets a malformed one).
std::string replayPageWithData(std::string_view json);

}  // namespace quva::cli
