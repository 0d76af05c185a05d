#include "tests/support/sandbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace qv_test {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    // Without its sandbox a test could write into the user's own files: stop instead.
    std::fprintf(stderr, "test sandbox: %s: %s\n", what.c_str(), std::strerror(errno));
    std::abort();
}

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot create " + path);
}

// Wizard data keeps the paths it names as archive texts, whose length field grows from one byte
// to three at 255 bytes, and a buffer sized for short paths cuts longer ones. So that every
// test meets such paths wherever the checkout lies, the sandbox lies at least this many bytes
// deep, in folders nested below the one made fresh for the process.
constexpr std::size_t kSandboxDepth = 300;

void Set(const char* name, const std::string& value) {
    if (setenv(name, value.c_str(), 1) != 0) Fail(std::string("cannot set ") + name);
}

class ProcessSandbox {
public:
    ProcessSandbox() {
        std::string base = TempFolder();
        std::vector<char> pattern(base.begin(), base.end());
        const std::string name = "/parvel-test-XXXXXX";
        pattern.insert(pattern.end(), name.begin(), name.end());
        pattern.push_back('\0');
        if (mkdtemp(pattern.data()) == nullptr) Fail("cannot create a folder in " + base);
        m_top = pattern.data();
        m_folders.root = m_top;
        while (m_folders.root.size() < kSandboxDepth) {
            m_folders.root += "/a-folder-nested-deep-on-purpose";
            MakeFolder(m_folders.root);
        }
        m_folders.home = m_folders.root + "/home";
        m_folders.config = m_folders.root + "/config";
        m_folders.profile = m_folders.config + "/quorvatix/user.ini";
        m_folders.temp = m_folders.root + "/tmp";
        m_folders.work = m_folders.root + "/work";
        for (const std::string& folder : {m_folders.home, m_folders.config, m_folders.config + "/quorvatix",
                                          m_folders.temp, m_folders.work})
            MakeFolder(folder);
        Set("HOME", m_folders.home);
        Set("XDG_CONFIG_HOME", m_folders.config);
        Set("QV_USER_PROFILE", m_folders.profile);
        Set("TMPDIR", m_folders.temp);
        if (chdir(m_folders.work.c_str()) != 0) Fail("cannot enter " + m_folders.work);
        m_owner = getpid();
    }
    ~ProcessSandbox() {
        // A forked child (a death test) shares the folder with its parent and leaves it alone.
        if (getpid() != m_owner) return;
        std::error_code ignored;
        std::filesystem::remove_all(m_top, ignored);
    }
    const SandboxFolders& Folders() const { return m_folders; }

private:
    std::string m_top;   // the folder made fresh, holding the nested ones down to the root
    SandboxFolders m_folders;
    pid_t m_owner = 0;
};

// Made before every other object of the test program with static storage, so that not even
// their constructors see the user's own folders.
__attribute__((init_priority(101))) const ProcessSandbox g_sandbox;

} // namespace

const SandboxFolders& Sandbox() { return g_sandbox.Folders(); }

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* previous = std::getenv(name)) m_previous = previous;
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_previous)
        setenv(m_name.c_str(), m_previous->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

} // namespace qv_test
