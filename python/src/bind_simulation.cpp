// quva._quva.SimulationCore: a loaded scenario, its clock and what it records.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "bindings.h"
#include "core/triggers.h"
#include "entry.h"
#include "replay/replay_file.h"
#include "simulation_core.h"
#include "vessel_handle.h"

namespace py = pybind11;

namespace quva::python {

namespace {

using Core = std::shared_ptr<SimulationCore>;

// Steps between two looks at the interpreter's signals (Ctrl-C) while a run holds no lock.
constexpr std::int64_t kSliceSteps = 1000;

LoadOptions loadOptions(const std::string &root, double dt, bool keepUnknown, bool trace, bool telemetry,
                        const std::optional<std::vector<std::string>> &columns, double interval, std::int64_t limit,
                        bool refuelOnPad, bool combined, bool replay) {
    LoadOptions o;
    o.replay = replay;
    o.root = root;
    o.dt = dt;
    o.keepUnknown = keepUnknown;
    o.trace = trace;
    o.refuelOnPad = refuelOnPad;
    o.assembly = combined ? AssemblyModel::Combined : AssemblyModel::Simulator;
    o.telemetry.enabled = telemetry;
    o.telemetry.interval = interval;
    o.telemetry.limit = limit;
    if (columns) {
        o.telemetry.columns.reset();
        for (const std::string &name : *columns) {
            const auto c = columnNamed(name);
            if (!c) throw std::invalid_argument("no telemetry column \"" + name + "\"");
            o.telemetry.columns.set(static_cast<std::size_t>(*c));
        }
    }
    return o;
}

Core load(const std::string &scenario, const std::optional<std::string> &text, const std::string &root, double dt,
          bool keepUnknown, bool trace, bool telemetry, const std::optional<std::vector<std::string>> &columns,
          double interval, std::int64_t limit, bool refuelOnPad, bool combined, bool replay) {
    const LoadOptions o =
        loadOptions(root, dt, keepUnknown, trace, telemetry, columns, interval, limit, refuelOnPad, combined, replay);
    const ScenarioDocument doc = text ? scenarioFromText(*text, scenario) : readScenarioFile(scenario);
    py::gil_scoped_release unlocked;  // modules load and run their first callbacks meanwhile
    return std::make_shared<SimulationCore>(o, doc);
}

// Runs to step `last`, a slice at a time without the interpreter lock, looking at the signals
// between slices; returns (notices, done) as soon as the script's actions came due.
py::tuple advance(SimulationCore &core, std::int64_t last, double end) {
    for (;;) {
        Advance a;
        {
            py::gil_scoped_release unlocked;
            Entry entry(core);
            a = core.advance(last, end, kSliceSteps);
        }
        if (a.done || !a.notices.empty()) return py::make_tuple(a.notices, a.done);
        checkSignals();
    }
}

// A column as a NumPy array when NumPy is there (copied at once, not through a list), else a list.
py::object columnValues(const std::vector<double> &values) {
    static const bool numpy = [] {
        try {
            py::module_::import("numpy");
            return true;
        } catch (const py::error_already_set &) {
            return false;
        }
    }();
    if (!numpy) return py::cast(values);
    return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::dict telemetryColumns(const SimulationCore &core, const std::optional<std::vector<std::string>> &wanted) {
    const TelemetryRecord *record = core.telemetry();
    if (!record) throw std::runtime_error("no telemetry was recorded: load the scenario with telemetry=True");
    std::vector<Column> columns;
    bool animations = true;
    if (wanted) {
        animations = false;
        for (const std::string &name : *wanted) {
            const auto c = columnNamed(name);
            if (!c) throw std::invalid_argument("no telemetry column \"" + name + "\"");
            if (!record->options().columns.test(static_cast<std::size_t>(*c)))
                throw std::invalid_argument("the telemetry column \"" + name + "\" was not recorded");
            if (*c == Column::Animations) animations = true;
            else columns.push_back(*c);
        }
    } else {
        for (std::size_t c = 0; c < static_cast<std::size_t>(Column::Animations); ++c)
            if (record->options().columns.test(c)) columns.push_back(static_cast<Column>(c));
        animations = record->options().columns.test(static_cast<std::size_t>(Column::Animations));
    }
    py::dict out;
    for (const std::string &name : record->order()) {
        const VesselTrack &t = record->tracks().at(name);
        py::dict d;
        for (Column c : columns) d[columnName(c)] = columnValues(t.columns[static_cast<std::size_t>(c)]);
        if (animations)
            for (std::size_t a = 0; a < t.animations.size(); ++a)
                d[py::str("anim" + std::to_string(a))] = columnValues(t.animations[a]);
        out[py::str(name)] = d;
    }
    return out;
}

std::size_t addTrigger(SimulationCore &core, const std::string &condition, const std::string &vessel,
                       const std::string &action, const std::string &key, const std::vector<std::string> &modifiers,
                       int notice) {
    TriggeredEvent e;
    e.condition = parseCondition(condition);
    e.vessel = vessel;
    e.notice = notice;
    if (action == "release") e.action = TriggeredEvent::Action::Release;
    else if (action == "delete") e.action = TriggeredEvent::Action::Delete;
    else if (action == "notice") e.action = TriggeredEvent::Action::Notice;
    else if (action == "press") {
        e.action = TriggeredEvent::Action::Key;
        const KeyPress k = keyPress(key, modifiers);
        e.key = k.key;
        e.modifiers = k.modifiers;
    } else {
        throw std::invalid_argument("unknown action \"" + action + "\"");
    }
    Entry entry(core);
    return core.addTrigger(std::move(e));
}

VesselHandle addVessel(const Core &core, const std::string &name, const std::string &className,
                       const std::optional<GroundPlacement> &placement, const std::vector<std::string> &lines) {
    Entry entry(*core);
    Simulation &sim = core->simForChange();
    const Vessel &v = placement ? sim.createVessel(name, className, *placement, lines) : sim.createVessel(name, className, lines);
    core->resampleTelemetry();
    return VesselHandle(core, v);
}

// Binds a method that reads or changes the simulation within an entry.
template <class F>
auto entered(F f) {
    return [f](SimulationCore &core) {
        Entry entry(core);
        return f(core);
    };
}

}  // namespace

void bindSimulation(py::module_ &m) {
    m.def("load", &load, py::arg("scenario"), py::arg("text"), py::arg("root"), py::arg("dt"), py::arg("keep_unknown"),
          py::arg("trace"), py::arg("telemetry"), py::arg("columns"), py::arg("interval"), py::arg("limit"),
          py::arg("refuel_on_pad"), py::arg("combined"), py::arg("replay"));
    m.def("step_of_time", &stepOfTime, py::arg("t"), py::arg("dt"),
          "The step after which something at time t happens (the rule of timed events).");
    py::class_<SimulationCore, Core>(m, "SimulationCore", "A loaded scenario in the runtime (see quva.Simulation).")
        .def("close", entered([](SimulationCore &c) { c.close(); }))
        .def_property_readonly("closed", entered([](SimulationCore &c) { return c.closed(); }))
        .def_property_readonly("failure", entered([](SimulationCore &c) { return c.failure(); }))
        .def("advance", &advance, py::arg("last"), py::arg("end"))
        .def("telemetry_fits", [](SimulationCore &c, std::int64_t steps) {
            Entry entry(c);
            return c.telemetryFits(steps);
        })
        .def_property_readonly("t", entered([](SimulationCore &c) { return c.sim().simTime(); }))
        .def_property_readonly("mjd", entered([](SimulationCore &c) { return c.sim().mjd(); }))
        .def_property_readonly("dt", entered([](SimulationCore &c) { return c.sim().dt(); }))
        .def_property_readonly("step_count", entered([](SimulationCore &c) { return c.sim().stepCount(); }))
        .def_property_readonly("scenario_path", &SimulationCore::scenarioPath)
        .def("vessels",
             [](const Core &core) {
                 Entry entry(*core);
                 std::vector<VesselHandle> list;
                 for (const auto &v : core->sim().vessels()) list.emplace_back(core, *v);
                 return list;
             })
        .def("vessel",
             [](const Core &core, const std::string &name) {
                 Entry entry(*core);
                 return VesselHandle(core, core->sim().vessel(name));
             },
             py::arg("name"))
        .def("add_vessel", &addVessel, py::arg("name"), py::arg("class_name"), py::arg("placement"), py::arg("lines"))
        .def("add_trigger", &addTrigger, py::arg("condition"), py::arg("vessel"), py::arg("action"), py::arg("key"),
             py::arg("modifiers"), py::arg("notice"))
        .def("trigger_state",
             [](SimulationCore &c, std::size_t index) {
                 Entry entry(c);
                 const TriggeredEvent &e = c.sim().triggers().events().at(index);
                 return py::make_tuple(e.fired, e.fired ? py::object(py::float_(e.firedAt)) : py::object(py::none()));
             })
        .def("copy",
             [](SimulationCore &c) {
                 py::gil_scoped_release unlocked;
                 Entry entry(c);
                 return Core(c.copy());
             })
        .def("save",
             [](SimulationCore &c, const std::string &path) {
                 Entry entry(c);
                 c.sim().saveScenario(path, "save");
             },
             py::arg("path"))
        .def("replay",
             [](SimulationCore &c, const std::string &path) {
                 Entry entry(c);
                 const cli::ReplayRecorder *recorder = c.replay();
                 if (!recorder) throw std::runtime_error("no replay was recorded: load the scenario with replay=True");
                 const std::string title = std::filesystem::path(c.scenarioPath()).stem().string();
                 cli::writeReplayFile(path, "replay", recorder->run(c.sim(), title));
             },
             py::arg("path"))
        .def("scenario_text", entered([](SimulationCore &c) { return c.sim().saveScenarioText(); }))
        .def("trace_json",
             [](SimulationCore &c, std::size_t start) {
                 Entry entry(c);
                 std::vector<std::string> lines;
                 const auto &records = c.sim().trace().records();
                 for (std::size_t i = start; i < records.size(); ++i) lines.push_back(records[i].json());
                 return lines;
             },
             py::arg("start") = 0)
        .def_property_readonly("tracing", entered([](SimulationCore &c) { return c.sim().trace().enabled(); }))
        .def("timeline", entered([](SimulationCore &c) {
                 py::list entries;
                 for (const auto &e : c.sim().timeline()) entries.append(py::make_tuple(e.step, e.t, e.vessel, e.text));
                 return entries;
             }))
        .def("warnings", entered([](SimulationCore &c) { return c.sim().warnings(); }))
        .def("telemetry",
             [](SimulationCore &c, const std::optional<std::vector<std::string>> &columns) {
                 Entry entry(c);
                 return telemetryColumns(c, columns);
             },
             py::arg("columns") = py::none());
}

}  // namespace quva::python
