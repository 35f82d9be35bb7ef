#include "run_command.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>
#include <variant>

#include "cli_common.h"
#include "core/simulation.h"
#include "event_options.h"
#include "files/scenario.h"
#include "output_checks.h"
#include "output_file.h"
#include "platform/host_platform.h"
#include "run_outputs.h"
#include "timeline.h"

namespace quva::cli {

namespace {

struct RunOptions {
    std::string scenario;
    double dt = 0.1;
    std::optional<long long> steps;
    std::optional<double> until;
    std::optional<std::string> save, trace, csv, plot;
    double csvInterval = 0.0;
    std::vector<std::string> releases;
    std::vector<std::string> keys;
    bool keepUnknown = false;
};

// The longest run accepted: far beyond any real one, it turns a slip in --dt, --until or --steps
// into an error instead of a run that never ends.
constexpr double kMaxSteps = 1e9;

// The usage error in the step options, or empty.
std::string stepOptionsProblem(const RunOptions &o) {
    if (!(o.dt > 0.0) || !std::isfinite(o.dt)) return "--dt must be a positive number of seconds";
    if (o.until && (!std::isfinite(*o.until) || *o.until < 0.0)) return "--until must be a time of 0 s or more";
    if (o.steps && *o.steps < 0) return "--steps must be 0 or more";
    if (!std::isfinite(o.csvInterval) || o.csvInterval < 0.0) return "--csv-interval must be a time of 0 s or more";
    const double steps = o.steps ? static_cast<double>(*o.steps) : std::floor(o.until.value_or(60.0) / o.dt);
    if (steps > kMaxSteps)
        return "--dt, --until and --steps ask for more than " + std::to_string(static_cast<long long>(kMaxSteps)) + " steps";
    return {};
}

// An event given on the command line, with its text for messages.
struct GivenEvent {
    RunEvent event;  // at a time, or when a condition holds
    std::string text;  // "--release 5:Drogue"
};

// The events that fall after the run's end: they are never applied, which a person should be
// told rather than find out from the results.
void warnOfLateEvents(const std::vector<GivenEvent> &events, double end, double dt) {
    std::string late;
    for (const GivenEvent &e : events) {
        const auto *timed = std::get_if<ScheduledEvent>(&e.event);
        if (timed && isAfterEnd(timed->t, end, dt)) late += (late.empty() ? "" : ", ") + e.text;
    }
    if (!late.empty()) std::cerr << "warning: events after the run's end (t = " << end << " s) are not applied: " << late << "\n";
}

// The run's output files, by option, created (as temporary files) before the run starts.
class RunFiles {
public:
    void open(const std::vector<PlannedOutput> &planned) {
        for (const PlannedOutput &p : planned) {
            files_.push_back(std::make_unique<OutputFile>(p.option, p.target));
            files_.back()->open();
        }
    }
    OutputFile *find(const std::string &option) const {
        for (const auto &f : files_)
            if (f->option() == option) return f.get();
        return nullptr;
    }
    std::vector<const OutputFile *> all() const {
        std::vector<const OutputFile *> out;
        for (const auto &f : files_) out.push_back(f.get());
        return out;
    }
    // Finishes every file, then, when all are whole, puts each in its target's place.
    void commit() {
        for (const auto &f : files_) f->finish();
        for (const auto &f : files_) f->commit();
    }

private:
    std::vector<std::unique_ptr<OutputFile>> files_;
};

const char *signalName(int signal) { return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal"; }

int run(const RunOptions &o, const Trees &trees) {
    if (std::string problem = stepOptionsProblem(o); !problem.empty()) {
        std::cerr << "quva run: " << problem << "\n";
        return kExitUsage;
    }
    std::vector<GivenEvent> events;
    try {
        for (const auto &r : o.releases) events.push_back({parseReleaseEvent(r), "--release " + r});
        for (const auto &k : o.keys) events.push_back({parseKeyEvent(k), "--key " + k});
    } catch (const std::invalid_argument &e) {
        std::cerr << "quva run: " << e.what() << "\n";
        return kExitUsage;
    }
    const std::filesystem::path scenarioPath = resolveScenario(trees.searchOrder(), o.scenario);
    std::vector<PlannedOutput> planned;
    try {
        planned = planOutputs({{"--save", o.save}, {"--trace", o.trace}, {"--csv", o.csv}, {"--plot", o.plot}},
                              scenarioPath, "--save");
    } catch (const OutputUsageError &e) {
        std::cerr << "quva run: " << e.what() << "\n";
        return kExitUsage;
    }

    platform::catchStopSignals();
    RunFiles files;
    SimulationOptions options;
    options.root = trees.own;
    options.extraRoots = trees.user;
    options.dt = o.dt;
    options.keepUnknownClasses = o.keepUnknown;
    std::optional<Simulation> sim;
    try {
        files.open(planned);  // each target's folder takes a new file, or the run does not start
        ScenarioDocument doc = readScenarioFile(scenarioPath.string());
        sim.emplace(options);
        if (OutputFile *trace = files.find("--trace")) sim->trace().writeTo(trace);
        std::size_t warned = 0;
        auto flushWarnings = [&] {
            for (; warned < sim->warnings().size(); ++warned) std::cerr << "warning: " << sim->warnings()[warned] << "\n";
        };
        try {
            sim->loadScenario(doc);
        } catch (...) {
            flushWarnings();
            throw;
        }
        for (const auto &given : events) {
            const std::string &vessel =
                std::visit([](const auto &e) -> const std::string & { return e.vessel; }, given.event);
            if (!sim->findVessel(vessel)) {
                flushWarnings();
                std::cerr << "quva run: no vessel named \"" << vessel << "\" in " << scenarioPath.string() << "\n";
                return kExitFailure;
            }
            if (const auto *timed = std::get_if<ScheduledEvent>(&given.event)) sim->schedule(*timed);
            else sim->triggers().add(std::get<TriggeredEvent>(given.event));
        }
        for (const auto &init : sim->modules().initLibCalls()) std::cout << init.logLine << "\n";
        std::cout << "scenario " << scenarioPath.string() << ": " << sim->vessels().size() << " vessel(s), dt " << o.dt
                  << " s\n";
        const double until = o.until.value_or(60.0);
        warnOfLateEvents(events, o.steps ? static_cast<double>(*o.steps) * o.dt : until, o.dt);
        RunOutputs outputs({files.find("--csv"), o.csvInterval, files.find("--plot"), files.all()});
        outputs.start(*sim, o.steps ? static_cast<double>(*o.steps) : until, o.steps ? "steps" : "s");
        if (o.steps) sim->runSteps(*o.steps);
        else sim->runUntil(until);
        outputs.stop(*sim);
        for (std::string &line : sim->triggers().unfired(*sim)) sim->warn(std::move(line));
        flushWarnings();
        printTimeline(std::cout, *sim);
        std::printf("ran %lld steps to t = %.3f s; %zu vessel(s) remain\n", static_cast<long long>(sim->stepCount()),
                    sim->simTime(), sim->vessels().size());
        std::fflush(stdout);
        if (OutputFile *save = files.find("--save")) save->write(sim->saveScenarioText());
        outputs.write(*sim, scenarioTitle(trees.searchOrder(), scenarioPath));
        sim->trace().close();
        if (int signal = platform::stopSignal()) throw RunStopped{signal};
        files.commit();
        if (o.plot) std::cout << "plotted " << *o.plot << "\n";
        if (o.csv) std::cout << "wrote " << *o.csv << "\n";
        if (o.save) std::cout << "saved " << *o.save << "\n";
        return kExitOk;
    } catch (const RunStopped &stop) {
        std::cerr << "quva run: stopped by " << signalName(stop.signal)
                  << (sim ? " after step " + std::to_string(sim->stepCount()) : std::string())
                  << "; no output written, existing files left as they were\n";
        return 128 + stop.signal;
    } catch (const std::exception &e) {
        return reportFailure("run", e);
    }
}

}  // namespace

void addRunCommand(CLI::App &app, std::function<Trees()> trees, int &exitCode) {
    auto o = std::make_shared<RunOptions>();
    CLI::App *cmd = app.add_subcommand("run", "run a scenario headless and print its timeline");
    cmd->add_option("scenario", o->scenario, "scenario file (or a name under Scenarios/)")->required();
    cmd->add_option("--dt", o->dt, "step length in seconds (default 0.1)");
    auto *steps = cmd->add_option("--steps", o->steps, "number of steps to run");
    auto *until = cmd->add_option("--until", o->until, "simulation time to run to, in seconds (default 60)");
    steps->excludes(until);
    cmd->add_option("--save", o->save, "write the scenario as it stands at the end to FILE");
    cmd->add_option("--trace", o->trace, "write the call trace to FILE, one JSON object per line");
    cmd->add_option("--csv", o->csv,
                    "write telemetry to FILE: time, vessel, altitude, speed, vertical_speed, drag, mass, anim0...");
    cmd->add_option("--csv-interval", o->csvInterval,
                    "seconds of simulation time between telemetry samples (default: every step)");
    cmd->add_option("--plot", o->plot,
                    "draw altitude, descent rate and animation states against time to FILE (SVG)");
    cmd->add_flag("--keep-unknown", o->keepUnknown,
                  "carry vessels of unknown classes along unchanged instead of failing");
    cmd->add_option("--release", o->releases,
                    "T:VESSEL or COND:VESSEL  release VESSEL from its parent at time T, or at the first step end "
                    "where COND holds (READING<VALUE, <=, >, >=; READING: alt, airspeed, vz, t), e.g. alt<7000:Drogue")
        ->take_all();
    cmd->add_option("--key", o->keys,
                    "T:VESSEL:KEY[+MOD...] or COND:VESSEL:KEY[+MOD...]  press KEY (a letter) for VESSEL at time T or "
                    "once COND holds; MOD: lshift, rshift, lctrl, rctrl, lalt, ralt")
        ->take_all();
    cmd->callback([o, trees, &exitCode] { exitCode = run(*o, trees()); });
}

}  // namespace quva::cli
