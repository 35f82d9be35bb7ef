// The extension module quva._quva: the runtime's simulation as Python objects. The pure-Python
// package quva (quva/__init__.py) builds the public interface on it.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <stdexcept>

#include "files/scenario.h"
#include "simulation_core.h"
#include "telemetry_record.h"
#include "vessel_handle.h"

namespace py = pybind11;
using quva::python::LoadOptions;
using quva::python::SimulationCore;
using quva::python::TelemetryRecord;
using quva::python::VesselHandle;

namespace {

// quva.Error, raised with the message the quva command prints and, for bad input, its file and
// line as attributes (None otherwise).
PyObject *errorType = nullptr;

void raiseError(const std::string &message, py::object file, py::object line) {
    py::object error = py::reinterpret_borrow<py::object>(errorType)(message);
    error.attr("file") = std::move(file);
    error.attr("line") = std::move(line);
    PyErr_SetObject(errorType, error.ptr());
}

void translate(std::exception_ptr p) {
    try {
        if (p) std::rethrow_exception(p);
    } catch (py::error_already_set &e) {
        e.restore();  // a Python exception on its way through, such as KeyboardInterrupt
    } catch (const py::builtin_exception &e) {
        e.set_error();
    } catch (const quva::InputError &e) {
        raiseError(e.what(), py::str(e.file()), e.line() > 0 ? py::object(py::int_(e.line())) : py::object(py::none()));
    } catch (const std::invalid_argument &e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::bad_alloc &) {
        PyErr_SetString(PyExc_MemoryError, "out of memory");
    } catch (const std::exception &e) {
        raiseError(e.what(), py::none(), py::none());
    }
}

// Lets Ctrl-C end a long run: raises KeyboardInterrupt (or what a signal handler raised).
void checkSignals() {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

py::dict trackColumns(const quva::python::VesselTrack &t) {
    py::dict d;
    d["time"] = t.time;
    d["altitude"] = t.altitude;
    d["speed"] = t.speed;
    d["airspeed"] = t.airspeed;
    d["vertical_speed"] = t.verticalSpeed;
    d["drag"] = t.drag;
    d["mass"] = t.mass;
    for (std::size_t a = 0; a < t.animations.size(); ++a) d[py::str("anim" + std::to_string(a))] = t.animations[a];
    return d;
}

py::dict telemetryColumns(const SimulationCore &core) {
    const TelemetryRecord *record = core.telemetry();
    if (!record) throw std::runtime_error("no telemetry was recorded: load the scenario with telemetry=True");
    py::dict out;
    for (const std::string &name : record->order()) out[py::str(name)] = trackColumns(record->tracks().at(name));
    return out;
}

std::vector<VesselHandle> vesselList(const std::shared_ptr<SimulationCore> &core) {
    std::vector<VesselHandle> list;
    for (const auto &v : core->sim().vessels()) list.emplace_back(core, *v);
    return list;
}

void bindSimulation(py::module_ &m) {
    py::class_<SimulationCore, std::shared_ptr<SimulationCore>>(m, "SimulationCore",
                                                                 "A loaded scenario in the runtime (see quva.Simulation).")
        .def(py::init([](std::string scenario, std::string root, double dt, bool keepUnknown, bool trace,
                         bool telemetry) {
                 LoadOptions o{std::move(scenario), std::move(root), dt, keepUnknown, trace, telemetry};
                 return std::make_shared<SimulationCore>(o);
             }),
             py::arg("scenario"), py::arg("root"), py::arg("dt"), py::arg("keep_unknown"), py::arg("trace"),
             py::arg("telemetry"))
        .def("close", &SimulationCore::close, "Ends the simulation; its vessels' handles stop working.")
        .def_property_readonly("closed", &SimulationCore::closed)
        .def_property_readonly("failure", &SimulationCore::failure,
                               "The error that stopped the simulation, or None.")
        .def("step", [](SimulationCore &core, std::int64_t n) { core.step(n, checkSignals); }, py::arg("n") = 1)
        .def("run_until", [](SimulationCore &core, double t) { core.runUntil(t, checkSignals); }, py::arg("t"))
        .def_property_readonly("t", [](const SimulationCore &c) { return c.sim().simTime(); })
        .def_property_readonly("mjd", [](const SimulationCore &c) { return c.sim().mjd(); })
        .def_property_readonly("dt", [](const SimulationCore &c) { return c.sim().dt(); })
        .def_property_readonly("step_count", [](const SimulationCore &c) { return c.sim().stepCount(); })
        .def_property_readonly("scenario_path", &SimulationCore::scenarioPath)
        .def("vessels", &vesselList)
        .def("vessel",
             [](const std::shared_ptr<SimulationCore> &core, const std::string &name) {
                 return VesselHandle(core, core->sim().vessel(name));
             },
             py::arg("name"))
        .def("save", [](SimulationCore &c, const std::string &path) { c.sim().saveScenario(path); }, py::arg("path"))
        .def("scenario_text", [](SimulationCore &c) { return c.sim().saveScenarioText(); })
        .def("trace_json",
             [](const SimulationCore &c, std::size_t start) {
                 std::vector<std::string> lines;
                 const auto &records = c.sim().trace().records();
                 for (std::size_t i = start; i < records.size(); ++i) lines.push_back(records[i].json());
                 return lines;
             },
             py::arg("start") = 0)
        .def_property_readonly("tracing", [](const SimulationCore &c) { return c.sim().trace().enabled(); })
        .def("timeline",
             [](const SimulationCore &c) {
                 py::list entries;
                 for (const auto &e : c.sim().timeline()) entries.append(py::make_tuple(e.step, e.t, e.vessel, e.text));
                 return entries;
             })
        .def("warnings", [](const SimulationCore &c) { return c.sim().warnings(); })
        .def("telemetry", &telemetryColumns);
}

py::tuple triple(const std::array<double, 3> &v) { return py::make_tuple(v[0], v[1], v[2]); }

void bindVessel(py::module_ &m) {
    py::class_<VesselHandle>(m, "Vessel", "One vessel of a simulation, read and acted on while it exists.")
        .def_property_readonly("name", &VesselHandle::name, "The vessel's name in the scenario.")
        .def_property_readonly("class_name", &VesselHandle::className, "Its vessel class.")
        .def_property_readonly("alive", &VesselHandle::alive, "False once the vessel is removed or the simulation closed.")
        .def_property_readonly("position", [](const VesselHandle &v) { return triple(v.position()); },
                               "(x, y, z) in m from the body's centre.")
        .def_property_readonly("velocity", [](const VesselHandle &v) { return triple(v.velocity()); },
                               "(x, y, z) in m/s relative to the body.")
        .def_property_readonly("altitude", &VesselHandle::altitude, "m above the body's surface.")
        .def_property_readonly("airspeed", &VesselHandle::airspeed, "m/s relative to the air around it.")
        .def_property_readonly("ground_speed", &VesselHandle::groundSpeed, "m/s relative to the ground below, which turns with the body.")
        .def_property_readonly("vertical_speed", &VesselHandle::verticalSpeed, "m/s, positive upwards.")
        .def_property_readonly("mass", &VesselHandle::mass, "kg: empty mass plus propellant.")
        .def_property("empty_mass", &VesselHandle::emptyMass, &VesselHandle::setEmptyMass,
                      "kg, without propellant; settable (for runs with dispersed masses).")
        .def_property_readonly("drag", &VesselHandle::drag, "N, from the latest force evaluation.")
        .def_property_readonly("ground_contact", &VesselHandle::groundContact, "True while it touches the ground.")
        .def_property_readonly("landed", &VesselHandle::landed, "True while it rests on the surface.")
        .def_property_readonly("parent", &VesselHandle::parent, "The vessel holding it, or None.")
        .def_property_readonly("animations", &VesselHandle::animations, "The state of each animation, 0 to 1.")
        .def("release", &VesselHandle::release, "Releases the vessel from its parent.")
        .def("press", &VesselHandle::press, py::arg("key"), py::arg("modifiers") = std::vector<std::string>{},
             "Presses a letter key for the vessel, with modifier keys held down; True if the vessel used it.")
        .def("delete", &VesselHandle::requestDeletion,
             "Asks for the vessel's removal, which takes effect at the end of the next step.")
        .def("__repr__", [](const VesselHandle &v) {
            return "<quva.Vessel " + v.name() + (v.alive() ? "" : " (gone)") + ">";
        });
}

}  // namespace

PYBIND11_MODULE(_quva, m) {
    m.doc() = "The quva host runtime, as used by the quva package.";
    errorType = PyErr_NewExceptionWithDoc("quva.Error",
                                          "A failure of the simulation: bad input (with .file and .line) or misuse.",
                                          nullptr, nullptr);
    m.attr("Error") = py::reinterpret_borrow<py::object>(errorType);
    py::register_exception_translator(&translate);
    bindSimulation(m);
    bindVessel(m);
}
