// Host functions through which a module that carries its own load/unload entry introduces
// itself and asks for its interface version. The public headers leave them out: a module that
// uses them declares them itself, at the point of use, as functions imported from the host.
// This header is the runtime's own declaration of what it defines and exports.
#ifndef QUVA_RUNTIME_MODULE_INTRODUCTION_H
#define QUVA_RUNTIME_MODULE_INTRODUCTION_H

#include "OrbiterAPI.h"

// Logs the module's build date and version, then calls its InitModule (or opcDLLInit) export.
OAPIFUNC void InitLib(HINSTANCE hModule);

// "Mmm dd yyyy" as the number yymmdd; 0 for text that is no such date.
OAPIFUNC int Date2Int(char *date);

#endif
