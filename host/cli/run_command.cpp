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
#include "core/save_fit.h"
#include "core/simulation.h"
#include "files/input_file.h"
#include "files/scenario.h"
#include "platform/host_platform.h"
#include "run/run_files.h"
#include "run/run_options.h"
#include "run/run_outputs.h"
#include "run/timeline.h"

namespace quva::cli {

namespace {

const char *signalName(int signal) { return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal"; }

// What can be checked before anything starts: the step options, the events and the outputs. A
// problem is printed as a usage error, and false returned.
bool checkUsage(const RunOptions &o, const std::filesystem::path &scenario, std::vector<GivenEvent> &events,
                std::vector<PlannedOutput> &planned) {
    try {
        if (std::string problem = stepOptionsProblem(o); !problem.empty()) throw std::invalid_argument(problem);
        for (const auto &r : o.releases) events.push_back({parseReleaseEvent(r), "--release " + r});
        for (const auto &k : o.keys) events.push_back({parseKeyEvent(k), "--key " + k});
        planned = planOutputs({{"--save", o.save}, {"--trace", o.trace}, {"--csv", o.csv}, {"--plot", o.plot},
                               {"--replay", o.replay}},
                              scenario, "--save");
        return true;
    } catch (const std::invalid_argument &e) {
        std::cerr << "quva run: " << e.what() << "\n";
    } catch (const OutputUsageError &e) {
        std::cerr << "quva run: " << e.what() << "\n";
    }
    return false;
}

SimulationOptions simulationOptions(const RunOptions &o, const Trees &trees) {
    SimulationOptions options;
    options.root = trees.own;
    options.extraRoots = trees.user;
    options.dt = o.dt;
    options.keepUnknownClasses = o.keepUnknown;
    options.refuelOnPad = !o.noRefuelOnPad;
    options.assembly = o.assembly == "combined" ? AssemblyModel::Combined : AssemblyModel::Simulator;
    return options;
}

// Prints the simulation's warnings on standard error as they come, each once.
class WarningPrinter {
public:
    void flush(const Simulation &sim) {
        for (; printed_ < sim.warnings().size(); ++printed_) std::cerr << "warning: " << sim.warnings()[printed_] << "\n";
    }

private:
    std::size_t printed_ = 0;
};

// Schedules the timed events and adds the triggered ones. An event for a vessel the scenario does
// not have is an error: its name is returned.
std::optional<std::string> addEvents(Simulation &sim, const std::vector<GivenEvent> &events) {
    for (const auto &given : events) {
        const std::string &vessel = std::visit([](const auto &e) -> const std::string & { return e.vessel; }, given.event);
        if (!sim.findVessel(vessel)) return vessel;
        if (const auto *timed = std::get_if<ScheduledEvent>(&given.event)) sim.schedule(*timed);
        else sim.triggers().add(std::get<TriggeredEvent>(given.event));
    }
    return std::nullopt;
}

void printSummary(const Simulation &sim) {
    printTimeline(std::cout, sim);
    std::printf("ran %lld steps to t = %.3f s; %zu vessel(s) remain\n", static_cast<long long>(sim.stepCount()),
                sim.simTime(), sim.vessels().size());
    std::fflush(stdout);
}

// Checks, loads, flies, reports, writes: a run from its command line to its files.
int run(const RunOptions &o, const Trees &trees) {
    const std::filesystem::path scenarioPath = resolveScenario(trees.searchOrder(), o.scenario);
    std::vector<GivenEvent> events;
    std::vector<PlannedOutput> planned;
    if (!checkUsage(o, scenarioPath, events, planned)) return kExitUsage;

    platform::catchStopSignals();
    RunFiles files;
    WarningPrinter warnings;
    std::optional<Simulation> sim;
    try {
        files.open(planned);  // each target's folder takes a new file, or the run does not start
        ScenarioDocument doc = readScenarioFile(scenarioPath.string());
        sim.emplace(simulationOptions(o, trees));
        if (OutputFile *trace = files.find("--trace")) sim->trace().writeTo(trace);
        try {
            sim->loadScenario(doc);
        } catch (...) {
            warnings.flush(*sim);
            throw;
        }
        if (auto missing = addEvents(*sim, events)) {
            warnings.flush(*sim);
            std::cerr << "quva run: no vessel named \"" << *missing << "\" in " << scenarioPath.string() << "\n";
            return kExitFailure;
        }
        if (files.find("--save")) {
            std::error_code unknown;  // read a moment ago; a size it cannot tell counts as none
            const std::uintmax_t size = std::filesystem::file_size(scenarioPath, unknown);
            if (std::string problem = saveWouldNotLoadAgain(*sim, unknown ? 0 : size); !problem.empty())
                throw std::runtime_error("--save: " + problem);
        }
        for (const auto &init : sim->modules().initLibCalls()) std::cout << init.logLine << "\n";
        std::cout << "scenario " << scenarioPath.string() << ": " << sim->vessels().size() << " vessel(s), dt " << o.dt
                  << " s\n";

        const double until = o.until.value_or(60.0);
        warnOfLateEvents(events, o.steps ? static_cast<double>(*o.steps) * o.dt : until, o.dt);
        RunOutputs outputs({files.find("--csv"), o.csvInterval, files.find("--plot"), files.find("--replay"), files.all()});
        outputs.start(*sim, o.steps ? static_cast<double>(*o.steps) : until, o.steps ? "steps" : "s");
        if (o.steps) sim->runSteps(*o.steps);
        else sim->runUntil(until);
        outputs.stop(*sim);

        for (std::string &line : sim->triggers().unfired(*sim)) sim->warn(std::move(line));
        warnings.flush(*sim);
        printSummary(*sim);

        if (OutputFile *save = files.find("--save")) {
            const std::string text = sim->saveScenarioText();
            if (std::string problem = tooLargeToReadBack(text.size()); !problem.empty())
                throw std::runtime_error("--save: " + problem);
            save->write(text);
        }
        outputs.write(*sim, scenarioTitle(trees.searchOrder(), scenarioPath));
        sim->trace().close();
        if (int signal = platform::stopSignal()) throw RunStopped{signal};
        files.commit();
        if (o.plot) std::cout << "plotted " << *o.plot << "\n";
        if (o.csv) std::cout << "wrote " << *o.csv << "\n";
        if (o.replay) std::cout << "wrote replay " << *o.replay << "\n";
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
                    "write telemetry to FILE: time, vessel, altitude, speed, vertical_speed, drag, mass, anim0..., "
                    "heading, pitch, bank (deg), omega_x, omega_y, omega_z (rad/s)");
    cmd->add_option("--csv-interval", o->csvInterval,
                    "seconds of simulation time between telemetry samples (default: every step)");
    cmd->add_option("--plot", o->plot,
                    "draw altitude, descent rate, animation states and pitch against time to FILE (SVG)");
    cmd->add_option("--replay", o->replay,
                    "write a 3-D replay of the run to FILE: one HTML page that opens offline in a browser "
                    "(vessels posed at every sample, trajectories, events, altitude and vertical speed)");
    cmd->add_flag("--keep-unknown", o->keepUnknown,
                  "carry vessels of unknown classes, or of classes whose module cannot be loaded, along unchanged "
                  "instead of failing");
    cmd->add_flag("--no-refuel-on-pad", o->noRefuelOnPad,
                  "leave the stores of a vessel loaded on a pad of its BASE line as its PRPLEVEL says (by default "
                  "they are filled, as the simulator does)");
    cmd->add_option("--assembly", o->assembly,
                    "how a vessel and the vessels it holds fly: simulator (default: as the simulator flies them, "
                    "a held vessel rides its holder and neither its mass nor its forces count) or combined (one "
                    "rigid body: masses, forces and moments add up)")
        ->check(CLI::IsMember({"simulator", "combined"}));
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
