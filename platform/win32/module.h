// Module loading over the dynamic loader. LoadLibraryA maps "X.dll" to "X.so" in the same
// folder, runs the module's exported DllMain (if any) with reason 1 on the first load and
// with reason 0 when the last reference is freed.
#pragma once

#include "wintypes.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
void* GetProcAddress(HMODULE module, LPCSTR procName);
// Full path of a module; null module means the running executable. Returns the number of
// characters copied (without the terminator), 0 on failure; truncates to size-1.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

namespace qv {
// The dynamic loader's handle behind a module handle (nullptr for null/unknown modules).
void* ModuleNativeHandle(HMODULE module);
}
