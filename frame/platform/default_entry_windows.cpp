// The load/unload entry of a Windows module that brings none of its own: the platform's usual
// default, which tells the loader that the library wants no notice of threads starting and ending
// and otherwise does nothing. (The MinGW runtime's own default would take every notice.)
#if defined(_WIN32)

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    return TRUE;
}

#endif
