// Saving a scenario: the sections around the ships as they were read, then every vessel's block
// as its module (or the host, for a vessel without callbacks) writes it.
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "host_call.h"
#include "scenario_io.h"
#include "simulation.h"

namespace quva {

namespace {

bool finite(const Vec3 &v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// A flight state that is no longer a number (a step far too long for the flight model) would be
// saved as text that no scenario reader accepts.
bool savable(const FlightState &s) {
    for (const auto &row : s.attitude.m)
        for (double x : row)
            if (!std::isfinite(x)) return false;
    return finite(s.pos) && finite(s.vel) && finite(s.vrot) && std::isfinite(s.heading);
}

}  // namespace

std::string Simulation::saveScenarioText() {
    std::string out;
    if (document_) {
        for (const auto &l : document_->head) out += l + "\n";
    } else {
        char date[64];
        std::snprintf(date, sizeof date, "%.6f", mjd0_);
        out += "BEGIN_DESC\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n  Date MJD ";
        out += date;
        out += "\nEND_ENVIRONMENT\n\n";
    }
    out += "BEGIN_SHIPS\n";
    for (const auto &owned : vessels_) {
        Vessel &v = *owned;
        if (v.inert()) {
            for (const auto &l : v.inertLines) out += l + "\n";
            continue;
        }
        if (!savable(v.state))
            throw std::runtime_error("vessel \"" + v.name +
                                     "\": its position or attitude is no longer a finite number (is the step too "
                                     "long?), so the scenario cannot be saved");
        out += v.name + ":" + v.className + "\n";
        ScenarioWriteHandle writer;
        if (v.callbacks) {
            FILEHANDLE scn = &writer;
            callIn(*this, &v, "clbkSaveState", [&] { v.callbacks->clbkSaveState(scn); }, TraceHandle{scn});
        } else {
            writeHostLines(v, writer.text);
        }
        out += writer.text;
        out += "END\n";
    }
    out += "END_SHIPS\n";
    if (document_) {
        for (const auto &l : document_->tail) out += l + "\n";
    }
    return out;
}

void Simulation::saveScenario(const std::string &path) { writeFileAtomically(path, saveScenarioText()); }

}  // namespace quva
