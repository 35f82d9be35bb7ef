// Small helpers for the host's line-oriented text files (meshes, class configurations): splitting
// a line into words and reading numbers strictly, so that "1.5x" or "" is an error rather than 1.5
// or 0.
#pragma once

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quva::text {

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

inline std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

inline bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

inline bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalNoCase(s.substr(0, prefix.size()), prefix);
}

// The line up to a ';', which starts a comment.
inline std::string_view withoutComment(std::string_view s) {
    const auto semi = s.find(';');
    return semi == std::string_view::npos ? s : s.substr(0, semi);
}

inline std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i])) ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i])) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// The text split into lines at '\n'; a final line without '\n' counts, an empty tail does not.
inline std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto nl = text.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// A finite decimal number, the whole word; a leading '+' is allowed.
inline std::optional<double> number(std::string_view w) {
    if (!w.empty() && w.front() == '+') w.remove_prefix(1);
    if (w.empty() || w.front() == '+') return std::nullopt;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (ec != std::errc() || end != w.data() + w.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// A non-negative decimal integer that fits, the whole word.
template <typename T>
std::optional<T> unsignedNumber(std::string_view w, int base = 10) {
    if (w.empty() || w.front() == '-' || w.front() == '+') return std::nullopt;
    T v{};
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v, base);
    if (ec != std::errc() || end != w.data() + w.size()) return std::nullopt;
    return v;
}

template <typename T>
std::optional<T> signedNumber(std::string_view w) {
    if (!w.empty() && w.front() == '+') w.remove_prefix(1);
    if (w.empty() || w.front() == '+') return std::nullopt;
    T v{};
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (ec != std::errc() || end != w.data() + w.size()) return std::nullopt;
    return v;
}

// A word or value for an error message, cut short when long so that a huge line in a file does
// not flood the message.
inline std::string quoted(std::string_view s) {
    constexpr std::size_t kShown = 60;
    if (s.size() <= kShown) return "'" + std::string(s) + "'";
    return "'" + std::string(s.substr(0, kShown)) + "...' (" + std::to_string(s.size()) + " characters)";
}

// The longest line the host reads from a text file, counted as it stands in the file, leading
// and trailing blanks included. Far above any line an honest file holds, it keeps a huge line (a
// corrupt or wrong file) from reaching modules, which may copy a scenario line into a fixed buffer.
constexpr std::size_t kMaxLineLength = 4096;
// The longest text of a line without its leading and trailing blanks: a vessel's line is written
// back with an indent of two blanks, and must then still fit kMaxLineLength.
constexpr std::size_t kMaxLineText = kMaxLineLength - 2;

// What makes a line unfit for a text file, or empty when it is fit: longer than kMaxLineLength,
// text longer than kMaxLineText, or holding a control character other than blanks (binary data,
// most likely a wrong file).
inline std::string lineProblem(std::string_view line) {
    if (line.size() > kMaxLineLength)
        return "line of " + std::to_string(line.size()) + " characters; the longest allowed is " +
               std::to_string(kMaxLineLength);
    if (const std::size_t n = trimmed(line).size(); n > kMaxLineText)
        return "line of " + std::to_string(n) + " characters without its blanks; the longest allowed is " +
               std::to_string(kMaxLineText);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if ((c < 0x20 && !isBlank(line[i])) || c == 0x7f) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02x", c);
            return "binary data (byte " + std::string(code) + " at column " + std::to_string(i + 1) +
                   "): not a text file";
        }
    }
    return {};
}

}  // namespace quva::text
