#include "run/event_options.h"

#include "core/keys.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace quva::cli {

namespace {

double parseTime(const std::string &text, const std::string &whole) {
    char *end = nullptr;
    double t = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(t) || t < 0.0)
        throw std::invalid_argument("\"" + whole +
                                    "\": the time must be a number of seconds, 0 or more, or a condition such as "
                                    "alt<7000");
    return t;
}

// WHEN is a condition as soon as it compares; otherwise it must be a time.
bool isCondition(const std::string &when) { return when.find_first_of("<>") != std::string::npos; }

// The parts of an event's text: WHEN, the vessel, and for a key the key text after the second colon.
struct EventText {
    std::string when, vessel, keys;
};

EventText splitRelease(const std::string &text) {
    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 == text.size())
        throw std::invalid_argument("\"" + text + "\": expected T:VESSEL or CONDITION:VESSEL");
    return {text.substr(0, colon), text.substr(colon + 1), {}};
}

EventText splitKey(const std::string &text) {
    std::size_t c1 = text.find(':');
    std::size_t c2 = c1 == std::string::npos ? std::string::npos : text.find(':', c1 + 1);
    if (c2 == std::string::npos || c2 == c1 + 1 || c2 + 1 == text.size())
        throw std::invalid_argument("\"" + text + "\": expected T:VESSEL:KEY[+MOD...] or CONDITION:VESSEL:KEY[+MOD...]");
    return {text.substr(0, c1), text.substr(c1 + 1, c2 - c1 - 1), text.substr(c2 + 1)};
}

// KEY[+MOD...]: the key's code and those of the keys held down with it.
std::pair<DWORD, std::vector<DWORD>> parseKeys(const std::string &keys, const std::string &text) {
    std::size_t plus = keys.find('+');
    std::string key = keys.substr(0, plus);
    if (key.size() != 1 || !letterKeyCode(key[0]))
        throw std::invalid_argument("\"" + text + "\": KEY must be one letter");
    std::vector<DWORD> modifiers;
    while (plus != std::string::npos) {
        std::size_t next = keys.find('+', plus + 1);
        std::string mod = keys.substr(plus + 1, next == std::string::npos ? std::string::npos : next - plus - 1);
        DWORD code = modifierKeyCode(mod);
        if (code) modifiers.push_back(code);
        else
            throw std::invalid_argument("\"" + text + "\": unknown modifier \"" + mod +
                                        "\" (use lshift, rshift, lctrl, rctrl, lalt or ralt)");
        plus = next;
    }
    return {letterKeyCode(key[0]), modifiers};
}

Condition conditionOf(const std::string &when, const std::string &text) {
    try {
        return parseCondition(when);
    } catch (const std::invalid_argument &e) {
        // The condition's own message quotes the condition; the user typed the whole event.
        throw std::invalid_argument("\"" + text + "\": " + e.what());
    }
}

}  // namespace

ScheduledEvent parseRelease(const std::string &text) {
    const EventText parts = splitRelease(text);
    ScheduledEvent e;
    e.kind = ScheduledEvent::Kind::Release;
    e.t = parseTime(parts.when, text);
    e.vessel = parts.vessel;
    return e;
}

ScheduledEvent parseKey(const std::string &text) {
    const EventText parts = splitKey(text);
    ScheduledEvent e;
    e.kind = ScheduledEvent::Kind::Key;
    e.t = parseTime(parts.when, text);
    e.vessel = parts.vessel;
    std::tie(e.key, e.modifiers) = parseKeys(parts.keys, text);
    return e;
}

RunEvent parseReleaseEvent(const std::string &text) {
    const EventText parts = splitRelease(text);
    if (!isCondition(parts.when)) return parseRelease(text);
    TriggeredEvent e;
    e.condition = conditionOf(parts.when, text);
    e.vessel = parts.vessel;
    e.action = TriggeredEvent::Action::Release;
    return e;
}

RunEvent parseKeyEvent(const std::string &text) {
    const EventText parts = splitKey(text);
    if (!isCondition(parts.when)) return parseKey(text);
    TriggeredEvent e;
    e.condition = conditionOf(parts.when, text);
    e.vessel = parts.vessel;
    e.action = TriggeredEvent::Action::Key;
    std::tie(e.key, e.modifiers) = parseKeys(parts.keys, text);
    return e;
}

}  // namespace quva::cli
