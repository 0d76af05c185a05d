// qvhost: the command-line host of the stand-in editor.
//
// Exit codes: 0 success, 1 usage error, 2 bad input (a plug-in that cannot be loaded or
// lacks its factories).

#include "afx/afx.h"
#include "framework/factories.h"
#include "win32/win32.h"
#include "wizard/wizard.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitBadInput = 2;

const char kUsage[] =
    "usage: qvhost <command> [options]\n"
    "\n"
    "commands:\n"
    "  --help                       show this text\n"
    "  list-wizards [--plugin PATH] load the plug-in and list every ID of both wizard\n"
    "                               factories with its base and the class it yields\n"
    "                               (\"not built\" for an ID whose wizard does not exist yet)\n"
    "\n"
    "The plug-in defaults to Parvel.so beside this program.\n";

typedef CWizardBase3* (*Factory3)(int);
typedef CWizardBase4* (*Factory4)(unsigned int);
typedef size_t (*FactoryTableFn)(const QvFactoryInfo**);

// The folder of this program, ending in '/': the editor's installation folder, where the
// plug-in and its language module are built.
std::string HostFolder() {
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string self(buffer, length);
    const size_t slash = self.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : self.substr(0, slash + 1);
}

const char* ClassNameOf(const CObject* object) {
    const CRuntimeClass* runtimeClass = object->GetRuntimeClass();
    return runtimeClass != nullptr && runtimeClass->m_lpszClassName != nullptr ? runtimeClass->m_lpszClassName : "?";
}

int ListWizards(const std::string& pluginPath) {
    HMODULE plugin = LoadLibraryA(pluginPath.c_str());
    if (plugin == nullptr) {
        std::fprintf(stderr, "qvhost: cannot load the plug-in %s\n", pluginPath.c_str());
        return kExitBadInput;
    }
    auto create3 = reinterpret_cast<Factory3>(GetProcAddress(plugin, "CreateWizardInstance"));
    auto create4 = reinterpret_cast<Factory4>(GetProcAddress(plugin, "CreateWizard4Instance"));
    auto table = reinterpret_cast<FactoryTableFn>(GetProcAddress(plugin, "QvGetFactoryTable"));
    if (create3 == nullptr || create4 == nullptr || table == nullptr) {
        std::fprintf(stderr, "qvhost: %s does not export the wizard factories\n", pluginPath.c_str());
        FreeLibrary(plugin);
        return kExitBadInput;
    }
    const QvFactoryInfo* entries = nullptr;
    const size_t count = table(&entries);
    int built = 0;
    std::printf("base\tid\tclass\n");
    for (size_t i = 0; i < count; ++i) {
        const QvFactoryInfo& entry = entries[i];
        std::string shown;
        if (entry.base == 3) {
            if (CWizardBase3* wizard = create3(static_cast<int>(entry.id))) {
                shown = ClassNameOf(wizard);
                delete wizard;
            }
        } else {
            if (CWizardBase4* wizard = create4(entry.id)) {
                shown = ClassNameOf(wizard);
                delete wizard;
            }
        }
        if (shown.empty())
            shown = std::string("not built (") + entry.className + ")";
        else
            ++built;
        std::printf("%d\t%u\t%s\n", entry.base, entry.id, shown.c_str());
    }
    std::printf("%d of %zu wizard IDs built\n", built, count);
    FreeLibrary(plugin);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    qv::SetQuorvatixPath(HostFolder().c_str());
    if (args[0] == "list-wizards") {
        std::string plugin = HostFolder() + "Parvel.so";
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--plugin" && i + 1 < args.size()) {
                plugin = args[++i];
            } else {
                std::fprintf(stderr, "qvhost: list-wizards: unexpected argument '%s'\n%s", args[i].c_str(), kUsage);
                return kExitUsage;
            }
        }
        return ListWizards(plugin);
    }
    std::fprintf(stderr, "qvhost: unknown command '%s'\n%s", args[0].c_str(), kUsage);
    return kExitUsage;
}
