#include "classes/definition_summary.h"

#include <cstdio>
#include <map>
#include <string>

#include "files/mesh.h"

namespace quva::cli {

namespace {

std::string num(double v, int digits = 10) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, v);
    return text;
}

std::string vec(const Vec3 &v) { return "(" + num(v.x) + ", " + num(v.y) + ", " + num(v.z) + ")"; }

std::string vec(const VECTOR3 &v) { return vec(Vec3::from(v)); }

void row(std::ostream &out, const char *label, const std::string &value) {
    char head[40];
    std::snprintf(head, sizeof head, "  %-16s", label);
    out << head << value << "\n";
}

std::string meshVisibility(WORD mode) {
    switch (mode) {
    case MESHVIS_EXTERNAL: return "external";
    case MESHVIS_COCKPIT: return "cockpit";
    case MESHVIS_ALWAYS: return "always";
    default: return "mode " + std::to_string(mode);
    }
}

std::string groups(const MGROUP_TRANSFORM &t) {
    std::string text = t.ngrp == 1 ? "group " : "groups ";
    for (UINT k = 0; k < t.ngrp; ++k) text += (k ? ", " : "") + (t.grp ? std::to_string(t.grp[k]) : std::string("?"));
    return text;
}

std::string transform(const MGROUP_TRANSFORM &t) {
    const std::string target = "mesh " + std::to_string(t.mesh) + " " + groups(t);
    switch (t.Type()) {
    case MGROUP_TRANSFORM::ROTATE: {
        const auto &r = static_cast<const MGROUP_ROTATE &>(t);
        return "rotate " + target + " by " + num(static_cast<double>(r.angle) * DEG, 6) + " deg about " + vec(r.axis) +
               " through " + vec(r.ref);
    }
    case MGROUP_TRANSFORM::SCALE: {
        const auto &s = static_cast<const MGROUP_SCALE &>(t);
        return "scale " + target + " by " + vec(s.scale) + " about " + vec(s.ref);
    }
    case MGROUP_TRANSFORM::TRANSLATE: {
        const auto &s = static_cast<const MGROUP_TRANSLATE &>(t);
        return "shift " + target + " by " + vec(s.shift);
    }
    case MGROUP_TRANSFORM::NULLTRANSFORM: break;
    }
    return "no transform (" + target + ")";
}

void printAnimations(std::ostream &out, const Vessel &v) {
    // Where each component is, so that a parent can be named.
    std::map<const AnimationComponent *, std::pair<std::size_t, std::size_t>> where;
    for (std::size_t a = 0; a < v.animations.size(); ++a)
        for (std::size_t c = 0; c < v.animations[a].components.size(); ++c)
            where[v.animations[a].components[c].get()] = {a, c};
    for (std::size_t a = 0; a < v.animations.size(); ++a) {
        const Animation &anim = v.animations[a];
        out << "    animation " << a << ": initial state " << num(anim.initialState) << ", state " << num(anim.state)
            << ", " << anim.components.size() << " component" << (anim.components.size() == 1 ? "" : "s") << "\n";
        for (std::size_t c = 0; c < anim.components.size(); ++c) {
            const AnimationComponent &comp = *anim.components[c];
            char head[32];
            std::snprintf(head, sizeof head, "      %3zu  ", c);
            out << head << num(comp.state0) << " to " << num(comp.state1) << ": "
                << (comp.transform ? transform(*comp.transform) : std::string("no transform"));
            if (comp.parent) {
                auto it = where.find(comp.parent);
                if (it == where.end()) out << ", then as a component of another vessel";
                else if (it->second.first == a) out << ", then as component " << it->second.second;
                else out << ", then as component " << it->second.second << " of animation " << it->second.first;
            }
            out << "\n";
        }
    }
}

}  // namespace

void printDefinition(std::ostream &out, const Vessel &v) {
    const VesselDefinition &d = v.def;
    out << "definition\n";
    row(out, "size", num(d.size) + " m");
    row(out, "empty mass", num(d.emptyMass) + " kg");
    row(out, "PMI", vec(v.inertia()) + " m^2");
    row(out, "cross sections", vec(d.crossSections) + " m^2");
    row(out, "rotation drag", vec(d.rotDrag));
    row(out, "cw", "+z " + num(d.cw.zPos) + ", -z " + num(d.cw.zNeg) + ", x " + num(d.cw.x) + ", y " + num(d.cw.y));
    if (d.touchdown.empty()) row(out, "touchdown", "none");
    for (std::size_t i = 0; i < d.touchdown.size(); ++i)
        row(out, i == 0 ? "touchdown" : "", vec(d.touchdown[i].pos));
    row(out, "dock", d.dock ? "at " + vec(d.dock->pos) + ", direction " + vec(d.dock->dir) + ", rotation " +
                                  vec(d.dock->rot)
                            : std::string("none"));
    row(out, "camera offset", vec(d.cameraOffset));

    row(out, "attachments", std::to_string(v.attachments.size()));
    for (const auto &a : v.attachments)
        out << "    " << (a->toParent ? "to parent" : "to child ") << " \"" << a->id << "\" at " << vec(a->pos)
            << ", direction " << vec(a->dir) << ", rotation " << vec(a->rot) << (a->loose ? ", loose" : "") << "\n";

    row(out, "airfoils", std::to_string(v.airfoils.size()));
    for (const Airfoil &f : v.airfoils)
        out << "    " << (f.align == LIFT_VERTICAL ? "vertical  " : "horizontal") << " at " << vec(f.ref) << ", chord "
            << num(f.chord) << " m, area " << (f.area > 0.0 ? num(f.area) + " m^2" : std::string("the cross section"))
            << ", aspect ratio " << num(f.aspect) << "\n";

    row(out, "propellants", std::to_string(v.propellants.size()));
    std::map<const Propellant *, std::size_t> tanks;
    for (std::size_t i = 0; i < v.propellants.size(); ++i) {
        const Propellant &p = *v.propellants[i];
        tanks[&p] = i;
        out << "    " << i << ": " << num(p.mass) << " of " << num(p.maxMass) << " kg, efficiency " << num(p.efficiency)
            << "\n";
    }

    row(out, "thrusters", std::to_string(v.thrusters.size()));
    for (const auto &t : v.thrusters) {
        auto tank = tanks.find(t->tank);
        out << "    at " << vec(t->pos) << ", direction " << vec(t->dir) << ", " << num(t->maxThrust) << " N, isp "
            << num(t->isp0) << " m/s";
        if (t->ispRef > 0.0) out << " (" << num(t->ispRef) << " m/s at " << num(t->pRef) << " Pa)";
        out << ", " << (tank != tanks.end() ? "store " + std::to_string(tank->second) : std::string("no store")) << "\n";
    }

    row(out, "meshes", std::to_string(v.meshes.size()));
    for (std::size_t i = 0; i < v.meshes.size(); ++i) {
        const MeshSlot &m = v.meshes[i];
        out << "    " << i << ": " << m.name << ", ";
        if (m.mesh) out << m.mesh->groups.size() << " group" << (m.mesh->groups.size() == 1 ? "" : "s");
        else out << "missing";
        out << ", offset " << vec(m.offset) << ", visible " << meshVisibility(m.visibility) << "\n";
        if (m.mesh) out << "       " << m.mesh->file.string() << "\n";
    }

    row(out, "animations", std::to_string(v.animations.size()));
    printAnimations(out, v);
}

}  // namespace quva::cli
