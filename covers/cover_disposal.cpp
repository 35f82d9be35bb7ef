#include "cover_disposal.h"

namespace covers {

void applyDisposalRule(frame::ExpendableVessel &cover) {
    // Read once, so that every request of this step names the same vessel.
    const OBJHANDLE self = cover.GetHandle();

    if (cover.GroundContact()) oapiDeleteVessel(self, nullptr);

    // The host's clock, not the step's time argument, is the reference for creationTime.
    cover.age = oapiGetSimTime() - cover.creationTime;
    if (cover.age > cover.lifetime) oapiDeleteVessel(self, nullptr);

    // Drag first, then mass: the host sees the queries in this order.
    const double drag = cover.GetDrag();  // N
    const double mass = cover.GetMass();  // kg
    if (drag / mass > kDecelerationLimit) oapiDeleteVessel(self, nullptr);
}

}  // namespace covers
