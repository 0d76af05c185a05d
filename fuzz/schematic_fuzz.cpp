// Feeds arbitrary bytes to the host's readers of user files: the schematic reader, the
// edit-script reader and the catalogue reader. Each must refuse what it cannot use with a
// message and never crash; what the schematic reader accepts must read back the same after
// being written.
#include "editor/catalogue.h"
#include "editor/edit_script.h"
#include "editor/schematic.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;

    qv::Schematic schematic;
    if (qv::ReadSchematic(text, schematic, error)) {
        const std::string written = qv::WriteSchematic(schematic);
        qv::Schematic again;
        if (!qv::ReadSchematic(written, again, error) || qv::WriteSchematic(again) != written) std::abort();
    }

    std::vector<qv::ScriptAction> actions;
    qv::ParseEditScript(text, actions, error);

    qv::Catalogue catalogue;
    catalogue.LoadText(text, "fuzz.json", error);
    return 0;
}
