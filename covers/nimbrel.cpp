// One class, two modules: the bay cover of a service module (Draskel) and the docking probe
// (Nimbrel). Both are passive bodies with the apex cover's size, mass and inertia and its
// disposal rule. The build switch QUVA_DOCKING_PROBE selects the mesh and whether the probe also
// carries a child at its attachment point; everything else is common.
#include "cover_disposal.h"
#include "vessel_module.h"

#if !defined(QUVA_DOCKING_PROBE)
#error "QUVA_DOCKING_PROBE must be defined: 1 builds the docking probe, 0 the bay cover"
#endif

namespace {

constexpr double kSize = 0.85;                          // m, mean radius
constexpr double kEmptyMass = 100.0;                    // kg, no propellant: the whole mass
constexpr VECTOR3 kPmi{{2.3, 2.3, 0.8}};                // m², principal moments per unit mass
constexpr VECTOR3 kCrossSections{{1.02, 1.02, 2.5}};    // m², along x, y, z
constexpr VECTOR3 kRotDrag{{0.025, 0.025, 0.02}};       // rotation drag about x, y, z
constexpr double kCwForward = 0.47;                     // drag coefficient along +z
constexpr double kCwBackward = 1.23;                    // along -z
constexpr double kCwLateral = 0.47;                     // along x
constexpr double kCwVertical = 0.47;                    // along y

// Docking port at the origin, facing forward.
constexpr VECTOR3 kPortPosition{{0.0, 0.0, 0.0}};       // m
constexpr VECTOR3 kPortDirection{{0.0, 0.0, 1.0}};
constexpr VECTOR3 kPortRotation{{0.0, 1.0, 0.0}};

// Attachment points at the origin too, but facing backward. The probe's point towards a child
// has the same geometry and id as its point towards the parent.
constexpr VECTOR3 kAttachPosition{{0.0, 0.0, 0.0}};     // m
constexpr VECTOR3 kAttachDirection{{0.0, 0.0, -1.0}};
constexpr VECTOR3 kAttachRotation{{0.0, 1.0, 0.0}};
constexpr char kAttachmentId[] = "X";

#if QUVA_DOCKING_PROBE
constexpr char kMeshName[] = "Quva/DockingProbe";
constexpr bool kCarriesChild = true;
#else
constexpr char kMeshName[] = "Quva/Draskel";
constexpr bool kCarriesChild = false;
#endif

}  // namespace

class Nimbrel final : public frame::ExpendableVessel {
public:
    using frame::ExpendableVessel::ExpendableVessel;

    void clbkSetClassCaps(FILEHANDLE /*cfg*/) override {
        SetSize(kSize);
        SetEmptyMass(kEmptyMass);
        SetPMI(kPmi);
        SetCrossSections(kCrossSections);
        SetRotDrag(kRotDrag);
        SetCW(kCwForward, kCwBackward, kCwLateral, kCwVertical);
        SetDockParams(kPortPosition, kPortDirection, kPortRotation);
        CreateAttachment(true, kAttachPosition, kAttachDirection, kAttachRotation, kAttachmentId, false);
        if constexpr (kCarriesChild) {
            CreateAttachment(false, kAttachPosition, kAttachDirection, kAttachRotation, kAttachmentId, false);
        }
        // The host owns the mesh; it sits at the vessel's origin.
        AddMesh(oapiLoadMeshGlobal(kMeshName), nullptr);
    }

    void clbkPostStep(double /*simt*/, double /*simdt*/, double /*mjd*/) override {
        covers::applyDisposalRule(*this);
    }
};

QUVA_VESSEL_MODULE(Nimbrel)
