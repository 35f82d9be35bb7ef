#include "files/class_config.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "files/input_error.h"
#include "files/text_fields.h"

namespace quva {

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string located(const std::string &file, int line, const std::string &what) {
    return file + ":" + std::to_string(line) + ": " + what;
}

class ConfigReader {
public:
    ConfigReader(const std::string &file, int line) : file_(file), line_(line) {}

    [[noreturn]] void fail(const std::string &what) const { throw InputError(file_, line_, what); }

    std::string text(std::string_view key, std::string_view value) const {
        if (value.empty()) fail(std::string(key) + " needs a value");
        return std::string(value);
    }

    double number(std::string_view key, std::string_view value) const {
        const auto w = text::words(value);
        if (w.size() != 1) fail(std::string(key) + " takes one number, found " + text::quoted(value));
        const auto x = text::number(w[0]);
        if (!x) fail(std::string(key) + ": bad number " + text::quoted(w[0]));
        return *x;
    }

    // A quantity that the flight model divides by, so it must be positive.
    double positive(std::string_view key, std::string_view value) const {
        const double x = number(key, value);
        if (!(x > 0.0)) fail(std::string(key) + " must be positive, found " + text::quoted(value));
        return x;
    }

    double nonNegative(std::string_view key, std::string_view value) const {
        const double x = number(key, value);
        if (!(x >= 0.0)) fail(std::string(key) + " must be 0 or more, found " + text::quoted(value));
        return x;
    }

    std::vector<double> numbers(std::string_view key, std::string_view value, std::size_t count) const {
        const auto w = text::words(value);
        if (w.size() != count)
            fail(std::string(key) + " takes " + std::to_string(count) + " numbers, found " + text::quoted(value));
        std::vector<double> out;
        for (const auto &word : w) {
            const auto x = text::number(word);
            if (!x) fail(std::string(key) + ": bad number " + text::quoted(word));
            out.push_back(*x);
        }
        return out;
    }

    Vec3 vector(std::string_view key, std::string_view value) const {
        const auto v = numbers(key, value, 3);
        return {v[0], v[1], v[2]};
    }

    std::array<double, 4> cw(std::string_view key, std::string_view value) const {
        const auto c = numbers(key, value, 4);
        return {c[0], c[1], c[2], c[3]};
    }

    // The leading numbers of a value, up to `most`; the first word that is no number ends them.
    static std::vector<double> leadingNumbers(std::string_view value, std::size_t most) {
        std::vector<double> out;
        for (const auto &w : text::words(value)) {
            const auto x = text::number(w);
            if (!x || out.size() == most) break;
            out.push_back(*x);
        }
        return out;
    }

private:
    const std::string &file_;
    int line_;
};

Vec3 vec(const std::vector<double> &v, std::size_t i) { return {v[i], v[i + 1], v[i + 2]}; }

// The first "Label = value" of each label (in upper case), as the simulator's lookup finds it:
// comments stripped, END_PARSE ending the search; lines without '=' are no items.
struct Item {
    std::string value;
    int line = 0;
};

std::map<std::string, Item> firstItems(const std::vector<std::string_view> &lines) {
    std::map<std::string, Item> items;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = text::trimmed(text::withoutComment(lines[i]));
        if (text::equalNoCase(line, "END_PARSE")) break;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        items.emplace(upper(text::trimmed(line.substr(0, eq))),
                      Item{std::string(text::trimmed(line.substr(eq + 1))), static_cast<int>(i) + 1});
    }
    return items;
}

// The line after the first raw line that starts (column 0, without regard to case) with
// `header`, or none.
std::optional<std::size_t> sectionStart(const std::vector<std::string_view> &lines, std::string_view header) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (text::startsWithNoCase(lines[i], header)) return i + 1;
    return std::nullopt;
}

// BEGIN_DOCKLIST: every raw line up to END_DOCKLIST is a port. A line that holds no port (blank,
// a comment) still makes one, at the origin and pointing nowhere, as in the simulator.
void readDocks(const std::vector<std::string_view> &lines, const std::string &file, ClassConfig &cfg) {
    const auto start = sectionStart(lines, "BEGIN_DOCKLIST");
    if (!start) return;
    for (std::size_t i = *start; i < lines.size() && !text::startsWithNoCase(lines[i], "END_DOCKLIST"); ++i) {
        const std::string_view line = text::withoutComment(lines[i]);
        const auto v = ConfigReader::leadingNumbers(line, 10);
        ClassDock d;
        std::vector<double> n(9, 0.0);
        std::copy_n(v.begin(), std::min<std::size_t>(v.size(), 9), n.begin());
        d.pos = vec(n, 0);
        d.dir = vec(n, 3);
        d.rot = vec(n, 6);
        // The simulator scans the step as a whole number; one out of any channel's range is none.
        if (v.size() == 10 && std::fabs(v[9]) < 1e6) d.idsStep = static_cast<int>(v[9]);
        if (v.size() < 9)
            cfg.warnings.push_back(located(file, static_cast<int>(i) + 1,
                                           "a dock list line without nine numbers: the simulator still makes a port "
                                           "of it, with the missing numbers 0"));
        cfg.docks.push_back(d);
    }
}

