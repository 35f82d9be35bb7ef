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
#include <sys/stat.h>
#include <unistd.h>

#include <unordered_map>

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
    enum class Where { Head, Environment, Ships, Vessel, Tail } where = Where::Head;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    VesselBlock block;
    std::unordered_map<std::string, int> firstLine;  // vessel name -> line of its block
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = trim(raw);
        switch (where) {
        case Where::Head:
        case Where::Environment:
            if (isWord(line, "BEGIN_SHIPS")) {
                if (doc.hasShips) throw InputError(path, lineNo, "a second BEGIN_SHIPS section");
                doc.hasShips = true;
                where = Where::Ships;
                break;
            }
            if (isWord(line, "BEGIN_ENVIRONMENT")) where = Where::Environment;
            else if (isWord(line, "END_ENVIRONMENT")) where = Where::Head;
            else if (where == Where::Environment) readEnvironmentLine(line, doc, path, lineNo);
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
        case Where::Tail:
            doc.tail.push_back(raw);
            break;
        }
    }
    if (where == Where::Vessel)
        throw InputError(path, lineNo, "vessel \"" + block.name + "\" (line " + std::to_string(block.line) +
                                           ") has no END line");
    if (where == Where::Ships) throw InputError(path, lineNo, "BEGIN_SHIPS has no END_SHIPS");
    return doc;
}

ScenarioDocument readScenarioFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, 0, std::string("cannot read the scenario: ") + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    return parseScenario(text.str(), path);
}

void writeFileAtomically(const std::string &path, const std::string &text) {
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(tmpl.data());
    if (fd < 0) throw InputError(path, 0, std::string("cannot write: ") + std::strerror(errno));
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            throw InputError(path, 0, std::string("cannot write: ") + std::strerror(err));
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    // The descriptor is closed whether or not the data reached the disk.
    int err = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(tmpl.c_str());
        throw InputError(path, 0, std::string("cannot write: ") + std::strerror(err));
    }
    ::chmod(tmpl.c_str(), 0644);
    if (std::rename(tmpl.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw InputError(path, 0, std::string("cannot write: ") + std::strerror(err));
    }
}

}  // namespace quva
