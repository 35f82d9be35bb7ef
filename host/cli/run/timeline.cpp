#include "run/timeline.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace quva::cli {

void printTimeline(std::ostream &out, const Simulation &sim) {
    const auto &entries = sim.timeline();
    std::size_t width = 6;
    for (const TimelineEntry &e : entries) width = std::max(width, e.vessel.size());
    // The vessel column is padded here rather than by printf, so that no name is too long for it.
    auto padded = [width](const std::string &name) { return name + std::string(width - name.size(), ' '); };
    char time[64];
    std::snprintf(time, sizeof time, "%10s  ", "t (s)");
    out << time << padded("vessel") << "  event\n";
    for (const TimelineEntry &e : entries) {
        std::snprintf(time, sizeof time, "%10.3f  ", e.t);
        out << time << padded(e.vessel) << "  " << e.text << '\n';
    }
}

}  // namespace quva::cli
