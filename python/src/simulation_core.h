// The simulation behind a Python quva.Simulation: the runtime's Simulation, loaded from a
// scenario, with what a script needs around it. Only one may be open at a time, because the
// runtime's host functions act on the one current simulation; a failed step leaves the
// simulation closed to further steps, since a module may have stopped half way through its work.
#pragma once

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/simulation.h"
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

    // Runs n steps, or to simulation time t, calling `interrupted` every thousand steps (the
    // interpreter's signal check), which ends the run by throwing. Between slices the simulation
    // stands between two steps, so an interruption leaves it usable.
    template <class Interrupted>
    void step(std::int64_t n, Interrupted interrupted);
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

constexpr std::int64_t kSliceSteps = 1000;

template <class Interrupted>
void SimulationCore::step(std::int64_t n, Interrupted interrupted) {
    if (n < 0) throw std::invalid_argument("the number of steps must be 0 or more");
    while (n > 0) {
        const std::int64_t slice = n < kSliceSteps ? n : kSliceSteps;
        guarded([&](Simulation &running) { running.runSteps(slice); });
        n -= slice;
        if (n > 0) interrupted();
    }
}

template <class Interrupted>
void SimulationCore::runUntil(double t, Interrupted interrupted) {
    if (!std::isfinite(t)) throw std::invalid_argument("the time to run to must be a finite number of seconds");
    for (;;) {
        const Simulation &s = sim();
        const double sliceEnd = static_cast<double>(s.stepCount() + kSliceSteps) * s.dt();
        if (sliceEnd >= t) break;
        guarded([&](Simulation &running) { running.runUntil(sliceEnd); });
        interrupted();
    }
    guarded([&](Simulation &running) { running.runUntil(t); });
}

}  // namespace quva::python
