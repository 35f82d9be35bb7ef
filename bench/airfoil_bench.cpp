// The canopy coefficient functions, called as the host calls them while it integrates a flight:
// through a function pointer, with a simulation current and its trace off. The canopy source is
// built into this binary with the drogue's radius (the coefficients do not depend on it).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "../chutes/chute_airfoil.h"
#include "bench_support.h"

namespace quvabench {

namespace {

constexpr std::size_t kAngles = 1024;  // a power of two: the index wraps with a mask

void coefficients(benchmark::State &state, AirfoilCoeffFunc fn) {
    quva::Simulation sim(hostOptions(true));
    // Angles of attack over the whole circle and a little beyond, so every table segment and
    // both end extrapolations are taken.
    std::array<double, kAngles> angles{};
    for (std::size_t i = 0; i < kAngles; ++i)
        angles[i] = (-1.1 + 2.2 * static_cast<double>(i) / kAngles) * PI;
    benchmark::DoNotOptimize(fn);  // called through a pointer the compiler cannot see through
    double cl = 0.0, cm = 0.0, cd = 0.0;
    std::size_t i = 0;
    for (auto _ : state) {
        fn(angles[i++ & (kAngles - 1)], 0.3, 2e6, &cl, &cm, &cd);
        benchmark::DoNotOptimize(cl);
        benchmark::DoNotOptimize(cm);
        benchmark::DoNotOptimize(cd);
    }
    state.SetLabel("call");
}

}  // namespace

void registerAirfoilBenchmarks(TableReporter &table) {
    const Target fast{"≤ 5 ns", [](const Row &r, const std::vector<Row> &) { return r.nsPerIteration <= 5.0; }};
    const std::pair<const char *, AirfoilCoeffFunc> functions[] = {
        {"airfoil/chuteVerticalCoeffs", chutes::chuteVerticalCoeffs},
        {"airfoil/chuteHorizontalCoeffs", chutes::chuteHorizontalCoeffs},
    };
    for (const auto &[name, fn] : functions) {
        benchmark::RegisterBenchmark(name, coefficients, fn)->UseRealTime();
        table.setTarget(name, fast);
    }
}

}  // namespace quvabench
