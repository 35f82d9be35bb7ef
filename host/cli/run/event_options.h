// Parsing of the run command's events: --release WHEN:VESSEL and --key WHEN:VESSEL:KEY[+MOD...],
// where WHEN is a time in seconds (the event is scheduled) or a condition on the vessel's
// readings such as alt<7000 or vz>-5 (the event fires at the first step end where it holds).
#pragma once

#include <string>
#include <variant>

#include "core/simulation.h"
#include "core/triggers.h"

namespace quva::cli {

// Timed events only. Throw std::invalid_argument with a message that quotes the bad text.
ScheduledEvent parseRelease(const std::string &text);
ScheduledEvent parseKey(const std::string &text);

// Timed or triggered, as the text says. Throw std::invalid_argument quoting the bad text.
using RunEvent = std::variant<ScheduledEvent, TriggeredEvent>;
RunEvent parseReleaseEvent(const std::string &text);
RunEvent parseKeyEvent(const std::string &text);

}  // namespace quva::cli
