#include "replay/replay_recorder.h"

#include <algorithm>
#include <set>

namespace quva::cli {

ReplayRecorder::Track &ReplayRecorder::trackOf(const Vessel &v) {
    for (Track &t : tracks_)
        if (t.id == v.id) return t;
    auto [it, added] = lookOfClass_.try_emplace(v.className, looks_.size());
    if (added) looks_.push_back(lookOf(v, meshes_));
    tracks_.push_back({});
    Track &t = tracks_.back();
    t.id = v.id;
    t.out.name = v.name;
    t.out.look = it->second;
    return t;
}

void ReplayRecorder::thin(Track &t) {
    // One place is left for the latest sample, which the series always ends with.
    while (t.kept.size() > kMaxSamples - 1) {
        t.stride *= 2;
        std::erase_if(t.kept, [&](const Kept &k) { return !k.pinned && k.index % t.stride != 0; });
    }
}

void ReplayRecorder::add(const Vessel &v, const VesselSample &s, bool pinned) {
    Track &t = trackOf(v);
    if (t.seen > 0 && t.last.t == s.t) {
        // Taken again at the same moment (the vessel was moved between steps): replaces the last.
        if (t.kept.back().index == t.seen - 1) {
            t.kept.back().sample = s;
            if (pinned && !t.kept.back().pinned && t.pinned < kMaxPinned) {
                t.kept.back().pinned = true;
                ++t.pinned;
            }
        }
        t.last = s;
        return;
    }
    const std::size_t index = t.seen++;
    const bool pin = pinned && t.pinned < kMaxPinned;
    if (pin || index % t.stride == 0) {
        t.kept.push_back({s, index, pin});
        if (pin) ++t.pinned;
        thin(t);
    }
    t.last = s;
}

void ReplayRecorder::noteRemovals(const Simulation &sim) {
    std::set<int> present;
    for (const auto &v : sim.vessels()) present.insert(v->id);
    for (Track &t : tracks_)
        if (!t.out.removedAt && !present.count(t.id)) t.out.removedAt = sim.simTime();
}

void ReplayRecorder::observe(const Simulation &sim) {
    if (!tStart_) tStart_ = sim.simTime();
    std::set<std::string> named;
    const auto &timeline = sim.timeline();
    for (; timelineSeen_ < timeline.size(); ++timelineSeen_) named.insert(timeline[timelineSeen_].vessel);
    // A removal lowers the count of vessels or, when another was added in the same step, notes
    // itself in the timeline.
    if (sim.vessels().size() < vesselCount_ || !named.empty()) noteRemovals(sim);
    vesselCount_ = sim.vessels().size();
    for (const auto &owned : sim.vessels()) {
        const Vessel &v = *owned;
        if (!reportsFlight(v)) continue;
        add(v, sampleVessel(v, sim.simTime()), named.count(v.name) > 0);
    }
}

ReplayRun ReplayRecorder::run(const Simulation &sim, const std::string &title) const {
    ReplayRun r;
    r.title = title;
    r.tStart = tStart_.value_or(sim.simTime());
    r.tEnd = sim.simTime();
    r.dt = sim.dt();
    r.events = sim.timeline();
    r.looks = looks_;
    r.meshes = meshes_.meshes();
    for (const Track &t : tracks_) {
        ReplayTrack out = t.out;
        for (const Kept &k : t.kept) out.samples.push_back(k.sample);
        if (t.seen > 0 && t.kept.back().index != t.seen - 1) out.samples.push_back(t.last);
        r.tracks.push_back(std::move(out));
    }
    return r;
}

}  // namespace quva::cli
