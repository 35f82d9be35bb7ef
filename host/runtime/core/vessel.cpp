#include "core/vessel.h"

namespace quva {

Attachment *Vessel::attachmentAt(bool toParent, std::size_t index) const {
    std::size_t n = 0;
    for (const auto &a : attachments) {
        if (a->toParent != toParent) continue;
        if (n++ == index) return a.get();
    }
    return nullptr;
}

void link(Attachment &childPoint, Attachment &parentPoint) {
    childPoint.peer = &parentPoint;
    parentPoint.peer = &childPoint;
    childPoint.owner->heldBy = parentPoint.owner;
    ++parentPoint.owner->holding;
}

void unlink(Attachment &point) {
    Attachment *other = point.peer;
    if (!other) return;
    Attachment &child = point.toParent ? point : *other;
    Attachment &parent = point.toParent ? *other : point;
    child.peer = nullptr;
    parent.peer = nullptr;
    child.owner->heldBy = nullptr;
    --parent.owner->holding;
}

double Vessel::mass() const {
    double m = def.emptyMass;
    for (const auto &p : propellants) m += p->mass;
    return m;
}

Vec3 Vessel::inertia() const {
    // As the simulator does: the size in metres stands in for m².
    const Vec3 fallback{2.0 * def.size, 2.0 * def.size, def.size};
    return {def.pmi.x >= 0.0 ? def.pmi.x : fallback.x, def.pmi.y >= 0.0 ? def.pmi.y : fallback.y,
            def.pmi.z >= 0.0 ? def.pmi.z : fallback.z};
}

}  // namespace quva
