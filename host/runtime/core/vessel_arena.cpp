#include "core/vessel_arena.h"

#include <new>

#include "platform/host_platform.h"

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
            void *memory = platform::allocateAligned(kChunkBytes, kChunkBytes);
            if (!memory) throw std::bad_alloc();
            chunks_.emplace_back(static_cast<Slot *>(memory));
            usedInLast_ = 0;
        }
        slot = chunks_.back().get() + usedInLast_++;
    }
    return VesselPtr(new (slot->bytes) Vessel(), VesselSlotRelease{this});
}

void VesselArena::ChunkFree::operator()(Slot *chunk) const { platform::freeAligned(chunk); }

void VesselArena::release(Vessel *v) {
    v->~Vessel();
    free_.push_back(reinterpret_cast<Slot *>(v));
}

}  // namespace quva
