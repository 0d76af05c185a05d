// Feeds arbitrary bytes to the host's readers of user files: the schematic reader, the
// edit-script reader and the catalogue reader. Each must refuse what it cannot use with a
// message and never crash; what the schematic reader accepts must read back the same after
// being written. A message quotes only the first bytes of a text, so that none of its lines
// is long however long the input's texts are.
#include "editor/catalogue.h"
#include "editor/edit_script.h"
#include "editor/schematic.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A few quoted texts of at most 200 bytes each and the words around them.
constexpr size_t kLongestMessageLine = 2000;

void CheckMessage(const std::string& message) {
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > kLongestMessageLine) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;

    qv::Schematic schematic;
    if (qv::ReadSchematic(text, schematic, error)) {
        const std::string written = qv::WriteSchematic(schematic);
        qv::Schematic again;
        if (!qv::ReadSchematic(written, again, error) || qv::WriteSchematic(again) != written) std::abort();
    } else {
        CheckMessage(error);
    }

    std::vector<qv::ScriptAction> actions;
    if (!qv::ParseEditScript(text, actions, error)) CheckMessage(error);

    qv::Catalogue catalogue;
    if (!catalogue.LoadText(text, "fuzz.json", error)) CheckMessage(error);
    return 0;
}
