#include "number_tokens.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace quva::parity {

namespace {

bool digit(const std::string &s, std::size_t i) { return i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); }

// The length of the number starting at `i`, or 0. A number starts with a digit, or with a sign
// or point followed by a digit, and is not the tail of a word ("X2" holds no number).
std::size_t numberAt(const std::string &s, std::size_t i) {
    if (i > 0 && (std::isalnum(static_cast<unsigned char>(s[i - 1])) || s[i - 1] == '_' || s[i - 1] == '.')) return 0;
    std::size_t j = i;
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
    if (!digit(s, j) && !(j < s.size() && s[j] == '.' && digit(s, j + 1))) return 0;
    while (digit(s, j)) ++j;
    if (j < s.size() && s[j] == '.') {
        ++j;
        while (digit(s, j)) ++j;
    }
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
        if (digit(s, k)) {
            while (digit(s, k)) ++k;
            j = k;
        }
    }
    return j - i;
}

// Angles of +pi and -pi are one direction: the host's angles of attack come from atan2, whose
// branch cut lies there, so a flow from straight behind gives either, by the sign of a component
// that is zero but for rounding.
bool sameHalfTurn(double x, double y, double relative) {
    const double pi = 3.14159265358979323846;
    return (x < 0) != (y < 0) && std::fabs(std::fabs(x) - pi) <= relative * pi &&
           std::fabs(std::fabs(y) - pi) <= relative * pi;
}

}  // namespace

Comparison compareTexts(const std::string &expected, const std::string &actual, double relative, double absolute) {
    Comparison c;
    c.lines = 1;
    std::size_t i = 0, j = 0;
    auto fail = [&](const char *why) {
        c.agree = false;
        c.line = c.lines;
        c.expectedAt = i;
        c.actualAt = j;
        c.why = why;
        return c;
    };
    while (i < expected.size() && j < actual.size()) {
        const std::size_t n = numberAt(expected, i), m = numberAt(actual, j);
        if (n == 0 && m == 0) {
            if (expected[i] != actual[j]) return fail("different text");
            if (expected[i] == '\n') ++c.lines;
            ++i, ++j;
            continue;
        }
        if (n == 0 || m == 0) return fail("a number on one side only");
        ++c.numbers;
        const std::string a = expected.substr(i, n), b = actual.substr(j, m);
        if (a != b) {
            const double x = std::strtod(a.c_str(), nullptr), y = std::strtod(b.c_str(), nullptr);
            const double diff = std::fabs(x - y), scale = std::max(std::fabs(x), std::fabs(y));
            if (diff <= relative * scale) {
                ++c.close;
                c.largestRelative = std::max(c.largestRelative, diff / scale);
            } else if (diff <= absolute) {
                ++c.nearZero;
            } else if (sameHalfTurn(x, y, relative)) {
                ++c.halfTurns;
            } else {
                return fail("numbers differ beyond the tolerance");
            }
        }
        i += n, j += m;
    }
    if (i < expected.size() || j < actual.size()) return fail("one text ends early");
    return c;
}

}  // namespace quva::parity
