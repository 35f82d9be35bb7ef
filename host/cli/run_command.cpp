#include "run_command.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>

#include "cli_common.h"
#include "event_options.h"
#include "platform.h"
#include "run_outputs.h"
#include "scenario.h"
#include "simulation.h"
#include "timeline.h"

namespace quva::cli {

namespace {

struct RunOptions {
    std::string scenario;
    double dt = 0.1;
    std::optional<long long> steps;
    std::optional<double> until;
    std::string save;
    std::string trace;
    std::vector<std::string> releases;
    std::vector<std::string> keys;
    bool keepUnknown = false;
    OutputOptions outputs;
};

// A trace file is written under a temporary name and takes its own name only once the run has
// succeeded, so a failed run leaves no partial trace behind.
class TraceFile {
public:
    explicit TraceFile(std::string path) : path_(std::move(path)), part_(path_.empty() ? "" : path_ + ".part") {}
    ~TraceFile() {
        if (!part_.empty() && !done_) std::remove(part_.c_str());
    }
    TraceFile(const TraceFile &) = delete;
    TraceFile &operator=(const TraceFile &) = delete;
    const std::string &partPath() const { return part_; }
    void commit(Trace &trace) {
        trace.close();
        if (part_.empty()) return;
        try {
            platform::replaceFile(part_, path_);
        } catch (const std::system_error &) {
            throw std::runtime_error(path_ + ": cannot write the trace");
        }
        done_ = true;
    }

private:
    std::string path_, part_;
    bool done_ = false;
};

// The longest run accepted: far beyond any real one, it turns a slip in --dt, --until or --steps
// into an error instead of a run that never ends.
constexpr double kMaxSteps = 1e9;

// Why an output file cannot be written where it is named, or empty. Checked before the run, so
// that a run whose last output cannot be written has not already written the others.
std::string outputProblem(const std::string &option, const std::string &path) {
    namespace fs = std::filesystem;
    if (path.empty()) return {};
    std::error_code ec;
    const fs::path p(path);
    if (fs::is_directory(p, ec)) return option + " " + path + ": is a folder";
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) return option + " " + path + ": there is no folder " + dir.string();
    return {};
}

int run(const RunOptions &o, const Trees &trees) {
    if (!(o.dt > 0.0) || !std::isfinite(o.dt)) {
        std::cerr << "quva run: --dt must be a positive number of seconds\n";
        return kExitUsage;
    }
    if (o.until && (!std::isfinite(*o.until) || *o.until < 0.0)) {
        std::cerr << "quva run: --until must be a time of 0 s or more\n";
        return kExitUsage;
    }
    if (o.steps && *o.steps < 0) {
        std::cerr << "quva run: --steps must be 0 or more\n";
        return kExitUsage;
    }
    if (!std::isfinite(o.outputs.csvInterval) || o.outputs.csvInterval < 0.0) {
        std::cerr << "quva run: --csv-interval must be a time of 0 s or more\n";
        return kExitUsage;
    }
    const double steps = o.steps ? static_cast<double>(*o.steps) : std::floor(o.until.value_or(60.0) / o.dt);
    if (steps > kMaxSteps) {
        std::cerr << "quva run: --dt, --until and --steps ask for more than " << static_cast<long long>(kMaxSteps)
                  << " steps\n";
        return kExitUsage;
    }
    for (const auto &[option, path] : {std::pair{"--save", o.save}, std::pair{"--trace", o.trace},
                                       std::pair{"--csv", o.outputs.csv}, std::pair{"--plot", o.outputs.plot}}) {
        if (std::string problem = outputProblem(option, path); !problem.empty()) {
            std::cerr << "quva run: " << problem << "\n";
            return kExitFailure;
        }
    }
    std::vector<ScheduledEvent> events;
    try {
        for (const auto &r : o.releases) events.push_back(parseRelease(r));
        for (const auto &k : o.keys) events.push_back(parseKey(k));
    } catch (const std::invalid_argument &e) {
        std::cerr << "quva run: " << e.what() << "\n";
        return kExitUsage;
    }

    std::filesystem::path scenarioPath = resolveScenario(trees.searchOrder(), o.scenario);
    TraceFile traceFile(o.trace);
    RunOutputs outputs(o.outputs);
    SimulationOptions options;
    options.root = trees.own;
    options.extraRoots = trees.user;
    options.dt = o.dt;
    options.keepUnknownClasses = o.keepUnknown;
    try {
        ScenarioDocument doc = readScenarioFile(scenarioPath.string());
        Simulation sim(options);
        if (!traceFile.partPath().empty() && !sim.trace().openFile(traceFile.partPath()))
            throw std::runtime_error(o.trace + ": cannot write the trace");
        std::size_t warned = 0;
        auto flushWarnings = [&] {
            for (; warned < sim.warnings().size(); ++warned) std::cerr << "warning: " << sim.warnings()[warned] << "\n";
        };
        try {
            sim.loadScenario(doc);
        } catch (...) {
            flushWarnings();
            throw;
        }
        for (const auto &e : events) {
            if (!sim.findVessel(e.vessel)) {
                flushWarnings();
                std::cerr << "quva run: no vessel named \"" << e.vessel << "\" in " << scenarioPath.string() << "\n";
                return kExitFailure;
            }
            sim.schedule(e);
        }
        for (const auto &init : sim.modules().initLibCalls()) std::cout << init.logLine << "\n";
        std::cout << "scenario " << scenarioPath.string() << ": " << sim.vessels().size() << " vessel(s), dt " << o.dt
                  << " s\n";
        const double until = o.until.value_or(60.0);
        outputs.start(sim, o.steps ? static_cast<double>(*o.steps) : until, o.steps ? "steps" : "s");
        if (o.steps) sim.runSteps(*o.steps);
        else sim.runUntil(until);
        outputs.stop(sim);
        flushWarnings();
        printTimeline(std::cout, sim);
        std::printf("ran %lld steps to t = %.3f s; %zu vessel(s) remain\n", static_cast<long long>(sim.stepCount()),
                    sim.simTime(), sim.vessels().size());
        std::fflush(stdout);
        // The scenario text first: a vessel that cannot be saved fails the run before any output
        // file has been written.
        const std::string saved = o.save.empty() ? std::string() : sim.saveScenarioText();
        outputs.write(sim, scenarioTitle(trees.searchOrder(), scenarioPath), std::cout);
        if (!o.save.empty()) {
            writeFileAtomically(o.save, saved);
            std::cout << "saved " << o.save << "\n";
        }
        traceFile.commit(sim.trace());
        return kExitOk;
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
    cmd->add_option("--csv", o->outputs.csv,
                    "write telemetry to FILE: time, vessel, altitude, speed, vertical_speed, drag, mass, anim0...");
    cmd->add_option("--csv-interval", o->outputs.csvInterval,
                    "seconds of simulation time between telemetry samples (default: every step)");
    cmd->add_option("--plot", o->outputs.plot,
                    "draw altitude, descent rate and animation states against time to FILE (SVG)");
    cmd->add_flag("--keep-unknown", o->keepUnknown,
                  "carry vessels of unknown classes along unchanged instead of failing");
    cmd->add_option("--release", o->releases, "T:VESSEL  release VESSEL from its parent at time T")->take_all();
    cmd->add_option("--key", o->keys, "T:VESSEL:KEY[+MOD...]  press KEY (a letter) for VESSEL at time T; MOD: lshift, rshift, lctrl, rctrl, lalt, ralt")->take_all();
    cmd->callback([o, trees, &exitCode] { exitCode = run(*o, trees()); });
}

}  // namespace quva::cli
