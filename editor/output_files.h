// The owner of every file a command of the host writes: the description, the data files, the
// archives, the printed schematics and the pictures. A command's files are all or nothing,
// whatever ends it: the owner keeps a rollback journal in every folder the command writes into,
// and one rename is the command's commit point.
//
// - Folders. The output folder is held by one descriptor from its first check on, and every
//   folder below it that the command writes into is opened from it one part at a time, never
//   through a link; every file and journal is reached through the folder so held, and a folder
//   replaced while the command runs fails it.
// - Locks. Only the folders a command writes into are locked, exclusively (the folders' own
//   file locks, which the system gives up however the process ends): the output folder, and a
//   folder below when the command first writes into it; a folder above only while a dead
//   command's main journal there concerns the output folder. Locks are taken outer before
//   inner, so two commands never wait in a circle; a lock held by another user's process fails
//   the command instead of making it wait.
// - Journal. Before the first file of a folder is created or replaced, the folder gets a
//   journal (".qvhost-journal") naming every target; a target's line is on disk before
//   anything of that name is touched. The journal of the output folder is the command's main
//   one and names the other folders' journals, which name it. A command that knows its files
//   in advance names them all at once (Plan), so that one sync per folder covers them.
// - Private folder. Once the journal's header is on disk, the command makes a folder of its
//   own beside it (".qvhost-" and the command's ID, mode 0700), which holds the temporary
//   files and the second links that keep earlier contents under numbered names: no other user
//   can plant, swap or read them, and a name taken by something the command did not make
//   fails it without being touched. Every temporary file is written through the descriptor it
//   was made with and removed through the private folder held, never by its path; a private
//   folder moved away from its name fails the command. A replacement is renamed from there
//   onto its target; a new target is put in place as a second link of its temporary file, so
//   that a rollback knows the file it made from one the user made later under that name.
// - Commit. The files written and their folders are synced together (the file system once
//   where there are many), then renaming the main journal to ".qvhost-committed" makes the
//   command's result the folders'; then the private folders and the journals go, the main
//   journal last and only once every other folder's is gone (a folder that cannot be tidied
//   keeps its journal, and the main one, for the next command, and the command says so).
// - Recovery. A command that finds a journal when it takes its lock, or when it first writes
//   into a folder below its output folder, puts the dead command's folders back as they were
//   (or, past its commit point, removes what it left) before anything else. Files that no
//   journal names are never touched, and a journal is acted on only when it can be trusted:
//   a regular file of the user or root whose every record reads and names only what a
//   command of this program makes (editor/journal_format.h). Recovery acts only on a private
//   folder of the user that no one else may enter, holding only regular files of the names its
//   journal gives, and checks every folder of a dead command so before it acts on the first.
// - Failure, signals (SIGINT, SIGTERM, SIGHUP, SIGPIPE) and running out of memory take the
//   written files back from the list in memory, which the handlers reach without allocating;
//   after the commit point they change nothing and say so. SIGXFSZ is ignored, so that a write
//   beyond the file-size limit fails as a full disk does.
//
// One command runs per process; the owner is process-wide so that the handlers can reach it.
#pragma once

#include <string>
#include <vector>

namespace qv {

class OutputFiles {
public:
    // The process's owner.
    static OutputFiles& Current();

    // Installs the handlers of SIGINT, SIGTERM, SIGHUP and SIGPIPE and of allocation failure,
    // and ignores SIGXFSZ: each handler takes back what the command wrote (or, after the commit
    // point, says that the files stay) and ends the process, the first three with a message,
    // SIGPIPE quietly with the status a process killed by it has, allocation failure with
    // `failureStatus`.
    void InstallHandlers(int failureStatus);

    // Takes the lock of the command's output folder for the rest of the process (waiting, with
    // a message, while another command of the user holds it) and recovers what a dead command
    // left there. False with a message when the folder cannot be opened or a journal
    // found cannot be recovered. A library user that writes without it gets the folder of its
    // first file locked until the files are committed or taken back.
    bool LockFolder(const std::string& folder, std::string& error);

    // The file an output path names: a symbolic link is followed to its target (a link to a
    // file that does not exist yet names that new file). False with a message when the target
    // exists and is no regular file (a folder, a pipe, a device), when the links go round, or
    // when another user's link in a sticky folder that everyone may write into lies on the way
    // (qv::FollowLinks): only the user's own links and the folder owner's are followed there.
    static bool ResolveTarget(const std::string& path, std::string& target, std::string& error);

    // False with a message naming both when the file a path `given` leads to (`target`, links
    // followed) has a name of the kind qvhost gives its journals and its own folders, which no
    // output takes.
    static bool TakesNoOwnName(const std::string& given, const std::string& target, std::string& error);

    // False with a message when the path is not UTF-8: the files the library opens are named
    // in UTF-8 on disk (bytes of another code page are converted), so a path of other bytes
    // would name one file where the owner renames and removes and another where it is written.
    static bool HasUtf8Name(const std::string& path, std::string& error);

    // Where a file named `given` by a page goes: a relative name, with or without a folder part,
    // lies in the output folder `folder`; an absolute one stays. In normal form.
    static std::string PathInFolder(const std::string& given, const std::string& folder);
    // Whether `path` lies in `folder` or a folder below it, with symbolic links of both
    // resolved (a link to a folder elsewhere leads out of it).
    static bool IsInsideFolder(const std::string& path, const std::string& folder);

