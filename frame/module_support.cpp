#include "module_support.h"

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
        char interfaceDate[] = "Aug 30 2010";
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
