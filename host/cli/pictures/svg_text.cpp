#include "pictures/svg_text.h"

#include <cmath>
#include <cstdio>

namespace quva::cli {

std::string svgEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

void appendSvgNumber(std::string &out, double v, int decimals) {
    if (!std::isfinite(v)) v = 0.0;
    char text[48];
    int n = std::snprintf(text, sizeof text, "%.*f", decimals, v);
    if (decimals > 0) {
        while (n > 0 && text[n - 1] == '0') --n;
        if (n > 0 && text[n - 1] == '.') --n;
    }
    std::string_view s(text, static_cast<std::size_t>(n));
    if (s == "-0") s = "0";
    out += s;
}

void appendSvgPathPoint(std::string &out, char command, double x, double y) {
    out += command;
    appendSvgNumber(out, x);
    out += ' ';
    appendSvgNumber(out, y);
}

std::string svgNumber(double v, int decimals) {
    std::string out;
    appendSvgNumber(out, v, decimals);
    return out;
}

}  // namespace quva::cli
