#include "files/bases.h"
#include "files/name_lookup.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>

#include "files/input_error.h"
#include "files/input_file.h"
#include "files/text_fields.h"

namespace quva {

namespace {

// Landing pads are the objects of these types; every other object is scenery and takes no number.
bool isPadType(std::string_view word) {
    return text::equalNoCase(word, "LPAD1") || text::equalNoCase(word, "LPAD2") || text::equalNoCase(word, "LPAD2A");
}

// Reads a base file line by line: items (Label = value) outside the object list, and the object
// list, in which each object runs from its type word to END.
class BaseFileReader {
public:
    BaseFileReader(const std::string &file, SurfaceBase &base) : file_(file), base_(base) {}

    void line(std::string_view raw, int lineNo) {
        if (std::string problem = text::lineProblem(raw); !problem.empty()) throw InputError(file_, lineNo, problem);
        const std::string_view line = text::trimmed(text::withoutComment(raw));
        if (line.empty() || parsingDone_) return;
        if (inList_) return objectLine(line, lineNo);
        if (text::equalNoCase(line, "END_PARSE")) {
            parsingDone_ = true;
        } else if (text::equalNoCase(line, "BEGIN_OBJECTLIST")) {
            inList_ = true;
            listLine_ = lineNo;
        } else {
            item(line, lineNo);
        }
    }

    void finish() const {
        if (inList_) throw InputError(file_, listLine_, "BEGIN_OBJECTLIST has no END_OBJECTLIST");
        if (!nameLine_) throw InputError(file_, 1, "no \"Name = ...\" item: the base has no name");
        if (!locationLine_) throw InputError(file_, nameLine_, "base \"" + base_.name + "\" has no \"Location = LON LAT\" item");
    }

private:
    void item(std::string_view line, int lineNo) {
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return;
        const std::string_view label = text::trimmed(line.substr(0, eq)), value = text::trimmed(line.substr(eq + 1));
        if (text::equalNoCase(label, "Name") && !nameLine_ && !value.empty()) {
            base_.name = std::string(value);
            nameLine_ = lineNo;
        } else if (text::equalNoCase(label, "Location") && !locationLine_) {
            const auto w = text::words(value);
            std::optional<double> lon, lat;
            if (w.size() >= 2) lon = text::number(w[0]), lat = text::number(w[1]);
            if (!lon || !lat || std::abs(*lat) > 90.0)
                throw InputError(file_, lineNo, "Location needs a longitude and a latitude in degrees, found " + text::quoted(value));
            base_.lonDeg = *lon;
            base_.latDeg = *lat;
            locationLine_ = lineNo;
        }
    }

    void objectLine(std::string_view line, int lineNo) {
        const auto w = text::words(line);
        if (!objectLine_) {
            if (text::equalNoCase(line, "END_OBJECTLIST")) {
                inList_ = false;
                return;
            }
            objectLine_ = lineNo;
            objectType_ = std::string(w[0]);
            isPad_ = isPadType(w[0]);
            padPos_.reset();
            return;
        }
        if (text::equalNoCase(line, "END_OBJECTLIST"))
            throw InputError(file_, objectLine_, "object " + objectType_ + " has no END before END_OBJECTLIST");
        if (text::equalNoCase(line, "END")) {
            if (isPad_) {
                if (!padPos_) throw InputError(file_, objectLine_, "landing pad " + std::to_string(base_.pads.size() + 1) + " has no POS line");
                base_.pads.push_back(*padPos_);
            }
            objectLine_ = 0;
            return;
        }
        if (isPad_ && text::equalNoCase(w[0], "POS")) {
            std::optional<double> x, y, z;
            if (w.size() == 4) x = text::number(w[1]), y = text::number(w[2]), z = text::number(w[3]);
            if (!x || !y || !z) throw InputError(file_, lineNo, "a pad's POS needs three numbers (x y z in metres)");
            padPos_ = Vec3{*x, *y, *z};
        }
    }

    const std::string &file_;
    SurfaceBase &base_;
    bool parsingDone_ = false, inList_ = false, isPad_ = false;
    int listLine_ = 0, objectLine_ = 0, nameLine_ = 0, locationLine_ = 0;
    std::string objectType_;
    std::optional<Vec3> padPos_;
};

}  // namespace

bool parseBaseFile(const std::string &text, const std::string &file, SurfaceBase &base) {
    base = SurfaceBase{};
    base.file = file;
    const auto lines = text::lines(text);
    // The first line that holds anything tells the kind of file.
    std::size_t first = 0;
    while (first < lines.size() && text::trimmed(text::withoutComment(lines[first])).empty()) ++first;
    if (first == lines.size() || !text::startsWithNoCase(text::trimmed(lines[first]), "BASE-V2.0")) return false;
    BaseFileReader reader(file, base);
    for (std::size_t i = first + 1; i < lines.size(); ++i) reader.line(lines[i], static_cast<int>(i + 1));
    reader.finish();
    return true;
}

BaseCatalog::BaseCatalog(std::vector<std::filesystem::path> roots) : roots_(std::move(roots)) {}

std::vector<std::filesystem::path> BaseCatalog::folders(const std::string &body) const {
    std::vector<std::filesystem::path> out;
    // The folder as the simulator's file system finds it (config/earth/base for Config/Earth/Base);
    // of two that differ only in case, neither is guessed at.
    const std::string relative = "Config/" + body + "/Base";
    for (const auto &root : roots_) {
        std::optional<std::filesystem::path> found;
        try {
            found = findWithoutCase(root, relative);
        } catch (const AmbiguousName &) {
        }
        out.push_back(found ? *found : root / relative);
    }
    return out;
}

const std::vector<SurfaceBase> &BaseCatalog::of(const std::string &body) {
    if (auto it = bodies_.find(body); it != bodies_.end()) return it->second;
    std::vector<SurfaceBase> bases;
    for (const auto &folder : folders(body)) {
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec)) continue;
        // Sorted, so that which of two bases of the same name counts does not depend on the
        // order the file system lists them in.
        std::vector<std::filesystem::path> files;
        for (const auto &e : std::filesystem::directory_iterator(folder, ec))
            if (e.path().extension() == ".cfg" && e.is_regular_file(ec)) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto &file : files) {
            SurfaceBase base;
            if (!parseBaseFile(readInputFile(file, "base file"), file.string(), base)) continue;
            // The first of two bases whose names differ only in case counts, as in the simulator;
            // a tree searched earlier thus overrides a base of a later one.
            const bool known = std::any_of(bases.begin(), bases.end(),
                                           [&](const SurfaceBase &b) { return text::equalNoCase(b.name, base.name); });
            if (!known) bases.push_back(std::move(base));
        }
    }
    return bodies_.emplace(body, std::move(bases)).first->second;
}

const SurfaceBase &BaseCatalog::find(const std::string &body, const std::string &name) {
    // Matched exactly, as the simulator matches the name of a BASE line.
    for (const SurfaceBase &b : of(body))
        if (b.name == name) return b;
    std::string searched;
    for (const auto &folder : folders(body)) searched += (searched.empty() ? "" : ", ") + folder.string();
    throw BaseNotFound("no base \"" + name + "\" on " + body + " (base files searched in " + searched + ")");
}

}  // namespace quva
