#include "replay/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quva::cli {

namespace {

void appendEscape(std::string &out, std::uint32_t code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(code & 0xFFFF));
    out += buf;
}

// The length of the valid UTF-8 sequence at text[i] (1 to 4), or 0 when the bytes there are not
// one (a stray continuation byte, a truncated or overlong sequence, a surrogate, past U+10FFFF).
std::size_t utf8Length(std::string_view text, std::size_t i, std::uint32_t &code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t n = 0;
    std::uint32_t min = 0;
    if (lead < 0x80) return code = lead, 1;
    if ((lead & 0xE0) == 0xC0) n = 2, code = lead & 0x1F, min = 0x80;
    else if ((lead & 0xF0) == 0xE0) n = 3, code = lead & 0x0F, min = 0x800;
    else if ((lead & 0xF8) == 0xF0) n = 4, code = lead & 0x07, min = 0x10000;
    else return 0;
    if (i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t code = 0;
        const std::size_t n = utf8Length(text, i, code);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (code == '"') out += "\\\"";
        else if (code == '\\') out += "\\\\";
        else if (code == '\n') out += "\\n";
        else if (code < 0x20 || code == 0x7F || code == '<' || code == '>' || code == '&' || code == 0x2028 ||
                 code == 0x2029)
            appendEscape(out, code);
        else out.append(text.substr(i, n));
        i += n;
    }
    return out + "\"";
}

namespace {

// `value` as printf's %.{digits}g writes it, which std::to_chars does much faster: a large run's
// data block holds millions of numbers.
std::string general(double value, int digits) {
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits).ptr;
    return std::string(buf, end);
}

}  // namespace

std::string jsonNumber(double value, int digits) {
    if (!std::isfinite(value)) return "null";
    return general(value, digits);
}

std::string jsonFixed(double value, double unit) {
    if (!std::isfinite(value)) return "null";
    const double steps = std::round(value / unit);
    if (steps == 0.0) return "0";
    // Enough significant digits for the rounded value, and no more.
    const int digits = static_cast<int>(std::floor(std::log10(std::fabs(steps)))) + 1;
    return general(steps * unit, digits > 17 ? 17 : digits);
}

}  // namespace quva::cli
