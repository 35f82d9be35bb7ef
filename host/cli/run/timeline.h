// The run's timeline as a person reads it.
#pragma once

#include <ostream>

#include "core/simulation.h"

namespace quva::cli {

void printTimeline(std::ostream &out, const Simulation &sim);

}  // namespace quva::cli
