// The apex cover of a crew capsule: a passive body released by the capsule, flying on its own
// until it lands, grows too old or is braked too hard, when it asks the host to remove it.
#include "cover_disposal.h"
#include "vessel_module.h"

namespace {

constexpr double kSize = 0.85;                          // m, mean radius
constexpr double kEmptyMass = 100.0;                    // kg, no propellant: the whole mass
constexpr VECTOR3 kPmi{{2.3, 2.3, 0.8}};                // m², principal moments per unit mass
constexpr VECTOR3 kCrossSections{{1.02, 1.02, 2.5}};    // m², along x, y, z
constexpr VECTOR3 kRotDrag{{0.025, 0.025, 0.02}};       // rotation drag about x, y, z
constexpr double kCwForward = 0.2;                      // drag coefficient along +z
constexpr double kCwBackward = 1.0;                     // along -z
constexpr double kCwLateral = 0.47;                     // along x
constexpr double kCwVertical = 0.47;                    // along y

// The docking port and the point by which a parent carries the cover coincide at the apex.
constexpr VECTOR3 kPortPosition{{0.0, 0.0, 0.43}};      // m
constexpr VECTOR3 kPortDirection{{0.0, 0.0, 1.0}};
constexpr VECTOR3 kPortRotation{{0.0, 1.0, 0.0}};
constexpr char kAttachmentId[] = "X";

constexpr char kMeshName[] = "Quva/Pilmont";

}  // namespace

class Pilmont final : public frame::ExpendableVessel {
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
        CreateAttachment(true, kPortPosition, kPortDirection, kPortRotation, kAttachmentId, false);
        // The host owns the mesh; it sits at the vessel's origin.
        AddMesh(oapiLoadMeshGlobal(kMeshName), nullptr);
    }

    void clbkPostStep(double /*simt*/, double /*simdt*/, double /*mjd*/) override {
        covers::applyDisposalRule(*this);
    }
};

QUVA_VESSEL_MODULE(Pilmont)
