#include "module_support.h"

// The two host functions this code needs. The host's public headers do not declare them, so they
// are declared here, where they are used, as functions the module imports from the host.
#if defined(_WIN32)
#define QUVA_IMPORTED_FROM_HOST __declspec(dllimport)
#else
#define QUVA_IMPORTED_FROM_HOST __attribute__((visibility("default")))
#endif

// Introduces the module, given its own handle, to the host.
QUVA_IMPORTED_FROM_HOST void InitLib(HINSTANCE hModule);
// The host's number for a date text "Mmm dd yyyy"; the text must be writable.
QUVA_IMPORTED_FROM_HOST int Date2Int(char *date);

// The date of the host interface the module was written for. A test build may name another, to
// see what the module does with a date the host cannot read.
#ifndef QUVA_INTERFACE_DATE
#define QUVA_INTERFACE_DATE "Aug 30 2010"
#endif

namespace {

// An exit function takes the module handle; anything it returns is ignored.
typedef void (*ModuleExitFunc)(HINSTANCE module);

// Found at process attach, called at process detach. Null when the module exports neither name.
ModuleExitFunc moduleExit = nullptr;

// 0 until the host has given a non-zero version number.
int moduleVersion = 0;

ModuleExitFunc findExitFunction(HINSTANCE module) {
    FARPROC exit = GetProcAddress(module, "ExitModule");
    if (!exit) exit = GetProcAddress(module, "opcDLLExit");
    // Through the generic function pointer type, which converts to any other without warning.
    return reinterpret_cast<ModuleExitFunc>(reinterpret_cast<void (*)()>(exit));
}

}  // namespace

DLLCLBK const char *ModuleDate() { return "Jun 12 2013"; }

DLLCLBK int GetModuleVersion() {
    if (moduleVersion == 0) {
        // A fresh copy for each call: the host's Date2Int takes writable text.
        char interfaceDate[] = QUVA_INTERFACE_DATE;
        moduleVersion = Date2Int(interfaceDate);
    }
    return moduleVersion;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void * /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        InitLib(module);
        moduleExit = findExitFunction(module);
        break;
    case DLL_PROCESS_DETACH:
        if (moduleExit) moduleExit(module);
        break;
    default:  // thread notices
        break;
    }
    return TRUE;
}
