#include "core/triggers.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "core/simulation.h"

namespace quva {

namespace {

bool compared(Condition::Compare compare, double a, double b) {
    switch (compare) {
    case Condition::Compare::Less: return a < b;
    case Condition::Compare::LessOrEqual: return a <= b;
    case Condition::Compare::Greater: return a > b;
    case Condition::Compare::GreaterOrEqual: return a >= b;
    }
    return false;
}

}  // namespace

bool Condition::holds(double reading) const { return compared(compare, reading, value); }

bool Condition::holdsAtStep(const Vessel &v, std::int64_t step, double dt) const {
    if (reading != Reading::Time) return holds(readingValue(reading, v, static_cast<double>(step) * dt));
    // Compared in whole steps: k against value/dt, which counts as whole within 1e-9.
    double at = value / dt;
    const double nearest = std::round(at);
    if (std::fabs(at - nearest) <= 1e-9) at = nearest;
    return compared(compare, static_cast<double>(step), at);
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
        if (!e.condition.holdsAtStep(*v, sim.stepCount(), sim.dt())) continue;
        e.fired = true;
        e.firedAt = sim.simTime();
        sim.note(v, "condition " + e.condition.text + " met");
        switch (e.action) {
        case TriggeredEvent::Action::Key: sim.pressKey(*v, e.key, e.modifiers); break;
        case TriggeredEvent::Action::Delete: sim.requestDeletion(*v); break;
        case TriggeredEvent::Action::Notice:
            if (notice_) notice_(e, *v);
            break;
        case TriggeredEvent::Action::Release:
            if (v->parent()) sim.release(*v);
            else sim.warn("release on " + e.condition.text + ": vessel \"" + e.vessel + "\" is not attached");
            break;
        }
    }
}

std::vector<std::string> Triggers::unfired(const Simulation &sim) const {
    std::vector<std::string> lines;
    for (const TriggeredEvent &e : events_) {
        if (e.fired) continue;
        const char *what = e.action == TriggeredEvent::Action::Release ? "release"
                           : e.action == TriggeredEvent::Action::Key  ? "key press"
                           : e.action == TriggeredEvent::Action::Delete ? "deletion"
                                                                        : "action";
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
