// The default line parser: the host's own lines of a vessel block, matched as the simulator
// matches them. A keyword is found by a case-insensitive test of the line's start, in a fixed
// order, the first match winning; its arguments are the text after the keyword. A line that
// merely starts with a keyword (a module's POSITION or STATUS_X) and whose arguments do not read
// as that keyword's is kept as read and written back, rather than lost.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <strings.h>

#include "files/host_line_parser.h"
#include "world/body.h"
#include "world/orbital_elements.h"

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

bool toInt(const std::string &s, int &out) {
    std::size_t v;
    if (s.size() > 1 && s[0] == '-' && toIndex(s.substr(1), v)) return out = -static_cast<int>(v), true;
    return toIndex(s, v) && (out = static_cast<int>(v), true);
}

// "index<any one character>level", as PRPLEVEL and THLEVEL write their pairs. Any index and any
// finite level is read here, a negative index too: which of them the vessel can use is decided
// when the lines are applied to it, as the simulator does, with a warning rather than a refusal.
bool toLevelPair(const std::string &token, std::pair<int, double> &out) {
    const std::size_t sign = !token.empty() && token[0] == '-' ? 1 : 0;
    std::size_t digits = sign;
    while (digits < token.size() && token[digits] >= '0' && token[digits] <= '9') ++digits;
    std::size_t index;
    double level;
    if (digits == sign || digits + 1 >= token.size() || !toIndex(token.substr(sign, digits - sign), index) ||
        index > 1000000000u || !toDouble(token.substr(digits + 1), level) || !std::isfinite(level))
        return false;
    out = {sign ? -static_cast<int>(index) : static_cast<int>(index), level};
    return true;
}

class LineParser {
public:
    LineParser(const char *line, HostStatus &status)
        : status_(status), lines_(status.lines), lineNo_(status.reader ? status.reader->line : 0),
          file_(status.reader ? status.reader->file : std::string()) {
        std::string text = line ? line : "";
        text = text.substr(0, text.find(';'));  // a comment runs to the end of the line
        text_ = trim(text);
    }

    void run() {
        if (text_.empty()) return;
        using Reader = bool (LineParser::*)();
        // The simulator's order: the first keyword the line starts with takes it.
        static const struct {
            const char *name;
            Reader read;
        } kKeywords[] = {
            {"STATUS", &LineParser::status},    {"BASE", &LineParser::base},
            {"POS", &LineParser::pos},          {"HEADING", &LineParser::heading},
            {"PRPLEVEL", &LineParser::prplevel}, {"FUEL", &LineParser::fuel},
            {"THLEVEL", &LineParser::thlevel},  {"ENGINE_MAIN", &LineParser::keep},
            {"ENGINE_HOVR", &LineParser::keep}, {"DOCKINFO", &LineParser::keep},
            {"RPOS", &LineParser::rpos},        {"RVEL", &LineParser::rvel},
            {"AROT", &LineParser::arot},        {"VROT", &LineParser::vrot},
            {"ALT", &LineParser::alt},          {"ELEMENTS", &LineParser::elements},
            {"IDS", &LineParser::keep},         {"NAVFREQ", &LineParser::keep},
            {"XPDR", &LineParser::keep},        {"RCSMODE", &LineParser::rcsMode},
            {"AFCMODE", &LineParser::afcMode},  {"ATTACHED", &LineParser::attached},
            {"FLIGHTDATA", &LineParser::keep},
        };
        for (const auto &k : kKeywords) {
            const std::size_t n = std::strlen(k.name);
            if (strncasecmp(text_.c_str(), k.name, n) != 0) continue;
            key_ = k.name;
            const std::string rest = text_.substr(n);
            wholeWord_ = rest.empty() || rest[0] == ' ' || rest[0] == '\t';
            // A longer word that merely starts with the keyword (a module's POSITION, BASEX) is the
            // module's: kept as read. Read as the keyword, its meaning would hang on where it
            // stands (BASE only after STATUS), and a save, which writes kept lines after the
            // host's own, would change it.
            if (!wholeWord_) {
                keep();
                return;
            }
            rest_ = trim(rest);
            args_ = words(rest_);
            if (!(this->*k.read)()) keep();
            return;
        }
        keep();
    }

private:
    // A malformed line: an error when it is plainly the keyword, else a line of the module's own.
    bool bad(const std::string &what) {
        if (!wholeWord_) return false;
        if (!status_.error) status_.error.emplace(file_, lineNo_, what + ", found \"" + text_ + "\"");
        return true;
    }

    bool keep() {
        lines_.foreign.push_back(text_);
        return true;
    }

    bool numbers(std::size_t count, double *out) {
        if (args_.size() != count) return false;
        for (std::size_t i = 0; i < count; ++i)
            if (!toDouble(args_[i], out[i])) return false;
        return true;
    }

    std::optional<Vec3> vector3() {
        double v[3];
        if (!numbers(3, v)) return std::nullopt;
        return Vec3{v[0], v[1], v[2]};
    }

    bool status() {
        if (args_.size() != 2) return bad("STATUS needs a state and a body, e.g. \"STATUS Landed Earth\"");
        std::string state;
        if (strcasecmp(args_[0].c_str(), "Orbiting") == 0) state = "Orbiting";
        else if (strcasecmp(args_[0].c_str(), "Landed") == 0) state = "Landed";
        else return bad("STATUS must be Orbiting or Landed");
        const Body *body = findBody(args_[1]);
        if (!body) return bad("unknown body \"" + args_[1] + "\" (this host knows Earth and Moon)");
        lines_.status = state;
        lines_.body = body->name;
        lines_.statusLine = lineNo_;
        // As in the simulator: a heading or attitude read before STATUS does not count.
        lines_.heading.reset();
        lines_.arot.reset();
        return true;
    }

