#include "replay/class_look.h"

#include <map>

namespace quva::cli {

int MeshTable::indexOf(const Mesh &mesh) {
    for (std::size_t i = 0; i < meshes_.size(); ++i)
        if (meshes_[i].name == mesh.name && meshes_[i].file == mesh.file) return static_cast<int>(i);
    meshes_.push_back(mesh);
    return static_cast<int>(meshes_.size() - 1);
}

namespace {

// The transform's kind and parameters, copied.
void copyTransform(const MGROUP_TRANSFORM &t, LookComponent &c) {
    c.meshSlot = t.mesh;
    if (t.grp) c.groups.assign(t.grp, t.grp + t.ngrp);
    switch (t.Type()) {
    case MGROUP_TRANSFORM::ROTATE: {
        const auto &r = static_cast<const MGROUP_ROTATE &>(t);
        c.kind = LookComponent::Kind::Rotate;
        c.ref = Vec3::from(r.ref);
        c.axis = Vec3::from(r.axis);
        c.angle = static_cast<double>(r.angle);
        break;
    }
    case MGROUP_TRANSFORM::TRANSLATE:
        c.kind = LookComponent::Kind::Translate;
        c.shift = Vec3::from(static_cast<const MGROUP_TRANSLATE &>(t).shift);
        break;
    case MGROUP_TRANSFORM::SCALE: {
        const auto &s = static_cast<const MGROUP_SCALE &>(t);
        c.kind = LookComponent::Kind::Scale;
        c.ref = Vec3::from(s.ref);
        c.scale = Vec3::from(s.scale);
        break;
    }
    case MGROUP_TRANSFORM::NULLTRANSFORM:
        break;
    }
}

}  // namespace

ClassLook lookOf(const Vessel &v, MeshTable &table) {
    ClassLook look;
    look.className = v.className;
    for (const MeshSlot &slot : v.meshes) {
        // A mesh seen only from the cockpit is not part of the outside view a replay shows.
        const bool outside = (slot.visibility & MESHVIS_EXTERNAL) != 0;
        look.meshes.push_back({slot.mesh && outside ? table.indexOf(*slot.mesh) : -1, slot.offset});
    }
    std::map<const AnimationComponent *, int> index;
    for (std::size_t a = 0; a < v.animations.size(); ++a) {
        look.initialStates.push_back(v.animations[a].initialState);
        for (const auto &component : v.animations[a].components) {
            index[component.get()] = static_cast<int>(look.components.size());
            LookComponent c;
            c.animation = a;
            c.state0 = component->state0;
            c.state1 = component->state1;
            if (component->transform) copyTransform(*component->transform, c);
            look.components.push_back(std::move(c));
        }
    }
    // Parents once every component has its index; one of another vessel's stays none.
    std::size_t i = 0;
    for (const Animation &a : v.animations)
        for (const auto &component : a.components) {
            const auto it = index.find(component->parent);
            if (component->parent && it != index.end()) look.components[i].parent = it->second;
            ++i;
        }
    return look;
}

}  // namespace quva::cli
