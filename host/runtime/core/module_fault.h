// A module that fails while the host calls it: an exception escaping one of its callbacks, or a
// value handed to the host that cannot be flown (a mass, size or area that is not a finite number
// of 0 or more). Either ends the run with an error naming the vessel, its class, the call and the
// step; during loading the scenario line is added by the loader.
#pragma once

#include <stdexcept>
#include <string>

namespace quva {

class Simulation;
struct Vessel;

class ModuleFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "vessel "NAME" (class CLASS)", or "no vessel" when `v` is null.
std::string describeVessel(const Vessel *v);

// Throws a ModuleFault for the exception being handled, which escaped the module call `call`
// made for `v`. Called from inside a catch block only.
[[noreturn]] void throwModuleFault(const Simulation &sim, const Vessel *v, const char *call);

}  // namespace quva
