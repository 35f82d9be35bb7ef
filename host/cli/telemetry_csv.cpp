#include "telemetry_csv.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace quva::cli {

namespace {

constexpr std::size_t kFixedColumns = 7;  // time to mass

// Fields of one CSV line: its commas outside quotes, plus one.
std::size_t fieldCount(const std::string &line) {
    std::size_t n = 1;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) ++n;
    }
    return n;
}

void appendNumber(std::string &out, double v, int digits = 9) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, v);
    out += text;
}

}  // namespace

std::string csvField(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

TelemetryCsv::TelemetryCsv(std::string path, std::size_t animationColumns)
    : file_(std::move(path)), columns_(animationColumns) {
    file_.stream() << header(columns_);
}

std::string TelemetryCsv::header(std::size_t animationColumns) const {
    std::string h = "time,vessel,altitude,speed,vertical_speed,drag,mass";
    for (std::size_t i = 0; i < animationColumns; ++i) h += ",anim" + std::to_string(i);
    return h + "\n";
}

void TelemetryCsv::add(const Vessel &v, const VesselSample &s) {
    row_.clear();
    appendNumber(row_, s.t, 10);
    row_ += ',';
    row_ += csvField(v.name);
    for (double x : {s.altitude, s.speed, s.verticalSpeed, s.drag, s.mass}) {
        row_ += ',';
        appendNumber(row_, x);
    }
    for (std::size_t i = 0; i < std::max(columns_, s.animations.size()); ++i) {
        row_ += ',';
        if (i < s.animations.size()) appendNumber(row_, s.animations[i]);
    }
    if (s.animations.size() > widest_) widest_ = s.animations.size();
    row_ += '\n';
    file_.stream() << row_;
}

void TelemetryCsv::commit() {
    if (widest_ > columns_) {
        // Rare: rewrite the table with the wider header and the missing cells of the shorter rows.
        file_.stream().flush();
        std::ifstream in(file_.partPath(), std::ios::binary);
        std::string widened = header(widest_), line;
        std::getline(in, line);  // the old header
        while (std::getline(in, line))
            widened += line + std::string(kFixedColumns + widest_ - fieldCount(line), ',') + "\n";
        if (!in.eof()) throw std::runtime_error(file_.path() + ": cannot be written");
        in.close();
        file_.stream().close();
        file_.stream().open(file_.partPath(), std::ios::binary | std::ios::trunc);
        file_.stream() << widened;
    }
    file_.commit();
}

}  // namespace quva::cli
