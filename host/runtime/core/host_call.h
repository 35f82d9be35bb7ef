// Tracing of calls between host and modules. Arguments are formatted only when the trace is on,
// so the untraced path costs one test.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "core/module_fault.h"
#include "core/simulation.h"

namespace quva {

struct NoResult {};

template <class T>
void traceValue(Trace &trace, JsonWriter &w, const T &v) {
    if constexpr (std::is_same_v<T, TraceHandle>) {
        std::int64_t id = trace.handleId(v.ptr);
        if (id == 0) w.value(nullptr);
        else w.value(static_cast<long long>(id));
    } else if constexpr (std::is_same_v<T, std::vector<DWORD>>) {
        w.raw("[");
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (i) w.raw(",");
            w.value(static_cast<unsigned>(v[i]));
        }
        w.raw("]");
    } else if constexpr (std::is_same_v<T, NoResult>) {
        w.value(nullptr);
    } else if constexpr (std::is_enum_v<T>) {
        w.value(static_cast<int>(v));
    } else if constexpr (std::is_same_v<T, WORD>) {
        w.value(static_cast<unsigned>(v));
    } else if constexpr (std::is_same_v<T, char *>) {
        w.value(static_cast<const char *>(v));
    } else if constexpr (std::is_pointer_v<T> && !std::is_same_v<T, const char *>) {
        traceValue(trace, w, TraceHandle{v});
    } else {
        w.value(v);
    }
}

template <class... A>
std::string traceArgs(Trace &trace, const A &...args) {
    JsonWriter w;
    w.raw("[");
    bool first = true;
    ((w.raw(first ? "" : ","), first = false, traceValue(trace, w, args)), ...);
    w.raw("]");
    return std::move(w.text());
}

template <class R>
std::string traceResult(Trace &trace, const R &ret) {
    JsonWriter w;
    traceValue(trace, w, ret);
    return std::move(w.text());
}

inline TraceRecord traceRecord(Simulation &sim, const Vessel *v, TraceDir dir, const char *call) {
    TraceRecord rec;
    rec.step = sim.stepCount();
    rec.t = sim.simTime();
    rec.vessel = v ? v->name : std::string();
    rec.dir = dir;
    rec.call = call;
    return rec;
}

// Records a host call made by a module, with its result.
template <class R, class... A>
void traceOut(Simulation &sim, const Vessel *v, const char *call, const R &ret, const A &...args) {
    Trace &trace = sim.trace();
    if (!trace.enabled()) return;
    TraceRecord rec = traceRecord(sim, v, TraceDir::Out, call);
    rec.args = traceArgs(trace, args...);
    rec.ret = traceResult(trace, ret);
    trace.record(std::move(rec));
}

// The call itself, traced when the trace is on.
template <class F, class... A>
auto tracedCall(Simulation &sim, Vessel *v, const char *call, F &fn, const A &...args) {
    Trace &trace = sim.trace();
    if (!trace.enabled()) return fn();
    TraceRecord rec = traceRecord(sim, v, TraceDir::In, call);
    rec.args = traceArgs(trace, args...);
    std::size_t token = trace.begin(std::move(rec));
    if constexpr (std::is_void_v<decltype(fn())>) {
        fn();
        trace.end(token, "null");
    } else {
        auto result = fn();
        trace.end(token, traceResult(trace, result));
        return result;
    }
}

// Calls into a module with `v` as the context, tracing the callback and its result. An exception
// escaping the module ends the run as a ModuleFault naming the vessel, the call and the step, and
// so does a value the module handed the host during the call that cannot be flown.
template <class F, class... A>
auto callIn(Simulation &sim, Vessel *v, const char *call, F &&fn, const A &...args) {
    Simulation::ContextGuard guard(sim, v);
    auto guarded = [&] {
        try {
            return tracedCall(sim, v, call, fn, args...);
        } catch (const ModuleFault &) {
            throw;  // from a call nested in this one, already named
        } catch (...) {
            throwModuleFault(sim, v, call);
        }
    };
    if constexpr (std::is_void_v<decltype(fn())>) {
        guarded();
        sim.throwIfRefused();
    } else {
        auto result = guarded();
        sim.throwIfRefused();
        return result;
    }
}

}  // namespace quva
