// Ossum: the cluster of three main parachutes. Built like the drogue, but larger and heavier, with
// touchdown points and three airfoils, a 10 s deploy, and removal on the ground or after its
// lifetime whether or not a parent still holds it.
#include "Orbitersdk.h"
#include "chute_airfoil.h"
#include "expendable_vessel.h"
#include "parachute.h"
#include "state_line.h"
#include "vessel_module.h"

namespace {

constexpr double kSize = 26.0604;                          // m
constexpr double kCanopyMass = 57.60623099;                // kg, one main parachute
constexpr int kCanopies = 3;
const VECTOR3 kInertia = {{2.3, 2.3, 0.8}};                // m², principal moments per unit mass
const VECTOR3 kCrossSections = {{190.0, 205.0, 260.0}};    // m²
const VECTOR3 kTouchdown1 = {{0.0, -3.0, -30.0}};          // m
const VECTOR3 kTouchdown2 = {{-3.0, 0.0, -30.0}};          // m
const VECTOR3 kTouchdown3 = {{3.0, 0.0, -30.0}};           // m
const VECTOR3 kRotationDrag = {{0.01, 0.01, 0.005}};       // per axis
const VECTOR3 kAirfoilReference = {{0.0, 0.0, 0.1}};       // m, all three airfoils
constexpr double kAirfoilArea = 0.0;                       // m², 0: the host uses the cross sections
constexpr double kAirfoilAspectRatio = 0.47;
constexpr double kRiserLength = 30.0;                      // m, from the canopies to the attachment
const VECTOR3 kAttachmentPosition = {{0.0, 0.0, -kRiserLength}}; // m
const VECTOR3 kAttachmentDirection = {{0.0, 0.0, -1.0}};
const VECTOR3 kAttachmentRotation = {{0.0, 1.0, 0.0}};
const char *const kAttachmentId = "X";
const char *const kMeshName = "Quva/Ossums";
const VECTOR3 kMeshOffset = {{0.0, 0.0, -kRiserLength}};   // m, mesh origin at the attachment
constexpr double kDeployRate = 0.1;                        // per s: open in 10 s

}  // namespace

class Ossum final : public frame::ExpendableVessel {
public:
    Ossum(OBJHANDLE vesselHandle, int flightModel)
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
};

// Two identical vertical airfoils: each registration adds its own lift and drag.
void Ossum::clbkSetClassCaps(FILEHANDLE) {
    SetSize(kSize);
    SetEmptyMass(kCanopyMass * kCanopies);
    SetPMI(kInertia);
    SetCrossSections(kCrossSections);
    SetTouchdownPoints(kTouchdown1, kTouchdown2, kTouchdown3);
    SetRotDrag(kRotationDrag);
    CreateAirfoil(LIFT_VERTICAL, kAirfoilReference, chutes::chuteVerticalCoeffs, chutes::canopyArea, kAirfoilArea,
                  kAirfoilAspectRatio);
    CreateAirfoil(LIFT_VERTICAL, kAirfoilReference, chutes::chuteVerticalCoeffs, chutes::canopyArea, kAirfoilArea,
                  kAirfoilAspectRatio);
    CreateAirfoil(LIFT_HORIZONTAL, kAirfoilReference, chutes::chuteHorizontalCoeffs, chutes::canopyArea,
                  kAirfoilArea, kAirfoilAspectRatio);
    CreateAttachment(true, kAttachmentPosition, kAttachmentDirection, kAttachmentRotation, kAttachmentId, false);
    AddMesh(kMeshName, &kMeshOffset);
}

void Ossum::clbkSaveState(FILEHANDLE scn) {
    frame::writeStateLine(*this, scn, chutes::kStateKeyword, status, fraction);
}

// The values read reach the animation in clbkPostCreation, which follows.
void Ossum::clbkLoadStateEx(FILEHANDLE scn, void *hostStatus) {
    frame::readStateLines(*this, scn, hostStatus, chutes::kStateKeyword, status, fraction);
}

void Ossum::clbkPostCreation() { animId = chutes::createDeployAnimation(*this, fraction); }

// No parent test: a cluster still held by its parent is removed all the same.
void Ossum::clbkPostStep(double, double simdt, double) {
    chutes::advanceDeploy(*this, animId, status, fraction, simdt * kDeployRate);
    chutes::requestDisposalWhenDue(*this);
}

QUVA_VESSEL_MODULE(Ossum)
