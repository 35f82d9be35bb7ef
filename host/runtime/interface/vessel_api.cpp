// The VESSEL methods and the host's default VESSEL2 callbacks. Each method acts on the host's
// record of the vessel and is traced as a host call made by the module.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "VesselAPI.h"
#include "core/host_call.h"
#include "core/simulation.h"
#include "core/vessel_access.h"
#include "core/vessel_lines.h"
#include "files/host_line_parser.h"
#include "world/attitude_angles.h"

using quva::Simulation;
using quva::TraceHandle;
using quva::Vec3;
using quva::VesselAccess;

namespace {

Simulation &sim() { return *Simulation::current(); }

// A mass, size or area the flight model can use: a finite number of 0 or more.
bool flyable(double x) { return std::isfinite(x) && x >= 0.0; }
bool flyable(const VECTOR3 &v) { return flyable(v.x) && flyable(v.y) && flyable(v.z); }

std::string shown(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}
std::string shown(const VECTOR3 &v) { return shown(v.x) + ", " + shown(v.y) + ", " + shown(v.z); }

// Refuses a value the flight model cannot use, naming the call; true when refused (and not taken).
template <class T>
bool refused(const VESSEL *self, const char *call, const T &value, const char *what) {
    if (flyable(value)) return false;
    sim().refuse(VesselAccess::record(self), call, shown(value), what);
    return true;
}

template <class R, class... A>
void out(const VESSEL *self, const char *call, const R &ret, const A &...args) {
    quva::traceOut(sim(), &VesselAccess::record(self), call, ret, args...);
}

}  // namespace

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif

VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel) : vessel(hVessel), flightmodel(static_cast<short>(fmodel)), version(0) {}

VESSEL2::VESSEL2(OBJHANDLE hVessel, int fmodel) : VESSEL(hVessel, fmodel) { version = 1; }

VESSEL3::VESSEL3(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) { version = 2; }

const OBJHANDLE VESSEL::GetHandle() const {
    out(this, "GetHandle", TraceHandle{vessel});
    return vessel;
}

void VESSEL::SetSize(double size) const {
    out(this, "SetSize", quva::NoResult{}, size);
    if (refused(this, "SetSize", size, "a size must be a finite number of 0 m or more")) return;
    VesselAccess::record(this).def.size = size;
}

void VESSEL::SetEmptyMass(double m) const {
    out(this, "SetEmptyMass", quva::NoResult{}, m);
    if (refused(this, "SetEmptyMass", m, "an empty mass must be a finite number of 0 kg or more")) return;
    VesselAccess::record(this).def.emptyMass = m;
}

void VESSEL::SetPMI(const VECTOR3 &pmi) const {
    out(this, "SetPMI", quva::NoResult{}, pmi);
    VesselAccess::record(this).def.pmi = Vec3::from(pmi);
}

void VESSEL::SetCrossSections(const VECTOR3 &cs) const {
    out(this, "SetCrossSections", quva::NoResult{}, cs);
    if (refused(this, "SetCrossSections", cs, "cross sections must be finite areas of 0 m² or more")) return;
    VesselAccess::record(this).def.crossSections = Vec3::from(cs);
}

void VESSEL::SetRotDrag(const VECTOR3 &rd) const {
    out(this, "SetRotDrag", quva::NoResult{}, rd);
    VesselAccess::record(this).def.rotDrag = Vec3::from(rd);
}

void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    out(this, "SetCW", quva::NoResult{}, cw_z_pos, cw_z_neg, cw_x, cw_y);
    VesselAccess::record(this).def.cw = {cw_z_pos, cw_z_neg, cw_x, cw_y};
}

