// Placeholder until the resource loader lands; answers "no resources".
#include "resources.h"
namespace qv {
const ResourceScript* GetModuleResources(HMODULE) { return nullptr; }
bool LoadStringResource(HMODULE, UINT, std::string&) { return false; }
}
int LoadStringA(HINSTANCE, UINT, LPSTR buffer, int size) { if (buffer && size > 0) buffer[0] = 0; return 0; }
