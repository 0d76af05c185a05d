// The sandbox every test program runs in: each place a test writes to by default lies in
// it, the per-user profile functions write there whichever variable names the file, and
// a test that changes a variable gives the sandbox's value back.
#include "tests/support/sandbox.h"

#include "win32/paths.h"
#include "win32/profile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

bool Inside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Sandbox, EveryDefaultPlaceLiesInTheProcessFolder) {
    const qv_test::SandboxFolders& box = qv_test::Sandbox();
    ASSERT_TRUE(fs::is_directory(box.root));
    EXPECT_GE(box.root.size(), 300u) << "deep enough for long archive texts: " << box.root;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "QV_USER_PROFILE", "TMPDIR"}) {
        const char* value = std::getenv(name);
        ASSERT_NE(nullptr, value) << name;
        EXPECT_TRUE(Inside(value, box.root)) << name << "=" << value;
    }
    char cwd[PATH_MAX];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    EXPECT_EQ(fs::canonical(box.work), fs::canonical(cwd));
    EXPECT_TRUE(Inside(fs::temp_directory_path().string(), box.root));
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    EXPECT_TRUE(Inside(temp, box.root)) << temp;
    EXPECT_EQ(box.temp, qv_test::TempFolder());
}

// Whichever of the variables a test takes away, the per-user profile stays in the sandbox.
TEST(Sandbox, UserProfileStaysInsideWhateverVariableIsTakenAway) {
    const qv_test::SandboxFolders& box = qv_test::Sandbox();
    struct Case {
        const char* what;
        bool keepProfile;
        bool keepConfig;
        std::string expected;
    };
    const Case cases[] = {
        {"all set", true, true, box.profile},
        {"no QV_USER_PROFILE", false, true, box.config + "/quorvatix/user.ini"},
        {"only HOME", false, false, box.home + "/.config/quorvatix/user.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qv_test::ScopedEnv profile("QV_USER_PROFILE", c.keepProfile ? std::optional<std::string>(box.profile)
                                                                    : std::nullopt);
        qv_test::ScopedEnv config("XDG_CONFIG_HOME", c.keepConfig ? std::optional<std::string>(box.config)
                                                                  : std::nullopt);
        EXPECT_EQ(c.expected, qv::UserProfilePath());
        ASSERT_TRUE(WriteProfileStringA("SandboxTest", "Key", c.what));
        EXPECT_NE(std::string::npos, ReadFile(c.expected).find(std::string("Key=") + c.what));
        fs::remove(c.expected);
    }
    EXPECT_EQ(box.profile, qv::UserProfilePath()) << "the variables are back";
}

TEST(Sandbox, ScopedEnvironmentGivesTheEarlierStateBack) {
    const char* name = "PARVEL_SANDBOX_TEST_VARIABLE";
    struct Case {
        std::optional<std::string> before;
        std::optional<std::string> during;
    };
    const Case cases[] = {
        {std::nullopt, "x"}, {std::nullopt, std::nullopt}, {"old", "new"}, {"old", std::nullopt}, {"", "y"},
    };
    for (const Case& c : cases) {
        if (c.before)
            setenv(name, c.before->c_str(), 1);
        else
            unsetenv(name);
        {
            qv_test::ScopedEnv scoped(name, c.during);
            const char* value = std::getenv(name);
            EXPECT_EQ(c.during.has_value(), value != nullptr);
            if (c.during && value) {
                EXPECT_EQ(*c.during, value);
            }
        }
        const char* value = std::getenv(name);
        ASSERT_EQ(c.before.has_value(), value != nullptr) << c.before.value_or("(unset)");
        if (c.before) {
            EXPECT_EQ(*c.before, value);
        }
    }
    unsetenv(name);
}

} // namespace