    // Names targets the command is about to write (links followed) in their folders' journals
    // at once. A target that cannot be written is left to the write that reports it. False
    // with a message only when a journal cannot be written, which fails the command.
    bool Plan(const std::vector<std::string>& targets, std::string& error);

    // Begins writing `target` (links followed): names it in its folder's journal, keeps the
    // earlier contents in a second link, and creates the temporary file in the command's
    // private folder, open for writing: its descriptor, with its path in `temporary` (the key
    // of PutInPlace and Discard), or -1 with errno and a message. The file is written through
    // this descriptor only: its path leads through folders other users may change. It is made
    // with mode 0600, so that no other user opens it while it is written; PutInPlace gives it
    // the owner (as root), group (where the system allows) and permissions of the file it
    // replaces after its last write, or those of every new file (0666 less the umask). A file written
    // twice by one command keeps its first earlier contents. Without `startsCommand` (a data
    // file a page writes), a file written while no command writes (a library user's own
    // session) is only written through a temporary file beside it, not journaled: through its
    // folder held and its descriptor, never by its path, and it takes the owner, group and
    // permissions of the file it replaces as a command's file does.
    int OpenFile(const std::string& target, std::string& temporary, std::string& error, bool startsCommand = true);
    // Puts a temporary file of OpenFile in place of its target. False with errno (and, when
    // the private folder or the file in it is no longer the one the command made, the
    // command's fault set: JournalFault says why).
    bool PutInPlace(const std::string& temporary, const std::string& target);
    // Removes a temporary file of OpenFile that will not take its target's place, through the
    // private folder the command holds (never by its path, which another user may have led
    // elsewhere).
    void Discard(const std::string& temporary);
    // Sets an earlier file aside (its contents wait in a second link, the name is free) so that
    // the command does not read it; false when there is none, or when its journal line cannot
    // be written (JournalFault then says why, and the command fails).
    bool SetAside(const std::string& target);
    // Brings a file set aside back, when the command did not write it again.
    void BringBack(const std::string& target);

    // An edit session's data files go with the element's commits. Between two commits (the
    // sheet opening, an apply, a page's own commit) the data files its pages write (OpenFile
    // without `startsCommand`) are pending, and a sheet that ends without OK takes them back:
    // each gets what it held at the last commit again, and one that did not exist then goes.
    // A file is put back through the command's journal like any file it writes (the earlier
    // contents the journal keeps, or a write of the contents kept), so the command stays all
    // or nothing; in a library user's own session, which keeps no journal, through a temporary
    // file beside it. What a target held is kept as an open descriptor only, from the first
    // write of the target since the last commit: no name and no copy. Sessions nest: an inner
    // session's pending files become the outer one's when it ends.
    void BeginSession();
    // The session's commit: its files written so far are the element's.
    void CommitSession();
    // Ends the innermost session; with `takeBack` its pending files are put back first. False
    // with a message naming the file when one cannot be put back.
    bool EndSession(bool takeBack, std::string& error);

    // The command's commit point: its files become the folders', then the second links and the
    // journals go. False with a message when the commit cannot be made (the files are then
    // taken back), or when after it a folder could not be tidied (the files stay; what the
    // next command needs to finish it stays too). Nothing to do when nothing was written.
    bool Commit(std::string& error);
    // Takes back everything written since the last commit (after the commit point: only tidies
    // up). Safe in a signal handler and in the allocation-failure handler: it neither allocates
    // nor locks.
    void Rollback();
    // The end of a job: commit or take back. False only when a commit failed.
    bool Settle(bool keep, std::string* error = nullptr);
    // Whether the command passed its commit point.
    bool Committed() const;

    // Why a journal of the current (or last) command could not be written, or "": a command
    // whose journal failed writes nothing more, cannot commit, and reports this one line.
    const std::string& JournalFault() const;

    // The message for an output the system refused to write: the file and the system's reason
    // (the text of the errno value `error`).
    static std::string CannotBeWritten(const std::string& path, int error);

    // For the crash test only: a function called after each step that changes the file system
    // (with the step's number, counted from 1 from here on), which may end the process there.
    static void SetStepHook(void (*hook)(long step));
    // For tests only: the second link that keeps a file's earlier contents fails as on a file
    // system without links (so the contents are copied), the journal append numbered
    // `failAppend` (from 1; 0: none) fails as on a full disk, and the journal sync numbered
    // `failJournalSync` as on a failing disk.
    static void SetFaultsForTest(bool noSecondLinks, long failAppend, long failJournalSync = 0);
    // For tests only: each call of the owner that makes its writes last across a power cut, in
    // order, as "what<TAB>folder<TAB>name" (see output_files_test.cpp); null stops recording.
    static void RecordCallsForTest(std::vector<std::string>* calls);
    // For tests only: a function called as each pass of the search for a private folder moved
    // away from its name begins (with the pass's number, from 0; null: none), which may do to
    // that folder what a stranger could do between two passes: move it out of sight, or keep
    // it from being removed where it is found.
    static void SetMovedSearchHookForTest(void (*hook)(long pass));
    // For tests only: a function called when a pass of that search has read the private
    // folder's inode at a name of the folder's listing, before it looks at that name (with the
    // pass's number; null: none), which may exchange the folder for another there, as a
    // stranger who keeps exchanging names can at that moment.
    static void SetMovedListedHookForTest(void (*hook)(long pass));

private:
    OutputFiles() = default;
};

} // namespace qv
