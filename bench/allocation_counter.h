// Heap allocations made anywhere in the process (host runtime and modules included), counted by
// the benchmark binary's own global operator new. The count lets a benchmark show that a host
// step allocates nothing once the simulation is running.
#pragma once

#include <cstdint>

namespace quvabench {

// Number of calls to any form of operator new since the program started.
std::uint64_t allocationCount();

}  // namespace quvabench
