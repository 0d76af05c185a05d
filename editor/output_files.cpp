#include "editor/output_files.h"

#include "afx/message_text.h"
#include "editor/journal_format.h"
#include "editor/text_codec.h"
#include "toolkit/read_write_files.h"
#include "win32/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace qv {

namespace {

// The journal of a folder, and the main journal's name once the command passed its commit point.
constexpr const char* kJournal = journal::kJournalName;
constexpr const char* kCommitted = journal::kCommittedName;
// The permissions of every file the command makes before its last write: a temporary file, a
// copy of earlier contents. No other user gets a descriptor of it that would read what it
// holds once it takes the target's place, whatever folder it is made in.
constexpr mode_t kPrivateMode = 0600;
// How many times the folder is searched for the command's private folder that another user
// moved away from its name and may keep exchanging with folders of its own.
constexpr int kMovedOwnSearches = 100;

// The command's state: nothing written yet, writing (journals may exist), past the commit point.
enum State { kIdle = 0, kWriting = 1, kPastCommit = 2 };

// Entry::made of a new target renamed into place on a file system without links: no second
// link tells it from a file made later under its name, so only this process removes it.
constexpr sig_atomic_t kMadeByRename = 2;

int g_failureStatus = 2;
void (*g_stepHook)(long) = nullptr;
long g_steps = 0;
// Test switches (see SetFaultsForTest, RecordCallsForTest and SetMovedSearchHookForTest).
bool g_noSecondLinks = false;
void (*g_movedSearchHook)(long) = nullptr;
void (*g_movedListedHook)(long) = nullptr;
long g_failAppend = 0;
long g_appends = 0;
long g_failJournalSync = 0;
long g_journalSyncs = 0;
std::vector<std::string>* g_calls = nullptr;
// A rollback notes nothing: it may run in a signal handler, which must not allocate.
volatile sig_atomic_t g_rollingBack = 0;

// A step that changed the file system: the crash test may end the process after it.
void Step() {
    ++g_steps;
    if (g_stepHook != nullptr) g_stepHook(g_steps);
}

// Notes a call that orders the writes on disk, for the test that checks that order. The
// functions that make such calls note them themselves, so that a call left out is missing
// from the record too.
void Record(const char* what, const char* folder, const std::string& name = std::string()) {
    if (g_calls != nullptr && !g_rollingBack) g_calls->push_back(std::string(what) + "\t" + folder + "\t" + name);
}

// Writes a text to standard error without allocating (usable in a signal handler).
void SayRaw(const char* text) {
    for (size_t left = std::strlen(text); left > 0;) {
        const ssize_t n = ::write(2, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

// Blocks the handled signals while the state is changed in a way a handler must not see half done.
struct SignalsBlocked {
    sigset_t old {};
    SignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&set, sig);
        pthread_sigmask(SIG_BLOCK, &set, &old);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &old, nullptr); }
};

// One target of the command, by its bare name in its folder, and the names of the temporary file
// it is written to and of the second link that keeps its earlier contents (null when the
// target is new), both in the command's private folder. Made whole, and its journal line
// written, before it is published, so that a handler sees it complete or not at all. The flags
// say which names may hold a file (set before a name is made, cleared once it is gone), so
// that no call is spent on a name that is not there.
struct Entry {
    char* target = nullptr;
    char temporary[16] = {};
    char backupName[16] = {};
    const char* backup = nullptr;   // backupName, or null for a new target
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    volatile sig_atomic_t hasTemporary = 0;   // the temporary name (a new target's second link once made)
    volatile sig_atomic_t kept = 0;           // the backup name holds the whole earlier contents
    volatile sig_atomic_t made = 0;           // a new target is in place
    bool unsynced = false;                    // put in place, not yet synced
    // The temporary file the command made and wrote (through the descriptor it made it with),
    // which alone takes the target's place.
    dev_t writtenDevice = 0;
    ino_t writtenInode = 0;
    Entry* next = nullptr;
};

// A folder the command writes into, with its journal and its private folder.
struct Folder {
    char* path = nullptr;   // absolute, links resolved
    int dir = -1;
    // The command's own folder for its temporary files and backups (mode 0700, made once the
    // journal's header, which names it, is on disk), or -1 before it is made.
    std::atomic<int> own{-1};
    bool ownChanged = false;   // names in the private folder changed since it was last synced
    unsigned files = 0;        // the files named in the journal, which number the next one
    std::atomic<int> journal{-1};
    std::atomic<Entry*> entries{nullptr};
    Folder* next = nullptr;
    // What finishing the folder could not do, read once it is over: its journal stays (for
    // the next command), and another user moved its private folder away from its name.
    volatile sig_atomic_t journalLeft = 0;
    volatile sig_atomic_t ownMoved = 0;
    volatile sig_atomic_t ownRemoved = 0;   // the moved private folder was found and removed
    bool linesUnsynced = false;   // lines appended since the journal was last synced
    bool journalNamed = false;    // the journal's name is on disk (the folder synced since it was made)
    bool changed = false;         // names in the folder changed since it was last synced
    size_t journalBytes = 0;
    dev_t device = 0;
};

std::atomic<int> g_state{kIdle};
std::atomic<bool> g_passedCommit{false};   // some command of this process passed its commit point
// The folders written into, newest first: the output folder's (the main journal) is the last.
std::atomic<Folder*> g_folders{nullptr};
Folder* g_main = nullptr;
std::string g_id;
std::string g_ownName;   // the private folder's name, the same in every folder of the command
std::string g_fault;                                         // the journal that could not be written, and why
std::unordered_map<std::string, Folder*> g_folderAt;
std::unordered_set<std::string> g_namedFolders;              // named in the main journal
std::unordered_map<std::string, Entry*> g_entryAt;          // by folder + '/' + name
// An open temporary file: its target, and its entry where the command journals it. One that is
// not journaled (a library user's own session) lies beside its target, in the target's folder
// held by `dir`, and is reached only through that folder and the descriptor `file` it was made
// with; `kept` says whether it replaces a file, whose owner, group and permissions it takes
// once written.
struct Written {
    std::string target;
    Folder* folder = nullptr;
    Entry* entry = nullptr;
    int dir = -1;
    int file = -1;
    std::string name;         // of the temporary file in `dir`
    std::string targetName;   // of the target in `dir`
    bool kept = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    // The target as an edit session knows it (folder with links resolved, and name), where a
    // session keeps what it held; empty otherwise.
    std::string sessionKey;
};

// Lets go of what an open temporary file that is not journaled holds.
void CloseWritten(Written& written) {
    if (written.file >= 0) ::close(written.file);
    if (written.dir >= 0) ::close(written.dir);
    written.file = written.dir = -1;
}
std::unordered_map<std::string, Written> g_written;         // by temporary path
std::vector<std::pair<Folder*, Entry*>> g_unsynced;          // files put in place, not yet synced

// A data file an edit session wrote since its last commit (OutputFiles::BeginSession): what its
// target held then, and what the session put in place since.
struct SessionFile {
    std::string key;       // the target's folder, links resolved, and its name
    int kept = -1;         // open read-only on what the target held; -1 when it held nothing
    int keptError = 0;     // errno when the target existed but could not be opened
    bool placed = false;   // a file of the session took the target's place
    dev_t placedDevice = 0;
    ino_t placedInode = 0;
};
// The open sessions, innermost last, each with its pending files in the order first written.
std::vector<std::vector<SessionFile>> g_sessions;
// Set while a session's files are put back: those writes are no new pending files.
bool g_puttingBack = false;

// The locked output folder and the descriptors that hold its locks.
std::string g_root;
int g_rootFd = -1;   // the output folder, held (and locked) from the first check on
bool g_rootExplicit = false;

char* Copy(const std::string& text) {
    char* copy = ::strdup(text.c_str());
    if (copy == nullptr) throw std::bad_alloc();
    return copy;
}

bool Exists(int dir, const char* name) {
    struct stat st {};
    return ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Takes back one entry: the earlier contents come back from the private folder `own` (or a
// new target goes, where it still is the file the command made: its temporary file's second
// link; a file the user made there after a crash stays), and only then the temporary file
// goes, so that an end after any step leaves what a second take-back needs. Each step is safe
// to do again.
void TakeBack(int dir, int own, const char* target, const char* temporary, const char* backup) {
    struct stat kept {};
    struct stat now {};
    if (backup != nullptr && ::fstatat(own, backup, &kept, AT_SYMLINK_NOFOLLOW) == 0) {
        // A rename between two links of one file does nothing: the target still is the earlier file.
        if (::fstatat(dir, target, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, kept))
            ::unlinkat(own, backup, 0);
        else
            ::renameat(own, backup, dir, target);
        Step();
    }
    // Only a backup that became whole has its name: one never made leaves the target as it is.
    if (::fstatat(own, temporary, &kept, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (backup == nullptr && ::fstatat(dir, target, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, kept)) {
        ::unlinkat(dir, target, 0);
        Step();
    }
    ::unlinkat(own, temporary, 0);
    Step();
}

// Past the commit point: what kept the earlier contents and any temporary file go (each name
// null when there is none).
void Tidy(int own, const char* temporary, const char* backup) {
    if (temporary != nullptr) ::unlinkat(own, temporary, 0);
    if (backup != nullptr) ::unlinkat(own, backup, 0);
}

// Syncs a folder's names (noted for the test of their order, as every sync below).
int SyncFolder(const Folder& folder) {
    Record("sync-folder", folder.path);
    return ::fsync(folder.dir);
}

// Syncs the names in a folder's private folder.
int SyncOwn(const Folder& folder) {
    Record("sync-own", folder.path);
    return ::fsync(folder.own.load());
}

// Syncs a file the command wrote, `name` the target it is for.
int SyncFile(int fd, const Folder& folder, const char* name) {
    Record("sync-file", folder.path, name);
    return ::fsync(fd);
}

// Whether the private folder the command holds still stands at its name in its folder: another
// user who may rename in that folder can exchange it for a folder of its own. No allocation.
bool OwnAtItsName(const Folder& f) {
    struct stat held {};
    struct stat named {};
    return ::fstat(f.own.load(), &held) == 0 && ::fstatat(f.dir, g_ownName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(held, named);
}

// Whether the private folder the command holds keeps nothing of its entries any more (after a
// take-back or a tidy), so that no recovery needs it. No allocation.
bool OwnEmptied(const Folder& f) {
    const int own = f.own.load();
    struct stat left {};
    for (const Entry* e = f.entries.load(std::memory_order_acquire); e != nullptr; e = e->next) {
        if (::fstatat(own, e->temporary, &left, AT_SYMLINK_NOFOLLOW) == 0) return false;
        if (e->backup != nullptr && ::fstatat(own, e->backup, &left, AT_SYMLINK_NOFOLLOW) == 0) return false;
    }
    return true;
}

// Whether the folder held by `held` is gone: removed, it has no name left. No allocation.
bool FolderGone(int held) {
    struct stat status {};
    return ::fstat(held, &status) == 0 && status.st_nlink == 0;
}

bool OwnGone(const Folder& f) { return FolderGone(f.own.load()); }

// Whether the folder held by `held` stands in the folder held by `dir`: its ".." is that folder.
// No allocation.
bool InFolder(int dir, int held) {
    struct stat parent {};
    struct stat folder {};
    return ::fstatat(held, "..", &parent, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(dir, &folder) == 0 && SameFile(parent, folder);
}

// Removes the empty folder held by `held` where another user moved it to another name in the
// folder held by `dir` (exchanged it for a folder of its own there): a folder of the user's that
// nothing else would ever remove. It is found by its device and inode among the folder's names
// (read without allocating), and removed at a name that held it a moment before; a stranger who
// keeps exchanging names may have put a folder of its own there in between, so the search goes
// on until the folder held has no name left, a bounded number of times. A folder moved
// elsewhere, or one that holds anything, stays. Whether it is gone. No allocation.
bool RemoveMovedFolder(int dir, int held) {
    struct stat status {};
    if (::fstat(held, &status) != 0) return false;
    for (int pass = 0; pass < kMovedOwnSearches && !FolderGone(held); ++pass) {
        if (g_movedSearchHook != nullptr) g_movedSearchHook(pass);
        const int names = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (names < 0) return false;
        // Listed: a name of the listing held the folder's inode. A stranger who keeps exchanging
        // names may have put a folder of its own at that name by the time it is looked at: the
        // folder is still in the folder then, and the search goes on.
        bool listed = false;
        bool found = false;
        alignas(dirent64) char chunk[8192];
        for (ssize_t n; !found && (n = ::getdents64(names, chunk, sizeof chunk)) > 0;) {
            for (ssize_t at = 0; !found && at < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(chunk + at);
                at += entry->d_reclen;
                if (entry->d_ino != status.st_ino) continue;
                listed = true;
                if (g_movedListedHook != nullptr) g_movedListedHook(pass);
                struct stat named {};
                if (::fstatat(dir, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(named, status)) continue;
                found = true;
                if (::unlinkat(dir, entry->d_name, AT_REMOVEDIR) == 0) Step();
            }
        }
        ::close(names);
        // A listing taken while names are exchanged may miss the folder although it never left:
        // after the first pass the search ends on a listing that missed it only when its ".."
        // is another folder (it was moved out); while it stands here, it goes on.
        if (!listed && pass > 0 && !InFolder(dir, held)) break;
    }
    return FolderGone(held);
}

// The private folder the command holds, moved away from its name (RemoveMovedFolder).
bool RemoveMovedOwn(const Folder& f) { return RemoveMovedFolder(f.dir, f.own.load()); }

// Removes a folder's private folder and then its journal (when `dropJournal`), each once what
// it holds is gone on disk: a private folder that still holds a file (a step that failed)
// keeps the journal that names it, for a recovery. A private folder another user moved away
// from its name is removed only where it was moved to within the folder (RemoveMovedOwn); what
// holds its name now is not the command's and stays, and the journal goes only when the moved
// folder holds nothing a recovery would need. Whether
// the journal is gone; the folder's flags say why not. No allocation.
bool DropOwnAndJournal(Folder& f, const char* journalName, bool dropJournal) {
    if (f.own.load() >= 0) {
        if (OwnAtItsName(f)) {
            if (::unlinkat(f.dir, g_ownName.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
                f.journalLeft = 1;
                return false;
            }
            Record("drop-own", f.path);
            Step();
            SyncFolder(f);
        }
        // A folder another user exchanged for its own just before the name was removed is still
        // there under the other name, as it is when it was moved before.
        if (!OwnGone(f)) {
            f.ownMoved = 1;
            if (!OwnEmptied(f)) {
                f.journalLeft = 1;
                return false;
            }
            if (RemoveMovedOwn(f)) f.ownRemoved = 1;
        }
    }
    if (!dropJournal) {
        f.journalLeft = 1;
        return false;
    }
    ::unlinkat(f.dir, journalName, 0);
    Record("drop-journal", f.path);
    if (&f != g_main) SyncFolder(f);
    Step();
    return true;
}

// Finishes the command's folders from the list in memory: taken back, or tidied past the
// commit point; the other folders' journals go before the main one, and no journal goes
// before what it names is gone on disk. The main journal goes only once every other folder's
// journal is gone: a folder's journal left behind is finished by the next command, from the
// main journal. No allocation, no lock (but in the commit, which notes its calls for the
// test of their order).
void FinishFolders(bool committed) {
    bool othersGone = true;
    for (Folder* f = g_folders.load(std::memory_order_acquire); f != nullptr; f = f->next) {
        const int own = f->own.load();
        bool removed = false;
        for (Entry* e = f->entries.load(std::memory_order_acquire); e != nullptr; e = e->next) {
            if (!committed) {
                if (e->made == kMadeByRename) {
                    ::unlinkat(f->dir, e->target, 0);
                    Step();
                }
                if (own >= 0) TakeBack(f->dir, own, e->target, e->temporary, e->backup);
                removed = true;
            } else if (e->hasTemporary || e->kept) {
                Tidy(own, e->hasTemporary ? e->temporary : nullptr, e->kept ? e->backup : nullptr);
                e->hasTemporary = 0;
                e->kept = 0;
                Record("tidy", f->path, e->target);
                removed = true;
                Step();
            }
        }
        if (f->journal.load() < 0) continue;
        if (removed && own < 0) SyncFolder(*f);
        const bool main = f == g_main;
        if (!DropOwnAndJournal(*f, main && committed ? kCommitted : kJournal, !main || othersGone) && !main)
            othersGone = false;
    }
}

void OnSignal(int sig) {
    OutputFiles::Current().Rollback();
    if (sig != SIGPIPE)
        SayRaw(g_passedCommit.load() ? "qvhost: interrupted after the command's files were in place; they stay\n"
                                     : "qvhost: interrupted; the files this command wrote were taken back\n");
    // The usual end of a process killed by the signal, so that a shell sees the usual status.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void OnAllocationFailure() {
    OutputFiles::Current().Rollback();
    SayRaw(g_passedCommit.load() ? "qvhost: not enough memory to finish the job; its files are in place and stay\n"
                                 : "qvhost: not enough memory for the job; the files this command wrote were taken back\n");
    ::_exit(g_failureStatus);
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

using journal::Journal;

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
    if (path == folder) return true;
    if (folder == "/") return !path.empty() && path[0] == '/';
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// The command's journal could not be written: it writes nothing more and cannot commit.
void JournalFailed(const Folder& folder, int error) {
    Record("fault", folder.path);
    if (g_fault.empty()) g_fault = OutputFiles::CannotBeWritten(JoinPath(folder.path, kJournal), error);
}

// Appends a record naming `name` to a folder's journal. It goes to disk with the lines before
// it when something of that name is first touched (JournalOnDisk).
bool Append(Folder& folder, const std::string& record, const std::string& name) {
    if (!g_fault.empty()) return false;
    const bool injected = g_failAppend != 0 && ++g_appends == g_failAppend;
    // A journal stays within the size recovery reads.
    const bool tooLarge = folder.journalBytes + record.size() > journal::kMaxBytes;
    errno = 0;
    if (injected || tooLarge || !WriteAll(folder.journal.load(), record)) {
        JournalFailed(folder, injected ? ENOSPC : tooLarge ? EFBIG : errno == 0 ? EIO : errno);
        return false;
    }
    folder.journalBytes += record.size();
    folder.linesUnsynced = true;
    Record("line", folder.path, name);
    return true;
}

// Before anything in a folder is touched: its journal, with every line appended so far, and
// the journal's name are on disk. Batches of lines so cost one sync.
bool JournalOnDisk(Folder& folder) {
    if (!g_fault.empty()) return false;
    if (folder.linesUnsynced) {
        Record("sync-journal", folder.path);
        const bool injected = g_failJournalSync != 0 && ++g_journalSyncs == g_failJournalSync;
        if (injected || ::fdatasync(folder.journal.load()) != 0) {
            JournalFailed(folder, injected ? EIO : errno);
            return false;
        }
        folder.linesUnsynced = false;
    }
    if (!folder.journalNamed) {
        if (SyncFolder(folder) != 0) {
            JournalFailed(folder, errno);
            return false;
        }
        folder.journalNamed = true;
        folder.changed = false;
    }
    return true;
}

// Reads a journal from an open regular file, piece by piece: "" or what is wrong with it.
std::string ReadOpenJournal(int fd, Journal& journal) {
    journal::Parser parser;
    char chunk[65536];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::string("cannot be read (") + std::strerror(errno) + ")";
        }
        if (!parser.Feed(std::string_view(chunk, static_cast<size_t>(n)))) break;
    }
    return parser.Finish(journal) ? std::string() : parser.Why();
}

// What makes the file at a journal's name in the folder held by `dir` no journal recovery may
// act on ("" when it is one): only a regular file of the user or root, within the size a command
// writes, whose every record reads, whose folders lie below its own as they are named (no link
// on the way), and, for a folder's journal, whose main journal's folder holds its own.
std::string Untrusted(int dir, const std::string& folder, const char* name, Journal& journal) {
    struct stat seen {};
    if (::fstatat(dir, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    if (S_ISLNK(seen.st_mode)) return "is a symbolic link";
    if (S_ISDIR(seen.st_mode)) return "is a folder";
    if (S_ISFIFO(seen.st_mode)) return "is a pipe";
    if (!S_ISREG(seen.st_mode)) return "is no regular file";
    // Opened without following a link or waiting for a writer, as what was looked at.
    const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    struct stat opened {};
    std::string why;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !SameFile(opened, seen))
        why = "changed while it was read";
    else if (opened.st_uid != ::geteuid() && opened.st_uid != 0)
        why = "belongs to another user";
    else if (static_cast<unsigned long long>(opened.st_size) > journal::kMaxBytes)
        why = "is larger than any journal of qvhost";
    else
        why = ReadOpenJournal(fd, journal);
    ::close(fd);
    if (!why.empty()) return why;
    if (std::strcmp(name, kCommitted) == 0 && !journal.main) return "is no main journal";
    if (!journal.main && !journal.torn && (journal.mainFolder == folder || !IsAtOrBelow(folder, journal.mainFolder)))
        return "names a main journal in a folder that does not hold its own";
    for (const std::string& part : journal.folders) {
        if (part == folder || !IsAtOrBelow(part, folder)) return "names a folder outside its own";
        char resolved[PATH_MAX];
        if (::realpath(part.c_str(), resolved) != nullptr ? part != resolved : errno != ENOENT && errno != ENOTDIR)
            return "names a folder below its own through a symbolic link";
    }
    return std::string();
}

// The line that refuses a file at a journal's name that no command acts on, in a folder the
// command writes into: the same wherever the folder lies.
std::string RefusedJournal(const std::string& folder, const char* name, const std::string& why) {
    return ShownPath(JoinPath(folder, name)) + ": " + why + ", so it is no journal a command acts on; nothing is touched, and a command does not "
           "write into its folder while it is there";
}

// Reads the journal `name` of the folder held by `dir`: false when there is none, or when the
// file of that name is no journal recovery may act on. In a folder the command holds (`held`)
// that fails the command with `error` and leaves the file as it is; in a folder above, such a
// file names nothing the command acts on and is passed over.
bool ReadJournal(int dir, const std::string& folder, const char* name, Journal& journal, std::string& error, bool held = true) {
    error.clear();
    struct stat seen {};
    // A folder that cannot be searched holds no journal this command could have to act on:
    // it cannot write there either.
    if (::fstatat(dir, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 && (errno == ENOENT || errno == ENOTDIR || errno == EACCES))
        return false;
    const std::string why = Untrusted(dir, folder, name, journal);
    if (why.empty()) return true;
    if (held) error = RefusedJournal(folder, name, why);
    return false;
}

// Opens a dead command's private folder in the folder `dir` for its recovery: -1 when there is
// none (nothing was made in it, or everything in it is gone), and -2 with a message when the
// name holds anything but a folder of the user that no one else may enter, or when the folder
// holds anything but regular files of the names the journal gives them. Such things were not
// made by the command, and recovery leaves them, and every other folder of the command, as
// they are: the whole folder is looked at before anything is done.
int OpenOwn(int dir, const std::string& folder, const Journal& journal, std::string& error) {
    const std::string name = journal::PrivateFolderName(journal.id);
    const std::string shown = ShownPath(JoinPath(folder, name));
    const int own = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (own < 0 && errno == ENOENT) return -1;
    const char* refusal = "the folder an earlier command kept its temporary files in ";
    const char* leftAlone = "; its journal is not acted on, nothing is touched, and a command does not write into the folder while it is there";
    if (own < 0) {
        error = shown + ": " + refusal + (errno == ELOOP || errno == ENOTDIR ? std::string("is no folder") : "cannot be opened (" + std::string(std::strerror(errno)) + ")") + leftAlone;
        return -2;
    }
    struct stat status {};
    std::string why;
    if (::fstat(own, &status) != 0)
        why = std::strerror(errno);
    else if (status.st_uid != ::geteuid())
        why = "belongs to another user";
    else if ((status.st_mode & 077) != 0)
        why = "is open to other users";
    const int listed = why.empty() ? ::fcntl(own, F_DUPFD_CLOEXEC, 0) : -1;
    DIR* names = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (why.empty() && names == nullptr) why = std::string("cannot be read (") + std::strerror(errno) + ")";
    if (names == nullptr && listed >= 0) ::close(listed);
    for (const dirent* item; why.empty() && names != nullptr && (item = ::readdir(names)) != nullptr;) {
        const std::string kept = item->d_name;
        if (kept == "." || kept == "..") continue;
        struct stat held {};
        if (!journal.Names(kept))
            why = "holds " + kept + ", which the journal does not name";
        else if (::fstatat(own, kept.c_str(), &held, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(held.st_mode))
            why = "holds " + kept + ", which is no regular file";
    }
    if (names != nullptr) ::closedir(names);
    if (why.empty()) return own;
    ::close(own);
    error = shown + ": " + refusal + why + leftAlone;
    return -2;
}

// Whether a folder holds a file of a journal's name at all.
bool HasJournalName(int dir) { return Exists(dir, kJournal) || Exists(dir, kCommitted); }

// Opens a folder at or below the output folder from the output folder's descriptor, one part at
// a time and never through a link, so that what is opened is what lies below the folder the
// command holds: the descriptor, or -1 with errno (ELOOP or ENOTDIR for a link on the way).
int OpenHeld(const std::string& path) {
    if (path == g_root) return ::fcntl(g_rootFd, F_DUPFD_CLOEXEC, 0);
    if (g_rootFd < 0 || !IsAtOrBelow(path, g_root)) {
        errno = EXDEV;
        return -1;
    }
    const std::string rest = path.substr(g_root == "/" ? 1 : g_root.size() + 1);
    int at = g_rootFd;
    for (size_t start = 0; start <= rest.size();) {
        const size_t end = std::min(rest.find('/', start), rest.size());
        const int next = ::openat(at, rest.substr(start, end - start).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int reason = errno;
        if (at != g_rootFd) ::close(at);
        if (next < 0) {
            errno = reason;
            return -1;
        }
        at = next;
        start = end + 1;
    }
    return at;
}

// Why a folder at or below the output folder could not be opened from it.
std::string CannotOpenHeld(const std::string& path, int reason) {
    if (reason == ELOOP || reason == ENOTDIR)
        return ShownPath(path) + ": a symbolic link lies on the way to this folder, and a command writes only into the folders below its output folder";
    return ShownPath(path) + ": the folder cannot be opened (" + std::strerror(reason) + ")";
}

// Whether the folder `path` leads to is still the one held by `dir`: a folder replaced while the
// command runs (by a link or another folder) fails the command, so that nothing of it is
// written into, or taken from, a folder it did not check.
bool StillInPlace(int dir, const std::string& path, std::string& error) {
    // A folder below is reached from the output folder's descriptor: it is where the command
    // checked it only while the output folder is.
    if (path != g_root && g_rootFd >= 0 && !StillInPlace(g_rootFd, g_root, error)) return false;
    struct stat held {};
    struct stat now {};
    int fd = -1;
    bool same = ::fstat(dir, &held) == 0;
    if (same && path == g_root)
        same = ::stat(path.c_str(), &now) == 0 && SameFile(held, now);
    else if (same)
        same = (fd = OpenHeld(path)) >= 0 && ::fstat(fd, &now) == 0 && SameFile(held, now);
    if (fd >= 0) ::close(fd);
    if (!same) error = ShownPath(path) + ": the folder was replaced while the command ran, and a command writes only into the folders it checked";
    return same;
}

// Whether the process `pid` is wholly the user's: its real, effective, saved and file-system
// user ids (the "Uid:" line of its status) are all the user's. The owner of /proc/PID follows
// the effective id alone, so a set-user-id program that another user started (a password
// prompt) would pass for the user's own there, and keep a command waiting as long as it runs.
bool IsUsersOwnProcess(long pid) {
    if (pid <= 0) return false;
    FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "re");
    if (status == nullptr) return false;
    char line[256];
    bool own = false;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        unsigned long ids[4] = {};
        if (std::sscanf(line, "Uid: %lu %lu %lu %lu", &ids[0], &ids[1], &ids[2], &ids[3]) != 4) continue;
        own = std::all_of(std::begin(ids), std::end(ids), [](unsigned long id) { return id == ::geteuid(); });
        break;
    }
    std::fclose(status);
    return own;
}

// Whether a folder's private folder, once made, still stands at its name: one that another
// user moved away (exchanged for a folder of its own) fails the command, which then neither
// puts in place nor leaves at that name anything it did not make and check.
bool OwnStillInPlace(const Folder& folder, std::string& error) {
    if (folder.own.load() < 0 || OwnAtItsName(folder)) return true;
    error = ShownPath(JoinPath(folder.path, g_ownName)) +
            ": the folder this command made for its temporary files was moved away from its name while the command ran; "
            "the command writes nothing";
    return false;
}

// Whether the temporary file at an entry's name in the private folder `own` is the one the
// command made and wrote: only that file takes the target's place.
bool IsWrittenFile(int own, const Entry& entry) {
    struct stat now {};
    return ::fstatat(own, entry.temporary, &now, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(now.st_mode) &&
           now.st_dev == entry.writtenDevice && now.st_ino == entry.writtenInode;
}

// After the commit point, what finishing the command's folders could not do, as the command's
// line ("" when every folder was tidied). A folder's journal left comes first: the main
// journal stays only because of it.
std::string Untidied() {
    for (const Folder* f = g_folders.load(); f != nullptr; f = f->next) {
        if (!f->journalLeft) continue;
        return ShownPath(JoinPath(f->path, f == g_main ? kCommitted : kJournal)) + ": the command's files are in place, but " +
               (f->ownMoved ? "another user moved the folder it kept its temporary files in away from its name"
                            : std::string("the folder it kept its temporary files in cannot be removed")) +
               "; the journal stays, and the next command that writes into " + ShownPath(g_main->path) + " finishes it";
    }
    for (const Folder* f = g_folders.load(); f != nullptr; f = f->next) {
        if (!f->ownMoved) continue;
        return ShownPath(JoinPath(f->path, g_ownName)) +
               ": the command's files are in place, but another user moved the folder it kept its temporary files in away "
               "from its name; " + (f->ownRemoved ? "it was removed where it was moved to" : "that folder stays, empty, where it was moved") +
               ", and what holds its name is not touched";
    }
    return std::string();
}

// The processes that hold a file lock on the file of `status` (from the system's table of
// locks), with whether each belongs to the user: a lock of another user's process never makes
// a command wait. A process that waits for the lock holds nothing and is passed over.
struct Holders {
    bool stranger = false;   // a holder is another user's process, or one this process cannot see
    long pid = 0;            // that holder, where the table names it
};

Holders LockHolders(const struct stat& status) {
    Holders holders;
    FILE* table = std::fopen("/proc/locks", "re");
    if (table == nullptr) return holders;
    char line[512];
    while (std::fgets(line, sizeof line, table) != nullptr) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiter's line has "->" after the number.
        char kind[16] = {}, mode[16] = {}, access[16] = {};
        long pid = 0;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        const char* colon = std::strchr(line, ':');
        if (colon == nullptr || std::strstr(line, "->") != nullptr) continue;
        if (std::sscanf(colon + 1, "%15s %15s %15s %ld %x:%x:%llu", kind, mode, access, &pid, &major, &minor, &inode) != 7)
            continue;
        if (std::strcmp(kind, "FLOCK") != 0 || inode != status.st_ino || major != ::major(status.st_dev) ||
            minor != ::minor(status.st_dev))
            continue;
        // A holder in another container shows no process id here, and counts as a stranger.
        if (!IsUsersOwnProcess(pid)) {
            holders.stranger = true;
            holders.pid = pid;
        }
    }
    std::fclose(table);
    return holders;
}

// Takes the exclusive lock of the folder held by `fd`. While a process of the user holds it
// (another command), the command waits and says once which folder it waits for; a lock of
// another user's process fails it at once with one line, and so does any lock where `mayWait`
// is false (the command already writes into a folder below, and waiting could close a circle).
bool LockDescriptor(int fd, const std::string& path, bool mayWait, std::string& error) {
    bool said = false;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            error = ShownPath(path) + ": the folder cannot be locked (" + std::strerror(errno) + ")";
            return false;
        }
        struct stat status {};
        const Holders holders = ::fstat(fd, &status) == 0 ? LockHolders(status) : Holders{};
        if (holders.stranger) {
            error = ShownPath(path) + ": a process of another user" + (holders.pid > 0 ? " (" + std::to_string(holders.pid) + ")" : std::string()) +
                    " holds the lock of this folder, and a command waits only for the user's own";
            return false;
        }
        if (!mayWait) {
            error = ShownPath(path) + ": another command writes into this folder, and this one already writes into a folder below it";
            return false;
        }
        if (!said) std::fprintf(stderr, "qvhost: waiting for another command that writes into %s\n", ShownPath(path).c_str());
        said = true;
        ::usleep(20000);
    }
}

// The folders below the output folder that the command holds locked (each by its Folder's
// descriptor): a folder above one of them is taken only without waiting.
bool HoldsBelow(const std::string& path) {
    for (Folder* f = g_folders.load(); f != nullptr; f = f->next)
        if (path != f->path && g_root != f->path && IsAtOrBelow(f->path, path)) return true;
    return false;
}

// A folder at or below the output folder, opened from it and locked for a recovery there (or
// already the command's): its descriptor and whether the caller closes it.
struct Held {
    int dir = -1;
    bool own = false;   // the command's own descriptor, not closed
};

bool HoldForRecovery(const std::string& path, Held& held, std::string& error) {
    if (const auto found = g_folderAt.find(path); found != g_folderAt.end()) {
        held = {found->second->dir, true};
        return true;
    }
    if (path == g_root) {
        held = {g_rootFd, true};
        return true;
    }
    held.dir = OpenHeld(path);
    held.own = false;
    if (held.dir < 0) {
        if (errno == ENOENT) return true;   // gone: nothing there to recover
        error = CannotOpenHeld(path, errno);
        return false;
    }
    if (!LockDescriptor(held.dir, path, !HoldsBelow(path), error)) {
        ::close(held.dir);
        held.dir = -1;
        return false;
    }
    return true;
}

void LetGo(Held& held) {
    if (!held.own && held.dir >= 0) ::close(held.dir);
    held.dir = -1;
}

// What a name of a journal of version 2 held when recovery checked it: nothing, or the file of
// that device and inode.
struct Seen {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Seen&) const = default;
};

Seen SeenAt(int dir, const std::string& name, struct stat* status = nullptr) {
    struct stat found {};
    if (name.empty() || ::fstatat(dir, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0) return Seen{};
    if (status != nullptr) *status = found;
    return Seen{true, found.st_dev, found.st_ino};
}

// Of each folder whose journal of version 2 recovery checked, by the folder's path: each name
// the journal gives (target, temporary file, earlier contents, in the order of its files) and
// what it held then. Recovery acts on a name only while it still holds that.
std::unordered_map<std::string, std::vector<std::pair<std::string, Seen>>> g_besideSeen;

// The line that stops a recovery of a journal of version 2 at one of the names it gives.
std::string BesideFault(const std::string& folder, const std::string& name, const std::string& why) {
    return ShownPath(JoinPath(folder, name)) + ": named by a journal of version 2 of qvhost, " + why;
}

// A journal of version 2 kept the temporary files and earlier contents beside their targets,
// in the folder itself, where in a folder others may write into a name of that kind may be
// another user's. Its files are finished as that version did, but only where each name it
// gives holds nothing, or a regular file of the user that is no second link of a file
// elsewhere (a new target's temporary file is a second link of the target itself): all of them
// are looked at before the first change, and anything else fails the command with one line
// and nothing touched. The check remembers what each name held (nothing, or a device and
// inode), and the recovery acts on a name only while it still holds that: a name that held
// nothing is never renamed or removed, whatever another user puts there afterwards, and a
// name found changed stops the recovery with one line, the journal kept. Only names are
// removed and renamed, never a file written into or read. Without `act`, only checks. False
// with a message.
bool ApplyBeside(int dir, const std::string& folder, const Journal& journal, bool committed, std::string& error, bool act) {
    auto remembered = g_besideSeen.find(folder);
    if (!act || remembered == g_besideSeen.end()) {
        std::vector<std::pair<std::string, Seen>> seen;
        seen.reserve(3 * journal.files.size());
        for (const Journal::File& file : journal.files) {
            struct stat target {};
            seen.emplace_back(file.target, SeenAt(dir, file.target, &target));
            const bool targetThere = seen.back().second.present;
            for (const std::string* name : {&file.besideTemporary, &file.besideBackup}) {
                struct stat held {};
                seen.emplace_back(*name, SeenAt(dir, *name, &held));
                if (!seen.back().second.present) continue;
                if (S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
                    (held.st_nlink == 1 || (targetThere && SameFile(held, target))))
                    continue;
                error = BesideFault(folder, *name, "but no file of the user's own that it made; the journal is not acted on and nothing is "
                                                   "touched: move this away, and the next command finishes the journal");
                g_besideSeen.erase(folder);
                return false;
            }
        }
        remembered = g_besideSeen.insert_or_assign(folder, std::move(seen)).first;
    }
    if (!act) return true;
    const std::vector<std::pair<std::string, Seen>> seen = std::move(remembered->second);
    g_besideSeen.erase(remembered);
    const char* stays = "; the journal stays, and a command does not write into the folder while it is there";
    for (size_t i = journal.files.size(); i-- > 0;) {
        const Journal::File& file = journal.files[i];
        const std::string* names[] = {&file.target, &file.besideTemporary, &file.besideBackup};
        for (size_t k = 0; k < 3; ++k) {
            // A journal read again that names other files than the one checked changed too.
            if (seen.size() == 3 * journal.files.size() && seen[3 * i + k].first == *names[k] &&
                SeenAt(dir, *names[k]) == seen[3 * i + k].second)
                continue;
            error = BesideFault(folder, *names[k], "changed after the command checked it (another user may write into this folder); "
                                                   "the recovery does nothing more" + std::string(stays));
            return false;
        }
        const Seen& target = seen[3 * i].second;
        const Seen& temporary = seen[3 * i + 1].second;
        const Seen& backup = seen[3 * i + 2].second;
        const auto failed = [&](const std::string& name, const char* what) {
            error = BesideFault(folder, name, std::string(what) + " (" + std::strerror(errno) + ")" + stays);
            return false;
        };
        if (backup.present && committed) {
            if (::unlinkat(dir, file.besideBackup.c_str(), 0) != 0) return failed(file.besideBackup, "cannot be removed");
            Step();
        } else if (backup.present) {
            // A rename between two links of one file does nothing: the target still is the
            // earlier file. A target that held nothing is not taken from whoever made it since.
            const bool same = target == backup;
            bool done = false;
            if (same) {
                done = ::unlinkat(dir, file.besideBackup.c_str(), 0) == 0;
            } else if (target.present) {
                done = ::renameat(dir, file.besideBackup.c_str(), dir, file.target.c_str()) == 0;
            } else {
                done = ::renameat2(dir, file.besideBackup.c_str(), dir, file.target.c_str(), RENAME_NOREPLACE) == 0;
                // A file system that cannot rename without replacing: a second link, which
                // never replaces either, and then the earlier name goes.
                if (!done && errno == EINVAL && ::linkat(dir, file.besideBackup.c_str(), dir, file.target.c_str(), 0) == 0) {
                    Step();
                    done = ::unlinkat(dir, file.besideBackup.c_str(), 0) == 0;
                }
            }
            if (!done) return failed(file.besideBackup, same ? "cannot be removed" : "cannot be put back in the place of its target");
            Step();
        }
        if (!temporary.present) continue;
        // A new target that still is the command's file goes (only a backup that became whole
        // has its name: one never made leaves the target as it is).
        if (!committed && !file.replaces && target == temporary) {
            if (::unlinkat(dir, file.target.c_str(), 0) != 0) return failed(file.target, "cannot be removed");
            Step();
        }
        if (::unlinkat(dir, file.besideTemporary.c_str(), 0) != 0) return failed(file.besideTemporary, "cannot be removed");
        Step();
    }
    return true;
}

// The names a folder held by `dir` holds (but "." and ".."), or -1 when it cannot be read.
long NamesIn(int dir) {
    const int listed = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* names = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (names == nullptr) {
        if (listed >= 0) ::close(listed);
        return -1;
    }
    long count = 0;
    for (const dirent* item; (item = ::readdir(names)) != nullptr;)
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) ++count;
    ::closedir(names);
    return count;
}

// The folders a recovery of this process finished, so that a line about one it could not
// finish says whether it finished others before (a folder counts once it is wholly finished).
long g_foldersRecovered = 0;

// Applies a dead command's journal to its folder held by `dir` (taken back, or tidied past its
// commit point), acting only on what its private folder holds, and removes the private folder
// and then the journal, each once what it holds is gone on disk. Without `act`, only checks
// that it may (recovery checks every folder of a dead command before it acts on the first).
// False with a message when the private folder is no folder the command made, or cannot be
// removed.
bool Apply(int dir, const std::string& folder, const char* name, const Journal& journal, bool committed, std::string& error,
           bool act) {
    if (journal.version == 2 && !ApplyBeside(dir, folder, journal, committed, error, act)) return false;
    const int own = journal.torn || journal.version == 2 ? -1 : OpenOwn(dir, folder, journal, error);
    if (own == -2) return false;
    if (!act) {
        if (own >= 0) ::close(own);
        return true;
    }
    if (own >= 0) {
        for (auto it = journal.files.rbegin(); it != journal.files.rend(); ++it) {
            const std::string temporary = it->TemporaryName();
            const std::string backup = it->BackupName();
            const char* kept = backup.empty() ? nullptr : backup.c_str();
            if (committed) {
                Tidy(own, temporary.c_str(), kept);
                Step();
            } else {
                TakeBack(dir, own, it->target.c_str(), temporary.c_str(), kept);
            }
        }
        const std::string ownName = journal::PrivateFolderName(journal.id);
        if (::unlinkat(dir, ownName.c_str(), AT_REMOVEDIR) != 0) {
            const int reason = errno;
            const long left = NamesIn(own);
            ::close(own);
            // Said as it is: what could not be tidied or put back, or why an emptied folder stays.
            error = ShownPath(JoinPath(folder, ownName)) + ": the folder an earlier command kept its temporary files in " +
                    (left > 0 ? "still holds " + std::to_string(left) + (left == 1 ? " file that" : " files that") + " could not be " +
                                    (committed ? "removed" : "put back in the place of its target") + ", so it cannot be removed"
                              : "cannot be removed (" + std::string(std::strerror(reason)) + ") once " +
                                    (committed ? "what it kept is gone" : "the files its journal names are put back as they were")) +
                    "; its journal stays, and a command does not write into the folder while it is there";
            return false;
        }
        ::close(own);
        Step();
    }
    ::fsync(dir);
    ::unlinkat(dir, name, 0);
    Step();
    ::fsync(dir);
    ++g_foldersRecovered;
    return true;
}

// The journal of a folder of a dead command whose main journal in `mainFolder` decided it:
// applied (or, without `act`, checked) when it belongs to that command and names that main
// journal. The folder is opened below the output folder and locked while it is recovered.
bool ApplyPart(const std::string& folder, const std::string& mainFolder, const std::string& id, bool committed,
               std::string& error, bool act) {
    Held held;
    if (!HoldForRecovery(folder, held, error)) return false;
    if (held.dir < 0) return true;
    Journal journal;
    bool ok = true;
    if (!ReadJournal(held.dir, folder, kJournal, journal, error)) {
        ok = error.empty();
    } else if (journal.torn) {
        ok = Apply(held.dir, folder, kJournal, journal, false, error, act);
    } else if (!journal.main && journal.id == id && journal.mainFolder == mainFolder) {
        ok = Apply(held.dir, folder, kJournal, journal, committed, error, act);
    }
    LetGo(held);
    return ok;
}

// A dead command's main journal in the folder held by `dir`: its other folders at or below
// `within` first, then its own (when `own`, that is when the caller holds the main journal's
// folder). Every one of them is checked before the first is acted on, so that a refusal
// leaves all of them as they are.
bool ApplyMain(int dir, const std::string& folder, const char* name, const Journal& journal, const std::string& within,
               bool own, std::string& error) {
    const bool committed = std::strcmp(name, kCommitted) == 0;
    g_besideSeen.clear();
    for (const bool act : {false, true}) {
        const long before = g_foldersRecovered;
        for (const std::string& part : journal.folders) {
            if (!IsAtOrBelow(part, within) || part == folder || ApplyPart(part, folder, journal.id, committed, error, act)) continue;
            // Only a folder changed since it was checked fails here.
            if (g_foldersRecovered != before) error += " (the folders of that command before it were finished)";
            return false;
        }
        if (own && !Apply(dir, folder, name, journal, committed, error, act)) {
            if (g_foldersRecovered != before) error += " (the folders of that command below it were finished)";
            return false;
        }
    }
    return true;
}

// Recovers the journals of a folder the command holds locked, with what they name below it;
// each is checked, with every folder it names, before it is acted on.
bool RecoverHeld(int dir, const std::string& folder, std::string& error) {
    for (const char* name : {kCommitted, kJournal}) {
        Journal journal;
        if (!ReadJournal(dir, folder, name, journal, error)) {
            if (!error.empty()) return false;
            continue;
        }
        if (journal.torn) {
            if (!Apply(dir, folder, name, journal, false, error, true)) return false;
        } else if (journal.main) {
            if (!ApplyMain(dir, folder, name, journal, folder, true, error)) return false;
        } else {
            // A folder's journal whose main journal would have been recovered first.
            error = ShownPath(JoinPath(folder, name)) + ": the journal of an earlier command whose main journal " +
                    ShownPath(JoinPath(journal.mainFolder, kJournal)) +
                    " is gone or is no journal a command acts on; its files are not touched, and a command does not write into the folder while it is there";
            return false;
        }
    }
    return true;
}

// The folders from the root to `folder`, each absolute.
std::vector<std::string> FoldersDownTo(const std::string& folder) {
    std::vector<std::string> chain{"/"};
    for (size_t at = folder.find('/', 1); ; at = folder.find('/', at + 1)) {
        const std::string prefix = folder.substr(0, at);
        if (prefix.size() > 1) chain.push_back(prefix);
        if (at == std::string::npos) break;
    }
    return chain;
}

void ReleaseLocks() {
    if (g_rootFd >= 0) ::close(g_rootFd);
    g_rootFd = -1;
    g_root.clear();
    g_rootExplicit = false;
}

// A dead command's main journal in the folder `above` (above the output folder) that names
// folders at or below the output folder: those are finished as it decided. The folder above is
// locked only for this, and in the one order locks are taken, outer before inner: the output
// folder's lock is let go, the folder above's taken, then the output folder's again.
bool RecoverFromAbove(const std::string& above, std::string& error) {
    const int dir = ::open(above.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || !HasJournalName(dir)) {
        if (dir >= 0) ::close(dir);
        return true;
    }
    const auto concerns = [&](const Journal& journal) {
        return journal.main && std::any_of(journal.folders.begin(), journal.folders.end(),
                                           [](const std::string& part) { return IsAtOrBelow(part, g_root); });
    };
    bool ok = true;
    for (const char* name : {kCommitted, kJournal}) {
        Journal journal;
        if (!ReadJournal(dir, above, name, journal, error, false) || !concerns(journal)) continue;
        ::flock(g_rootFd, LOCK_UN);
        ok = LockDescriptor(dir, above, true, error) && LockDescriptor(g_rootFd, g_root, true, error);
        // Read again under the lock: the command that wrote it may have finished it meanwhile.
        Journal again;
        if (ok && ReadJournal(dir, above, name, again, error, false) && concerns(again))
            ok = ApplyMain(dir, above, name, again, g_root, false, error);
        ::flock(dir, LOCK_UN);
        if (!ok) break;
    }
    ::close(dir);
    return ok;
}

// Opens and locks the output folder `folder` (resolved) exclusively, and recovers what dead
// commands left there. The folder is held by its descriptor from here on.
bool LockRoot(const std::string& folder, const std::string& shown, bool isExplicit, std::string& error) {
    error.clear();
    if (!g_root.empty()) {
        if (IsAtOrBelow(folder, g_root)) return true;
        error = ShownPath(shown) + ": a command writes into one output folder, and this one writes into " + ShownPath(g_root);
        return false;
    }
    g_rootFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_rootFd < 0) {
        error = ShownPath(shown) + (errno == ENOENT ? ": the output folder does not exist"
                                         : ": the output folder cannot be opened (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    g_root = folder;
    const std::vector<std::string> chain = FoldersDownTo(folder);
    bool ok = LockDescriptor(g_rootFd, folder, true, error) && StillInPlace(g_rootFd, folder, error);
    for (size_t i = 0; ok && i + 1 < chain.size(); ++i) ok = RecoverFromAbove(chain[i], error);
    if (!ok || !RecoverHeld(g_rootFd, folder, error)) {
        ReleaseLocks();
        return false;
    }
    g_rootExplicit = isExplicit;
    return true;
}

std::string FolderOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The login name of a user, for a message; its number where it has none.
std::string UserName(uid_t uid) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) return found->pw_name;
    return "user " + std::to_string(uid);
}

// The path `path` leads to, every symbolic link on the way followed (qv::FollowLinks): another
// user's link that may not be followed fails it with errno EACCES and, in `refusal`, the line
// that names it and its owner.
bool ResolveLinks(const std::string& path, bool lastMayBeMissing, std::string& real, std::string* refusal = nullptr) {
    if (refusal != nullptr) refusal->clear();
    qv::RefusedLink refused;
    if (qv::FollowLinks(path, lastMayBeMissing, real, &refused)) return true;
    const int reason = errno;
    if (refusal != nullptr && !refused.path.empty())
        *refusal = ShownPath(refused.path) + ": is a symbolic link of " + UserName(refused.owner) +
                   " in a folder that everyone may write into, and such a link is followed only when it is the user's own or the "
                   "folder owner's";
    errno = reason;
    return false;
}

// The folder `folder` is, links followed (ResolveLinks): false with errno, and the line that
// refuses another user's link in `refusal`, when it cannot be found.
bool RealFolder(const std::string& folder, std::string& real, std::string* refusal = nullptr) {
    return ResolveLinks(folder, false, real, refusal);
}

std::string NewId() {
    unsigned char bytes[16] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        const long seed = static_cast<long>(::getpid()) ^ static_cast<long>(::time(nullptr));
        std::memcpy(bytes, &seed, sizeof seed);
    }
    static const char digits[] = "0123456789abcdef";
    std::string id;
    for (unsigned char b : bytes) {
        id += digits[b >> 4];
        id += digits[b & 15];
    }
    return id;
}

// Opens a folder below the output folder that the command is about to write into, from the
// output folder's descriptor, and locks it; what dead commands left there (and in a folder on
// the way that holds a journal) is recovered first. The descriptor, or -1 with a message.
int OpenAndRecoverBelow(const std::string& path, std::string& error) {
    const std::vector<std::string> chain = FoldersDownTo(path);
    for (const std::string& step : chain) {
        if (step.size() <= g_root.size() || !IsAtOrBelow(step, g_root) || g_folderAt.count(step) != 0) continue;
        const int dir = OpenHeld(step);
        if (dir < 0) {
            error = CannotOpenHeld(step, errno);
            return -1;
        }
        const bool target = step == path;
        // A folder on the way is locked only while a journal there is recovered.
        if (!target && !HasJournalName(dir)) {
            ::close(dir);
            continue;
        }
        if (!LockDescriptor(dir, step, !HoldsBelow(step), error) || !RecoverHeld(dir, step, error)) {
            ::close(dir);
            return -1;
        }
        if (target) return dir;
        ::close(dir);
    }
    error = ShownPath(path) + ": the folder cannot be opened (" + std::strerror(ENOENT) + ")";
    return -1;
}

// The folder of a target, with its journal: the first one is the main journal; a folder below
// the output folder is locked and recovered first and named in the main journal (on disk)
// before it gets its own. A folder is known only once its journal exists: one whose journal
// cannot be made (a read-only folder) is tried again, and refused again for the same reason. A
// folder whose journal cannot be trusted fails the command as a journal that cannot be written
// does, with the line that says why.
Folder* FolderFor(const std::string& path, std::string& error) {
    if (const auto found = g_folderAt.find(path); found != g_folderAt.end()) return found->second;
    if (g_main == nullptr) g_fault.clear();   // a new command
    if (!g_fault.empty()) {
        error = g_fault;
        return nullptr;
    }
    if (g_main == nullptr && path != g_root) {
        if (FolderFor(g_root, error) == nullptr) return nullptr;
    }
    const int dir = path == g_root ? OpenHeld(path) : OpenAndRecoverBelow(path, error);
    if (dir < 0) {
        // Below the output folder that is a journal it cannot trust, a link on the way or a
        // lock it may not wait for: the command's one line, whatever the write reports.
        if (path == g_root) error = CannotOpenHeld(path, errno);
        else g_fault = error;
        return nullptr;
    }
    std::string header;
    if (g_main == nullptr) {
        g_id = NewId();
        g_ownName = journal::PrivateFolderName(g_id);
        header = journal::MainHeader(g_id);
    } else {
        header = journal::PartHeader(g_id, g_root);
        if (g_namedFolders.count(path) == 0) {
            if (!Append(*g_main, journal::FolderRecord(path), path)) {
                ::close(dir);
                error = g_fault;
                return nullptr;
            }
            g_namedFolders.insert(path);
            Step();
        }
        if (!JournalOnDisk(*g_main)) {
            ::close(dir);
            error = g_fault;
            return nullptr;
        }
    }
    struct stat status {};
    ::fstat(dir, &status);
    auto* folder = new Folder;
    folder->path = Copy(path);
    folder->dir = dir;
    folder->device = status.st_dev;
    int fd = -1;
    {
        SignalsBlocked blocked;
        fd = ::openat(dir, kJournal, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (fd >= 0) {
            folder->journal.store(fd);
            folder->next = g_folders.load();
            g_folders.store(folder, std::memory_order_release);
            if (g_main == nullptr) g_main = folder;
            g_state.store(kWriting);
        }
    }
    if (fd < 0) {
        const int reason = errno;
        error = OutputFiles::CannotBeWritten(JoinPath(path, kJournal), reason);
        ::close(dir);
        std::free(folder->path);
        delete folder;
        errno = reason;
        return nullptr;
    }
    g_folderAt.emplace(path, folder);
    folder->changed = true;
    Record("journal", folder->path);
    Step();
    if (!Append(*folder, header, "")) {
        error = g_fault;
        return nullptr;
    }
    return folder;
}

// The inodes of the folders in the folder held by `dir` (and of the names whose kind its listing
// does not give), sorted.
std::vector<ino_t> FolderInodes(int dir) {
    std::vector<ino_t> inodes;
    const int names = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (names < 0) return inodes;
    alignas(dirent64) char chunk[8192];
    for (ssize_t n; (n = ::getdents64(names, chunk, sizeof chunk)) > 0;)
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(chunk + at);
            at += entry->d_reclen;
            if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) inodes.push_back(entry->d_ino);
        }
    ::close(names);
    std::sort(inodes.begin(), inodes.end());
    return inodes;
}

// Another user moved the private folder the command had just made, before the command could
// open it, to another name in its folder: the one folder of the user's there that was not there
// before (`before`, FolderInodes), empty and open to no one else, is that folder, and is removed,
// so that no empty folder of the user's stays where no command looks for it. Where there is not
// exactly one such folder, nothing is removed.
void RemoveOwnMovedAtOnce(int dir, const std::vector<ino_t>& before) {
    const std::vector<ino_t> now = FolderInodes(dir);
    std::vector<ino_t> added;
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(), std::back_inserter(added));
    const int names = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (names < 0) return;
    char found[256] = {};
    int count = 0;
    alignas(dirent64) char chunk[8192];
    for (ssize_t n; (n = ::getdents64(names, chunk, sizeof chunk)) > 0;)
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(chunk + at);
            at += entry->d_reclen;
            struct stat status {};
            if (!std::binary_search(added.begin(), added.end(), static_cast<ino_t>(entry->d_ino)) ||
                ::fstatat(dir, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(status.st_mode) ||
                status.st_uid != ::geteuid() || (status.st_mode & 077) != 0 || status.st_nlink > 2)
                continue;
            if (++count == 1) std::snprintf(found, sizeof found, "%s", entry->d_name);
        }
    ::close(names);
    if (count != 1) return;
    // Held from here on, so that a stranger who keeps exchanging names cannot make another
    // folder go in its place.
    const int held = ::openat(dir, found, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    if (held >= 0 && ::fstat(held, &status) == 0 && std::binary_search(added.begin(), added.end(), status.st_ino) &&
        status.st_uid == ::geteuid() && (status.st_mode & 077) == 0)
        RemoveMovedFolder(dir, held);
    if (held >= 0) ::close(held);
}

// Makes the folder's private folder, once its journal's header, which names it, is on disk:
// mode 0700, so that no other user can create, swap or read the names in it. A name that is
// there already was not made by this command (another user took it) and fails the command
// without being touched. False with a message.
bool MakeOwn(Folder& folder, std::string& error) {
    if (folder.own.load() >= 0) return true;
    const std::string shown = ShownPath(JoinPath(folder.path, g_ownName));
    int own = -1;
    int reason = 0;
    bool replaced = false;
    // Where another user may rename names in the folder, the folders there before the private
    // folder is made, so that one moved at once can be told from them.
    struct stat parent {};
    const bool shared = ::fstat(folder.dir, &parent) == 0 && (parent.st_uid != ::geteuid() || (parent.st_mode & 022) != 0);
    const std::vector<ino_t> before = shared ? FolderInodes(folder.dir) : std::vector<ino_t>();
    {
        // A handler sees the private folder made and known, or not made.
        SignalsBlocked blocked;
        if (::mkdirat(folder.dir, g_ownName.c_str(), 0700) != 0) {
            reason = errno;
        } else {
            Step();
            // Opened without following a link and checked, in case the name was swapped since
            // it was made.
            own = ::openat(folder.dir, g_ownName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            struct stat status {};
            replaced = own < 0 || ::fstat(own, &status) != 0 || status.st_uid != ::geteuid() || (status.st_mode & 077) != 0;
            if (replaced && own >= 0) ::close(own);
            if (!replaced) folder.own.store(own);
        }
    }
    if (reason != 0) {
        error = reason == EEXIST ? shown + ": the name of the folder this command keeps its temporary files in is taken by something it did not make; "
                                           "it is left as it is, and the command writes nothing"
                                 : OutputFiles::CannotBeWritten(JoinPath(folder.path, g_ownName), reason);
        // The command writes nothing more: its line is this one, whatever the writer that
        // asked for the file reports.
        if (reason == EEXIST && g_fault.empty()) g_fault = error;
        return false;
    }
    folder.changed = true;
    Record("own", folder.path);
    if (replaced) {
        if (shared) RemoveOwnMovedAtOnce(folder.dir, before);
        error = shown + ": the folder this command made for its temporary files was replaced by something it did not make; "
                        "it is left as it is, and the command writes nothing";
        if (g_fault.empty()) g_fault = error;
        errno = EIO;   // not whatever an earlier call left
        return false;
    }
    return true;
}

void Clear() {
    SignalsBlocked blocked;
    Folder* f = g_folders.exchange(nullptr);
    g_main = nullptr;
    g_state.store(kIdle);
    while (f != nullptr) {
        Entry* e = f->entries.exchange(nullptr);
        while (e != nullptr) {
            Entry* next = e->next;
            std::free(e->target);
            delete e;
            e = next;
        }
        if (f->journal.load() >= 0) ::close(f->journal.load());
        if (f->own.load() >= 0) ::close(f->own.load());
        ::close(f->dir);
        std::free(f->path);
        Folder* next = f->next;
        delete f;
        f = next;
    }
    g_folderAt.clear();
    g_namedFolders.clear();
    g_entryAt.clear();
    for (auto& [path, written] : g_written) CloseWritten(written);
    g_written.clear();
    g_unsynced.clear();
    if (!g_rootExplicit) ReleaseLocks();
}

} // namespace

OutputFiles& OutputFiles::Current() {
    static OutputFiles owner;
    return owner;
}

void OutputFiles::SetStepHook(void (*hook)(long)) {
    g_stepHook = hook;
    g_steps = 0;
}

void OutputFiles::InstallHandlers(int failureStatus) {
    g_failureStatus = failureStatus;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&action.sa_mask, sig);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(sig, &action, nullptr);
    // A write beyond the file-size limit then fails with EFBIG, and the command says which file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::set_new_handler(OnAllocationFailure);
}

std::string OutputFiles::PathInFolder(const std::string& given, const std::string& folder) {
    const std::filesystem::path name(given);
    if (name.is_absolute()) return name.lexically_normal().string();
    return (std::filesystem::path(folder) / name).lexically_normal().string();
}

bool OutputFiles::IsInsideFolder(const std::string& path, const std::string& folder) {
    // Compared part by part: "/o/sub2" is not in "/o/sub", and everything absolute is in "/".
    std::string base = std::filesystem::path(folder).lexically_normal().string();
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (path == base || !IsAtOrBelow(path, base)) return false;
    // The texts agree; the folders the links lead to decide, and for a file that is a link,
    // the folder of the file it leads to. The part of the path that exists is resolved (a
    // folder not made yet cannot be written into anyway).
    std::string realBase;
    if (!RealFolder(folder, realBase)) return true;
    std::string target = path;
    std::string unused;
    struct stat self {};
    if (::lstat(path.c_str(), &self) == 0 && S_ISLNK(self.st_mode) && !ResolveTarget(path, target, unused)) return true;
    std::filesystem::path existing = std::filesystem::path(target).parent_path();
    while (!existing.empty() && ::access(existing.c_str(), F_OK) != 0) existing = existing.parent_path();
    std::string real;
    if (!RealFolder(existing.string(), real)) return true;
    return IsAtOrBelow(real, realBase);
}

bool OutputFiles::LockFolder(const std::string& given, std::string& error) {
    const std::string folder = given.empty() ? std::string(".") : given;
    std::string real;
    std::string refusal;
    if (!RealFolder(folder, real, &refusal)) {
        if (!refusal.empty()) {
            error = refusal;
            return false;
        }
        error = ShownPath(folder) + (errno == ENOENT ? ": the output folder does not exist"
                                          : ": the output folder cannot be opened (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    return LockRoot(real, folder, true, error);
}

bool OutputFiles::TakesNoOwnName(const std::string& given, const std::string& target, std::string& error) {
    if (NameOfPath(target).rfind(journal::kOwnPrefix, 0) != 0) return true;
    error = (target == given ? ShownPath(given) + ": is a name" : ShownPath(given) + ": leads to " + ShownPath(target) + ", a name") +
            " of the kind qvhost gives its journals and its own folders, which no output takes";
    return false;
}

bool OutputFiles::HasUtf8Name(const std::string& path, std::string& error) {
    if (IsUtf8(path)) return true;
    error = ShownPath(PathToUtf8(path)) + ": the name is not UTF-8, and a command writes only files named in UTF-8";
    return false;
}

namespace {

// ResolveTarget, telling in `linkRefused` whether what failed it is another user's link that
// may not be followed: the command's own line, whatever the writer that asked reports.
bool ResolveOutput(const std::string& path, std::string& target, std::string& error, bool& linkRefused) {
    linkRefused = false;
    if (!OutputFiles::HasUtf8Name(path, error)) return false;
    // Every link on the way is looked at, in the folders as in the name itself: another user's
    // link in a folder everyone may write into is refused wherever it lies.
    std::string followed;
    std::string refusal;
    if (!ResolveLinks(path, true, followed, &refusal)) {
        if (!refusal.empty()) {
            error = refusal;
            linkRefused = true;
            return false;
        }
        if (errno == ELOOP) {
            error = ShownPath(path) + ": the symbolic links go round and name no file";
            return false;
        }
        // A folder on the way that is missing or cannot be searched: the write says so.
        target = path;
        return true;
    }
    struct stat found {};
    if (::lstat(followed.c_str(), &found) == 0 && !S_ISREG(found.st_mode)) {
        error = ShownPath(path) + (S_ISDIR(found.st_mode) ? ": is a folder" : ": is not a regular file") + " and is not replaced";
        return false;
    }
    // A name that is no link stays as it was given; a link names the file it leads to.
    struct stat self {};
    target = ::lstat(path.c_str(), &self) == 0 && S_ISLNK(self.st_mode) ? followed : path;
    return true;
}

} // namespace

bool OutputFiles::ResolveTarget(const std::string& path, std::string& target, std::string& error) {
    bool linkRefused = false;
    return ResolveOutput(path, target, error, linkRefused);
}

namespace {

// Gives a file the owner (where the process may: as root), group and permissions of the file
// it stands for. The owner and group first: changing them clears the setuid and setgid bits,
// as a write by a user who is not root does, so this comes after the file's last write. An
// owner or group the process may not give stays the process's own, and the set-id bit that
// would then apply to that other user or group is not set.
bool GiveOwnerAndMode(int fd, uid_t earlierOwner, gid_t earlierGroup, mode_t earlierMode) {
    const uid_t owner = ::geteuid() == 0 && earlierOwner != 0 ? earlierOwner : static_cast<uid_t>(-1);
    if ((owner != static_cast<uid_t>(-1) || earlierGroup != ::getegid()) && ::fchown(fd, owner, earlierGroup) != 0 &&
        owner != static_cast<uid_t>(-1))
        (void)::fchown(fd, static_cast<uid_t>(-1), earlierGroup);
    struct stat now {};
    if (::fstat(fd, &now) != 0) return false;
    mode_t mode = earlierMode;
    if (now.st_uid != earlierOwner) mode &= ~static_cast<mode_t>(S_ISUID);
    if (now.st_gid != earlierGroup) mode &= ~static_cast<mode_t>(S_ISGID);
    return ::fchmod(fd, mode) == 0;
}

// Gives a new file the permissions every file made now gets (0666 less the process's file mode
// mask), after its last write: it was made open to no one else (kPrivateMode). A mask that cannot
// be read leaves it so.
bool GiveNewFileMode(int fd) {
    const int mode = NewFileMode();
    return mode < 0 || ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
}

bool TakeOwnerAndMode(int fd, const Entry& entry) { return GiveOwnerAndMode(fd, entry.owner, entry.group, entry.mode); }

// A step that changed the names of a folder or of its private folder, for the target `name`:
// noted for the test of their order (`what`: "write" makes a file, "keep" names a backup,
// "touch" any other change), and both folders are synced before the commit point.
void Changed(Folder& folder, const char* what, const char* name) {
    folder.changed = true;
    folder.ownChanged = true;
    Record(what, folder.path, name);
    Step();
}

// Keeps the earlier contents in a copy where the file system has no second links (a FAT
// stick, or a file with as many links as the system allows). The copy is made under the
// entry's temporary name, synced, and only then renamed to the backup name: a rollback, a
// signal handler or a recovery finds the backup whole or not at all, and without one leaves
// the target as it is. True when the backup is in place.
bool CopyAside(Folder& folder, Entry& entry, int linkError) {
    if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != EMLINK) {
        errno = linkError;
        return false;
    }
    const int own = folder.own.load();
    const int from = ::openat(folder.dir, entry.target, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0) return false;
    entry.hasTemporary = 1;
    const int to = ::openat(own, entry.temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateMode);
    bool copied = to >= 0;
    if (copied) Changed(folder, "write", entry.target);
    char chunk[65536];
    for (ssize_t n; copied && (n = ::read(from, chunk, sizeof chunk)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        copied = n > 0 && WriteAll(to, std::string(chunk, static_cast<size_t>(n)));
    }
    copied = copied && TakeOwnerAndMode(to, entry) && SyncFile(to, folder, entry.target) == 0;
    int reason = errno;
    ::close(from);
    if (to >= 0) ::close(to);
    if (copied) {
        Step();
        entry.kept = 1;
        copied = ::renameat(own, entry.temporary, own, entry.backup) == 0;
        reason = errno;
    }
    if (copied) {
        entry.hasTemporary = 0;
        Changed(folder, "keep", entry.target);
        return true;
    }
    entry.kept = 0;
    if (to >= 0) ::unlinkat(own, entry.temporary, 0);
    entry.hasTemporary = 0;
    errno = reason;
    return false;
}

// Keeps the earlier contents of an entry's target under its backup name in the private
// folder, once, before the target is replaced or set aside. False with a message.
bool KeepEarlier(Folder& folder, Entry& entry, const std::string& given, std::string& error) {
    if (entry.backup == nullptr || entry.kept) return true;
    if (!MakeOwn(folder, error)) return false;
    entry.kept = 1;
    if (!g_noSecondLinks && ::linkat(folder.dir, entry.target, folder.own.load(), entry.backup, 0) == 0) {
        Changed(folder, "keep", entry.target);
        return true;
    }
    entry.kept = 0;
    if (!CopyAside(folder, entry, g_noSecondLinks ? EMLINK : errno)) {
        const int reason = errno;
        error = OutputFiles::CannotBeWritten(given, reason);
        errno = reason;
        return false;
    }
    return true;
}

// The entry of a target (links followed), named in the folder's journal: a target is known
// only once its line is written. Null with a message (and, when the journal could not be
// written, the command's journal fault set).
Entry* EntryFor(const std::string& given, Folder*& folder, std::string& error) {
    std::string target;
    bool linkRefused = false;
    std::string refusal;
    std::string real;
    const bool resolved = ResolveOutput(given, target, error, linkRefused);
    if (resolved && !RealFolder(FolderOfPath(target), real, &refusal)) {
        linkRefused = !refusal.empty();
        error = linkRefused ? refusal : OutputFiles::CannotBeWritten(given, errno);
    }
    if (!resolved || real.empty()) {
        // Another user's link is refused in the command's own words, whatever the write reports.
        if (linkRefused && g_fault.empty()) g_fault = error;
        return nullptr;
    }
    const std::string name = NameOfPath(target);
    if (!OutputFiles::TakesNoOwnName(given, target, error)) {
        // The command's line, whatever the write reports: no system error says this.
        if (g_fault.empty()) g_fault = error;
        return nullptr;
    }
    if (g_root.empty() && !LockRoot(real, real, false, error)) return nullptr;
    if (!IsAtOrBelow(real, g_root)) {
        error = ShownPath(given) + ": would lie outside the output folder " + ShownPath(g_root) + ", and a command writes only there";
        return nullptr;
    }
    folder = FolderFor(real, error);
    if (folder == nullptr) return nullptr;
    const std::string key = JoinPath(real, name);
    if (const auto found = g_entryAt.find(key); found != g_entryAt.end()) return found->second;
    struct stat status {};
    const bool existed = ::fstatat(folder->dir, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (!Append(*folder, journal::FileRecord(name, folder->files, existed), name)) {
        error = g_fault;
        return nullptr;
    }
    auto* entry = new Entry;
    entry->target = Copy(name);
    std::snprintf(entry->temporary, sizeof entry->temporary, "%s", journal::TemporaryName(folder->files).c_str());
    std::snprintf(entry->backupName, sizeof entry->backupName, "%s", journal::BackupName(folder->files).c_str());
    entry->backup = existed ? entry->backupName : nullptr;
    entry->mode = status.st_mode & 07777;
    entry->owner = status.st_uid;
    entry->group = status.st_gid;
    ++folder->files;
    g_entryAt.emplace(key, entry);
    {
        SignalsBlocked blocked;
        entry->next = folder->entries.load();
        folder->entries.store(entry, std::memory_order_release);
    }
    Step();
    return entry;
}

// Removes a name the command made for an entry (in the folder `dir`: the folder's or its
// private folder), before the entry is written again.
void RemoveName(Folder& folder, int dir, const Entry& entry, const char* name) {
    ::unlinkat(dir, name, 0);
    Changed(folder, "touch", entry.target);
}

// Puts every file the command wrote, and every folder it changed, on disk before the commit
// point: file by file where there are few; else the file system once, since a sync of each of
// thousands of files costs a disk's latency each time. False with a message.
bool SyncForCommit(std::string& error) {
    constexpr size_t kFewFiles = 8;
    if (g_unsynced.size() > kFewFiles) {
        std::vector<dev_t> synced;
        for (Folder* f = g_folders.load(); f != nullptr; f = f->next) {
            if (!f->changed) continue;
            if (std::find(synced.begin(), synced.end(), f->device) == synced.end()) {
                Record("sync-all", f->path);
                if (::syncfs(f->dir) != 0) {
                    error = OutputFiles::CannotBeWritten(f->path, errno);
                    return false;
                }
                synced.push_back(f->device);
            }
            f->changed = false;
            f->ownChanged = false;
        }
    } else {
        for (const auto& [folder, entry] : g_unsynced) {
            const int fd = ::openat(folder->dir, entry->target, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 || SyncFile(fd, *folder, entry->target) != 0) {
                error = OutputFiles::CannotBeWritten(JoinPath(folder->path, entry->target), errno);
                if (fd >= 0) ::close(fd);
                return false;
            }
            ::close(fd);
        }
        for (Folder* f = g_folders.load(); f != nullptr; f = f->next) {
            if (f->ownChanged && f->own.load() >= 0 && SyncOwn(*f) != 0) {
                error = OutputFiles::CannotBeWritten(JoinPath(f->path, g_ownName), errno);
                return false;
            }
            f->ownChanged = false;
            if (!f->changed) continue;
            if (SyncFolder(*f) != 0) {
                error = OutputFiles::CannotBeWritten(f->path, errno);
                return false;
            }
            f->changed = false;
        }
    }
    for (const auto& [folder, entry] : g_unsynced) entry->unsynced = false;
    g_unsynced.clear();
    return true;
}

// The innermost session's pending file of a key, or null.
SessionFile* PendingFile(const std::string& key) {
    if (g_sessions.empty() || key.empty()) return nullptr;
    for (SessionFile& file : g_sessions.back())
        if (file.key == key) return &file;
    return nullptr;
}

// Before the first write of a data file since the session's last commit: what its target,
// `name` in the folder held by `dir`, holds now, kept open. A target that is no regular file is
// left to the write, which refuses it.
void KeepForSession(const std::string& key, int dir, const char* name) {
    if (g_sessions.empty() || g_puttingBack || PendingFile(key) != nullptr) return;
    SessionFile file;
    file.key = key;
    // Not blocking on a pipe.
    file.kept = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file.kept < 0 && errno != ENOENT) file.keptError = errno;
    struct stat status {};
    if (file.kept >= 0 && (::fstat(file.kept, &status) != 0 || !S_ISREG(status.st_mode))) {
        ::close(file.kept);
        return;
    }
    g_sessions.back().push_back(std::move(file));
}

// A file of the session took the target's place: only that file is removed again where the
// target held nothing before. A file an inner session put back is the outer one's again.
void NotePlaced(const std::string& key, dev_t device, ino_t inode) {
    if (SessionFile* file = PendingFile(key)) {
        file->placed = true;
        file->placedDevice = device;
        file->placedInode = inode;
    }
}

// A target that no longer holds a file of the command needs no sync before the commit point.
void ForgetUnsynced(Entry& entry) {
    if (!entry.unsynced) return;
    entry.unsynced = false;
    std::erase_if(g_unsynced, [&entry](const std::pair<Folder*, Entry*>& pending) { return pending.second == &entry; });
}

bool SameFileAt(int dir, const char* name, const struct stat& file) {
    struct stat now {};
    return ::fstatat(dir, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, file);
}

std::string CannotBePutBack(const std::string& path, int error) {
    return ShownPath(path) + ": cannot be put back as it was at the sheet's last commit: " + std::strerror(error);
}

// Writes the contents kept for a pending file in the target's place, through the owner's own
// road (the journal, or a temporary file beside it), as any data file is written.
bool WriteKeptContents(const SessionFile& file, std::string& error) {
    OutputFiles& owner = OutputFiles::Current();
    std::string temporary;
    g_puttingBack = true;
    const int fd = owner.OpenFile(file.key, temporary, error, false);
    g_puttingBack = false;
    if (fd < 0) return false;
    bool copied = true;
    char chunk[65536];
    off_t at = 0;
    for (ssize_t n; copied && (n = ::pread(file.kept, chunk, sizeof chunk, at)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        copied = n > 0 && WriteAll(fd, std::string(chunk, static_cast<size_t>(n)));
        at += n > 0 ? n : 0;
    }
    int reason = errno;
    if (::close(fd) != 0 && copied) {
        copied = false;
        reason = errno;
    }
    if (copied && owner.PutInPlace(temporary, file.key)) return true;
    if (copied) reason = errno;
    owner.Discard(temporary);
    error = owner.JournalFault().empty() ? CannotBePutBack(file.key, reason) : owner.JournalFault();
    return false;
}

// Gives a pending file's target what it held at the session's last commit. A target the
// command journals gets its earlier contents back from the journal's backup where that is
// what it held (the same file, so links and identity are kept too); one that held nothing
// loses the file the session put there, and only that file.
bool PutBack(const SessionFile& file, std::string& error) {
    const auto entryAt = g_entryAt.find(file.key);
    const auto folderAt = g_folderAt.find(FolderOfPath(file.key));
    Entry* entry = entryAt != g_entryAt.end() && folderAt != g_folderAt.end() ? entryAt->second : nullptr;
    Folder* folder = entry != nullptr ? folderAt->second : nullptr;
    const int own = folder != nullptr ? folder->own.load() : -1;
    if (file.kept < 0) {
        if (!file.placed) return true;
        if (file.keptError != 0) {
            error = CannotBePutBack(file.key, file.keptError);
            return false;
        }
        struct stat placed {};
        placed.st_dev = file.placedDevice;
        placed.st_ino = file.placedInode;
        const int dir = folder != nullptr ? folder->dir : ::open(FolderOfPath(file.key).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const std::string name = NameOfPath(file.key);
        if (dir >= 0 && SameFileAt(dir, name.c_str(), placed)) {
            ::unlinkat(dir, name.c_str(), 0);
            Step();
        }
        if (folder == nullptr) {
            if (dir >= 0) ::close(dir);
            return true;
        }
        // The journal's line stays: with nothing made and no temporary file left, a rollback
        // or a recovery leaves the name as it is now.
        if (entry->hasTemporary && own >= 0) ::unlinkat(own, entry->temporary, 0);
        entry->hasTemporary = 0;
        entry->made = 0;
        ForgetUnsynced(*entry);
        Changed(*folder, "touch", entry->target);
        return true;
    }
    struct stat kept {};
    if (::fstat(file.kept, &kept) != 0) {
        error = CannotBePutBack(file.key, errno);
        return false;
    }
    if (folder != nullptr && entry->backup != nullptr && entry->kept && own >= 0 && SameFileAt(own, entry->backup, kept)) {
        if (!g_fault.empty()) {
            error = g_fault;
            return false;
        }
        if (::renameat(own, entry->backup, folder->dir, entry->target) != 0) {
            error = CannotBePutBack(file.key, errno);
            return false;
        }
        entry->kept = 0;
        if (entry->hasTemporary) ::unlinkat(own, entry->temporary, 0);
        entry->hasTemporary = 0;
        ForgetUnsynced(*entry);
        Changed(*folder, "touch", entry->target);
        return true;
    }
    const int dir = ::open(FolderOfPath(file.key).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool unchanged = dir >= 0 && SameFileAt(dir, NameOfPath(file.key).c_str(), kept);
    if (dir >= 0) ::close(dir);
    return unchanged || WriteKeptContents(file, error);
}

} // namespace

bool OutputFiles::Plan(const std::vector<std::string>& targets, std::string& error) {
    for (const std::string& target : targets) {
        Folder* folder = nullptr;
        std::string refused;
        if (EntryFor(target, folder, refused) == nullptr && !g_fault.empty()) {
            error = g_fault;
            return false;
        }
    }
    return true;
}

int OutputFiles::OpenFile(const std::string& target, std::string& temporary, std::string& error, bool startsCommand) {
    // A data file of an edit session: what its target holds now is kept, for a Cancel (but for
    // a file that is being put back, whose place is noted all the same).
    const bool sessionFile = !startsCommand && !g_sessions.empty();
    std::string real;
    if (!startsCommand && !g_rootExplicit &&
        ((g_root.empty() && g_state.load() == kIdle) ||
         (!g_root.empty() && RealFolder(FolderOfPath(target), real) && !IsAtOrBelow(real, g_root)))) {
        // No command writes here (a library user's own session, or a data file beside the
        // folder of a library user's output): a hidden file beside the target, renamed onto
        // it when complete. The folder is held from here on, and the file is reached only
        // through it and the descriptor it was made with, as the journaled files are.
        std::string resolved;
        bool linkRefused = false;
        if (!ResolveOutput(target, resolved, error, linkRefused)) {
            errno = linkRefused ? EACCES : EINVAL;
            return -1;
        }
        Written written;
        written.target = resolved;
        written.targetName = NameOfPath(resolved);
        // The folder is opened at the name its links lead to, each of them checked on the way.
        std::string folderReal;
        std::string refusal;
        if (!RealFolder(FolderOfPath(resolved), folderReal, &refusal) && !refusal.empty()) {
            error = refusal;
            errno = EACCES;
            return -1;
        }
        written.dir = folderReal.empty() ? -1 : ::open(folderReal.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat status {};
        if (written.dir >= 0 && ::fstatat(written.dir, written.targetName.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
            written.kept = true;
            written.mode = status.st_mode & 07777;
            written.owner = status.st_uid;
            written.group = status.st_gid;
        }
        // A name taken a thousand times over is a folder no temporary file can be made in.
        int fd = -1;
        errno = written.dir < 0 ? errno : EEXIST;
        for (int n = 0; written.dir >= 0 && fd < 0 && errno == EEXIST && n < 1000; ++n) {
            written.name = "." + written.targetName.substr(0, 200) + ".qvtmp" + (n == 0 ? std::string() : "." + std::to_string(n));
            fd = ::openat(written.dir, written.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateMode);
        }
        if (fd >= 0) written.file = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (fd < 0 || written.file < 0) {
            const int reason = errno;
            if (fd >= 0) {
                ::unlinkat(written.dir, written.name.c_str(), 0);
                ::close(fd);
            }
            CloseWritten(written);
            error = CannotBeWritten(target, reason);
            errno = reason;
            return -1;
        }
        temporary = JoinPath(FolderOfPath(resolved), written.name);
        if (sessionFile) {
            written.sessionKey = resolved;
            KeepForSession(resolved, written.dir, written.targetName.c_str());
        }
        g_written[temporary] = std::move(written);
        return fd;
    }
    Folder* folder = nullptr;
    errno = 0;
    Entry* entry = EntryFor(target, folder, error);
    if (entry != nullptr && !JournalOnDisk(*folder)) {
        error = g_fault;
        entry = nullptr;
        errno = EIO;
    }
    if (entry != nullptr && (!StillInPlace(folder->dir, folder->path, error) || !OwnStillInPlace(*folder, error))) {
        g_fault = error;
        entry = nullptr;
        errno = EIO;
    }
    if (entry == nullptr || !MakeOwn(*folder, error) || !KeepEarlier(*folder, *entry, target, error)) {
        if (errno == 0) errno = EIO;
        return -1;
    }
    const std::string sessionKey = sessionFile ? JoinPath(folder->path, entry->target) : std::string();
    if (sessionFile) KeepForSession(sessionKey, folder->dir, entry->target);
    const int own = folder->own.load();
    if (entry->made) {
        // Written again: the command's earlier file goes (its temporary name keeps it, for a
        // rollback, until the next write begins).
        RemoveName(*folder, folder->dir, *entry, entry->target);
        entry->made = 0;
    }
    if (entry->hasTemporary) {
        // A temporary file of an earlier write of the same target that did not take its place.
        RemoveName(*folder, own, *entry, entry->temporary);
        entry->hasTemporary = 0;
    }
    entry->hasTemporary = 1;
    const int fd = ::openat(own, entry->temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateMode);
    if (fd < 0) {
        const int reason = errno;
        entry->hasTemporary = 0;
        error = CannotBeWritten(target, reason);
        errno = reason;
        return -1;
    }
    struct stat made {};
    ::fstat(fd, &made);
    entry->writtenDevice = made.st_dev;
    entry->writtenInode = made.st_ino;
    Changed(*folder, "write", entry->target);
    temporary = JoinPath(JoinPath(folder->path, g_ownName), entry->temporary);
    Written& written = g_written[temporary];
    written.target = JoinPath(folder->path, entry->target);
    written.folder = folder;
    written.entry = entry;
    written.sessionKey = sessionKey;
    return fd;
}

void OutputFiles::Discard(const std::string& temporary) {
    const auto found = g_written.find(temporary);
    if (found == g_written.end()) return;
    if (found->second.entry == nullptr) {
        // Not journaled: a hidden file beside the target of a library user's own session, removed
        // only where its name still holds the file made.
        Written& written = found->second;
        struct stat made {};
        struct stat named {};
        if (::fstat(written.file, &made) == 0 && ::fstatat(written.dir, written.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            SameFile(made, named))
            ::unlinkat(written.dir, written.name.c_str(), 0);
        CloseWritten(written);
    } else if (found->second.entry->hasTemporary && found->second.folder->own.load() >= 0) {
        Folder& folder = *found->second.folder;
        Entry& entry = *found->second.entry;
        RemoveName(folder, folder.own.load(), entry, entry.temporary);
        entry.hasTemporary = 0;
    }
    g_written.erase(found);
}

bool OutputFiles::PutInPlace(const std::string& temporary, const std::string& target) {
    const auto found = g_written.find(temporary);
    if (found == g_written.end()) {
        errno = ENOENT;
        return false;
    }
    if (found->second.entry == nullptr) {
        // Not journaled: on disk before it takes the target's place, so that a crash leaves no
        // empty output. It takes the owner (where the process may), group and permissions of
        // the file it replaces after its last write, which would clear setuid and setgid, and
        // only the file made and written takes the target's place.
        Written& written = found->second;
        struct stat made {};
        struct stat named {};
        bool ok = ::fstat(written.file, &made) == 0 &&
                  ::fstatat(written.dir, written.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0;
        if (ok && !SameFile(made, named)) {
            ok = false;
            errno = EIO;
        }
        if (ok) (void)(written.kept ? GiveOwnerAndMode(written.file, written.owner, written.group, written.mode)
                                    : GiveNewFileMode(written.file));
        ok = ok && ::fsync(written.file) == 0 &&
             ::renameat(written.dir, written.name.c_str(), written.dir, written.targetName.c_str()) == 0;
        const int reason = errno;
        const std::string sessionKey = std::move(written.sessionKey);
        CloseWritten(written);
        g_written.erase(found);
        if (!ok) {
            errno = reason;
            return false;
        }
        NotePlaced(sessionKey, made.st_dev, made.st_ino);
        Step();
        return true;
    }
    Folder& folder = *found->second.folder;
    Entry& entry = *found->second.entry;
    if (!g_fault.empty()) {
        errno = EIO;
        return false;
    }
    const int own = folder.own.load();
    // What takes the target's place is the file this command wrote, in the folder it made.
    std::string moved;
    if (!OwnStillInPlace(folder, moved)) g_fault = moved;
    else if (!IsWrittenFile(own, entry))
        g_fault = ShownPath(JoinPath(folder.path, entry.target)) +
                  ": the temporary file this command wrote for it is no longer in the folder it made; the command writes nothing";
    if (!g_fault.empty()) {
        errno = EIO;
        return false;
    }
    if (entry.backup != nullptr) {
        // The replacement keeps the owner (where the process may), group and permissions of
        // the file it replaces, set after its last write, which would clear setuid and setgid.
        const int fd = ::openat(own, entry.temporary, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return false;
        (void)TakeOwnerAndMode(fd, entry);
        ::close(fd);
        if (::renameat(own, entry.temporary, folder.dir, entry.target) != 0) return false;
        entry.hasTemporary = 0;
    } else {
        // A new target gets the permissions of every new file, after its last write.
        const int fd = ::openat(own, entry.temporary, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return false;
        const bool given = GiveNewFileMode(fd);
        ::close(fd);
        if (!given) return false;
        // A new target is a second link of its temporary file until the commit: what a
        // rollback removes is the file the command made, not one made later under its name.
        entry.made = 1;
        if (::linkat(own, entry.temporary, folder.dir, entry.target, 0) != 0) {
            const int reason = errno;
            entry.made = 0;
            if (reason != EPERM && reason != EOPNOTSUPP) {
                errno = reason;
                return false;
            }
            // A file system without links: the file is renamed into place, and only this
            // process's own rollback knows it as the command's.
            entry.made = kMadeByRename;
            if (::renameat(own, entry.temporary, folder.dir, entry.target) != 0) {
                entry.made = 0;
                return false;
            }
            entry.hasTemporary = 0;
        }
    }
    if (!entry.unsynced) {
        entry.unsynced = true;
        g_unsynced.emplace_back(&folder, &entry);
    }
    NotePlaced(found->second.sessionKey, entry.writtenDevice, entry.writtenInode);
    // The temporary name is taken; forgetting it at once keeps the command's memory to what
    // its journal needs, whatever the number of files it writes.
    g_written.erase(found);
    Changed(folder, "touch", entry.target);
    return true;
}

bool OutputFiles::SetAside(const std::string& target) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    std::string error;
    Folder* folder = nullptr;
    Entry* entry = EntryFor(target, folder, error);
    if (entry == nullptr || entry->backup == nullptr || entry->made || !JournalOnDisk(*folder) ||
        !KeepEarlier(*folder, *entry, target, error))
        return false;
    if (::unlinkat(folder->dir, entry->target, 0) != 0) return false;
    Changed(*folder, "touch", entry->target);
    return true;
}

void OutputFiles::BringBack(const std::string& target) {
    std::string real;
    if (!RealFolder(FolderOfPath(target), real)) return;
    const auto found = g_entryAt.find(JoinPath(real, NameOfPath(target)));
    const auto at = g_folderAt.find(real);
    if (found == g_entryAt.end() || at == g_folderAt.end() || !found->second->kept || !g_fault.empty()) return;
    Folder& folder = *at->second;
    Entry& entry = *found->second;
    if (Exists(folder.dir, entry.target)) return;
    if (::renameat(folder.own.load(), entry.backup, folder.dir, entry.target) != 0) return;
    entry.kept = 0;
    Changed(folder, "touch", entry.target);
}

void OutputFiles::BeginSession() { g_sessions.emplace_back(); }

void OutputFiles::CommitSession() {
    if (g_sessions.empty()) return;
    for (const SessionFile& file : g_sessions.back())
        if (file.kept >= 0) ::close(file.kept);
    g_sessions.back().clear();
}

bool OutputFiles::EndSession(bool takeBack, std::string& error) {
    if (g_sessions.empty()) return true;
    std::vector<SessionFile> files = std::move(g_sessions.back());
    g_sessions.pop_back();
    bool ok = true;
    if (takeBack) {
        // The last written first; a file that cannot be put back fails the command, which
        // then takes back everything, but the others are put back all the same.
        for (auto file = files.rbegin(); file != files.rend(); ++file) {
            std::string failed;
            if (!PutBack(*file, failed) && ok) {
                ok = false;
                error = failed;
            }
        }
    } else if (!g_sessions.empty()) {
        // The outer session keeps what a file held at its own last commit, and learns what
        // the inner one put in place.
        for (SessionFile& file : files) {
            SessionFile* outer = PendingFile(file.key);
            if (outer == nullptr) {
                g_sessions.back().push_back(file);
                file.kept = -1;
                continue;
            }
            if (file.placed) {
                outer->placed = true;
                outer->placedDevice = file.placedDevice;
                outer->placedInode = file.placedInode;
            }
        }
    }
    for (const SessionFile& file : files)
        if (file.kept >= 0) ::close(file.kept);
    return ok;
}

bool OutputFiles::Commit(std::string& error) {
    if (g_state.load() != kWriting) {
        Clear();
        return true;
    }
    // The folders written into are still the ones checked, and everything the journals name is
    // on disk, before the commit point.
    for (Folder* f = g_folders.load(); f != nullptr && g_fault.empty(); f = f->next)
        if (!StillInPlace(f->dir, f->path, error) || !OwnStillInPlace(*f, error)) g_fault = error;
    if (!g_fault.empty() || !SyncForCommit(error)) {
        if (!g_fault.empty()) error = g_fault;
        Rollback();
        Clear();
        return false;
    }
    bool committed = false;
    {
        SignalsBlocked blocked;
        Record("commit", g_main->path);
        if (::renameat(g_main->dir, kJournal, g_main->dir, kCommitted) != 0) {
            error = CannotBeWritten(JoinPath(g_main->path, kJournal), errno);
        } else {
            // A signal that comes here waits for the state to say so.
            Step();
            g_state.store(kPastCommit);
            g_passedCommit.store(true);
            committed = true;
        }
    }
    if (!committed) {
        Rollback();
        Clear();
        return false;
    }
    // The commit point is on disk before anything that kept the earlier contents goes.
    SyncFolder(*g_main);
    Step();
    FinishFolders(true);
    const std::string untidied = Untidied();
    Clear();
    if (untidied.empty()) return true;
    error = untidied;
    return false;
}

void OutputFiles::Rollback() {
    const int state = g_state.load();
    if (state == kIdle) return;
    g_rollingBack = 1;
    FinishFolders(state == kPastCommit);
    g_rollingBack = 0;
    g_state.store(kIdle);
}

bool OutputFiles::Settle(bool keep, std::string* error) {
    if (keep) {
        std::string message;
        const bool committed = Commit(message);
        if (!committed && error != nullptr) *error = message;
        return committed;
    }
    Rollback();
    Clear();
    return true;
}

bool OutputFiles::Committed() const { return g_passedCommit.load(); }

const std::string& OutputFiles::JournalFault() const { return g_fault; }

void OutputFiles::SetFaultsForTest(bool noSecondLinks, long failAppend, long failJournalSync) {
    g_noSecondLinks = noSecondLinks;
    g_failAppend = failAppend;
    g_appends = 0;
    g_failJournalSync = failJournalSync;
    g_journalSyncs = 0;
}

void OutputFiles::RecordCallsForTest(std::vector<std::string>* calls) { g_calls = calls; }

void OutputFiles::SetMovedSearchHookForTest(void (*hook)(long pass)) { g_movedSearchHook = hook; }

void OutputFiles::SetMovedListedHookForTest(void (*hook)(long pass)) { g_movedListedHook = hook; }

std::string OutputFiles::CannotBeWritten(const std::string& path, int error) {
    return ShownPath(path) + ": cannot be written: " + std::strerror(error);
}

} // namespace qv
