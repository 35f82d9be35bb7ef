#include "files/pad_place.h"

#include <cmath>
#include <limits>

#include "files/bases.h"
#include "files/input_error.h"

namespace quva {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// A pad's centre: its offsets south (x) and east (z) of the base's centre, in metres along the
// mean surface.
SurfacePlace padCentre(const SurfaceBase &b, const Vec3 &pad, double radius) {
    const double lat = b.latDeg * kDeg;
    return {(b.lonDeg * kDeg + pad.z / (radius * std::cos(lat))) / kDeg, (lat - pad.x / radius) / kDeg};
}

// Great-circle angle between two places, radians.
double angleBetween(double lon1, double lat1, double lon2, double lat2) {
    const double c = std::sin(lat1) * std::sin(lat2) + std::cos(lat1) * std::cos(lat2) * std::cos(lon1 - lon2);
    return std::acos(std::fmax(-1.0, std::fmin(1.0, c)));
}

}  // namespace

SurfacePlace basePlace(BaseCatalog &bases, const Body &body, const BaseLine &line, const std::string &file) {
    const SurfaceBase *base = nullptr;
    try {
        base = &bases.find(body.name, line.name);
    } catch (const BaseNotFound &e) {
        throw InputError(file, line.line, e.what());
    }
    if (!line.pad) return {base->lonDeg, base->latDeg};
    const int count = static_cast<int>(base->pads.size());
    if (*line.pad < 1 || *line.pad > count)
        throw InputError(file, line.line,
                         "base \"" + line.name + "\" of " + body.name + " (" + base->file + ") has " +
                             std::to_string(count) + " landing pad" + (count == 1 ? "" : "s") + ", not a pad " +
                             std::to_string(*line.pad));
    return padCentre(*base, base->pads[static_cast<std::size_t>(*line.pad - 1)], body.radius);
}

PadRegistration registerOnPad(BaseCatalog &bases, const Body &body, const BaseLine &line, double lon, double lat,
                              const std::string &file) {
    basePlace(bases, body, line, file);  // the base and its pad must exist
    const SurfaceBase &base = bases.find(body.name, line.name);
    PadRegistration r;
    if (line.pad) r.pad = PadRef{base.name, *line.pad};
    for (std::size_t k = 0; k < base.pads.size(); ++k) {
        const SurfacePlace p = padCentre(base, base.pads[k], body.radius);
        if (angleBetween(lon, lat, p.lonDeg * kDeg, p.latDeg * kDeg) * body.radius <= kPadRadius) {
            r.pad = PadRef{base.name, static_cast<int>(k) + 1};
            r.onPad = true;
            break;
        }
    }
    return r;
}

std::optional<PadRef> padUnder(BaseCatalog &bases, const Body &body, double lon, double lat) {
    const SurfaceBase *nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const SurfaceBase &b : bases.of(body.name)) {
        const double a = angleBetween(lon, lat, b.lonDeg * kDeg, b.latDeg * kDeg);
        if (a < best) {
            best = a;
            nearest = &b;
        }
    }
    if (!nearest) return std::nullopt;
    for (std::size_t k = 0; k < nearest->pads.size(); ++k) {
        const SurfacePlace p = padCentre(*nearest, nearest->pads[k], body.radius);
        if (angleBetween(lon, lat, p.lonDeg * kDeg, p.latDeg * kDeg) * body.radius <= kPadRadius)
            return PadRef{nearest->name, static_cast<int>(k) + 1};
    }
    return std::nullopt;
}

}  // namespace quva
