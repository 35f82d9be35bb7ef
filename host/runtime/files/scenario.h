// Scenario files as the host reads and writes them: sections kept as text, and the ships section
// split into vessel blocks (a line NAME:CLASS or NAME, the vessel's lines, a line END).
//
// Sections are found as the simulator finds them: a header BEGIN_X starts in column 0, may carry
// an argument (BEGIN_MFD Left) and is matched without regard to case. The simulator's own
// sections end at END_X; any other section (a plugin's state) ends at a plain END, or at END_X.
// A ';' starts a comment on every line the host interprets. Lines and sections the host does not
// interpret are kept as read and written back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/input_error.h"

namespace quva {

struct ScenarioLine {
    std::string text;  // leading and trailing white space removed
    int line = 0;      // 1-based line number in the file
};

struct VesselBlock {
    std::string name;
    std::string className;            // the name itself when the line gives no class
    int line = 0;                     // line of NAME:CLASS
    std::vector<ScenarioLine> lines;  // between the first line and END, without comments and blank lines
    std::vector<std::string> raw;     // the block's lines exactly as read, END included
};

// A line among those kept around the ships: before them (head) or after them (tail).
struct KeptLine {
    bool inTail = false;
    std::size_t index = 0;
};

struct ScenarioDocument {
    std::string path;
    std::vector<std::string> head;  // every line before BEGIN_SHIPS, unchanged
    bool hasShips = false;
    std::vector<VesselBlock> ships;
    std::vector<std::string> tail;  // every line after END_SHIPS, unchanged
    double mjd = 51544.5;           // the environment's Date (MJD, JD or JE); J2000 when none can be read
    std::vector<std::string> warnings;  // "FILE:LINE: what" for lines read but not usable
    std::optional<KeptLine> environment;  // the header of the environment section read, if any
};

// Throws InputError naming file and line on malformed text: a line too long or holding binary
// data, a vessel block without END, sections that do not open and close in pairs.
ScenarioDocument parseScenario(const std::string &text, const std::string &path);
// The same for a file, which must also hold a ships section.
ScenarioDocument readScenarioFile(const std::string &path);

// Writes `text` to `path` through a temporary file in the same folder, renamed into place only
// once it is complete, so that a failure never leaves a half-written file.
void writeFileAtomically(const std::string &path, const std::string &text);

std::string trim(const std::string &s);

// A line as the host interprets it: up to its first ';' (which starts a comment), without the
// blanks around it.
std::string interpretedText(std::string_view raw);

// Whether the raw line is a section header starting with `prefix` (e.g. "BEGIN_SHIPS"): the
// simulator looks for headers in column 0, case-insensitively, by prefix.
bool isSectionHeader(std::string_view raw, std::string_view prefix);

// The name X of a header BEGIN_X [argument], upper case.
std::string sectionWord(std::string_view header);

}  // namespace quva
