#include "simulation_core.h"

#include <stdexcept>

#include "files/scenario.h"

namespace quva::python {

SimulationCore *SimulationCore::open_ = nullptr;

SimulationCore::SimulationCore(const LoadOptions &options) : scenario_(options.scenario) {
    if (open_ || Simulation::current())
        throw std::runtime_error(
            "another quva.Simulation is open, and only one can be at a time: close it first (sim.close(), or "
            "load it in a with block)");
    ScenarioDocument doc = readScenarioFile(options.scenario);
    SimulationOptions simOptions;
    simOptions.root = options.root;
    simOptions.dt = options.dt;
    simOptions.keepUnknownClasses = options.keepUnknown;
    auto sim = std::make_unique<Simulation>(simOptions);
    sim->trace().keepInMemory(options.trace);
    sim->loadScenario(doc);
    if (options.telemetry) {
        telemetry_.emplace();
        telemetry_->sample(*sim);
        sim->setStepObserver([this](const Simulation &s) { telemetry_->sample(s); });
    }
    sim_ = std::move(sim);
    open_ = this;
}

SimulationCore::~SimulationCore() { close(); }

void SimulationCore::close() {
    if (!sim_) return;
    sim_.reset();
    if (open_ == this) open_ = nullptr;
}

void SimulationCore::checkUsable() const {
    if (!sim_) throw std::runtime_error("the simulation is closed");
}

Simulation &SimulationCore::sim() {
    checkUsable();
    return *sim_;
}

const Simulation &SimulationCore::sim() const {
    checkUsable();
    return *sim_;
}

Simulation &SimulationCore::simForChange() {
    checkUsable();
    if (failure_)
        throw std::runtime_error("the simulation stopped at an error (" + *failure_ +
                                 ") and cannot go on; load the scenario again");
    return *sim_;
}

}  // namespace quva::python
