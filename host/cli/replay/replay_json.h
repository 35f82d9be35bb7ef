// The data block of a replay page: the run as JSON, laid out for the page to read quickly.
//
//   {"format": "quva-replay", "version": 1, "title", "tStart", "tEnd", "dt",
//    "frame": the axes of every position, vector and mesh (see below),
//    "bodies": [{"name", "radius"}],
//    "meshes": [{"name", "groups": [{"label", "vertices": [x, y, z, ...], "triangles": [i, j, k, ...]}]}],
//    "classes": [{"name", "meshes": [{"mesh" (index or -1), "offset": [x, y, z]}],
//                 "animations": [initial state, ...],
//                 "components": [{"animation", "state0", "state1", "type" ("rotate", "translate",
//                                 "scale" or "none"), "meshSlot", "groups", "ref", "axis",
//                                 "angle" (rad), "shift", "scale", "parent" (index or -1)}]}],
//    "vessels": [{"name", "class", "body", "removedAt" (s or null),
//                 "t": [...], "position": [x, y, z, ...], "quaternion": [x, y, z, w, ...],
//                 "altitude": [...], "verticalSpeed": [...], "animations": [[state per sample], ...]}],
//    "events": [{"t", "step", "vessel", "text"}]}
//
// Positions are in metres from the centre of the vessel's body on its planet-fixed axes (turning
// with the body), so that a landed vessel stands still and the ground under it is fixed: y toward
// the north pole, right-handed (page_frame.h). Mesh vertices and offsets are in metres on the
// vessel's axes, the same way round. The quaternion turns vessel axes into planet-fixed axes.
#pragma once

#include <string>

#include "files/text_sink.h"
#include "replay/replay_recorder.h"

namespace quva::cli {

// Writes the data block to `out` a vessel at a time, so that a large run's block is never whole
// in memory.
void writeReplayJson(TextSink &out, const ReplayRun &run);
std::string replayJson(const ReplayRun &run);

}  // namespace quva::cli
