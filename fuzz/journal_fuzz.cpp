// The journal reader on arbitrary bytes: it reads a journal or refuses it with a short
// one-line reason, and reads the same whether the bytes come whole or in two pieces. A journal
// it reads names only plain targets, numbered in order, whose temporary and backup names are
// distinct names in the private folder (and, of the earlier version, distinct plain names
// beside them), and folders in normal form, and reads back the same once written again. The input is
// also read as the texts of records sealed as the owner seals them, so that the checks behind
// the checksums meet arbitrary names.
#include "editor/journal_format.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using qv::journal::Journal;

bool Same(const Journal& a, const Journal& b) {
    if (a.torn != b.torn || a.main != b.main || a.id != b.id || a.mainFolder != b.mainFolder ||
        a.folders != b.folders || a.files.size() != b.files.size())
        return false;
    for (size_t i = 0; i < a.files.size(); ++i)
        if (a.files[i].target != b.files[i].target || a.files[i].index != b.files[i].index ||
            a.files[i].replaces != b.files[i].replaces)
            return false;
    return true;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos &&
           name.rfind(qv::journal::kOwnPrefix, 0) != 0;
}

// Checks the bytes as they are, split in two pieces at `split256` / 256 of their length.
void CheckBytes(std::string_view bytes, unsigned split256) {
    const size_t size = bytes.size();
    Journal whole;
    std::string why;
    const bool read = qv::journal::Parse(bytes, whole, why);
    if (read != why.empty() || why.size() > 200 || why.find('\n') != std::string::npos) std::abort();

    const size_t split = size * (split256 % 256) / 256;
    qv::journal::Parser pieces;
    Journal inPieces;
    const bool readInPieces =
        pieces.Feed(bytes.substr(0, split)) && pieces.Feed(bytes.substr(split)) && pieces.Finish(inPieces);
    if (readInPieces != read || pieces.Why() != why || (read && !Same(whole, inPieces))) std::abort();
    if (!read || whole.torn) return;

    std::string again = whole.main ? qv::journal::MainHeader(whole.id) : qv::journal::PartHeader(whole.id, whole.mainFolder);
    for (const std::string& folder : whole.folders) {
        if (folder.empty() || folder[0] != '/' || folder.find("/../") != std::string::npos) std::abort();
        again += qv::journal::FolderRecord(folder);
    }
    std::set<std::string> owned;
    // A journal of the earlier version: its names beside the targets are plain names, each
    // given once, none a target.
    std::set<std::string> beside;
    for (const Journal::File& file : whole.files) {
        if (whole.version != 2) {
            if (!file.besideTemporary.empty() || !file.besideBackup.empty()) std::abort();
            continue;
        }
        // ".qvhost-x.qvtmp" (of the target "qvhost-x") is one too: it ends as no name of this
        // version's own does.
        const auto besideName = [](const std::string& name) {
            return IsPlainName(name) || (IsPlainName("x" + name) && (name.find(".qvtmp") != std::string::npos ||
                                                                      name.find(".qvold") != std::string::npos));
        };
        if (!besideName(file.besideTemporary) || file.besideBackup.empty() == file.replaces ||
            (file.replaces && !besideName(file.besideBackup)))
            std::abort();
        for (const std::string& name : {file.target, file.besideTemporary, file.besideBackup})
            if (!name.empty() && !beside.insert(name).second) std::abort();
    }
    for (size_t i = 0; i < whole.files.size(); ++i) {
        const Journal::File& file = whole.files[i];
        const std::string temporary = file.TemporaryName();
        const std::string backup = file.BackupName();
        if (!IsPlainName(file.target) || file.index != i || !IsPlainName(temporary) || !owned.insert(temporary).second ||
            (file.replaces && (!IsPlainName(backup) || !owned.insert(backup).second)) || (!file.replaces && !backup.empty()))
            std::abort();
        again += qv::journal::FileRecord(file.target, file.index, file.replaces);
    }
    Journal reread;
    if (!qv::journal::Parse(again, reread, why) || !Same(whole, reread)) std::abort();
}


// The input as the texts of records that are sealed as the owner seals them (pieces between
// NUL bytes: the first the main folder of a folder's journal, or empty for a main journal;
// then a folder, or a file's target, index (its digits; none: the next in order) and whether
// it replaces an earlier file (any byte) between bytes 1), so that the checks behind the
// checksums see arbitrary names and indexes too. Cut anywhere in its last record, it
// reads as without that record.
void CheckSealed(std::string_view bytes) {
    std::vector<std::string> pieces(1);
    for (const char c : bytes) {
        if (c == '\0') pieces.emplace_back();
        else pieces.back() += c;
    }
    const std::string id = "0123456789abcdef0123456789abcdef";
    std::string sealed = pieces[0].empty() ? qv::journal::MainHeader(id) : qv::journal::PartHeader(id, pieces[0]);
    std::string last;
    unsigned files = 0;
    for (size_t i = 1; i < pieces.size(); ++i) {
        std::vector<std::string> parts(1);
        for (const char c : pieces[i]) {
            if (c == '\x01') parts.emplace_back();
            else parts.back() += c;
        }
        parts.resize(std::max<size_t>(parts.size(), 3));
        unsigned index = files;
        if (!parts[1].empty()) index = static_cast<unsigned>(std::strtoul(parts[1].c_str(), nullptr, 10));
        last = pieces[i].find('\x01') == std::string::npos ? qv::journal::FolderRecord(parts[0])
                                                            : qv::journal::FileRecord(parts[0], index, !parts[2].empty());
        if (pieces[i].find('\x01') != std::string::npos) ++files;
        sealed += last;
    }
    CheckBytes(sealed, static_cast<unsigned>(bytes.size()));
    Journal whole;
    std::string why;
    if (last.empty() || !qv::journal::Parse(sealed, whole, why)) return;
    Journal cut;
    const std::string_view without(sealed.data(), sealed.size() - last.size());
    if (!qv::journal::Parse(without, whole, why)) std::abort();
    // A record's only line break is its last byte, whatever its names hold.
    if (last.find('\n') != last.size() - 1) std::abort();
    for (size_t at : {size_t(1), last.size() / 2, last.size() - 1})
        if (!qv::journal::Parse(std::string_view(sealed.data(), without.size() + at), cut, why) || !Same(whole, cut))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckBytes(bytes, size == 0 ? 0 : data[0]);
    CheckSealed(bytes);
    return 0;
}
