// Module support: the build date and interface version that a module reports to the host, and
// the load/unload entry through which a module introduces itself to the host when it is loaded
// and calls its optional exit function when it is unloaded. Only the modules that list this code
// among their sources carry it; the others load with the platform's default entry.
#ifndef QUVA_FRAME_MODULE_SUPPORT_H
#define QUVA_FRAME_MODULE_SUPPORT_H

#include "OrbiterAPI.h"
#include "platform/platform.h"

// The module's build date, "Mmm dd yyyy". Constant text: the caller must not change or free it.
DLLCLBK const char *ModuleDate();

// The host interface version the module was written for, as the host's Date2Int gives it. Asked
// of the host once per load; a result of 0 is not kept, so the next call asks again.
DLLCLBK int GetModuleVersion();

// The load/unload entry. On process attach: introduce the module to the host (InitLib) and look
// up its exit function, "ExitModule" before "opcDLLExit"; on process detach: call that function,
// if one was found, with the module handle. Thread notices are ignored. Always reports success.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void *reserved);

#endif
