#include "files/scenario.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <unordered_map>

#include "files/input_file.h"
#include "files/scenario_environment.h"
#include "files/text_fields.h"
#include "platform/host_platform.h"

namespace quva {

namespace {

// The simulator's core readers hold a line of 255 characters with its end.
constexpr std::size_t kLongestSimulatorLine = 254;

}  // namespace

std::string trim(const std::string &s) {
    const char *ws = " \t\r\n\f\v";
    std::size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

std::string interpretedText(std::string_view raw) { return std::string(text::trimmed(text::withoutComment(raw))); }

bool isSectionHeader(std::string_view raw, std::string_view prefix) { return text::startsWithNoCase(raw, prefix); }

std::string sectionWord(std::string_view header) {
    std::string_view rest = text::trimmed(text::withoutComment(header));
    rest.remove_prefix(std::min<std::size_t>(rest.size(), 6));  // BEGIN_
    std::string word;
    for (char c : rest) {
        if (text::isBlank(c)) break;
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return word;
}

namespace {

// The simulator's own sections; any other is a plugin's, whose end is a plain END.
bool isCoreSection(const std::string &word) {
    for (const char *core : {"DESC", "HYPERDESC", "URLDESC", "ENVIRONMENT", "FOCUS", "CAMERA", "HUD", "MFD", "PANEL", "VC"})
        if (word == core) return true;
    return false;
}

// These end at a line that starts with END_X (END_MFD and more on the line still ends an MFD).
bool endsByPrefix(const std::string &word) { return word == "CAMERA" || word == "HUD" || word == "MFD"; }

struct OpenSection {
    std::string word;
    int line = 0;
    bool core = true;

    bool closedBy(const std::string &line) const {
        const std::string end = "END_" + word;
        if (text::equalNoCase(line, end)) return true;
        if (endsByPrefix(word) && text::startsWithNoCase(line, end)) return true;
        return !core && text::equalNoCase(line, "END");
    }

    std::string endName() const { return core ? "END_" + word : "END (or END_" + word + ")"; }
};

// A line, without its comment, that opens a section: BEGIN_ and a name, in column 0 (or indented,
// which the simulator does not see: refused or warned about where it matters).
bool opensSection(const std::string &line) { return line.size() > 6 && text::startsWithNoCase(line, "BEGIN_"); }

// A section end outside any section (END_X with one word) means a BEGIN_X is missing.
bool isStrayEnd(const std::string &line) {
    return line.size() > 4 && text::startsWithNoCase(line, "END_") && line.find_first_of(" \t") == std::string::npos;
}

// Reads one file. The sections around the ships hold free lines, but must open and close in
// pairs: a missing end means the file was cut short or edited wrongly, and reading on would take
// whatever follows for part of the section.
class ScenarioReader {
public:
    explicit ScenarioReader(const std::string &path) { doc_.path = path; }

    void line(std::string raw, int lineNo) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (std::string problem = text::lineProblem(raw); !problem.empty()) throw InputError(doc_.path, lineNo, problem);
        const std::string line = interpretedText(raw);
        switch (where_) {
        case Where::Outside: return outside(raw, line, lineNo);
        case Where::Ships: return shipsLine(raw, line, lineNo);
        case Where::Vessel: return vesselLine(raw, line, lineNo);
        }
    }

    ScenarioDocument finish(int lastLine) {
        if (open_) throw InputError(doc_.path, open_->line, "BEGIN_" + open_->word + " has no " + open_->endName());
        if (where_ == Where::Vessel)
            throw InputError(doc_.path, lastLine, "vessel \"" + block_.name + "\" (line " + std::to_string(block_.line) +
                                                      ") has no END line");
        if (where_ == Where::Ships) throw InputError(doc_.path, lastLine, "BEGIN_SHIPS has no END_SHIPS");
        return std::move(doc_);
    }

private:
    enum class Where { Outside, Ships, Vessel };

    void keep(const std::string &raw) { (doc_.hasShips ? doc_.tail : doc_.head).push_back(raw); }

    void outside(const std::string &raw, const std::string &line, int lineNo) {
        if (open_) return sectionLine(raw, line, lineNo);
        const bool column0 = !raw.empty() && !text::isBlank(raw[0]);
        if (opensSection(line) && text::startsWithNoCase(line, "BEGIN_SHIPS")) {
            if (!column0)
                throw InputError(doc_.path, lineNo, "BEGIN_SHIPS must start in column 0: the simulator does not find an indented header");
            if (doc_.hasShips) throw InputError(doc_.path, lineNo, "a second BEGIN_SHIPS section");
            doc_.hasShips = true;
            where_ = Where::Ships;
            return;
        }
        if (opensSection(line)) {
            const std::string word = sectionWord(line);
            open_ = OpenSection{word, lineNo, isCoreSection(word)};
            if (word == "ENVIRONMENT" && !environmentSeen_) {
                environmentSeen_ = true;
                readingEnvironment_ = column0;
                if (column0) doc_.environment = KeptLine{doc_.hasShips, (doc_.hasShips ? doc_.tail : doc_.head).size()};
                if (!column0)
                    warn(lineNo, "BEGIN_ENVIRONMENT is indented, so the simulator does not find it: its Date is not used either");
            }
        } else if (isStrayEnd(line)) {
            throw InputError(doc_.path, lineNo, line + " without BEGIN_" + line.substr(4));
        }
        keep(raw);
    }

    void sectionLine(const std::string &raw, const std::string &line, int lineNo) {
        if (opensSection(line) && text::startsWithNoCase(line, "BEGIN_SHIPS"))
            throw InputError(doc_.path, lineNo,
                             "BEGIN_SHIPS in column 0 inside BEGIN_" + open_->word + " (line " +
                                 std::to_string(open_->line) +
                                 "): the simulator takes the first such line for the ships list wherever it stands; "
                                 "indent it, or end the section with " + open_->endName() + " before it");
        if (open_->closedBy(line)) {
            open_.reset();
            readingEnvironment_ = false;
        } else if (readingEnvironment_ && isDateLine(line)) {
            readDateLine(line, lineNo);
        }
        keep(raw);
    }

    void readDateLine(const std::string &line, int lineNo) {
        if (const auto mjd = readDate(line)) {
            // The date is written back whole on save; one whose line would be longer than the
            // simulator reads (a date beyond about 1e240) cannot be, and is refused here rather than cut short there.
            const std::size_t length = savedDateLine(*mjd).size();
            if (length > kLongestSimulatorLine)
                throw InputError(doc_.path, lineNo,
                                 text::quoted(line) + " is a date the simulator cannot hold: written back it takes " +
                                     std::to_string(length) + " characters, more than the " +
                                     std::to_string(kLongestSimulatorLine) + " of a line it reads");
            doc_.mjd = *mjd;
            return;
        }
        char fallback[64];
        std::snprintf(fallback, sizeof fallback, "%.4f", doc_.mjd);
        warn(lineNo, text::quoted(line) + " is no date (Date MJD|JD|JE NUMBER); the run starts at MJD " + fallback +
                         (doc_.mjd == kJ2000Mjd ? " (J2000)" : ""));
    }

    void shipsLine(const std::string &raw, const std::string &line, int lineNo) {
        // Blank and comment lines between vessel blocks are skipped (the simulator would take
        // them for a vessel without a name).
        if (line.empty()) return;
        if (text::equalNoCase(line, "END_SHIPS")) {
            where_ = Where::Outside;
            return;
        }
        if (opensSection(line))
            throw InputError(doc_.path, lineNo, "section " + text::quoted(line) + " inside the ships list, which holds vessel blocks only");
        if (text::equalNoCase(line, "END")) throw InputError(doc_.path, lineNo, "END without a vessel line before it");
        vesselHeader(raw, line, lineNo);
    }

    // NAME:CLASS, split at the first ':', or NAME alone, whose class is then the name.
    void vesselHeader(const std::string &raw, const std::string &line, int lineNo) {
        block_ = VesselBlock{};
        const std::size_t colon = line.find(':');
        block_.name = colon == std::string::npos ? line : trim(line.substr(0, colon));
        block_.className = colon == std::string::npos ? line : trim(line.substr(colon + 1));
        // A class names a file, and a name with blanks cannot stand for its class.
        if (block_.name.empty() || block_.className.empty() || block_.className.find_first_of(" \t") != std::string::npos)
            throw InputError(doc_.path, lineNo, "expected a vessel line NAME:CLASS or NAME, found " + text::quoted(line));
        if (auto [it, fresh] = firstLine_.try_emplace(block_.name, lineNo); !fresh)
            throw InputError(doc_.path, lineNo,
                             "vessel name \"" + block_.name + "\" is already used at line " + std::to_string(it->second));
        block_.line = lineNo;
        block_.raw.push_back(raw);
        where_ = Where::Vessel;
    }

    void vesselLine(const std::string &raw, const std::string &line, int lineNo) {
        block_.raw.push_back(raw);
        if (text::equalNoCase(line, "END")) {
            doc_.ships.push_back(std::move(block_));
            where_ = Where::Ships;
            return;
        }
        if (text::equalNoCase(line, "END_SHIPS"))
            throw InputError(doc_.path, lineNo, "vessel \"" + block_.name + "\" (line " + std::to_string(block_.line) +
                                                    ") has no END line");
        if (!line.empty()) block_.lines.push_back({line, lineNo});
    }

    void warn(int lineNo, const std::string &what) {
        doc_.warnings.push_back(doc_.path + ":" + std::to_string(lineNo) + ": " + what);
    }

    ScenarioDocument doc_;
    Where where_ = Where::Outside;
    std::optional<OpenSection> open_;
    bool environmentSeen_ = false, readingEnvironment_ = false;
    VesselBlock block_;
    std::unordered_map<std::string, int> firstLine_;  // vessel name -> line of its block
};

}  // namespace

ScenarioDocument parseScenario(const std::string &text, const std::string &path) {
    // A byte order mark, which some editors put first, is no part of the first line.
    const bool bom = text.rfind("\xEF\xBB\xBF", 0) == 0;
    std::istringstream in(bom ? text.substr(3) : text);
    ScenarioReader reader(path);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) reader.line(std::move(raw), ++lineNo);
    return reader.finish(lineNo);
}
ScenarioDocument readScenarioFile(const std::string &path) {
    const std::string text = readInputFile(path, "scenario file");
    ScenarioDocument doc = parseScenario(text, path);
    // Without a ships section the file is no scenario (an empty file, or another kind of file).
    if (!doc.hasShips) throw InputError(path, 0, "no BEGIN_SHIPS section: not a scenario file");
    return doc;
}

void writeFileAtomically(const std::string &path, const std::string &text) {
    try {
        platform::writeFileAtomically(path, text);
    } catch (const std::system_error &e) {
        throw InputError(path, 0, e.what());
    }
}

}  // namespace quva
