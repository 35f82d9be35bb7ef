// A vessel module for testing the host: it does what its scenario lines tell it, so that tests
// can make the host face deletion requests, repeated requests and attachments.
//   DELETE_AT T N   from the first step at or after simulation time T, ask N times per step
//   ONCE            ask in one step only
//   ANIMATE_AT T    in the first step at or after simulation time T, create an animation (at state 0.5)
// Built four ways: as a well-behaved module (HostProbe), as one whose ovcInit returns no object
// (NullProbe), as one that lacks ovcExit (NoExitProbe) and as one that lacks ovcInit (NoInitProbe).
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "vessel_module.h"

class HostProbe final : public VESSEL3 {
public:
    HostProbe(OBJHANDLE h, int fmodel) : VESSEL3(h, fmodel) {}

    void clbkSetClassCaps(FILEHANDLE) override {
        SetEmptyMass(10.0);
        CreateAttachment(true, _V(0, 0, 0), _V(0, 0, -1), _V(0, 1, 0), "X");
        CreateAttachment(false, _V(0, 0, 1), _V(0, 0, 1), _V(0, 1, 0), "X");
    }

    void clbkLoadStateEx(FILEHANDLE scn, void *status) override {
        char *line;
        while (oapiReadScenario_nextline(scn, line)) {
            if (!strncasecmp(line, "DELETE_AT", 9)) std::sscanf(line + 9, "%lf %d", &deleteAt, &requests);
            else if (!strncasecmp(line, "ONCE", 4)) once = true;
            else if (!strncasecmp(line, "ANIMATE_AT", 10)) std::sscanf(line + 10, "%lf", &animateAt);
            else ParseScenarioLineEx(line, status);
        }
    }

    void clbkPostStep(double, double, double) override {
        if (animateAt >= 0.0 && oapiGetSimTime() >= animateAt) {
            CreateAnimation(0.5);
            animateAt = -1.0;
        }
        if (requests <= 0 || oapiGetSimTime() < deleteAt || (once && asked)) return;
        OBJHANDLE self = GetHandle();
        for (int i = 0; i < requests; ++i) oapiDeleteVessel(self);
        asked = true;
        // The vessel must stay usable until this callback returns.
        GetMass();
        GetAttachmentStatus(GetAttachmentHandle(false, 0));
    }

private:
    double deleteAt = 0.0;
    double animateAt = -1.0;  // none
    int requests = 0;
    bool once = false;
    bool asked = false;
};

#if defined(PROBE_NULL_INIT)
DLLCLBK VESSEL *ovcInit(OBJHANDLE, int) { return nullptr; }
DLLCLBK void ovcExit(VESSEL *vessel) { frame::destroyVessel<HostProbe>(vessel); }
#elif defined(PROBE_NO_INIT)
DLLCLBK void ovcExit(VESSEL *vessel) { frame::destroyVessel<HostProbe>(vessel); }
#elif defined(PROBE_NO_EXIT)
DLLCLBK VESSEL *ovcInit(OBJHANDLE h, int fmodel) { return frame::createVessel<HostProbe>(h, fmodel); }
DLLCLBK void ovcQuit(VESSEL *vessel) { frame::destroyVessel<HostProbe>(vessel); }
#else
QUVA_VESSEL_MODULE(HostProbe)
#endif
