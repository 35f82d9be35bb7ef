// The call trace: every callback the host makes into a module ("in") and every host call a module
// makes ("out"), with arguments and result, one JSON object per line:
//   {"step":k,"t":SIMT,"vessel":"NAME","dir":"in"|"out","call":"NAME","args":[...],"ret":VALUE}
// Doubles are written in their shortest round-trip form, vectors as arrays of three numbers,
// texts as strings, handles as null or a stable integer id.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/text_sink.h"
#include "world/vec3.h"

namespace quva {

enum class TraceDir { In, Out };

struct TraceRecord {
    std::int64_t step = 0;
    double t = 0.0;
    std::string vessel;
    TraceDir dir = TraceDir::Out;
    std::string call;
    std::string args;  // JSON array text
    std::string ret;   // JSON value text
    std::string json() const;
};

// A value as it appears in the trace. Handles are distinguished from other pointers by type.
struct TraceHandle {
    const void *ptr;
};

class JsonWriter {
public:
    void value(double v);
    void value(int v);
    void value(unsigned v);
    void value(long v);
    void value(unsigned long v);
    void value(long long v);
    void value(unsigned long long v);
    void value(bool v);
    void value(const char *text);  // null writes null
    void value(std::string_view text);
    void value(const std::string &text) { value(std::string_view(text)); }
    void value(const Vec3 &v);
    void value(const VECTOR3 &v) { value(Vec3::from(v)); }
    void value(std::nullptr_t);
    void raw(std::string_view json) { out_ += json; }
    std::string &text() { return out_; }

private:
    std::string out_;
};

// Appends `d` to `out` in the shortest form that reads back as the same double.
void appendDouble(std::string &out, double d);

class Trace {
public:
    bool enabled() const { return enabled_; }
    void keepInMemory(bool keep) {
        keep_ = keep;
        enabled_ = keep_ || sink_;
    }
    // Writes each record to `sink` as a line from now on; null stops writing.
    void writeTo(TextSink *sink) {
        sink_ = sink;
        enabled_ = keep_ || sink_;
    }
    void close() { writeTo(nullptr); }

    // Records nothing while it lives: for work the host does for itself that is no part of the
    // run (a trial save), whose calls would otherwise read as the run's.
    class Paused {
    public:
        explicit Paused(Trace &trace) : trace_(trace), keep_(trace.keep_), sink_(trace.sink_) {
            trace.keep_ = false;
            trace.writeTo(nullptr);
        }
        ~Paused() {
            trace_.keep_ = keep_;
            trace_.writeTo(sink_);
        }
        Paused(const Paused &) = delete;
        Paused &operator=(const Paused &) = delete;

    private:
        Trace &trace_;
        bool keep_;
        TextSink *sink_;
    };

    std::int64_t handleId(const void *handle);  // 0 for null

    // A call that completes at once (a host call made by a module).
    void record(TraceRecord &&rec);
    // A callback into a module: its record precedes the calls made during it, and its result is
    // filled in when it returns. Records are held back until the outermost callback has returned.
    std::size_t begin(TraceRecord &&rec);
    void end(std::size_t token, std::string ret);
    const std::vector<TraceRecord> &records() const { return records_; }
    void clear() { records_.clear(); }

private:
    void emit(TraceRecord &&rec);

    bool keep_ = false;
    bool enabled_ = false;  // kept or written: checked on every host call, so a plain flag
    int depth_ = 0;
    std::vector<TraceRecord> pending_;
    TextSink *sink_ = nullptr;
    std::string line_;  // reused for each line written
    std::vector<TraceRecord> records_;
    std::unordered_map<const void *, std::int64_t> ids_;
};

}  // namespace quva
