// quva_bench: runs every benchmark and prints one table. With --benchmark_format the library's
// own reporters take over (for JSON or CSV output); --benchmark_filter picks benchmarks by name.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_support.h"

int main(int argc, char **argv) {
    bool ownFormat = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark_format", 18) == 0) ownFormat = true;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    quvabench::TableReporter table;
    table.declareColumn("ns/vessel-step", [](double v) { return quvabench::fixed(v, 1); });
    table.declareColumn("vessel-steps/s", [](double v) { return quvabench::withSiPrefix(v); });
    table.declareColumn("allocs/step", [](double v) { return quvabench::fixed(v, v == static_cast<long long>(v) ? 0 : 2); });
    table.declareColumn("load ms", [](double v) { return quvabench::fixed(v, 1); });
    table.declareColumn("save ms", [](double v) { return quvabench::fixed(v, 1); });
    quvabench::registerAirfoilBenchmarks(table);
    quvabench::registerHostBenchmarks(table);

    if (ownFormat) benchmark::RunSpecifiedBenchmarks();
    else benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return 0;
}
