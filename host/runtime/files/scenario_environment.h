// The environment section of a scenario: the date the run starts at, read from a line
// "Date MJD x", "Date JD x" or "Date JE x", and the date written back when the scenario is saved.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/scenario.h"
#include "world/j2000.h"

namespace quva {

// The line's keyword, case-insensitively: "Date" (then MJD, JD or JE) starts a date line.
bool isDateLine(std::string_view interpreted);

// The MJD a date line gives: "MJD x" as it is, "JD x" less 2400000.5, "JE x" (Julian epoch
// years) as (x - 2000) * 365.25 + 51544.5. Empty when the line is not one of these forms with a
// single finite number. `interpreted` is the line without its comment and surrounding blanks.
std::optional<double> readDate(std::string_view interpreted);

// "  Date MJD x" with ten decimals, as the simulator writes it.
std::string savedDateLine(double mjd);

// The lines around the ships (before and after them), as read, made ready to save at `mjd`: the
// environment section whose header is at `environment` gets the date line for `mjd` in place of
// its date lines (added after its System line, or first, when it has none); without one, an
// environment section is added at the top, after a leading description.
void stampSavedDate(std::vector<std::string> &head, std::vector<std::string> &tail,
                    const std::optional<KeptLine> &environment, double mjd);

}  // namespace quva
