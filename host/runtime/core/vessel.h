// The host's record of one vessel: what its module defined through the VESSEL methods, its
// flight state, and its links to other vessels. Plain data; the simulation and the flight model
// work on it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VesselAPI.h"
#include "files/host_line_writer.h"
#include "world/ground_contact.h"
#include "world/quaternion.h"
#include "world/vec3.h"

namespace quva {

class Module;
struct Mesh;
struct Body;
struct Vessel;

struct Airfoil {
    AIRFOIL_ORIENTATION align = LIFT_VERTICAL;
    Vec3 ref;
    AirfoilCoeffFunc coeffs = nullptr;
    double chord = 0.0;   // m, enters the Reynolds number
    double area = 0.0;    // m², 0: the vessel's projected cross section
    double aspect = 0.0;  // aspect ratio
};

// An attachment point. ATTACHMENTHANDLE is a pointer to one of these.
struct Attachment {
    // The fields a step reads (finding a point and what it holds) come first.
    Vessel *owner = nullptr;
    Attachment *peer = nullptr;  // the point of the other vessel while attached
    bool toParent = false;
    bool loose = false;
    Vec3 pos, dir, rot;
    std::string id;
};

// Links `child`'s to-parent point with `parent`'s to-child point, or undoes it; keeps the
// vessels' held-by links in step with the points.
void link(Attachment &childPoint, Attachment &parentPoint);
void unlink(Attachment &point);

// PROPELLANT_HANDLE points to one of these.
struct Propellant {
    double maxMass = 0.0;  // kg
    double mass = 0.0;     // kg
    double efficiency = 1.0;
};

// THRUSTER_HANDLE points to one of these.
struct Thruster {
    Vec3 pos, dir;
    double maxThrust = 0.0;  // N, in vacuum
    Propellant *tank = nullptr;
    double isp0 = 0.0;     // m/s, in vacuum
    double ispRef = 0.0;   // m/s, at pRef
    double pRef = 101.4e3; // Pa
    double level = 0.0;    // 0..1
};

struct MeshSlot {
    const Mesh *mesh = nullptr;  // null when the named file was missing
    std::string name;
    Vec3 offset;
    WORD visibility = MESHVIS_EXTERNAL;
};

// ANIMATIONCOMPONENT_HANDLE points to one of these.
struct AnimationComponent {
    double state0 = 0.0, state1 = 1.0;
    MGROUP_TRANSFORM *transform = nullptr;  // owned by the module
    AnimationComponent *parent = nullptr;
    bool checked = false;  // mesh groups verified against the vessel's meshes
};

struct Animation {
    double initialState = 0.0;  // the state the stored mesh shows
    double state = 0.0;
    std::int64_t changedStep = -1;  // the last step in which its state changed
    bool moving = false;             // changed in a step and not yet seen at rest
    std::vector<std::unique_ptr<AnimationComponent>> components;
};

struct DockPort {
    Vec3 pos, dir, rot;
};

// SetCW coefficients; the defaults apply to a vessel that never calls SetCW.
struct DragCoefficients {
    double zPos = 0.1, zNeg = 0.1, x = 0.3, y = 0.3;
};

struct VesselDefinition {
    // What the flight model reads in every step comes first.
    double emptyMass = 1.0;             // kg
    Vec3 crossSections{1.0, 1.0, 1.0};  // m²
    DragCoefficients cw;
    double touchdownReach = 0.0;  // m, distance of the farthest touchdown point from the centre
    // The first three are the primary points: they define the plane the vessel stands on.
    std::vector<TouchdownVertex> touchdown;
    double size = 1.0;        // m
    // m², per unit mass; a component below 0 is undefined and taken from the size (see inertia()).
    Vec3 pmi{-1.0, -1.0, -1.0};
    Vec3 rotDrag{0.01, 0.01, 0.01};  // resistance to turning, per axis
    std::optional<DockPort> dock;
    Vec3 cameraOffset;
};

// A landed vessel's place on its body, kept in the body's planet-fixed frame: the vessel turns
// with the planet, and its global state is derived from this record at every step.
struct SurfaceFix {
    double lon = 0.0, lat = 0.0;  // rad
    double alt = 0.0;             // m, of the vessel's origin above the mean radius
    Mat3 landRot;                 // vessel frame -> planet-fixed frame
    Vec3 planetPos, planetVel;    // planet-fixed position and the surface's velocity there
};

// Where the vessel is and how it moves: position and velocity relative to the body's centre on
// the global (ecliptic, non-rotating) axes, attitude and rate of turn. In flight the quaternion
// is the attitude that is integrated; the matrix is rebuilt from it after every step.
struct FlightState {
    const Body *body = nullptr;
    Vec3 pos, vel;      // m, m/s
    Mat3 attitude;      // vessel frame -> global frame
    bool landed = false;          // resting on the surface: `surface` holds its place
    // Turning with the body: landed, or held (directly or through others) by a landed vessel.
    bool turnsWithBody = false;
    Vec3 omega;         // rad/s, vessel axes: +x nose up, +y nose left, +z right side down
    Quat orientation;   // the same rotation as `attitude`
    SurfaceFix surface;
    double heading = 0.0;         // deg, when landed
    // The pad the vessel is registered on while landed, which its saved BASE line names: given
    // by its BASE line at load. One that touches down during the run is registered on the pad it
    // stands on (`padAtTouchdown`; found when saving, since a landed vessel stays where it is).
    std::optional<PadRef> pad;
    bool padAtTouchdown = false;
    int rcsMode = 1;              // RCSMODE: 0 off, 1 rotational, 2 linear
    int afcMode = 0;              // AFCMODE: control-surface bit flags

