// Every test program runs inside a folder of its own. Before any test code runs, the
// process gets a fresh temporary folder and points everything a test might write to by
// default into it: $HOME, $XDG_CONFIG_HOME, the per-user profile ($QV_USER_PROFILE), the
// temporary folder ($TMPDIR) and the current folder. The folder is removed when the program
// ends. A test can therefore never change the user's own settings, files beside the sources
// or a shared temporary folder, whatever it forgets to redirect. The folder lies more than
// 255 bytes deep (see sandbox.cpp), so that every test also holds for a checkout at a deep path.
#pragma once

#include <optional>
#include <string>

namespace qv_test {

// The folders of this process's sandbox (absolute, no trailing '/').
struct SandboxFolders {
    std::string root;
    std::string home;      // $HOME
    std::string config;    // $XDG_CONFIG_HOME
    std::string profile;   // $QV_USER_PROFILE, the file inside config/quorvatix/
    std::string temp;      // $TMPDIR
    std::string work;      // the current folder at start
};
const SandboxFolders& Sandbox();

// The temporary folder of the process ($TMPDIR, else /tmp), without a trailing '/'.
std::string TempFolder();

// Sets (a value) or removes (no value) an environment variable for the lifetime of the
// object and then restores what was there before, so that a test that changes a variable
// leaves the sandbox's value in place for the tests after it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

} // namespace qv_test
