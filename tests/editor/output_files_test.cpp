// The owner of the files a command writes: where they go, links, the folder lock, and what a
// failure or a signal leaves, with the host run as real processes.
#include "editor/output_files.h"
#include "tests/support/host_run.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using qv::OutputFiles;
using qv_test::ReadFile;
using qv_test::WriteFile;

struct Folder {
    Folder() {
        std::string pattern = qv_test::TempFolder() + "/owner_XXXXXX";
        path = mkdtemp(pattern.data());
    }
    ~Folder() {
        std::error_code code;
        fs::remove_all(path, code);
        fs::remove(path.string() + ".err", code);
        fs::remove(path.string() + ".ini", code);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // Every file below the folder: relative name, then a digest of its contents and its size
    // (a link shows as "-> target").
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(path)) {
            const std::string name = fs::relative(entry.path(), path).string();
            if (entry.is_symlink()) files[name] = "-> " + fs::read_symlink(entry.path()).string();
            else if (entry.is_regular_file()) {
                const std::string bytes = ReadFile(entry.path().string());
                files[name] = std::to_string(std::hash<std::string>{}(bytes)) + " " + std::to_string(bytes.size());
            }
        }
        return files;
    }
    fs::path path;
};

// Starts the host in `folder` with the arguments; stderr goes to folder/../<name>.err.
pid_t StartHost(const Folder& folder, std::vector<std::string> args) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.path.c_str()) != 0) _exit(127);
        const int err = open((folder.path.string() + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        setenv("QV_USER_PROFILE", (folder.path.string() + ".ini").c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(QVHOST_PATH)};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(QVHOST_PATH, argv.data());
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunHostIn(const Folder& folder, std::vector<std::string> args) { return Wait(StartHost(folder, std::move(args))); }

// A schematic of `count` nonlinear resistors with tables of data pairs (a data file each).
std::string Resistors(int count, const std::string& extra = "") {
    std::string text = R"({"document": "D", "elements": [)";
    for (int i = 0; i < count; ++i)
        text += (i ? "," : "") + std::string(R"({"id": 15, "name": "R)") + std::to_string(i) +
                R"(", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 1]]}})";
    return text + extra + "]}";
}

// A 2D lookup table whose "File Name" is ticked and typed as `name`.
std::string TableNamed(const std::string& name) {
    return R"({"document": "H", "elements": [{"id": 78, "name": "LT1", "parameters": {"IN": "W"}, "script": [)"
           R"("click 1122", "click 1122", "cell 2121 0 1 0", "cell 2121 1 1 1", "click 2116", "type 2117 \")" +
           name + R"(\"", "ok"]}]})";
}

TEST(OutputFiles, NamesPlacesAndTargets) {
    EXPECT_EQ(OutputFiles::PathInFolder("sub/t.mdx", "/o/"), "/o/sub/t.mdx");
    EXPECT_EQ(OutputFiles::PathInFolder("/a/t.mdx", "/o"), "/a/t.mdx");
    EXPECT_TRUE(OutputFiles::IsInsideFolder("/o/sub/t.mdx", "/o"));
    EXPECT_FALSE(OutputFiles::IsInsideFolder(OutputFiles::PathInFolder("../up.mdx", "/o/"), "/o/"));
    EXPECT_FALSE(OutputFiles::IsInsideFolder("/other/t.mdx", "/o/"));
    struct Name {
        const char* name;
        long pid;   // 0: not a temporary file
    } names[] = {{".x.desc.42.part", 42}, {".t.mdx.7.keep", 7}, {".t.mdx.9.3.tmp", 9}, {"x.desc.part", 0},
                 {".notes.part", 0},      {"t.mdx", 0},         {".t.mdx.x1.tmp", 0}};
    for (const Name& n : names) {
        long pid = 0;
        EXPECT_EQ(OutputFiles::IsTemporaryName(n.name, pid), n.pid != 0) << n.name;
        EXPECT_EQ(n.pid != 0 ? pid : 0, n.pid) << n.name;
    }
    long pid = 0;
    EXPECT_TRUE(OutputFiles::IsTemporaryName(fs::path(OutputFiles::TemporaryPathFor("/o/x.qva")).filename(), pid));

    Folder folder;
    WriteFile(folder / "file", "x");
    mkfifo((folder / "pipe").c_str(), 0600);
    fs::create_symlink("file", folder / "to-file");
    fs::create_symlink("new", folder / "to-new");
    fs::create_symlink("pipe", folder / "to-pipe");
    struct Target {
        std::string given;
        std::string target;   // "" when refused
    } targets[] = {{"file", "file"}, {"to-file", "file"}, {"to-new", "new"}, {"to-pipe", ""}, {"", ""}};
    for (const Target& t : targets) {
        std::string target, error;
        const bool ok = OutputFiles::ResolveTarget(folder / t.given, target, error);
        EXPECT_EQ(ok, !t.target.empty()) << t.given << ": " << error;
        EXPECT_EQ(ok ? fs::path(target).filename().string() : std::string(), t.target) << t.given;
    }
}

