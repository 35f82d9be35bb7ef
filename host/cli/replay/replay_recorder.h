// What a replay of a run is made of, gathered while the run goes: every vessel's samples (each
// step's, thinned to at most kMaxSamples per vessel by doubling the stride as the plot's history
// does, while the samples taken right after a timeline entry about the vessel are kept whatever
// the stride), when each vessel was removed, the timeline, and each class's looks, met once.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "replay/class_look.h"
#include "telemetry/telemetry.h"

namespace quva::cli {

struct ReplayTrack {
    std::string name;
    std::size_t look = 0;  // index into ReplayRun::looks
    std::vector<VesselSample> samples;  // in time order; the vessel's last sample is the last
    std::optional<double> removedAt;    // s, the end of the step that removed the vessel
};

struct ReplayRun {
    std::string title;
    double tStart = 0.0, tEnd = 0.0, dt = 0.0;
    std::vector<ReplayTrack> tracks;  // in the order the vessels were first seen
    std::vector<TimelineEntry> events;
    std::vector<ClassLook> looks;
    std::vector<Mesh> meshes;
};

class ReplayRecorder : public TelemetrySink {
public:
    static constexpr std::size_t kMaxSamples = 2000;
    // Kept samples that the stride would have dropped, per vessel, at most: past this, a vessel's
    // further events are seen at the nearest sample kept by the stride.
    static constexpr std::size_t kMaxPinned = kMaxSamples / 4;

    // Samples every vessel that flies, as it stands now; notes the vessels removed and the
    // timeline's new entries since the last call. Call at the start and after every step.
    void observe(const Simulation &sim);
    // One sample of v; `pinned` keeps it whatever the stride. A sample at the time of v's latest
    // one replaces it.
    void add(const Vessel &v, const VesselSample &s) override { add(v, s, false); }
    void add(const Vessel &v, const VesselSample &s, bool pinned);

    // The run so far, as a replay shows it.
    ReplayRun run(const Simulation &sim, const std::string &title) const;
    // The same, with the samples moved out rather than copied (a large run's are most of the
    // memory it takes): the recorder is spent.
    ReplayRun release(const Simulation &sim, const std::string &title);

private:
    struct Track {
        int id = 0;
        ReplayTrack out;  // its samples: those kept, without the latest when the stride skips it
        std::vector<std::size_t> index;  // each kept sample's number among all the vessel's samples
        std::vector<bool> pinned;        // kept whatever the stride
        std::size_t stride = 1;
        std::size_t seen = 0;
        std::size_t pinnedCount = 0;
        VesselSample last;
    };
    Track &trackOf(const Vessel &v);
    void thin(Track &t);
    void noteRemovals(const Simulation &sim);
    ReplayRun header(const Simulation &sim, const std::string &title) const;

    std::vector<Track> tracks_;
    std::map<std::string, std::size_t> lookOfClass_;
    std::vector<ClassLook> looks_;
    MeshTable meshes_;
    std::size_t timelineSeen_ = 0;
    std::size_t vesselCount_ = 0;  // as at the latest call
    std::optional<double> tStart_;
};

}  // namespace quva::cli
