#include "core/triggers.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "core/simulation.h"

namespace quva {

bool Condition::holds(double reading) const {
    switch (compare) {
    case Compare::Less: return reading < value;
    case Compare::LessOrEqual: return reading <= value;
    case Compare::Greater: return reading > value;
    case Compare::GreaterOrEqual: return reading >= value;
    }
    return false;
}

namespace {

std::string trimmed(const std::string &s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

std::invalid_argument badCondition(const std::string &text, const std::string &why) {
    return std::invalid_argument("\"" + text + "\": " + why);
}

}  // namespace

Condition parseCondition(const std::string &text) {
    const std::size_t op = text.find_first_of("<>");
    if (op == std::string::npos)
        throw badCondition(text, "expected a condition READING<VALUE or READING>VALUE (<= and >= too)");
    Condition c;
    c.text = text;
    const bool orEqual = op + 1 < text.size() && text[op + 1] == '=';
    if (text[op] == '<') c.compare = orEqual ? Condition::Compare::LessOrEqual : Condition::Compare::Less;
    else c.compare = orEqual ? Condition::Compare::GreaterOrEqual : Condition::Compare::Greater;

    const std::string name = trimmed(text.substr(0, op));
    const auto reading = readingNamed(name);
    if (!reading)
        throw badCondition(text, "unknown reading \"" + name +
                                     "\" (use alt, altitude, airspeed, vz, vertical_speed, t or time)");
    c.reading = *reading;

    const std::string number = trimmed(text.substr(op + (orEqual ? 2 : 1)));
    char *end = nullptr;
    c.value = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || !std::isfinite(c.value))
        throw badCondition(text, "the value \"" + number + "\" is not a finite number");
    return c;
}

void Triggers::check(Simulation &sim) {
    for (TriggeredEvent &e : events_) {
        if (e.fired) continue;
        Vessel *v = sim.findVessel(e.vessel);
        if (!v || v->inert() || !v->state.body) continue;
        if (!e.condition.holds(readingValue(e.condition.reading, *v, sim.simTime()))) continue;
        e.fired = true;
        sim.note(v, "condition " + e.condition.text + " met");
        if (!e.release) {
            sim.pressKey(*v, e.key, e.modifiers);
        } else if (v->parent()) {
            sim.release(*v);
        } else {
            sim.warn("release on " + e.condition.text + ": vessel \"" + e.vessel + "\" is not attached");
        }
    }
}

std::vector<std::string> Triggers::unfired(const Simulation &sim) const {
    std::vector<std::string> lines;
    for (const TriggeredEvent &e : events_) {
        if (e.fired) continue;
        const char *what = e.release ? "release" : "key press";
        if (sim.findVessel(e.vessel))
            lines.push_back(std::string(what) + " for \"" + e.vessel + "\" did not happen: " + e.condition.text +
                            " never held");
        else
            lines.push_back(std::string(what) + " for \"" + e.vessel + "\" did not happen: the vessel is gone and " +
                            e.condition.text + " had not held");
    }
    return lines;
}

}  // namespace quva
