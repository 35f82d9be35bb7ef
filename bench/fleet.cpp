#include "fleet.h"

#include <cmath>
#include <cstdio>

#include "world/body.h"

namespace quvabench {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kGoldenAngle = 2.399963229728653;  // rad
constexpr double kGoldenFraction = 0.6180339887498949;
constexpr double kLowestAltitude = 20e3;       // m, parachutes above the Earth
constexpr double kAltitudeSpread = 60e3;       // m, up to 80 km
constexpr double kEarthOrbitAltitude = 400e3;  // m, covers
constexpr double kLunarOrbitAltitude = 100e3;  // m, descent stages in flight

constexpr double kFleetMjd = 60000.5;  // the scenario's date
const char *const kCovers[] = {"Pilmont", "Draskel", "Nimbrel"};
const char *const kParachutes[] = {"Vantrel", "Ossum"};

struct Direction {
    double x, y, z;
};

// Point i of n spread evenly over the unit sphere (a Fibonacci lattice).
Direction spread(std::size_t i, std::size_t n) {
    const double z = 1.0 - 2.0 * (static_cast<double>(i) + 0.5) / static_cast<double>(n);
    const double r = std::sqrt(1.0 - z * z);
    const double phi = kGoldenAngle * static_cast<double>(i);
    return {r * std::cos(phi), r * std::sin(phi), z};
}

double fraction(double x) { return x - std::floor(x); }

void line(std::string &out, const char *format, double a, double b, double c) {
    char buf[160];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    out += buf;
}

void freeFlight(std::string &out, const char *body, const Direction &d, double radius, const Direction &vel) {
    out += "  STATUS Orbiting ";
    out += body;
    out += '\n';
    line(out, "  RPOS %.3f %.3f %.3f\n", d.x * radius, d.y * radius, d.z * radius);
    line(out, "  RVEL %.4f %.4f %.4f\n", vel.x, vel.y, vel.z);
    out += "  AROT 0.0000 0.0000 0.0000\n";
}

// A circular orbit's velocity at direction d: perpendicular to d, in the plane through the pole.
Direction circularVelocity(const Direction &d, double speed) {
    Direction t{-d.y, d.x, 0.0};  // d × z
    double len = std::sqrt(t.x * t.x + t.y * t.y);
    if (len < 1e-9) {
        t = {0.0, -d.z, d.y};  // d × x
        len = std::sqrt(t.y * t.y + t.z * t.z);
    }
    return {t.x / len * speed, t.y / len * speed, t.z / len * speed};
}

}  // namespace

std::string fleetScenario(std::size_t vessels) {
    const quva::Body &earth = quva::earth();
    const quva::Body &moon = quva::moon();
    std::string out;
    out.reserve(vessels * 170 + 256);
    out += "BEGIN_DESC\nA mixed fleet for the benchmarks.\nEND_DESC\n\n";
    out += "BEGIN_ENVIRONMENT\n  System Sol\n  Date MJD 60000.5\nEND_ENVIRONMENT\n\nBEGIN_SHIPS\n";  // kFleetMjd
    for (std::size_t i = 0; i < vessels; ++i) {
        const std::size_t k = i / 3;
        const Direction d = spread(i, vessels);
        const char *className = i % 3 == 0 ? kCovers[k % 3] : i % 3 == 1 ? kParachutes[k % 2] : "Tarrowick";
        out += "Fleet" + std::to_string(i) + ":" + className + "\n";
        if (i % 3 == 2) {
            if (k % 2 == 0) {
                out += "  STATUS Landed Moon\n";
                char buf[96];
                std::snprintf(buf, sizeof buf, "  POS %.7f %.7f\n", std::atan2(d.y, d.x) * 180.0 / kPi,
                              std::asin(d.z) * 180.0 / kPi);
                out += buf;
                out += "  HEADING 0.0000\n";
            } else {
                const double r = moon.radius + kLunarOrbitAltitude;
                freeFlight(out, "Moon", d, r, circularVelocity(d, std::sqrt(moon.mu / r)));
            }
            out += "  PRPLEVEL 0:0.500000 1:0.500000 2:0.500000\n  GEAR 1 1.0000\n";
        } else if (i % 3 == 1) {
            const double altitude = kLowestAltitude + kAltitudeSpread * fraction(static_cast<double>(k) * kGoldenFraction);
            // Sinking with the air, which turns with the Earth.
            const double r = earth.radius + altitude;
            const quva::Vec3 air =
                quva::airVelocityAt(quva::planetOrientation(earth.rotation, kFleetMjd, 0.0), {d.x * r, d.y * r, d.z * r});
            freeFlight(out, "Earth", d, r, {air.x, air.y, air.z});
            out += "  STATE 1 1.0000\n";
        } else {
            const double r = earth.radius + kEarthOrbitAltitude;
            freeFlight(out, "Earth", d, r, circularVelocity(d, std::sqrt(earth.mu / r)));
        }
        out += "END\n";
    }
    out += "END_SHIPS\n";
    return out;
}

}  // namespace quvabench
