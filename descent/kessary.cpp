#include "kessary.h"

#include "vessel_module.h"

namespace {

constexpr double kSize = 4.3;                               // m
const VECTOR3 kCrossSections = {{7.38, 7.38, 12.8}};        // m²
const VECTOR3 kInertia = {{1.28, 1.28, 2.06}};              // m², principal moments per unit mass
const VECTOR3 kRotationDrag = {{0.01, 0.01, 0.01}};         // per axis
constexpr double kEmptyMass = 1798.95;                      // kg
// The feet of the extended gear; they stay where they are while the legs fold.
const VECTOR3 kTouchdown1 = {{0.0, -2.3, 4.4}};             // m
const VECTOR3 kTouchdown2 = {{-3.8, -2.3, -2.2}};           // m
const VECTOR3 kTouchdown3 = {{3.8, -2.3, -2.2}};            // m
constexpr double kDescentPropellant = 8480.81;              // kg, feeds the engine
constexpr double kSecondStore = 20.5;                       // kg
constexpr double kThirdStore = 135.64;                      // kg
constexpr double kFull = -1.0;                              // initial mass: the host fills the store
constexpr double kStoreEfficiency = 1.0;
const VECTOR3 kEnginePosition = {{0.0, -1.98, 0.0}};        // m
const VECTOR3 kEngineDirection = {{0.0, 1.0, 0.0}};         // thrust direction
constexpr double kEngineThrust = 44482.2;                   // N, in vacuum
constexpr double kEngineIsp = 3075.44;                      // m/s, in vacuum
constexpr double kEngineIspAtReference = 0.0;               // m/s
constexpr double kReferencePressure = 101400.0;             // Pa
const char *const kMeshName = "Quva/Tarrowick";
constexpr UINT kMeshIndex = 0;
const VECTOR3 kCameraOffset = {{0.0, 2.4, 0.0}};            // m

}  // namespace

// The gear animation exists, at the extended state, before anything else is set; the mesh is
// loaded once here and added to the vessel in clbkSetClassCaps.
Kessary::Kessary(OBJHANDLE vesselHandle, int flightModel) : VESSEL3(vesselHandle, flightModel) {
    DefineGearAnimation();
    fraction = 1.0;
    status = kExtended;
    meshHandle = oapiLoadMeshGlobal(kMeshName);
}

void Kessary::clbkSetClassCaps(FILEHANDLE) {
    SetSize(kSize);
    SetCrossSections(kCrossSections);
    SetPMI(kInertia);
    SetRotDrag(kRotationDrag);
    SetEmptyMass(kEmptyMass);
    SetTouchdownPoints(kTouchdown1, kTouchdown2, kTouchdown3);
    tank1 = CreatePropellantResource(kDescentPropellant, kFull, kStoreEfficiency);
    tank2 = CreatePropellantResource(kSecondStore, kFull, kStoreEfficiency);
    tank3 = CreatePropellantResource(kThirdStore, kFull, kStoreEfficiency);
    engine = CreateThruster(kEnginePosition, kEngineDirection, kEngineThrust, tank1, kEngineIsp, kEngineIspAtReference,
                            kReferencePressure);
    AddMesh(meshHandle);
    SetMeshVisibilityMode(kMeshIndex, MESHVIS_ALWAYS);
    SetCameraOffset(kCameraOffset);
}

QUVA_VESSEL_MODULE(Kessary)
