// The host run as a user runs it from the shell, for the tests of the examples and of the
// host's commands. QVHOST_PATH names the host program of the test's build.
#pragma once

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv_test {

// Runs the host with the arguments (shell words) and gives its exit code, -1 when it did not
// exit. With a profile file name, the run keeps its settings in "<temp>/<profile>"; with
// `output`, what the host printed on both streams goes there, else it is dropped.
inline int RunHost(const std::string& args, const std::string& profile = "", std::string* output = nullptr) {
    const std::string log = TempFolder() + "/host_output.log";
    std::string command = "'" QVHOST_PATH "' " + args + (output ? " >'" + log + "' 2>&1" : " >/dev/null 2>&1");
    if (!profile.empty()) command = "QV_USER_PROFILE='" + TempFolder() + "/" + profile + "' " + command;
    const int status = std::system(command.c_str());
    if (output != nullptr) *output = ReadFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace qv_test

namespace qv_test {

// What a shell command printed on its standard output, and its exit code (-1 when it did not
// run or did not exit).
struct CapturedRun {
    int exitCode = -1;
    std::string out;
};

// Runs a shell command and reads its standard output back; the command itself says where its
// error stream goes.
inline CapturedRun RunCaptured(const std::string& command) {
    CapturedRun result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace qv_test