void VESSEL::SetTouchdownPoints(const VECTOR3 &pt1, const VECTOR3 &pt2, const VECTOR3 &pt3) const {
    out(this, "SetTouchdownPoints", quva::NoResult{}, pt1, pt2, pt3);
    quva::VesselDefinition &def = VesselAccess::record(this).def;
    // As the simulator does: springs from the empty mass at the call (1e6 N/m for exactly
    // 1000 kg, otherwise 20 N/m per kg), dampers a tenth of that, the friction kept.
    quva::TouchdownVertex vertex;
    if (!def.touchdown.empty()) {
        vertex.mu = def.touchdown[0].mu;
        vertex.muLng = def.touchdown[0].muLng;
    }
    vertex.stiffness = def.emptyMass == 1000.0 ? 1e6 : 20.0 * def.emptyMass;
    vertex.damping = 0.1 * vertex.stiffness;
    def.touchdown.assign(3, vertex);
    // As in the simulator, redefining the points of a landed vessel lifts it off.
    quva::Vessel &v = VesselAccess::record(this);
    if (v.state.landed && v.created) v.flight.forceAdded = true;
    def.touchdown[0].pos = Vec3::from(pt1);
    def.touchdown[1].pos = Vec3::from(pt2);
    def.touchdown[2].pos = Vec3::from(pt3);
    def.touchdownReach = 0.0;
    for (const quva::TouchdownVertex &p : def.touchdown) def.touchdownReach = std::fmax(def.touchdownReach, length(p.pos));
}

void VESSEL::SetDockParams(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const {
    out(this, "SetDockParams", quva::NoResult{}, pos, dir, rot);
    VesselAccess::record(this).def.dock = quva::DockPort{Vec3::from(pos), Vec3::from(dir), Vec3::from(rot)};
}

void VESSEL::SetCameraOffset(const VECTOR3 &co) const {
    out(this, "SetCameraOffset", quva::NoResult{}, co);
    VesselAccess::record(this).def.cameraOffset = Vec3::from(co);
}

void VESSEL::SetMeshVisibilityMode(UINT idx, WORD mode) const {
    out(this, "SetMeshVisibilityMode", quva::NoResult{}, idx, mode);
    quva::Vessel &v = VesselAccess::record(this);
    if (idx < v.meshes.size()) v.meshes[idx].visibility = mode;
    else sim().warn("vessel " + v.name + ": SetMeshVisibilityMode names mesh " + std::to_string(idx) +
                    ", which the vessel does not have");
}

void VESSEL::CreateAirfoil(AIRFOIL_ORIENTATION align, const VECTOR3 &ref, AirfoilCoeffFunc cf, double c, double S,
                           double A) const {
    out(this, "CreateAirfoil", quva::NoResult{}, align, ref, TraceHandle{reinterpret_cast<const void *>(cf)}, c, S, A);
    if (refused(this, "CreateAirfoil", S, "an airfoil's area must be a finite number of 0 m² or more") ||
        refused(this, "CreateAirfoil", c, "an airfoil's chord must be a finite number of 0 m or more"))
        return;
    quva::Airfoil af;
    af.align = align;
    af.ref = Vec3::from(ref);
    af.coeffs = cf;
    af.chord = c;
    af.area = S;
    af.aspect = A;
    VesselAccess::record(this).airfoils.push_back(af);
}

ATTACHMENTHANDLE VESSEL::CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot,
                                          const char *id, bool loose) const {
    quva::Vessel &v = VesselAccess::record(this);
    auto a = std::make_unique<quva::Attachment>();
    a->owner = &v;
    a->toParent = toparent;
    a->pos = Vec3::from(pos);
    a->dir = Vec3::from(dir);
    a->rot = Vec3::from(rot);
    a->id = id ? std::string(id).substr(0, 8) : std::string();
    a->loose = loose;
    v.attachments.push_back(std::move(a));
    ATTACHMENTHANDLE h = v.attachments.back().get();
    out(this, "CreateAttachment", TraceHandle{h}, toparent, pos, dir, rot, id, loose);
    return h;
}

ATTACHMENTHANDLE VESSEL::GetAttachmentHandle(bool toparent, DWORD i) const {
    ATTACHMENTHANDLE h = VesselAccess::record(this).attachmentAt(toparent, i);
    out(this, "GetAttachmentHandle", TraceHandle{h}, toparent, i);
    return h;
}

