#include "files/class_config.h"

#include <algorithm>
#include <cctype>

#include "files/input_error.h"
#include "files/text_fields.h"

namespace quva {

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
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

    Vec3 vector(std::string_view key, std::string_view value) const {
        const auto w = text::words(value);
        if (w.size() != 3) fail(std::string(key) + " takes three numbers, found " + text::quoted(value));
        return vectorAt(key, w, 0);
    }

    Vec3 vectorAt(std::string_view what, const std::vector<std::string_view> &w, std::size_t i) const {
        double v[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const auto x = text::number(w[i + k]);
            if (!x) fail(std::string(what) + ": bad number " + text::quoted(w[i + k]));
            v[k] = *x;
        }
        return {v[0], v[1], v[2]};
    }

    // "P|C  px py pz  dx dy dz  rx ry rz  ID"
    AttachmentSpec attachment(std::string_view line) const {
        const auto w = text::words(line);
        if (w.size() != 11)
            fail("an attachment point is P or C, nine numbers and an id; found " + std::to_string(w.size()) +
                 " fields");
        AttachmentSpec a;
        const std::string kind = upper(w[0]);
        if (kind != "P" && kind != "C") fail("attachment kind must be P or C, found " + text::quoted(w[0]));
        a.toParent = kind == "P";
        a.pos = vectorAt("attachment position", w, 1);
        a.dir = vectorAt("attachment direction", w, 4);
        a.rot = vectorAt("attachment rotation", w, 7);
        a.id = std::string(w[10]);
        return a;
    }

private:
    const std::string &file_;
    int line_;
};

}  // namespace

ClassConfig parseClassConfig(const std::string &content, const std::string &file) {
    ClassConfig cfg;
    cfg.file = file;
    const auto lines = text::lines(content);
    int attachmentStart = 0;  // line of the open BEGIN_ATTACHMENT, 0 outside the list

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const ConfigReader in(file, number);
        if (const std::string problem = text::lineProblem(lines[i]); !problem.empty()) in.fail(problem);
        const std::string_view line = text::trimmed(text::withoutComment(lines[i]));
        if (line.empty()) continue;
        const std::string word = upper(line);

        if (attachmentStart) {
            if (word == "END_ATTACHMENT") attachmentStart = 0;
            else if (word == "BEGIN_ATTACHMENT") in.fail("BEGIN_ATTACHMENT inside an attachment list");
            else cfg.attachments.push_back(in.attachment(line));
            continue;
        }
        if (word == "BEGIN_ATTACHMENT") {
            attachmentStart = number;
            continue;
        }
        if (word == "END_ATTACHMENT") in.fail("END_ATTACHMENT without BEGIN_ATTACHMENT");

        // Other lines without '=' (sections this host has no use for) are ignored like unknown keys.
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key = upper(text::trimmed(line.substr(0, eq)));
        const std::string_view value = text::trimmed(line.substr(eq + 1));

        if (key == "MODULE") cfg.module = in.text("Module", value);
        else if (key == "SIZE") cfg.size = in.positive("Size", value);
        else if (key == "MASS") cfg.mass = in.positive("Mass", value);
        else if (key == "INERTIA") cfg.inertia = in.vector("Inertia", value);
        else if (key == "CROSSSECTIONS") cfg.crossSections = in.vector("CrossSections", value);
        else if (key == "MESHNAME") cfg.meshName = in.text("MeshName", value);
    }
    if (attachmentStart) throw InputError(file, attachmentStart, "BEGIN_ATTACHMENT without END_ATTACHMENT");
    return cfg;
}

}  // namespace quva
