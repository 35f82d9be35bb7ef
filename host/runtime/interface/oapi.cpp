// The host's global functions.

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "OrbiterAPI.h"
#include "core/host_call.h"
#include "core/simulation.h"
#include "files/host_line_parser.h"
#include "files/host_line_writer.h"
#include "interface/module_introduction.h"
#include "platform/host_platform.h"

using quva::Simulation;
using quva::TraceHandle;

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif

namespace {

template <class R, class... A>
void out(const char *call, const R &ret, const A &...args) {
    if (Simulation *sim = Simulation::current()) quva::traceOut(*sim, sim->context(), call, ret, args...);
}

}  // namespace

double oapiGetSimTime() {
    Simulation *sim = Simulation::current();
    double t = sim ? sim->simTime() : 0.0;
    out("oapiGetSimTime", t);
    return t;
}

bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget) {
    Simulation *sim = Simulation::current();
    bool ok = false;
    if (sim) {
        auto *v = static_cast<quva::Vessel *>(hVessel);
        if (sim->isLive(v)) ok = sim->requestDeletion(*v);
        else sim->warn("oapiDeleteVessel was given a handle that names no vessel");
    }
    out("oapiDeleteVessel", ok, TraceHandle{hVessel}, TraceHandle{hAlternativeCameraTarget});
    return ok;
}

double oapiGetInducedDrag(double cl, double A, double e) {
    double cd = cl * cl / (PI * A * e);
    out("oapiGetInducedDrag", cd, cl, A, e);
    return cd;
}

const MESHHANDLE oapiLoadMeshGlobal(const char *fname) {
    Simulation *sim = Simulation::current();
    const quva::Mesh *mesh = nullptr;
    if (sim) {
        std::string problem;
        mesh = sim->meshes().load(fname ? fname : "", &problem);
        if (!mesh) sim->warn(problem);
    }
    MESHHANDLE h = const_cast<quva::Mesh *>(mesh);
    out("oapiLoadMeshGlobal", TraceHandle{h}, fname);
    return h;
}

bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line) {
    auto *r = static_cast<quva::ScenarioReadHandle *>(scn);
    bool more = r && r->lines && r->next < r->lines->size();
    if (more) {
        const quva::ScenarioLine &l = (*r->lines)[r->next++];
        r->buffer = l.text;
        r->line = l.line;
        line = r->buffer.data();
    }
    out("oapiReadScenario_nextline", more, TraceHandle{scn}, more ? static_cast<const char *>(line) : nullptr);
    return more;
}

void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string) {
    out("oapiWriteScenario_string", quva::NoResult{}, TraceHandle{scn}, static_cast<const char *>(item),
        static_cast<const char *>(string));
    if (auto *w = static_cast<quva::ScenarioWriteHandle *>(scn)) quva::writeScenarioItem(w->text, item, string);
}

int Date2Int(char *date) {
    static const char *const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    int result = 0;
    if (date) {
        char mon[4] = {0, 0, 0, 0};
        int day = 0, year = 0;
        if (std::sscanf(date, "%3s %d %d", mon, &day, &year) == 3) {
            for (int m = 0; m < 12; ++m) {
                bool same = true;
                for (int k = 0; k < 3; ++k)
                    if (std::tolower(static_cast<unsigned char>(mon[k])) != months[m][k]) same = false;
                if (same) result = (year % 100) * 10000 + (m + 1) * 100 + day;
            }
        }
    }
    out("Date2Int", result, static_cast<const char *>(date));
    return result;
}

void InitLib(HINSTANCE hModule) {
    out("InitLib", quva::NoResult{}, TraceHandle{hModule});
    // The module's own build date and interface version, as the module reports them.
    std::string name = "?";
    std::filesystem::path file = quva::platform::libraryFile(hModule);
    if (!file.empty()) name = file.stem().string();
    auto dateFn = reinterpret_cast<const char *(*)()>(quva::platform::findSymbol(hModule, "ModuleDate"));
    auto versionFn = reinterpret_cast<int (*)()>(quva::platform::findSymbol(hModule, "GetModuleVersion"));
    int build = 0;
    if (dateFn) {
        std::string date = dateFn() ? dateFn() : "";
        build = Date2Int(date.data());
    }
    int api = versionFn ? versionFn() : 0;
    std::string line = "Module " + name + " ";
    while (line.size() < 30) line += '.';
    line += " [Build " + std::to_string(build) + ", API " + std::to_string(api) + "]";
    if (quva::ModuleRegistry *reg = quva::ModuleRegistry::loading()) reg->recordInitLib({hModule, line});
    auto init = reinterpret_cast<void (*)(HINSTANCE)>(quva::platform::findSymbol(hModule, "InitModule"));
    if (!init) init = reinterpret_cast<void (*)(HINSTANCE)>(quva::platform::findSymbol(hModule, "opcDLLInit"));
    if (init) init(hModule);
}
