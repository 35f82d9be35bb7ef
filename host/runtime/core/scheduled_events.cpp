// Events between steps: releases and key presses at set times, applied after the whole step their
// time falls in.
#include "core/simulation.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/host_call.h"
#include "core/keys.h"

namespace quva {

std::int64_t stepOfTime(double t, double dt) {
    const double steps = t / dt;
    const double nearest = std::round(steps);
    return static_cast<std::int64_t>(std::fabs(steps - nearest) <= 1e-9 ? nearest : std::floor(steps));
}

bool isAfterEnd(double t, double end, double dt) { return t / dt > end / dt + 1e-9; }


void Simulation::schedule(ScheduledEvent event) {
    auto pos = std::upper_bound(events_.begin() + static_cast<std::ptrdiff_t>(nextEvent_), events_.end(), event,
                                [](const ScheduledEvent &a, const ScheduledEvent &b) { return a.t < b.t; });
    events_.insert(pos, std::move(event));
}

void Simulation::applyDueEvents(double end) {
    while (nextEvent_ < events_.size() && stepOfTime(events_[nextEvent_].t, options_.dt) <= step_ &&
           !isAfterEnd(events_[nextEvent_].t, end, options_.dt)) {
        const ScheduledEvent &e = events_[nextEvent_++];
        Vessel *v = findVessel(e.vessel);
        if (!v) {
            warn("event at t=" + std::to_string(e.t) + ": vessel \"" + e.vessel + "\" no longer exists");
            continue;
        }
        if (e.kind == ScheduledEvent::Kind::Release) {
            if (v->parent()) release(*v);
            else warn("release at t=" + std::to_string(e.t) + ": vessel \"" + e.vessel + "\" is not attached");
        } else {
            pressKey(*v, e.key, e.modifiers);
        }
    }
}

int Simulation::pressKey(Vessel &v, DWORD key, const std::vector<DWORD> &modifiers) {
    char kstate[256] = {};
    for (DWORD m : modifiers) kstate[m & 0xFF] = static_cast<char>(0x80);
    int consumed = 0;
    if (v.callbacks)
        consumed = callIn(
            *this, &v, "clbkConsumeBufferedKey", [&] { return v.callbacks->clbkConsumeBufferedKey(key, true, kstate); },
            key, true, modifiers);
    std::string text = "key " + keyName(key);
    for (DWORD m : modifiers) text += "+" + keyName(m);
    note(&v, text + (consumed ? " pressed (consumed)" : " pressed (not consumed)"));
    return consumed;
}

}  // namespace quva
