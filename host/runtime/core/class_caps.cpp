#include "core/class_caps.h"

#include <cmath>
#include <memory>

namespace quva {

namespace {

// The simulator's Isp for thrusters a class file creates without an Isp key.
constexpr double kDefaultIsp = 5e4;  // m/s

Propellant *addStore(Vessel &v, double maxMass, double efficiency) {
    auto p = std::make_unique<Propellant>();
    p->maxMass = maxMass;
    p->mass = maxMass;
    p->efficiency = efficiency;
    v.propellants.push_back(std::move(p));
    return v.propellants.back().get();
}

void addThruster(Vessel &v, Vec3 pos, Vec3 dir, double thrust, double isp) {
    auto t = std::make_unique<Thruster>();
    t->pos = pos;
    t->dir = dir;
    t->maxThrust = thrust;
    t->tank = v.propellants.empty() ? nullptr : v.propellants.front().get();
    t->isp0 = isp;
    t->ispRef = isp;
    v.thrusters.push_back(std::move(t));
}

// Six linear thrusters at the origin, then twelve rotational ones in pairs, as the simulator
// creates them: +y, -y, -x, +x, +z, -z; pitch up, pitch down, yaw left, yaw right, bank left,
// bank right.
void addAttitudeThrusters(Vessel &v, double force, double isp) {
    const Vec3 origin{};
    for (const Vec3 &d : {Vec3{0, 1, 0}, Vec3{0, -1, 0}, Vec3{-1, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 0, 1}, Vec3{0, 0, -1}})
        addThruster(v, origin, d, force, isp);
    const double r = v.def.size, f = force / 2.0;
    const struct {
        Vec3 pos, dir;
    } pairs[] = {
        // pitch up
        {{0, 0, r}, {0, 1, 0}},
        {{0, 0, -r}, {0, -1, 0}},
        // pitch down
        {{0, 0, r}, {0, -1, 0}},
        {{0, 0, -r}, {0, 1, 0}},
        // yaw left
        {{0, 0, r}, {-1, 0, 0}},
        {{0, 0, -r}, {1, 0, 0}},
        // yaw right
        {{0, 0, r}, {1, 0, 0}},
        {{0, 0, -r}, {-1, 0, 0}},
        // bank left
        {{r, 0, 0}, {0, 1, 0}},
        {{-r, 0, 0}, {0, -1, 0}},
        // bank right
        {{r, 0, 0}, {0, -1, 0}},
        {{-r, 0, 0}, {0, 1, 0}},
    };
    for (const auto &p : pairs) addThruster(v, p.pos, p.dir, f, isp);
}

}  // namespace

void applyClassKeys(Vessel &v, const ClassConfig &cfg) {
    VesselDefinition &d = v.def;
    if (cfg.size) d.size = *cfg.size;
    if (cfg.mass) d.emptyMass = *cfg.mass;
    if (cfg.inertia) d.pmi = *cfg.inertia;
    if (cfg.crossSections) d.crossSections = *cfg.crossSections;
    if (cfg.cw) d.cw = {(*cfg.cw)[0], (*cfg.cw)[1], (*cfg.cw)[2], (*cfg.cw)[3]};
    if (cfg.rotResistance) d.rotDrag = *cfg.rotResistance;
    if (cfg.cameraOffset) d.cameraOffset = *cfg.cameraOffset;
    if (!cfg.hull.empty() && !cfg.touchdownPoints) {
        // The hull's vertices, with the simulator's spring values and the vessel's friction where
        // a line leaves them out.
        const TouchdownVertex friction = d.touchdown.empty() ? TouchdownVertex{} : d.touchdown.front();
        d.touchdown.clear();
        d.touchdownReach = 0.0;
        for (const HullVertex &h : cfg.hull) {
            TouchdownVertex t;
            t.pos = h.pos;
            t.stiffness = h.stiffness.value_or(1e6);
            t.damping = h.damping.value_or(1e5);
            t.mu = h.mu.value_or(friction.mu);
            t.muLng = h.muLng.value_or(friction.muLng);
            d.touchdown.push_back(t);
            d.touchdownReach = std::fmax(d.touchdownReach, length(t.pos));
        }
    }
    if (cfg.touchdownPoints) {
        // Always stiffness 1e6 N/m and damping 1e5 N s/m; friction as the vessel has it.
        const TouchdownVertex friction = d.touchdown.empty() ? TouchdownVertex{} : d.touchdown.front();
        d.touchdown.assign(3, TouchdownVertex{});
        d.touchdownReach = 0.0;
        for (std::size_t k = 0; k < 3; ++k) {
            d.touchdown[k].pos = (*cfg.touchdownPoints)[k];
            d.touchdown[k].mu = friction.mu;
            d.touchdown[k].muLng = friction.muLng;
            d.touchdownReach = std::fmax(d.touchdownReach, length(d.touchdown[k].pos));
        }
    }
    for (const ClassStore &s : cfg.stores) addStore(v, s.maxMass, s.efficiency);
    if (cfg.maxFuel && v.propellants.empty()) addStore(v, *cfg.maxFuel, 1.0);
    const double isp = cfg.isp.value_or(kDefaultIsp);
    if (cfg.maxMainThrust) addThruster(v, {}, {0, 0, 1}, *cfg.maxMainThrust, isp);
    if (cfg.maxRetroThrust) addThruster(v, {}, {0, 0, -1}, *cfg.maxRetroThrust, isp);
    if (cfg.maxHoverThrust) addThruster(v, {}, {0, 1, 0}, *cfg.maxHoverThrust, isp);
    if (cfg.maxAttitudeThrust) addAttitudeThrusters(v, *cfg.maxAttitudeThrust, isp);
    if (cfg.dockKeys) d.dock = DockPort{cfg.dockKeys->pos, cfg.dockKeys->dir, cfg.dockKeys->rot};
    else if (!cfg.docks.empty() && !d.dock) d.dock = DockPort{cfg.docks.front().pos, cfg.docks.front().dir, cfg.docks.front().rot};
    for (const AttachmentSpec &point : cfg.attachments) {
        auto a = std::make_unique<Attachment>();
        a->owner = &v;
        a->toParent = point.toParent;
        a->pos = point.pos;
        a->dir = point.dir;
        a->rot = point.rot;
        a->id = point.id;
        v.attachments.push_back(std::move(a));
    }
}

}  // namespace quva
