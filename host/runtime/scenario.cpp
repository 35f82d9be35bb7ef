#include "scenario.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <system_error>
#include <unordered_map>

#include "input_file.h"
#include "platform.h"
#include "text_fields.h"

namespace quva {

std::string trim(const std::string &s) {
    const char *ws = " \t\r\n\f\v";
    std::size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

namespace {

bool startsWithWord(const std::string &line, const char *word) {
    std::size_t n = std::strlen(word);
    if (line.size() < n || strncasecmp(line.c_str(), word, n) != 0) return false;
    return line.size() == n || std::isspace(static_cast<unsigned char>(line[n]));
}

bool isWord(const std::string &line, const char *word) { return strcasecmp(line.c_str(), word) == 0; }

// The name X of a section line BEGIN_X or END_X (upper case), or empty when the line is neither.
std::string sectionName(const std::string &line, const char *prefix) {
    const std::size_t n = std::strlen(prefix);
    if (line.size() <= n || strncasecmp(line.c_str(), prefix, n) != 0) return {};
    if (line.find_first_of(" \t") != std::string::npos) return {};
    std::string name = line.substr(n);
    for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The sections around the ships (BEGIN_X ... END_X) hold free lines, but must open and close in
// pairs: a missing END_X means the file was cut short or edited wrongly, and reading on would
// take whatever follows for part of the section. Inside a section only its own END_X counts,
// and BEGIN_SHIPS, which tells that END_X is missing.
class SectionTracker {
public:
    explicit SectionTracker(const std::string &path) : path_(path) {}

    // Notes a line outside the ships; true when it is the line BEGIN_SHIPS.
    bool line(const std::string &line, int lineNo) {
        const std::string begin = sectionName(line, "BEGIN_"), end = sectionName(line, "END_");
        if (!open_.empty()) {
            if (begin == "SHIPS")
                throw InputError(path_, lineNo, "BEGIN_SHIPS inside BEGIN_" + open_ + " (line " +
                                                    std::to_string(openLine_) + "), which has no END_" + open_);
            if (end == open_) open_.clear();
            return false;
        }
        if (begin == "SHIPS") return true;
        if (!begin.empty()) {
            open_ = begin;
            openLine_ = lineNo;
        } else if (!end.empty()) {
            throw InputError(path_, lineNo, "END_" + end + " without BEGIN_" + end);
        }
        return false;
    }

    bool in(const char *section) const { return open_ == section; }

    void finish() const {
        if (!open_.empty()) throw InputError(path_, openLine_, "BEGIN_" + open_ + " has no END_" + open_);
    }

private:
    const std::string &path_;
    std::string open_;
    int openLine_ = 0;
};

// Reads "Date MJD x" inside BEGIN_ENVIRONMENT.
void readEnvironmentLine(const std::string &line, ScenarioDocument &doc, const std::string &path, int lineNo) {
    if (!startsWithWord(line, "Date")) return;
    std::istringstream in(line.substr(4));
    std::string kind;
    in >> kind;
    if (strcasecmp(kind.c_str(), "MJD") != 0) return;
    double mjd;
    if (!(in >> mjd) || !std::isfinite(mjd)) throw InputError(path, lineNo, "Date MJD needs a number");
    doc.mjd = mjd;
}

}  // namespace

ScenarioDocument parseScenario(const std::string &text, const std::string &path) {
    ScenarioDocument doc;
    doc.path = path;
    enum class Where { Head, Ships, Vessel, Tail } where = Where::Head;
    // A byte order mark, which some editors put first, is no part of the first line.
    const bool bom = text.rfind("\xEF\xBB\xBF", 0) == 0;
    std::istringstream in(bom ? text.substr(3) : text);
    std::string raw;
    int lineNo = 0;
    VesselBlock block;
    std::unordered_map<std::string, int> firstLine;  // vessel name -> line of its block
    SectionTracker sections(path);
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (std::string problem = text::lineProblem(raw); !problem.empty()) throw InputError(path, lineNo, problem);
        std::string line = trim(raw);
        switch (where) {
        case Where::Head:
        case Where::Tail:
            if (sections.line(line, lineNo)) {
                if (doc.hasShips) throw InputError(path, lineNo, "a second BEGIN_SHIPS section");
                doc.hasShips = true;
                where = Where::Ships;
                break;
            }
            if (sections.in("ENVIRONMENT") && where == Where::Head) readEnvironmentLine(line, doc, path, lineNo);
            (doc.hasShips ? doc.tail : doc.head).push_back(raw);
            break;
        case Where::Ships:
            if (line.empty() || line[0] == ';') break;
            if (isWord(line, "END_SHIPS")) {
                where = Where::Tail;
                break;
            }
            {
                std::size_t colon = line.find(':');
                if (colon == std::string::npos || colon == 0 || colon + 1 == line.size())
                    throw InputError(path, lineNo, "expected a vessel line NAME:CLASS, found \"" + line + "\"");
                block = VesselBlock{};
                block.name = trim(line.substr(0, colon));
                block.className = trim(line.substr(colon + 1));
                block.line = lineNo;
                block.raw.push_back(raw);
                if (block.name.empty() || block.className.empty() ||
                    block.name.find_first_of(" \t") != std::string::npos ||
                    block.className.find_first_of(" \t") != std::string::npos)
                    throw InputError(path, lineNo, "expected a vessel line NAME:CLASS, found \"" + line + "\"");
                if (auto [it, fresh] = firstLine.try_emplace(block.name, lineNo); !fresh)
                    throw InputError(path, lineNo,
                                     "vessel name \"" + block.name + "\" is already used at line " +
                                         std::to_string(it->second));
                where = Where::Vessel;
            }
            break;
        case Where::Vessel:
            block.raw.push_back(raw);
            if (isWord(line, "END")) {
                doc.ships.push_back(std::move(block));
                where = Where::Ships;
                break;
            }
            if (isWord(line, "END_SHIPS"))
                throw InputError(path, lineNo, "vessel \"" + block.name + "\" (line " + std::to_string(block.line) +
                                                   ") has no END line");
            if (!line.empty()) block.lines.push_back({line, lineNo});
            break;
        }
    }
    sections.finish();
    if (where == Where::Vessel)
        throw InputError(path, lineNo, "vessel \"" + block.name + "\" (line " + std::to_string(block.line) +
                                           ") has no END line");
    if (where == Where::Ships) throw InputError(path, lineNo, "BEGIN_SHIPS has no END_SHIPS");
    return doc;
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
