// The record behind the run's final check: every kind of change a test could make to a
// watched place shows, and nothing else does.
#include "tests/support/tree_snapshot.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Moves the modification time of a file by the given number of seconds.
void ShiftTime(const fs::path& path, int seconds) {
    struct stat info {};
    ASSERT_EQ(0, stat(path.c_str(), &info));
    timespec times[2] = {info.st_atim, info.st_mtim};
    times[1].tv_sec += seconds;
    ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
}

// Runs the change and gives the file its earlier modification time back, so that only its
// content or identity can tell.
void KeepingTime(const fs::path& path, const std::function<void()>& change) {
    struct stat info {};
    ASSERT_EQ(0, stat(path.c_str(), &info));
    change();
    timespec times[2] = {info.st_atim, info.st_mtim};
    ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
}

class TreeSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(qv_test::TempFolder()) / ("snapshot_" + std::to_string(getpid()));
        fs::remove_all(root);
        Write(root / "tree" / "a.txt", "alpha");
        Write(root / "tree" / "sub" / "b.txt", "beta");
        Write(root / "tree" / "build" / "c.o", "object");
        Write(root / "tree" / ".git" / "index", "git");
        Write(root / "tree" / "tools" / "__pycache__" / "m.pyc", "cache");
        Write(root / "profile.ini", "[S]\nK=1\n");
    }
    void TearDown() override { fs::remove_all(root); }

    qv_test::TreeSnapshot Take() const {
        return qv_test::TakeSnapshot({(root / "tree").string(), (root / "profile.ini").string(),
                                      (root / "later").string()},
                                     {(root / "tree" / "build").string()});
    }

    fs::path root;
};

TEST_F(TreeSnapshotTest, EveryChangeToAWatchedPlaceShowsAndNothingElse) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> change;
        std::vector<std::string> expected;   // differences, relative to the test folder
    };
    const Case cases[] = {
        {"nothing", [](const fs::path&) {}, {}},
        {"a new file", [](const fs::path& r) { Write(r / "tree" / "sub" / "new.ini", "x"); },
         {"new file tree/sub/new.ini"}},
        {"new content of the same size and time",
         [](const fs::path& r) { KeepingTime(r / "tree" / "a.txt", [&] { Write(r / "tree" / "a.txt", "ALPHA"); }); },
         {"changed file tree/a.txt"}},
        {"the same bytes written again, later", [](const fs::path& r) { ShiftTime(r / "tree" / "a.txt", 5); },
         {"changed file tree/a.txt"}},
        {"the same bytes renamed over the file",
         [](const fs::path& r) {
             KeepingTime(r / "tree" / "a.txt", [&] {
                 Write(r / "tree" / "a.tmp", "alpha");
                 fs::rename(r / "tree" / "a.tmp", r / "tree" / "a.txt");
             });
         },
         {"changed file tree/a.txt"}},
        {"a removed file", [](const fs::path& r) { fs::remove(r / "tree" / "sub" / "b.txt"); },
         {"removed file tree/sub/b.txt"}},
        {"a new empty folder", [](const fs::path& r) { fs::create_directory(r / "tree" / "empty"); },
         {"new folder tree/empty"}},
        {"a watched single file rewritten", [](const fs::path& r) { Write(r / "profile.ini", "[S]\nK=2\n"); },
         {"changed file profile.ini"}},
        {"a watched place that appears", [](const fs::path& r) { Write(r / "later" / "user.ini", "x"); },
         {"new folder later", "new file later/user.ini"}},
        {"changes in left-out folders",
         [](const fs::path& r) {
             Write(r / "tree" / "build" / "d.o", "more");
             Write(r / "tree" / ".git" / "index", "changed");
             Write(r / "tree" / "tools" / "__pycache__" / "n.pyc", "more");
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        const qv_test::TreeSnapshot before = Take();
        ASSERT_TRUE(before.entries.count((root / "tree" / "sub" / "b.txt").string()));
        c.change(root);
        std::vector<std::string> expected;
        for (const std::string& line : c.expected) {
            const size_t blank = line.rfind(' ');
            expected.push_back(line.substr(0, blank + 1) + (root / line.substr(blank + 1)).string());
        }
        EXPECT_EQ(expected, qv_test::CompareSnapshots(before, Take()));
    }
}

TEST_F(TreeSnapshotTest, TextFormReadsBackAndRefusesCutText) {
    Write(root / "tree" / "odd name\nwith break 12:x", "z");
    const qv_test::TreeSnapshot snapshot = Take();
    std::stringstream text;
    qv_test::WriteSnapshot(text, snapshot);
    qv_test::TreeSnapshot read;
    ASSERT_TRUE(qv_test::ReadSnapshot(text, read));
    EXPECT_EQ(snapshot.roots, read.roots);
    EXPECT_EQ(snapshot.excludes, read.excludes);
    EXPECT_EQ(snapshot.entries, read.entries);
    EXPECT_TRUE(qv_test::CompareSnapshots(read, Take()).empty());

    const std::string whole = text.str();
    for (size_t cut : {size_t{0}, whole.size() / 3, whole.size() / 2, whole.size() - 4}) {
        std::stringstream part(whole.substr(0, cut));
        EXPECT_FALSE(qv_test::ReadSnapshot(part, read)) << "cut after " << cut << " bytes";
    }
}

} // namespace
