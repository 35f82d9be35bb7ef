#include "classes/call_format.h"

namespace quva::cli {

std::string readableValue(std::string_view json, bool outer) {
    std::string out;
    out.reserve(json.size() + 8);
    int depth = 0;
    bool inString = false, escaped = false;
    for (char c : json) {
        if (inString) {
            out += c;
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            out += c;
            break;
        case '[':
            if (depth++ > 0 || !outer) out += '(';
            break;
        case ']':
            if (--depth > 0 || !outer) out += ')';
            break;
        case ',':
            out += ", ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string readableCall(const TraceRecord &rec) {
    std::string text = rec.call + "(" + readableValue(rec.args, true) + ")";
    if (!rec.ret.empty() && rec.ret != "null") text += " = " + readableValue(rec.ret);
    return text;
}

}  // namespace quva::cli
