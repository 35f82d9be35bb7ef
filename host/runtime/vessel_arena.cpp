#include "vessel_arena.h"

#include <new>

namespace quva {

void VesselSlotRelease::operator()(Vessel *v) const {
    if (v && arena) arena->release(v);
}

VesselPtr VesselArena::make() {
    Slot *slot;
    if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        if (usedInLast_ == kChunk) {
            chunks_.push_back(std::make_unique<Slot[]>(kChunk));
            usedInLast_ = 0;
        }
        slot = &chunks_.back()[usedInLast_++];
    }
    return VesselPtr(new (slot->bytes) Vessel(), VesselSlotRelease{this});
}

void VesselArena::release(Vessel *v) {
    v->~Vessel();
    free_.push_back(reinterpret_cast<Slot *>(v));
}

}  // namespace quva
