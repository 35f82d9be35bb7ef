// quva._quva.Vessel, and the placement a script gives a vessel.
#include <pybind11/stl.h>

#include <array>
#include <stdexcept>

#include "bindings.h"
#include "vessel_handle.h"
#include "world/body.h"

namespace py = pybind11;

namespace quva::python {

namespace {

py::tuple triple(const std::array<double, 3> &v) { return py::make_tuple(v[0], v[1], v[2]); }
py::tuple triple(const Vec3 &v) { return py::make_tuple(v.x, v.y, v.z); }

GroundPlacement makePlacement(double latitude, double longitude, std::optional<double> altitude,
                              std::array<double, 3> velocity, const std::string &relativeTo, double heading,
                              double pitch, double bank, std::array<double, 3> angularVelocity,
                              const std::string &body, bool landed) {
    GroundPlacement p;
    p.body = findBody(body);
    if (!p.body) throw std::invalid_argument("unknown body \"" + body + "\" (use Earth or Moon)");
    if (relativeTo != "air" && relativeTo != "ground")
        throw std::invalid_argument("relative_to is \"air\" or \"ground\", not \"" + relativeTo + "\"");
    p.relativeTo = relativeTo == "air" ? GroundPlacement::Reference::Air : GroundPlacement::Reference::Ground;
    p.latitude = latitude;
    p.longitude = longitude;
    p.altitude = altitude;
    p.velocityEnu = {velocity[0], velocity[1], velocity[2]};
    p.heading = heading;
    p.pitch = pitch;
    p.bank = bank;
    p.angularVelocity = {angularVelocity[0], angularVelocity[1], angularVelocity[2]};
    p.landed = landed;
    if (std::string problem = placementProblem(p); !problem.empty()) throw std::invalid_argument(problem);
    return p;
}

// A property of the vessel's readings.
template <class F>
auto reading(F f) {
    return [f](const VesselHandle &v) { return f(v.readings()); };
}

}  // namespace

void bindVessel(py::module_ &m) {
    py::class_<GroundPlacement>(m, "Placement", "Where a vessel is put over its planet (see quva.Vessel.place).");
    m.def("placement", &makePlacement, py::arg("latitude"), py::arg("longitude"), py::arg("altitude"),
          py::arg("velocity"), py::arg("relative_to"), py::arg("heading"), py::arg("pitch"), py::arg("bank"),
          py::arg("angular_velocity"), py::arg("body"), py::arg("landed"));

    py::class_<VesselHandle>(m, "Vessel", "One vessel of a simulation, read and acted on while it exists.")
        .def_property_readonly("name", &VesselHandle::name, "The vessel's name in the scenario.")
        .def_property_readonly("class_name", &VesselHandle::className, "Its vessel class.")
        .def_property_readonly("alive", &VesselHandle::alive, "False once the vessel is removed or the simulation closed.")
        .def_property_readonly("position", [](const VesselHandle &v) { return triple(v.position()); },
                               "(x, y, z) in m from the body's centre, on the global axes.")
        .def_property_readonly("velocity", [](const VesselHandle &v) { return triple(v.velocity()); },
                               "(x, y, z) in m/s relative to the body's centre, on the global axes.")
        .def_property_readonly("altitude", reading([](const VesselReadings &r) { return r.altitude; }),
                               "m above the body's surface.")
        .def_property_readonly("airspeed", reading([](const VesselReadings &r) { return r.airspeed; }),
                               "m/s relative to the air around it, which turns with the body.")
        .def_property_readonly("ground_speed", reading([](const VesselReadings &r) { return r.groundSpeed; }),
                               "m/s relative to the ground below, which turns with the body.")
        .def_property_readonly("vertical_speed", reading([](const VesselReadings &r) { return r.verticalSpeed; }),
                               "m/s, positive upwards.")
        .def_property_readonly("latitude", reading([](const VesselReadings &r) { return r.latitude; }), "Degrees north.")
        .def_property_readonly("longitude", reading([](const VesselReadings &r) { return r.longitude; }),
                               "Degrees east, in (-180, 180].")
        .def_property_readonly("velocity_enu", reading([](const VesselReadings &r) { return triple(r.velocityEnu); }),
                               "(east, north, up) in m/s over the turning ground.")
        .def_property_readonly("heading", reading([](const VesselReadings &r) { return r.heading; }),
                               "Degrees from north toward east of the nose (+z), in [0, 360).")
        .def_property_readonly("pitch", reading([](const VesselReadings &r) { return r.pitch; }),
                               "Degrees of the nose above the horizon.")
        .def_property_readonly("bank", reading([](const VesselReadings &r) { return r.bank; }),
                               "Degrees about the nose, positive with the right side (+x) down.")
        .def_property_readonly("angular_velocity",
                               reading([](const VesselReadings &r) { return triple(r.angularVelocity); }),
                               "(x, y, z) in rad/s about the vessel's axes, as VROT in rad.")
        .def_property_readonly("dynamic_pressure", reading([](const VesselReadings &r) { return r.dynamicPressure; }),
                               "Pa: half the air's density times the airspeed squared.")
        .def_property_readonly("mach", reading([](const VesselReadings &r) { return r.mach; }),
                               "Airspeed over the speed of sound there; 0 where there is no air.")
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
        .def("_place", &VesselHandle::place, py::arg("placement"))
        .def("__repr__", [](const VesselHandle &v) {
            return "<quva.Vessel " + v.name() + (v.alive() ? "" : " (gone)") + ">";
        });
}

}  // namespace quva::python
