// One vessel of a class, made on its own in a simulation of its own, for commands that look at
// what a class is rather than at a flight.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli_common.h"
#include "core/simulation.h"

namespace quva::cli {

struct ClassSample {
    std::unique_ptr<Simulation> sim;  // holds the flight model off: the vessel stays as created
    const VesselClass *vesselClass = nullptr;
    Vessel *vessel = nullptr;
};

// Creates the vessel, named after its class, with the trace kept in memory from before the module
// is loaded. Throws std::runtime_error naming the class when the tree has neither a module nor a
// configuration for it, or when it cannot be created. Warnings go to `warnings`.
ClassSample makeClassSample(const Trees &trees, const std::string &className, std::ostream &warnings);

}  // namespace quva::cli
