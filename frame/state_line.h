// The scenario state line: one line "KEYWORD status fraction" in a vessel's scenario block that
// carries the state of the vessel's moving part across a save and reload. Every other line of the
// block belongs to the host.
#ifndef QUVA_FRAME_STATE_LINE_H
#define QUVA_FRAME_STATE_LINE_H

#include <cstddef>
#include <cstring>

#include "Orbitersdk.h"

namespace frame {

// Size of the text buffer the writer formats into, terminating zero included.
constexpr std::size_t kStateTextSize = 256;

// Formats "status fraction" as "%i %0.4f". A fraction too large for that form to fit in the
// buffer (only a hand-edited scenario brings one in) is written as "%i %.17g" instead, which
// fits always and reads back as the same double. Returns `text`.
char *formatStateText(char (&text)[kStateTextSize], int status, double fraction);

// Reads "status fraction" from `text` with the syntax of "%i %lf". A value is stored only if it
// is read, and reading stops at the first value that cannot be read. Conservative departures
// from a plain sscanf: an int beyond the range of `status` saturates to INT_MIN or INT_MAX
// instead of being undefined, and a fraction that is not a finite number (nan, inf, or a
// magnitude too large for a double) counts as unreadable and leaves `fraction` unchanged.
void readStateText(const char *text, int &status, double &fraction);

// True when the first characters of `line` equal `keyword`, ignoring letter case. A line shorter
// than the keyword does not match.
bool startsWithKeyword(const char *line, const char *keyword);

// Writer for clbkSaveState: the host's own lines of the vessel first, then the state line.
void writeStateLine(VESSEL2 &vessel, FILEHANDLE scenario, const char *keyword, int status, double fraction);

// Reader for clbkLoadStateEx. Each line of the vessel's block that starts with `keyword` is a
// state line: its values, read from right after the keyword, go to `status` and `fraction`, and
// `onStateLine()` runs so that the vessel can act on them at once. Every other line goes, as it
// stands, to the host's ParseScenarioLineEx with `hostStatus`.
template <class OnStateLine>
void readStateLines(const VESSEL &vessel, FILEHANDLE scenario, void *hostStatus, const char *keyword, int &status,
                    double &fraction, OnStateLine onStateLine);

// The same without an action on reading.
void readStateLines(const VESSEL &vessel, FILEHANDLE scenario, void *hostStatus, const char *keyword, int &status,
                    double &fraction);

// ---------------------------------------------------------------------------------------------

template <class OnStateLine>
void readStateLines(const VESSEL &vessel, FILEHANDLE scenario, void *hostStatus, const char *keyword, int &status,
                    double &fraction, OnStateLine onStateLine) {
    const std::size_t length = std::strlen(keyword);
    char *line = nullptr;
    while (oapiReadScenario_nextline(scenario, line)) {
        if (startsWithKeyword(line, keyword)) {
            readStateText(line + length, status, fraction);
            onStateLine();
        } else {
            vessel.ParseScenarioLineEx(line, hostStatus);
        }
    }
}

}  // namespace frame

#endif
