// The host run as a user runs it from the shell, for the tests of the examples and of the
// host's commands. QVHOST_PATH names the host program of the test's build.
#pragma once

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <sys/wait.h>

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
