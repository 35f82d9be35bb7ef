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
    auto &samples = t.out.samples;
    while (samples.size() > kMaxSamples - 1) {
        t.stride *= 2;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (!t.pinned[i] && t.index[i] % t.stride != 0) continue;
            if (kept != i) {
                samples[kept] = std::move(samples[i]);
                t.index[kept] = t.index[i];
                t.pinned[kept] = t.pinned[i];
            }
            ++kept;
        }
        samples.resize(kept);
        t.index.resize(kept);
        t.pinned.resize(kept);
    }
}

void ReplayRecorder::add(const Vessel &v, const VesselSample &s, bool pinned) {
    Track &t = trackOf(v);
    if (t.seen > 0 && t.last.t == s.t) {
        // Taken again at the same moment (the vessel was moved between steps): replaces the last.
        if (t.index.back() == t.seen - 1) {
            t.out.samples.back() = s;
            if (pinned && !t.pinned.back() && t.pinnedCount < kMaxPinned) {
                t.pinned.back() = true;
                ++t.pinnedCount;
            }
        }
        t.last = s;
        return;
    }
    const std::size_t index = t.seen++;
    const bool pin = pinned && t.pinnedCount < kMaxPinned;
    if (pin || index % t.stride == 0) {
        t.out.samples.push_back(s);
        t.index.push_back(index);
        t.pinned.push_back(pin);
        if (pin) ++t.pinnedCount;
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

ReplayRun ReplayRecorder::header(const Simulation &sim, const std::string &title) const {
    ReplayRun r;
    r.title = title;
    r.tStart = tStart_.value_or(sim.simTime());
    r.tEnd = sim.simTime();
    r.dt = sim.dt();
    r.events = sim.timeline();
    r.looks = looks_;
    r.meshes = meshes_.meshes();
    return r;
}

ReplayRun ReplayRecorder::run(const Simulation &sim, const std::string &title) const {
    ReplayRun r = header(sim, title);
    for (const Track &t : tracks_) {
        r.tracks.push_back(t.out);
        if (t.index.back() != t.seen - 1) r.tracks.back().samples.push_back(t.last);
    }
    return r;
}

ReplayRun ReplayRecorder::release(const Simulation &sim, const std::string &title) {
    ReplayRun r = header(sim, title);
    for (Track &t : tracks_) {
        r.tracks.push_back(std::move(t.out));
        if (t.index.back() != t.seen - 1) r.tracks.back().samples.push_back(std::move(t.last));
    }
    tracks_.clear();
    return r;
}

}  // namespace quva::cli
