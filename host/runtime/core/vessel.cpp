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

}  // namespace quva
