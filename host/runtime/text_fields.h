// Small helpers for the host's line-oriented text files (meshes, class configurations): splitting
// a line into words and reading numbers strictly, so that "1.5x" or "" is an error rather than 1.5
// or 0.
#pragma once

#include <charconv>
#include <cmath>
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

inline std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

}  // namespace quva::text