OBJHANDLE VESSEL::GetAttachmentStatus(ATTACHMENTHANDLE attachment) const {
    quva::Vessel &v = VesselAccess::record(this);
    OBJHANDLE h = nullptr;
    for (const auto &a : v.attachments)
        if (a.get() == attachment && a->peer) h = a->peer->owner;
    out(this, "GetAttachmentStatus", TraceHandle{h}, TraceHandle{attachment});
    return h;
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass, double efficiency) const {
    quva::Vessel &v = VesselAccess::record(this);
    // Refused values are not taken: the store is made empty, and the run ends once the call returns.
    if (refused(this, "CreatePropellantResource", maxmass, "a store's capacity must be a finite mass of 0 kg or more"))
        maxmass = 0.0;
    if (!std::isfinite(mass)) {
        sim().refuse(v, "CreatePropellantResource", shown(mass), "a store's mass must be a finite number");
        mass = 0.0;
    }
    auto p = std::make_unique<quva::Propellant>();
    p->maxMass = maxmass;
    p->mass = mass < 0.0 ? maxmass : (mass > maxmass ? maxmass : mass);  // -1: full
    p->efficiency = efficiency;
    v.propellants.push_back(std::move(p));
    PROPELLANT_HANDLE h = v.propellants.back().get();
    out(this, "CreatePropellantResource", TraceHandle{h}, maxmass, mass, efficiency);
    return h;
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0, PROPELLANT_HANDLE hp,
                                       double isp0, double isp_ref, double p_ref) const {
    quva::Vessel &v = VesselAccess::record(this);
    auto t = std::make_unique<quva::Thruster>();
    t->pos = Vec3::from(pos);
    t->dir = Vec3::from(dir);
    t->maxThrust = maxth0;
    for (const auto &p : v.propellants)
        if (p.get() == hp) t->tank = p.get();
    if (hp && !t->tank)
        sim().warn("vessel " + v.name + ": CreateThruster names a propellant store the vessel does not have");
    t->isp0 = isp0;
    t->ispRef = isp_ref;
    t->pRef = p_ref;
    v.thrusters.push_back(std::move(t));
    THRUSTER_HANDLE h = v.thrusters.back().get();
    out(this, "CreateThruster", TraceHandle{h}, pos, dir, maxth0, TraceHandle{hp}, isp0, isp_ref, p_ref);
    return h;
}

namespace {

UINT addMeshSlot(const VESSEL *self, const quva::Mesh *mesh, const std::string &name, const VECTOR3 *ofs) {
    quva::Vessel &v = VesselAccess::record(self);
    quva::MeshSlot slot;
    slot.mesh = mesh;
    slot.name = name;
    if (ofs) slot.offset = Vec3::from(*ofs);
    v.meshes.push_back(slot);
    return static_cast<UINT>(v.meshes.size() - 1);
}

}  // namespace

UINT VESSEL::AddMesh(const char *meshname, const VECTOR3 *ofs) const {
    std::string name = meshname ? meshname : "";
    std::string problem;
    const quva::Mesh *mesh = sim().meshes().load(name, &problem);
    if (!mesh) sim().warn("vessel " + VesselAccess::record(this).name + ": " + problem);
    UINT idx = addMeshSlot(this, mesh, name, ofs);
    if (ofs) out(this, "AddMesh", idx, meshname, *ofs);
    else out(this, "AddMesh", idx, meshname, nullptr);
    return idx;
}

UINT VESSEL::AddMesh(MESHHANDLE hMesh, const VECTOR3 *ofs) const {
    const auto *mesh = static_cast<const quva::Mesh *>(hMesh);
    if (!mesh) sim().warn("vessel " + VesselAccess::record(this).name + ": AddMesh was given a null mesh handle");
    UINT idx = addMeshSlot(this, mesh, mesh ? mesh->name : std::string(), ofs);
    if (ofs) out(this, "AddMesh", idx, TraceHandle{hMesh}, *ofs);
    else out(this, "AddMesh", idx, TraceHandle{hMesh}, nullptr);
    return idx;
}

