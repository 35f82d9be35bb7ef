#include "table_reporter.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <set>

namespace quvabench {

namespace {

// Width on a terminal: UTF-8 continuation bytes take no column.
std::size_t displayWidth(const std::string &s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string padRight(const std::string &s, std::size_t width) {
    const std::size_t w = displayWidth(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string padLeft(const std::string &s, std::size_t width) {
    const std::size_t w = displayWidth(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}

// The run's name without the iteration count that a fixed-length benchmark carries.
std::string displayName(const benchmark::BenchmarkReporter::Run &run) {
    std::string name = run.run_name.function_name;
    if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
    if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate) name += "_" + run.aggregate_name;
    return name;
}

double toNanoseconds(double value, benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kNanosecond: return value;
    case benchmark::kMicrosecond: return value * 1e3;
    case benchmark::kMillisecond: return value * 1e6;
    case benchmark::kSecond: return value * 1e9;
    }
    return value;
}

}  // namespace

std::string fixed(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

std::string withSiPrefix(double value) {
    const char *prefix = "";
    double v = value;
    if (std::abs(v) >= 1e9) {
        v /= 1e9;
        prefix = "G";
    } else if (std::abs(v) >= 1e6) {
        v /= 1e6;
        prefix = "M";
    } else if (std::abs(v) >= 1e3) {
        v /= 1e3;
        prefix = "k";
    }
    return fixed(v, v >= 100 ? 0 : v >= 10 ? 1 : 2) + prefix;
}

std::string duration(double ns) {
    const char *unit = "ns";
    double v = ns;
    if (ns >= 1e9) {
        v = ns / 1e9;
        unit = "s";
    } else if (ns >= 1e6) {
        v = ns / 1e6;
        unit = "ms";
    } else if (ns >= 1e3) {
        v = ns / 1e3;
        unit = "µs";
    }
    return fixed(v, v >= 100 ? 0 : v >= 10 ? 1 : 2) + " " + unit;
}

void TableReporter::declareColumn(std::string counter, std::function<std::string(double)> format) {
    columns_.push_back({std::move(counter), std::move(format)});
}

void TableReporter::setTarget(const std::string &benchmark, Target target) {
    targets_[benchmark].push_back(std::move(target));
}

bool TableReporter::ReportContext(const Context &context) {
    const benchmark::CPUInfo &cpu = context.cpu_info;
    char buf[256];
    std::snprintf(buf, sizeof buf, "%d CPU(s) at %.0f MHz", cpu.num_cpus, cpu.cycles_per_second / 1e6);
    context_ = buf;
    if (!cpu.load_avg.empty()) {
        context_ += ", load average";
        for (std::size_t i = 0; i < cpu.load_avg.size(); ++i)
            context_ += (i ? ", " : " ") + fixed(cpu.load_avg[i], 2);
    }
    if (cpu.scaling == benchmark::CPUInfo::ENABLED) context_ += "; CPU frequency scaling is on, times may vary";
    progress_ = ::isatty(STDERR_FILENO) != 0;
    return true;
}

void TableReporter::ReportRuns(const std::vector<Run> &runs) {
    for (const Run &run : runs) {
        Row row;
        row.name = displayName(run);
        row.unit = run.report_label;
        row.iterations = run.iterations;
        if (run.error_occurred) {
            row.error = run.error_message;
        } else {
            row.nsPerIteration = toNanoseconds(run.GetAdjustedRealTime(), run.time_unit);
            for (const auto &[name, counter] : run.counters) row.counters[name] = counter.value;
        }
        // A sign of life on a terminal while the table is held back, erased before it prints.
        if (progress_) std::cerr << "\r\033[Kquva_bench: done " << row.name << std::flush;
        rows_.push_back(std::move(row));
    }
}

void TableReporter::Finalize() {
    if (progress_) std::cerr << "\r\033[K" << std::flush;

    // Counter columns: the declared ones that appear, then any others.
    std::vector<Column> shown;
    std::set<std::string> seen;
    for (const Row &r : rows_)
        for (const auto &c : r.counters) seen.insert(c.first);
    for (const Column &c : columns_)
        if (seen.erase(c.counter)) shown.push_back(c);
    for (const std::string &other : seen) shown.push_back({other, [](double v) { return withSiPrefix(v); }});

    std::vector<std::string> header = {"benchmark", "iterations", "time"};
    for (const Column &c : shown) header.push_back(c.counter);
    header.push_back("target");
    header.push_back("met");

    std::vector<std::vector<std::string>> cells;
    for (const Row &r : rows_) {
        std::vector<std::string> line = {r.name, std::to_string(r.iterations)};
        if (!r.error.empty()) {
            line.push_back("failed: " + r.error);
            line.resize(header.size());
            cells.push_back(std::move(line));
            continue;
        }
        line.push_back(duration(r.nsPerIteration) + (r.unit.empty() ? "" : "/" + r.unit));
        for (const Column &c : shown) {
            auto it = r.counters.find(c.counter);
            line.push_back(it == r.counters.end() ? "" : c.format(it->second));
        }
        std::string targetText, metText;
        auto t = targets_.find(r.name);
        if (t != targets_.end()) {
            bool met = true;
            for (const Target &target : t->second) {
                targetText += (targetText.empty() ? "" : "; ") + target.text;
                met = met && target.met(r, rows_);
            }
            metText = met ? "yes" : "NO";
        }
        line.push_back(targetText);
        line.push_back(metText);
        cells.push_back(std::move(line));
    }

    std::vector<std::size_t> width(header.size(), 0);
    for (std::size_t i = 0; i < header.size(); ++i) width[i] = displayWidth(header[i]);
    for (const auto &line : cells)
        for (std::size_t i = 0; i < line.size(); ++i)
            if (i != 2 || line[i].rfind("failed: ", 0) != 0) width[i] = std::max(width[i], displayWidth(line[i]));

    // Names and targets read left-aligned, numbers right-aligned.
    auto leftAligned = [&](std::size_t i) { return i == 0 || i + 2 >= header.size(); };
    auto print = [&](const std::vector<std::string> &line) {
        std::string out;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i) out += "  ";
            out += leftAligned(i) ? padRight(line[i], width[i]) : padLeft(line[i], width[i]);
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        GetOutputStream() << out << "\n";
    };

    std::ostream &os = GetOutputStream();
    os << "quva_bench: " << context_ << "; times are wall-clock, per iteration\n";
    print(header);
    std::size_t total = 0;
    for (std::size_t w : width) total += w + 2;
    os << std::string(total - 2, '-') << "\n";
    for (const auto &line : cells) {
        if (line.size() > 2 && line[2].rfind("failed: ", 0) == 0) {
            os << padRight(line[0], width[0]) << "  " << padLeft(line[1], width[1]) << "  " << line[2] << "\n";
            continue;
        }
        print(line);
    }
    os.flush();
}

}  // namespace quvabench
