// The run's telemetry as a CSV table: one row per vessel per sampled moment, with the columns
// time, vessel, altitude, speed, vertical_speed, drag, mass and one column per animation state
// (anim0, anim1, ...: as many as the vessel with the most animations has; empty where a vessel has
// fewer). Rows are streamed to the table's output file as they come.
#pragma once

#include <cstddef>
#include <string>

#include "files/output_file.h"
#include "telemetry/telemetry.h"

namespace quva::cli {

class TelemetryCsv : public TelemetrySink {
public:
    // `animationColumns`: the most animations any vessel has when the run starts.
    TelemetryCsv(OutputFile &file, std::size_t animationColumns);

    void add(const Vessel &v, const VesselSample &s) override;

    // Completes the table. A vessel that created animations after the run began widens it: its
    // rows carry every state, and at the end the header gets the extra columns and the shorter
    // rows their empty cells.
    void complete();

private:
    std::string header(std::size_t animationColumns) const;

    OutputFile &file_;
    std::size_t columns_;     // animation columns of the header as first written
    std::size_t widest_ = 0;  // most animation states seen in a sample
    std::string row_;         // reused for each row
};

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string &text);

}  // namespace quva::cli
