// A vessel module for testing the host: it does what its scenario lines tell it, so that tests
// can make the host face deletion requests, repeated requests and attachments.
//   DELETE_AT T N   from the first step at or after simulation time T, ask N times per step
//   ONCE            ask in one step only
//   ANIMATE_AT T    in the first step at or after simulation time T, create an animation (at state 0.5)
//   SET_AT T WHAT X  hand the host the value X (read by strtod: "nan", "-1") for WHAT (EmptyMass, Size,
//                    CrossSections, AirfoilArea or PropellantMax) in the first step at or after time
//                    T; a negative T: as the line is read
//   PUSH_AT T FX FY FZ X Y Z  from the first step at or after time T, add the force F (N, vessel
//                   axes) at the point (X, Y, Z) in every step
//   THROW_AT T      throw std::runtime_error("probe failure") from the first step at or after time
//                   T; a negative T: as the line is read
// Built four ways: as a well-behaved module (HostProbe), as one whose ovcInit returns no object
// (NullProbe), as one that lacks ovcExit (NoExitProbe) and as one that lacks ovcInit (NoInitProbe).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
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
            else if (!strncasecmp(line, "SET_AT", 6)) readSet(line + 6);
            else if (!strncasecmp(line, "THROW_AT", 8)) std::sscanf(line + 8, "%lf", &throwAt);
            else if (!strncasecmp(line, "PUSH_AT", 7))
                std::sscanf(line + 7, "%lf %lf %lf %lf %lf %lf %lf", &pushAt, &push.x, &push.y, &push.z, &pushPoint.x,
                            &pushPoint.y, &pushPoint.z);
            else ParseScenarioLineEx(line, status);
            if (throwAt < 0.0 && throwAt > -1e300) throw std::runtime_error("probe failure");
            if (setAt < 0.0 && setWhat[0]) handOver();
        }
    }

    void clbkPostStep(double, double, double) override {
        if (throwAt >= 0.0 && oapiGetSimTime() >= throwAt) throw std::runtime_error("probe failure");
        if (setAt >= 0.0 && setWhat[0] && oapiGetSimTime() >= setAt) handOver();
        if (pushAt >= 0.0 && oapiGetSimTime() >= pushAt) AddForce(push, pushPoint);
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
    void readSet(const char *text) {
        char what[sizeof setWhat] = "", value[32] = "";
        if (std::sscanf(text, "%lf %31s %31s", &setAt, what, value) == 3) {
            std::memcpy(setWhat, what, sizeof setWhat);
            setValue = std::strtod(value, nullptr);
        }
    }

    void handOver() {
        const double x = setValue;
        if (!std::strcmp(setWhat, "EmptyMass")) SetEmptyMass(x);
        else if (!std::strcmp(setWhat, "Size")) SetSize(x);
        else if (!std::strcmp(setWhat, "CrossSections")) SetCrossSections(_V(1, x, 1));
        else if (!std::strcmp(setWhat, "AirfoilArea")) CreateAirfoil(LIFT_VERTICAL, _V(0, 0, 0), nullptr, 1.0, x, 1.0);
        else if (!std::strcmp(setWhat, "PropellantMax")) CreatePropellantResource(x);
        setWhat[0] = '\0';
    }

    double throwAt = -1e308;  // never
    double setAt = 0.0;
    // Plain text, not std::string: a module carries its own C++ runtime, and on Windows the host
    // runtime's import library offers the same string functions again.
    char setWhat[32] = "";
    double setValue = 0.0;
    double deleteAt = 0.0;
    double animateAt = -1.0;  // none
    double pushAt = -1.0;     // none
    VECTOR3 push = _V(0, 0, 0), pushPoint = _V(0, 0, 0);
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
