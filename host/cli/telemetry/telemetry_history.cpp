#include "telemetry/telemetry_history.h"

namespace quva::cli {

void TelemetryHistory::add(const Vessel &v, const VesselSample &s) {
    Track *track = nullptr;
    for (Track &t : tracks_)
        if (t.id == v.id) track = &t;
    if (!track) {
        tracks_.push_back({});
        track = &tracks_.back();
        track->id = v.id;
        track->series.name = v.name;
    }
    std::vector<VesselSample> &points = track->series.points;
    track->lastKept = track->seen++ % track->stride == 0;
    if (track->lastKept) {
        points.push_back(s);
        if (points.size() > kMaxPoints) {
            // Halve the series, keeping the samples that fall on the doubled stride.
            std::size_t kept = 0;
            for (std::size_t i = 0; i < points.size(); i += 2) points[kept++] = std::move(points[i]);
            points.resize(kept);
            track->stride *= 2;
            track->lastKept = (track->seen - 1) % track->stride == 0;
        }
    }
    if (!track->lastKept) track->last = s;
}

void TelemetryHistory::noteRemovals(const Simulation &sim) {
    for (Track &t : tracks_) {
        if (t.series.removedAt) continue;
        bool present = false;
        for (const auto &v : sim.vessels()) present = present || v->id == t.id;
        if (!present) t.series.removedAt = sim.simTime();
    }
}

std::vector<VesselSeries> TelemetryHistory::series() const {
    std::vector<VesselSeries> out;
    out.reserve(tracks_.size());
    for (const Track &t : tracks_) {
        out.push_back(t.series);
        if (!t.lastKept) out.back().points.push_back(t.last);
    }
    return out;
}

}  // namespace quva::cli
