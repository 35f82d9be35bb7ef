#include "telemetry_record.h"

#include <cstring>
#include <limits>

#include "core/vessel_readings.h"

namespace quva::python {

namespace {

constexpr const char *kNames[kColumnCount] = {
    "time",      "altitude",      "speed",          "airspeed",    "vertical_speed", "drag",    "mass",
    "latitude",  "longitude",     "velocity_east",  "velocity_north", "velocity_up", "heading", "pitch",
    "bank",      "omega_x",       "omega_y",        "omega_z",     "dynamic_pressure", "mach",  "anim"};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The columns that need the vessel's full readings; the others come from its record or from one
// reading alone, which costs far less in every step.
bool needsReadings(const ColumnSet &c) {
    ColumnSet plain;
    for (Column p : {Column::Time, Column::Altitude, Column::Speed, Column::Airspeed, Column::VerticalSpeed,
                     Column::Drag, Column::Mass, Column::Animations})
        plain.set(static_cast<std::size_t>(p));
    return (c & ~plain).any();
}

// A column's value from the full readings `r`, or, without them, from a single reading.
double value(Column c, const Vessel &v, const VesselReadings *r, double t) {
    if (!r) {
        switch (c) {
        case Column::Altitude: return readingValue(Reading::Altitude, v, t);
        case Column::Speed:
        case Column::Airspeed: return readingValue(Reading::Airspeed, v, t);
        case Column::VerticalSpeed: return readingValue(Reading::VerticalSpeed, v, t);
        case Column::Drag: return v.readout.drag;
        case Column::Mass: return v.mass();
        default: return t;
        }
    }
    switch (c) {
    case Column::Time: return t;
    case Column::Altitude: return r->altitude;
    case Column::Speed: return r->groundSpeed;
    case Column::Airspeed: return r->airspeed;
    case Column::VerticalSpeed: return r->verticalSpeed;
    case Column::Drag: return v.readout.drag;
    case Column::Mass: return v.mass();
    case Column::Latitude: return r->latitude;
    case Column::Longitude: return r->longitude;
    case Column::VelocityEast: return r->velocityEnu.x;
    case Column::VelocityNorth: return r->velocityEnu.y;
    case Column::VelocityUp: return r->velocityEnu.z;
    case Column::Heading: return r->heading;
    case Column::Pitch: return r->pitch;
    case Column::Bank: return r->bank;
    case Column::OmegaX: return r->angularVelocity.x;
    case Column::OmegaY: return r->angularVelocity.y;
    case Column::OmegaZ: return r->angularVelocity.z;
    case Column::DynamicPressure: return r->dynamicPressure;
    case Column::Mach: return r->mach;
    case Column::Animations:
    case Column::Count: break;
    }
    return kNaN;
}

}  // namespace

const char *columnName(Column c) { return kNames[static_cast<std::size_t>(c)]; }

std::optional<Column> columnNamed(const std::string &name) {
    for (std::size_t i = 0; i < kColumnCount; ++i)
        if (name == kNames[i]) return static_cast<Column>(i);
    return std::nullopt;
}

TelemetryRecord::TelemetryRecord(const TelemetryOptions &options) : options_(options), clock_(options.interval) {
    options_.columns.set(static_cast<std::size_t>(Column::Time));
}

bool TelemetryRecord::fits(std::int64_t moments, std::size_t vessels) const {
    const double more = static_cast<double>(moments) * static_cast<double>(vessels);
    return static_cast<double>(samples_) + more <= static_cast<double>(options_.limit);
}

bool TelemetryRecord::sample(const Simulation &sim) {
    const double t = sim.simTime();
    if (!clock_.due(t)) return true;
    std::size_t flying = 0;
    for (const auto &owned : sim.vessels()) flying += !owned->inert() && owned->state.body;
    if (!fits(1, flying)) return false;
    for (const auto &owned : sim.vessels())
        if (!owned->inert() && owned->state.body) add(*owned, t);
    return true;
}

void TelemetryRecord::add(const Vessel &v, double t) {
    const bool full = needsReadings(options_.columns);
    const bool animations = options_.columns.test(static_cast<std::size_t>(Column::Animations));
    auto [it, added] = tracks_.try_emplace(v.name);
    VesselTrack &track = it->second;
    if (added) {
        order_.push_back(v.name);
        track.columns.resize(static_cast<std::size_t>(Column::Animations));
    }
    VesselReadings readings;
    if (full) readings = readVessel(v);
    for (std::size_t c = 0; c < track.columns.size(); ++c)
        if (options_.columns.test(c))
            track.columns[c].push_back(value(static_cast<Column>(c), v, full ? &readings : nullptr, t));
    if (animations) {
        // A vessel that defines an animation late gets NaN for the samples before it.
        while (track.animations.size() < v.animations.size()) track.animations.emplace_back(track.samples, kNaN);
        for (std::size_t a = 0; a < track.animations.size(); ++a)
            track.animations[a].push_back(a < v.animations.size() ? v.animations[a].state : kNaN);
    }
    ++track.samples;
    ++samples_;
}

void TelemetryRecord::resample(const Simulation &sim) {
    const double t = sim.simTime();
    const std::size_t time = static_cast<std::size_t>(Column::Time);
    auto sampledNow = [&](const VesselTrack &track) { return track.samples > 0 && track.columns[time].back() == t; };
    bool moment = false;
    for (const auto &[name, track] : tracks_) moment = moment || sampledNow(track);
    if (!moment) return;
    for (const auto &owned : sim.vessels()) {
        const Vessel &v = *owned;
        if (v.inert() || !v.state.body) continue;
        auto it = tracks_.find(v.name);
        if (it != tracks_.end() && sampledNow(it->second)) {
            // The sample of this moment goes, to be taken again.
            VesselTrack &track = it->second;
            for (auto &column : track.columns)
                if (!column.empty() && column.size() == track.samples) column.pop_back();
            for (auto &states : track.animations)
                if (states.size() == track.samples) states.pop_back();
            --track.samples;
            --samples_;
        } else if (it != tracks_.end()) {
            continue;  // a vessel sampled before, not now: its next sample comes with the others
        }
        add(v, t);
    }
}

}  // namespace quva::python