// Files created and replaced and a temporary file are taken back by a failed command and by
// running out of memory. The sanitizer's allocator reports exhaustion itself rather than calling
// the new-handler, so the child calls the installed handler as an exhausted operator new does,
// and it must end the process with one message and the status of a failed job.
TEST(OutputFiles, RollbackLeavesTheFolderAsItWas) {
    for (const bool outOfMemory : {false, true}) {
        Folder folder;
        WriteFile(folder / "old", "before");
        const auto before = folder.Snapshot();
        const std::string err = folder.path.string() + ".err";
        const pid_t pid = outOfMemory ? fork() : 0;
        if (pid == 0) {
            OutputFiles& owner = OutputFiles::Current();
            owner.Keep();
            if (outOfMemory) {
                dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
                owner.InstallHandlers(2);
            }
            owner.NoteBeforeWriting(folder / "old");
            WriteFile(folder / "old.new", "after");
            fs::rename(folder / "old.new", folder / "old");
            owner.NoteBeforeWriting(folder / "made");
            WriteFile(folder / "made", "new");
            owner.NoteTemporary(OutputFiles::TemporaryPathFor(folder / "x"));
            WriteFile(OutputFiles::TemporaryPathFor(folder / "x"), "part");
            if (outOfMemory) {
                std::get_new_handler()();
                _exit(99);   // the handler returned
            }
            owner.Rollback();
            owner.Keep();
        } else {
            EXPECT_EQ(Wait(pid), 2);
            const std::string message = ReadFile(err);
            EXPECT_EQ(message.rfind("qvhost: ", 0), 0u) << message;
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        }
        EXPECT_EQ(folder.Snapshot(), before) << outOfMemory;
    }
}

// Item by item, the host run as a user runs it: a typed name with a folder part stays in the
// output folder, a link is written through, a failing run beside a good one takes back only
// its own files, and the same schematic described twice gives the same bytes.
TEST(OutputFiles, TheHostWritesOnlyIntoItsOutputFolder) {
    Folder folder;
    fs::create_directories(folder.path / "out" / "sub");
    fs::create_directories(folder.path / "sub");
    WriteFile(folder / "sub/t.mdx", "PRECIOUS");
    const std::string precious = folder.Snapshot()["sub/t.mdx"];
    WriteFile(folder / "in.json", TableNamed("sub/t"));
    EXPECT_EQ(RunHostIn(folder, {"describe", "in.json", "-o", "out/x.desc"}), 0);
    EXPECT_EQ(folder.Snapshot()["sub/t.mdx"], precious);
    EXPECT_TRUE(fs::exists(folder / "out/sub/t.mdx"));
    WriteFile(folder / "up.json", TableNamed("../up"));
    const auto before = folder.Snapshot();
    EXPECT_EQ(RunHostIn(folder, {"describe", "up.json", "-o", "out/y.desc"}), 2);
    EXPECT_EQ(folder.Snapshot(), before);
    EXPECT_NE(ReadFile(folder.path.string() + ".err").find("outside the output folder"), std::string::npos);

    // -o through links: to a regular file (the link stays, the file is written), to a pipe.
    fs::create_symlink("saved.qva", folder.path / "link");
    mkfifo((folder / "pipe").c_str(), 0600);
    fs::create_symlink("pipe", folder.path / "to-pipe");
    WriteFile(folder / "r.json", Resistors(2));
    EXPECT_EQ(RunHostIn(folder, {"save", "r.json", "-o", "link"}), 0);
    EXPECT_TRUE(fs::is_symlink(folder.path / "link"));
    EXPECT_GT(fs::file_size(folder.path / "saved.qva"), 0u);
    EXPECT_EQ(RunHostIn(folder, {"save", "r.json", "-o", "to-pipe"}), 2);
    EXPECT_TRUE(fs::is_symlink(folder.path / "to-pipe"));

    // edit -o writes its data files into the output folder, not beside the schematic.
    fs::create_directories(folder.path / "edited");
    WriteFile(folder / "ok.txt", "ok\n");
    WriteFile(folder / "table.json", TableNamed("t2"));
    EXPECT_EQ(RunHostIn(folder, {"edit", "table.json", "--element", "LT1", "--script", "ok.txt", "-o", "edited/e.json"}), 0);
    EXPECT_TRUE(fs::exists(folder / "edited/t2.mdx"));
    EXPECT_FALSE(fs::exists(folder / "t2.mdx"));
}

TEST(OutputFiles, AFailingRunBesideAGoodOneTakesBackOnlyItsOwnFiles) {
    Folder folder;
    fs::create_directories(folder.path / "o");
    WriteFile(folder / "good.json", Resistors(200));
    WriteFile(folder / "bad.json", Resistors(200, R"(, {"id": 15, "name": "RX", "parameters": {"R": ""}})"));
    const pid_t good = StartHost(folder, {"describe", "good.json", "-o", "o/x.desc"});
    EXPECT_EQ(RunHostIn(folder, {"describe", "bad.json", "-o", (folder.path / "o/x.desc").string()}), 2);
    EXPECT_EQ(Wait(good), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path / "o"), fs::directory_iterator()), 201);
}

