// The disposal rule of the jettisoned covers: a cover asks the host to remove it once it lies on
// the ground, has outlived its lifetime, or is being braked harder than it could survive.
#ifndef QUVA_COVERS_COVER_DISPOSAL_H
#define QUVA_COVERS_COVER_DISPOSAL_H

#include "expendable_vessel.h"

namespace covers {

// m/s², drag divided by mass above which a cover is taken to break up. The double nearest to
// 78.48, which is also 8 × 9.81 in double precision (not eight standard gravities).
constexpr double kDecelerationLimit = 78.48;

// Runs the three disposal tests of one step, each on its own and in the order ground, lifetime,
// deceleration, so that a step may ask for deletion up to three times. Refreshes `age` on every
// call, whether or not a request has already been made in this step. The cover keeps no record
// of having asked: the host accepts repeated requests, and the vessel stays valid until the step
// returns, so the later tests may still query it.
void applyDisposalRule(frame::ExpendableVessel &cover);

}  // namespace covers

#endif
