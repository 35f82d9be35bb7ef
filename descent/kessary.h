// Kessary: the descent stage of a two-stage lunar lander, flown as a vessel of its own once the
// ascent stage has left it. Three propellant stores, one engine, and four landing legs that fold
// and unfold on the G key. It never removes itself.
#ifndef QUVA_DESCENT_KESSARY_H
#define QUVA_DESCENT_KESSARY_H

#include <memory>

#include "Orbitersdk.h"

class Kessary final : public VESSEL3 {
public:
    Kessary(OBJHANDLE vesselHandle, int flightModel);

    void clbkSetClassCaps(FILEHANDLE cfg) override;
    void clbkSaveState(FILEHANDLE scn) override;
    void clbkLoadStateEx(FILEHANDLE scn, void *hostStatus) override;
    void clbkPostStep(double simt, double simdt, double mjd) override;
    int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) override;

    static constexpr int kJoints = 3;  // per leg: upper strut, knee, lower leg
    static constexpr int kLegs = 4;

private:
    // Gear status values. Values outside these can come from a scenario file.
    static constexpr int kRetracted = 0;   // at rest, fraction 0
    static constexpr int kExtended = 1;    // at rest, fraction 1
    static constexpr int kRetracting = 2;  // fraction falls
    static constexpr int kExtending = 3;   // fraction rises

    // Builds the gear animation: its id, the twelve joint rotations of this vessel and the
    // module's shared group-15 rotation. Called once, by the constructor.
    void DefineGearAnimation();

    PROPELLANT_HANDLE tank1 = nullptr;
    PROPELLANT_HANDLE tank2 = nullptr;
    PROPELLANT_HANDLE tank3 = nullptr;
    THRUSTER_HANDLE engine = nullptr;
    int status;      // gear status, one of the values above
    UINT animId;     // the gear animation
    double fraction; // gear animation state, 0 retracted to 1 extended
    ANIMATIONCOMPONENT_HANDLE gearComponents[kJoints][kLegs] = {};
    // The host keeps pointers to these for as long as it animates the vessel, that is until
    // ovcExit hands the vessel back; they are released with the object.
    std::unique_ptr<MGROUP_ROTATE> gearTransforms[kJoints][kLegs];
    MESHHANDLE meshHandle;
};

#endif
