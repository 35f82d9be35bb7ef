// A traced call as a person reads it: NAME(arg, arg, ...) with vectors as (x, y, z), and
// " = RESULT" when the call returned something.
#pragma once

#include <string>
#include <string_view>

#include "core/trace.h"

namespace quva::cli {

std::string readableCall(const TraceRecord &rec);

// A traced JSON value in the same form: arrays in parentheses, items separated by ", ". With
// `outer` the brackets of an outermost array are left out (an argument list).
std::string readableValue(std::string_view json, bool outer = false);

}  // namespace quva::cli