// BEGIN_ATTACHMENT: every raw line up to END_ATTACHMENT is a point: type, nine numbers, id. The
// simulator keeps the previous line's values where a line gives none, so a blank or comment line
// repeats the point before it with an empty id; this host does the same, with a warning.
void readAttachments(const std::vector<std::string_view> &lines, const std::string &file, ClassConfig &cfg) {
    const auto start = sectionStart(lines, "BEGIN_ATTACHMENT");
    if (!start) return;
    AttachmentSpec last;
    last.toParent = false;
    std::size_t i = *start;
    for (; i < lines.size() && !text::startsWithNoCase(lines[i], "END_ATTACHMENT"); ++i) {
        const int number = static_cast<int>(i) + 1;
        const ConfigReader in(file, number);
        const std::string_view line = text::trimmed(text::withoutComment(lines[i]));
        if (line.empty()) {
            last.id.clear();
            cfg.warnings.push_back(located(
                file, number,
                "a line without an attachment point inside BEGIN_ATTACHMENT: the simulator makes it a copy of the "
                "point before it (" + std::to_string(cfg.attachments.size()) +
                    "), which shifts the indices ATTACHED lines give; move the line out of the list"));
            cfg.attachments.push_back(last);
            continue;
        }
        const auto w = text::words(line);
        if (w.size() < 10 || w[0].size() != 1)
            in.fail("an attachment point is a type letter (P: to a parent, any other: for a child), nine numbers "
                    "and an id; found " + text::quoted(line));
        std::vector<double> n;
        for (std::size_t k = 1; k < 10; ++k) {
            const auto x = text::number(w[k]);
            if (!x) in.fail("attachment point: bad number " + text::quoted(w[k]));
            n.push_back(*x);
        }
        AttachmentSpec a;
        a.toParent = w[0] == "P" || w[0] == "p";
        a.pos = vec(n, 0);
        a.dir = vec(n, 3);
        a.rot = vec(n, 6);
        if (w.size() > 10) a.id = std::string(w[10]);
        cfg.attachments.push_back(a);
        last = a;
    }
    if (i == lines.size()) throw InputError(file, static_cast<int>(*start), "BEGIN_ATTACHMENT without END_ATTACHMENT");
}

void readItems(const std::map<std::string, Item> &items, const std::string &file, ClassConfig &cfg) {
    auto item = [&](const char *key) -> const Item * {
        auto it = items.find(key);
        return it == items.end() || it->second.value.empty() ? nullptr : &it->second;
    };
    // A single value: the key as looked up, its name in messages, how it is read, where it goes.
    auto read = [&](const char *key, const char *name, auto parse, auto field) {
        if (const Item *i = item(key)) cfg.*field = (ConfigReader(file, i->line).*parse)(name, i->value);
    };
    using R = ConfigReader;
    using C = ClassConfig;
    read("MODULE", "Module", &R::text, &C::module);
    read("BASECLASS", "BaseClass", &R::text, &C::baseClass);
    read("MESHNAME", "MeshName", &R::text, &C::meshName);
    read("COLLISIONHULL", "CollisionHull", &R::text, &C::collisionHull);
    read("SIZE", "Size", &R::positive, &C::size);
    read("MASS", "Mass", &R::positive, &C::mass);
    read("INERTIA", "Inertia", &R::vector, &C::inertia);
    read("CROSSSECTIONS", "CrossSections", &R::vector, &C::crossSections);
    read("ROTRESISTANCE", "RotResistance", &R::vector, &C::rotResistance);
    read("CAMERAOFFSET", "CameraOffset", &R::vector, &C::cameraOffset);
    read("GRAVITYGRADIENTDAMPING", "GravityGradientDamping", &R::nonNegative, &C::gravityGradientDamping);
    read("CW", "CW", &R::cw, &C::cw);
    read("MAXFUEL", "MaxFuel", &R::nonNegative, &C::maxFuel);
    read("ISP", "Isp", &R::positive, &C::isp);
    read("MAXMAINTHRUST", "MaxMainThrust", &R::nonNegative, &C::maxMainThrust);
    read("MAXRETROTHRUST", "MaxRetroThrust", &R::nonNegative, &C::maxRetroThrust);
    read("MAXHOVERTHRUST", "MaxHoverThrust", &R::nonNegative, &C::maxHoverThrust);
    read("MAXATTITUDETHRUST", "MaxAttitudeThrust", &R::nonNegative, &C::maxAttitudeThrust);
    // Nine numbers; fewer: the simulator ignores the key, more: the rest is ignored.
    if (const Item *i = item("TOUCHDOWNPOINTS")) {
        const auto v = ConfigReader::leadingNumbers(i->value, 9);
        if (v.size() == 9) cfg.touchdownPoints = std::array<Vec3, 3>{vec(v, 0), vec(v, 3), vec(v, 6)};
        else cfg.warnings.push_back(located(file, i->line, "TouchdownPoints needs nine numbers; the simulator ignores it"));
    }
    // PropellantResource1, 2, ...: "maxmass [efficiency]", up to the first one missing.
    for (int k = 1;; ++k) {
        const std::string key = "PROPELLANTRESOURCE" + std::to_string(k);
        const Item *i = item(key.c_str());
        if (!i) break;
        const auto v = ConfigReader::leadingNumbers(i->value, 2);
        if (v.empty() || !(v[0] >= 0.0)) ConfigReader(file, i->line).fail("PropellantResource" + std::to_string(k) + " needs a mass of 0 kg or more");
        cfg.stores.push_back({v[0], v.size() > 1 ? v[1] : 1.0});
    }
    // DockRef, DockDir and DockRot: port 0, only with all three.
    const Item *ref = item("DOCKREF"), *dir = item("DOCKDIR"), *rot = item("DOCKROT");
    if (ref && dir && rot)
        cfg.dockKeys = ClassDock{ConfigReader(file, ref->line).vector("DockRef", ref->value),
                                ConfigReader(file, dir->line).vector("DockDir", dir->value),
                                ConfigReader(file, rot->line).vector("DockRot", rot->value), std::nullopt};
}

}  // namespace