UINT VESSEL::CreateAnimation(double initial_state) const {
    quva::Vessel &v = VesselAccess::record(this);
    quva::Animation anim;
    anim.initialState = initial_state;
    anim.state = initial_state;
    v.animations.push_back(std::move(anim));
    UINT id = static_cast<UINT>(v.animations.size() - 1);
    out(this, "CreateAnimation", id, initial_state);
    return id;
}

ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(UINT anim, double state0, double state1,
                                                        MGROUP_TRANSFORM *trans,
                                                        ANIMATIONCOMPONENT_HANDLE parent) const {
    quva::Vessel &v = VesselAccess::record(this);
    quva::AnimationComponent *result = nullptr;
    if (anim >= v.animations.size()) {
        sim().warn("vessel " + v.name + ": AddAnimationComponent names animation " + std::to_string(anim) +
                   ", which does not exist");
    } else if (!trans) {
        sim().warn("vessel " + v.name + ": AddAnimationComponent was given no transform");
    } else {
        auto comp = std::make_unique<quva::AnimationComponent>();
        comp->state0 = state0;
        comp->state1 = state1;
        comp->transform = trans;
        if (parent) {
            for (const auto &a : v.animations)
                for (const auto &c : a.components)
                    if (c.get() == parent) comp->parent = c.get();
            if (!comp->parent)
                sim().warn("vessel " + v.name + ": AddAnimationComponent names a parent that is not a component "
                           "of this vessel; the component is added without one");
        }
        result = comp.get();
        v.animations[anim].components.push_back(std::move(comp));
        if (v.created) sim().checkAnimationGroups(v);
    }
    out(this, "AddAnimationComponent", TraceHandle{result}, anim, state0, state1, TraceHandle{trans},
        TraceHandle{parent});
    return result;
}

namespace {

// Which quarter of its range an animation state shows; the timeline notes each change.
int quarter(double state) {
    if (!(state > 0.0)) return 0;
    if (state >= 1.0) return 4;
    return static_cast<int>(state * 4.0);
}

void noteProgress(quva::Vessel &v, UINT anim, double from, double to) {
    if (quarter(from) == quarter(to) && v.created) return;
    char text[64];
    std::snprintf(text, sizeof text, "animation %u at %.2f", anim, std::fabs(to) < 5e-3 ? 0.0 : to);
    sim().note(&v, text);
}

}  // namespace

bool VESSEL::SetAnimation(UINT anim, double state) const {
    quva::Vessel &v = VesselAccess::record(this);
    bool ok = anim < v.animations.size();
    if (ok) {
        noteProgress(v, anim, v.animations[anim].state, state);
        if (state != v.animations[anim].state) sim().animationChanged(v, anim);
        v.animations[anim].state = state;
    } else sim().warn("vessel " + v.name + ": SetAnimation names animation " + std::to_string(anim) +
                    ", which does not exist");
    out(this, "SetAnimation", ok, anim, state);
    return ok;
}

namespace {

VECTOR3 toVector(const Vec3 &v) { return _V(v.x, v.y, v.z); }

}  // namespace

void VESSEL::GetAngularVel(VECTOR3 &avel) const {
    const quva::FlightState &s = VesselAccess::record(this).state;
    avel = toVector(s.landed ? Vec3{} : s.omega);
    out(this, "GetAngularVel", avel);
}

void VESSEL::SetAngularVel(const VECTOR3 &avel) const {
    out(this, "SetAngularVel", quva::NoResult{}, avel);
    const Vec3 w = Vec3::from(avel);
    if (!finite(w)) {
        sim().refuse(VesselAccess::record(this), "SetAngularVel", shown(avel), "a rate of turn must be finite");
        return;
    }
    quva::Vessel &v = VesselAccess::record(this);
    if (v.state.landed) return;  // the ground holds it
    v.state.omega = w;
}

void VESSEL::GetGlobalOrientation(VECTOR3 &arot) const {
    arot = toVector(quva::eulerFromAttitude(VesselAccess::record(this).state.attitude) * quva::kRadPerDeg);
    out(this, "GetGlobalOrientation", arot);
}

