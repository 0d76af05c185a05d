// The owner of every file a command of the host writes: the description, the data files, the
// archives, the printed schematics and the pictures. It locks the command's output folder,
// names the temporary files (so that the leftovers of a killed run can be told apart), follows
// a symbolic link to the file it names, and keeps the list of what the command created or
// replaced, so that a failure, a signal or running out of memory leaves the folder as the
// command found it. One command runs per process; the owner is process-wide so that the signal
// and allocation-failure handlers can reach it.
#pragma once

#include <string>

namespace qv {

class OutputFiles {
public:
    // The process's owner.
    static OutputFiles& Current();

    // Installs the handlers of SIGINT, SIGTERM, SIGHUP and SIGPIPE and of allocation failure:
    // each takes back what the command wrote and ends the process, the first three with a
    // message, SIGPIPE quietly with the status a process killed by it has, allocation failure
    // with `failureStatus`.
    void InstallHandlers(int failureStatus);

    // Takes the lock of the folder a command writes into (waiting, with a message, while
    // another command holds it) and removes the temporary files that a killed command left
    // there. The lock is the folder's own file lock, which the system gives up when the
    // process ends however it ends. Folders are locked once per process. False with a
    // message when the folder cannot be opened.
    bool LockFolder(const std::string& folder, std::string& error);

    // The file an output path names: a symbolic link is followed to its target (a link to a
    // file that does not exist yet names that new file). False with a message when the target
    // exists and is no regular file (a folder, a pipe, a device), or when the links go round.
    static bool ResolveTarget(const std::string& path, std::string& target, std::string& error);

    // False with a message when the path is not UTF-8: the files the library opens are named
    // in UTF-8 on disk (bytes of another code page are converted), so a path of other bytes
    // would name one file where the owner renames and removes and another where it is written.
    static bool HasUtf8Name(const std::string& path, std::string& error);

    // Where a file named `given` by a page goes: a relative name, with or without a folder part,
    // lies in the output folder `folder`; an absolute one stays. In normal form.
    static std::string PathInFolder(const std::string& given, const std::string& folder);
    // Whether `path` (in normal form) lies in `folder` or a folder below it.
    static bool IsInsideFolder(const std::string& path, const std::string& folder);

    // The temporary file that is written before it takes the place of `path`: hidden, in the
    // same folder, carrying the process ID so that a later command recognises it.
    static std::string TemporaryPathFor(const std::string& path, const char* kind = "part");
    // Whether a file name (without folder) is one of TemporaryPathFor's, made by the process
    // with ID `pid`.
    static bool IsTemporaryName(const std::string& name, long& pid);

    // What the command wrote so far, taken back in the opposite order by Rollback: a temporary
    // file is removed, a created file is removed, a replaced file gets the earlier contents
    // that `backup` (a second link) keeps.
    void NoteTemporary(const std::string& path);
    void NoteCreated(const std::string& path);
    void NoteReplaced(const std::string& path, const std::string& backup);
    // Keeps the contents of the file at `path` in a second link `backup` (replacing one that an
    // earlier command of the same process ID left) and notes the file as replaced. The note is
    // made before the link, so that running out of memory in between leaves no link behind.
    // False, with errno telling why, when no link was made.
    bool NoteReplacedByLink(const std::string& path, const std::string& backup);
    // Notes the file at `path` before a writer puts a new one in its place: a file that is
    // there keeps its contents in a second link until the command ends, a new one is noted as
    // created.
    void NoteBeforeWriting(const std::string& path);
    // A noted file that needs no taking back any more (a temporary file that took its place,
    // or was removed).
    void Forget(const std::string& path);
    // The command succeeded: nothing noted is taken back (backups are removed).
    void Keep();
    // Takes back everything noted. Safe in a signal handler and in the allocation-failure
    // handler: it neither allocates nor locks.
    void Rollback();
    // The end of a job: what it noted is kept (Keep) or taken back and forgotten.
    void Settle(bool keep) {
        if (!keep) Rollback();
        Keep();
    }

    // The message for an output the system refused to write: the file and the system's reason
    // (the text of the errno value `error`).
    static std::string CannotBeWritten(const std::string& path, int error);

private:
    OutputFiles() = default;
    void Add(int kind, const std::string& path, const std::string& backup);
    void Clear();
};

} // namespace qv
