#include "telemetry/telemetry_csv.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace quva::cli {

namespace {

constexpr std::size_t kFixedColumns = 7;  // time to mass
// After the animation states, at the end so that every earlier column keeps its place.
constexpr const char *kAttitudeColumns = ",heading,pitch,bank,omega_x,omega_y,omega_z";
constexpr std::size_t kAttitudeFields = 6;

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

TelemetryCsv::TelemetryCsv(OutputFile &file, std::size_t animationColumns) : file_(file), columns_(animationColumns) {
    file_.write(header(columns_));
}

std::string TelemetryCsv::header(std::size_t animationColumns) const {
    std::string h = "time,vessel,altitude,speed,vertical_speed,drag,mass";
    for (std::size_t i = 0; i < animationColumns; ++i) h += ",anim" + std::to_string(i);
    return h + kAttitudeColumns + "\n";
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
    for (double x : {s.heading, s.pitch, s.bank, s.angularVelocity.x, s.angularVelocity.y, s.angularVelocity.z}) {
        row_ += ',';
        appendNumber(row_, x);
    }
    row_ += '\n';
    file_.write(row_);
}

void TelemetryCsv::complete() {
    if (widest_ <= columns_) return;
    // Rare: rewrite the table with the wider header and the missing cells of the shorter rows.
    // It only grows, so it can be written over the old one in place.
    std::istringstream in(file_.readBack());
    std::string widened = header(widest_), line;
    std::getline(in, line);  // the old header
    while (std::getline(in, line)) {
        // The missing animation cells go before the attitude columns, which hold plain numbers.
        std::size_t at = line.size();
        for (std::size_t k = 0; k < kAttitudeFields; ++k) at = line.rfind(',', at - 1);
        widened += line.substr(0, at) + std::string(kFixedColumns + widest_ + kAttitudeFields - fieldCount(line), ',') +
                   line.substr(at) + "\n";
    }
    file_.rewrite(widened);
}

}  // namespace quva::cli
