#include "classes/class_sample.h"

#include <stdexcept>

namespace quva::cli {

namespace {

std::string treeNames(const Trees &trees) {
    std::string out;
    for (const auto &root : trees.searchOrder()) out += (out.empty() ? "" : " nor ") + root.string();
    return out;
}

}  // namespace

ClassSample makeClassSample(const Trees &trees, const std::string &className, std::ostream &warnings) {
    SimulationOptions options;
    options.root = trees.own;
    options.extraRoots = trees.user;
    options.flightModel = false;
    ClassSample s;
    s.sim = std::make_unique<Simulation>(options);
    s.sim->trace().keepInMemory(true);
    if (!s.sim->modules().knows(className))
        throw std::runtime_error("no vessel class \"" + className + "\": " + treeNames(trees) + " has neither Modules/" +
                                 className + ".so nor Config/Vessels/" + className + ".cfg");
    auto flush = [&] {
        for (const std::string &w : s.sim->warnings()) warnings << "warning: " << w << "\n";
    };
    try {
        s.vesselClass = &s.sim->modules().vesselClass(className);
        s.vessel = &s.sim->createVessel(className, className);
    } catch (...) {
        flush();
        throw;
    }
    flush();
    return s;
}

}  // namespace quva::cli
