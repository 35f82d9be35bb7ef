// The simulation behind a Python quva.Simulation: the runtime's Simulation, loaded from a
// scenario, with what a script needs around it. Only one may be open at a time, because the
// runtime's host functions act on the one current simulation; a failed step leaves the
// simulation closed to further steps, since a module may have stopped half way through its work.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulation.h"
#include "telemetry_record.h"

namespace quva::python {

struct LoadOptions {
    std::string scenario;  // the file
    std::string root;      // the add-on tree
    double dt = 0.1;
    bool keepUnknown = false;
    bool trace = false;      // keep the call trace in memory
    bool telemetry = false;  // record every vessel's readings at every step
};

class SimulationCore {
public:
    // Throws InputError on a bad scenario, std::runtime_error when another one is open.
    explicit SimulationCore(const LoadOptions &options);
    ~SimulationCore();
    SimulationCore(const SimulationCore &) = delete;
    SimulationCore &operator=(const SimulationCore &) = delete;

    // The runtime simulation, for reading; throws once closed.
    Simulation &sim();
    const Simulation &sim() const;
    // The same, for what changes the flight: also refused after a failed step.
    Simulation &simForChange();

    bool closed() const { return !sim_; }
    void close();

    void step(std::int64_t n);
    // Runs to simulation time t, calling `interrupted` now and then (the interpreter's signal
    // check), which ends the run by throwing.
    template <class Interrupted>
    void runUntil(double t, Interrupted interrupted);

    std::string scenarioPath() const { return scenario_; }
    const TelemetryRecord *telemetry() const { return telemetry_ ? &*telemetry_ : nullptr; }
    const std::optional<std::string> &failure() const { return failure_; }

private:
    // Runs f, marking the simulation failed if it throws.
    template <class F>
    void guarded(F f);
    void checkUsable() const;

    std::unique_ptr<Simulation> sim_;
    std::string scenario_;
    std::optional<TelemetryRecord> telemetry_;
    std::optional<std::string> failure_;
    static SimulationCore *open_;
};

template <class F>
void SimulationCore::guarded(F f) {
    Simulation &s = simForChange();
    try {
        f(s);
    } catch (const std::exception &e) {
        failure_ = e.what();
        throw;
    }
}

template <class Interrupted>
void SimulationCore::runUntil(double t, Interrupted interrupted) {
    // In slices of a thousand steps, so that Ctrl-C reaches the script during a long run; an
    // interruption falls between steps and leaves the simulation usable.
    constexpr double kSliceSteps = 1000.0;
    for (;;) {
        const Simulation &s = sim();
        const double sliceEnd = (static_cast<double>(s.stepCount()) + kSliceSteps) * s.dt();
        if (sliceEnd >= t) break;
        guarded([&](Simulation &running) { running.runUntil(sliceEnd); });
        interrupted();
    }
    guarded([&](Simulation &running) { running.runUntil(t); });
}

}  // namespace quva::python
