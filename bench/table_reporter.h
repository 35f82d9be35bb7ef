// Prints every benchmark as one row of a single table once all have run: the time per
// iteration, then one column per counter that any benchmark reports, then the benchmark's
// target and whether this run met it.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quvabench {

struct Row {
    std::string name;
    std::string unit;        // what one iteration is: "call", "step", ...
    double nsPerIteration = 0.0;  // wall-clock time
    std::int64_t iterations = 0;
    std::map<std::string, double> counters;
    std::string error;  // set when the benchmark failed or skipped itself
};

// A target a benchmark is measured against; `met` sees the benchmark's row and every row.
struct Target {
    std::string text;
    std::function<bool(const Row &, const std::vector<Row> &)> met;
};

class TableReporter : public benchmark::BenchmarkReporter {
public:
    // Counters are shown in the order they are declared here; undeclared ones follow by name.
    void declareColumn(std::string counter, std::function<std::string(double)> format);
    void setTarget(const std::string &benchmark, Target target);

    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

private:
    struct Column {
        std::string counter;
        std::function<std::string(double)> format;
    };
    std::vector<Column> columns_;
    std::map<std::string, std::vector<Target>> targets_;
    std::vector<Row> rows_;
    std::string context_;
    bool progress_ = false;
};

// Number formats for the columns.
std::string fixed(double value, int decimals);
std::string withSiPrefix(double value);  // 12.3M, 950k, 42.0
std::string duration(double ns);         // 2.31 ns, 15.2 µs, 183 ms

}  // namespace quvabench
