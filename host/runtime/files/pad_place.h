// Where a base's landing pads lie on their body, and which pad a landed vessel stands on.
#pragma once

#include <optional>
#include <string>

#include "files/host_lines.h"
#include "world/body.h"

namespace quva {

class BaseCatalog;

struct SurfacePlace {
    double lonDeg = 0.0, latDeg = 0.0;
};

// The place a BASE line names: the centre of its pad, or of the base when it names none. Throws
// InputError at the line for a base the catalog does not have (naming it, the body and the
// folders searched) or a pad the base does not have.
SurfacePlace basePlace(BaseCatalog &bases, const Body &body, const BaseLine &line, const std::string &file);

// A pad is taken when a vessel stands within this distance of its centre.
constexpr double kPadRadius = 30.0;  // m

struct PadRef {
    std::string base;
    int pad = 0;  // 1-based, as BASE lines count
};

// What a BASE line at load gives a vessel landed at (lon, lat) (radians), as the simulator
// registers it: the first pad of the base whose centre lies within kPadRadius (`onPad`: the
// vessel stands on it, so a pad refuels it), else the pad the line names, else none. Throws
// InputError at the line for a base the catalog does not have or a pad the base does not have.
struct PadRegistration {
    std::optional<PadRef> pad;
    bool onPad = false;
};
PadRegistration registerOnPad(BaseCatalog &bases, const Body &body, const BaseLine &line, double lon, double lat,
                              const std::string &file);

// The pad of the base nearest to (lon, lat) (radians) that the vessel stands on, if any.
std::optional<PadRef> padUnder(BaseCatalog &bases, const Body &body, double lon, double lat);

}  // namespace quva
