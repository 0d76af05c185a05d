#include "win32/profile.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qv_win32_profile_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "test.ini").string();
    }
    void TearDown() override
    {
        qv::SetProfileFolder("");
        fs::remove_all(dir_);
    }
    void WriteFile(const std::string& text, const std::string& path = {})
    {
        std::ofstream(path.empty() ? file_ : path, std::ios::binary) << text;
    }
    std::string ReadFile(const std::string& path = {})
    {
        std::ifstream in(path.empty() ? file_ : path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Get(const char* section, const char* key, const char* def = "")
    {
        char buffer[256];
        GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, file_.c_str());
        return buffer;
    }
    // A list answer as its names, and the count returned.
    std::vector<std::string> List(const char* section, DWORD size, DWORD* returned = nullptr)
    {
        std::vector<char> buffer(size, 'x');
        DWORD n = GetPrivateProfileStringA(section, nullptr, "def", buffer.data(), size, file_.c_str());
        if (returned)
            *returned = n;
        std::vector<std::string> names;
        for (size_t i = 0; i < size && buffer[i] != '\0'; i += names.back().size() + 1)
            names.emplace_back(&buffer[i]);
        return names;
    }
    fs::path dir_;
    std::string file_;
};

const char* kSample =
    "; a comment\n"
    "orphan=before any section\n"
    "[Directories]\n"
    "DefaultDir = /data/models/ \n"
    "  Padded  =  a value with blanks inside  \r\n"
    "Quoted=\"  kept blanks  \"\n"
    "Single='x'\n"
    "Unmatched=\"x'\n"
    "Empty=\n"
    ";Commented=no\n"
    "Inline=value ; not a comment\n"
    "NoEquals\n"
    "[ SearchPathCharateristics ]\n"
    "NumOfSearchDirs=2\n"
    "Dir0=rel\n"
    "Dir1=\n"
    "[directories]\n"
    "DefaultDir=second\n"
    "Later=from the repeated section\n"
    "[Numbers]\n"
    "Plain=42\nNeg=-17\nPlus=+8\nText=abc\nMixed=12abc\nHex=0x10\nSpace=  7 \nHuge=99999999999\n"
    "Tiny=-99999999999\nSign=-\n";

TEST_F(ProfileTest, ValuesAreFoundAndCleanedLikeTheOriginal)
{
    WriteFile(kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        const char* expected;
    } cases[] = {
        {"Directories", "DefaultDir", "", "/data/models/"},
        {"DIRECTORIES", "defaultdir", "", "/data/models/"}, // names ignore letter case
        {" Directories ", " DefaultDir ", "", "/data/models/"},
        {"Directories", "Padded", "", "a value with blanks inside"},
        {"Directories", "Quoted", "", "  kept blanks  "},
        {"Directories", "Single", "", "x"},
        {"Directories", "Unmatched", "", "\"x'"},
        {"Directories", "Empty", "def", ""},          // present but empty: not the default
        {"Directories", "Commented", "def", "def"},   // comment lines are no keys
        {"Directories", "Inline", "", "value ; not a comment"},
        {"Directories", "NoEquals", "def", "def"},
        {"Directories", "Later", "", "from the repeated section"},
        {"SearchPathCharateristics", "Dir0", "", "rel"},
        {"SearchPathCharacteristics", "Dir0", "none", "none"}, // the spelling matters
        {"Directories", "Missing", "fallback  \t ", "fallback"}, // default loses trailing blanks
        {"Directories", "Missing", "  lead", "  lead"},
        {"Directories", "Missing", nullptr, ""},
        {"NoSection", "DefaultDir", "d", "d"},
        {"", "orphan", "d", "d"}, // lines before the first section belong to none
    };
    for (const Case& c : cases)
        EXPECT_EQ(Get(c.section, c.key, c.def), c.expected) << c.section << "/" << c.key;
}

TEST_F(ProfileTest, WritesNeverReplaceAPipeOrDevice)
{
    const std::string pipe = (dir_ / "pipe.ini").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "v", pipe.c_str()));
    struct stat st {};
    ASSERT_EQ(stat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ProfileTest, IntegersReadTheLeadingDecimalNumber)
{
    WriteFile(kSample);
    struct Case {
        const char* key;
        INT def;
        INT expected;
    } cases[] = {
        {"Plain", 5, 42}, {"Neg", 5, -17}, {"Plus", 5, 8}, {"Text", 5, 0}, {"Mixed", 5, 12},
        {"Hex", 5, 0}, {"Space", 5, 7}, {"Missing", 5, 5}, {"Huge", 5, 2147483647},
        {"Tiny", 5, -2147483647 - 1}, {"Sign", 5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("numbers", c.key, c.def, file_.c_str())), c.expected) << c.key;
    EXPECT_EQ(GetPrivateProfileIntA("Directories", "Empty", 9, file_.c_str()), 9u);
    EXPECT_EQ(GetPrivateProfileIntA("SearchPathCharateristics", "NumOfSearchDirs", 0, file_.c_str()), 2u);
    EXPECT_EQ(GetPrivateProfileIntA("Numbers", "Plain", 3, (dir_ / "absent.ini").c_str()), 3u);
}

