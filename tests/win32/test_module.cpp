// A module for the loader tests: its entry point reports every call to the test program and
// answers what the test program tells it to.
#include "win32/module.h"

extern "C" {
// Provided by the test program (weak, so the module also loads into other processes).
void Win32TestRecordEntry(HINSTANCE instance, DWORD reason) __attribute__((weak));
BOOL Win32TestAttachAnswer() __attribute__((weak));

QV_EXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (Win32TestRecordEntry)
        Win32TestRecordEntry(instance, reason);
    if (reason == DLL_PROCESS_ATTACH && Win32TestAttachAnswer)
        return Win32TestAttachAnswer();
    return TRUE;
}

QV_EXPORT int TestModuleValue() { return 42; }
}
