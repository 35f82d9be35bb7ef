// The central bodies vessels fly around: spherical, turning about their axes, with gravity and,
// for Earth, the 1976 US Standard Atmosphere up to 86 km, which turns with the planet.
#pragma once

#include <string>
#include <string_view>

#include "world/planet_rotation.h"

namespace quva {

// The gravitational constant the planets' masses are given against.
constexpr double kGravitationalConstant = 6.67259e-11;  // m³/(kg s²)

struct Body {
    std::string name;
    int index = 0;        // 0 Earth, 1 Moon: where a simulation keeps the body's orientation
    double radius = 0.0;  // m, mean radius: the surface
    double mass = 0.0;    // kg
    double mu = 0.0;      // m³/s², gravitational parameter: G · mass
    bool atmosphere = false;
    RotationElements rotation;
};

constexpr int kBodyCount = 2;

const Body &earth();
const Body &moon();
const Body *findBody(std::string_view name);  // case-insensitive; null when unknown

// Geometric altitude (m) above which the standard atmosphere gives no air.
constexpr double kAtmosphereTop = 86000.0;

struct AtmosphereSample {
    double density = 0.0;      // kg/m³
    double pressure = 0.0;     // Pa
    double temperature = 0.0;  // K
    double speedOfSound = 0.0; // m/s
};

// The atmosphere at geometric altitude `altitude` (m) above the body's surface; all zero for a
// body without atmosphere and above 86 km. Below the surface it is taken at the surface.
AtmosphereSample atmosphereAt(const Body &body, double altitude);

// Dynamic viscosity of air at `temperature` (K), Sutherland's law, Pa·s.
double airViscosity(double temperature);

}  // namespace quva
