// The simulation behind a Python quva.Simulation: the runtime's Simulation, loaded from a
// scenario, with what a script needs around it.
//
// Several may be open at once, in one thread or in several. The runtime's host functions act on
// the current simulation of the calling thread, so every use of a simulation goes through an
// Entry (entry.h), which holds the simulation's lock and makes it current for that time: two
// threads never work on one simulation at once, and each may step a simulation of its own while
// the other steps another. A failed step leaves the simulation closed to further steps, since a
// module may have stopped half way through its work.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "files/scenario.h"
#include "replay/replay_recorder.h"
#include "telemetry_record.h"

namespace quva::python {

struct LoadOptions {
    std::string root;  // the add-on tree
    double dt = 0.1;
    bool keepUnknown = false;
    bool trace = false;  // keep the call trace in memory
    bool refuelOnPad = true;  // fill the stores of a vessel loaded on a pad of its BASE line
    AssemblyModel assembly = AssemblyModel::Simulator;
    TelemetryOptions telemetry;
    bool replay = false;  // gather the run for a replay page (the command's --replay)
};

// What a stretch of steps ended with.
struct Advance {
    std::vector<int> notices;  // the script's triggered actions that came due, in order
    bool done = false;         // the last step was reached (and the events up to the end applied)
};

class SimulationCore {
public:
    // Loads the document; throws InputError on a bad scenario. Call within an Entry-less scope:
    // the simulation is current on this thread only while it loads.
    SimulationCore(const LoadOptions &options, const ScenarioDocument &doc);
    ~SimulationCore();
    SimulationCore(const SimulationCore &) = delete;
    SimulationCore &operator=(const SimulationCore &) = delete;

    std::recursive_mutex &mutex() { return mutex_; }
    // The runtime simulation, or null once closed; for Entry.
    Simulation *raw() { return sim_.get(); }

    // The runtime simulation, for reading; throws once closed. Within an Entry.
    Simulation &sim();
    const Simulation &sim() const;
    // The same, for what changes the flight: also refused after a failed step.
    Simulation &simForChange();

    bool closed() const { return !sim_; }
    void close();  // within an Entry

    // Runs steps until step `lastStep` has run, at most `slice` of them, stopping early after a
    // step in which the script's actions came due; once the last step is reached, applies the
    // events up to simulation time `end`. Within an Entry.
    Advance advance(std::int64_t lastStep, double end, std::int64_t slice);
    // Vessels were placed or added between steps: the telemetry's and the replay's samples of
    // this moment are taken again. Within an Entry.
    void resampleTelemetry() {
        if (telemetry_ && sim_) telemetry_->resample(*sim_);
        if (replay_ && sim_) replay_->observe(*sim_);
    }
    // Whether the telemetry has room for `steps` more steps of the vessels there are now.
    bool telemetryFits(std::int64_t steps) const;
    // A new simulation in this one's state (Simulation::copy), with the same telemetry so far.
    std::unique_ptr<SimulationCore> copy();

    // The script's actions: adds a triggered event; returns its index.
    std::size_t addTrigger(TriggeredEvent event);

    std::string scenarioPath() const { return scenario_; }
    const TelemetryRecord *telemetry() const { return telemetry_ ? &*telemetry_ : nullptr; }
    const cli::ReplayRecorder *replay() const { return replay_ ? &*replay_ : nullptr; }

    const std::optional<std::string> &failure() const { return failure_; }

private:
    SimulationCore() = default;
    // Runs f, marking the simulation failed if it throws.
    template <class F>
    void guarded(F f);
    void checkUsable() const;
    void watch();

    std::recursive_mutex mutex_;
    std::unique_ptr<Simulation> sim_;
    std::string scenario_;
    std::optional<TelemetryRecord> telemetry_;
    std::optional<cli::ReplayRecorder> replay_;
    bool telemetryFull_ = false;
    std::vector<int> notices_;  // fired in the steps run so far, not yet handed over
    std::optional<std::string> failure_;
};

// Builds a scenario document from text held in memory; `name` stands for the file in messages.
ScenarioDocument scenarioFromText(const std::string &text, const std::string &name);

}  // namespace quva::python
