// A call from Python into one simulation: it waits for any other thread's call on the same
// simulation to end (without holding the interpreter lock meanwhile, so that the other thread can
// finish), then makes the simulation the current one of this thread until it ends.
#pragma once

#include <pybind11/pybind11.h>

#include <mutex>
#include <optional>

#include "simulation_core.h"

namespace quva::python {

class Entry {
public:
    explicit Entry(SimulationCore &core) : lock_(core.mutex(), std::try_to_lock) {
        if (!lock_.owns_lock()) {
            if (PyGILState_Check()) {
                pybind11::gil_scoped_release unlocked;
                lock_.lock();
            } else {
                lock_.lock();
            }
        }
        scope_.emplace(core.raw());
    }
    Entry(const Entry &) = delete;
    Entry &operator=(const Entry &) = delete;

private:
    std::unique_lock<std::recursive_mutex> lock_;
    std::optional<Simulation::Scope> scope_;
};

}  // namespace quva::python