    // BASE name[:pad]; the base's pad gives the place unless a later POS line does.
    bool base() {
        if (rest_.empty()) return bad("BASE needs a base name, e.g. \"BASE Name:1\"");
        if (!lines_.status) return bad("BASE must follow the STATUS line that names the body");
        BaseLine b;
        const std::size_t colon = rest_.find(':');
        b.name = trim(rest_.substr(0, colon));
        if (colon != std::string::npos) {
            int pad;
            if (!toInt(trim(rest_.substr(colon + 1)), pad) || pad < 1)
                return bad("BASE pad must be a number from 1");
            b.pad = pad;
        }
        if (b.name.empty()) return bad("BASE needs a base name");
        b.line = lineNo_;
        lines_.base = b;
        lines_.lon.reset();
        lines_.lat.reset();
        return true;
    }

    bool pos() {
        double v[2];
        if (!numbers(2, v)) return bad("POS needs longitude and latitude in degrees");
        if (v[1] < -90.0 || v[1] > 90.0) return bad("POS latitude must lie within -90..90");
        lines_.lon = v[0];
        lines_.lat = v[1];
        lines_.posLine = lineNo_;
        return true;
    }

    bool heading() {
        double h;
        if (!numbers(1, &h)) return bad("HEADING needs one number");
        lines_.heading = h;
        return true;
    }

    bool alt() {
        double a;
        if (!numbers(1, &a)) return bad("ALT needs one number");
        lines_.alt = a;
        lines_.altLine = lineNo_;
        return true;
    }

    bool rpos() {
        auto v = vector3();
        if (!v) return bad("RPOS needs three numbers");
        lines_.rpos = v;
        lines_.rposLine = lineNo_;
        return true;
    }

    bool rvel() {
        auto v = vector3();
        if (!v) return bad("RVEL needs three numbers");
        lines_.rvel = v;
        return true;
    }

    bool arot() {
        auto v = vector3();
        if (!v) return bad("AROT needs three numbers");
        lines_.arot = v;
        lines_.arotLine = lineNo_;
        return true;
    }

    bool vrot() {
        auto v = vector3();
        if (!v) return bad("VROT needs three numbers");
        lines_.vrot = v;
        return true;
    }

    bool elements() {
        double f[7];
        if (!numbers(7, f)) return bad("ELEMENTS needs seven numbers: a e i LAN LonPeri MeanLon epochMJD");
        if (!lines_.status) return bad("ELEMENTS must follow the STATUS line that names the body");
        ElementsLine e{{f[0], f[1], f[2], f[3], f[4], f[5], f[6]}, lineNo_};
        if (std::string problem = elementsProblem(e); !problem.empty()) return bad("ELEMENTS: " + problem);
        lines_.elements = e;
        lines_.rpos.reset();
        lines_.rvel.reset();
        lines_.rposLine = lineNo_;
        return true;
    }

    bool levels(std::vector<std::pair<int, double>> &out) {
        std::vector<std::pair<int, double>> read;
        for (const auto &a : args_) {
            std::pair<int, double> p;
            if (!toLevelPair(a, p)) return false;
            read.push_back(p);
        }
        out = std::move(read);
        return true;
    }

    bool prplevel() {
        if (!levels(lines_.prplevel)) return bad("PRPLEVEL needs pairs \"index:level\"");
        lines_.fuel.reset();
        lines_.prplevelLine = lineNo_;
        return true;
    }

    bool fuel() {
        double level;
        if (!numbers(1, &level)) return bad("FUEL needs one level");
        lines_.fuel = level;
        lines_.prplevel.clear();
        lines_.prplevelLine = lineNo_;
        return true;
    }

    bool thlevel() {
        if (!levels(lines_.thlevel)) return bad("THLEVEL needs pairs \"index:level\"");
        lines_.thlevelLine = lineNo_;
        return true;
    }

    bool mode(std::optional<int> &out, int highest) {
        int m;
        if (args_.size() != 1 || !toInt(args_[0], m) || m < 0 || m > highest)
            return bad(key_ + " needs one number from 0 to " + std::to_string(highest));
        out = m;
        return true;
    }
    bool rcsMode() { return mode(lines_.rcsMode, 2); }
    bool afcMode() { return mode(lines_.afcMode, 7); }

    // ATTACHED i:j,PARENT
    bool attached() {
        std::string rest;
        for (const auto &a : args_) rest += a;
        std::size_t colon = rest.find(':'), comma = rest.find(',');
        AttachedLine at;
        if (colon == std::string::npos || comma == std::string::npos || comma < colon ||
            !toIndex(rest.substr(0, colon), at.childPoint) ||
            !toIndex(rest.substr(colon + 1, comma - colon - 1), at.parentPoint) || comma + 1 >= rest.size())
            return bad("ATTACHED needs \"i:j,PARENT\"");
        at.parent = rest.substr(comma + 1);
        at.line = lineNo_;
        lines_.attached = at;
        return true;
    }

    HostStatus &status_;
    HostLines &lines_;
    int lineNo_;
    std::string file_;
    std::string text_, key_, rest_;
    bool wholeWord_ = true;
    std::vector<std::string> args_;
};

}  // namespace

void parseHostLine(const char *line, HostStatus &status) { LineParser(line, status).run(); }

}  // namespace quva
