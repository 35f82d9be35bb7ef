// J2000 as an MJD: the epoch the planets' rotation is counted from, and the date a run starts at
// when its scenario gives none that can be read (never the computer's clock, so that a run is
// the same every time).
#pragma once

namespace quva {

constexpr double kJ2000Mjd = 51544.5;

}  // namespace quva
