#include "win32/paths.h"
#include "win32/profile.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Parts {
    std::string drive, dir, fname, ext;
};

Parts Split(const char* path)
{
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path, drive, dir, fname, ext);
    return {drive, dir, fname, ext};
}

std::string Make(const char* drive, const char* dir, const char* fname, const char* ext)
{
    char path[_MAX_PATH];
    _makepath(path, drive, dir, fname, ext);
    return path;
}

TEST(SplitPath, BothSeparatorsAndTheLastDot)
{
    struct Case {
        const char* path;
        const char* dir;
        const char* fname;
        const char* ext;
    } cases[] = {
        {"/data/models/a.b.mdx", "/data/models/", "a.b", ".mdx"},
        {"C:\\Models\\R1.mdx", "C:\\Models\\", "R1", ".mdx"}, // no drives here: "C:" is folder text
        {"mixed\\sub/name.txt", "mixed\\sub/", "name", ".txt"},
        {"dir.with.dots/noext", "dir.with.dots/", "noext", ""},
        {"name.", "", "name", "."},
        {".hidden", "", "", ".hidden"},
        {"/only/folder/", "/only/folder/", "", ""},
        {"", "", "", ""},
        {"plain", "", "plain", ""},
    };
    for (const Case& c : cases) {
        Parts p = Split(c.path);
        EXPECT_EQ(p.drive, "") << c.path;
        EXPECT_EQ(p.dir, c.dir) << c.path;
        EXPECT_EQ(p.fname, c.fname) << c.path;
        EXPECT_EQ(p.ext, c.ext) << c.path;
    }
}

TEST(SplitPath, NullOutputsAndOverlongPartsAreSafe)
{
    char fname[_MAX_FNAME];
    _splitpath("/a/b/file.ext", nullptr, nullptr, fname, nullptr);
    EXPECT_STREQ(fname, "file");
    _splitpath(nullptr, nullptr, nullptr, fname, nullptr);
    EXPECT_STREQ(fname, "");

    // Parts longer than the documented buffers are cut to fit, never written past them.
    std::string longDir = "/" + std::string(_MAX_PATH + 100, 'd') + "/";
    std::string longName = std::string(300, 'n');
    std::string longExt = "." + std::string(300, 'e');
    Parts p = Split((longDir + longName + longExt).c_str());
    EXPECT_EQ(p.dir, longDir.substr(0, _MAX_DIR - 1));
    EXPECT_EQ(p.fname, longName.substr(0, _MAX_FNAME - 1));
    EXPECT_EQ(p.ext, longExt.substr(0, _MAX_EXT - 1));
    EXPECT_EQ(Make("", longDir.c_str(), "x", "y").size(), static_cast<size_t>(_MAX_PATH - 1));
}

TEST(MakePath, JoinsWithSlashAndDot)
{
    EXPECT_EQ(Make("", "/data/models", "R1", "mdx"), "/data/models/R1.mdx");
    EXPECT_EQ(Make("", "/data/models/", "R1", ".mdx"), "/data/models/R1.mdx");
    EXPECT_EQ(Make("", "old\\dir\\", "R1", ".mdx"), "old\\dir\\R1.mdx"); // an existing separator stays
    EXPECT_EQ(Make(nullptr, nullptr, "R1", nullptr), "R1");
    EXPECT_EQ(Make("", "", "R1", ""), "R1");
    EXPECT_EQ(Make(nullptr, "/d", nullptr, "txt"), "/d/.txt");
}

TEST(MakePath, RoundTripsWithSplit)
{
    const char* paths[] = {"/data/models/a.b.mdx", "rel/dir/file.txt", "C:\\Models\\R1.mdx", "noext", "/x/.cfg"};
    for (const char* path : paths) {
        Parts p = Split(path);
        EXPECT_EQ(Make(p.drive.c_str(), p.dir.c_str(), p.fname.c_str(), p.ext.c_str()), path);
    }
    // Replacing the name part, as the pages do for "*" names.
    Parts p = Split("/doc/folder/*.mdx");
    EXPECT_EQ(Make(p.drive.c_str(), p.dir.c_str(), "R1", p.ext.c_str()), "/doc/folder/R1.mdx");
}

