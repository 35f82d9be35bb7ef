// Vantrel: the drogue parachute. A parent craft holds it at its attachment point "X" and lets it
// go; it unfolds over 3 s, flies on two canopy airfoils and, once no parent holds it, removes
// itself on the ground or after its lifetime.
#include "Orbitersdk.h"
#include "chute_airfoil.h"
#include "expendable_vessel.h"
#include "parachute.h"
#include "state_line.h"
#include "vessel_module.h"

namespace {

constexpr double kSize = 5.0292;                               // m
constexpr double kEmptyMass = 50.18;                           // kg
const VECTOR3 kInertia = {{2.3, 2.3, 0.8}};                    // m², principal moments per unit mass
const VECTOR3 kCrossSections = {{12.0, 18.0, 30.0}};           // m²
const VECTOR3 kRotationDrag = {{0.01, 0.01, 0.005}};           // per axis
const VECTOR3 kVerticalAirfoilReference = {{0.0, -0.02, 0.1}}; // m
const VECTOR3 kHorizontalAirfoilReference = {{0.0, 0.0, 0.1}}; // m
constexpr double kAirfoilArea = 0.0;                           // m², 0: the host uses the cross sections
constexpr double kAirfoilAspectRatio = 0.47;
constexpr double kRiserLength = 19.812;                        // m, from the canopy to the attachment
const VECTOR3 kAttachmentPosition = {{0.0, 0.0, -kRiserLength}}; // m
const VECTOR3 kAttachmentDirection = {{0.0, 0.0, -1.0}};
const VECTOR3 kAttachmentRotation = {{0.0, 1.0, 0.0}};
const char *const kAttachmentId = "X";
const char *const kMeshName = "Quva/Vantrels";
const VECTOR3 kMeshOffset = {{0.0, 0.0, -kRiserLength}};       // m, mesh origin at the attachment
constexpr double kDeployRate = 0.3333333333333333;             // per s: open in 3 s
constexpr DWORD kParentAttachment = 0;                         // index of "X" among the to-parent points

}  // namespace

class Vantrel final : public frame::ExpendableVessel {
public:
    Vantrel(OBJHANDLE vesselHandle, int flightModel)
        : frame::ExpendableVessel(vesselHandle, flightModel), status(chutes::kPacked), fraction(0.0) {}

    void clbkSetClassCaps(FILEHANDLE cfg) override;
    void clbkSaveState(FILEHANDLE scn) override;
    void clbkLoadStateEx(FILEHANDLE scn, void *hostStatus) override;
    void clbkPostCreation() override;
    void clbkPostStep(double simt, double simdt, double mjd) override;

private:
    int status;       // deploy status: chutes::kPacked, kDeploying or kDeployed
    UINT animId = 0;  // the deploy animation, set in clbkPostCreation
    double fraction;  // deploy state: 0 packed, 1 open

    bool heldByParent() const;
};

void Vantrel::clbkSetClassCaps(FILEHANDLE) {
    SetSize(kSize);
    SetEmptyMass(kEmptyMass);
    SetPMI(kInertia);
    SetCrossSections(kCrossSections);
    SetRotDrag(kRotationDrag);
    CreateAirfoil(LIFT_VERTICAL, kVerticalAirfoilReference, chutes::chuteVerticalCoeffs, chutes::canopyArea,
                  kAirfoilArea, kAirfoilAspectRatio);
    CreateAirfoil(LIFT_HORIZONTAL, kHorizontalAirfoilReference, chutes::chuteHorizontalCoeffs, chutes::canopyArea,
                  kAirfoilArea, kAirfoilAspectRatio);
    CreateAttachment(true, kAttachmentPosition, kAttachmentDirection, kAttachmentRotation, kAttachmentId, false);
    AddMesh(kMeshName, &kMeshOffset);
}

void Vantrel::clbkSaveState(FILEHANDLE scn) {
    frame::writeStateLine(*this, scn, chutes::kStateKeyword, status, fraction);
}

// The values read reach the animation in clbkPostCreation, which follows.
void Vantrel::clbkLoadStateEx(FILEHANDLE scn, void *hostStatus) {
    frame::readStateLines(*this, scn, hostStatus, chutes::kStateKeyword, status, fraction);
}

void Vantrel::clbkPostCreation() { animId = chutes::createDeployAnimation(*this, fraction); }

// The canopy unfolds whether or not a parent still holds it; only a free drogue can be removed.
void Vantrel::clbkPostStep(double, double simdt, double) {
    chutes::advanceDeploy(*this, animId, status, fraction, simdt * kDeployRate);
    if (heldByParent()) return;
    chutes::requestDisposalWhenDue(*this);
}

bool Vantrel::heldByParent() const {
    return GetAttachmentStatus(GetAttachmentHandle(true, kParentAttachment)) != nullptr;
}

QUVA_VESSEL_MODULE(Vantrel)
