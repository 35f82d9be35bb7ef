// JSON text for a data block that a page carries inside <script type="application/json">: strings
// are escaped so that no name can end the script element or start a comment in it ('<', '>' and
// '&' as \u escapes), control characters and the two JavaScript line separators are escaped,
// invalid UTF-8 becomes U+FFFD, and numbers that JSON cannot hold (NaN, infinities) become null.
#pragma once

#include <string>
#include <string_view>

namespace quva::cli {

// `text` as a quoted JSON string, safe inside an HTML script element.
std::string jsonString(std::string_view text);

// `value` in the shortest form that keeps `digits` significant digits; null when not finite.
std::string jsonNumber(double value, int digits = 10);

// `value` rounded to a multiple of `unit` (e.g. 1e-3 for millimetres), written without needless
// digits; null when not finite.
std::string jsonFixed(double value, double unit);

}  // namespace quva::cli
