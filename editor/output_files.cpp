#include "editor/output_files.h"

#include "editor/text_codec.h"
#include "toolkit/read_write_files.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

enum Kind { kGone = 0, kTemporary = 1, kCreated = 2, kReplaced = 3 };

int g_failureStatus = 2;

// Writes a text to standard error without allocating (usable in a signal handler).
void SayRaw(const char* text) {
    for (size_t left = std::strlen(text); left > 0;) {
        const ssize_t n = ::write(2, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void OnSignal(int sig) {
    OutputFiles::Current().Rollback();
    if (sig != SIGPIPE) SayRaw("qvhost: interrupted; the files this command wrote were taken back\n");
    // The usual end of a process killed by the signal, so that a shell sees the usual status.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void OnAllocationFailure() {
    OutputFiles::Current().Rollback();
    SayRaw("qvhost: not enough memory for the job; the files this command wrote were taken back\n");
    ::_exit(g_failureStatus);
}

// Blocks the handled signals while the list is changed in a way a handler must not see half done.
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

// One noted file. The list grows at its head; an entry is published only once complete, so a
// handler that runs in between sees the list as it was or as it is.
struct Entry {
    std::atomic<int> kind{kGone};
    char* path = nullptr;
    char* backup = nullptr;
    Entry* next = nullptr;
};

std::atomic<Entry*> g_head{nullptr};
std::set<std::string> g_lockedFolders;
} // namespace

OutputFiles& OutputFiles::Current() {
    static OutputFiles owner;
    return owner;
}

void OutputFiles::InstallHandlers(int failureStatus) {
    g_failureStatus = failureStatus;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&action.sa_mask, sig);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(sig, &action, nullptr);
    std::set_new_handler(OnAllocationFailure);
}

std::string OutputFiles::PathInFolder(const std::string& given, const std::string& folder) {
    const std::filesystem::path name(given);
    if (name.is_absolute()) return name.lexically_normal().string();
    return (std::filesystem::path(folder) / name).lexically_normal().string();
}

bool OutputFiles::IsInsideFolder(const std::string& path, const std::string& folder) {
    const std::string base = std::filesystem::path(folder + "/").lexically_normal().string();
    return path.size() > base.size() && path.compare(0, base.size(), base) == 0;
}

std::string OutputFiles::TemporaryPathFor(const std::string& path, const char* kind) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static const std::string pid = std::to_string(::getpid());
    return folder + "." + name + "." + pid + "." + kind;
}

bool OutputFiles::IsTemporaryName(const std::string& name, long& pid) {
    // ".<name>.<pid>.part", ".<name>.<pid>.keep" (the owner's), ".<name>.<pid>.<n>.tmp" (the
    // data-file writer's).
    if (name.size() < 4 || name[0] != '.') return false;
    const size_t lastDot = name.rfind('.');
    const std::string kind = name.substr(lastDot + 1);
    if (kind != "part" && kind != "keep" && kind != "tmp") return false;
    auto numberBefore = [&](size_t end, size_t& start) {
        start = name.rfind('.', end - 1);
        if (start == std::string::npos || start == 0 || start + 1 == end) return false;
        for (size_t i = start + 1; i < end; ++i)
            if (name[i] < '0' || name[i] > '9') return false;
        return end - start - 1 <= 10;
    };
    size_t start = 0;
    if (!numberBefore(lastDot, start)) return false;
    if (kind == "tmp") {
        const size_t counter = start;
        if (!numberBefore(counter, start)) return false;
        pid = std::strtol(name.c_str() + start + 1, nullptr, 10);
    } else {
        pid = std::strtol(name.c_str() + start + 1, nullptr, 10);
    }
    return pid > 0;
}