// An output the system refuses to write (here: larger than the process may write), whichever
// command writes it, is one line naming the file and the system's reason, and nothing is left.
TEST(OutputFiles, AnOutputThatCannotBeWrittenIsOneLine) {
    Folder folder;
    std::string points;
    for (int i = 0; i < 200; ++i) points += (i ? ", [" : "[") + std::to_string(i) + ", " + std::to_string(2 * i) + "]";
    WriteFile(folder / "big.json", R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic": )"
                                   R"({"kind": "data-pairs", "points": [)" + points + "]}}]}");
    WriteFile(folder / "s.json", Resistors(40));
    WriteFile(folder / "ok.txt", "ok\n");
    ASSERT_EQ(RunHostIn(folder, {"save", "s.json", "-o", "s.qva"}), 0);
    const auto before = folder.Snapshot();
    const std::string tooLarge = ": cannot be written: File too large\n";
    struct Case {
        std::string command;
        std::string message;   // after "qvhost: "
    } cases[] = {
        {"describe big.json -o x.desc", "element \"R1\": its data file " + (folder / "D__R1.mdx") + " cannot be written: File too large\n"},
        {"describe s.json -o x.desc", (folder / "x.desc") + tooLarge},
        {"save s.json -o c.qva", "c.qva" + tooLarge},
        {"load s.qva -o c.qva", "c.qva" + tooLarge},
        {"edit s.json --element R0 --script ok.txt -o e.json", "e.json" + tooLarge},
        {"svg big.json --element R1 --preview -o p.svg", "p.svg" + tooLarge},
    };
    for (const Case& c : cases) {
        const qv_test::CapturedRun run = qv_test::RunCaptured("cd '" + folder.path.string() + "' && QV_USER_PROFILE='" + folder.path.string() + ".ini' sh -c \"trap '' XFSZ; ulimit -f 1; exec '" QVHOST_PATH "' " + c.command + " 2>&1 >/dev/null\"");
        EXPECT_EQ(run.exitCode, 2) << c.command;
        EXPECT_EQ(run.out, "qvhost: " + c.message) << c.command;
        EXPECT_EQ(folder.Snapshot(), before) << c.command;
    }
}

TEST(OutputFiles, EveryExampleDescribedTwiceGivesTheSameBytes) {
    for (const auto& entry : fs::directory_iterator(fs::path(PARVEL_SOURCE_DIR) / "examples")) {
        Folder folder;
        const std::string example = entry.path().string();
        ASSERT_EQ(RunHostIn(folder, {"describe", example, "-o", "x.desc"}), 0) << example;
        const auto first = folder.Snapshot();
        ASSERT_EQ(RunHostIn(folder, {"describe", example, "-o", "x.desc"}), 0) << example;
        EXPECT_EQ(folder.Snapshot(), first) << example;
    }
}

// A signal during a describe leaves the folder as it was; SIGKILL leaves temporary files that
// the next run removes, so that it leaves the folder as a clean run does.
TEST(OutputFiles, SignalsLeaveTheFolderAsItWas) {
    Folder clean;
    WriteFile(clean / "s.json", Resistors(300));
    ASSERT_EQ(RunHostIn(clean, {"describe", "s.json", "-o", "x.desc"}), 0);
    const auto cleanRun = clean.Snapshot();
    struct Case {
        int sig;
        bool rerun;
    } cases[] = {{SIGINT, false}, {SIGTERM, false}, {SIGKILL, true}};
    for (const Case& c : cases) {
        Folder folder;
        WriteFile(folder / "s.json", Resistors(300));
        WriteFile(folder / "D__R5.mdx", "an earlier run's file");
        const auto before = folder.Snapshot();
        const pid_t pid = StartHost(folder, {"describe", "s.json", "-o", "x.desc"});
        // Once data files are being written.
        for (int i = 0; i < 2000 && !fs::exists(folder / "D__R1.mdx"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(pid, c.sig);
        EXPECT_EQ(Wait(pid), 128 + c.sig) << c.sig;
        if (!c.rerun) {
            EXPECT_EQ(folder.Snapshot(), before) << c.sig;
            continue;
        }
        ASSERT_EQ(RunHostIn(folder, {"describe", "s.json", "-o", "x.desc"}), 0);
        EXPECT_EQ(folder.Snapshot(), cleanRun);
    }
    // SIGPIPE: quietly, with the usual status, and no part of the archive left.
    Folder folder;
    WriteFile(folder / "s.json", Resistors(50));
    ASSERT_EQ(RunHostIn(folder, {"save", "s.json", "-o", "s.qva"}), 0);
    const auto before = folder.Snapshot();
    qv_test::RunCaptured("cd '" + folder.path.string() + "' && { '" QVHOST_PATH
                         "' load s.qva -o c.qva 2>err; echo $? >status; } | head -c 100 >/dev/null");
    auto after = folder.Snapshot();
    EXPECT_EQ(ReadFile(folder / "status"), "141\n");
    EXPECT_EQ(ReadFile(folder / "err"), "");
    after.erase("status");
    after.erase("err");
    EXPECT_EQ(after, before);
}

} // namespace
