#include "world/orbital_elements.h"

#include <cmath>

namespace quva {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// Eccentric anomaly from the mean anomaly by Newton's method, each step limited to one radian so
// that a poor start cannot throw it far off.
double eccentricAnomaly(double meanAnomaly, double e) {
    const bool open = e >= 1.0;
    double E = open ? std::asinh(meanAnomaly / e) : meanAnomaly;
    for (int i = 0; i < 16; ++i) {
        const double f = open ? e * std::sinh(E) - E - meanAnomaly : E - e * std::sin(E) - meanAnomaly;
        const double df = open ? e * std::cosh(E) - 1.0 : 1.0 - e * std::cos(E);
        double step = df != 0.0 ? f / df : 0.0;
        step = std::fmax(-1.0, std::fmin(1.0, step));
        E -= step;
        if (std::fabs(step) < 1e-14) break;
    }
    return E;
}

double trueAnomaly(double meanAnomaly, double e) {
    if (e < 1e-8) return meanAnomaly;
    const double E = eccentricAnomaly(meanAnomaly, e);
    if (e < 1.0) return 2.0 * std::atan(std::sqrt((1.0 + e) / (1.0 - e)) * std::tan(0.5 * E));
    const double nu = std::acos((e - std::cosh(E)) / (e * std::cosh(E) - 1.0));
    return E < 0.0 ? -nu : nu;
}

// A vector of length `len` at angle `u` from the ascending node within the orbit's plane.
Vec3 inOrbitPlane(double len, double u, double lan, double inc) {
    return {len * (std::cos(lan) * std::cos(u) - std::sin(lan) * std::sin(u) * std::cos(inc)),
            len * std::sin(u) * std::sin(inc),
            len * (std::sin(lan) * std::cos(u) + std::cos(lan) * std::sin(u) * std::cos(inc))};
}

}  // namespace

std::string elementsProblem(const OrbitalElements &e) {
    if (e.a == 0.0) return "the semi-major axis is 0";
    if (e.e < 0.0) return "the eccentricity is negative";
    if (e.e < 1.0 && e.a < 0.0) return "a closed orbit (e < 1) needs a positive semi-major axis";
    if (e.e >= 1.0 && e.a > 0.0) return "an open orbit (e >= 1) needs a negative semi-major axis";
    return {};
}

StateVector stateFromElements(const OrbitalElements &el, double mu, double mjd) {
    const double a = el.a, e = el.e, inc = el.inclination * kDeg, lan = el.lan * kDeg, lonPeri = el.lonPeri * kDeg;
    const double n = std::sqrt(std::fabs(mu / (a * a * a)));
    const double p = std::fmax(0.0, a * (1.0 - e * e));
    const double argPeri = lonPeri - lan;
    double meanAnomaly = el.meanLon * kDeg + n * (mjd - el.epochMjd) * 86400.0 - lonPeri;
    if (e < 1.0) {
        meanAnomaly = std::fmod(meanAnomaly, 2.0 * kPi);
        if (meanAnomaly < 0.0) meanAnomaly += 2.0 * kPi;
    }
    const double nu = trueAnomaly(meanAnomaly, e);
    StateVector s;
    s.pos = inOrbitPlane(p / (1.0 + e * std::cos(nu)), nu + argPeri, lan, inc);
    const double k = p > 0.0 ? std::sqrt(mu / p) : 0.0;
    const double va = -k * std::sin(nu), vb = k * (e + std::cos(nu));
    s.vel = inOrbitPlane(std::hypot(va, vb), std::atan2(vb, va) + argPeri, lan, inc);
    return s;
}

}  // namespace quva
