#include "core/vessel_lines.h"

#include <cmath>

#include "core/simulation.h"
#include "files/pad_place.h"
#include "world/landed_attitude.h"
#include "world/attitude_angles.h"
#include "world/body.h"

namespace quva {

namespace {

AttachedTo attachedTo(const Vessel &v, const Vessel &parent) {
    AttachedTo at;
    at.parent = parent.name;
    const Attachment *mine = nullptr;
    for (std::size_t k = 0, n = 0; k < v.attachments.size(); ++k) {
        if (!v.attachments[k]->toParent) continue;
        if (v.attachments[k]->peer) {
            at.childPoint = n;
            mine = v.attachments[k].get();
        }
        ++n;
    }
    for (std::size_t k = 0, n = 0; k < parent.attachments.size(); ++k) {
        if (parent.attachments[k]->toParent) continue;
        if (mine && parent.attachments[k].get() == mine->peer) at.parentPoint = n;
        ++n;
    }
    return at;
}

}  // namespace

HostLineValues hostLineValues(const Vessel &v, BaseCatalog *bases) {
    const FlightState &s = v.state;
    HostLineValues out;
    out.body = s.body ? s.body->name : "Earth";
    const Vessel *parent = v.parent();
    out.landed = s.landed && !parent;
    if (parent && s.turnsWithBody && s.body && Simulation::current()) {
        // Held by a landed vessel: as the simulator saves it, landed on its parent's body at its
        // own place, with the attitude of its own last landed placement; the parent places it.
        const PlanetOrientation &o = Simulation::current()->orientation(*s.body);
        const Vec3 local = o.rotation.transposeTimes(s.pos);
        const double r = length(local);
        const double lon = std::atan2(local.z, local.x);
        const double lat = r > 0.0 ? std::asin(std::fmax(-1.0, std::fmin(1.0, local.y / r))) : 0.0;
        out.landed = true;
        out.lonDeg = lon / kRadPerDeg;
        out.latDeg = lat / kRadPerDeg;
        out.headingDeg = headingOf(o.rotation.transposed() * s.attitude, lon, lat) / kRadPerDeg;
        out.alt = r - s.body->radius;
        out.arot = eulerFromAttitude(s.surface.landRot);
    } else if (out.landed) {
        if (s.padAtTouchdown) {
            if (bases && s.body) out.pad = padUnder(*bases, *s.body, s.surface.lon, s.surface.lat);
        } else {
            out.pad = s.pad;
        }
        out.lonDeg = s.surface.lon / kRadPerDeg;
        out.latDeg = s.surface.lat / kRadPerDeg;
        out.headingDeg = s.heading;
        out.alt = s.surface.alt;
        out.arot = eulerFromAttitude(s.surface.landRot);
    } else {
        out.rpos = s.pos;
        out.rvel = s.vel;
        out.vrot = s.omega * (1.0 / kRadPerDeg);
        out.arot = eulerFromAttitude(s.attitude);
    }
    if (parent) out.attached = attachedTo(v, *parent);
    else out.attached = v.keptAttached;
    out.rcsMode = s.rcsMode;
    out.afcMode = s.afcMode;
    for (std::size_t k = 0; k < v.propellants.size(); ++k) {
        const Propellant &p = *v.propellants[k];
        if (p.mass > 0.0 && p.maxMass > 0.0) out.propellant.push_back({k, p.mass / p.maxMass});
    }
    for (std::size_t k = 0; k < v.thrusters.size(); ++k)
        if (v.thrusters[k]->level > 0.0) out.thrust.push_back({k, v.thrusters[k]->level});
    out.foreign = v.foreignLines;
    return out;
}

void writeHostLines(const Vessel &v, std::string &out, BaseCatalog *bases) { writeHostLines(hostLineValues(v, bases), out); }

}  // namespace quva
