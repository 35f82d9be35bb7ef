// Linux stand-in for the Windows loader's calls of DllMain. The Linux loader knows no such entry,
// so this file makes the two calls itself:
//   - process attach once when the library is loaded, after the library's static data are
//     initialised and with the library's own handle, the value the host's dlopen returns;
//   - process detach once when the library is unloaded, before its static data are torn down.
//
// It must be the LAST source of the module: GNU ld places each object's .init_array entries in
// link order, and the loader runs them in that order, so this file's initialiser runs after those
// of every other file of the module.
//
// On Windows the loader calls DllMain itself and this file compiles to nothing.
#if !defined(_WIN32)

#include <dlfcn.h>

#include <cstdlib>

#include "module_support.h"

namespace {

HINSTANCE ownHandle = nullptr;

// The handle under which the host loaded this library. Any address inside the library leads to
// its file; asking for that file without loading it again yields the loader's handle, the same
// value the host's dlopen returns. The look-up adds a reference, dropped at once so that the
// host's own dlclose still unloads the library.
HINSTANCE findOwnHandle() {
    Dl_info info;
    if (dladdr(&ownHandle, &info) == 0 || info.dli_fname == nullptr) return nullptr;
    void *handle = dlopen(info.dli_fname, RTLD_NOLOAD | RTLD_NOW);
    if (handle) dlclose(handle);
    return handle;
}

void processDetach() { DllMain(ownHandle, DLL_PROCESS_DETACH, nullptr); }

struct ProcessAttach {
    ProcessAttach() {
        ownHandle = findOwnHandle();
        DllMain(ownHandle, DLL_PROCESS_ATTACH, nullptr);
        // atexit in a shared library runs at its dlclose (or at process exit, whichever comes
        // first), in reverse order of registration. Registered after every static of the library
        // has been initialised, the detach therefore runs before any of them is destroyed.
        std::atexit(processDetach);
    }
};

ProcessAttach processAttach;

}  // namespace

FARPROC GetProcAddress(HINSTANCE module, const char *name) {
    if (module == nullptr) return nullptr;  // dlsym would take null for the global scope
    void *symbol = dlsym(module, name);
    if (symbol == nullptr) return nullptr;
    // dlsym also searches the library's dependencies; keep only what the library itself defines.
    Dl_info info;
    void *owner = nullptr;
    void *self = nullptr;
    if (dladdr1(symbol, &info, &owner, RTLD_DL_LINKMAP) == 0 || dlinfo(module, RTLD_DI_LINKMAP, &self) != 0 ||
        owner != self) {
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

#endif
