// Journals of the owner of output files as a test needs them: records made by the journal's
// own builders, so that a change of the layout is followed, and journals of an exact size.
#pragma once

#include "editor/journal_format.h"

#include <cstddef>
#include <string>

namespace qv_test {

constexpr char kJournalId[] = "0123456789abcdef0123456789abcdef";

// A new file's record: the target and the temporary file the owner makes of it.
inline std::string NewFileRecord(const std::string& target) {
    return qv::journal::FileRecord(target, qv::journal::OwnedName(target, "qvtmp", 0), "");
}

// A main journal of valid records of exactly `size` bytes (at least a few kilobytes): one file
// of the longest name a folder takes, named again and again (the reader takes that, and it is
// quickly made), and a folder record whose length makes up the rest.
inline std::string JournalOfSize(std::size_t size) {
    std::string bytes = qv::journal::MainHeader(kJournalId);
    const std::string record = NewFileRecord(std::string(255, 'f'));
    constexpr std::size_t kPadding = 1200;   // what the folder record makes up: a path of 4 digits' length
    if (size < bytes.size() + kPadding) return std::string();
    bytes.reserve(size);
    while (bytes.size() + record.size() + kPadding <= size) bytes += record;
    for (std::size_t length = 1000; length < 4000; ++length) {
        const std::string folder = qv::journal::FolderRecord("/" + std::string(length, 'p'));
        if (bytes.size() + folder.size() == size) return bytes + folder;
    }
    return std::string();
}

} // namespace qv_test
