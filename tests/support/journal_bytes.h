// Journals of the owner of output files as a test needs them: records made by the journal's
// own builders, so that a change of the layout is followed; a record forged with a checksum of
// its own, as a hand would make it; and journals of an exact size.
#pragma once

#include "editor/journal_format.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv_test {

constexpr char kJournalId[] = "0123456789abcdef0123456789abcdef";

// The text of a record sealed as the owner seals one: the CRC-32 of its bytes (that of zip and
// PNG), in eight lowercase hexadecimal digits, and a line break.
inline std::string ForgedRecord(const std::string& text) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char byte : text) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    std::string sealed = text;
    for (int shift = 28; shift >= 0; shift -= 4) sealed += "0123456789abcdef"[(crc >> shift) & 15];
    return sealed + "\n";
}

// A journal of the earlier version 2 as a command of that version wrote it: its header (a main
// journal, or with `mainFolder` a folder's), then the records given. Its file records name the
// temporary file and the earlier contents beside the target (Version2File).
inline std::string Version2Journal(const std::string& records, const std::string& mainFolder = "") {
    const auto field = [](const std::string& text) { return std::to_string(text.size()) + ":" + text + " "; };
    return "qvhost journal 2\n" +
           ForgedRecord(mainFolder.empty() ? "m " + std::string(kJournalId) + " " : "p " + std::string(kJournalId) + " " + field(mainFolder)) +
           records;
}

inline std::string Version2File(const std::string& target, const std::string& temporary, const std::string& backup) {
    const auto field = [](const std::string& text) { return std::to_string(text.size()) + ":" + text + " "; };
    return ForgedRecord("f " + field(target) + field(temporary) + field(backup));
}

// A path below `folder` of exactly `length` bytes (at least two more than the folder's), in
// parts no longer than a file name may be.
inline std::string PathOfLength(const std::string& folder, std::size_t length) {
    std::string path = folder;
    while (length - path.size() > 202) path += "/" + std::string(200, 'p');
    return path + "/" + std::string(length - path.size() - 1, 'q');
}

// A main journal of valid records of exactly `size` bytes (at least 8 KiB) that names one
// folder below `folder` again and again (the reader takes that, and it is quickly made), and a
// last folder record whose length makes up the rest.
inline std::string JournalOfSize(std::size_t size, const std::string& folder = "/o") {
    std::string bytes = qv::journal::MainHeader(kJournalId);
    const std::string record = qv::journal::FolderRecord(PathOfLength(folder, 1800));
    // The rest, for the last record: between 2,200 and 4,000 bytes, a path of four digits' length.
    constexpr std::size_t kRest = 2200;
    if (size < bytes.size() + record.size() + kRest) return std::string();
    bytes.reserve(size);
    while (bytes.size() + record.size() + kRest <= size) bytes += record;
    const std::size_t first = qv::journal::FolderRecord(PathOfLength(folder, 2000)).size();
    const std::string last = qv::journal::FolderRecord(PathOfLength(folder, 2000 + size - bytes.size() - first));
    return bytes.size() + last.size() == size ? bytes + last : std::string();
}

} // namespace qv_test
