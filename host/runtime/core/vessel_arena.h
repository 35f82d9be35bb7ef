// Storage for the host's vessel records: chunks filled in creation order, so that a step that
// walks the vessels walks memory forwards instead of jumping between scattered heap blocks. The
// chunks grow from a few records to 2 MiB, where (if the system grants huge pages) a large
// fleet needs few address translations, while a simulation of a few vessels, made and dropped
// thousands of times by a script, costs no more than those few. Records keep their address for
// life; a removed record's slot is reused.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "core/vessel.h"

namespace quva {

class VesselArena;

struct VesselSlotRelease {
    VesselArena *arena = nullptr;
    void operator()(Vessel *v) const;
};

using VesselPtr = std::unique_ptr<Vessel, VesselSlotRelease>;

class VesselArena {
public:
    VesselArena() = default;
    VesselArena(const VesselArena &) = delete;
    VesselArena &operator=(const VesselArena &) = delete;

    VesselPtr make();  // a default-constructed record
    void release(Vessel *v);

private:
    struct Slot {
        alignas(Vessel) unsigned char bytes[sizeof(Vessel)];
    };
    static constexpr std::size_t kChunkBytes = std::size_t{2} << 20;
    static constexpr std::size_t kChunk = kChunkBytes / sizeof(Slot);
    static constexpr std::size_t kFirstChunk = 8;  // records; each chunk after doubles, up to kChunk

    struct ChunkFree {
        void operator()(Slot *chunk) const;
    };

    std::vector<std::unique_ptr<Slot, ChunkFree>> chunks_;
    std::size_t usedInLast_ = 0;
    std::size_t sizeOfLast_ = 0;  // records the last chunk holds
    std::vector<Slot *> free_;
};

}  // namespace quva
