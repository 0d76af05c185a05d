// Runs a function in a forked child process as another user, for the tests of what a stranger
// sharing a folder with the command can do: plant files and links, hold a lock, or swap names
// in a loop while the command runs.
//
// The child gets an open descriptor of a folder of the parent, enters it with fchdir (so that
// it needs no search right on the folders above, which the sandbox keeps private), drops the
// supplementary groups, takes the group and user ids given (nobody by default), runs the
// function and exits with the function's return value. Switching users needs root; a test
// that needs it checks RunningAsRoot() first and skips with kNeedsRootToSwitchUsers.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>

namespace qv_test {

inline bool RunningAsRoot() { return geteuid() == 0; }

inline constexpr const char* kNeedsRootToSwitchUsers =
    "switching a child process to another user needs root; this test runs as another user";

// The user and group the child becomes: nobody and nogroup unless the test says otherwise.
struct UserIds {
    uid_t uid = 65534;
    gid_t gid = 65534;
};

// The exit status of a child whose switch to the other user failed (its reason is on stderr).
inline constexpr int kSwitchFailed = 125;

// One child running as another user. The destructor kills a child that still runs, so that a
// failed assertion never leaves a looping stranger behind.
class AnotherUser {
public:
    AnotherUser(int folder, const std::function<int()>& body, UserIds ids = {}) {
        std::fflush(nullptr);   // no buffered output of the parent is written twice
        m_pid = fork();
        if (m_pid != 0) return;
        const char* failed = nullptr;
        if (fchdir(folder) != 0)
            failed = "fchdir";
        else if (setgroups(0, nullptr) != 0)
            failed = "setgroups";
        else if (setgid(ids.gid) != 0)
            failed = "setgid";
        else if (setuid(ids.uid) != 0)
            failed = "setuid";
        else if (geteuid() != ids.uid || getegid() != ids.gid)
            failed = "the ids did not change";
        if (failed != nullptr) {
            std::fprintf(stderr, "another user: %s: %s\n", failed, std::strerror(errno));
            _exit(kSwitchFailed);
        }
        // _exit, not exit: the child must not run the parent's exit handlers (the test
        // framework's, the sanitizers' leak check of the parent's memory).
        _exit(body());
    }
    ~AnotherUser() { Stop(); }
    AnotherUser(const AnotherUser&) = delete;
    AnotherUser& operator=(const AnotherUser&) = delete;

    // False when fork failed.
    bool Started() const { return m_pid > 0; }

    // Waits for the child and gives its exit status; 128 + the signal when a signal ended it,
    // -1 when there was no child to wait for.
    int Wait() {
        if (m_pid <= 0) return m_status;
        int status = 0;
        pid_t done;
        do done = waitpid(m_pid, &status, 0);
        while (done < 0 && errno == EINTR);
        m_pid = 0;
        if (done < 0) return m_status = -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_status;
    }

    // Kills the child (one that loops until told to stop) and waits for it.
    int Stop() {
        if (m_pid > 0) kill(m_pid, SIGKILL);
        return Wait();
    }

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

// Runs the function as another user and waits for it: its exit status as Wait() gives it.
inline int RunAsAnotherUser(int folder, const std::function<int()>& body, UserIds ids = {}) {
    AnotherUser child(folder, body, ids);
    return child.Wait();
}

} // namespace qv_test
