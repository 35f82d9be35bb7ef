// Access to the host's private parts of the VESSEL base of a module's object.
#pragma once

#include "VesselAPI.h"
#include "core/vessel.h"

namespace quva {

struct VesselAccess {
    static Vessel &record(const VESSEL *v) { return *static_cast<Vessel *>(v->vessel); }
    static short version(const VESSEL *v) { return v->version; }
};

}  // namespace quva
