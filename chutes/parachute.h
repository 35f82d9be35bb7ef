// What the drogue and the main cluster share: the canopy's deploy animation and its advance, the
// keyword of their scenario state line, and the rule by which a parachute removes itself.
#ifndef QUVA_CHUTES_PARACHUTE_H
#define QUVA_CHUTES_PARACHUTE_H

#include "Orbitersdk.h"
#include "expendable_vessel.h"

namespace chutes {

// Deploy status values; a parachute is deploying for every value other than kDeployed.
constexpr int kPacked = 0;     // as constructed, before the first step
constexpr int kDeploying = 3;
constexpr int kDeployed = 1;

// Keyword of the scenario state line that carries status and fraction.
constexpr const char *kStateKeyword = "STATE";

// Creates the vessel's deploy animation on the module's one shared canopy scale (built by the
// first call in the module) and shows `fraction` at once. Returns the animation id.
UINT createDeployAnimation(const VESSEL &vessel, double fraction);

// One step of the deploy: unless deployed, shows the current fraction and then advances it by
// `advance`, or, once it has reached 1, marks the canopy deployed. The fraction is not clamped:
// it can end above 1 by less than one advance, and that value is what the last call shows.
void advanceDeploy(const VESSEL &vessel, UINT animId, int &status, double &fraction, double advance);

// Refreshes the parachute's age and asks the host to delete it once the age exceeds its
// lifetime, and again on ground contact: one step may ask twice.
void requestDisposalWhenDue(frame::ExpendableVessel &vessel);

}  // namespace chutes

#endif
