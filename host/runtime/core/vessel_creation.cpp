// Creating a vessel: its record, its class configuration, its module's object and the callbacks
// that define it, and the check of the mesh groups its animations move.
#include "core/simulation.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "core/class_caps.h"
#include "core/flight.h"
#include "core/host_call.h"
#include "core/vessel_access.h"

namespace quva {

namespace {

const char *const kCreatedFile = "(created)";

}  // namespace

Vessel *Simulation::instantiate(const std::string &name, const std::string &className, int line,
                                const std::string &file) {
    if (findVessel(name)) throw InputError(file, line, "vessel name \"" + name + "\" is already used");
    const VesselClass *vc;
    try {
        vc = &modules_.vesselClass(className);
        if (vc->unloadable) throw std::runtime_error(*vc->unloadable);
    } catch (const InputError &) {
        throw;
    } catch (const std::exception &e) {
        throw InputError(file, line, e.what());
    }
    auto owned = arena_.make();
    Vessel &v = *owned;
    v.id = nextVesselId_++;
    v.name = name;
    v.className = className;
    v.module = vc->module;
    v.state.body = &earth();
    adopt(std::move(owned));

    if (vc->config) {
        if (!vc->warned)
            for (const std::string &w : vc->config->warnings) warn(w);
        vc->warned = true;
        applyClassConfig(v, *vc->config);
    }
    if (!vc->module) {
        // The simulator's three points stand such a vessel until its class file gives its own.
        v.def.touchdown = defaultTouchdownPoints();
        v.def.touchdownReach = touchdownReach(v.def.touchdown);
        if (vc->config) applyClassKeys(v, *vc->config);
        note(&v, "created (" + className + ", configuration only)");
        return &v;
    }

    VESSEL *object = callIn(
        *this, &v, "ovcInit", [&] { return vc->module->ovcInit(&v, 1); }, TraceHandle{&v}, 1);
    if (!object) {
        // The module could not make the object (out of memory): nothing of it exists, so there
        // is nothing to hand to ovcExit either.
        byName_.erase(v.name);
        live_.erase(&v);
        vessels_.pop_back();
        warn("vessel class " + className + ": ovcInit returned no object for vessel \"" + name + "\" (" + file +
             (line > 0 ? ":" + std::to_string(line) : std::string()) + "); the run goes on without it");
        return nullptr;
    }
    note(&v, "created (" + className + ")");
    v.iface = object;
    if (VesselAccess::version(object) >= 1) v.callbacks = static_cast<VESSEL2 *>(object);
    if (v.callbacks) {
        FILEHANDLE cfg = vc->config ? const_cast<ClassConfig *>(&*vc->config) : nullptr;
        callIn(*this, &v, "clbkSetClassCaps", [&] { v.callbacks->clbkSetClassCaps(cfg); }, TraceHandle{cfg});
    }
    // The class file's keys override what the module set.
    if (vc->config) applyClassKeys(v, *vc->config);
    return &v;
}

// The class file's mesh: before the module's own meshes, as mesh 0.
void Simulation::applyClassConfig(Vessel &v, const ClassConfig &cfg) {
    if (!cfg.meshName) return;
    std::string problem;
    MeshSlot slot;
    slot.name = *cfg.meshName;
    slot.mesh = meshes_.load(*cfg.meshName, &problem);
    if (!slot.mesh) warn("vessel " + v.name + ": " + problem);
    v.meshes.push_back(slot);
}

void Simulation::postCreate(Vessel &v) {
    if (v.callbacks) callIn(*this, &v, "clbkPostCreation", [&] { v.callbacks->clbkPostCreation(); });
    v.created = true;
    checkAnimationGroups(v);
    if (options_.flightModel && !v.inert() && !v.state.landed) evaluateForces(*this, v);
}

Vessel &Simulation::createVessel(const std::string &name, const std::string &className,
                                 const std::vector<std::string> &lines) {
    return makeVessel(name, className, lines, nullptr);
}

Vessel &Simulation::createVessel(const std::string &name, const std::string &className,
                                 const GroundPlacement &placement, const std::vector<std::string> &lines) {
    if (std::string problem = placementProblem(placement); !problem.empty()) throw std::invalid_argument(problem);
    // The host lines say where, near enough for the module's reading; the placement then sets
    // the state exactly.
    const Body &body = placement.body ? *placement.body : earth();
    std::vector<std::string> all;
    if (placement.landed) {
        all.push_back("STATUS Landed " + body.name);
    } else {
        all.push_back("STATUS Orbiting " + body.name);
        all.push_back("RPOS 0 " + std::to_string(body.radius + *placement.altitude) + " 0");
    }
    all.insert(all.end(), lines.begin(), lines.end());
    return makeVessel(name, className, all, &placement);
}

Vessel &Simulation::makeVessel(const std::string &name, const std::string &className,
                               const std::vector<std::string> &lines, const GroundPlacement *placement) {
    VesselBlock block;
    block.name = name;
    block.className = className;
    int n = 0;
    for (const std::string &l : lines) {
        ++n;
        std::string t = interpretedText(l);
        if (!t.empty()) block.lines.push_back({t, n});
    }
    Vessel *made = instantiate(name, className, 0, kCreatedFile);
    if (!made) throw InputError(kCreatedFile, 0, "vessel class " + className + ": ovcInit returned no object for \"" + name + "\"");
    Vessel &v = *made;
    HostLines host = loadBlock(v, block, kCreatedFile);
    // A vessel just made holds none, so attaching it cannot close a loop.
    if (host.attached) linkAttachment(v, *host.attached, kCreatedFile);
    if (placement) placeOverGround(v, *placement, orientation(*v.state.body));
    placeAttached(v);
    postCreate(v);
    return v;
}

void Simulation::checkAnimationGroups(Vessel &v) {
    for (std::size_t a = 0; a < v.animations.size(); ++a) {
        for (auto &c : v.animations[a].components) {
            if (c->checked) continue;
            c->checked = true;
            const MGROUP_TRANSFORM *t = c->transform;
            if (t->mesh >= v.meshes.size()) {
                warn("vessel " + v.name + ": animation " + std::to_string(a) + " moves mesh " + std::to_string(t->mesh) +
                     ", which the vessel does not have");
                continue;
            }
            const MeshSlot &slot = v.meshes[t->mesh];
            if (!slot.mesh) continue;  // the missing mesh has been reported already
            for (UINT k = 0; k < t->ngrp; ++k) {
                UINT g = t->grp ? t->grp[k] : 0;
                if (g >= slot.mesh->groups.size())
                    warn("vessel " + v.name + ": mesh " + slot.name + " has no group " + std::to_string(g) +
                         " (moved by animation " + std::to_string(a) + ")");
            }
        }
    }
}

}  // namespace quva
