#include "core/module_fault.h"

#include <cstdio>
#include <exception>

#include "core/simulation.h"
#include "core/vessel.h"

namespace quva {

std::string describeVessel(const Vessel *v) {
    if (!v) return "no vessel";
    return "vessel \"" + v->name + "\" (class " + v->className + ")";
}

void throwModuleFault(const Simulation &sim, const Vessel *v, const char *call) {
    std::string what;
    try {
        throw;
    } catch (const std::exception &e) {
        what = e.what();
    } catch (...) {
        what = "an exception that is no std::exception";
    }
    char when[96];
    std::snprintf(when, sizeof when, "at step %lld (t = %g s)", static_cast<long long>(sim.stepCount()), sim.simTime());
    throw ModuleFault(describeVessel(v) + ": " + call + " threw an exception " + when + ": " + what);
}

}  // namespace quva
