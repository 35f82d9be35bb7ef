// Every vessel's readings at the start and at the end of every step (or of the first step at or
// after each multiple of an interval), kept for a script to read as columns once the run is over.
// Only the columns asked for are kept, and the record refuses to grow past a set number of
// samples, so that a long run fails clearly instead of running out of memory.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/sample_clock.h"
#include "core/simulation.h"

namespace quva::python {

// The columns, in the order a table has them; the animation states (anim0, anim1, ...) follow.
enum class Column {
    Time, Altitude, Speed, Airspeed, VerticalSpeed, Drag, Mass, Latitude, Longitude, VelocityEast, VelocityNorth,
    VelocityUp, Heading, Pitch, Bank, OmegaX, OmegaY, OmegaZ, DynamicPressure, Mach, Animations, Count
};
constexpr std::size_t kColumnCount = static_cast<std::size_t>(Column::Count);
const char *columnName(Column c);  // "vertical_speed"; "anim" for the animation states
std::optional<Column> columnNamed(const std::string &name);
using ColumnSet = std::bitset<kColumnCount>;

struct TelemetryOptions {
    bool enabled = false;
    ColumnSet columns = ColumnSet().set();  // time is always kept
    double interval = 0.0;                  // s between samples; 0: every step
    std::int64_t limit = 4000000;           // samples (one vessel at one moment) at most
};

struct VesselTrack {
    std::vector<std::vector<double>> columns;     // [column][sample], the columns asked for
    std::vector<std::vector<double>> animations;  // [animation][sample]; NaN before it existed
    std::size_t samples = 0;
};

class TelemetryRecord {
public:
    explicit TelemetryRecord(const TelemetryOptions &options);

    // Adds one sample of every vessel that flies, if one is due at the simulation's time. False
    // (and nothing added) when that would pass the limit.
    bool sample(const Simulation &sim);
    // Takes the samples of the present moment again, for vessels placed or added between steps:
    // a vessel's sample at the simulation's time is replaced, and one that has none gets one if
    // the others have theirs.
    void resample(const Simulation &sim);
    // Whether `more` further samples of every vessel there is now still fit under the limit.
    bool fits(std::int64_t moments, std::size_t vessels) const;
    std::int64_t samples() const { return samples_; }
    const TelemetryOptions &options() const { return options_; }

    const std::map<std::string, VesselTrack> &tracks() const { return tracks_; }
    // The vessels in the order they first appeared.
    const std::vector<std::string> &order() const { return order_; }

private:
    void add(const Vessel &v, double t);

    TelemetryOptions options_;
    SampleClock clock_;
    std::map<std::string, VesselTrack> tracks_;
    std::vector<std::string> order_;
    std::int64_t samples_ = 0;
};

}  // namespace quva::python
