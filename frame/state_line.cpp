#include "state_line.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace frame {

namespace {

// The int written as %i and read back with the syntax of %i: optional sign, then hexadecimal
// after "0x" or "0X", octal after a leading 0, decimal otherwise. strtoll with base 0 accepts
// exactly that syntax and, unlike sscanf, reports a value out of range instead of leaving it
// undefined; it saturates at the long long range, and the int range is applied here in turn.
bool readInt(const char *&cursor, int &value) {
    char *end = nullptr;
    const long long read = std::strtoll(cursor, &end, 0);
    if (end == cursor) return false;
    cursor = end;
    if (read > INT_MAX) {
        value = INT_MAX;
    } else if (read < INT_MIN) {
        value = INT_MIN;
    } else {
        value = static_cast<int>(read);
    }
    return true;
}

// The double read with the syntax of %lf (strtod: sign, optional point, exponent, hex floats).
// A fraction has to be a finite number: nan, inf and values that overflow a double are taken
// as unreadable, so a damaged line cannot put a non-number into an animation state.
bool readFiniteDouble(const char *&cursor, double &value) {
    char *end = nullptr;
    const double read = std::strtod(cursor, &end);
    if (end == cursor || !std::isfinite(read)) return false;
    cursor = end;
    value = read;
    return true;
}

}  // namespace

char *formatStateText(char (&text)[kStateTextSize], int status, double fraction) {
    const int length = std::snprintf(text, sizeof text, "%i %0.4f", status, fraction);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) {
        // The fixed-point form of a huge fraction runs to hundreds of digits. Rather than cut it
        // off into a different number, write it in the shortest form that still reads back as
        // the same double; at most 11 + 1 + 24 characters, well inside the buffer.
        std::snprintf(text, sizeof text, "%i %.17g", status, fraction);
    }
    return text;
}

void readStateText(const char *text, int &status, double &fraction) {
    const char *cursor = text;
    if (!readInt(cursor, status)) return;
    readFiniteDouble(cursor, fraction);
}

bool startsWithKeyword(const char *line, const char *keyword) {
    for (; *keyword; ++line, ++keyword) {
        // The line's terminating zero never equals a keyword character, so a short line fails.
        if (std::tolower(static_cast<unsigned char>(*line)) != std::tolower(static_cast<unsigned char>(*keyword)))
            return false;
    }
    return true;
}

void writeStateLine(VESSEL2 &vessel, FILEHANDLE scenario, const char *keyword, int status, double fraction) {
    vessel.VESSEL2::clbkSaveState(scenario);
    char item[kStateTextSize];
    std::snprintf(item, sizeof item, "%s", keyword);
    char text[kStateTextSize];
    oapiWriteScenario_string(scenario, item, formatStateText(text, status, fraction));
}

void readStateLines(const VESSEL &vessel, FILEHANDLE scenario, void *hostStatus, const char *keyword, int &status,
                    double &fraction) {
    readStateLines(vessel, scenario, hostStatus, keyword, status, fraction, [] {});
}

}  // namespace frame