void VESSEL::SetGlobalOrientation(const VECTOR3 &arot) const {
    out(this, "SetGlobalOrientation", quva::NoResult{}, arot);
    const Vec3 a = Vec3::from(arot);
    if (!finite(a)) {
        sim().refuse(VesselAccess::record(this), "SetGlobalOrientation", shown(arot), "angles must be finite");
        return;
    }
    quva::Vessel &v = VesselAccess::record(this);
    if (v.state.landed) return;  // the ground holds it
    v.state.setAttitude(quva::attitudeFromEuler(a * (1.0 / quva::kRadPerDeg)));
    v.readout.forceValid = false;  // the airflow meets it at another angle
}

void VESSEL::GetTorqueVector(VECTOR3 &M) const {
    const quva::Vessel &v = VesselAccess::record(this);
    const double m = v.mass();
    // Per unit mass, as the simulator returns it.
    M = toVector(m > 0.0 ? v.added.lastTorque * (1.0 / m) : Vec3{});
    out(this, "GetTorqueVector", M);
}

void VESSEL::GetAngularMoment(VECTOR3 &amom) const {
    amom = toVector(VesselAccess::record(this).added.lastTorque);
    out(this, "GetAngularMoment", amom);
}

void VESSEL::AddForce(const VECTOR3 &F, const VECTOR3 &r) const {
    out(this, "AddForce", quva::NoResult{}, F, r);
    const Vec3 f = Vec3::from(F), at = Vec3::from(r);
    if (!finite(f) || !finite(at)) {
        sim().refuse(VesselAccess::record(this), "AddForce", shown(F) + "; " + shown(r),
                     "a force and its point must be finite");
        return;
    }
    quva::Vessel &v = VesselAccess::record(this);
    v.added.force += f;
    v.added.torque += cross(f, at);  // F x r, the simulator's order
    v.flight.forceAdded = true;
}

bool VESSEL::GroundContact() const {
    bool contact = VesselAccess::record(this).groundContact;
    out(this, "GroundContact", contact);
    return contact;
}

double VESSEL::GetDrag() const {
    double drag = VesselAccess::record(this).readout.drag;
    out(this, "GetDrag", drag);
    return drag;
}

double VESSEL::GetMass() const {
    double mass = VesselAccess::record(this).mass();
    out(this, "GetMass", mass);
    return mass;
}

void VESSEL::ParseScenarioLineEx(char *line, void *status) const {
    out(this, "ParseScenarioLineEx", quva::NoResult{}, static_cast<const char *>(line), TraceHandle{status});
    auto *hs = static_cast<quva::HostStatus *>(status);
    if (!hs || hs->version != 2) {
        sim().warn("vessel " + VesselAccess::record(this).name +
                   ": ParseScenarioLineEx was given a status the host did not hand out; line ignored");
        return;
    }
    quva::parseHostLine(line, *hs);
}

// Default callbacks: the host's own behaviour for a class that does not override them.

void VESSEL2::clbkSetClassCaps(FILEHANDLE) {}

void VESSEL2::clbkSaveState(FILEHANDLE scn) {
    out(this, "VESSEL2::clbkSaveState", quva::NoResult{}, TraceHandle{scn});
    if (auto *w = static_cast<quva::ScenarioWriteHandle *>(scn)) quva::writeHostLines(VesselAccess::record(this), w->text, &sim().bases());
}

void VESSEL2::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    out(this, "VESSEL2::clbkLoadStateEx", quva::NoResult{}, TraceHandle{scn}, TraceHandle{status});
    auto *r = static_cast<quva::ScenarioReadHandle *>(scn);
    auto *hs = static_cast<quva::HostStatus *>(status);
    if (!r || !hs) return;
    for (; r->lines && r->next < r->lines->size(); ++r->next) {
        r->line = (*r->lines)[r->next].line;
        quva::parseHostLine((*r->lines)[r->next].text.c_str(), *hs);
    }
}

void VESSEL2::clbkSetStateEx(const void *) {}
void VESSEL2::clbkPostCreation() {}
void VESSEL2::clbkPostStep(double, double, double) {}
int VESSEL2::clbkConsumeBufferedKey(DWORD, bool, char *) { return 0; }
