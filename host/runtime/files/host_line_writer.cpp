// The host's lines of a vessel as the simulator writes them.
#include "files/host_line_writer.h"

#include <cmath>
#include <cstdio>

#include "world/attitude_angles.h"

namespace quva {

namespace {

// Fixed-point text as the simulator's stream gives it (a negative zero keeps its sign, so that
// a value read back prints the same). Sized to fit: "%.3f" of a huge number has hundreds of
// digits, and cutting it short would make another number.
std::string fixed(int decimals, double a) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, a);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof buf) return buf;
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), "%.*f", decimals, a);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string fixed(int decimals, const Vec3 &v) {
    return fixed(decimals, v.x) + " " + fixed(decimals, v.y) + " " + fixed(decimals, v.z);
}

void item(std::string &out, const char *name, const std::string &text) { writeScenarioItem(out, name, text.c_str()); }

// Decimals of the last number written before THLEVEL: the simulator's stream keeps them.
int writeLanded(const HostLineValues &v, std::string &out) {
    item(out, "STATUS", "Landed " + v.body);
    if (v.pad) item(out, "BASE", v.pad->base + ":" + std::to_string(v.pad->pad));
    item(out, "POS", fixed(7, v.lonDeg) + " " + fixed(7, v.latDeg));
    item(out, "HEADING", fixed(2, v.headingDeg));
    item(out, "ALT", fixed(3, v.alt));
    item(out, "AROT", fixed(3, v.arot));
    return 3;
}

int writeInFlight(const HostLineValues &v, std::string &out) {
    item(out, "STATUS", "Orbiting " + v.body);
    item(out, "RPOS", fixed(3, v.rpos));
    item(out, "RVEL", fixed(4, v.rvel));
    item(out, "AROT", fixed(3, v.arot));
    // A turn slower than 1e-4 rad/s is written as none.
    const Vec3 w = v.vrot * kRadPerDeg;
    if (dot(w, w) <= 1e-8) return 3;
    item(out, "VROT", fixed(4, v.vrot));
    return 4;
}

std::string levels(const std::vector<IndexedLevel> &list, int decimals) {
    std::string text;
    for (const IndexedLevel &l : list) text += (text.empty() ? "" : " ") + std::to_string(l.index) + ":" + fixed(decimals, l.level);
    return text;
}

}  // namespace

void writeScenarioItem(std::string &out, const char *item, const char *text) {
    out += "  ";
    out += item ? item : "";
    out += ' ';
    out += text ? text : "";
    out += '\n';
}

void writeHostLines(const HostLineValues &v, std::string &out) {
    int decimals = v.landed ? writeLanded(v, out) : writeInFlight(v, out);
    if (v.attached)
        item(out, "ATTACHED", std::to_string(v.attached->childPoint) + ":" + std::to_string(v.attached->parentPoint) +
                                  "," + v.attached->parent);
    if (v.rcsMode != 1) item(out, "RCSMODE", std::to_string(v.rcsMode));
    if (v.afcMode != 0) item(out, "AFCMODE", std::to_string(v.afcMode));
    if (!v.propellant.empty()) {
        item(out, "PRPLEVEL", levels(v.propellant, 6));
        decimals = 6;
    }
    if (!v.thrust.empty()) item(out, "THLEVEL", levels(v.thrust, decimals));
    for (const auto &line : v.foreign) {
        out += "  ";
        out += line;
        out += '\n';
    }
}

}  // namespace quva
