// Small pieces of hand-written SVG: escaped text and compact coordinates.
#pragma once

#include <string>
#include <string_view>

namespace quva::cli {

// Text for SVG content or an attribute value, with &, <, >, " and ' escaped.
std::string svgEscape(std::string_view text);

// A coordinate with at most `decimals` decimals, trailing zeros dropped ("12.5", "3", "-0.25").
std::string svgNumber(double v, int decimals = 1);
void appendSvgNumber(std::string &out, double v, int decimals = 1);

// One point of a path's data: the command letter ('M', 'L', ...) and "x y", one decimal each.
void appendSvgPathPoint(std::string &out, char command, double x, double y);

}  // namespace quva::cli
