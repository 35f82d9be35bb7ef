// What every vessel module shares: the host interface, the lifecycle of expendable vessels and
// the two exports through which the host creates and destroys vessel objects.
#ifndef QUVA_FRAME_VESSEL_MODULE_H
#define QUVA_FRAME_VESSEL_MODULE_H

#include <new>

#include "Orbitersdk.h"
#include "expendable_vessel.h"

namespace frame {

// Allocates one vessel object. When no memory is obtained the host gets null and no host
// function is called, since the object (and so its host base) is never constructed.
template <class Vessel>
VESSEL *createVessel(OBJHANDLE vesselHandle, int flightModel) {
    Vessel *vessel = new (std::nothrow) Vessel(vesselHandle, flightModel);
    return vessel;
}

// Deletes through the module's own class: the host classes have no virtual destructor, so
// deleting through the VESSEL pointer would not release the object correctly.
template <class Vessel>
void destroyVessel(VESSEL *vessel) {
    if (!vessel) return;
    delete static_cast<Vessel *>(vessel);
}

}  // namespace frame

// Defines the module's two exports for its one vessel class.
#define QUVA_VESSEL_MODULE(Class)                                                              \
    DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel) {                              \
        return frame::createVessel<Class>(hvessel, flightmodel);                               \
    }                                                                                          \
    DLLCLBK void ovcExit(VESSEL *vessel) { frame::destroyVessel<Class>(vessel); }

#endif
