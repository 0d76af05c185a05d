// The journal reader on arbitrary bytes: it reads a journal or refuses it with a short
// one-line reason, and reads the same whether the bytes come whole or in two pieces. A journal
// it reads names only plain targets with the temporary and backup names the owner makes of
// them, and folders in normal form, and reads back the same once written again.
#include "editor/journal_format.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using qv::journal::Journal;

bool Same(const Journal& a, const Journal& b) {
    if (a.torn != b.torn || a.main != b.main || a.id != b.id || a.mainFolder != b.mainFolder ||
        a.folders != b.folders || a.files.size() != b.files.size())
        return false;
    for (size_t i = 0; i < a.files.size(); ++i)
        if (a.files[i].target != b.files[i].target || a.files[i].temporary != b.files[i].temporary ||
            a.files[i].backup != b.files[i].backup)
            return false;
    return true;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
           name != qv::journal::kJournalName && name != qv::journal::kCommittedName;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Journal whole;
    std::string why;
    const bool read = qv::journal::Parse(bytes, whole, why);
    if (read != why.empty() || why.size() > 200 || why.find('\n') != std::string::npos) std::abort();

    const size_t split = size == 0 ? 0 : size * data[0] / 256;
    qv::journal::Parser pieces;
    Journal inPieces;
    const bool readInPieces =
        pieces.Feed(bytes.substr(0, split)) && pieces.Feed(bytes.substr(split)) && pieces.Finish(inPieces);
    if (readInPieces != read || pieces.Why() != why || (read && !Same(whole, inPieces))) std::abort();
    if (!read || whole.torn) return 0;

    std::string again = whole.main ? qv::journal::MainHeader(whole.id) : qv::journal::PartHeader(whole.id, whole.mainFolder);
    for (const std::string& folder : whole.folders) {
        if (folder.empty() || folder[0] != '/' || folder.find("/../") != std::string::npos) std::abort();
        again += qv::journal::FolderRecord(folder);
    }
    for (const Journal::File& file : whole.files) {
        const std::string temporary = file.TemporaryName();
        const std::string backup = file.BackupName();
        if (!IsPlainName(file.target) || !IsPlainName(temporary) || temporary == file.target ||
            (file.backup >= 0 && (!IsPlainName(backup) || backup == file.target || backup == temporary)))
            std::abort();
        again += qv::journal::FileRecord(file.target, temporary, backup);
    }
    Journal reread;
    if (!qv::journal::Parse(again, reread, why) || !Same(whole, reread)) std::abort();
    return 0;
}
