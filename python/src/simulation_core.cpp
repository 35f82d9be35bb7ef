#include "simulation_core.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quva::python {

SimulationCore::SimulationCore(const LoadOptions &options, const ScenarioDocument &doc) : scenario_(doc.path) {
    // Current on this thread while it loads (the modules' calls need it), not afterwards.
    Simulation::Scope scope(nullptr);
    SimulationOptions simOptions;
    simOptions.root = options.root;
    simOptions.dt = options.dt;
    simOptions.keepUnknownClasses = options.keepUnknown;
    simOptions.keepUnknownAdvice = "load with keep_unknown=True";
    simOptions.refuelOnPad = options.refuelOnPad;
    simOptions.assembly = options.assembly;
    auto sim = std::make_unique<Simulation>(simOptions);
    sim->trace().keepInMemory(options.trace);
    try {
        sim->loadScenario(doc);
    } catch (...) {
        Simulation::Scope current(sim.get());
        sim.reset();
        throw;
    }
    sim_ = std::move(sim);
    if (options.telemetry.enabled) {
        telemetry_.emplace(options.telemetry);
        telemetry_->sample(*sim_);
    }
    if (options.replay) {
        replay_.emplace();
        replay_->observe(*sim_);
    }
    watch();
}

// Hands the simulation's step ends to the telemetry and its triggered notices to the script.
void SimulationCore::watch() {
    if (telemetry_ || replay_)
        sim_->setStepObserver([this](const Simulation &s) {
            if (telemetry_ && !telemetry_->sample(s)) telemetryFull_ = true;
            if (replay_) replay_->observe(s);
        });
    sim_->triggers().setNotice([this](const TriggeredEvent &e, Vessel &) { notices_.push_back(e.notice); });
}

SimulationCore::~SimulationCore() {
    Simulation::Scope scope(sim_.get());
    close();
}

void SimulationCore::close() {
    if (!sim_) return;
    sim_.reset();
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

Advance SimulationCore::advance(std::int64_t lastStep, double end, std::int64_t slice) {
    Advance result;
    Simulation &s = simForChange();
    const std::int64_t stop = std::min(lastStep, s.stepCount() + slice);
    guarded([&](Simulation &running) {
        while (running.stepCount() < stop && notices_.empty() && !telemetryFull_) running.step();
        if (running.stepCount() >= lastStep && notices_.empty() && !telemetryFull_) {
            running.applyDueEvents(end);
            result.done = true;
        }
    });
    if (telemetryFull_) {
        telemetryFull_ = false;
        throw std::length_error("the telemetry holds " + std::to_string(telemetry_->samples()) +
                                " samples, its limit (telemetry_limit); the run stopped after step " +
                                std::to_string(s.stepCount()) +
                                " and can go on once telemetry_interval or the columns record less, or the limit "
                                "is raised");
    }
    result.notices.swap(notices_);
    return result;
}

bool SimulationCore::telemetryFits(std::int64_t steps) const {
    if (!telemetry_) return true;
    const Simulation &s = sim();
    const double interval = telemetry_->options().interval;
    const double moments = interval > 0.0 ? std::floor(static_cast<double>(steps) * s.dt() / interval) + 1.0
                                          : static_cast<double>(steps);
    std::size_t flying = 0;
    for (const auto &v : s.vessels()) flying += !v->inert() && v->state.body;
    return telemetry_->fits(static_cast<std::int64_t>(std::fmin(moments, 1e15)), flying);
}

std::size_t SimulationCore::addTrigger(TriggeredEvent event) {
    Simulation &s = simForChange();
    s.vessel(event.vessel);  // an error naming the vessels there are
    return s.triggers().add(std::move(event));
}

std::unique_ptr<SimulationCore> SimulationCore::copy() {
    Simulation &s = sim();
    std::unique_ptr<SimulationCore> c(new SimulationCore());
    c->sim_ = s.copy();
    c->scenario_ = scenario_;
    c->telemetry_ = telemetry_;
    c->replay_ = replay_;
    c->failure_ = failure_;
    c->watch();
    return c;
}

ScenarioDocument scenarioFromText(const std::string &text, const std::string &name) {
    return parseScenario(text, name);
}

}  // namespace quva::python
