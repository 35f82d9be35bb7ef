#include "scenario_io.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <strings.h>

#include "body.h"
#include "vessel.h"

namespace quva {

namespace {

std::vector<std::string> words(const std::string &s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool toDouble(const std::string &s, double &out) {
    char *end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && end != s.c_str() && std::isfinite(out);
}

bool toIndex(const std::string &s, std::size_t &out) {
    if (s.empty() || s.size() > 6) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    out = static_cast<std::size_t>(std::stoul(s));
    return true;
}

class LineParser {
public:
    LineParser(const char *line, HostStatus &status)
        : status_(status), text_(line ? line : ""), lineNo_(status.reader ? status.reader->line : 0),
          file_(status.reader ? status.reader->file : std::string()) {
        auto all = words(text_);
        if (!all.empty()) {
            key_ = all.front();
            args_.assign(all.begin() + 1, all.end());
        }
    }

    void run() {
        if (key_.empty()) return;
        HostLines &l = status_.lines;
        if (is("STATUS")) parseStatus(l);
        else if (is("RPOS")) l.rpos = vec3();
        else if (is("RVEL")) l.rvel = vec3();
        else if (is("AROT")) l.arot = vec3();
        else if (is("VROT")) l.vrot = vec3();
        else if (is("POS")) parsePos(l);
        else if (is("HEADING")) l.heading = number();
        else if (is("ALT")) l.alt = number();
        else if (is("ATTACHED")) parseAttached(l);
        else if (is("PRPLEVEL")) parsePrplevel(l);
        else l.foreign.push_back(text_);
    }

private:
    bool is(const char *k) const { return strcasecmp(key_.c_str(), k) == 0; }

    void fail(const std::string &what) {
        if (!status_.error) status_.error.emplace(file_, lineNo_, what);
    }

    std::optional<Vec3> vec3() {
        Vec3 v;
        if (args_.size() != 3 || !toDouble(args_[0], v.x) || !toDouble(args_[1], v.y) || !toDouble(args_[2], v.z)) {
            fail(key_ + " needs three numbers, found \"" + text_ + "\"");
            return std::nullopt;
        }
        return v;
    }

    std::optional<double> number() {
        double d;
        if (args_.size() != 1 || !toDouble(args_[0], d)) {
            fail(key_ + " needs one number, found \"" + text_ + "\"");
            return std::nullopt;
        }
        return d;
    }

    void parseStatus(HostLines &l) {
        if (args_.size() != 2) return fail("STATUS needs a state and a body, e.g. \"STATUS Landed Earth\"");
        if (strcasecmp(args_[0].c_str(), "Orbiting") == 0) l.status = "Orbiting";
        else if (strcasecmp(args_[0].c_str(), "Landed") == 0) l.status = "Landed";
        else return fail("STATUS must be Orbiting or Landed, found \"" + args_[0] + "\"");
        if (!findBody(args_[1])) return fail("unknown body \"" + args_[1] + "\" (this host knows Earth and Moon)");
        l.body = findBody(args_[1])->name;
    }

    void parsePos(HostLines &l) {
        double lon, lat;
        if (args_.size() != 2 || !toDouble(args_[0], lon) || !toDouble(args_[1], lat))
            return fail("POS needs longitude and latitude in degrees");
        if (lat < -90.0 || lat > 90.0) return fail("POS latitude must lie within -90..90");
        l.lon = lon;
        l.lat = lat;
    }

    // ATTACHED i:j,PARENT
    void parseAttached(HostLines &l) {
        std::string rest;
        for (const auto &a : args_) rest += a;
        std::size_t colon = rest.find(':'), comma = rest.find(',');
        AttachedLine at;
        if (colon == std::string::npos || comma == std::string::npos || comma < colon ||
            !toIndex(rest.substr(0, colon), at.childPoint) ||
            !toIndex(rest.substr(colon + 1, comma - colon - 1), at.parentPoint) || comma + 1 >= rest.size())
            return fail("ATTACHED needs \"i:j,PARENT\", found \"" + text_ + "\"");
        at.parent = rest.substr(comma + 1);
        at.line = lineNo_;
        l.attached = at;
    }

    // PRPLEVEL i:level ...
    void parsePrplevel(HostLines &l) {
        l.prplevel.clear();
        l.prplevelLine = lineNo_;
        for (const auto &a : args_) {
            std::size_t colon = a.find(':');
            std::size_t idx;
            double level;
            if (colon == std::string::npos || !toIndex(a.substr(0, colon), idx) ||
                !toDouble(a.substr(colon + 1), level) || level < 0.0 || level > 1.0)
                return fail("PRPLEVEL needs pairs \"index:level\" with level in 0..1, found \"" + a + "\"");
            l.prplevel.emplace_back(static_cast<int>(idx), level);
        }
    }

    HostStatus &status_;
    std::string text_;
    int lineNo_;
    std::string file_;
    std::string key_;
    std::vector<std::string> args_;
};

Mat3 rotX(double a) {
    Mat3 r;
    double c = std::cos(a), s = std::sin(a);
    r.m[1][1] = c; r.m[1][2] = -s;
    r.m[2][1] = s; r.m[2][2] = c;
    return r;
}
Mat3 rotY(double a) {
    Mat3 r;
    double c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c; r.m[0][2] = s;
    r.m[2][0] = -s; r.m[2][2] = c;
    return r;
}
Mat3 rotZ(double a) {
    Mat3 r;
    double c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c; r.m[0][1] = -s;
    r.m[1][0] = s; r.m[1][1] = c;
    return r;
}

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// Local horizon frame at a surface point: up, north, east in body coordinates. The body's
// north pole lies along +y, longitude 0 along +x and longitude 90° east along +z.
void horizon(double lonDeg, double latDeg, Vec3 &up, Vec3 &north, Vec3 &east) {
    double lon = lonDeg * kDeg, lat = latDeg * kDeg;
    up = {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
    east = {-std::sin(lon), 0.0, std::cos(lon)};
    north = cross(east, up);
    // Right-handed: east × up = north (for lat 0, lon 0: z × x = y).
}

Mat3 landedAttitude(double lon, double lat, double headingDeg) {
    Vec3 up, north, east;
    horizon(lon, lat, up, north, east);
    double h = headingDeg * kDeg;
    Vec3 z = north * std::cos(h) + east * std::sin(h);  // the vessel's nose, along the heading
    Vec3 y = up;
    return Mat3::fromColumns(cross(y, z), y, z);
}

std::string fmt(const char *format, double a) {
    if (a == 0.0) a = 0.0;  // no "-0.0000"
    // "%.3f" of a large number has hundreds of digits: sized to fit, so that the number is never
    // cut short into another one.
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, format, a);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof buf) return buf;
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, a);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string vecText(const Vec3 &v, const char *format) {
    return fmt(format, v.x) + " " + fmt(format, v.y) + " " + fmt(format, v.z);
}

}  // namespace

void parseHostLine(const char *line, HostStatus &status) { LineParser(line, status).run(); }

Mat3 attitudeFromEuler(const Vec3 &arotDeg) {
    return rotZ(arotDeg.z * kDeg) * rotY(arotDeg.y * kDeg) * rotX(arotDeg.x * kDeg);
}

Vec3 eulerFromAttitude(const Mat3 &r) {
    double b = -std::asin(std::fmax(-1.0, std::fmin(1.0, r.m[2][0])));
    double a = std::atan2(r.m[2][1], r.m[2][2]);
    double c = std::atan2(r.m[1][0], r.m[0][0]);
    return {a / kDeg, b / kDeg, c / kDeg};
}

void applyHostLines(Vessel &v, const HostLines &l, const std::string &file, int blockLine) {
    FlightState &s = v.state;
    s.body = l.body.empty() ? &earth() : findBody(l.body);
    bool landed = l.status ? *l.status == "Landed" : !l.rpos;
    if (landed) {
        double lon = l.lon.value_or(0.0), lat = l.lat.value_or(0.0);
        s.heading = l.heading.value_or(0.0);
        Vec3 up, north, east;
        horizon(lon, lat, up, north, east);
        s.attitude = landedAttitude(lon, lat, s.heading);
        double alt = l.alt.value_or(0.0);
        if (!l.alt) {
            // Rest on the touchdown points (or the centre) when no altitude is given.
            double lowest = 0.0;
            for (const Vec3 &tp : v.def.touchdownPoints) lowest = std::fmin(lowest, dot(s.attitude * tp, up));
            alt = -lowest;
        }
        s.pos = up * (s.body->radius + alt);
        s.vel = {};
        s.landed = true;
        s.arot = eulerFromAttitude(s.attitude);
        v.groundContact = true;
    } else {
        if (!l.rpos) throw InputError(file, blockLine, "vessel \"" + v.name + "\" is Orbiting but has no RPOS line");
        s.pos = *l.rpos;
        s.vel = l.rvel.value_or(Vec3{});
        s.arot = l.arot.value_or(Vec3{});
        s.attitude = attitudeFromEuler(s.arot);
        s.landed = false;
        v.groundContact = false;
    }
    s.vrot = l.vrot.value_or(Vec3{});
    v.readout = {};
    v.flight = {};
    // Propellant stores: all empty unless listed (a store the module created full stays full when
    // the block has no PRPLEVEL line at all).
    if (l.prplevelLine > 0) {
        for (auto &p : v.propellants) p->mass = 0.0;
        for (auto [idx, level] : l.prplevel) {
            if (idx < 0 || static_cast<std::size_t>(idx) >= v.propellants.size())
                throw InputError(file, l.prplevelLine,
                                 "PRPLEVEL names store " + std::to_string(idx) + " but vessel \"" + v.name +
                                     "\" has " + std::to_string(v.propellants.size()));
            v.propellants[idx]->mass = level * v.propellants[idx]->maxMass;
        }
    }
    v.foreignLines = l.foreign;
}

void writeScenarioItem(std::string &out, const char *item, const char *text) {
    out += "  ";
    out += item ? item : "";
    out += ' ';
    out += text ? text : "";
    out += '\n';
}

void writeHostLines(const Vessel &v, std::string &out) {
    const FlightState &s = v.state;
    const char *body = s.body ? s.body->name.c_str() : "Earth";
    if (s.landed && !v.parent()) {
        writeScenarioItem(out, "STATUS", (std::string("Landed ") + body).c_str());
        double r = length(s.pos);
        double lat = r > 0 ? std::asin(s.pos.y / r) / kDeg : 0.0;
        double lon = std::atan2(s.pos.z, s.pos.x) / kDeg;
        writeScenarioItem(out, "POS", (fmt("%.7f", lon) + " " + fmt("%.7f", lat)).c_str());
        writeScenarioItem(out, "HEADING", fmt("%.4f", s.heading).c_str());
        writeScenarioItem(out, "ALT", fmt("%.3f", r - (s.body ? s.body->radius : 0.0)).c_str());
        writeScenarioItem(out, "AROT", vecText(eulerFromAttitude(s.attitude), "%.4f").c_str());
    } else {
        writeScenarioItem(out, "STATUS", (std::string("Orbiting ") + body).c_str());
        writeScenarioItem(out, "RPOS", vecText(s.pos, "%.3f").c_str());
        writeScenarioItem(out, "RVEL", vecText(s.vel, "%.4f").c_str());
        writeScenarioItem(out, "AROT", vecText(eulerFromAttitude(s.attitude), "%.4f").c_str());
        if (s.vrot.x != 0.0 || s.vrot.y != 0.0 || s.vrot.z != 0.0)
            writeScenarioItem(out, "VROT", vecText(s.vrot, "%.4f").c_str());
    }
    if (const Vessel *parent = v.parent()) {
        // i: the index of the held point among the vessel's to-parent points; j: that of its
        // peer among the parent's to-child points.
        std::size_t i = 0, j = 0;
        const Attachment *mine = nullptr;
        for (std::size_t k = 0, n = 0; k < v.attachments.size(); ++k) {
            if (!v.attachments[k]->toParent) continue;
            if (v.attachments[k]->peer) {
                i = n;
                mine = v.attachments[k].get();
            }
            ++n;
        }
        for (std::size_t k = 0, n = 0; k < parent->attachments.size(); ++k) {
            if (parent->attachments[k]->toParent) continue;
            if (mine && parent->attachments[k].get() == mine->peer) j = n;
            ++n;
        }
        writeScenarioItem(out, "ATTACHED", (std::to_string(i) + ":" + std::to_string(j) + "," + parent->name).c_str());
    }
    std::string levels;
    for (std::size_t k = 0; k < v.propellants.size(); ++k) {
        const Propellant &p = *v.propellants[k];
        if (p.mass <= 0.0 || p.maxMass <= 0.0) continue;
        if (!levels.empty()) levels += ' ';
        levels += std::to_string(k) + ":" + fmt("%.6f", p.mass / p.maxMass);
    }
    if (!levels.empty()) writeScenarioItem(out, "PRPLEVEL", levels.c_str());
    for (const auto &line : v.foreignLines) {
        out += "  ";
        out += line;
        out += '\n';
    }
}

}  // namespace quva
