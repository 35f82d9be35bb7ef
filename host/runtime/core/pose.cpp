#include "core/pose.h"

#include <algorithm>
#include <map>

#include "core/vessel.h"
#include "files/mesh.h"

namespace quva {

namespace {

// Position of `state` inside the component's range, 0 at state0 and 1 at state1, held at the
// nearest end outside it. An empty range is a step at state0.
double progress(const AnimationComponent &c, double state) {
    double p = 0.0;
    if (c.state1 != c.state0) p = (state - c.state0) / (c.state1 - c.state0);
    else p = state >= c.state0 ? 1.0 : 0.0;
    if (!(p > 0.0)) return 0.0;  // NaN included
    return std::min(p, 1.0);
}

// Scale factor of one axis at progress p.
double scaleFactor(double scale, double p) { return 1.0 + p * (scale - 1.0); }

// Moves the points by the transform at progress p relative to the transform at progress p0, the
// progress the stored mesh shows.
void applyRelative(const MGROUP_TRANSFORM &t, double p, double p0, std::vector<Vec3> &points) {
    const double dp = p - p0;
    switch (t.Type()) {
    case MGROUP_TRANSFORM::ROTATE: {
        const auto &r = static_cast<const MGROUP_ROTATE &>(t);
        const Vec3 ref = Vec3::from(r.ref);
        const Mat3 m = rotationAbout(Vec3::from(r.axis), dp * static_cast<double>(r.angle));
        for (Vec3 &x : points) x = ref + m * (x - ref);
        break;
    }
    case MGROUP_TRANSFORM::SCALE: {
        const auto &s = static_cast<const MGROUP_SCALE &>(t);
        const Vec3 ref = Vec3::from(s.ref);
        // Ratio of the factor now to the factor the stored mesh shows. A stored factor of 0 means
        // the group was stored collapsed onto the reference point: nothing to scale back.
        auto ratio = [&](double scale) {
            const double f0 = scaleFactor(scale, p0);
            return f0 != 0.0 ? scaleFactor(scale, p) / f0 : 1.0;
        };
        const Vec3 k{ratio(s.scale.x), ratio(s.scale.y), ratio(s.scale.z)};
        for (Vec3 &x : points)
            x = {ref.x + (x.x - ref.x) * k.x, ref.y + (x.y - ref.y) * k.y, ref.z + (x.z - ref.z) * k.z};
        break;
    }
    case MGROUP_TRANSFORM::TRANSLATE: {
        const auto &tr = static_cast<const MGROUP_TRANSLATE &>(t);
        const Vec3 d = Vec3::from(tr.shift) * dp;
        for (Vec3 &x : points) x += d;
        break;
    }
    case MGROUP_TRANSFORM::NULLTRANSFORM:
        break;
    }
}

bool names(const MGROUP_TRANSFORM &t, std::size_t meshIndex, std::size_t group) {
    if (t.mesh != meshIndex || !t.grp) return false;
    return std::find(t.grp, t.grp + t.ngrp, group) != t.grp + t.ngrp;
}

}  // namespace

std::vector<Vec3> posedGroup(const Vessel &v, std::size_t meshIndex, std::size_t group) {
    if (meshIndex >= v.meshes.size()) return {};
    const MeshSlot &slot = v.meshes[meshIndex];
    if (!slot.mesh || group >= slot.mesh->groups.size()) return {};
    std::vector<Vec3> points = slot.mesh->groups[group].positions;

    // Ancestors may belong to other animations; each is posed at its own animation's state.
    std::map<const AnimationComponent *, const Animation *> owner;
    for (const Animation &a : v.animations)
        for (const auto &c : a.components) owner[c.get()] = &a;

    auto applyComponent = [&](const AnimationComponent &c, const Animation &a) {
        if (!c.transform) return;
        applyRelative(*c.transform, progress(c, a.state), progress(c, a.initialState), points);
    };

    for (const Animation &a : v.animations) {
        for (const auto &c : a.components) {
            if (!c->transform || !names(*c->transform, meshIndex, group)) continue;
            applyComponent(*c, a);
            // The parent chain, nearest first; the step limit guards against a cycle.
            const AnimationComponent *ancestor = c->parent;
            for (std::size_t steps = 0; ancestor && steps < owner.size(); ++steps, ancestor = ancestor->parent) {
                const auto it = owner.find(ancestor);
                if (it == owner.end()) break;  // not one of this vessel's components
                applyComponent(*ancestor, *it->second);
            }
        }
    }

    for (Vec3 &x : points) x += slot.offset;
    return points;
}

}  // namespace quva
