// What the benchmark files share: the simulation options and their registration functions.
#pragma once

#include "core/simulation.h"
#include "table_reporter.h"

namespace quvabench {

// A simulation over the build tree (modules, configuration, meshes), trace off.
inline quva::SimulationOptions hostOptions(bool flightModel) {
    quva::SimulationOptions o;
    o.root = QUVA_BUILD_ROOT;
    o.dt = 0.1;
    o.flightModel = flightModel;
    return o;
}

void registerAirfoilBenchmarks(TableReporter &table);
void registerHostBenchmarks(TableReporter &table);

}  // namespace quvabench
