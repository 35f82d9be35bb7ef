#include "vessel_arena.h"

#include <sys/mman.h>

#include <cstdlib>
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
            void *memory = std::aligned_alloc(kChunkBytes, kChunkBytes);
            if (!memory) throw std::bad_alloc();
            // A request, not a requirement: without huge pages the chunk works the same.
            ::madvise(memory, kChunkBytes, MADV_HUGEPAGE);
            chunks_.emplace_back(static_cast<Slot *>(memory));
            usedInLast_ = 0;
        }
        slot = chunks_.back().get() + usedInLast_++;
    }
    return VesselPtr(new (slot->bytes) Vessel(), VesselSlotRelease{this});
}

void VesselArena::ChunkFree::operator()(Slot *chunk) const { std::free(chunk); }

void VesselArena::release(Vessel *v) {
    v->~Vessel();
    free_.push_back(reinterpret_cast<Slot *>(v));
}

}  // namespace quva
