#include "core/vessel_placement.h"

#include "core/landed_state.h"
#include "core/vessel.h"
#include "files/host_line_parser.h"
#include "files/pad_place.h"
#include "world/attitude_angles.h"
#include "world/landed_attitude.h"
#include "world/orbital_elements.h"

namespace quva {

namespace {

void warnAt(const HostLineContext &c, int line, const std::string &what) {
    if (c.warn) c.warn(c.file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what);
}

// Returns whether the vessel stands on a pad of the base its BASE line names.
bool placeLanded(Vessel &v, const HostLines &l, const HostLineContext &c, const PlanetOrientation &o) {
    FlightState &s = v.state;
    const Body &body = *s.body;
    double lonDeg = l.lon.value_or(0.0), latDeg = l.lat.value_or(0.0);
    if (l.base) {
        // Looked up even when a POS line gives the place: a base that is not there is an error.
        if (!c.bases) throw InputError(c.file, l.base->line, "BASE names a base, but no base catalog is at hand");
        const SurfacePlace pad = basePlace(*c.bases, body, *l.base, c.file);
        if (!l.lon) {
            lonDeg = pad.lonDeg;
            latDeg = pad.latDeg;
        }
    }
    const double lon = lonDeg * kRadPerDeg, lat = latDeg * kRadPerDeg;
    s.heading = l.heading.value_or(0.0);
    Mat3 landRot;
    double alt;
    int altLine;
    if (l.arot) {
        // What the simulator writes: the attitude against the planet and the height as saved.
        landRot = attitudeFromEuler(*l.arot);
        alt = l.alt.value_or(0.0);
        altLine = l.alt ? l.altLine : l.arotLine;
    } else {
        // Standing level on the plane of the first three touchdown points, compressed under the
        // vessel's weight, facing the heading.
        const RestingGeometry rest = restingOnLegs(v, body);
        landRot = levelAttitude(lon, lat, s.heading * kRadPerDeg) * rest.tilt;
        alt = rest.height;
        altLine = l.statusLine;
    }
    if (alt < 0.0) {
        warnAt(c, altLine,
               "vessel \"" + v.name + "\" would stand " + std::to_string(-alt) + " m inside " + body.name +
                   "; moved out to its surface");
        alt = 0.0;
    }
    s.surface = surfaceFix(lon, lat, alt, landRot, body.radius, o);
    s.landed = true;
    s.turnsWithBody = true;
    rideSurface(s, o);
    v.groundContact = true;
    // Without a BASE line a landed vessel is registered on no pad, even one it stands on.
    s.pad.reset();
    s.padAtTouchdown = false;
    if (!l.base) return false;
    const PadRegistration r = registerOnPad(*c.bases, body, *l.base, lon, lat, c.file);
    s.pad = r.pad;
    return r.onPad;
}

void placeInFlight(Vessel &v, const HostLines &l, const HostLineContext &c) {
    FlightState &s = v.state;
    const Body &body = *s.body;
    if (l.elements) {
        const StateVector sv =
            stateFromElements(*l.elements, kGravitationalConstant * (body.mass + v.mass()), c.mjd);
        // Elements far outside any real orbit (a semi-major axis of 1e-299 m, an epoch ages away)
        // give a state that is no number: the line is refused rather than flown.
        if (!finite(sv.pos) || !finite(sv.vel))
            throw InputError(c.file, l.elements->line, "ELEMENTS give no finite position and velocity");
        s.pos = sv.pos;
        s.vel = sv.vel;
    } else if (!l.rpos && !l.attached) {
        // An attached vessel is placed by its parent; any other needs a place of its own.
        throw InputError(c.file, c.blockLine, "vessel \"" + v.name + "\" is Orbiting but has no RPOS or ELEMENTS line");
    }
    if (l.rpos) s.pos = *l.rpos;
    if (l.rvel) s.vel = *l.rvel;
    else if (!l.elements) s.vel = {};
    const double r = length(s.pos);
    if (r < body.radius && !l.attached) {
        // As the simulator does: out along its own direction (+z from the centre) to the surface.
        warnAt(c, l.rposLine,
               "vessel \"" + v.name + "\" lies " + std::to_string(body.radius - r) + " m inside " + body.name +
                   "; moved out to its surface");
        s.pos = r > 0.0 ? s.pos * (body.radius / r) : Vec3{0.0, 0.0, body.radius};
    }
    s.setAttitude(attitudeFromEuler(l.arot.value_or(Vec3{})));
    s.landed = false;
    s.turnsWithBody = false;
    v.groundContact = false;
}

// A store's level as the simulator takes it: above full is full; below empty, which the
// simulator keeps as a negative mass until the first engine burns it back to nothing, is empty.
double storeLevel(const HostLineContext &c, int line, const Vessel &v, int idx, double level) {
    if (level >= 0.0 && level <= 1.0) return level;
    const double taken = level > 1.0 ? 1.0 : 0.0;
    warnAt(c, line,
           "vessel \"" + v.name + "\": store " + std::to_string(idx) + " level " + std::to_string(level) +
               " is taken as " + (level > 1.0 ? "full" : "empty"));
    return taken;
}

void applyLevels(Vessel &v, const HostLines &l, const HostLineContext &c) {
    // Stores: without a PRPLEVEL or FUEL line every store is empty, as in the simulator.
    const int prpLine = l.prplevelLine;
    for (std::size_t k = 0; k < v.propellants.size(); ++k) {
        Propellant &p = *v.propellants[k];
        p.mass = l.fuel ? storeLevel(c, prpLine, v, static_cast<int>(k), *l.fuel) * p.maxMass : 0.0;
    }
    for (auto [idx, level] : l.prplevel) {
        if (idx == -1) {
            // The simulator reads the index unsigned: -1 is its marker for every store.
            for (std::size_t k = 0; k < v.propellants.size(); ++k)
                v.propellants[k]->mass = storeLevel(c, prpLine, v, static_cast<int>(k), level) * v.propellants[k]->maxMass;
            continue;
        }
        if (idx < 0 || static_cast<std::size_t>(idx) >= v.propellants.size()) {
            warnAt(c, prpLine,
                   "PRPLEVEL names store " + std::to_string(idx) + " but vessel \"" + v.name + "\" has " +
                       std::to_string(v.propellants.size()) + "; the pair is ignored");
            continue;
        }
        v.propellants[idx]->mass = storeLevel(c, prpLine, v, idx, level) * v.propellants[idx]->maxMass;
    }
    // Engines: the permanent thrust levels of THLEVEL, all others off.
    for (auto &t : v.thrusters) t->level = 0.0;
    for (auto [idx, level] : l.thlevel) {
        if (idx < 0 || static_cast<std::size_t>(idx) >= v.thrusters.size()) {
            warnAt(c, l.thlevelLine,
                   "THLEVEL names thruster " + std::to_string(idx) + " but vessel \"" + v.name + "\" has " +
                       std::to_string(v.thrusters.size()) + "; the pair is ignored");
            continue;
        }
        if (level < 0.0 || level > 1.0) {
            // The simulator fires such an engine at 0 or 1; this host keeps the level it fires at.
            const double taken = level < 0.0 ? 0.0 : 1.0;
            warnAt(c, l.thlevelLine,
                   "vessel \"" + v.name + "\": thruster " + std::to_string(idx) + " level " + std::to_string(level) +
                       " is taken as " + std::to_string(static_cast<int>(taken)));
            level = taken;
        }
        v.thrusters[idx]->level = level;
    }
}

}  // namespace

void applyHostLines(Vessel &v, const HostLines &l, const HostLineContext &c) {
    FlightState &s = v.state;
    s.body = l.body.empty() ? &earth() : findBody(l.body);
    const PlanetOrientation &o = c.orientations[s.body->index];
    const bool landed = l.status ? *l.status == "Landed" : !l.rpos && !l.elements;
    // The stores first: a landed vessel stands on legs compressed by its loaded weight.
    applyLevels(v, l, c);
    const bool onPad = landed ? placeLanded(v, l, c, o) : (placeInFlight(v, l, c), false);
    // VROT is the rate of turn in vessel axes (deg/s); a landed vessel does not turn.
    s.omega = landed ? Vec3{} : l.vrot.value_or(Vec3{}) * kRadPerDeg;
    s.rcsMode = l.rcsMode.value_or(1);
    s.afcMode = l.afcMode.value_or(0);
    v.readout = {};
    v.readout.airspeed = landed ? 0.0 : length(s.vel - airVelocityAt(o, s.pos));
    v.flight = {};
    // As the simulator's default: a vessel loaded on a pad of its BASE line is refuelled.
    if (onPad && c.refuelOnPad)
        for (auto &p : v.propellants) p->mass = p->maxMass;
    v.foreignLines = l.foreign;
}

}  // namespace quva