    // Sets the attitude matrix and the quaternion together.
    void setAttitude(const Mat3 &r) {
        attitude = r;
        orientation = quatOf(r);
    }
};

// Aerodynamic and thrust results of the latest force evaluation at the vessel's current state.
struct FlightReadout {
    double drag = 0.0;  // N, magnitude of the airfoils' or the cw drag
    double airspeed = 0.0;  // m/s, relative to the air turning with the planet
    Vec3 force;         // N, total non-gravitational force, body frame
    Vec3 torque;        // N m, vessel frame, about the centre of mass, without the rotation drag
    // Rotation drag: the torque per axis i is -rotDragScale r_i ω_i (r: the definition's rotDrag),
    // at most (when `rotDragCapped`) the torque that stops that axis's turn in one step; when
    // not capped, -rotDragScale r_i m ω_i.
    double rotDragScale = 0.0;
    bool rotDragCapped = false;
    // `force` was evaluated at the vessel's present state, so the next step can start from it.
    bool forceValid = false;
};

// What the integrator keeps from one step to the next.
struct FlightMemory {
    Vec3 previousAcceleration;  // m/s², at the start of the previous step
    double previousDt = 0.0;
    bool previousValid = false;
    // Angular acceleration at the end of the previous step (rad/s²), the first stage of the next.
    Vec3 angularAcceleration;
    bool forceAdded = false;  // a module added forces for the next step (see AddedForces)
    bool torqued = false;     // the latest step had a torque (AddedForces::lastTorque is not zero)
};

// Seldom used, so kept apart from what every step reads.
struct AddedForces {
    // Forces a module added (AddForce) for the next step, vessel frame, and their moment.
    Vec3 force, torque;
    Vec3 lastTorque;  // N m, vessel frame: the torque of the latest step, rotation drag included
};

// The simulator's test of whether a vessel in ground contact has come to rest (see
// core/surface_contact): running since `since`, with the place and attitude of its latest check.
struct RestCheck {
    double since = 0.0;  // s, simulation time: when the vessel last moved or the test began
    Vec3 planetPos;      // m, planet-fixed
    Quat orientation;    // global
};

// Fields are ordered by use: what every step reads comes first and close together, so that a
// step over many vessels touches few cache lines of each.
struct Vessel {
    FlightReadout readout;
    FlightMemory flight;
    VESSEL2 *callbacks = nullptr; // the module's object when it answers the VESSEL2 callbacks
    Vessel *heldBy = nullptr;     // the vessel holding this one
    int holding = 0;              // how many vessels this one holds
    int deletionRequests = 0;     // in the current step
    std::int64_t movedStep = -1;  // the last step that moved it
    bool groundContact = false;
    bool deletionPending = false;
    bool created = false;         // creation (through clbkPostCreation) has finished
    bool isInert = false;         // of an unknown class, carried along unchanged
    FlightState state;
    std::vector<Airfoil> airfoils;
    std::vector<std::unique_ptr<Attachment>> attachments;  // in creation order
    std::vector<std::unique_ptr<Propellant>> propellants;
    std::vector<Animation> animations;
    VesselDefinition def;
    std::vector<std::unique_ptr<Thruster>> thrusters;
    AddedForces added;
    // While the test for rest runs; kept apart, as few vessels are ever on the ground at once.
    std::unique_ptr<RestCheck> rest;

    int id = 0;  // creation order, stable for the run
    std::string name;
    std::string className;
    Module *module = nullptr;     // null for a class defined by its configuration alone
    VESSEL *iface = nullptr;      // the module's object, as ovcInit returned it
    std::vector<MeshSlot> meshes;
    // Host lines of the vessel's scenario block that this host does not interpret; they are
    // written back unchanged so that nothing read is lost.
    std::vector<std::string> foreignLines;
    // For a vessel kept inert (unknown class): its block as read, written back line for line.
    std::vector<std::string> inertLines;
    // The ATTACHED line of a vessel whose parent is carried along without a module: the link is
    // not made, but the line is written back so that the saved scenario still attaches them.
    std::optional<AttachedTo> keptAttached;

    bool inert() const { return isInert; }
    Attachment *attachmentAt(bool toParent, std::size_t index) const;
    Vessel *parent() const { return heldBy; }  // the vessel holding this one, if any
    double mass() const {  // empty mass plus propellant
        double m = def.emptyMass;
        for (const auto &p : propellants) m += p->mass;
        return m;
    }
    // m², per unit mass: the PMI; undefined components as the simulator has them, the size in
    // metres standing in for m² (2 size, 2 size, size).
    Vec3 inertia() const {
        return {def.pmi.x >= 0.0 ? def.pmi.x : 2.0 * def.size, def.pmi.y >= 0.0 ? def.pmi.y : 2.0 * def.size,
                def.pmi.z >= 0.0 ? def.pmi.z : def.size};
    }
};


}  // namespace quva
