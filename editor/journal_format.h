// The bytes of the rollback journal that the owner of output files keeps in every folder a
// command writes into (editor/output_files.h), and their reader: a pure function from bytes to
// a journal or a refusal, which touches no file, so that recovery acts only on what it checked.
//
// A journal is a line "qvhost journal 3", then records, each ending in the CRC-32 of its own
// bytes (eight hexadecimal digits) and a line break:
//   m ID CRC                     the command's main journal (ID: 32 hexadecimal digits)
//   p ID N:MAIN-FOLDER CRC       a folder's journal, whose main journal lies in MAIN-FOLDER
//   d N:FOLDER CRC               (main journal) a folder below with a journal of its own
//   f N:TARGET INDEX KIND CRC    a file: its INDEX (0, 1, 2, ... in the order of the records)
//                                names its temporary file and the second link that keeps its
//                                earlier contents in the command's private folder; KIND is "n"
//                                for a new target, "r" for one that replaces an earlier file
// The header's ID also names the command's private folder in the journal's folder
// (PrivateFolderName), made with mode 0700 only once the header is on disk: the temporary files
// and the earlier contents live there, under names no other user can create or swap.
// Each text is preceded by its length in bytes ("7:a b.txt "), so a name may hold any byte; a
// line break in it is written as a backslash and "n", a backslash doubled, so that a record's
// only line break is its last byte. The first record is m or p. Only the last record may be
// cut short (the process ended while appending it, so the step it announced was not taken),
// before its line break; any other fault refuses the journal.
//
// The reader also takes a journal of the earlier version, "qvhost journal 2", which a command of
// that version may have left: the same records, but for a file
//   f N:TARGET N:TEMPORARY N:BACKUP CRC
// with its temporary file and the second link that keeps its earlier contents ("" for a new
// target) beside the target in the journal's own folder, named ".TARGET.qvtmp" and
// ".TARGET.qvold" (the target cut to 200 bytes at a character boundary), from the second
// candidate on with ".1", ".2", ... Such a journal is read so that it can be finished; no
// command writes one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qv::journal {

// The folder's journal, and the main journal's name once the command passed its commit point.
constexpr char kJournalName[] = ".qvhost-journal";
constexpr char kCommittedName[] = ".qvhost-committed";
// The beginning of every name qvhost gives its own files and folders, which no output takes.
constexpr char kOwnPrefix[] = ".qvhost-";
// The largest journal recovery reads: a command writes at most this much into one folder's
// journal (about 95,000 files of the longest names, or 900,000 of 20-byte names).
constexpr std::size_t kMaxBytes = 64u << 20;

// The folder of a command's own, beside its journal, that holds its temporary files and the
// earlier contents of the files it replaces: ".qvhost-" + the command's ID.
std::string PrivateFolderName(const std::string& id);
// The names of a file's temporary file and of its earlier contents in the private folder.
std::string TemporaryName(unsigned index);
std::string BackupName(unsigned index);

// The records, ready to append.
std::string MainHeader(const std::string& id);
std::string PartHeader(const std::string& id, const std::string& mainFolder);
std::string FolderRecord(const std::string& folder);
std::string FileRecord(const std::string& target, unsigned index, bool replaces);

struct Journal {
    bool torn = false;   // the header is cut short: the journal names nothing yet
    int version = 3;     // 2: of the earlier version, whose files lie beside their targets
    bool main = false;
    std::string id;
    std::string mainFolder;              // of a folder's journal: the folder of its main journal
    std::vector<std::string> folders;    // of the main journal: the other folders with journals
    // A file, with the index that names its temporary file and earlier contents in the
    // private folder.
    struct File {
        std::string target;
        unsigned index = 0;
        bool replaces = false;   // false: the target was new, and has no earlier contents
        std::string TemporaryName() const;
        std::string BackupName() const;   // "" for a new target
        // Of a journal of version 2: the temporary file and the earlier contents ("" for a new
        // target) beside the target.
        std::string besideTemporary;
        std::string besideBackup;
    };
    std::vector<File> files;
    // Whether `name` is one the command gives a file of its own in its private folder: the
    // temporary file or the earlier contents of a file the journal names.
    bool Names(std::string_view name) const;
};

// Reads a journal fed in pieces, so that a large one is never held whole.
class Parser {
public:
    // False (with Why()) as soon as the bytes are no journal of ours.
    bool Feed(std::string_view bytes);
    // At the end of the bytes: the journal, or false with Why().
    bool Finish(Journal& journal);
    const std::string& Why() const { return why_; }

private:
    std::string pending_;
    Journal journal_;
    std::size_t bytes_ = 0;
    long records_ = 0;
    int version_ = 0;   // once the opening line is read
    std::unordered_set<std::string> names_;   // of a journal of version 2: every name its files give
    bool magicSeen_ = false;
    bool failed_ = false;
    std::string why_;
};

// The whole journal in one piece. False with the reason, which names the record at fault.
bool Parse(std::string_view bytes, Journal& journal, std::string& why);

} // namespace qv::journal
