// The platform layer: everything the module-support code needs from the operating system's
// library loader, under the loader's own names. On Windows these come from windows.h and the
// loader calls DllMain itself. On Linux the names are defined here, and module_entry_linux.cpp
// plays the loader's part.
#ifndef QUVA_FRAME_PLATFORM_PLATFORM_H
#define QUVA_FRAME_PLATFORM_PLATFORM_H

#include "OrbiterAPI.h"

#if defined(_WIN32)

#include <windows.h>

#else

#ifndef WINAPI
#define WINAPI
#endif
#ifndef TRUE
#define TRUE 1
#endif

// Notices given to the load/unload entry.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

typedef void (*FARPROC)();

// The function or data that the library `module` itself exports under `name`, or null. Only the
// library's own exports count, as on Windows: a symbol found in one of its dependencies is not
// the library's, and a null module finds nothing.
FARPROC GetProcAddress(HINSTANCE module, const char *name);

#endif

#endif
