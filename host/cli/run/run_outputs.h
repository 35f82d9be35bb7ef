// What quva run leaves for a person to look at besides its timeline: the telemetry table
// (--csv), the telemetry plot (--plot), the 3-D replay page (--replay) and, on a terminal, a progress bar while a long run lasts.
// The outputs watch the simulation through its step observer, which is also where a run stops
// at a step boundary: when a stop signal came or an output file could not be written.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/output_file.h"
#include "replay/replay_recorder.h"
#include "run/progress_bar.h"
#include "telemetry/telemetry.h"
#include "telemetry/telemetry_csv.h"
#include "telemetry/telemetry_history.h"

namespace quva::cli {

struct OutputOptions {
    OutputFile *csv = nullptr;   // the table, or none
    double csvInterval = 0.0;    // s between samples; 0: every step
    OutputFile *plot = nullptr;  // the SVG picture, or none
    OutputFile *replay = nullptr;  // the replay page, or none
    std::vector<const OutputFile *> watched;  // files whose write failures end the run
};

// Thrown at a step boundary when a stop signal (SIGINT, SIGTERM) has come.
struct RunStopped {
    int signal;
};

class RunOutputs {
public:
    explicit RunOutputs(OutputOptions options) : options_(std::move(options)), clock_(options_.csvInterval) {}

    // Opens the outputs and starts watching: samples the vessels as they stand and then after
    // every step. `total` is how far the run goes, in `unit` ("s" of simulation time or "steps").
    void start(Simulation &sim, double total, const std::string &unit);
    // The run has ended: wipes the progress bar and stops watching.
    void stop(Simulation &sim);
    // Writes the plot and the replay page and completes the table, in their output files.
    void write(const Simulation &sim, const std::string &title);

private:
    void observe(const Simulation &sim);
    void stopIfAsked() const;

    OutputOptions options_;
    SampleClock clock_;
    std::unique_ptr<TelemetryCsv> csv_;
    std::unique_ptr<TelemetryHistory> history_;
    std::unique_ptr<ReplayRecorder> replay_;
    std::unique_ptr<ProgressBar> progress_;
    bool countSteps_ = false;
    double startTime_ = 0.0;
    std::size_t vesselCount_ = 0;  // as at the latest step
};

// The title of a scenario's plot: its name under a tree's Scenarios/ folder without the .scn
// ending ("Quva/Recovery"), or the file's own name when it lies elsewhere.
std::string scenarioTitle(const std::vector<std::filesystem::path> &roots, const std::filesystem::path &scenario);

}  // namespace quva::cli
