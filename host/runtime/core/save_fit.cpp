#include "core/save_fit.h"

#include "core/simulation.h"

namespace quva {

namespace {

// More than the host's own lines of any vessel take (STATUS to ATTACHED, about 400 bytes at most)
// plus a module's usual state lines.
constexpr std::uintmax_t kAllowancePerVessel = 2048;

}  // namespace

std::string saveWouldNotLoadAgain(Simulation &sim, std::uintmax_t inputBytes, std::uintmax_t limit) {
    if (inputBytes + kAllowancePerVessel * sim.vessels().size() <= limit) return {};
    std::uintmax_t bytes = 0;
    {
        Trace::Paused quiet(sim.trace());
        bytes = sim.saveScenarioText().size();
    }
    if (bytes <= limit) return {};
    return "the scenario would be saved as " + std::to_string(bytes) + " bytes, more than the " + std::to_string(limit) +
           " quva reads, so it would not load again; refused before the run";
}

}  // namespace quva
