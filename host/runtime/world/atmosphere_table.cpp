#include "world/atmosphere_table.h"

#include <cmath>
#include <vector>

namespace quva {

namespace {

constexpr double kStep = 10.0;     // m between samples

struct Table {
    std::vector<AirSample> samples;

    Table() {
        const Body &air = earth();
        std::size_t n = static_cast<std::size_t>(kAtmosphereTop / kStep) + 1;
        samples.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            AtmosphereSample s = atmosphereAt(air, static_cast<double>(i) * kStep);
            samples.push_back({s.density, s.pressure, s.speedOfSound, airViscosity(s.temperature)});
        }
    }
};

const Table &table() {
    static const Table t;
    return t;
}

}  // namespace

AirSample airAt(const Body &body, double altitude) {
    if (!body.atmosphere || !(altitude <= kAtmosphereTop)) return {};
    const auto &s = table().samples;
    if (altitude <= 0.0) return s.front();
    double x = altitude / kStep;
    auto i = static_cast<std::size_t>(x);
    if (i + 1 >= s.size()) return s.back();
    double f = x - static_cast<double>(i);
    const AirSample &a = s[i], &b = s[i + 1];
    return {a.density + f * (b.density - a.density), a.pressure + f * (b.pressure - a.pressure),
            a.speedOfSound + f * (b.speedOfSound - a.speedOfSound), a.viscosity + f * (b.viscosity - a.viscosity)};
}

}  // namespace quva
