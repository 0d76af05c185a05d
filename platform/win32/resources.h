// Resources of a module: every module that carries resources embeds the text of its
// resource script (see resources/CMakeLists.txt); it is parsed once, on first use.
#pragma once

#include "resource_script.h"
#include "wintypes.h"

#include <string>

namespace qv {
// The parsed resources of a module, or nullptr when the module carries none (or its
// script does not parse, which the build prevents for the shipped modules).
const ResourceScript* GetModuleResources(HMODULE module);
// The string with the given ID from the module's string table; false when absent.
bool LoadStringResource(HMODULE module, UINT id, std::string& out);
}

// Win32 form: copies at most size-1 characters and a terminator; returns the length copied,
// 0 when the string does not exist.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
