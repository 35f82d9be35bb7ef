// The host's own lines of one vessel block, as the default line parser reads them: what each
// keyword gave, before any of it is turned into a flight state. The parser fills this record
// line by line in file order; applying it to a vessel (placing it, converting orbital elements,
// resolving a base) happens once the whole block has been read.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "world/orbital_elements.h"
#include "world/vec3.h"

namespace quva {

// ATTACHED i:j,PARENT
struct AttachedLine {
    std::size_t childPoint = 0;   // i: the child's to-parent point
    std::size_t parentPoint = 0;  // j: the parent's to-child point
    std::string parent;
    int line = 0;
};

// An ELEMENTS line: the elements and where they were read.
struct ElementsLine : OrbitalElements {
    int line = 0;
};

// BASE name[:pad]
struct BaseLine {
    std::string name;          // trimmed, matched exactly
    std::optional<int> pad;    // 1-based, as written
    int line = 0;
};

struct HostLines {
    // STATUS Landed|Orbiting BODY. Reading STATUS resets the heading to 0 and forgets an AROT
    // read before it, as the simulator does.
    std::optional<std::string> status;  // "Orbiting" or "Landed"
    std::string body;                   // the body's name as this host knows it
    int statusLine = 0;

    std::optional<BaseLine> base;
    std::optional<double> lon, lat;  // POS, degrees
    int posLine = 0;
    std::optional<double> heading;   // deg
    std::optional<double> alt;       // m
    int altLine = 0;

    // Free flight. ELEMENTS clears an RPOS and RVEL read before it; an RPOS or RVEL read after it
    // replaces the position or velocity that the elements give.
    std::optional<Vec3> rpos, rvel;
    int rposLine = 0;
    std::optional<ElementsLine> elements;

    std::optional<Vec3> arot, vrot;  // deg, deg/s
    int arotLine = 0;

    std::optional<AttachedLine> attached;

    // PRPLEVEL i:level ... or FUEL level: the later of the two in the block wins. Without either,
    // every store is emptied.
    std::vector<std::pair<int, double>> prplevel;
    std::optional<double> fuel;  // FUEL: every store at this level
    int prplevelLine = 0;        // line of the PRPLEVEL or FUEL that counts; 0: neither

    std::vector<std::pair<int, double>> thlevel;  // THLEVEL i:level
    int thlevelLine = 0;
    std::optional<double> engineMain, engineHover;  // ENGINE_MAIN, ENGINE_HOVR

    std::optional<int> rcsMode, afcMode;  // RCSMODE, AFCMODE

    // Lines this host reads but does not act on (DOCKINFO, IDS, NAVFREQ, XPDR, FLIGHTDATA) and
    // lines no keyword matches: written back after the host's lines, as read.
    std::vector<std::string> foreign;
};

}  // namespace quva
