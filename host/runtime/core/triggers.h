// Events that fire on a vessel's state instead of at a time: "release the drogue once the
// altitude is below 7000 m". Each condition is looked at once at the end of every step and its
// event is applied at the first step end where it holds, then never again.
#pragma once

#include <cstdint>
#include <functional>
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
    // Whether the condition holds at the end of step `step` of length dt. A condition on time
    // follows the rule of timed events: a value within 1e-9 steps of a whole step k·dt counts as
    // that step's time exactly (so t>=0.9 holds from step 3 with dt 0.3, and t>0.3 from step 4
    // with dt 0.1), whatever k·dt rounds to in binary.
    bool holdsAtStep(const Vessel &v, std::int64_t step, double dt) const;
};

// "READING<VALUE" with READING a name readingNamed knows and the comparison one of <, <=, >, >=
// (white space around the parts allowed). Throws std::invalid_argument quoting the text.
Condition parseCondition(const std::string &text);

struct TriggeredEvent {
    // Release from the parent, a key press, a deletion request, or a notice to whoever watches
    // the simulation (see Triggers::setNotice), which does what it likes between steps.
    enum class Action { Release, Key, Delete, Notice };
    Condition condition;
    std::string vessel;  // whose readings the condition looks at, and who the action is for
    Action action = Action::Release;
    DWORD key = 0;
    std::vector<DWORD> modifiers;  // key codes held down with the key
    int notice = 0;                // passed to the notice, to tell events apart
    bool fired = false;
    double firedAt = 0.0;  // s, the step end where it fired
};

class Triggers {
public:
    // Returns the event's index in events().
    std::size_t add(TriggeredEvent e) {
        events_.push_back(std::move(e));
        return events_.size() - 1;
    }
    bool empty() const { return events_.empty(); }
    const std::vector<TriggeredEvent> &events() const { return events_; }

    // At a step's end: applies, in the order they were added, the events whose condition now
    // holds for the first time. A vessel that is gone no longer fires anything.
    void check(Simulation &sim);

    // One line for each event that has not fired (its condition never held, or its vessel is gone).
    std::vector<std::string> unfired(const Simulation &sim) const;

    // Receives the Notice events as they fire, with the vessel they are for.
    using Notice = std::function<void(const TriggeredEvent &, Vessel &)>;
    void setNotice(Notice notice) { notice_ = std::move(notice); }

private:
    std::vector<TriggeredEvent> events_;
    Notice notice_;
};

}  // namespace quva
