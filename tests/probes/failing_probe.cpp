// A vessel module whose step callback fails: from the first step at or after the time its
// FAIL_AT line gives, clbkPostStep throws. It lets tests see what a caller of the host makes of
// a step cut short by a module.
#include <cstdio>
#include <stdexcept>
#include <strings.h>

#include "vessel_module.h"

class FailingProbe final : public VESSEL3 {
public:
    FailingProbe(OBJHANDLE h, int fmodel) : VESSEL3(h, fmodel) {}

    void clbkSetClassCaps(FILEHANDLE) override { SetEmptyMass(10.0); }

    void clbkLoadStateEx(FILEHANDLE scn, void *status) override {
        char *line;
        while (oapiReadScenario_nextline(scn, line)) {
            if (!strncasecmp(line, "FAIL_AT", 7)) std::sscanf(line + 7, "%lf", &failAt);
            else ParseScenarioLineEx(line, status);
        }
    }

    void clbkPostStep(double simt, double, double) override {
        if (failAt >= 0.0 && simt >= failAt) throw std::runtime_error("the probe fails on purpose");
    }

private:
    double failAt = -1.0;  // never
};

QUVA_VESSEL_MODULE(FailingProbe)