TEST_F(ProfileTest, TruncationAndReturnValues)
{
    WriteFile("[S]\nKey=abcdef\n");
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetPrivateProfileStringA("S", "Key", "", buffer, 4, file_.c_str()), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x');
    EXPECT_EQ(GetPrivateProfileStringA("S", "Key", "", buffer, 7, file_.c_str()), 6u); // fits exactly
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(GetPrivateProfileStringA("S", "Key", "", buffer, 1, file_.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetPrivateProfileStringA("S", "None", "defaultvalue", buffer, 5, file_.c_str()), 4u);
    EXPECT_STREQ(buffer, "defa");
    // Null buffer or zero size: nothing written, no crash.
    EXPECT_EQ(GetPrivateProfileStringA("S", "Key", "", nullptr, 10, file_.c_str()), 0u);
    buffer[0] = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("S", "Key", "", buffer, 0, file_.c_str()), 0u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", nullptr, 0, file_.c_str()), 0u);
    // No file name at all.
    EXPECT_EQ(GetPrivateProfileStringA("S", "Key", "d", buffer, sizeof buffer, nullptr), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST_F(ProfileTest, ListsOfSectionsAndKeys)
{
    WriteFile(kSample);
    DWORD n = 0;
    EXPECT_EQ(List(nullptr, 200, &n),
              (std::vector<std::string>{"Directories", "SearchPathCharateristics", "Numbers"}));
    EXPECT_EQ(n, std::string("Directories").size() + 1 + std::string("SearchPathCharateristics").size() + 1 +
                     std::string("Numbers").size() + 1);
    EXPECT_EQ(List("searchpathcharateristics", 100, &n), (std::vector<std::string>{"NumOfSearchDirs", "Dir0", "Dir1"}));
    EXPECT_EQ(n, 16u + 5u + 5u);
    // Keys of a repeated section are listed once each, in file order.
    EXPECT_EQ(List("Directories", 200),
              (std::vector<std::string>{"DefaultDir", "Padded", "Quoted", "Single", "Unmatched", "Empty", "Inline", "Later"}));
    // An absent section is an empty list (two terminators), not the default.
    std::vector<char> buffer(8, 'x');
    EXPECT_EQ(GetPrivateProfileStringA("Absent", nullptr, "def", buffer.data(), 8, file_.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '\0');

    // Too small: the last name is cut, two terminators end the list, the answer is size-2.
    buffer.assign(12, 'x');
    EXPECT_EQ(GetPrivateProfileStringA("SearchPathCharateristics", nullptr, "", buffer.data(), 12, file_.c_str()), 10u);
    EXPECT_EQ(std::string(buffer.data(), 12), std::string("NumOfSearch\0", 12).substr(0, 10) + std::string("\0\0", 2));
    buffer.assign(21, 'x');
    EXPECT_EQ(GetPrivateProfileStringA("SearchPathCharateristics", nullptr, "", buffer.data(), 21, file_.c_str()), 19u);
    EXPECT_EQ(std::string(buffer.data(), 21), std::string("NumOfSearchDirs\0Dir\0\0", 21));
    buffer.assign(2, 'x');
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 2, file_.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '\0');
}

TEST_F(ProfileTest, CacheNoticesRewrittenFiles)
{
    WriteFile("[S]\nKey=first\n");
    EXPECT_EQ(Get("S", "Key"), "first");
    WriteFile("[S]\nKey=other\n"); // same size, same second
    EXPECT_EQ(Get("S", "Key"), "other");
    WriteFile("[S]\nKey=much longer now\nNew=1\n");
    EXPECT_EQ(Get("S", "Key"), "much longer now");
    fs::remove(file_);
    EXPECT_EQ(Get("S", "Key", "gone"), "gone");
    WriteFile("[S]\nKey=back\n");
    EXPECT_EQ(Get("S", "Key"), "back");
}

TEST_F(ProfileTest, WritingKeepsTheRestOfTheFile)
{
    WriteFile("; header comment\n[A]\nx = 1\n\n[B]\n; about y\ny=2\n");
    EXPECT_TRUE(WritePrivateProfileStringA("a", "X", "10", file_.c_str())); // existing key, other case
    EXPECT_TRUE(WritePrivateProfileStringA("A", "z", "3", file_.c_str()));  // new key in a section
    EXPECT_TRUE(WritePrivateProfileStringA("C", "w", "4", file_.c_str()));  // new section
    EXPECT_EQ(ReadFile(), "; header comment\n[A]\nx=10\nz=3\n\n[B]\n; about y\ny=2\n[C]\nw=4\n");
    EXPECT_EQ(Get("A", "x"), "10");
    EXPECT_EQ(Get("c", "W"), "4");

    EXPECT_TRUE(WritePrivateProfileStringA("B", "y", nullptr, file_.c_str())); // remove a key
    EXPECT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, file_.c_str())); // remove a section
    EXPECT_TRUE(WritePrivateProfileStringA("Q", "none", nullptr, file_.c_str())); // nothing to remove
    EXPECT_EQ(ReadFile(), "; header comment\n[B]\n; about y\n[C]\nw=4\n");
    EXPECT_EQ(Get("A", "x", "gone"), "gone");

    // A new file is created; a section without keys gets its first key before blank lines.
    std::string fresh = (dir_ / "fresh.ini").string();
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", fresh.c_str()));
    EXPECT_EQ(ReadFile(fresh), "[S]\nk=v\n");
    WriteFile("[E]\n\n[F]\n", fresh);
    EXPECT_TRUE(WritePrivateProfileStringA("E", "k", "v", fresh.c_str()));
    EXPECT_EQ(ReadFile(fresh), "[E]\nk=v\n\n[F]\n");
    // No temporary files are left behind.
    int files = 0;
    for (auto& entry : fs::directory_iterator(dir_))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(ProfileTest, WritesThatWouldBreakTheFileAreRefused)
{
    WriteFile("[S]\nk=v\n");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "line\n[Injected]\nx=1", file_.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S\nT", "k", "v", file_.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S]x", "k", "v", file_.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "a=b", "v", file_.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "  ", "v", file_.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", file_.c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", nullptr));
    EXPECT_EQ(ReadFile(), "[S]\nk=v\n");
    // A folder that does not exist is not created for a named file.
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", (dir_ / "no" / "such.ini").c_str()));
}

