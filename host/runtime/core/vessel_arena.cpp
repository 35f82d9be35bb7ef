#include "core/vessel_arena.h"

#include <algorithm>
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
        if (usedInLast_ == sizeOfLast_) {
            const std::size_t size = sizeOfLast_ == 0 ? kFirstChunk : std::min(2 * sizeOfLast_, kChunk);
            // Whole chunks are aligned to their size, for huge pages; smaller ones to a cache line.
            const std::size_t alignment = size == kChunk ? kChunkBytes : 64;
            const std::size_t bytes = (size * sizeof(Slot) + alignment - 1) / alignment * alignment;
            void *memory = platform::allocateAligned(alignment, bytes);
            if (!memory) throw std::bad_alloc();
            chunks_.emplace_back(static_cast<Slot *>(memory));
            usedInLast_ = 0;
            sizeOfLast_ = size;
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
