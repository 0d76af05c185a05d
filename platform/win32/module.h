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
// characters copied (without the terminator), 0 on failure. A path that does not fit is cut
// to size-1 characters and terminated; the answer is then `size` and the last error
// ERROR_INSUFFICIENT_BUFFER, as on the original platform.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
// A module already loaded with LoadLibraryA, found by its name as given to LoadLibraryA or by
// its file name ("X.dll" and "X.so" both name X.so); does not add a reference. A null name
// means the running executable.
HMODULE GetModuleHandleA(LPCSTR moduleName);

// The calling thread's last error, set by the loader's failures.
DWORD GetLastError();
void SetLastError(DWORD error);

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_BAD_FORMAT 11
#define ERROR_BAD_EXE_FORMAT 193
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_DLL_INIT_FAILED 1114

namespace qv {
// The dynamic loader's handle behind a module handle (nullptr for null/unknown modules).
void* ModuleNativeHandle(HMODULE module);
// Counts the modules unloaded so far: what was learnt about a native handle stays true while
// this number is unchanged (the loader may hand the same handle to another library later).
unsigned long ModuleUnloadCount();
}
