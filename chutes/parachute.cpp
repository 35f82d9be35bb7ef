#include "parachute.h"

namespace chutes {

namespace {

// The canopy groups of mesh 0, modelled open. At state 0 the scale shrinks them by these factors
// about the mesh origin, the attachment point, so that a packed canopy sits in the parent's bay.
UINT deployGroups[] = {0, 1, 2};
constexpr UINT kCanopyMesh = 0;
const VECTOR3 kPackedReference = {{0.0, 0.0, 0.0}};       // m, mesh coordinates
const VECTOR3 kOpenScale = {{200.0, 200.0, 1000.0}};      // open size / packed size, per axis
constexpr double kStoredState = 1.0;                      // the mesh shows the open canopy

// One transform per module, shared by every parachute of the module; the host keeps pointers
// to it, so it lives as long as the library.
MGROUP_SCALE &deployScale() {
    static MGROUP_SCALE scale(kCanopyMesh, deployGroups, sizeof deployGroups / sizeof deployGroups[0],
                              kPackedReference, kOpenScale);
    return scale;
}

}  // namespace

UINT createDeployAnimation(const VESSEL &vessel, double fraction) {
    MGROUP_SCALE &scale = deployScale();
    const UINT animId = vessel.CreateAnimation(kStoredState);
    vessel.AddAnimationComponent(animId, 0.0, 1.0, &scale);
    vessel.SetAnimation(animId, fraction);
    return animId;
}

void advanceDeploy(const VESSEL &vessel, UINT animId, int &status, double &fraction, double advance) {
    if (status == kDeployed) return;
    status = kDeploying;
    vessel.SetAnimation(animId, fraction);
    if (fraction < 1.0) {
        fraction += advance;
    } else {
        status = kDeployed;
    }
}

void requestDisposalWhenDue(frame::ExpendableVessel &vessel) {
    const OBJHANDLE handle = vessel.GetHandle();
    vessel.age = oapiGetSimTime() - vessel.creationTime;
    if (vessel.age > vessel.lifetime) oapiDeleteVessel(handle);
    if (vessel.GroundContact()) oapiDeleteVessel(handle);
}

}  // namespace chutes
