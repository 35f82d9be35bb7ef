// The host's lines of a vessel as the simulator writes them: landed vessels by their place on
// the planet, vessels in flight by their global state, each number with the simulator's number
// of decimals.
#include <cmath>
#include <cstdio>

#include "attitude_angles.h"
#include "body.h"
#include "pad_place.h"
#include "scenario_io.h"
#include "vessel.h"

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
int writeLanded(const Vessel &v, std::string &out, const char *body, BaseCatalog *bases) {
    const FlightState &s = v.state;
    item(out, "STATUS", std::string("Landed ") + body);
    if (bases && s.body)
        if (auto pad = padUnder(*bases, *s.body, s.surface.lon, s.surface.lat))
            item(out, "BASE", pad->base + ":" + std::to_string(pad->pad));
    item(out, "POS", fixed(7, s.surface.lon / kRadPerDeg) + " " + fixed(7, s.surface.lat / kRadPerDeg));
    item(out, "HEADING", fixed(2, s.heading));
    item(out, "ALT", fixed(3, s.surface.alt));
    item(out, "AROT", fixed(3, eulerFromAttitude(s.surface.landRot)));
    return 3;
}

int writeInFlight(const Vessel &v, std::string &out, const char *body) {
    const FlightState &s = v.state;
    item(out, "STATUS", std::string("Orbiting ") + body);
    item(out, "RPOS", fixed(3, s.pos));
    item(out, "RVEL", fixed(4, s.vel));
    item(out, "AROT", fixed(3, eulerFromAttitude(s.attitude)));
    // A turn slower than 1e-4 rad/s is written as none.
    const Vec3 w = s.vrot * kRadPerDeg;
    if (dot(w, w) <= 1e-8) return 3;
    item(out, "VROT", fixed(4, s.vrot));
    return 4;
}

// ATTACHED i:j,PARENT: i indexes the held point among the vessel's to-parent points, j its peer
// among the parent's to-child points.
void writeAttached(const Vessel &v, const Vessel &parent, std::string &out) {
    std::size_t i = 0, j = 0;
    const Attachment *mine = nullptr;
    for (std::size_t k = 0, n = 0; k < v.attachments.size(); ++k) {
        if (!v.attachments[k]->toParent) continue;
        if (v.attachments[k]->peer) {
            i = n;
            mine = v.attachments[k].get();
        }
        ++n;
    }
    for (std::size_t k = 0, n = 0; k < parent.attachments.size(); ++k) {
        if (parent.attachments[k]->toParent) continue;
        if (mine && parent.attachments[k].get() == mine->peer) j = n;
        ++n;
    }
    item(out, "ATTACHED", std::to_string(i) + ":" + std::to_string(j) + "," + parent.name);
}

}  // namespace

void writeScenarioItem(std::string &out, const char *item, const char *text) {
    out += "  ";
    out += item ? item : "";
    out += ' ';
    out += text ? text : "";
    out += '\n';
}

void writeHostLines(const Vessel &v, std::string &out, BaseCatalog *bases) {
    const FlightState &s = v.state;
    const char *body = s.body ? s.body->name.c_str() : "Earth";
    const Vessel *parent = v.parent();
    int decimals = s.landed && !parent ? writeLanded(v, out, body, bases) : writeInFlight(v, out, body);
    if (parent) writeAttached(v, *parent, out);
    if (s.rcsMode != 1) item(out, "RCSMODE", std::to_string(s.rcsMode));
    if (s.afcMode != 0) item(out, "AFCMODE", std::to_string(s.afcMode));
    std::string levels;
    for (std::size_t k = 0; k < v.propellants.size(); ++k) {
        const Propellant &p = *v.propellants[k];
        if (p.mass <= 0.0 || p.maxMass <= 0.0) continue;
        levels += (levels.empty() ? "" : " ") + std::to_string(k) + ":" + fixed(6, p.mass / p.maxMass);
    }
    if (!levels.empty()) {
        item(out, "PRPLEVEL", levels);
        decimals = 6;
    }
    std::string thrust;
    for (std::size_t k = 0; k < v.thrusters.size(); ++k) {
        if (v.thrusters[k]->level <= 0.0) continue;
        thrust += (thrust.empty() ? "" : " ") + std::to_string(k) + ":" + fixed(decimals, v.thrusters[k]->level);
    }
    if (!thrust.empty()) item(out, "THLEVEL", thrust);
    for (const auto &line : v.foreignLines) {
        out += "  ";
        out += line;
        out += '\n';
    }
}

}  // namespace quva
