#include "vessel.h"

namespace quva {

Attachment *Vessel::attachmentAt(bool toParent, std::size_t index) const {
    std::size_t n = 0;
    for (const auto &a : attachments) {
        if (a->toParent != toParent) continue;
        if (n++ == index) return a.get();
    }
    return nullptr;
}

Vessel *Vessel::parent() const {
    for (const auto &a : attachments)
        if (a->toParent && a->peer) return a->peer->owner;
    return nullptr;
}

double Vessel::mass() const {
    double m = def.emptyMass;
    for (const auto &p : propellants) m += p->mass;
    return m;
}

}  // namespace quva
