// Saving a scenario: the sections around the ships as they were read, then every vessel's block
// as its module (or the host, for a vessel without callbacks) writes it.
#include <cmath>
#include <stdexcept>
#include <string>

#include "core/host_call.h"
#include "core/landed_state.h"
#include "core/simulation.h"
#include "core/vessel_lines.h"
#include "files/host_line_parser.h"
#include "files/input_file.h"
#include "files/output_checks.h"
#include "files/output_file.h"
#include "files/scenario_environment.h"
#include "world/attitude_angles.h"

namespace quva {

namespace {

// A flight state that is no longer a number (a step far too long for the flight model) would be
// saved as text that no scenario reader accepts.
bool savable(const FlightState &s) {
    for (const auto &row : s.attitude.m)
        for (double x : row)
            if (!std::isfinite(x)) return false;
    return finite(s.pos) && finite(s.vel) && finite(s.omega) && std::isfinite(s.heading);
}

}  // namespace

void Simulation::settleLandedHolders() {
    bool moved = false;
    for (const auto &owned : vessels_) {
        Vessel &v = *owned;
        if (v.inert() || v.parent() || !v.state.landed || v.holding == 0 || !v.state.body || !savable(v.state)) continue;
        // Its lines as written, read back as a load reads them.
        std::string text;
        writeHostLines(hostLineValues(v, nullptr), text);
        HostStatus status;
        std::size_t begin = 0;
        while (begin < text.size()) {
            const std::size_t end = text.find('\n', begin);
            parseHostLine(text.substr(begin, end - begin).c_str(), status);
            begin = end == std::string::npos ? text.size() : end + 1;
        }
        const HostLines &l = status.lines;
        if (status.error || !l.lon || !l.lat || !l.arot || !l.alt || !l.heading) continue;
        FlightState &s = v.state;
        const PlanetOrientation &o = orientation(*s.body);
        s.heading = *l.heading;
        const double alt = *l.alt < 0.0 ? 0.0 : *l.alt;  // as a load moves it out
        s.surface = surfaceFix(*l.lon * kRadPerDeg, *l.lat * kRadPerDeg, alt, attitudeFromEuler(*l.arot),
                               s.body->radius, o);
        rideSurface(s, o);
        moved = true;
    }
    if (moved) placeAll(0);
}

std::string Simulation::saveScenarioText() {
    settleLandedHolders();
    std::string out;
    // The sections around the ships as read, with the environment's date moved on to the end of
    // the run (the simulator saves the date a scenario has reached).
    std::vector<std::string> head, tail;
    std::optional<KeptLine> environment;
    if (document_) {
        head = document_->head;
        tail = document_->tail;
        environment = document_->environment;
    } else {
        head = {"BEGIN_DESC", "END_DESC", ""};
    }
    stampSavedDate(head, tail, environment, mjd());
    for (const auto &l : head) out += l + "\n";
    out += "BEGIN_SHIPS\n";
    for (const auto &owned : vessels_) {
        Vessel &v = *owned;
        if (v.inert()) {
            // Its lines as read, under the header the simulator writes: NAME:CLASS, also for a
            // vessel read without a class.
            out += v.name + ":" + v.className + "\n";
            for (std::size_t i = 1; i < v.inertLines.size(); ++i) out += v.inertLines[i] + "\n";
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
            writeHostLines(v, writer.text, &bases_);
        }
        out += writer.text;
        out += "END\n";
    }
    out += "END_SHIPS\n";
    for (const auto &l : tail) out += l + "\n";
    return out;
}

// As the command's --save: only a regular file is replaced, a symbolic link stays one (the file it
// points to is replaced), and the text goes through a temporary file, every write checked, renamed
// into place once whole.
void Simulation::saveScenario(const std::string &path, const std::string &option) {
    const std::vector<PlannedOutput> planned = planOutputs({{option, path}}, {}, option);
    OutputFile file(option, planned.front().target);
    file.open();
    const std::string text = saveScenarioText();
    if (std::string problem = tooLargeToReadBack(text.size()); !problem.empty()) throw std::runtime_error(problem);
    file.write(text);
    file.finish();
    file.commit();
}

}  // namespace quva