bool OutputFiles::LockFolder(const std::string& given, std::string& error) {
    const std::string folder = given.empty() ? std::string(".") : given;
    if (g_lockedFolders.count(folder) != 0) return true;
    // The descriptor stays open for the rest of the process: closing it would give up the lock.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = folder + (errno == ENOENT ? ": the output folder does not exist"
                                          : ": the output folder cannot be opened (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            error = folder + ": the output folder cannot be locked (" + std::strerror(errno) + ")";
            ::close(fd);
            return false;
        }
        std::fprintf(stderr, "qvhost: waiting for another command that writes into %s\n", folder.c_str());
        while (::flock(fd, LOCK_EX) != 0)
            if (errno != EINTR) {
                error = folder + ": the output folder cannot be locked (" + std::strerror(errno) + ")";
                ::close(fd);
                return false;
            }
    }
    g_lockedFolders.insert(folder);
    // Whoever writes here holds this lock, so a temporary file of a process that is gone is a
    // leftover of a killed command.
    if (DIR* dir = ::fdopendir(::dup(fd))) {
        while (const dirent* entry = ::readdir(dir)) {
            long pid = 0;
            if (!IsTemporaryName(entry->d_name, pid)) continue;
            if (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
        ::closedir(dir);
    }
    return true;
}

bool OutputFiles::HasUtf8Name(const std::string& path, std::string& error) {
    if (IsUtf8(path)) return true;
    error = PathToUtf8(path) + ": the name is not UTF-8, and a command writes only files named in UTF-8";
    return false;
}

bool OutputFiles::ResolveTarget(const std::string& path, std::string& target, std::string& error) {
    if (!HasUtf8Name(path, error)) return false;
    struct stat found {};
    if (::stat(path.c_str(), &found) == 0) {
        if (!S_ISREG(found.st_mode)) {
            error = path + (S_ISDIR(found.st_mode) ? ": is a folder" : ": is not a regular file") + " and is not replaced";
            return false;
        }
        struct stat self {};
        if (::lstat(path.c_str(), &self) == 0 && !S_ISLNK(self.st_mode)) {
            target = path;
            return true;
        }
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            error = path + ": " + std::strerror(errno);
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
    error = path + ": the symbolic links go round and name no file";
    return false;
}

namespace {

void DeleteEntry(Entry* entry) {
    std::free(entry->path);
    std::free(entry->backup);
    delete entry;
}

// An entry made whole but not yet in the list, so that all its memory is taken before the file
// it notes is touched.
Entry* NewEntry(const std::string& path, const std::string& backup) {
    auto* entry = new Entry;
    entry->path = ::strdup(path.c_str());
    entry->backup = backup.empty() ? nullptr : ::strdup(backup.c_str());
    if (entry->path == nullptr || (!backup.empty() && entry->backup == nullptr)) {
        DeleteEntry(entry);
        throw std::bad_alloc();
    }
    return entry;
}

void Publish(Entry* entry, int kind) {
    entry->kind.store(kind, std::memory_order_relaxed);
    entry->next = g_head.load(std::memory_order_relaxed);
    g_head.store(entry, std::memory_order_release);
}

} // namespace

void OutputFiles::Add(int kind, const std::string& path, const std::string& backup) {
    Publish(NewEntry(path, backup), kind);
}

bool OutputFiles::NoteReplacedByLink(const std::string& path, const std::string& backup) {
    Entry* entry = NewEntry(path, backup);
    if (::link(path.c_str(), backup.c_str()) != 0 &&
        (errno != EEXIST || ::unlink(backup.c_str()) != 0 || ::link(path.c_str(), backup.c_str()) != 0)) {
        const int error = errno;
        DeleteEntry(entry);
        errno = error;
        return false;
    }
    Publish(entry, kReplaced);
    return true;
}

std::string OutputFiles::CannotBeWritten(const std::string& path, int error) {
    return path + ": cannot be written: " + std::strerror(error);
}

void OutputFiles::NoteTemporary(const std::string& path) { Add(kTemporary, path, std::string()); }
void OutputFiles::NoteCreated(const std::string& path) { Add(kCreated, path, std::string()); }
void OutputFiles::NoteReplaced(const std::string& path, const std::string& backup) { Add(kReplaced, path, backup); }

void OutputFiles::NoteBeforeWriting(const std::string& path) {
    if (!NoteReplacedByLink(path, TemporaryPathFor(path, "keep")) && errno == ENOENT) NoteCreated(path);
}

void OutputFiles::Forget(const std::string& path) {
    for (Entry* e = g_head.load(std::memory_order_acquire); e != nullptr; e = e->next)
        if (e->kind.load() != kGone && path == e->path) {
            e->kind.store(kGone);
            return;
        }
}

void OutputFiles::Keep() {
    {
        SignalsBlocked blocked;
        for (Entry* e = g_head.load(std::memory_order_acquire); e != nullptr; e = e->next)
            if (e->kind.exchange(kGone) == kReplaced) ::unlink(e->backup);
    }
    Clear();
}

void OutputFiles::Rollback() {
    // Newest first, so that a file replaced twice ends with what it held first.
    for (Entry* e = g_head.load(std::memory_order_acquire); e != nullptr; e = e->next) {
        switch (e->kind.exchange(kGone)) {
        case kTemporary:
        case kCreated: ::unlink(e->path); break;
        case kReplaced: ::rename(e->backup, e->path); break;
        default: break;
        }
    }
    // The file the data-file writer was writing when the command ended.
    if (const char* temp = CReadAndWriteFiles::TemporaryFileInProgress(); temp != nullptr && *temp != '\0')
        ::unlink(temp);
}

void OutputFiles::Clear() {
    SignalsBlocked blocked;
    Entry* e = g_head.exchange(nullptr);
    while (e != nullptr) {
        Entry* next = e->next;
        DeleteEntry(e);
        e = next;
    }
}

} // namespace qv