TEST(TempPath, EndsWithSlashAndReportsTheSizeNeeded)
{
    const char* saved = getenv("TMPDIR");
    std::string keep = saved ? saved : "";
    char buffer[260];

    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 9u);
    EXPECT_STREQ(buffer, "/var/tmp/");
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 9u);
    EXPECT_STREQ(buffer, "/var/tmp/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 5u);

    // Too small: nothing copied, the answer is the size needed with the terminator.
    strcpy(buffer, "untouched");
    EXPECT_EQ(GetTempPathA(5, buffer), 6u);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(GetTempPathA(6, buffer), 5u);
    EXPECT_EQ(GetTempPathA(0, nullptr), 6u);

    if (saved)
        setenv("TMPDIR", keep.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(Access, ExistenceAndModes)
{
    auto file = std::filesystem::temp_directory_path() / ("qv_win32_access_" + std::to_string(getpid()));
    std::ofstream(file) << "x";
    EXPECT_EQ(_access(file.c_str(), 0), 0);
    EXPECT_EQ(_access(file.c_str(), 4), 0);
    EXPECT_EQ(_access(file.c_str(), 6), 0);
    EXPECT_EQ(_access(file.c_str(), 1), -1); // not a mode of this function
    std::filesystem::remove(file);
    EXPECT_EQ(_access(file.c_str(), 0), -1);
    EXPECT_EQ(_access(nullptr, 0), -1);
}

// In a sticky folder that everyone may write into, a link is followed only when it is the
// user's own or the folder owner's (also where the folder is another user's), in the last part
// of a path or on the way, whatever the system's protected-links setting; elsewhere any link
// is. A user's profile is not written through a link that is refused. Links and the folder are
// given to another user with lchown, so root runs it.
TEST(FollowLinks, AnotherUsersLinkInAStickyFolderIsNotFollowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a link to another user needs root";
    const std::filesystem::path top = std::filesystem::temp_directory_path() / ("qv_links_" + std::to_string(getpid()));
    std::filesystem::remove_all(top);
    std::filesystem::create_directories(top / "sticky");
    std::filesystem::create_directories(top / "open");
    std::filesystem::create_directories(top / "kept");
    std::filesystem::create_directories(top / "others");
    std::filesystem::permissions(top / "sticky", static_cast<std::filesystem::perms>(01777));
    std::filesystem::permissions(top / "others", static_cast<std::filesystem::perms>(01777));
    ASSERT_EQ(lchown((top / "others").c_str(), 65534, 65534), 0);
    std::filesystem::permissions(top / "open", static_cast<std::filesystem::perms>(0777));
    std::ofstream((top / "kept/k.ini").string()) << "[s]\nk=root's\n";
    const std::string real = std::filesystem::canonical(top).string();
    const struct {
        const char* link;   // below top, to kept/k.ini, or kept/ for "d"
        uid_t owner;
        const char* path;   // what is resolved, below top
        const char* refused;   // the link refused, below top ("" when followed)
    } cases[] = {
        {"sticky/n.ini", 65534, "sticky/n.ini", "sticky/n.ini"},
        {"sticky/d", 65534, "sticky/d/k.ini", "sticky/d"},
        {"sticky/n.ini", 0, "sticky/n.ini", ""},
        {"open/n.ini", 65534, "open/n.ini", ""},
        {"others/n.ini", 65534, "others/n.ini", ""},
        {"others/d", 65534, "others/d/k.ini", ""},
        {"others/n.ini", 1, "others/n.ini", "others/n.ini"},
    };
    for (const auto& c : cases) {
        const std::filesystem::path link = top / c.link;
        const bool folder = std::string(c.link).back() == 'd';
        std::filesystem::create_symlink(folder ? top / "kept" : top / "kept/k.ini", link);
        ASSERT_EQ(lchown(link.c_str(), c.owner, c.owner), 0);
        std::string resolved;
        qv::RefusedLink refused;
        errno = 0;
        const bool followed = qv::FollowLinks((top / c.path).string(), false, resolved, &refused);
        const std::string what = std::string(c.link) + " " + std::to_string(c.owner);
        if (*c.refused == '\0') {
            EXPECT_TRUE(followed) << what;
            EXPECT_EQ(resolved, real + "/kept/k.ini") << what;
        } else {
            EXPECT_FALSE(followed) << what;
            EXPECT_EQ(errno, EACCES) << what;
            EXPECT_EQ(refused.path, real + "/" + c.refused) << what;
            EXPECT_EQ(refused.owner, c.owner) << what;
            EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "written", (top / c.path).c_str())) << what;
        }
        std::filesystem::remove(link);
    }
    std::ifstream in((top / "kept/k.ini").string());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[s]\nk=root's\n");
    std::filesystem::remove_all(top);
}

} // namespace
