#include "editor/output_files.h"

#include "afx/message_text.h"
#include "editor/journal_format.h"
#include "editor/text_codec.h"

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

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// The journal of a folder, and the main journal's name once the command passed its commit point.
constexpr const char* kJournal = journal::kJournalName;
constexpr const char* kCommitted = journal::kCommittedName;

// The command's state: nothing written yet, writing (journals may exist), past the commit point.
enum State { kIdle = 0, kWriting = 1, kPastCommit = 2 };

int g_failureStatus = 2;
void (*g_stepHook)(long) = nullptr;
long g_steps = 0;

// A step that changed the file system: the crash test may end the process after it.
void Step() {
    ++g_steps;
    if (g_stepHook != nullptr) g_stepHook(g_steps);
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

// One target of the command, by bare names in its folder: the temporary file it is written to,
// and the second link that keeps its earlier contents (null when the target is new). Made
// whole before it is published, so that a handler sees it complete or not at all.
struct Entry {
    char* target = nullptr;
    char* temporary = nullptr;
    char* backup = nullptr;
    mode_t mode = 0;
    gid_t group = 0;
    Entry* next = nullptr;
};

// A folder the command writes into, with its journal.
struct Folder {
    char* path = nullptr;   // absolute, links resolved
    int dir = -1;
    std::atomic<int> journal{-1};
    std::atomic<Entry*> entries{nullptr};
    Folder* next = nullptr;
};

std::atomic<int> g_state{kIdle};
std::atomic<bool> g_passedCommit{false};   // some command of this process passed its commit point
// The folders written into, newest first: the output folder's (the main journal) is the last.
std::atomic<Folder*> g_folders{nullptr};
Folder* g_main = nullptr;
std::string g_id;
std::unordered_map<std::string, Folder*> g_folderAt;
std::unordered_map<std::string, Entry*> g_entryAt;          // by folder + '/' + name
std::unordered_set<std::string> g_namesTaken;                // folder + '/' + temporary or backup name
std::unordered_map<std::string, std::string> g_targetOf;     // temporary path -> target path

// The locked output folder and the descriptors that hold its locks.
std::string g_root;
bool g_rootExplicit = false;
std::vector<int> g_lockFds;

char* Copy(const std::string& text) {
    char* copy = ::strdup(text.c_str());
    if (copy == nullptr) throw std::bad_alloc();
    return copy;
}

bool Exists(int dir, const char* name) {
    struct stat st {};
    return ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Takes back one entry: the temporary file goes, the earlier contents come back (or a new
// target goes). Each step is safe to do again, so a recovery that is interrupted can be repeated.
void TakeBack(int dir, const char* target, const char* temporary, const char* backup) {
    ::unlinkat(dir, temporary, 0);
    if (backup == nullptr) {
        ::unlinkat(dir, target, 0);
        return;
    }
    struct stat kept {};
    struct stat now {};
    if (::fstatat(dir, backup, &kept, AT_SYMLINK_NOFOLLOW) != 0) return;
    // A rename between two links of one file does nothing: the target still is the earlier file.
    if (::fstatat(dir, target, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == kept.st_dev && now.st_ino == kept.st_ino)
        ::unlinkat(dir, backup, 0);
    else
        ::renameat(dir, backup, dir, target);
}

// Past the commit point: what kept the earlier contents and any temporary file go.
void Tidy(int dir, const char* temporary, const char* backup) {
    ::unlinkat(dir, temporary, 0);
    if (backup != nullptr) ::unlinkat(dir, backup, 0);
}

// Finishes the command's folders from the list in memory: taken back, or tidied past the
// commit point; the other folders' journals go before the main one. No allocation, no lock.
void FinishFolders(bool committed, bool stepped) {
    for (Folder* f = g_folders.load(std::memory_order_acquire); f != nullptr; f = f->next) {
        for (Entry* e = f->entries.load(std::memory_order_acquire); e != nullptr; e = e->next) {
            if (committed)
                Tidy(f->dir, e->temporary, e->backup);
            else
                TakeBack(f->dir, e->target, e->temporary, e->backup);
            if (stepped) Step();
        }
        ::fsync(f->dir);
        if (f->journal.load() >= 0) {
            ::unlinkat(f->dir, f == g_main && committed ? kCommitted : kJournal, 0);
            if (f != g_main) ::fsync(f->dir);
            if (stepped) Step();
        }
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

// Appends a record to a journal, on disk before the step it announces. A journal stays within
// the size recovery reads (EFBIG beyond it).
bool Append(int fd, const std::string& record) {
    struct stat status {};
    if (::fstat(fd, &status) == 0 && static_cast<size_t>(status.st_size) + record.size() > journal::kMaxBytes) {
        errno = EFBIG;
        return false;
    }
    return WriteAll(fd, record) && ::fdatasync(fd) == 0;
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

// What makes the file at a journal's name in `folder` no journal recovery may act on ("" when
// it is one): only a regular file of the user or root, within the size a command writes, whose
// every record reads, whose folders lie below its own as they are named (no link on the way),
// and, for a folder's journal, whose main journal's folder holds its own.
std::string Untrusted(const std::string& folder, const std::string& path, const char* name, Journal& journal) {
    struct stat seen {};
    if (::lstat(path.c_str(), &seen) != 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    if (S_ISLNK(seen.st_mode)) return "is a symbolic link";
    if (S_ISDIR(seen.st_mode)) return "is a folder";
    if (S_ISFIFO(seen.st_mode)) return "is a pipe";
    if (!S_ISREG(seen.st_mode)) return "is no regular file";
    // Opened without following a link or waiting for a writer, as what was looked at.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    struct stat opened {};
    std::string why;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino)
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

// Reads the journal `name` of a folder: false when there is none, or when the file of that name
// is no journal recovery may act on. In a folder the command holds (`held`) that fails the
// command with `error` and leaves the file as it is; in a folder above, such a file names
// nothing the command acts on and is passed over.
bool ReadJournal(const std::string& folder, const char* name, Journal& journal, std::string& error, bool held = true) {
    error.clear();
    const std::string path = JoinPath(folder, name);
    struct stat seen {};
    // A folder that cannot be searched holds no journal this command could have to act on:
    // it cannot write there either.
    if (::lstat(path.c_str(), &seen) != 0 && (errno == ENOENT || errno == ENOTDIR || errno == EACCES)) return false;
    const std::string why = Untrusted(folder, path, name, journal);
    if (why.empty()) return true;
    if (held)
        error = ShownPath(path) + ": " + why + ", so it is no journal a command acts on; nothing is touched, and a command does not "
                "write into its folder while it is there";
    return false;
}

// Applies a dead command's journal to its folder (taken back, or tidied past its commit point)
// and removes the journal.
bool Apply(const std::string& folder, const char* name, const Journal& journal, bool committed, std::string& error) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        error = ShownPath(folder) + ": the folder of an earlier command's journal cannot be opened (" + std::strerror(errno) + ")";
        return false;
    }
    for (auto it = journal.files.rbegin(); it != journal.files.rend(); ++it) {
        const std::string temporary = it->TemporaryName();
        const std::string backup = it->BackupName();
        const char* kept = backup.empty() ? nullptr : backup.c_str();
        if (committed)
            Tidy(dir, temporary.c_str(), kept);
        else
            TakeBack(dir, it->target.c_str(), temporary.c_str(), kept);
    }
    ::fsync(dir);
    ::unlinkat(dir, name, 0);
    ::fsync(dir);
    ::close(dir);
    return true;
}

// The journal of a folder of a dead command whose main journal in `mainFolder` decided it:
// applied when it belongs to that command and names that main journal.
bool ApplyPart(const std::string& folder, const std::string& mainFolder, const std::string& id, bool committed,
               std::string& error) {
    Journal journal;
    if (!ReadJournal(folder, kJournal, journal, error)) return error.empty();
    if (journal.torn) return Apply(folder, kJournal, journal, false, error);
    if (journal.main || journal.id != id || journal.mainFolder != mainFolder) return true;
    return Apply(folder, kJournal, journal, committed, error);
}

// A dead command's main journal: its other folders at or below `within` first, then its own
// (when `own`, that is when the caller holds the main journal's folder).
bool ApplyMain(const std::string& folder, const char* name, const Journal& journal, const std::string& within,
               bool own, std::string& error) {
    const bool committed = std::strcmp(name, kCommitted) == 0;
    for (const std::string& part : journal.folders)
        if (IsAtOrBelow(part, within) && part != folder && !ApplyPart(part, folder, journal.id, committed, error))
            return false;
    return !own || Apply(folder, name, journal, committed, error);
}

// Recovers the journals of a folder the command holds with everything below it.
bool RecoverHeld(const std::string& folder, std::string& error) {
    for (const char* name : {kCommitted, kJournal}) {
        Journal journal;
        if (!ReadJournal(folder, name, journal, error)) {
            if (!error.empty()) return false;
            continue;
        }
        if (journal.torn) {
            if (!Apply(folder, name, journal, false, error)) return false;
        } else if (journal.main) {
            if (!ApplyMain(folder, name, journal, folder, true, error)) return false;
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

bool LockDescriptor(int fd, int how, const std::string& shown, bool& said) {
    if (::flock(fd, how | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK) return false;
    if (!said) std::fprintf(stderr, "qvhost: waiting for another command that writes into %s\n", ShownPath(shown).c_str());
    said = true;
    while (::flock(fd, how) != 0)
        if (errno != EINTR) return false;
    return true;
}

void ReleaseLocks() {
    for (int fd : g_lockFds) ::close(fd);
    g_lockFds.clear();
    g_root.clear();
    g_rootExplicit = false;
}

// Locks `folder` (resolved) exclusively and every folder above it shared, from the root down,
// and recovers what dead commands left there.
bool LockRoot(const std::string& folder, const std::string& shown, bool isExplicit, std::string& error) {
    error.clear();
    if (!g_root.empty()) {
        if (IsAtOrBelow(folder, g_root)) return true;
        error = ShownPath(shown) + ": a command writes into one output folder, and this one writes into " + ShownPath(g_root);
        return false;
    }
    const std::vector<std::string> chain = FoldersDownTo(folder);
    bool said = false;
    for (size_t i = 0; i < chain.size(); ++i) {
        const bool own = i + 1 == chain.size();
        const int fd = ::open(chain[i].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            if (!own) continue;   // a folder above that cannot be read is not locked
            error = ShownPath(shown) + (errno == ENOENT ? ": the output folder does not exist"
                                             : ": the output folder cannot be opened (" + std::string(std::strerror(errno)) + ")");
            ReleaseLocks();
            return false;
        }
        g_lockFds.push_back(fd);
        if (!LockDescriptor(fd, own ? LOCK_EX : LOCK_SH, shown, said) && own) {
            error = ShownPath(shown) + ": the output folder cannot be locked (" + std::strerror(errno) + ")";
            ReleaseLocks();
            return false;
        }
    }
    // A dead command's main journal above: its folders at or below this one are decided by it.
    for (size_t i = 0; i + 1 < chain.size() && error.empty(); ++i)
        for (const char* name : {kCommitted, kJournal}) {
            Journal journal;
            if (ReadJournal(chain[i], name, journal, error, false) && journal.main &&
                !ApplyMain(chain[i], name, journal, folder, false, error))
                break;
            if (!error.empty()) break;
        }
    if (!error.empty() || !RecoverHeld(folder, error)) {
        ReleaseLocks();
        return false;
    }
    g_root = folder;
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

bool RealFolder(const std::string& folder, std::string& real) {
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) return false;
    real = resolved;
    return true;
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

// Creates a folder's journal with its header, on disk (with its name) before anything it names.
bool CreateJournal(Folder& folder, const std::string& header, std::string& error) {
    const int fd = ::openat(folder.dir, kJournal, O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = OutputFiles::CannotBeWritten(JoinPath(folder.path, kJournal), errno);
        return false;
    }
    folder.journal.store(fd);
    Step();
    if (!Append(fd, header) || ::fsync(folder.dir) != 0) {
        error = OutputFiles::CannotBeWritten(JoinPath(folder.path, kJournal), errno);
        return false;
    }
    return true;
}

// The folder of a target, with its journal: the first one is the main journal; a folder below
// the output folder is recovered first and named in the main journal before it gets its own.
Folder* FolderFor(const std::string& path, std::string& error) {
    if (const auto found = g_folderAt.find(path); found != g_folderAt.end()) return found->second;
    if (g_main == nullptr && path != g_root) {
        if (FolderFor(g_root, error) == nullptr) return nullptr;
    }
    if (path != g_root) {
        // Every folder from the output folder down to this one, as the lock would have found it.
        const std::vector<std::string> chain = FoldersDownTo(path);
        for (const std::string& step : chain)
            if (step.size() > g_root.size() && IsAtOrBelow(step, g_root) && g_folderAt.count(step) == 0 &&
                !RecoverHeld(step, error))
                return nullptr;
    }
    auto* folder = new Folder;
    folder->path = Copy(path);
    folder->dir = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder->dir < 0) {
        error = ShownPath(path) + ": the folder cannot be opened (" + std::strerror(errno) + ")";
        std::free(folder->path);
        delete folder;
        return nullptr;
    }
    g_folderAt.emplace(path, folder);
    std::string header;
    if (g_main == nullptr) {
        g_id = NewId();
        header = journal::MainHeader(g_id);
    } else {
        header = journal::PartHeader(g_id, g_root);
        if (!Append(g_main->journal.load(), journal::FolderRecord(path))) {
            error = OutputFiles::CannotBeWritten(JoinPath(g_root, kJournal), errno);
            return nullptr;
        }
        Step();
    }
    {
        SignalsBlocked blocked;
        folder->next = g_folders.load();
        g_folders.store(folder, std::memory_order_release);
        if (g_main == nullptr) g_main = folder;
        g_state.store(kWriting);
    }
    return CreateJournal(*folder, header, error) ? folder : nullptr;
}

// A hidden name beside `name` that nothing holds, within the system's limit for a name.
std::string FreeName(const Folder& folder, const std::string& name, const char* kind) {
    for (unsigned n = 0;; ++n) {
        const std::string candidate = journal::OwnedName(name, kind, n);
        const std::string key = JoinPath(folder.path, candidate);
        if (g_namesTaken.count(key) == 0 && !Exists(folder.dir, candidate.c_str()) && candidate != name) {
            g_namesTaken.insert(key);
            return candidate;
        }
    }
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
            std::free(e->temporary);
            std::free(e->backup);
            delete e;
            e = next;
        }
        if (f->journal.load() >= 0) ::close(f->journal.load());
        ::close(f->dir);
        std::free(f->path);
        Folder* next = f->next;
        delete f;
        f = next;
    }
    g_folderAt.clear();
    g_entryAt.clear();
    g_namesTaken.clear();
    g_targetOf.clear();
    if (!g_rootExplicit) ReleaseLocks();
}

} // namespace

OutputFiles& OutputFiles::Current() {
    static OutputFiles owner;
    return owner;
}

void OutputFiles::SetStepHook(void (*hook)(long)) { g_stepHook = hook; }

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
    const std::string base = std::filesystem::path(folder + "/").lexically_normal().string();
    if (path.size() <= base.size() || path.compare(0, base.size(), base) != 0) return false;
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
    if (!RealFolder(folder, real)) {
        error = ShownPath(folder) + (errno == ENOENT ? ": the output folder does not exist"
                                          : ": the output folder cannot be opened (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    return LockRoot(real, folder, true, error);
}

bool OutputFiles::HasUtf8Name(const std::string& path, std::string& error) {
    if (IsUtf8(path)) return true;
    error = ShownPath(PathToUtf8(path)) + ": the name is not UTF-8, and a command writes only files named in UTF-8";
    return false;
}

bool OutputFiles::ResolveTarget(const std::string& path, std::string& target, std::string& error) {
    if (!HasUtf8Name(path, error)) return false;
    struct stat found {};
    if (::stat(path.c_str(), &found) == 0) {
        if (!S_ISREG(found.st_mode)) {
            error = ShownPath(path) + (S_ISDIR(found.st_mode) ? ": is a folder" : ": is not a regular file") + " and is not replaced";
            return false;
        }
        struct stat self {};
        if (::lstat(path.c_str(), &self) == 0 && !S_ISLNK(self.st_mode)) {
            target = path;
            return true;
        }
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            error = ShownPath(path) + ": " + std::strerror(errno);
            return false;
        }
        target = resolved;
        return true;
    }
    // A new name, or a link to a file not made yet: the links are followed to that name.
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat self {};
        if (::lstat(at.c_str(), &self) != 0 || !S_ISLNK(self.st_mode)) {
            target = at;
            return true;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(at.c_str(), link, sizeof link - 1);
        if (n < 0) break;
        const std::string next(link, static_cast<size_t>(n));
        const size_t slash = at.rfind('/');
        at = next[0] == '/' || slash == std::string::npos ? next : at.substr(0, slash + 1) + next;
    }
    error = ShownPath(path) + ": the symbolic links go round and name no file";
    return false;
}

namespace {

// Keeps the earlier contents in a copy where the file system has no second links (a FAT
// stick, say): true when the copy is complete and on disk.
bool CopyAside(const Folder& folder, const Entry& entry) {
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return false;
    const int from = ::openat(folder.dir, entry.target, O_RDONLY | O_CLOEXEC);
    if (from < 0) return false;
    const int to = ::openat(folder.dir, entry.backup, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, entry.mode & 0777);
    bool copied = to >= 0 && ::fchmod(to, entry.mode) == 0;
    char chunk[65536];
    for (ssize_t n; copied && (n = ::read(from, chunk, sizeof chunk)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        copied = n > 0 && WriteAll(to, std::string(chunk, static_cast<size_t>(n)));
    }
    const int reason = errno;
    copied = copied && ::fsync(to) == 0;
    ::close(from);
    if (to >= 0) ::close(to);
    if (!copied) {
        if (to >= 0) ::unlinkat(folder.dir, entry.backup, 0);
        errno = reason;
    }
    return copied;
}

// The entry of a target (links followed), made and on disk in the folder's journal, with the
// earlier contents kept in a second link. Null with a message.
Entry* EntryFor(const std::string& given, Folder*& folder, std::string& error) {
    std::string target;
    if (!OutputFiles::ResolveTarget(given, target, error)) return nullptr;
    std::string real;
    if (!RealFolder(FolderOfPath(target), real)) {
        error = OutputFiles::CannotBeWritten(given, errno);
        return nullptr;
    }
    const std::string name = NameOfPath(target);
    if (name == kJournal || name == kCommitted) {
        error = ShownPath(given) + ": is the name of the journal of qvhost, which no output takes";
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
    auto* entry = new Entry;
    entry->target = Copy(name);
    entry->temporary = Copy(FreeName(*folder, name, "qvtmp"));
    entry->backup = existed ? Copy(FreeName(*folder, name, "qvold")) : nullptr;
    entry->mode = status.st_mode & 07777;
    entry->group = status.st_gid;
    g_entryAt.emplace(key, entry);
    {
        SignalsBlocked blocked;
        entry->next = folder->entries.load();
        folder->entries.store(entry, std::memory_order_release);
    }
    if (!Append(folder->journal.load(), journal::FileRecord(name, entry->temporary, existed ? entry->backup : ""))) {
        error = OutputFiles::CannotBeWritten(JoinPath(folder->path, kJournal), errno);
        return nullptr;
    }
    Step();
    if (existed) {
        if (::linkat(folder->dir, name.c_str(), folder->dir, entry->backup, 0) != 0 && !CopyAside(*folder, *entry)) {
            error = OutputFiles::CannotBeWritten(given, errno);
            return nullptr;
        }
        Step();
    }
    return entry;
}

} // namespace

int OutputFiles::OpenFile(const std::string& target, std::string& temporary, std::string& error, bool startsCommand) {
    std::string real;
    if (!startsCommand && !g_rootExplicit &&
        ((g_root.empty() && g_state.load() == kIdle) ||
         (!g_root.empty() && RealFolder(FolderOfPath(target), real) && !IsAtOrBelow(real, g_root)))) {
        // No command writes here (a library user's own session, or a data file beside the
        // folder of a library user's output): a hidden file beside the target, renamed onto
        // it when complete.
        std::string resolved;
        if (!ResolveTarget(target, resolved, error)) {
            errno = EINVAL;
            return -1;
        }
        struct stat status {};
        const bool existed = ::stat(resolved.c_str(), &status) == 0;
        const std::string folder = FolderOfPath(resolved);
        for (int n = 0;; ++n) {
            temporary = JoinPath(folder, "." + NameOfPath(resolved).substr(0, 200) + ".qvtmp" +
                                             (n == 0 ? std::string() : "." + std::to_string(n)));
            const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST) continue;
            if (fd < 0) {
                error = CannotBeWritten(target, errno);
                return -1;
            }
            if (existed) (void)::fchmod(fd, status.st_mode & 07777);
            g_targetOf[temporary] = resolved;
            return fd;
        }
    }
    Folder* folder = nullptr;
    errno = 0;
    Entry* entry = EntryFor(target, folder, error);
    if (entry == nullptr) {
        if (errno == 0) errno = EIO;
        return -1;
    }
    // A temporary file of an earlier write of the same target that did not take its place.
    ::unlinkat(folder->dir, entry->temporary, 0);
    const int fd = ::openat(folder->dir, entry->temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = CannotBeWritten(target, errno);
        return -1;
    }
    Step();
    if (entry->backup != nullptr) {
        // The replacement keeps the permissions of the file it replaces, and its group where
        // the system allows.
        (void)::fchmod(fd, entry->mode);
        if (entry->group != ::getegid()) (void)::fchown(fd, static_cast<uid_t>(-1), entry->group);
    }
    temporary = JoinPath(folder->path, entry->temporary);
    g_targetOf[temporary] = JoinPath(folder->path, entry->target);
    return fd;
}

std::string OutputFiles::BeginFile(const std::string& target, std::string& error) {
    std::string temporary;
    const int fd = OpenFile(target, temporary, error);
    if (fd < 0) return std::string();
    ::close(fd);
    return temporary;
}

bool OutputFiles::PutInPlace(const std::string& temporary, const std::string& target) {
    const auto found = g_targetOf.find(temporary);
    const std::string to = found != g_targetOf.end() ? found->second : target;
    // On disk before it takes the target's place, so that a crash leaves no empty output.
    if (const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    if (::rename(temporary.c_str(), to.c_str()) != 0) return false;
    // The temporary name is gone with the rename; forgetting it at once keeps the command's
    // memory to what its journal needs, whatever the number of files it writes.
    g_targetOf.erase(temporary);
    Step();
    return true;
}

bool OutputFiles::SetAside(const std::string& target) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    std::string error;
    Folder* folder = nullptr;
    Entry* entry = EntryFor(target, folder, error);
    if (entry == nullptr || entry->backup == nullptr) return false;
    if (::unlinkat(folder->dir, entry->target, 0) != 0) return false;
    Step();
    return true;
}

void OutputFiles::BringBack(const std::string& target) {
    std::string real;
    if (!RealFolder(FolderOfPath(target), real)) return;
    const auto found = g_entryAt.find(JoinPath(real, NameOfPath(target)));
    const auto folder = g_folderAt.find(real);
    if (found == g_entryAt.end() || folder == g_folderAt.end() || found->second->backup == nullptr) return;
    if (Exists(folder->second->dir, found->second->target)) return;
    if (::renameat(folder->second->dir, found->second->backup, folder->second->dir, found->second->target) == 0) Step();
}

bool OutputFiles::Commit(std::string& error) {
    if (g_state.load() != kWriting) {
        Clear();
        return true;
    }
    // Everything the journals name is on disk before the commit point.
    for (Folder* f = g_folders.load(); f != nullptr; f = f->next) ::fsync(f->dir);
    bool committed = false;
    {
        SignalsBlocked blocked;
        if (::renameat(g_main->dir, kJournal, g_main->dir, kCommitted) != 0) {
            error = CannotBeWritten(JoinPath(g_main->path, kJournal), errno);
        } else {
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
    ::fsync(g_main->dir);
    Step();
    FinishFolders(true, true);
    Clear();
    return true;
}

void OutputFiles::Rollback() {
    const int state = g_state.load();
    if (state == kIdle) return;
    FinishFolders(state == kPastCommit, false);
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

std::string OutputFiles::CannotBeWritten(const std::string& path, int error) {
    return ShownPath(path) + ": cannot be written: " + std::strerror(error);
}

} // namespace qv
