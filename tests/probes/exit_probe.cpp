// A test module that probes the load/unload entry. It appends one line "NAME HANDLE" (the handle
// as an unsigned decimal number) to the file named by the environment variable
// QUVA_EXIT_PROBE_LOG for each of its functions that is called, so that a test can read, after
// the module has gone, which ones ran and with which module handle. A file outlives the unload,
// needs nothing from the host, and lets the test choose a fresh path for every run.
//
// The path is read once, by a static initialiser of this file. InitModule, which the host's
// InitLib calls while the module introduces itself, can therefore log only when the entry runs
// after this file's initialisers, as it must: a module whose entry ran first would log nothing.
//
// Built with PROBE_FALLBACK_EXIT_ONLY it exports only the fallback exit function, opcDLLExit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "OrbiterAPI.h"

namespace {

const char *const logPath = std::getenv("QUVA_EXIT_PROBE_LOG");

void record(const char *function, HINSTANCE module) {
    if (logPath == nullptr) return;
    if (std::FILE *log = std::fopen(logPath, "ab")) {  // lines end in \n on every platform
        std::fprintf(log, "%s %ju\n", function, static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(module)));
        std::fclose(log);
    }
}

}  // namespace

#if !defined(PROBE_FALLBACK_EXIT_ONLY)
DLLCLBK void InitModule(HINSTANCE module) { record("InitModule", module); }
DLLCLBK void ExitModule(HINSTANCE module) { record("ExitModule", module); }
#endif
DLLCLBK void opcDLLExit(HINSTANCE module) { record("opcDLLExit", module); }
