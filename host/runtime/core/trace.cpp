#include "core/trace.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quva {

void appendDouble(std::string &out, double d) {
    if (!std::isfinite(d)) {
        // JSON has no infinities or NaN; a string keeps the value readable and the line valid.
        out += std::isnan(d) ? "\"nan\"" : (d > 0 ? "\"inf\"" : "\"-inf\"");
        return;
    }
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    out.append(buf, res.ptr);
}

namespace {

template <class Int>
void appendInt(std::string &out, Int v) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

void appendEscaped(std::string &out, std::string_view s) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

}  // namespace

void JsonWriter::value(double v) { appendDouble(out_, v); }
void JsonWriter::value(int v) { appendInt(out_, v); }
void JsonWriter::value(unsigned v) { appendInt(out_, v); }
void JsonWriter::value(long v) { appendInt(out_, v); }
void JsonWriter::value(unsigned long v) { appendInt(out_, v); }
void JsonWriter::value(long long v) { appendInt(out_, v); }
void JsonWriter::value(unsigned long long v) { appendInt(out_, v); }
void JsonWriter::value(bool v) { out_ += v ? "true" : "false"; }
void JsonWriter::value(const char *text) {
    if (text) appendEscaped(out_, text);
    else out_ += "null";
}
void JsonWriter::value(std::string_view text) { appendEscaped(out_, text); }
void JsonWriter::value(std::nullptr_t) { out_ += "null"; }
void JsonWriter::value(const Vec3 &v) {
    out_ += '[';
    appendDouble(out_, v.x);
    out_ += ',';
    appendDouble(out_, v.y);
    out_ += ',';
    appendDouble(out_, v.z);
    out_ += ']';
}

std::string TraceRecord::json() const {
    std::string out = "{\"step\":";
    appendInt(out, step);
    out += ",\"t\":";
    appendDouble(out, t);
    out += ",\"vessel\":";
    appendEscaped(out, vessel);
    out += dir == TraceDir::In ? ",\"dir\":\"in\"" : ",\"dir\":\"out\"";
    out += ",\"call\":";
    appendEscaped(out, call);
    out += ",\"args\":";
    out += args.empty() ? "[]" : args;
    out += ",\"ret\":";
    out += ret.empty() ? "null" : ret;
    out += '}';
    return out;
}

std::int64_t Trace::handleId(const void *handle) {
    if (!handle) return 0;
    auto [it, inserted] = ids_.try_emplace(handle, static_cast<std::int64_t>(ids_.size()) + 1);
    return it->second;
}

void Trace::emit(TraceRecord &&rec) {
    if (sink_) {
        line_ = rec.json();
        line_ += '\n';
        sink_->write(line_);
    }
    if (keep_) records_.push_back(std::move(rec));
}

void Trace::record(TraceRecord &&rec) {
    if (depth_ > 0) pending_.push_back(std::move(rec));
    else emit(std::move(rec));
}

std::size_t Trace::begin(TraceRecord &&rec) {
    ++depth_;
    pending_.push_back(std::move(rec));
    return pending_.size() - 1;
}

void Trace::end(std::size_t token, std::string ret) {
    if (token < pending_.size()) pending_[token].ret = std::move(ret);
    if (--depth_ > 0) return;
    depth_ = 0;
    for (auto &rec : pending_) emit(std::move(rec));
    pending_.clear();
}

}  // namespace quva
