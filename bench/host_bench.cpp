// The host with the modules loaded: one vessel's clbkPostStep, whole steps of large mixed
// fleets, and loading and saving a large scenario.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "bench_support.h"
#include "fleet.h"

namespace quvabench {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// --- clbkPostStep of one vessel ---------------------------------------------------------------

struct PostStepCase {
    const char *className;
    const char *stateLine;  // the moving part at rest, as it spends most of a flight; may be empty
};

const PostStepCase kPostStepCases[] = {
    {"Vantrel", "STATE 1 1.0000"}, {"Ossum", "STATE 1 1.0000"}, {"Tarrowick", "GEAR 1 1.0000"},
    {"Pilmont", ""},               {"Draskel", ""},             {"Nimbrel", ""},
};

// The module's callback called directly, with the vessel as the host's context, so that the
// host calls it makes find their vessel as they do during a step. The vessel flies free 50 km
// above the Earth; the flight model is off, so it stays there, at rest.
void postStep(benchmark::State &state, PostStepCase c) {
    quva::Simulation sim(hostOptions(false));
    std::vector<std::string> lines = {"STATUS Orbiting Earth", "RPOS 0 6421000 0", "RVEL 0 0 0", "AROT 0 0 0"};
    if (*c.stateLine) lines.emplace_back(c.stateLine);
    quva::Vessel &v = sim.createVessel("Bench", c.className, lines);
    if (!v.callbacks) {
        state.SkipWithError("the module's object answers no callbacks");
        return;
    }
    VESSEL2 *callbacks = v.callbacks;
    const double simt = 1.0, simdt = sim.dt(), mjd = sim.mjd();
    quva::Simulation::ContextGuard context(sim, &v);
    for (auto _ : state) callbacks->clbkPostStep(simt, simdt, mjd);
    if (v.deletionPending) state.SkipWithError("the vessel asked to be deleted");
    state.SetLabel("call");
}

// --- whole steps of a mixed fleet -------------------------------------------------------------

struct FleetCase {
    std::size_t vessels;
    std::int64_t steps;  // five million vessel-steps each; 500 s of flight at most, while the first
                         // parachute touches down after some 1,000 s
};

const FleetCase kFleets[] = {{1000, 5000}, {10000, 500}, {100000, 50}};

std::string fleetName(std::size_t vessels) { return "step/fleet/" + std::to_string(vessels); }

// Steps the fleet with the flight model on and the trace off. The first step runs before the
// measurement (it settles anything the host sets up lazily); every vessel must still be there
// after the last.
void fleetStep(benchmark::State &state, std::size_t vessels) {
    quva::Simulation sim(hostOptions(true));
    const std::uint64_t allocationsAtStart = allocationCount();
    sim.loadScenario(quva::parseScenario(fleetScenario(vessels), "fleet.scn"));
    // Each module allocates its vessel objects: a count that missed them would prove nothing.
    if (allocationCount() - allocationsAtStart < vessels) {
        state.SkipWithError("operator new is not counted");
        return;
    }
    sim.step();
    if (sim.vessels().size() != vessels) {
        state.SkipWithError("the fleet lost vessels in its first step");
        return;
    }
    const std::uint64_t allocationsBefore = allocationCount();
    const Clock::time_point start = Clock::now();
    for (auto _ : state) sim.step();
    const double seconds = secondsSince(start);
    const std::uint64_t allocations = allocationCount() - allocationsBefore;
    if (sim.vessels().size() != vessels) {
        const std::string lost = std::to_string(vessels - sim.vessels().size()) +
                                 " vessel(s) left the fleet during the measurement";
        state.SkipWithError(lost.c_str());
        return;
    }
    const double steps = static_cast<double>(state.iterations());
    const double vesselSteps = steps * static_cast<double>(vessels);
    state.counters["vessel-steps/s"] = vesselSteps / seconds;
    state.counters["ns/vessel-step"] = seconds * 1e9 / vesselSteps;
    state.counters["allocs/step"] = static_cast<double>(allocations) / steps;
    state.SetLabel("step");
}

// --- scenario load and save ---------------------------------------------------------------------

constexpr std::size_t kScenarioVessels = 10000;

// Parses and loads the fleet's scenario text into a fresh host (modules are loaded on first
// use, as when a scenario is opened), then writes it back as text. Creating and tearing down the
// host is left out.
void scenarioLoadSave(benchmark::State &state, std::size_t vessels) {
    const std::string text = fleetScenario(vessels);
    double loadSeconds = 0.0, saveSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto sim = std::make_unique<quva::Simulation>(hostOptions(true));
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        sim->loadScenario(quva::parseScenario(text, "fleet.scn"));
        const Clock::time_point loaded = Clock::now();
        std::string saved = sim->saveScenarioText();
        saveSeconds += secondsSince(loaded);
        loadSeconds += std::chrono::duration<double>(loaded - start).count();
        benchmark::DoNotOptimize(saved.data());
        state.PauseTiming();
        const bool complete = sim->vessels().size() == vessels;
        sim.reset();
        state.ResumeTiming();
        if (!complete) {
            state.SkipWithError("the scenario did not load every vessel");
            break;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["load ms"] = loadSeconds * 1e3 / n;
    state.counters["save ms"] = saveSeconds * 1e3 / n;
    state.SetLabel("load+save");
}

const Row *findRow(const std::vector<Row> &rows, const std::string &name) {
    for (const Row &r : rows)
        if (r.name == name && r.error.empty()) return &r;
    return nullptr;
}

}  // namespace

void registerHostBenchmarks(TableReporter &table) {
    for (const PostStepCase &c : kPostStepCases)
        benchmark::RegisterBenchmark((std::string("clbkPostStep/") + c.className).c_str(), postStep, c)->UseRealTime();

    for (const FleetCase &f : kFleets) {
        const std::string name = fleetName(f.vessels);
        benchmark::RegisterBenchmark(name.c_str(), fleetStep, f.vessels)
            ->Iterations(f.steps)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    table.setTarget(fleetName(10000), {"≥ 10M/s", [](const Row &r, const std::vector<Row> &) {
                                           return r.counters.at("vessel-steps/s") >= 10e6;
                                       }});
    table.setTarget(fleetName(100000), {"ns ≤ 1.25 × fleet/1000", [](const Row &r, const std::vector<Row> &rows) {
                                            const Row *small = findRow(rows, fleetName(1000));
                                            return small && r.counters.at("ns/vessel-step") <=
                                                                1.25 * small->counters.at("ns/vessel-step");
                                        }});
    for (const FleetCase &f : kFleets)
        table.setTarget(fleetName(f.vessels), {"0 allocs", [](const Row &r, const std::vector<Row> &) {
                                                   return r.counters.at("allocs/step") == 0.0;
                                               }});

    const std::string scenario = "scenario/load+save/" + std::to_string(kScenarioVessels);
    benchmark::RegisterBenchmark(scenario.c_str(), scenarioLoadSave, kScenarioVessels)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    table.setTarget(scenario, {"≤ 200 ms", [](const Row &r, const std::vector<Row> &) { return r.nsPerIteration <= 200e6; }});
}

}  // namespace quvabench
