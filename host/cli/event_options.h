// Parsing of the run command's scheduled events: --release T:VESSEL and
// --key T:VESSEL:KEY[+MOD...].
#pragma once

#include <string>

#include "simulation.h"

namespace quva::cli {

// Throw std::invalid_argument with a message that quotes the bad text.
ScheduledEvent parseRelease(const std::string &text);
ScheduledEvent parseKey(const std::string &text);

}  // namespace quva::cli