TEST_F(ProfileTest, BareNamesLiveInTheProfileFolder)
{
    qv::SetProfileFolder(dir_.string());
    WriteFile("[Directories]\nDefaultDir=/x/\n", (dir_ / "Lumo70.ini").string());
    char buffer[260];
    EXPECT_EQ(GetPrivateProfileStringA("Directories", "DefaultDir", "", buffer, sizeof buffer, "Lumo70.ini"), 3u);
    EXPECT_STREQ(buffer, "/x/");
    EXPECT_TRUE(WritePrivateProfileStringA("Directories", "Other", "y", "Lumo70.ini"));
    EXPECT_EQ(ReadFile((dir_ / "Lumo70.ini").string()), "[Directories]\nDefaultDir=/x/\nOther=y\n");
}

TEST_F(ProfileTest, ABatchReadsOnceAndWritesOnceWhatChanged)
{
    WriteFile("[S]\nKey=1\n");
    struct stat before {};
    ASSERT_EQ(0, stat(file_.c_str(), &before));
    // A write of the value the file holds leaves the file alone, in a batch or not.
    EXPECT_TRUE(WritePrivateProfileStringA("S", "Key", "1", file_.c_str()));
    qv::BeginProfileBatch();
    EXPECT_TRUE(WritePrivateProfileStringA("S", "Key", "1", file_.c_str()));
    for (const char* value : {"2", "3", "4"}) {
        EXPECT_TRUE(WritePrivateProfileStringA("S", "Key", value, file_.c_str()));
        EXPECT_EQ(Get("S", "Key"), value) << "the batch reads its own writes";
    }
    WriteFile("[S]\nKey=other\n");
    EXPECT_EQ(Get("S", "Key"), "4") << "the file is read once in a batch";
    struct stat during {};
    ASSERT_EQ(0, stat(file_.c_str(), &during));
    EXPECT_TRUE(qv::EndProfileBatch());
    EXPECT_EQ(ReadFile(), "[S]\nKey=4\n");
    struct stat after {};
    ASSERT_EQ(0, stat(file_.c_str(), &after));
    EXPECT_EQ(before.st_ino, during.st_ino) << "nothing was renamed over the file before the end";
    EXPECT_NE(during.st_ino, after.st_ino) << "written once, at the end";
    EXPECT_EQ(Get("S", "Key"), "4");
}

TEST_F(ProfileTest, UserProfileFollowsTheEnvironmentAndCreatesItsFolder)
{
    std::string saved = getenv("QV_USER_PROFILE") ? getenv("QV_USER_PROFILE") : "";
    bool had = getenv("QV_USER_PROFILE") != nullptr;
    std::string user = (dir_ / "deep" / "er" / "user.ini").string();
    setenv("QV_USER_PROFILE", user.c_str(), 1);
    EXPECT_EQ(qv::UserProfilePath(), user);
    EXPECT_EQ(GetProfileIntA("Columns", "Width0", 80), 80u);
    EXPECT_TRUE(WriteProfileStringA("Columns", "Width0", "120"));
    EXPECT_EQ(GetProfileIntA("columns", "width0", 80), 120u);
    char buffer[16];
    EXPECT_EQ(GetProfileStringA("Columns", "Width0", "", buffer, sizeof buffer), 3u);
    EXPECT_STREQ(buffer, "120");
    EXPECT_EQ(ReadFile(user), "[Columns]\nWidth0=120\n");

    unsetenv("QV_USER_PROFILE");
    const char* xdg = getenv("XDG_CONFIG_HOME");
    std::string savedXdg = xdg ? xdg : "";
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    EXPECT_EQ(qv::UserProfilePath(), (dir_ / "quorvatix" / "user.ini").string());
    if (xdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (had)
        setenv("QV_USER_PROFILE", saved.c_str(), 1);
}

} // namespace
