// Helpers for tests that drive vessel modules through the host and read back what the modules
// asked of it from the trace.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/simulation.h"
#include "platform/host_platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quvatest {

// The file of module `name` in the build tree.
inline std::filesystem::path moduleFile(const std::string &name) {
    return std::filesystem::path(QUVA_BUILD_ROOT) / "Modules" / (name + quva::platform::kModuleSuffix);
}

// Whether the library `file` is loaded in this process, asked without loading it.
inline bool libraryLoaded(const std::filesystem::path &file) {
#if defined(_WIN32)
    return GetModuleHandleW(std::filesystem::absolute(file).c_str()) != nullptr;
#else
    void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
#endif
}

// Sets or removes a variable of this process's environment, which the modules see as well.
inline void setEnvironment(const char *name, const std::string &value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}
inline void clearEnvironment(const char *name) {
#if defined(_WIN32)
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

// Makes `link` show the folder `target`: a symbolic link where the file system has them, else a
// copy (Wine, for one, cannot make links).
inline void linkFolder(const std::filesystem::path &target, const std::filesystem::path &link) {
    std::error_code ec;
    std::filesystem::create_directory_symlink(target, link, ec);
    if (ec) std::filesystem::copy(target, link, std::filesystem::copy_options::recursive);
}

// The whole content of a file, byte for byte; empty when it cannot be read.
inline std::string fileText(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A name no other test run uses at the same time.
inline std::string uniqueName(const std::string &tag) {
    return "quva-" + tag + "-" + std::to_string(std::random_device{}()) + "-" + std::to_string(std::random_device{}());
}

inline quva::SimulationOptions hostOptions(double dt, std::filesystem::path root = QUVA_BUILD_ROOT) {
    quva::SimulationOptions o;
    o.root = std::move(root);
    o.dt = dt;
    o.flightModel = false;  // state, ground contact and readout stay as the test sets them
    return o;
}

// The top-level elements of a JSON array text, each as written ("1", "\"X\"", "[0,1,2]", "null").
inline std::vector<std::string> jsonItems(const std::string &array) {
    std::vector<std::string> items;
    int depth = 0;
    bool quoted = false;
    std::string current;
    for (std::size_t i = 0; i < array.size(); ++i) {
        const char c = array[i];
        if (quoted) {
            current += c;
            if (c == '\\' && i + 1 < array.size()) current += array[++i];
            else if (c == '"') quoted = false;
            continue;
        }
        if (c == '"') quoted = true;
        if (c == '[' && depth++ == 0) continue;
        if (c == ']' && --depth == 0) break;
        if (c == ',' && depth == 1) {
            items.push_back(current);
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.empty()) items.push_back(current);
    return items;
}

inline double jsonNumber(const std::string &text) { return std::strtod(text.c_str(), nullptr); }

// One host call a module made, with the callback it was made from.
struct OutCall {
    std::int64_t step;
    std::string callback;  // the enclosing "in" call
    std::string call;
    std::vector<std::string> args;
    std::string ret;
};

// The host calls made for `vessel`, in order, optionally only those named `call`.
inline std::vector<OutCall> outCalls(quva::Simulation &sim, const std::string &vessel, const std::string &call = {}) {
    std::vector<OutCall> out;
    std::string callback;
    for (const quva::TraceRecord &r : sim.trace().records()) {
        if (r.dir == quva::TraceDir::In) {
            callback = r.call;
            continue;
        }
        if (r.vessel != vessel || (!call.empty() && r.call != call)) continue;
        out.push_back({r.step, callback, r.call, jsonItems(r.args), r.ret});
    }
    return out;
}

// The host calls `vessel` made from inside `callback`, in order: from the callback's first call
// when `step` is negative, else from its call in that step.
inline std::vector<OutCall> callsFrom(quva::Simulation &sim, const std::string &vessel, const std::string &callback,
                                      std::int64_t step = -1) {
    std::vector<OutCall> out;
    for (OutCall &c : outCalls(sim, vessel)) {
        if (c.callback != callback) continue;
        if (step < 0) step = c.step;
        if (c.step == step) out.push_back(std::move(c));
    }
    return out;
}

inline std::vector<std::string> callNames(const std::vector<OutCall> &calls) {
    std::vector<std::string> out;
    for (const OutCall &c : calls) out.push_back(c.call);
    return out;
}

// One host call a module is expected to make: its name, its arguments as the trace writes them
// (a JSON array) and, optionally, its result. A value written $NAME stands for a handle or id
// the host hands out: it takes the traced value where it first appears and must be the same
// wherever the name comes again; two different names must stand for different values.
struct ExpectedCall {
    std::string name;
    std::string args;
    std::string ret = {};  // empty: not compared
};

// Placeholder name -> the traced value it stands for.
using Bindings = std::map<std::string, std::string>;

// Two traced values are the same when their texts are, when both are numbers of the same double
// value, or when both are arrays of the same values.
inline bool sameTraceValue(const std::string &actual, const std::string &expected, Bindings &bound) {
    if (!expected.empty() && expected[0] == '$') {
        auto [at, fresh] = bound.emplace(expected, actual);
        if (!fresh) return at->second == actual;
        for (const auto &[name, value] : bound)
            if (name != expected && value == actual) return false;
        return true;
    }
    if (actual == expected) return true;
    if (!actual.empty() && actual[0] == '[' && !expected.empty() && expected[0] == '[') {
        const auto a = jsonItems(actual), e = jsonItems(expected);
        if (a.size() != e.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!sameTraceValue(a[i], e[i], bound)) return false;
        return true;
    }
    char *endA = nullptr, *endE = nullptr;
    const double a = std::strtod(actual.c_str(), &endA), e = std::strtod(expected.c_str(), &endE);
    return !actual.empty() && !expected.empty() && *endA == '\0' && *endE == '\0' && a == e;
}

// Compares the host calls in `calls` with `expected`, one by one: name, every argument and the
// result where one is given. Returns what each placeholder stands for.
inline Bindings expectCalls(const std::vector<OutCall> &calls, const std::vector<ExpectedCall> &expected,
                            Bindings bound = {}) {
    EXPECT_EQ(callNames(calls).size(), expected.size()) << ::testing::PrintToString(callNames(calls));
    for (std::size_t i = 0; i < std::min(calls.size(), expected.size()); ++i) {
        const OutCall &c = calls[i];
        const ExpectedCall &e = expected[i];
        SCOPED_TRACE("call " + std::to_string(i) + ": " + e.name + e.args);
        EXPECT_EQ(c.call, e.name);
        std::string args = "[";
        for (std::size_t k = 0; k < c.args.size(); ++k) args += (k ? "," : "") + c.args[k];
        args += "]";
        EXPECT_TRUE(sameTraceValue(args, e.args, bound)) << "traced " << args;
        if (!e.ret.empty()) {
            EXPECT_TRUE(sameTraceValue(c.ret, e.ret, bound)) << "returned " << c.ret;
        }
    }
    return bound;
}

// A double as text for the expected-call tables; it reads back as the same double.
inline std::string traceNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The states given to SetAnimation for `vessel` from inside `callback`, in order.
inline std::vector<double> animationStates(quva::Simulation &sim, const std::string &vessel,
                                           const std::string &callback) {
    std::vector<double> states;
    for (const OutCall &c : outCalls(sim, vessel, "SetAnimation"))
        if (c.callback == callback) states.push_back(jsonNumber(c.args.at(1)));
    return states;
}

// The lines of `vessel`'s block in a saved scenario text, without indentation, END excluded.
inline std::vector<std::string> savedBlock(const std::string &scenario, const std::string &vessel) {
    std::vector<std::string> lines;
    std::size_t at = scenario.find("\n" + vessel + ":");
    if (at == std::string::npos) return lines;
    at = scenario.find('\n', at + 1);
    while (at != std::string::npos && at + 1 < scenario.size()) {
        const std::size_t end = scenario.find('\n', at + 1);
        std::string line = scenario.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        line.erase(0, line.find_first_not_of(" \t"));
        if (line == "END") break;
        lines.push_back(line);
        at = end;
    }
    return lines;
}

// The last line of the vessel's saved block: where the module's state line goes.
inline std::string savedStateLine(quva::Simulation &sim, const std::string &vessel) {
    const auto block = savedBlock(sim.saveScenarioText(), vessel);
    return block.empty() ? std::string() : block.back();
}

// A root folder of its own with the build's modules and meshes, and vessel class configurations
// written by the test. Removed (without following the links) when it goes out of scope.
class ScratchRoot {
public:
    explicit ScratchRoot(const std::string &tag) {
        namespace fs = std::filesystem;
        path_ = fs::temp_directory_path() / uniqueName(tag);
        fs::create_directories(path_ / "Config" / "Vessels");
        linkFolder(fs::path(QUVA_BUILD_ROOT) / "Modules", path_ / "Modules");
        linkFolder(fs::path(QUVA_BUILD_ROOT) / "Meshes", path_ / "Meshes");
    }
    ~ScratchRoot() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchRoot(const ScratchRoot &) = delete;
    ScratchRoot &operator=(const ScratchRoot &) = delete;

    void writeClass(const std::string &className, const std::string &config) const {
        std::ofstream(path_ / "Config" / "Vessels" / (className + ".cfg")) << config;
    }
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace quvatest
