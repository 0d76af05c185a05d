// A module without an entry point that depends on TestModule (which has one).
#include "win32/module.h"

extern "C" int TestModuleValue();

extern "C" QV_EXPORT int TestPlainValue() { return TestModuleValue() + 1; }
