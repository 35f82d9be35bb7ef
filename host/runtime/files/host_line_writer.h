// The host's lines of a vessel as the simulator writes them, from plain values: landed vessels by
// their place on the planet, vessels in flight by their global state, each number with the
// simulator's number of decimals.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "files/pad_place.h"
#include "world/vec3.h"

namespace quva {

// A store's or an engine's level, as PRPLEVEL and THLEVEL write them: "index:level".
struct IndexedLevel {
    std::size_t index = 0;
    double level = 0.0;
};

// ATTACHED i:j,PARENT: i indexes the held point among the vessel's to-parent points, j its peer
// among the parent's to-child points.
struct AttachedTo {
    std::size_t childPoint = 0, parentPoint = 0;
    std::string parent;
};

// Everything a vessel's host lines say, as they are written.
struct HostLineValues {
    std::string body;  // the body's name
    // Landed (and held by nothing): its place on the body and its attitude against the planet.
    bool landed = false;
    std::optional<PadRef> pad;  // the pad it stands on, if any
    double lonDeg = 0.0, latDeg = 0.0, headingDeg = 0.0, alt = 0.0;
    // In flight: position and velocity relative to the body on the global axes, and the turn.
    Vec3 rpos, rvel;
    Vec3 vrot;  // deg/s; written only when turning
    Vec3 arot;  // deg: against the global frame in flight, against the planet when landed
    std::optional<AttachedTo> attached;
    int rcsMode = 1, afcMode = 0;  // written when not these defaults
    std::vector<IndexedLevel> propellant;  // the stores that hold propellant
    std::vector<IndexedLevel> thrust;      // the engines that burn
    std::vector<std::string> foreign;      // lines kept as read, written last
};

// Appends the lines "  ITEM TEXT" in the simulator's form, order and number of decimals.
void writeHostLines(const HostLineValues &values, std::string &out);

// Appends one line "  ITEM TEXT".
void writeScenarioItem(std::string &out, const char *item, const char *text);

}  // namespace quva
