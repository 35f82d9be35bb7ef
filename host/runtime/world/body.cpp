#include "world/body.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <utility>

namespace quva {

namespace {

Body makeBody(std::string name, int index, double radius, double mass, bool atmosphere, RotationElements rotation) {
    Body b;
    b.name = std::move(name);
    b.index = index;
    b.radius = radius;
    b.mass = mass;
    b.mu = kGravitationalConstant * mass;
    b.atmosphere = atmosphere;
    b.rotation = rotation;
    return b;
}

}  // namespace

// The planets' configurations: mass, mean radius and rotation elements (angles in radians, the
// precession period in days).
const Body &earth() {
    static const Body body = makeBody("Earth", 0, 6.37101e6, 5.973698968e+24, true,
                                      {86164.10132, 4.88948754, 0.4090928023, 0.0, kJ2000Mjd, -9413040.4, 0.0, 0.0});
    return body;
}

const Body &moon() {
    static const Body body = makeBody("Moon", 1, 1.738e6, 7.347673176382784e+22, false,
                                      {2360588.15, 4.769465382, 0.02692416821, 1.71817749, kJ2000Mjd, -6793.219721,
                                       7.259562816e-005, 0.4643456618});
    return body;
}

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// 1976 US Standard Atmosphere, lower part (0 to 86 km geometric). The layers are defined on
// geopotential altitude, in which gravity is constant, so each layer has a closed-form pressure.
constexpr double kEarthRadiusStd = 6356766.0;  // m, r0 of the geopotential conversion
constexpr double kG0 = 9.80665;                // m/s²
constexpr double kGasConstant = 287.05287;     // J/(kg·K), R*/M0 for dry air
constexpr double kGamma = 1.4;
constexpr double kT0 = 288.15;                 // K
constexpr double kP0 = 101325.0;               // Pa

struct Layer {
    double base;   // m, geopotential
    double lapse;  // K/m
    double temperature = 0.0;  // K at the base
    double pressure = 0.0;     // Pa at the base
};

double layerPressure(const Layer &l, double h) {
    const double dh = h - l.base;
    if (l.lapse == 0.0) return l.pressure * std::exp(-kG0 * dh / (kGasConstant * l.temperature));
    const double t = l.temperature + l.lapse * dh;
    return l.pressure * std::pow(l.temperature / t, kG0 / (kGasConstant * l.lapse));
}

// Base temperature and pressure of each layer, carried up from sea level.
const std::array<Layer, 7> &layers() {
    static const std::array<Layer, 7> table = [] {
        std::array<Layer, 7> t{{{0.0, -6.5e-3},
                                {11000.0, 0.0},
                                {20000.0, 1.0e-3},
                                {32000.0, 2.8e-3},
                                {47000.0, 0.0},
                                {51000.0, -2.8e-3},
                                {71000.0, -2.0e-3}}};
        t[0].temperature = kT0;
        t[0].pressure = kP0;
        for (std::size_t i = 1; i < t.size(); ++i) {
            const Layer &below = t[i - 1];
            t[i].temperature = below.temperature + below.lapse * (t[i].base - below.base);
            t[i].pressure = layerPressure(below, t[i].base);
        }
        return t;
    }();
    return table;
}

}  // namespace

const Body *findBody(std::string_view name) {
    for (const Body *b : {&earth(), &moon()})
        if (equalNoCase(b->name, name)) return b;
    return nullptr;
}

AtmosphereSample atmosphereAt(const Body &body, double altitude) {
    AtmosphereSample s;
    if (!body.atmosphere || !(altitude <= kAtmosphereTop)) return s;  // NaN falls out here too
    const double z = std::max(altitude, 0.0);
    const double h = kEarthRadiusStd * z / (kEarthRadiusStd + z);

    const auto &table = layers();
    std::size_t i = table.size() - 1;
    while (i > 0 && h < table[i].base) --i;
    const Layer &l = table[i];

    s.temperature = l.temperature + l.lapse * (h - l.base);
    s.pressure = layerPressure(l, h);
    s.density = s.pressure / (kGasConstant * s.temperature);
    s.speedOfSound = std::sqrt(kGamma * kGasConstant * s.temperature);
    return s;
}

double airViscosity(double temperature) {
    return 1.458e-6 * std::pow(temperature, 1.5) / (temperature + 110.4);
}

}  // namespace quva
