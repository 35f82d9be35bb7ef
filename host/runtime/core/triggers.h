// Events that fire on a vessel's state instead of at a time: "release the drogue once the
// altitude is below 7000 m". Each condition is looked at once at the end of every step and its
// event is applied at the first step end where it holds, then never again.
#pragma once

#include <string>
#include <vector>

#include "core/vessel.h"
#include "core/vessel_readings.h"

namespace quva {

class Simulation;

struct Condition {
    enum class Compare { Less, LessOrEqual, Greater, GreaterOrEqual };
    Reading reading = Reading::Altitude;
    Compare compare = Compare::Less;
    double value = 0.0;
    std::string text;  // as written, for messages

    bool holds(double reading) const;
};

// "READING<VALUE" with READING a name readingNamed knows and the comparison one of <, <=, >, >=
// (white space around the parts allowed). Throws std::invalid_argument quoting the text.
Condition parseCondition(const std::string &text);

struct TriggeredEvent {
    Condition condition;
    std::string vessel;  // whose readings the condition looks at, and who the action is for
    bool release = true; // else a key press
    DWORD key = 0;
    std::vector<DWORD> modifiers;  // key codes held down with the key
    bool fired = false;
};

class Triggers {
public:
    void add(TriggeredEvent e) { events_.push_back(std::move(e)); }
    bool empty() const { return events_.empty(); }
    const std::vector<TriggeredEvent> &events() const { return events_; }

    // At a step's end: applies, in the order they were added, the events whose condition now
    // holds for the first time. A vessel that is gone no longer fires anything.
    void check(Simulation &sim);

    // One line for each event that has not fired (its condition never held, or its vessel is gone).
    std::vector<std::string> unfired(const Simulation &sim) const;

private:
    std::vector<TriggeredEvent> events_;
};

}  // namespace quva
