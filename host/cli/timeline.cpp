#include "timeline.h"

#include <algorithm>
#include <cstdio>

namespace quva::cli {

void printTimeline(std::ostream &out, const Simulation &sim, std::size_t from) {
    const auto &entries = sim.timeline();
    std::size_t width = 6;
    for (std::size_t i = from; i < entries.size(); ++i) width = std::max(width, entries[i].vessel.size());
    char line[64];
    std::snprintf(line, sizeof line, "%10s  %-*s  %s\n", "t (s)", static_cast<int>(width), "vessel", "event");
    out << line;
    for (std::size_t i = from; i < entries.size(); ++i) {
        const TimelineEntry &e = entries[i];
        std::snprintf(line, sizeof line, "%10.3f  ", e.t);
        out << line << e.vessel << std::string(width - e.vessel.size(), ' ') << "  " << e.text << '\n';
    }
}

}  // namespace quva::cli
