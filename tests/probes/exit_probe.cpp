// A test module that exports both exit functions the load/unload entry looks for. Each appends
// one line "NAME HANDLE" (the handle as an unsigned decimal number) to the file named by the
// environment variable QUVA_EXIT_PROBE_LOG, so that a test can read, after the module has gone,
// which function was called and with which module handle. A file outlives the unload, needs
// nothing from the host, and lets the test choose a fresh path for every run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "OrbiterAPI.h"

namespace {

void record(const char *function, HINSTANCE module) {
    const char *path = std::getenv("QUVA_EXIT_PROBE_LOG");
    if (path == nullptr) return;
    if (std::FILE *log = std::fopen(path, "ab")) {  // lines end in \n on every platform
        std::fprintf(log, "%s %ju\n", function, static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(module)));
        std::fclose(log);
    }
}

}  // namespace

DLLCLBK void ExitModule(HINSTANCE module) { record("ExitModule", module); }
DLLCLBK void opcDLLExit(HINSTANCE module) { record("opcDLLExit", module); }