ClassConfig parseClassConfig(const std::string &content, const std::string &file) {
    ClassConfig cfg;
    cfg.file = file;
    const auto lines = text::lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (const std::string problem = text::lineProblem(lines[i]); !problem.empty())
            throw InputError(file, static_cast<int>(i) + 1, problem);
    readItems(firstItems(lines), file, cfg);
    readDocks(lines, file, cfg);
    readAttachments(lines, file, cfg);
    return cfg;
}

std::vector<HullVertex> parseCollisionHull(const std::string &text, const std::string &file, std::string &problem) {
    const auto lines = text::lines(text);
    std::size_t i = 0;
    while (i < lines.size() && text::trimmed(text::withoutComment(lines[i])).empty()) ++i;
    const auto count = i < lines.size() ? ConfigReader::leadingNumbers(text::withoutComment(lines[i]), 1)
                                        : std::vector<double>{};
    if (count.empty() || !(count[0] >= 3.0) || count[0] > 1e6) {
        problem = file + ": the first line is no vertex count of 3 or more; the simulator ignores the file";
        return {};
    }
    std::vector<HullVertex> out;
    for (++i; i < lines.size() && out.size() < static_cast<std::size_t>(count[0]); ++i) {
        const auto v = ConfigReader::leadingNumbers(text::withoutComment(lines[i]), 7);
        if (v.size() < 3) {
            problem = located(file, static_cast<int>(i) + 1,
                              "a vertex needs three numbers; the simulator ignores the whole file");
            return {};
        }
        HullVertex h;
        h.pos = vec(v, 0);
        if (v.size() > 3) h.stiffness = v[3];
        if (v.size() > 4) h.damping = v[4];
        if (v.size() > 5) h.mu = v[5];
        if (v.size() > 6) h.muLng = v[6];
        out.push_back(h);
    }
    if (out.size() < static_cast<std::size_t>(count[0])) {
        problem = file + ": fewer vertices than its first line says; the simulator ignores the file";
        return {};
    }
    return out;
}

ClassConfig withBaseClass(const ClassConfig &base, ClassConfig derived) {
    auto over = [](auto &mine, const auto &theirs) {
        if (!mine) mine = theirs;
    };
    over(derived.size, base.size);
    over(derived.mass, base.mass);
    over(derived.inertia, base.inertia);
    over(derived.crossSections, base.crossSections);
    over(derived.meshName, base.meshName);
    over(derived.gravityGradientDamping, base.gravityGradientDamping);
    over(derived.cw, base.cw);
    over(derived.rotResistance, base.rotResistance);
    over(derived.cameraOffset, base.cameraOffset);
    over(derived.touchdownPoints, base.touchdownPoints);
    if (!derived.collisionHull) {
        derived.collisionHull = base.collisionHull;
        derived.hull = base.hull;
    }
    over(derived.maxFuel, base.maxFuel);
    over(derived.isp, base.isp);
    over(derived.maxMainThrust, base.maxMainThrust);
    over(derived.maxRetroThrust, base.maxRetroThrust);
    over(derived.maxHoverThrust, base.maxHoverThrust);
    over(derived.maxAttitudeThrust, base.maxAttitudeThrust);
    over(derived.dockKeys, base.dockKeys);
    auto before = [](auto &mine, const auto &theirs) { mine.insert(mine.begin(), theirs.begin(), theirs.end()); };
    before(derived.stores, base.stores);
    before(derived.docks, base.docks);
    before(derived.attachments, base.attachments);
    before(derived.warnings, base.warnings);
    return derived;
}

}  // namespace quva
