#include "event_options.h"

#include "keys.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <strings.h>

namespace quva::cli {

namespace {

double parseTime(const std::string &text, const std::string &whole) {
    char *end = nullptr;
    double t = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(t) || t < 0.0)
        throw std::invalid_argument("\"" + whole + "\": the time must be a number of seconds, 0 or more");
    return t;
}

}  // namespace

ScheduledEvent parseRelease(const std::string &text) {
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 == text.size())
        throw std::invalid_argument("\"" + text + "\": expected T:VESSEL");
    ScheduledEvent e;
    e.kind = ScheduledEvent::Kind::Release;
    e.t = parseTime(text.substr(0, colon), text);
    e.vessel = text.substr(colon + 1);
    return e;
}

ScheduledEvent parseKey(const std::string &text) {
    std::size_t c1 = text.find(':');
    std::size_t c2 = c1 == std::string::npos ? std::string::npos : text.find(':', c1 + 1);
    if (c2 == std::string::npos || c2 == c1 + 1 || c2 + 1 == text.size())
        throw std::invalid_argument("\"" + text + "\": expected T:VESSEL:KEY[+MOD...]");
    ScheduledEvent e;
    e.kind = ScheduledEvent::Kind::Key;
    e.t = parseTime(text.substr(0, c1), text);
    e.vessel = text.substr(c1 + 1, c2 - c1 - 1);
    std::string keys = text.substr(c2 + 1);
    std::size_t plus = keys.find('+');
    std::string key = keys.substr(0, plus);
    if (key.size() != 1 || !letterKeyCode(key[0]))
        throw std::invalid_argument("\"" + text + "\": KEY must be one letter");
    e.key = letterKeyCode(key[0]);
    while (plus != std::string::npos) {
        std::size_t next = keys.find('+', plus + 1);
        std::string mod = keys.substr(plus + 1, next == std::string::npos ? std::string::npos : next - plus - 1);
        DWORD code = modifierKeyCode(mod);
        if (code) e.modifiers.push_back(code);
        else
            throw std::invalid_argument("\"" + text + "\": unknown modifier \"" + mod +
                                        "\" (use lshift, rshift, lctrl, rctrl, lalt or ralt)");
        plus = next;
    }
    return e;
}

}  // namespace quva::cli
