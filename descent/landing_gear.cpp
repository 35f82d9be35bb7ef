// The descent stage's landing gear: four legs, each with three hinged joints on one axis, that
// fold and unfold together as one animation, driven by the G key and kept on the "GEAR" line of
// the vessel's scenario block.
#include "kessary.h"
#include "state_line.h"

namespace {

// The mesh shows the gear extended, animation state 1.
constexpr UINT kGearMesh = 0;
constexpr double kExtendedState = 1.0;

// Joint angles, the turn from retracted to extended, about the leg's axis.
constexpr double kJointAngle[Kessary::kJoints] = {45.0, -63.0, 150.0};  // deg

// Per leg, in build order: the hinge axis shared by its joints and each joint's pivot.
struct LegRig {
    VECTOR3 axis;
    VECTOR3 pivot[Kessary::kJoints];  // m
};
const LegRig kLegRigs[Kessary::kLegs] = {
    {{{-1, 0, 0}}, {{{0, 0.42465, 2.88195}}, {{0, -1.1995, 3.6266}}, {{0, -1.05769, 2.83017}}}},   // +z
    {{{1, 0, 0}}, {{{0, 0.42465, -2.88195}}, {{0, -1.1995, -3.6266}}, {{0, -1.05769, -2.83017}}}}, // -z
    {{{0, 0, -1}}, {{{-2.88195, 0.42465, 0}}, {{-3.6266, -1.1995, 0}}, {{-2.83017, -1.05769, 0}}}}, // -x
    {{{0, 0, 1}}, {{{2.88195, 0.42465, 0}}, {{3.6266, -1.1995, 0}}, {{2.83017, -1.05769, 0}}}},    // +x
};

// Mesh groups moved by each joint of each leg. The rotations point into these tables.
UINT upperStrutGroups[Kessary::kLegs][3] = {{17, 31, 23}, {16, 30, 22}, {18, 32, 24}, {19, 33, 25}};
UINT kneeGroups[Kessary::kLegs][1] = {{27}, {26}, {28}, {29}};
UINT lowerLegGroups[Kessary::kLegs][1] = {{6}, {5}, {7}, {8}};

// Group 15 turns like the upper strut of leg 0 but as a component of its own.
UINT strutFifteenGroups[1] = {15};
constexpr int kStrutFifteenLeg = 0;

// A full stroke takes 0.3 s.
constexpr double kGearRate = 3.3333333333333335;  // per s

const char *const kGearKeyword = "GEAR";

// The host's key codes of G and of the keys that, held down, keep G from acting.
constexpr DWORD kGearKey = OAPI_KEY_G;
constexpr DWORD kModifierKeys[] = {OAPI_KEY_LSHIFT, OAPI_KEY_RSHIFT, OAPI_KEY_LCONTROL,
                                   OAPI_KEY_RCONTROL, OAPI_KEY_LALT,  OAPI_KEY_RALT};

// Angles are converted in double precision and then narrowed to the transform's float.
float jointAngle(int joint) { return static_cast<float>(kJointAngle[joint] * RAD); }

std::unique_ptr<MGROUP_ROTATE> makeJoint(UINT *groups, UINT groupCount, int leg, int joint) {
    return std::make_unique<MGROUP_ROTATE>(kGearMesh, groups, groupCount, kLegRigs[leg].pivot[joint],
                                           kLegRigs[leg].axis, jointAngle(joint));
}

// One per module, shared by every descent stage; the host keeps pointers to it, so it lives as
// long as the library.
MGROUP_ROTATE &strutFifteenRotation() {
    static MGROUP_ROTATE rotation(kGearMesh, strutFifteenGroups, 1, kLegRigs[kStrutFifteenLeg].pivot[0],
                                  kLegRigs[kStrutFifteenLeg].axis, jointAngle(0));
    return rotation;
}

bool modifierHeld(const char *kstate) {
    for (DWORD key : kModifierKeys)
        if (KEYDOWN(kstate, key)) return true;
    return false;
}

}  // namespace

void Kessary::DefineGearAnimation() {
    animId = CreateAnimation(kExtendedState);
    for (int leg = 0; leg < kLegs; ++leg) {
        gearTransforms[0][leg] = makeJoint(upperStrutGroups[leg], 3, leg, 0);
        gearTransforms[1][leg] = makeJoint(kneeGroups[leg], 1, leg, 1);
        gearTransforms[2][leg] = makeJoint(lowerLegGroups[leg], 1, leg, 2);
        // Each joint hangs on the one above it, so it also moves with it.
        ANIMATIONCOMPONENT_HANDLE parent = nullptr;
        for (int joint = 0; joint < kJoints; ++joint) {
            parent = AddAnimationComponent(animId, 0.0, 1.0, gearTransforms[joint][leg].get(), parent);
            gearComponents[joint][leg] = parent;
        }
    }
    AddAnimationComponent(animId, 0.0, 1.0, &strutFifteenRotation());
}

// G, pressed without Shift, Control or Alt, reverses a retraction in progress or starts one
// from rest extended; any other status extends. The legs move from the next step on.
int Kessary::clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) {
    if (key != kGearKey) return 0;
    if (!down) return 0;
    if (modifierHeld(kstate)) return 0;
    status = status == kExtended ? kRetracting : kExtending;
    return 1;
}

// The clamp acts on what the previous step left, before this step moves: the step that passes
// an end shows a state up to one step's motion beyond it, and the next one clamps.
void Kessary::clbkPostStep(double, double simdt, double) {
    if (fraction < 0.0) {
        fraction = 0.0;
        status = kRetracted;
    } else if (fraction > 1.0) {
        fraction = 1.0;
        status = kExtended;
    }
    if (status <= kRetracted) return;
    const double delta = simdt * kGearRate;
    if (status == kExtending) {
        fraction += delta;
    } else if (status == kRetracting) {
        fraction -= delta;
    }
    SetAnimation(animId, fraction);
}

void Kessary::clbkSaveState(FILEHANDLE scn) { frame::writeStateLine(*this, scn, kGearKeyword, status, fraction); }

// A gear line shows its state at once, unclamped; the next step clamps it.
void Kessary::clbkLoadStateEx(FILEHANDLE scn, void *hostStatus) {
    frame::readStateLines(*this, scn, hostStatus, kGearKeyword, status, fraction,
                          [this] { SetAnimation(animId, fraction); });
}
