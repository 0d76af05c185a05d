// The owner of the files a command writes: where they go, links, the folder lock, and what a
// failure or a signal leaves, with the host run as real processes.
#include "editor/journal_format.h"
#include "editor/host.h"
#include "editor/output_files.h"
#include "afx/message_text.h"
#include "tests/support/another_user.h"
#include "tests/support/host_run.h"
#include "tests/support/journal_bytes.h"
#include "tests/support/marked_data_file.h"
#include "tests/support/text_files.h"
#include "toolkit/read_write_files.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <linux/capability.h>
#include <map>
#include <memory>
#include <set>
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
        fs::remove(path.string() + ".wait.err", code);
        fs::remove(path.string() + ".ini", code);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // Every file below the folder (or its subfolder `within`): relative name, then a digest of
    // its contents, its size and its permissions (a link shows as "-> target"). The folder's
    // own path in a file (a description names its data files) reads as "@", so that copies of
    // a folder compare.
    std::map<std::string, std::string> Snapshot(const std::string& within = "") const {
        std::map<std::string, std::string> files;
        const fs::path top = within.empty() ? path : path / within;
        for (const auto& entry : fs::recursive_directory_iterator(top)) {
            const std::string name = fs::relative(entry.path(), top).string();
            if (entry.is_symlink()) files[name] = "-> " + fs::read_symlink(entry.path()).string();
            else if (entry.is_regular_file()) {
                std::string bytes = ReadFile(entry.path().string());
                for (size_t at = bytes.find(path.string()); at != std::string::npos; at = bytes.find(path.string(), at))
                    bytes.replace(at, path.string().size(), "@");
                files[name] = std::to_string(std::hash<std::string>{}(bytes)) + " " + std::to_string(bytes.size()) +
                              " " + std::to_string(static_cast<int>(entry.status().permissions()));
            }
        }
        return files;
    }
    fs::path path;
};

// What the crash test's build of the host is made to do: get the signal `sig` after the
// owner's step `step` (0: none); keep earlier contents in copies, as where a second link fails;
// fail the journal append numbered `failAppend` (0: none) as on a full disk.
struct Faults {
    long step = 0;
    int sig = SIGKILL;
    bool noSecondLinks = false;
    long failAppend = 0;
};

// Starts the host in `folder` with the arguments; stderr goes to folder/../<name><err>. With
// faults, the crash test's build of the host runs.
pid_t StartHost(const Folder& folder, std::vector<std::string> args, const Faults& faults = {},
                const std::string& err = ".err") {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.path.c_str()) != 0) _exit(127);
        const bool crash = faults.step > 0 || faults.noSecondLinks || faults.failAppend > 0;
        if (crash) {
            setenv("QVHOST_CRASH_AFTER_STEP", std::to_string(faults.step).c_str(), 1);
            setenv("QVHOST_CRASH_SIGNAL", std::to_string(faults.sig).c_str(), 1);
            setenv("QVHOST_FAIL_APPEND", std::to_string(faults.failAppend).c_str(), 1);
            if (faults.noSecondLinks) setenv("QVHOST_NO_SECOND_LINKS", "1", 1);
        }
        const int errFd = open((folder.path.string() + err).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(errFd, 2);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        setenv("QV_USER_PROFILE", (folder.path.string() + ".ini").c_str(), 1);
        const char* program = crash ? QVHOST_CRASH_PATH : QVHOST_PATH;
        std::vector<char*> argv{const_cast<char*>(program)};
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(program, argv.data());
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

// A schematic of `count` nonlinear resistors with tables of data pairs (a data file each, the
// last `below` of them in the subfolder "sub"), the second point at (1, y).
std::string Resistors(int count, const std::string& extra = "", int y = 1, int below = 0) {
    std::string text = R"({"document": "D", "elements": [)";
    for (int i = 0; i < count; ++i)
        text += (i ? "," : "") + std::string(R"({"id": 15, "name": "R)") + std::to_string(i) +
                R"(", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, )" + std::to_string(y) + "]]" +
                (i >= count - below ? R"(, "file": "sub/f)" + std::to_string(i) + "\"" : std::string()) + "}}";
    return text + extra + "]}";
}

// An edit script that applies a 2D table of two rows, the second (1, y), with the file "tab".
// The table's file "tab" is written as "tab.mdx", without a question over the one the element
// wrote in an earlier run.
std::string TableScript(int y, const std::string& last = "ok") {
    return "click 1122\nclick 1122\ncell 2121 0 1 0\ncell 2121 1 1 " + std::to_string(y) +
           "\nclick 2116\ntype 2117 \"tab\"\napply\n" + last + "\n";
}

// The table without a value: the page's OK, which would apply one, refuses a table without
// rows (TableScript gives them).
const char kTableSchematic[] = R"({"document":"T","elements":[{"id":78,"name":"LT1"}]})";

// Copies a folder's contents, permissions included, into another.
void CopyFolder(const Folder& from, const Folder& to) {
    fs::copy(from.path, to.path, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

// Writes `bytes` to a file of the command in place of `target`; false when the owner refused.
bool WriteThrough(const std::string& target, const std::string& bytes) {
    std::string temporary, error;
    const int fd = OutputFiles::Current().OpenFile(target, temporary, error);
    if (fd < 0) return false;
    const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    return written && OutputFiles::Current().PutInPlace(temporary, target);
}

// The next command in `in`: locks its output folder `folder` (recovering what a dead command
// left there), writes "next" into each file of `writes` and commits; in a child, so that the
// lock goes with it. False when any of it fails.
bool NextCommand(const Folder& in, const std::string& folder, const std::vector<std::string>& writes = {}) {
    const pid_t pid = fork();
    if (pid == 0) {
        OutputFiles& owner = OutputFiles::Current();
        std::string error;
        bool ok = owner.LockFolder(in / folder, error);
        for (const std::string& name : writes) ok = ok && WriteThrough(in / name, "next");
        _exit(ok && owner.Settle(true) ? 0 : 1);
    }
    return Wait(pid) == 0;
}

// Runs the host with `args` over copies of `earlier`, with the faults of n = 1, 2, ... in turn
// (three runs at a time), until a run finishes; `check` sees each run's folder, n and exit
// status, in the order of n.
void EachRun(const Folder& earlier, const std::vector<std::string>& args, const std::function<Faults(long)>& faults,
             const std::function<void(Folder&, long, int)>& check) {
    bool finished = false;
    for (long n = 1; !finished && !::testing::Test::HasFatalFailure(); n += 3) {
        ASSERT_LT(n, 1000) << args[0] << " does not finish";
        std::vector<std::unique_ptr<Folder>> runs;
        std::vector<pid_t> pids;
        for (long i = n; i < n + 3; ++i) {
            runs.push_back(std::make_unique<Folder>());
            CopyFolder(earlier, *runs.back());
            pids.push_back(StartHost(*runs.back(), args, faults(i)));
        }
        for (size_t i = 0; i < runs.size(); ++i) {
            const int status = Wait(pids[i]);
            finished = finished || status == 0;
            if (!::testing::Test::HasFatalFailure()) check(*runs[i], n + static_cast<long>(i), status);
        }
    }
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

    Folder folder;
    // A link to a folder elsewhere leads out of the output folder, whatever the path's text says,
    // and so does one to a folder whose name merely begins with the output folder's. Every
    // absolute path lies in the output folder "/".
    fs::create_directories(folder.path / "out" / "real");
    fs::create_directories(folder.path / "elsewhere");
    fs::create_directories(folder.path / "out2");
    fs::create_directory_symlink("../elsewhere", folder.path / "out" / "sub");
    fs::create_directory_symlink("../out2", folder.path / "out" / "sub2");
    const struct {
        std::string path, folder;
        bool inside;
    } places[] = {
        {folder / "out/sub/t.mdx", folder / "out", false},  {folder / "out/sub2/t.mdx", folder / "out", false},
        {folder / "out2/t.mdx", folder / "out", false},     {folder / "out/real/t.mdx", folder / "out", true},
        {folder / "out/t.mdx", folder / "out/", true},      {"/t.mdx", "/", true},
        {"/o/sub/t.mdx", "/", true},                        {"/", "/", false},
    };
    for (const auto& p : places) EXPECT_EQ(OutputFiles::IsInsideFolder(p.path, p.folder), p.inside) << p.path << " in " << p.folder;
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

// Files created, replaced and set aside are taken back by a failed command and by running out
// of memory, permissions included. The sanitizer's allocator reports exhaustion itself rather
// than calling the new-handler, so the child calls the installed handler as an exhausted
// operator new does, and it must end the process with one message and the status of a failed job.
TEST(OutputFiles, RollbackLeavesTheFolderAsItWas) {
    for (const bool outOfMemory : {false, true}) {
        Folder folder;
        WriteFile(folder / "old", "before");
        WriteFile(folder / "aside", "earlier run");
        fs::permissions(folder / "old", fs::perms::owner_read | fs::perms::owner_write);
        const auto before = folder.Snapshot();
        const std::string err = folder.path.string() + ".err";
        const pid_t pid = outOfMemory ? fork() : 0;
        if (pid == 0) {
            OutputFiles& owner = OutputFiles::Current();
            if (outOfMemory) {
                dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
                owner.InstallHandlers(2);
            }
            std::string error;
            for (const char* name : {"old", "made", "old"}) {   // "old" twice: its first contents come back
                EXPECT_TRUE(WriteThrough(folder / name, "after")) << name;
            }
            EXPECT_TRUE(owner.SetAside(folder / "aside"));
            EXPECT_FALSE(fs::exists(folder / "aside"));
            std::string part;
            const int fd = owner.OpenFile(folder / "part", part, error);
            EXPECT_GE(fd, 0) << error;
            close(fd);
            if (outOfMemory) {
                std::get_new_handler()();
                _exit(99);   // the handler returned
            }
            owner.Settle(false);
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
    // Linear resistors: the description is the one file that grows.
    std::string linear = R"({"document": "D", "elements": [)";
    for (int i = 0; i < 40; ++i)
        linear += (i ? "," : "") + std::string(R"({"id": 15, "name": "R)") + std::to_string(i) + R"(", "parameters": {"R": "1k"}})";
    WriteFile(folder / "s.json", linear + "]}");
    WriteFile(folder / "ok.txt", "ok\n");
    ASSERT_EQ(RunHostIn(folder, {"save", "s.json", "-o", "s.qva"}), 0);
    const auto before = folder.Snapshot();
    const std::string tooLarge = ": cannot be written: File too large\n";
    struct Case {
        std::string command;
        std::string message;   // after "qvhost: "
    } cases[] = {
        {"describe big.json -o x.desc",
         "element \"R1\": its data file " + qv::ShownPath(folder / "D__R1.mdx") + " cannot be written: File too large\n"},
        {"describe s.json -o x.desc", qv::ShownPath(folder / "x.desc") + tooLarge},
        {"save s.json -o c.qva", "c.qva" + tooLarge},
        {"load s.qva -o c.qva", "c.qva" + tooLarge},
        {"edit s.json --element R0 --script ok.txt -o e.json", "e.json" + tooLarge},
        {"svg big.json --element R1 --preview -o p.svg", "p.svg" + tooLarge},
    };
    for (const Case& c : cases) {
        const qv_test::CapturedRun run = qv_test::RunCaptured("cd '" + folder.path.string() + "' && QV_USER_PROFILE='" + folder.path.string() + ".ini' sh -c \"ulimit -f 1; exec '" QVHOST_PATH "' " + c.command + " 2>&1 >/dev/null\"");
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
        // R5's file from an earlier run, which it wrote with another table.
        WriteFile(folder / "D__R5.mdx",
                  qv_test::WithWriterMark("MDX 1\nchannels 2\nitems 1\nchannel \"\" \"\"\nchannel \"\" \"\"\ndata\n7 7\nend\n",
                                          "D", "R5"));
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
    // SIGPIPE: quietly, with the usual status, and no part of the archive left. The reader
    // takes the first 100 bytes and goes, as `head -c 100` does; the pipe holds one page, far
    // less than the 38 KB printed, so the command writes after the reader went, whatever the
    // machine's load.
    Folder folder;
    WriteFile(folder / "s.json", Resistors(50));
    ASSERT_EQ(RunHostIn(folder, {"save", "s.json", "-o", "s.qva"}), 0);
    const auto before = folder.Snapshot();
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    ASSERT_GT(fcntl(ends[1], F_SETPIPE_SZ, 4096), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(ends[1], 1);
        dup2(open((folder / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600), 2);
        if (chdir(folder.path.c_str()) == 0) execl(QVHOST_PATH, QVHOST_PATH, "load", "s.qva", "-o", "c.qva", nullptr);
        _exit(127);
    }
    close(ends[1]);
    char head[100];
    for (size_t got = 0; got < sizeof head;) {
        const ssize_t n = read(ends[0], head + got, sizeof head - got);
        ASSERT_GT(n, 0);
        got += static_cast<size_t>(n);
    }
    close(ends[0]);
    EXPECT_EQ(Wait(pid), 128 + SIGPIPE);
    EXPECT_EQ(ReadFile(folder / "err"), "");
    auto after = folder.Snapshot();
    after.erase("err");
    EXPECT_EQ(after, before);
}

// Names of the kind qvhost gives its journals and private folders are no output's and no data
// file's (the pages never make such a name; a library user may): a command that would write
// one fails with one line saying so, and writes nothing.
TEST(OutputFiles, NamesOfTheKindTheHostGivesItsOwnAreRefused) {
    for (const char* output : {"o/.qvhost-x.desc", "o/.qvhost-journal", "o/.qvhost-committed"}) {
        Folder folder;
        fs::create_directories(folder.path / "o");
        WriteFile(folder / "r.json", Resistors(1));
        const auto before = folder.Snapshot();
        EXPECT_EQ(RunHostIn(folder, {"describe", "r.json", "-o", output}), 2) << output;
        const std::string message = ReadFile(folder.path.string() + ".err");
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << output << ": " << message;
        EXPECT_NE(message.find("is a name of the kind qvhost gives"), std::string::npos) << output << ": " << message;
        EXPECT_EQ(folder.Snapshot(), before) << output;
    }
    // An output typed as a link to such a name: the line names the link typed and the name it
    // leads to, whichever command writes it.
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"describe", "r.json", "-o", "o/lnk"}, std::vector<std::string>{"save", "r.json", "-o", "o/lnk"},
          std::vector<std::string>{"edit", "r.json", "--element", "R0", "--script", "ok.txt", "-o", "o/lnk"}}) {
        Folder folder;
        fs::create_directories(folder.path / "o");
        WriteFile(folder / "r.json", Resistors(1));
        WriteFile(folder / "ok.txt", "ok\n");
        fs::create_symlink(".qvhost-journal", folder.path / "o/lnk");
        const auto before = folder.Snapshot();
        EXPECT_EQ(RunHostIn(folder, command), 2) << command[0];
        const std::string message = ReadFile(folder.path.string() + ".err");
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << command[0] << ": " << message;
        EXPECT_NE(message.find("o/lnk: leads to "), std::string::npos) << command[0] << ": " << message;
        EXPECT_NE(message.find(".qvhost-journal, a name of the kind qvhost gives"), std::string::npos) << command[0] << ": " << message;
        EXPECT_EQ(folder.Snapshot(), before) << command[0];
    }
    // A data file of a library user's command, beside a file it writes.
    Folder folder;
    const pid_t pid = fork();
    if (pid == 0) {
        OutputFiles& owner = OutputFiles::Current();
        std::string error, temporary;
        const bool refused = owner.LockFolder(folder.path, error) && WriteThrough(folder / "a.desc", "A") &&
                             owner.OpenFile(folder / ".qvhost-d.mdx", temporary, error, false) < 0 &&
                             error.find("is a name of the kind qvhost gives") != std::string::npos;
        owner.Settle(false);
        _exit(refused ? 0 : 1);
    }
    EXPECT_EQ(Wait(pid), 0);
    EXPECT_TRUE(folder.Snapshot().empty());
}

// Files whose names look like a killed command's leftovers are the user's: no command removes
// them, also when one is an output.
TEST(OutputFiles, NamesThatLookLikeLeftoversAreTheUsers) {
    Folder folder;
    fs::create_directories(folder.path / "o");
    WriteFile(folder / "o/.report.99999.part", "U");
    WriteFile(folder / "o/.backup.4000000.keep", "U");
    WriteFile(folder / "o/.t.mdx.1.3.tmp", "U");
    WriteFile(folder / "r.json", Resistors(2));
    ASSERT_EQ(RunHostIn(folder, {"save", "r.json", "-o", "o/.arch.99999.keep"}), 0);
    const auto before = folder.Snapshot("o");
    ASSERT_EQ(RunHostIn(folder, {"save", "r.json", "-o", "o/x.qva"}), 0);
    ASSERT_EQ(RunHostIn(folder, {"describe", "r.json", "-o", "o/x.desc"}), 0);
    auto after = folder.Snapshot("o");
    for (const auto& [name, digest] : before) EXPECT_EQ(after[name], digest) << name;
}

// An apply writes its data file twice; an edit that fails afterwards gives the file its earlier
// contents back, with -o and without.
TEST(OutputFiles, AFailedEditKeepsTheDataFileItReplaced) {
    for (const bool withOutput : {false, true}) {
        Folder folder;
        fs::create_directories(folder.path / "G");
        WriteFile(folder / "G/tab.mdx", "OLDTAB\n");
        WriteFile(folder / "G/t.json", kTableSchematic);
        WriteFile(folder / "fail.txt", TableScript(1, "click 2999\nok"));
        const auto before = folder.Snapshot();
        std::vector<std::string> args{"edit", "G/t.json", "--element", "LT1", "--script", "fail.txt"};
        if (withOutput) args.insert(args.end(), {"-o", "G/e.json"});
        EXPECT_EQ(RunHostIn(folder, args), 2);
        EXPECT_EQ(folder.Snapshot(), before) << withOutput;
    }
}

// A command that writes into out/ and one whose output folder is out/sub wait for each other,
// whichever took the lock of out/sub first: the first is held (stopped) once it has that lock
// and its journal there, and the other says that it waits and writes nothing until the first
// ends. The failing one takes back only what it wrote, never the data file the other wrote there.
TEST(OutputFiles, CommandsOnNestedFoldersWaitForEachOther) {
    Folder alone;
    fs::create_directories(alone.path / "sub");
    WriteFile(alone / "good.json", TableNamed("sub/t"));
    ASSERT_EQ(RunHostIn(alone, {"describe", "good.json", "-o", "a.desc"}), 0);
    const std::string written = ReadFile(alone / "sub/t.mdx");
    const std::string table = R"({"id": 78, "name": "LT9", "parameters": {"IN": "W"}, "script": ["click 1122",)"
                              R"( "click 1122", "cell 2121 0 1 0", "cell 2121 1 1 7", "click 2116", "type 2117 \"t\"", "ok"]}, )";
    const std::vector<std::string> good{"describe", "good.json", "-o", "out/a.desc"};
    const std::vector<std::string> bad{"describe", "bad.json", "-o", "out/sub/b.desc"};
    for (const bool outerFirst : {true, false}) {
        Folder folder;
        WriteFile(folder / "good.json", TableNamed("sub/t"));
        WriteFile(folder / "bad.json", "{\"document\": \"B\", \"elements\": [" + table +
                                       Resistors(3, R"(, {"id": 15, "name": "RX", "parameters": {"R": ""}})").substr(31));
        // The first command is stopped after the first of its steps after which it holds out/sub,
        // which its journal there shows (a try that stops too early is killed and undone).
        pid_t first = 0;
        int status = 0;
        for (long step = 1; step < 40; ++step) {
            fs::remove_all(folder.path / "out");
            fs::create_directories(folder.path / "out" / "sub");
            first = StartHost(folder, outerFirst ? good : bad, Faults{step, SIGSTOP});
            ASSERT_EQ(waitpid(first, &status, WUNTRACED), first);
            ASSERT_TRUE(WIFSTOPPED(status)) << outerFirst;
            if (fs::exists(folder / "out/sub/.qvhost-journal")) break;
            kill(first, SIGKILL);
            Wait(first);
        }
        ASSERT_TRUE(fs::exists(folder / "out/sub/.qvhost-journal")) << outerFirst;
        const pid_t second = StartHost(folder, outerFirst ? bad : good, {}, ".wait.err");
        bool waits = false;
        pid_t ended = 0;
        for (int i = 0; i < 3000 && !waits && (ended = waitpid(second, &status, WNOHANG)) == 0; ++i) {
            waits = ReadFile(folder.path.string() + ".wait.err").find("qvhost: waiting for another command") == 0;
            if (!waits) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(first, SIGCONT);
        EXPECT_TRUE(waits && ended == 0) << outerFirst << ": " << ReadFile(folder.path.string() + ".wait.err");
        EXPECT_EQ(Wait(first), outerFirst ? 0 : 2);
        if (ended == 0) {
            EXPECT_EQ(Wait(second), outerFirst ? 2 : 0);
        }
        EXPECT_EQ(ReadFile(folder / "out/sub/t.mdx"), written) << outerFirst;
        EXPECT_FALSE(fs::exists(folder / "out/sub/b.desc"));
        EXPECT_FALSE(fs::exists(folder / "out/sub/D__R0.mdx"));
    }
}

// A replaced file keeps its permissions and a new one gets those of any new file; a data file
// that is a link is written through it, as -o is; a link to a folder elsewhere is no way out of
// the output folder; an output name as long as the system allows is written.
TEST(OutputFiles, ReplacementsKeepPermissionsAndLinks) {
    Folder folder;
    WriteFile(folder / "s.json", Resistors(2));
    ASSERT_EQ(RunHostIn(folder, {"describe", "s.json", "-o", "x.desc"}), 0);
    ASSERT_EQ(RunHostIn(folder, {"save", "s.json", "-o", "a.qva"}), 0);
    fs::permissions(folder / "D__R0.mdx", static_cast<fs::perms>(0640));
    fs::permissions(folder / "x.desc", static_cast<fs::perms>(0600));
    fs::permissions(folder / "a.qva", static_cast<fs::perms>(0600));
    fs::create_directories(folder.path / "keep");
    fs::rename(folder / "D__R1.mdx", folder / "keep/r1.mdx");
    fs::create_symlink("keep/r1.mdx", folder / "D__R1.mdx");
    WriteFile(folder / "s.json", Resistors(3, "", 5));
    ASSERT_EQ(RunHostIn(folder, {"describe", "s.json", "-o", "x.desc"}), 0);
    ASSERT_EQ(RunHostIn(folder, {"save", "s.json", "-o", "a.qva"}), 0);
    const mode_t mask = umask(0);
    umask(mask);
    const auto mode = [&](const std::string& name) { return static_cast<int>(fs::status(folder / name).permissions()); };
    EXPECT_EQ(mode("D__R0.mdx"), 0640);
    EXPECT_EQ(mode("x.desc"), 0600);
    EXPECT_EQ(mode("a.qva"), 0600);
    EXPECT_EQ(mode("D__R2.mdx"), static_cast<int>(0666 & ~mask));
    EXPECT_TRUE(fs::is_symlink(folder / "D__R1.mdx"));
    // R1's table, which is R0's, marked as R1's.
    std::string r1 = ReadFile(folder / "D__R0.mdx");
    r1.replace(r1.find("\"R0\""), 4, "\"R1\"");
    EXPECT_EQ(ReadFile(folder / "keep/r1.mdx"), r1);

    fs::create_directories(folder.path / "out");
    fs::create_directories(folder.path / "elsewhere");
    fs::create_directory_symlink("../elsewhere", folder.path / "out" / "sub");
    WriteFile(folder / "up.json", TableNamed("sub/t"));
    EXPECT_EQ(RunHostIn(folder, {"describe", "up.json", "-o", "out/y.desc"}), 2);
    EXPECT_TRUE(fs::is_empty(folder.path / "elsewhere"));
    EXPECT_NE(ReadFile(folder.path.string() + ".err").find("outside the output folder"), std::string::npos);
    // A data file that is a link to a file elsewhere is no way out either.
    fs::create_symlink("../elsewhere/r.mdx", folder / "out/D__R0.mdx");
    EXPECT_EQ(RunHostIn(folder, {"describe", "s.json", "-o", "out/z.desc"}), 2);
    EXPECT_TRUE(fs::is_empty(folder.path / "elsewhere"));
    // Nor is one that leads to a name qvhost gives its own files: one line says so, planned
    // (a characteristic's) or not (a table's own).
    fs::remove(folder / "out/D__R0.mdx");
    WriteFile(folder / "t.json", TableNamed("t"));
    const auto out = folder.Snapshot("out");
    for (const auto& [schematic, link] : {std::pair{"s.json", "out/D__R0.mdx"}, std::pair{"t.json", "out/t.mdx"}})
        for (const char* name : {".qvhost-committed", ".qvhost-journal"}) {
            fs::create_symlink(name, folder / link);
            EXPECT_EQ(RunHostIn(folder, {"describe", schematic, "-o", "out/z.desc"}), 2) << link << name;
            EXPECT_EQ(ReadFile(folder.path.string() + ".err"),
                      "qvhost: " + qv::ShownPath(folder / link) + ": leads to " +
                          qv::ShownPath(fs::canonical(folder.path / "out").string() + "/" + name) +
                          ", a name of the kind qvhost gives its journals and its own folders, which no output takes\n");
            fs::remove(folder / link);
            EXPECT_EQ(folder.Snapshot("out"), out) << link << name;
        }

    for (const size_t length : {245, 255}) {
        const std::string name(length - 4, 'n');
        EXPECT_EQ(RunHostIn(folder, {"save", "s.json", "-o", name + ".qva"}), 0) << ReadFile(folder.path.string() + ".err");
        EXPECT_EQ(RunHostIn(folder, {"svg", "s.json", "--element", "R0", "--symbol", "-o", name + ".svg"}), 0);
    }
}

// Runs `job` with the process's owner of output files in a child, which the signal `sig` ends
// after the owner's step `step` (0: never), with the test switches given. Its exit status
// (128 + the signal when one ended it); standard error goes to `err`.
int RunOwnerJob(const std::function<void()>& job, const std::string& err, long step = 0, int sig = SIGKILL,
                bool noSecondLinks = false, long failAppend = 0) {
    const pid_t pid = fork();
    if (pid == 0) {
        static long at;
        static int with;
        at = step;
        with = sig;
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        OutputFiles::Current().InstallHandlers(2);
        OutputFiles::SetFaultsForTest(noSecondLinks, failAppend);
        OutputFiles::SetStepHook([](long s) {
            if (s == at) raise(with);
        });
        job();
        _exit(0);
    }
    return Wait(pid);
}

// A backup is used only once it is whole: a command ended after any step of making it (a
// copy where a second link fails), or in the middle of copying a large file, is put back to
// before or after, permissions included (setuid too), and so it is by its own signal handler.
TEST(OutputFiles, ABackupIsUsedOnlyOnceWhole) {
    for (const bool noSecondLinks : {true, false}) {
        for (const int sig : {SIGKILL, SIGINT}) {
            std::set<std::string> outcomes;
            for (long step = 1, status = -1; status != 0; ++step) {
                Folder folder;
                WriteFile(folder / "old", std::string(200000, 'o'));
                fs::permissions(folder / "old", static_cast<fs::perms>(04751));
                const auto before = folder.Snapshot();
                status = RunOwnerJob(
                    [&] {
                        std::string error;
                        if (!WriteThrough(folder / "old", "after") || !WriteThrough(folder / "new", "new") ||
                            !OutputFiles::Current().Commit(error))
                            _exit(3);
                    },
                    folder.path.string() + ".err", step, sig, noSecondLinks);
                const std::string what = std::to_string(noSecondLinks) + " " + std::to_string(sig) + " step " + std::to_string(step);
                ASSERT_TRUE(status == 0 || status == 128 + sig) << what << ": " << status;
                if (sig == SIGKILL) {
                    ASSERT_TRUE(NextCommand(folder, ".")) << what;
                }
                auto now = folder.Snapshot();
                ASSERT_TRUE(now == before || (now.size() == 2 && ReadFile(folder / "old") == "after" &&
                                              now["old"].substr(now["old"].rfind(' ')) == " 2537"))
                    << what;
                outcomes.insert(now == before ? "before" : "after");
            }
            EXPECT_EQ(outcomes.size(), 2u) << noSecondLinks << " " << sig;
        }
    }
    // Ended while a large file is being copied: the part copied never takes the file's place.
    for (const int sig : {SIGKILL, SIGINT}) {
        Folder folder;
        const std::string big(48 << 20, 'b');
        WriteFile(folder / "big", big);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(open("/dev/null", O_WRONLY), 2);
            OutputFiles::Current().InstallHandlers(2);
            OutputFiles::SetFaultsForTest(true, 0);
            WriteThrough(folder / "big", "after");
            _exit(0);
        }
        // Once a part of the copy is there, under whatever name in whatever folder.
        for (bool copying = false; !copying;) {
            std::error_code code;
            for (auto entry = fs::recursive_directory_iterator(folder.path, code);
                 !code && entry != fs::recursive_directory_iterator(); entry.increment(code))
                copying = copying || (entry->path().filename() != "big" && entry->is_regular_file(code) &&
                                      entry->file_size(code) > 0 && entry->file_size(code) < big.size());
        }
        kill(pid, sig);
        Wait(pid);
        ASSERT_TRUE(NextCommand(folder, "."));
        EXPECT_TRUE(ReadFile(folder / "big") == big) << sig;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1) << sig;
    }
}

// The owner's job of the journal tests: a plan of files in two folders (one there before), a
// file set aside, files written (two of them not planned), the commit. Exit status 0 when it
// committed, 5 when the owner refused a step (with its journal fault written to `fault`).
void JournalJob(const Folder& folder, const std::string& fault) {
    OutputFiles& owner = OutputFiles::Current();
    std::string error;
    bool ok = owner.Plan({folder / "a.desc", folder / "d1.mdx", folder / "sub/d2.mdx", folder / "old.mdx"}, error);
    ok = ok && owner.SetAside(folder / "old.mdx");
    for (const char* name : {"d1.mdx", "sub/d2.mdx", "old.mdx", "extra.txt", "sub/extra.txt", "a.desc"})
        ok = ok && WriteThrough(folder / name, std::string("new ") + name);
    ok = ok && owner.Commit(error);
    if (ok) _exit(0);
    WriteFile(fault, owner.JournalFault());
    owner.Settle(false);
    _exit(5);
}

// A journal line that cannot be written fails the command before it touches the file the line
// is for, whichever line it is; the command takes back what it wrote and says which journal
// failed, and why.
TEST(OutputFiles, AJournalLineThatCannotBeWrittenFailsTheCommand) {
    int status = 5;
    for (long failAppend = 1; status == 5; ++failAppend) {
        Folder folder;
        fs::create_directories(folder.path / "sub");
        WriteFile(folder / "old.mdx", "old");
        const auto before = folder.Snapshot();
        const std::string fault = folder.path.string() + ".fault";
        status = RunOwnerJob([&] { JournalJob(folder, fault); }, folder.path.string() + ".err", 0, SIGKILL, false, failAppend);
        ASSERT_TRUE(status == 0 || status == 5) << failAppend << ": " << status;
        if (status == 5) {
            EXPECT_EQ(folder.Snapshot(), before) << failAppend;
            EXPECT_NE(ReadFile(fault).find(".qvhost-journal: cannot be written: No space left on device"), std::string::npos)
                << failAppend << ": " << ReadFile(fault);
        } else {
            EXPECT_EQ(ReadFile(folder / "sub/extra.txt"), "new sub/extra.txt");
            EXPECT_EQ(ReadFile(folder / "old.mdx"), "new old.mdx");
        }
        fs::remove(fault);
    }
}

// A folder's journal stays within the size recovery reads: a command that would grow it
// further fails with the journal's line and writes nothing more, what it left of the journal
// is filled up to that size and no further, and the earlier file is as it was.
TEST(OutputFiles, AJournalNeverGrowsBeyondWhatRecoveryReads) {
    Folder folder;
    WriteFile(folder / "old", "old");
    const auto before = folder.Snapshot();
    const std::string report = folder.path.string() + ".fault";
    const int status = RunOwnerJob(
        [&] {
            // New files of names of about 250 backslashes, which the journal writes doubled:
            // about 520 bytes of journal each. By bare name in the current folder, so that the
            // path need not be resolved again and again.
            if (chdir(folder.path.c_str()) != 0) _exit(4);
            std::vector<std::string> targets;
            for (size_t n = 0; n * 520 < qv::journal::kMaxBytes + (1 << 20); ++n)
                targets.push_back(std::to_string(n) + std::string(245, '\\'));
            std::string error;
            OutputFiles& owner = OutputFiles::Current();
            const bool planned = owner.Plan(targets, error);
            const bool written = WriteThrough(folder / "old", "new");
            WriteFile(report, std::to_string(fs::file_size(folder / qv::journal::kJournalName)) + "\n" + error);
            owner.Settle(false);
            _exit(planned || written ? 3 : 5);
        },
        folder.path.string() + ".err");
    EXPECT_EQ(status, 5);
    const std::string lines = ReadFile(report);
    ASSERT_FALSE(lines.empty());
    const size_t size = std::stoull(lines);
    EXPECT_LE(size, qv::journal::kMaxBytes);
    // Filled up to the last record that fits.
    EXPECT_GT(size + qv::journal::FileRecord(std::string(251, '\\'), 999999, false).size(), qv::journal::kMaxBytes);
    EXPECT_EQ(lines.substr(lines.find('\n') + 1),
              qv::ShownPath((fs::canonical(folder.path) / qv::journal::kJournalName).string()) + ": cannot be written: File too large");
    EXPECT_EQ(folder.Snapshot(), before);
    fs::remove(report);
}

// The same over the host: 60 data files with long names described again where the journal
// outgrows the size a process may write. One line names the journal and the reason, and
// every data file keeps the earlier run's contents.
TEST(OutputFiles, AJournalBeyondTheFileSizeLimitIsOneLine) {
    Folder folder;
    std::string elements;
    const auto schematic = [](int y) {
        std::string text = R"({"document": "D", "elements": [)";
        for (int i = 0; i < 60; ++i)
            text += (i ? "," : "") + std::string(R"({"id": 15, "name": "R)") + std::to_string(i) +
                    R"(", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, )" + std::to_string(y) +
                    R"(]], "file": ")" + std::string(140, 'n') + std::to_string(100 + i) + "\"}}";
        return text + "]}";
    };
    WriteFile(folder / "old.json", schematic(1));
    WriteFile(folder / "new.json", schematic(2));
    ASSERT_EQ(RunHostIn(folder, {"describe", "old.json", "-o", "a.desc"}), 0);
    const auto before = folder.Snapshot();
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{8 << 10, 8 << 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        execl("/bin/sh", "sh", "-c", ("cd '" + folder.path.string() + "' && exec '" QVHOST_PATH "' describe new.json -o a.desc 2>'" + folder.path.string() + ".err'").c_str(), nullptr);
        _exit(127);
    }
    EXPECT_EQ(Wait(pid), 2);
    const std::string message = ReadFile(folder.path.string() + ".err");
    EXPECT_EQ(message, "qvhost: " + qv::ShownPath(folder / ".qvhost-journal") + ": cannot be written: File too large\n");
    EXPECT_EQ(folder.Snapshot(), before);
}

// A command that cannot write into a read-only sub-folder holding an earlier data file (as a
// user without the right to: as root, the rights to pass over permissions are dropped) says
// so for the system's reason, and changes nothing.
TEST(OutputFiles, AReadOnlySubFolderGivesTheSystemsReason) {
    Folder folder;
    fs::create_directories(folder.path / "sub");
    WriteFile(folder / "old.json", Resistors(2, "", 1, 1));
    WriteFile(folder / "new.json", Resistors(2, "", 2, 1));
    ASSERT_EQ(RunHostIn(folder, {"describe", "old.json", "-o", "a.desc"}), 0);
    ASSERT_TRUE(fs::exists(folder / "sub/f1.mdx"));
    fs::permissions(folder.path / "sub", static_cast<fs::perms>(0555));
    const auto before = folder.Snapshot();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0 && geteuid() == 0) _exit(77);
        if (chdir(folder.path.c_str()) != 0) _exit(127);
        dup2(open((folder.path.string() + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        execl(QVHOST_PATH, QVHOST_PATH, "describe", "new.json", "-o", "a.desc", nullptr);
        _exit(127);
    }
    const int status = Wait(pid);
    const std::string message = ReadFile(folder.path.string() + ".err");
    const auto after = folder.Snapshot();
    fs::permissions(folder.path / "sub", static_cast<fs::perms>(0755));
    if (status == 77) GTEST_SKIP() << "the rights to pass over permissions cannot be dropped here";
    EXPECT_EQ(status, 2);
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
    EXPECT_EQ(message.find("Bad file descriptor"), std::string::npos) << message;
    EXPECT_EQ(after, before);
}

// A command ended before it made a new file, or while it was writing it: a file the user then
// makes under that name stays through the recovery. One ended once its file was in place:
// the recovery removes that file.
TEST(OutputFiles, ARecoveryRemovesOnlyTheNewFileTheCommandMade) {
    long steps = 0;
    for (long step = 1, status = -1; status != 0; ++step) {
        Folder folder;
        status = RunOwnerJob(
            [&] {
                std::string error;
                OutputFiles::Current().Plan({folder / "a.desc"}, error);
                WriteThrough(folder / "a.desc", "the command's");
                _exit(0);   // as a crash before the commit
            },
            folder.path.string() + ".err", step);
        const bool made = fs::exists(folder / "a.desc");
        if (!made) WriteFile(folder / "a.desc", "the user's");
        ASSERT_TRUE(NextCommand(folder, ".")) << step;
        const auto now = folder.Snapshot();
        EXPECT_EQ(now.size(), made ? 0u : 1u) << step;
        if (!made) {
            EXPECT_EQ(ReadFile(folder / "a.desc"), "the user's") << step;
        }
        steps = step;
    }
    EXPECT_GE(steps, 4);
}

// Gives up the right to keep setuid and setgid through a write (which a user who is not root
// never has), and with `chown` the right to give a file away or to a group the process is not
// in, keeping the others of root. False where the system does not allow it.
bool DropRightToKeepSetIdBits(bool chown = false) {
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[CAP_FSETID / 32].effective &= ~(1u << (CAP_FSETID % 32));
    if (chown) data[CAP_CHOWN / 32].effective &= ~(1u << (CAP_CHOWN % 32));
    return syscall(SYS_capset, &header, data) == 0;
}

// A replaced file keeps its owner (where the process may: as root), its group, and then its
// permissions with setuid and setgid; so does an earlier file a rollback brings back, also
// from a copy. So it does for a process without the right to keep those bits through a
// write, as any user but root, except setgid for a group the process is not in, which the
// system does not let it give. A process that may not give the file its owner or group (as a
// user who is not root) leaves it its own, without the set-id bit that would then apply to
// that other user or group.
TEST(OutputFiles, AReplacedFileKeepsOwnerGroupAndSpecialBits) {
    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
    struct Case {
        const char* name;
        uid_t owner;
        gid_t group;
        mode_t mode;
    } cases[] = {{"u", 1234, 2345, 04755}, {"g", 0, 2345, 02750}, {"o", 4321, 0, 06711}};
    for (const bool keep : {true, false})
        for (const bool noSecondLinks : {false, true})
            for (const int asUser : {0, 1, 2}) {   // root; without the right to keep set-id bits; nor to give files
                Folder folder;
                for (const Case& c : cases) {
                    WriteFile(folder / c.name, "before");
                    ASSERT_EQ(chown((folder / c.name).c_str(), c.owner, c.group), 0);
                    ASSERT_EQ(chmod((folder / c.name).c_str(), c.mode), 0);
                }
                const int status = RunOwnerJob(
                    [&] {
                        if (asUser > 0 && !DropRightToKeepSetIdBits(asUser == 2)) _exit(77);
                        for (const Case& c : cases)
                            if (!WriteThrough(folder / c.name, "after")) _exit(3);
                        OutputFiles::Current().Settle(keep);
                    },
                    folder.path.string() + ".err", 0, SIGKILL, noSecondLinks);
                if (status == 77) continue;   // the right cannot be given up here; the other runs check the rest
                EXPECT_EQ(status, 0);
                for (const Case& c : cases) {
                    struct stat status {};
                    ASSERT_EQ(stat((folder / c.name).c_str(), &status), 0);
                    const std::string what = std::string(c.name) + " " + std::to_string(keep) + std::to_string(noSecondLinks) +
                                             std::to_string(asUser);
                    const bool madeAgain = keep || noSecondLinks;   // not the earlier file itself
                    const bool givesAway = asUser == 2 && madeAgain;
                    const uid_t owner = givesAway ? geteuid() : c.owner;
                    const gid_t group = givesAway ? getegid() : c.group;
                    const mode_t lost = (asUser > 0 && madeAgain && c.group != getegid() ? S_ISGID : 0) |
                                        (owner != c.owner ? S_ISUID : 0);
                    EXPECT_EQ(status.st_uid, owner) << what;
                    EXPECT_EQ(status.st_gid, group) << what;
                    EXPECT_EQ(status.st_mode & 07777, c.mode & ~lost) << what;
                    EXPECT_EQ(ReadFile(folder / c.name), keep ? "after" : "before") << what;
                }
                EXPECT_EQ(folder.Snapshot().size(), 3u);
            }
}

// A library user's own session (no command of the host) writes a data file beside its target
// too, through the folder it holds and the descriptor it made the file with: the replacement
// keeps the owner where the process may give it, and otherwise loses the set-id bit that would
// apply to the process's own user or group; a file swapped in at the temporary name never takes
// the target's place.
TEST(OutputFiles, ALibrarySessionWritesThroughWhatItHolds) {
    if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
    for (const bool mayGive : {true, false})
        for (const bool swapped : {false, true}) {
            Folder folder;
            const std::string target = folder / "u.mdx";
            WriteFile(target, "before");
            ASSERT_EQ(chown(target.c_str(), 1234, 2345), 0);
            ASSERT_EQ(chmod(target.c_str(), 06755), 0);
            const std::string what = std::to_string(mayGive) + std::to_string(swapped);
            const int status = RunOwnerJob(
                [&] {
                    if (!mayGive && !DropRightToKeepSetIdBits(true)) _exit(77);
                    std::string temporary, error;
                    const int fd = OutputFiles::Current().OpenFile(target, temporary, error, false);
                    if (fd < 0 || write(fd, "after", 5) != 5 || close(fd) != 0) _exit(4);
                    if (swapped && (rename(temporary.c_str(), (folder / "kept").c_str()) != 0 ||
                                    symlink((folder / "kept").c_str(), temporary.c_str()) != 0))
                        _exit(5);
                    _exit(OutputFiles::Current().PutInPlace(temporary, target) ? 0 : 3);
                },
                folder.path.string() + ".err");
            if (status == 77) continue;
            EXPECT_EQ(status, swapped ? 3 : 0) << what;
            struct stat now {};
            ASSERT_EQ(lstat(target.c_str(), &now), 0) << what;
            EXPECT_TRUE(S_ISREG(now.st_mode)) << what;
            EXPECT_EQ(ReadFile(target), swapped ? "before" : "after") << what;
            if (swapped) continue;
            EXPECT_EQ(now.st_uid, mayGive ? 1234u : 0u) << what;
            EXPECT_EQ(now.st_gid, mayGive ? 2345u : 0u) << what;
            EXPECT_EQ(now.st_mode & 07777, mayGive ? 06755u : 0755u) << what;
        }
}

// Everything of the stranger's (owned by nobody) below `shared`, by name: its permissions and
// its bytes or the target of its link.
std::map<std::string, std::string> StrangersFiles(const fs::path& shared) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(shared)) {
        struct stat status {};
        if (lstat(entry.path().c_str(), &status) != 0 || status.st_uid != 65534) continue;
        std::string what = std::to_string(status.st_mode);
        if (S_ISLNK(status.st_mode)) what += " -> " + fs::read_symlink(entry.path()).string();
        else if (S_ISREG(status.st_mode)) what += " " + ReadFile(entry.path().string());
        files[fs::relative(entry.path(), shared).string()] = what;
    }
    return files;
}

std::string Listed(const std::map<std::string, std::string>& files) {
    std::string text;
    for (const auto& [name, what] : files) text += name + "\t" + what + "\n";
    return text;
}

// What a stranger plants in the shared folder: the backup and temporary names that a journal
// once announced beside the target, as files of its own or as links to a file only root may
// read, or the private folder the journal's header names, open to all, with a link in it.
enum class Plant { kFiles, kLinks, kPrivateFolder };

// Plants, as nobody, in the shared folder `shared`; the links lead to `secret`.
void PlantAsStranger(const std::string& shared, Plant plant, const std::string& secret) {
    const int dir = open(shared.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    qv_test::RunAsAnotherUser(dir, [&] {
        if (plant == Plant::kPrivateFolder) {
            const std::string header = ReadFile(qv::journal::kJournalName);
            const size_t at = header.find("\nm ");
            if (at == std::string::npos) return 0;
            const std::string own = qv::journal::PrivateFolderName(header.substr(at + 3, 32));
            if (mkdir(own.c_str(), 0777) != 0 || chmod(own.c_str(), 0777) != 0) return 0;
            for (const char* name : {"/0.old", "/0.tmp"}) (void)!symlink(secret.c_str(), (own + name).c_str());
            return 0;
        }
        for (const char* name : {".a.desc.qvold", ".a.desc.qvtmp", ".a.desc.qvold.1", ".a.desc.qvtmp.1"}) {
            if (plant == Plant::kLinks) (void)!symlink(secret.c_str(), name);
            else WriteFile(name, "the stranger's");
        }
        return 0;
    });
    close(dir);
}

// A stranger sharing the output folder (mode 1777, as /tmp is) plants what a command's journal
// lets it foresee, after each step of the command while it runs, or after a SIGKILL that ends
// it there, before the next command's recovery. The command succeeds, or fails with one line
// and takes its file back; the user's file is as before or as after; nothing of the
// stranger's moves or changes, and nothing outside the output folder changes.
TEST(OutputFiles, WhatAStrangerPlantsIsNeverUsed) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    static std::string shared, secret, marker;
    static Plant plant;
    static bool afterKill;
    static long at;
    for (const Plant what : {Plant::kFiles, Plant::kLinks, Plant::kPrivateFolder})
        for (const bool kill : {false, true}) {
            bool planted = true;
            for (long step = 1; planted; ++step) {
                Folder folder;
                shared = folder / "shared";
                secret = folder / "rootonly/secret.txt";
                marker = folder.path.string() + ".planted";
                plant = what;
                afterKill = kill;
                at = step;
                fs::create_directories(folder.path / "rootonly");
                fs::create_directories(shared);
                WriteFile(secret, "secret");
                fs::permissions(secret, static_cast<fs::perms>(0600));
                fs::permissions(folder.path / "rootonly", static_cast<fs::perms>(0700));
                fs::permissions(shared, static_cast<fs::perms>(01777));
                fs::permissions(folder.path, static_cast<fs::perms>(0755));
                WriteFile(shared + "/a.desc", "before");
                fs::permissions(shared + "/a.desc", static_cast<fs::perms>(0640));
                const auto outside = folder.Snapshot("rootonly");
                const std::string what = std::to_string(static_cast<int>(plant)) + " " + std::to_string(kill) + " step " +
                                         std::to_string(step);
                const int status = RunOwnerJob(
                    [] {
                        OutputFiles::SetStepHook([](long s) {
                            if (s != at) return;
                            if (afterKill) {
                                WriteFile(marker, "");
                                raise(SIGKILL);
                            }
                            PlantAsStranger(shared, plant, secret);
                            WriteFile(marker, Listed(StrangersFiles(shared)));
                        });
                        OutputFiles& owner = OutputFiles::Current();
                        std::string error;
                        if (owner.Plan({shared + "/a.desc"}, error) && WriteThrough(shared + "/a.desc", "after") &&
                            owner.Commit(error))
                            _exit(0);
                        std::fprintf(stderr, "qvhost: %s\n", error.c_str());
                        owner.Settle(false);
                        _exit(3);
                    },
                    folder.path.string() + ".err", 0);
                planted = fs::exists(marker);
                std::string theirs = planted ? ReadFile(marker) : "";
                fs::remove(marker);
                if (kill && planted) {
                    ASSERT_EQ(status, 128 + SIGKILL) << what;
                    PlantAsStranger(shared, plant, secret);
                    theirs = Listed(StrangersFiles(shared));
                    NextCommand(folder, "shared");
                } else {
                    ASSERT_TRUE(status == 0 || status == 3) << what << ": " << status;
                }
                const std::string message = ReadFile(folder.path.string() + ".err");
                if (status == 3) {
                    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << what << ": " << message;
                }
                struct stat file {};
                ASSERT_EQ(lstat((shared + "/a.desc").c_str(), &file), 0) << what;
                EXPECT_TRUE(S_ISREG(file.st_mode) && file.st_uid == 0 && (file.st_mode & 07777) == 0640) << what;
                const std::string now = ReadFile(shared + "/a.desc");
                EXPECT_TRUE(now == "before" || (now == "after" && status != 3)) << what << ": " << now;
                EXPECT_EQ(Listed(StrangersFiles(shared)), theirs) << what;
                EXPECT_EQ(folder.Snapshot("rootonly"), outside) << what;
                EXPECT_EQ(ReadFile(secret), "secret") << what;
            }
        }
}

// A command that takes its files back, or the next command's recovery that does, ended after
// any of its steps (SIGKILL): a recovery after it still puts every file back as it was.
TEST(OutputFiles, ATakeBackEndedAfterAnyStepIsFinishedByTheNext) {
    for (const bool inRecovery : {false, true})
        for (long step = 1, status = -1; status != 0; ++step) {
            Folder folder;
            fs::create_directories(folder.path / "sub");
            for (const char* name : {"old.mdx", "sub/old.mdx"}) {
                WriteFile(folder / name, "old");
                fs::permissions(folder / name, static_cast<fs::perms>(0640));
            }
            const auto before = folder.Snapshot();
            const std::vector<std::string> names{"a.desc", "old.mdx", "sub/new.mdx", "sub/old.mdx"};
            status = RunOwnerJob(
                [&] {
                    std::vector<std::string> targets;
                    for (const std::string& name : names) targets.push_back(folder / name);
                    std::string error;
                    OutputFiles& owner = OutputFiles::Current();
                    owner.Plan(targets, error);
                    owner.SetAside(folder / "sub/old.mdx");
                    for (const std::string& target : targets) WriteThrough(target, "new");
                    WriteThrough(folder / "not-planned", "new");
                    if (inRecovery) raise(SIGKILL);
                    owner.Settle(false);
                },
                folder.path.string() + ".err", inRecovery ? 0 : step);
            if (inRecovery) {
                ASSERT_EQ(status, 128 + SIGKILL);
                const pid_t pid = fork();
                if (pid == 0) {
                    static long end;
                    end = step;
                    OutputFiles::SetStepHook([](long s) {
                        if (s == end) raise(SIGKILL);
                    });
                    std::string error;
                    _exit(OutputFiles::Current().LockFolder(folder.path, error) ? 0 : 1);
                }
                status = Wait(pid);
            }
            ASSERT_TRUE(status == 0 || status == 128 + SIGKILL) << inRecovery << " step " << step << ": " << status;
            ASSERT_TRUE(NextCommand(folder, ".")) << inRecovery << " step " << step;
            EXPECT_EQ(folder.Snapshot(), before) << inRecovery << " step " << step;
        }
}

// A journal append or journal sync that fails, whichever it is, stops the command: it touches
// no name after it, even where its caller goes on, and the folder is left as it was.
TEST(OutputFiles, AFailedJournalWriteStopsEveryLaterWrite) {
    for (const bool failSync : {false, true})
        for (long n = 1, status = 5; status == 5; ++n) {
            Folder folder;
            fs::create_directories(folder.path / "sub");
            WriteFile(folder / "old.mdx", "old");
            const auto before = folder.Snapshot();
            const std::string record = folder.path.string() + ".calls";
            status = RunOwnerJob(
                [&] {
                    static std::vector<std::string> calls;
                    OutputFiles::RecordCallsForTest(&calls);
                    OutputFiles::SetFaultsForTest(false, failSync ? 0 : n, failSync ? n : 0);
                    OutputFiles& owner = OutputFiles::Current();
                    std::string error;
                    owner.Plan({folder / "a.desc", folder / "old.mdx"}, error);
                    owner.SetAside(folder / "old.mdx");
                    for (const char* name : {"a.desc", "sub/d.mdx", "old.mdx", "sub/e.mdx"}) WriteThrough(folder / name, "new");
                    owner.BringBack(folder / "old.mdx");
                    const bool committed = owner.Commit(error);
                    std::string lines;
                    for (const std::string& call : calls) lines += call + "\n";
                    WriteFile(record, lines);
                    _exit(committed ? 0 : 5);
                },
                folder.path.string() + ".err");
            const std::string what = std::to_string(failSync) + " " + std::to_string(n);
            ASSERT_TRUE(status == 0 || status == 5) << what << ": " << status;
            if (status == 0) continue;
            const std::vector<std::string> calls = qv_test::Lines(ReadFile(record));
            const auto fault = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("fault\t", 0) == 0; });
            ASSERT_NE(fault, calls.end()) << what;
            for (auto call = fault + 1; call != calls.end(); ++call)
                EXPECT_TRUE(call->rfind("fault\t", 0) == 0 || call->rfind("sync", 0) == 0) << what << ": " << *call;
            EXPECT_EQ(folder.Snapshot(), before) << what;
            fs::remove(record);
        }
}

// Whether the owner's calls, in their order, leave every folder recoverable after a power cut
// at any point: "" or the first call that comes too early. The private folder is made only
// once the journal's header, which names it, is on disk; a name may be touched (created,
// linked, renamed, removed) only once its journal line and the journal's name are on disk; a
// backup is named only once its copy is on disk; the commit comes once every file written and
// every folder changed (private folders too) is on disk; nothing goes after the commit before
// the commit is on disk, and a journal goes only once what it named is gone on disk, the main
// one last.
std::string PowerCutFault(const std::vector<std::string>& calls) {
    struct State {
        bool named = false;        // the journal's name is on disk
        bool changed = false;      // a name changed since the folder was last synced
        bool own = false;          // the private folder is made
        bool ownChanged = false;   // a name in it changed since it was last synced
        std::set<std::string> pending, lines;
    };
    std::map<std::string, State> folders;
    std::set<std::string> unsyncedFiles, unsyncedDrops;
    std::string main;
    bool committed = false, commitOnDisk = false;
    for (const std::string& call : calls) {
        const size_t tab1 = call.find('\t'), tab2 = call.find('\t', tab1 + 1);
        const std::string what = call.substr(0, tab1), path = call.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::string name = call.substr(tab2 + 1), file = path + "/" + name;
        State& f = folders[path];
        const auto syncFolder = [&](State& s) {
            s.changed = false;
            s.named = true;
        };
        const auto ownFolder = [&](State& s) {
            s.changed = false;
            s.ownChanged = false;
            s.named = true;
        };
        if (what == "journal") {
            if (main.empty()) main = path;
            else if (folders[main].lines.count(path) == 0) return call + ": its folder's line is not on disk";
            f.changed = true;
        } else if (what == "line") {
            f.pending.insert(name);
        } else if (what == "sync-journal") {
            f.lines.insert(f.pending.begin(), f.pending.end());
            f.pending.clear();
        } else if (what == "sync-folder") {
            syncFolder(f);
            unsyncedDrops.erase(path);
            if (committed && path == main) commitOnDisk = true;
        } else if (what == "sync-own") {
            f.ownChanged = false;
        } else if (what == "own") {
            if (!f.named || f.lines.count("") == 0) return call + ": the journal's header is not on disk";
            f.own = true;
            f.changed = true;
        } else if (what == "sync-all") {
            for (auto& [p, s] : folders) ownFolder(s);
            unsyncedFiles.clear();
            unsyncedDrops.clear();
            if (committed) commitOnDisk = true;
        } else if (what == "touch" || what == "write" || what == "keep") {
            if (!f.named || f.lines.count(name) == 0) return call + ": its journal line is not on disk";
            if (!f.own) return call + ": the private folder is not made";
            if (what == "keep" && unsyncedFiles.count(file) != 0) return call + ": the copy is not on disk";
            if (what == "write") unsyncedFiles.insert(file);
            f.changed = true;
            f.ownChanged = true;
        } else if (what == "sync-file") {
            unsyncedFiles.erase(file);
        } else if (what == "commit") {
            if (!unsyncedFiles.empty()) return call + ": " + *unsyncedFiles.begin() + " is not on disk";
            for (const auto& [p, s] : folders)
                if (s.changed || s.ownChanged) return call + ": the folder " + p + " is not on disk";
            committed = true;
            f.changed = true;
        } else if (what == "tidy" || what == "drop-own") {
            if (!commitOnDisk) return call + ": the commit is not on disk";
            f.changed = true;
        } else if (what == "drop-journal") {
            if (f.changed) return call + ": what it names is not gone on disk";
            if (path == main && !unsyncedDrops.empty()) return call + ": " + *unsyncedDrops.begin() + " still has its journal on disk";
            unsyncedDrops.insert(path);
        } else {
            return call + ": unknown call";
        }
    }
    return committed ? "" : "no commit";
}

// The owner's calls for a command of a few files and for one of many (where the file system
// is synced once), with second links and with copies, keep the order that survives a power
// cut; without any one of their syncs they would not.
TEST(OutputFiles, TheCallsKeepAnOrderThatSurvivesAPowerCut) {
    for (const int extra : {0, 12})
        for (const bool noSecondLinks : {false, true}) {
            Folder folder;
            fs::create_directories(folder.path / "sub");
            WriteFile(folder / "old.mdx", "old");
            WriteFile(folder / "sub/old.mdx", "old");
            const std::string record = folder.path.string() + ".calls";
            const std::string what = std::to_string(extra) + " " + std::to_string(noSecondLinks);
            ASSERT_EQ(RunOwnerJob(
                          [&] {
                              static std::vector<std::string> calls;
                              OutputFiles::RecordCallsForTest(&calls);
                              OutputFiles& owner = OutputFiles::Current();
                              std::vector<std::string> planned{folder / "a.desc", folder / "old.mdx", folder / "sub/new.mdx",
                                                               folder / "sub/old.mdx"};
                              for (int i = 0; i < extra; ++i) planned.push_back(folder / ("sub/n" + std::to_string(i)));
                              std::string error;
                              bool ok = owner.Plan(planned, error) && owner.SetAside(folder / "sub/old.mdx");
                              for (const std::string& target : planned) ok = ok && WriteThrough(target, "new");
                              ok = ok && WriteThrough(folder / "not-planned", "new") && WriteThrough(folder / "sub/new.mdx", "again");
                              ok = ok && owner.Commit(error);
                              std::string lines;
                              for (const std::string& call : calls) lines += call + "\n";
                              WriteFile(record, lines);
                              _exit(ok ? 0 : 3);
                          },
                          folder.path.string() + ".err", 0, SIGKILL, noSecondLinks),
                      0)
                << what;
            EXPECT_EQ(ReadFile(folder / "sub/new.mdx"), "again") << what;
            const std::vector<std::string> calls = qv_test::Lines(ReadFile(record));
            fs::remove(record);
            ASSERT_EQ(PowerCutFault(calls), "") << what;
            size_t syncs = 0;
            for (size_t i = 0; i < calls.size(); ++i) {
                if (calls[i].rfind("sync", 0) != 0) continue;
                ++syncs;
                std::vector<std::string> without = calls;
                without.erase(without.begin() + static_cast<long>(i));
                EXPECT_NE(PowerCutFault(without), "") << what << ": without " << calls[i];
            }
            // Many files: the journals and the file system once, a few syncs per folder.
            if (extra > 0 && !noSecondLinks) {
                EXPECT_LE(syncs, 10u) << what;
            }
        }
}

// The crash test: each command is ended after each step of the owner of output files in turn
// (SIGKILL, as a power cut would), over an earlier run's folder whose files have permissions
// of their own (setuid and setgid too), with second links and with the copies made where they
// fail; after the next command's
// recovery the output folder is, byte for byte and permission for permission, as before the
// command or as after it. With SIGINT instead the command takes back or keeps its files itself,
// and says which. Three runs at a time.
TEST(OutputFiles, ACrashAfterAnyStepIsRecoveredToBeforeOrAfter) {
    Folder earlier;
    fs::create_directories(earlier.path / "o" / "sub");
    WriteFile(earlier / "old.json", Resistors(3, "", 1, 1));
    WriteFile(earlier / "new.json", Resistors(4, "", 2, 2));
    WriteFile(earlier / "t.json", kTableSchematic);
    WriteFile(earlier / "old.txt", TableScript(1));
    WriteFile(earlier / "new.txt", TableScript(5));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"describe", "old.json", "-o", "o/x.desc"}, {"save", "old.json", "-o", "o/s.qva"},
             {"save", "old.json", "-o", "o/c.qva"}, {"save", "new.json", "-o", "n.qva"},
             {"edit", "t.json", "--element", "LT1", "--script", "old.txt", "-o", "o/e.json"}})
        ASSERT_EQ(RunHostIn(earlier, args), 0) << args[0];
    fs::permissions(earlier / "o/D__R0.mdx", static_cast<fs::perms>(0640));
    fs::permissions(earlier / "o/x.desc", static_cast<fs::perms>(0600));
    fs::permissions(earlier / "o/s.qva", static_cast<fs::perms>(0600));
    fs::permissions(earlier / "o/D__R1.mdx", static_cast<fs::perms>(04755));
    fs::permissions(earlier / "o/sub/f2.mdx", static_cast<fs::perms>(02750));
    struct Case {
        std::vector<std::string> args;
        bool interrupt;       // SIGINT after each step too
        bool noSecondLinks;   // earlier contents kept in copies
    } cases[] = {{{"describe", "new.json", "-o", "o/x.desc"}, false, false},
                 {{"describe", "new.json", "-o", "o/x.desc"}, false, true},
                 {{"save", "new.json", "-o", "o/s.qva"}, true, false},
                 {{"save", "new.json", "-o", "o/s.qva"}, true, true},
                 {{"load", "n.qva", "-o", "o/c.qva"}, true, false},
                 {{"edit", "t.json", "--element", "LT1", "--script", "new.txt", "-o", "o/e.json"}, false, false}};
    for (const Case& c : cases) {
        Folder done;
        CopyFolder(earlier, done);
        // A copy's files name the earlier run's folder, as every other copy's do.
        const auto before = done.Snapshot("o");
        ASSERT_EQ(RunHostIn(done, c.args), 0) << c.args[0];
        const auto after = done.Snapshot("o");
        ASSERT_NE(after, before) << c.args[0];
        for (const int sig : {SIGKILL, SIGINT}) {
            if (sig == SIGINT && !c.interrupt) continue;
            std::set<std::string> outcomes;
            EachRun(earlier, c.args, [&](long step) { return Faults{step, sig, c.noSecondLinks}; }, [&](Folder& run, long step, int status) {
                const std::string what = c.args[0] + (c.noSecondLinks ? " copying " : " ") + std::to_string(sig) +
                                         " step " + std::to_string(step);
                ASSERT_TRUE(status == 0 || status == 128 + sig) << what << ": " << status;
                const std::string message = ReadFile(run.path.string() + ".err");
                if (sig == SIGKILL) {
                    ASSERT_TRUE(NextCommand(run, "o")) << what;
                } else if (status != 0) {
                    const bool stay = message.find("they stay") != std::string::npos;
                    ASSERT_EQ(run.Snapshot("o"), stay ? after : before) << what << ": " << message;
                }
                const auto now = run.Snapshot("o");
                ASSERT_TRUE(now == before || now == after) << what;
                outcomes.insert(now == before ? "before" : "after");
            });
            if (::testing::Test::HasFatalFailure()) return;
            EXPECT_EQ(outcomes.size(), 2u) << c.args[0] << c.noSecondLinks;
        }
    }
}

// An earlier run's nested folders: a describe into o (a data file in o/sub) and one into o/sub
// (a data file in o/sub/sub), with permissions of their own; and the schematic "new.json" of
// a describe that replaces those files and adds to them.
void EarlierNestedRuns(Folder& earlier) {
    fs::create_directories(earlier.path / "o" / "sub" / "sub");
    WriteFile(earlier / "old.json", Resistors(3, "", 1, 1));
    WriteFile(earlier / "new.json", Resistors(4, "", 2, 2));
    ASSERT_EQ(RunHostIn(earlier, {"describe", "old.json", "-o", "o/x.desc"}), 0);
    ASSERT_EQ(RunHostIn(earlier, {"describe", "old.json", "-o", "o/sub/x.desc"}), 0);
    for (const auto& [name, mode] : std::map<std::string, int>{{"o/D__R0.mdx", 0640}, {"o/sub/f2.mdx", 0600},
                                                               {"o/sub/D__R1.mdx", 0604}, {"o/sub/sub/f2.mdx", 0660}})
        fs::permissions(earlier / name, static_cast<fs::perms>(mode));
}

// Nested output folders both ways: a command on o/sub (writing into o/sub/sub too) ended after
// each step, then a command on o that writes below o/sub; and a command on o (writing into
// o/sub) ended after each step, then a command on o/sub. The next command recovers the folders
// it writes into, whichever folder the dead command's main journal lies in; each folder is then
// as before the dead command or as after it (with the next command's files), and a command on
// o afterwards leaves every folder so.
TEST(OutputFiles, ACrashOnNestedFoldersIsRecoveredFromAboveAndBelow) {
    Folder earlier;
    ASSERT_NO_FATAL_FAILURE(EarlierNestedRuns(earlier));
    struct Case {
        std::vector<std::string> args;   // the command that is ended
        std::string next;                // the next command's output folder
        std::vector<std::string> writes;
    } cases[] = {{{"describe", "new.json", "-o", "o/sub/x.desc"}, "o", {"o/n.txt", "o/sub/sub/n.txt"}},
                 {{"describe", "new.json", "-o", "o/x.desc"}, "o/sub", {"o/sub/n.txt"}}};
    for (const Case& c : cases) {
        // The next command's folder, and every folder, without and with the dead command's files.
        std::vector<std::pair<std::map<std::string, std::string>, std::map<std::string, std::string>>> outcomes;
        for (const bool ran : {false, true}) {
            Folder done;
            CopyFolder(earlier, done);
            if (ran) {
                ASSERT_EQ(RunHostIn(done, c.args), 0);
            }
            ASSERT_TRUE(NextCommand(done, c.next, c.writes));
            const auto next = done.Snapshot(c.next);
            ASSERT_TRUE(NextCommand(done, "o"));
            outcomes.emplace_back(next, done.Snapshot());
        }
        ASSERT_NE(outcomes[0], outcomes[1]);
        std::set<size_t> seen;
        EachRun(earlier, c.args, [](long step) { return Faults{step}; }, [&](Folder& run, long step, int status) {
            const std::string what = c.args[3] + " step " + std::to_string(step);
            ASSERT_TRUE(status == 0 || status == 128 + SIGKILL) << what << ": " << status;
            ASSERT_TRUE(NextCommand(run, c.next, c.writes)) << what;
            const auto next = run.Snapshot(c.next);
            const size_t outcome = next == outcomes[0].first ? 0 : 1;
            ASSERT_EQ(next, outcomes[outcome].first) << what;
            ASSERT_TRUE(NextCommand(run, "o")) << what;
            ASSERT_EQ(run.Snapshot(), outcomes[outcome].second) << what;
            seen.insert(outcome);
        });
        if (::testing::Test::HasFatalFailure()) return;
        EXPECT_EQ(seen.size(), 2u) << c.args[3];
    }
}

// A crash while a record is appended to the main journal leaves it cut short: cut at every byte
// of what a step appended (the header with a file's record, a folder's record), the journal is
// recovered and the folders are as before.
TEST(OutputFiles, AMainJournalCutInItsLastRecordIsRecovered) {
    Folder earlier;
    ASSERT_NO_FATAL_FAILURE(EarlierNestedRuns(earlier));
    WriteFile(earlier / "cut.json", Resistors(2, "", 3, 1));
    Folder done;
    CopyFolder(earlier, done);
    const auto before = done.Snapshot();
    const std::string journal = "o/.qvhost-journal";
    std::map<std::string, std::string> lastRest;
    size_t last = 0;
    size_t cuts = 0;
    EachRun(earlier, {"describe", "cut.json", "-o", "o/x.desc"}, [](long step) { return Faults{step}; },
            [&](Folder& run, long step, int) {
                auto rest = run.Snapshot();
                rest.erase(journal);
                const std::string now = ReadFile(run / journal);
                // Only the main journal grew since the step before (whose run had another ID):
                // this step appended to it: its header and first record, or a record like one cut
                // before, which is left out unless it names the folder below. The journals name
                // their folders by path: each cut is made and recovered where the run lies.
                const bool namesFolder = now.find((run.path / "o" / "sub").string(), last) != std::string::npos;
                if (rest == lastRest && now.size() > last && (last == 0 || namesFolder)) {
                    Folder crashed;
                    CopyFolder(run, crashed);
                    for (size_t cut = last + 1; cut < now.size(); ++cut, ++cuts) {
                        fs::remove_all(run.path);
                        CopyFolder(crashed, run);
                        ASSERT_EQ(truncate((run / journal).c_str(), static_cast<off_t>(cut)), 0);
                        ASSERT_TRUE(NextCommand(run, "o")) << "step " << step << " cut at " << cut;
                        ASSERT_EQ(run.Snapshot(), before) << "step " << step << " cut at " << cut;
                    }
                }
                lastRest = std::move(rest);
                last = now.size();
            });
    EXPECT_GT(cuts, 130u);
}

// A journal append that fails (the disk full), whichever it is: the command fails with one
// line naming the journal and the reason, and every folder is as before, the ones below the
// output folder too.
TEST(OutputFiles, AFailedJournalAppendFailsTheCommandWithOneLine) {
    Folder earlier;
    ASSERT_NO_FATAL_FAILURE(EarlierNestedRuns(earlier));
    Folder done;
    CopyFolder(earlier, done);
    const auto before = done.Snapshot();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"describe", "new.json", "-o", "o/x.desc"},
                                                 std::vector<std::string>{"save", "new.json", "-o", "o/sub/s.qva"}}) {
        long failures = 0;
        EachRun(earlier, args, [](long append) { return Faults{0, SIGKILL, false, append}; },
                [&](Folder& run, long append, int status) {
                    const std::string what = args[3] + " append " + std::to_string(append);
                    if (status == 0) return;
                    ++failures;
                    const std::string message = ReadFile(run.path.string() + ".err");
                    EXPECT_EQ(status, 2) << what;
                    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << what << ": " << message;
                    EXPECT_EQ(message.rfind("qvhost: ", 0), 0u) << what << ": " << message;
                    EXPECT_NE(message.find(".qvhost-journal: cannot be written: No space left on device"), std::string::npos)
                        << what << ": " << message;
                    ASSERT_EQ(run.Snapshot(), before) << what;
                });
        EXPECT_GE(failures, args[0] == "describe" ? 6 : 2) << args[3];
    }
}

} // namespace

namespace journal = qv::journal;

// Waits for a process at most `seconds` (a command that hangs is killed and fails the test).
int WaitAtMost(pid_t pid, int seconds) {
    for (int tenths = 0; tenths < seconds * 10; ++tenths) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    Wait(pid);
    return -1;
}

// Removes every file of a journal's name, and every private folder of a command, below the folder.
void RemoveJournals(const fs::path& top) {
    std::vector<fs::path> found;
    for (auto entry = fs::recursive_directory_iterator(top); entry != fs::recursive_directory_iterator(); ++entry) {
        if (entry->path().filename().string().rfind(".qvhost-", 0) != 0) continue;
        found.push_back(entry->path());
        entry.disable_recursion_pending();
    }
    for (const fs::path& path : found) fs::remove_all(path);
}

// Makes a dead command's private folder in `folder` as it makes it (mode 0700), holding the
// files given by name and contents.
void MakeOwnFolder(const std::string& folder, const std::string& id, const std::map<std::string, std::string>& files) {
    const std::string own = folder + "/" + journal::PrivateFolderName(id);
    ASSERT_EQ(mkdir(own.c_str(), 0700), 0) << own;
    for (const auto& [name, text] : files) {
        fs::create_directories(fs::path(own + "/" + name).parent_path());
        WriteFile(own + "/" + name, text);
    }
}

// A dead command's journal as another user, a damaged disk or a hand may have left it, under
// pub/o (the output folder) or in a folder above: recovery acts only on a journal it can trust.
// One it cannot trust in the output folder fails the command with one line naming it, and is
// left as it is; one above is passed over. Either way no file but the journals changes, in or
// outside the output folder, apart from what a trusted journal takes back.
TEST(OutputFiles, RecoveryActsOnlyOnJournalsItCanTrust) {
    const std::string id = "0123456789abcdef0123456789abcdef";
    const auto main = [&](const std::string& records) { return journal::MainHeader(id) + records; };
    struct Case {
        const char* what;
        std::function<void(const fs::path& pub, const std::string& out)> make;   // `out`: pub/o, resolved
        const char* output = "pub/o";            // the command's output folder
        const char* journalAt = "pub/o/.qvhost-journal";   // the file it names when refused ("" when it runs)
        std::map<std::string, std::string> changes {};     // files taken back, with their contents then
    };
    const std::string takenBack = "\x01";   // a file that goes
    const std::string own = journal::PrivateFolderName(id);
    // A folder's journal of the dead command whose main journal names its folder, but that
    // names an impossible main folder itself: refused, and its file is not taken back.
    const auto partNaming = [&](const char* what, std::string (*mainFolder)(const std::string& out)) {
        return Case{what, [=](const fs::path&, const std::string& out) {
                        WriteFile(out + "/.qvhost-journal", main(journal::FolderRecord(out + "/sub")));
                        WriteFile(out + "/sub/.qvhost-journal",
                                  journal::PartHeader(id, mainFolder(out)) + journal::FileRecord("s.txt", 0, true));
                        MakeOwnFolder(out + "/sub", id, {{"0.old", "S-old"}});
                    },
                    "pub/o", "pub/o/sub/.qvhost-journal"};
    };
    const Case cases[] = {
        {"a trusted journal takes back, its last record cut short",
         [&](const fs::path&, const std::string& out) {
             const std::string cut = journal::FileRecord("report.txt", 1, false);
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true) + cut.substr(0, cut.size() - 3)));
             MakeOwnFolder(out, id, {{"0.old", "B-old"}});
         },
         "pub/o", "", {{"o/b.txt", "B-old"}}},
        {"a file index out of order",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("report.txt", 1, false)));
         }},
        {"a backup that is a link to another file",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("a.desc", 0, true)));
             MakeOwnFolder(out, id, {});
             fs::create_symlink("../important.txt", out + "/" + own + "/0.old");
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a private folder that is a link to a folder elsewhere",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             fs::create_directory_symlink("../victim", out + "/" + own);
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a private folder open to other users",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             MakeOwnFolder(out, id, {{"0.old", "planted"}});
             fs::permissions(out + "/" + own, static_cast<fs::perms>(0777));
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"another user's private folder",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             MakeOwnFolder(out, id, {{"0.old", "planted"}});
             ASSERT_EQ(chown((out + "/" + own).c_str(), 4242, 4242), 0);
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        // A private folder that may not be acted on leaves every folder of its command as it
        // is, also the folders below whose journals would be taken back first.
        {"a private folder open to other users, below which a folder would be taken back first",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FolderRecord(out + "/sub") + journal::FileRecord("b.txt", 0, true)));
             WriteFile(out + "/sub/.qvhost-journal", journal::PartHeader(id, out) + journal::FileRecord("s.txt", 0, true));
             MakeOwnFolder(out + "/sub", id, {{"0.old", "S-old"}});
             MakeOwnFolder(out, id, {{"0.old", "B-old"}});
             fs::permissions(out + "/" + own, static_cast<fs::perms>(0755));
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a pipe in the private folder beside the file its journal names",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             MakeOwnFolder(out, id, {{"0.old", "B-old"}});
             ASSERT_EQ(mkfifo((out + "/" + own + "/x").c_str(), 0600), 0);
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a link in the private folder beside the file its journal names",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             MakeOwnFolder(out, id, {{"0.old", "B-old"}});
             fs::create_symlink("../important.txt", out + "/" + own + "/x");
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a folder in the private folder beside the file its journal names",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             MakeOwnFolder(out, id, {{"0.old", "B-old"}, {"d/1.tmp", "D"}});
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a file the journal does not name in the private folder",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("b.txt", 0, true)));
             MakeOwnFolder(out, id, {{"0.old", "B-old"}, {"1.old", "planted"}});
         },
         "pub/o", "pub/o/.qvhost-0123456789abcdef0123456789abcdef"},
        {"a damaged record before the last",
         [&](const fs::path&, const std::string& out) {
             std::string bytes = main(journal::FileRecord("b.txt", 0, true) + journal::FileRecord("report.txt", 1, false) +
                                      journal::FileRecord("a.desc", 2, true));
             bytes[bytes.find("f 10:report") + 6] ^= 1;
             WriteFile(out + "/.qvhost-journal", bytes);
         }},
        {"a folder record that leads out with ..",
         [&](const fs::path& pub, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FolderRecord(out + "/../victim")));
             WriteFile((pub / "victim/.qvhost-journal").string(), journal::PartHeader(id, out) + journal::FileRecord("v.txt", 0, false));
         }},
        {"a folder record through a link to a folder elsewhere",
         [&](const fs::path& pub, const std::string& out) {
             fs::create_directory_symlink("../victim", out + "/vl");
             WriteFile(out + "/.qvhost-journal", main(journal::FolderRecord(out + "/vl")));
             WriteFile((pub / "victim/.qvhost-journal").string(), journal::PartHeader(id, out) + journal::FileRecord("v.txt", 0, false));
         }},
        {"a committed marker in a folder above the dead command's",
         [&](const fs::path& pub, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FolderRecord(out + "/sub")));
             WriteFile(out + "/sub/.qvhost-journal", journal::PartHeader(id, out) + journal::FileRecord("s.txt", 0, true));
             MakeOwnFolder(out + "/sub", id, {{"0.old", "S-old"}});
             WriteFile((pub / ".qvhost-committed").string(), main(journal::FolderRecord(out + "/sub")));
         },
         "pub/o/sub", "", {{"o/sub/s.txt", "S-old"}}},
        {"a dead main journal above names the output folder and a folder beside it: only the first is taken back",
         [&](const fs::path& pub, const std::string& out) {
             const std::string top = fs::canonical(pub).string();
             WriteFile(top + "/.qvhost-journal", main(journal::FolderRecord(out + "/sub") + journal::FolderRecord(top + "/victim")));
             WriteFile(out + "/sub/.qvhost-journal", journal::PartHeader(id, top) + journal::FileRecord("s.txt", 0, true));
             MakeOwnFolder(out + "/sub", id, {{"0.old", "S-old"}});
             WriteFile(top + "/victim/.qvhost-journal", journal::PartHeader(id, top) + journal::FileRecord("v.txt", 0, true));
             MakeOwnFolder(top + "/victim", id, {{"0.old", "V-old"}});
         },
         "pub/o/sub", "", {{"o/sub/s.txt", "S-old"}, {"victim/v.txt", "V"}}},
        {"a folder's journal whose main journal is gone",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/sub/.qvhost-journal", journal::PartHeader(id, out) + journal::FileRecord("s.txt", 0, true));
             MakeOwnFolder(out + "/sub", id, {{"0.old", "S-old"}});
         },
         "pub/o/sub", "pub/o/sub/.qvhost-journal"},
        // A journal of the earlier version, whose files lie beside their targets, is finished:
        // taken back before its commit point (a new target that still is the command's file
        // goes), tidied after it; a name it gives that holds anything but a file the command
        // made is refused, with nothing touched.
        {"a journal of the earlier version",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold") +
                                                                          journal::FolderRecord(out + "/sub") +
                                                                          qv_test::Version2File("n.txt", ".n.txt.qvtmp.1", "")));
             WriteFile(out + "/sub/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("s.txt", ".s.txt.qvtmp", ".s.txt.qvold"), out));
             WriteFile(out + "/.n.txt.qvtmp.1", "N");
             fs::create_hard_link(out + "/.n.txt.qvtmp.1", out + "/n.txt");
         },
         "pub/o", "", {{"o/b.txt", "B-old"}, {"o/.b.txt.qvold", takenBack}, {"o/sub/s.txt", "S-old"}, {"o/sub/.s.txt.qvold", takenBack}}},
        {"a committed journal of the earlier version",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-committed", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold")));
         },
         "pub/o", "", {{"o/.b.txt.qvold", takenBack}}},
        {"a journal of the earlier version whose backup is a link",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold.1") +
                                                                          qv_test::Version2File("a.desc", ".a.desc.qvtmp", "")));
             fs::create_symlink("important.txt", out + "/.b.txt.qvold.1");
         },
         "pub/o", "pub/o/.b.txt.qvold.1"},
        {"a journal of the earlier version whose backup is a second link of a file elsewhere",
         [&](const fs::path& pub, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold.1")));
             fs::create_hard_link(pub / "notes.txt", out + "/.b.txt.qvold.1");
         },
         "pub/o", "pub/o/.b.txt.qvold.1"},
        // Its check of the output folder refuses it after the folder below was checked: that
        // folder is left as it is too.
        {"a journal of the earlier version refused in the output folder after the folder below it",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::Version2Journal(journal::FolderRecord(out + "/sub") +
                                                                          qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold.1")));
             WriteFile(out + "/sub/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("s.txt", ".s.txt.qvtmp", ".s.txt.qvold"), out));
             fs::create_symlink("important.txt", out + "/.b.txt.qvold.1");
         },
         "pub/o", "pub/o/.b.txt.qvold.1"},
        // That version made no private folder: one of its ID is not its, and stays as it is.
        {"a journal of the earlier version beside a private folder of its ID",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold")));
             MakeOwnFolder(out, id, {{"0.old", "planted"}});
         },
         "pub/o", "", {{"o/b.txt", "B-old"}, {"o/.b.txt.qvold", takenBack}}},
        {"another user's file at a name of a journal of the earlier version",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("report.txt", ".report.txt.qvtmp", "")));
             WriteFile(out + "/.report.txt.qvtmp", "R");
             ASSERT_EQ(chown((out + "/.report.txt.qvtmp").c_str(), 4242, 4242), 0);
         },
         "pub/o", "pub/o/.report.txt.qvtmp"},
        {"a pipe of the journal's name",
         [&](const fs::path&, const std::string& out) { ASSERT_EQ(mkfifo((out + "/.qvhost-journal").c_str(), 0600), 0); }},
        {"a link of the journal's name",
         [&](const fs::path&, const std::string& out) { fs::create_symlink("report.txt", out + "/.qvhost-journal"); }},
        {"a journal far larger than any command writes",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(""));
             fs::resize_file(out + "/.qvhost-journal", 20ull << 30);
         }},
        {"a journal of valid records beyond the size any command writes",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", qv_test::JournalOfSize(journal::kMaxBytes + 1, out + "/sub"));
         }},
        {"a committed journal cut short in its header",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-committed", main("").substr(0, main("").size() - 4));
         },
         "pub/o", "pub/o/.qvhost-committed"},
        partNaming("a folder's journal naming its main folder through ..", [](const std::string& out) { return out + "/sub/.."; }),
        partNaming("a folder's journal naming a relative main folder", [](const std::string& out) { return out.substr(1); }),
        partNaming("a folder's journal naming no main folder", [](const std::string&) { return std::string(); }),
        partNaming("a folder's journal naming a main folder beside its own",
                   [](const std::string& out) { return out.substr(0, out.rfind('/')) + "/victim"; }),
        partNaming("a folder's journal naming its own folder as its main folder", [](const std::string& out) { return out + "/sub"; }),
        {"a pipe of the committed journal's name above",
         [&](const fs::path& pub, const std::string&) {
             ASSERT_EQ(mkfifo((pub / ".qvhost-committed").c_str(), 0600), 0);
         },
         "pub/o", ""},
        {"a folder of the journal's name above",
         [&](const fs::path& pub, const std::string&) { fs::create_directory(pub / ".qvhost-journal"); }, "pub/o", ""},
        {"a text file of the journal's name above",
         [&](const fs::path& pub, const std::string&) { WriteFile((pub / ".qvhost-journal").string(), "notes\n"); },
         "pub/o", ""},
        {"a huge file of the journal's name above",
         [&](const fs::path& pub, const std::string&) {
             WriteFile((pub / ".qvhost-journal").string(), main(""));
             fs::resize_file(pub / ".qvhost-journal", 20ull << 30);
         },
         "pub/o", ""},
        {"another user's journal",
         [&](const fs::path&, const std::string& out) {
             WriteFile(out + "/.qvhost-journal", main(journal::FileRecord("report.txt", 0, false)));
             ASSERT_EQ(chown((out + "/.qvhost-journal").c_str(), 4242, 4242), 0);
         }},
    };
    for (const Case& c : cases) {
        if (std::string(c.what).rfind("another user's", 0) == 0 && geteuid() != 0) continue;   // only root gives files away
        Folder folder;
        const fs::path pub = folder.path / "pub";
        fs::create_directories(pub / "o/sub");
        fs::create_directories(pub / "victim");
        WriteFile(folder / "r.json", Resistors(1));
        for (const auto& [name, text] : std::map<std::string, std::string>{
                 {"o/report.txt", "R"}, {"o/important.txt", "I"}, {"o/a.desc", "A"}, {"o/b.txt", "B-new"},
                 {"o/.b.txt.qvold", "B-old"}, {"o/sub/s.txt", "S-new"}, {"o/sub/.s.txt.qvold", "S-old"},
                 {"victim/v.txt", "V"}, {"victim/0.old", "V0"}, {"notes.txt", "N"}})
            WriteFile((pub / name).string(), text);
        fs::create_symlink("important.txt", pub / "o/lnk");
        auto expected = folder.Snapshot("pub");
        c.make(pub, fs::canonical(pub / "o").string());
        const std::string refused = c.journalAt;
        const int status = WaitAtMost(StartHost(folder, {"save", "r.json", "-o", std::string(c.output) + "/x.qva"}), 120);
        const std::string message = ReadFile(folder.path.string() + ".err");
        if (refused.empty()) {
            ASSERT_EQ(status, 0) << c.what << ": " << message;
        } else {
            EXPECT_EQ(status, 2) << c.what;
            EXPECT_EQ(message.rfind("qvhost: ", 0), 0u) << c.what << ": " << message;
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << c.what << ": " << message;
            EXPECT_NE(message.find(fs::path(refused).filename().string()), std::string::npos) << c.what << ": " << message;
            struct stat left {};
            EXPECT_EQ(lstat((folder / refused).c_str(), &left), 0) << c.what << ": the journal is left as it is";
        }
        RemoveJournals(pub);
        fs::remove(pub / "o/vl");
        if (!refused.empty()) fs::remove(folder / refused);   // a file a journal of the earlier version names
        if (refused.empty()) {
            const std::string written = std::string(c.output).substr(4) + "/x.qva";   // below pub/
            expected[written] = folder.Snapshot("pub")[written];
        }
        for (const auto& [name, contents] : c.changes) {
            if (contents == takenBack) {
                expected.erase(name);
                continue;
            }
            EXPECT_EQ(ReadFile((pub / name).string()), contents) << c.what << ": " << name;
            expected[name] = folder.Snapshot("pub")[name];
        }
        EXPECT_EQ(folder.Snapshot("pub"), expected) << c.what << ": " << message;
    }
}

// The reader on a journal's bytes: every prefix (a process ended while appending) reads, with
// the records that are complete; any one byte changed anywhere refuses it, so that a damaged
// record is never taken for one cut short.
TEST(OutputFiles, AJournalIsCutShortOnlyAtItsEnd) {
    // A file name may hold a line break and a backslash: what a crash leaves of its record
    // must still read as cut short.
    const std::string odd = "a\nb\\n.txt";
    const std::string bytes = journal::MainHeader("00112233445566778899aabbccddeeff") + journal::FileRecord("b.txt", 0, true) +
                              journal::FolderRecord("/o/sub") + journal::FileRecord("report.txt", 1, false) +
                              journal::FileRecord(odd, 2, true);
    const size_t records[] = {bytes.find("f 5:"), bytes.find("d 6:"), bytes.find("f 10:"), bytes.find("f 11:"), bytes.size()};
    for (size_t length = 0; length <= bytes.size(); ++length) {
        journal::Journal read;
        std::string why;
        ASSERT_TRUE(journal::Parse(bytes.substr(0, length), read, why)) << length << ": " << why;
        EXPECT_EQ(read.torn, length < records[0]) << length;
        EXPECT_EQ(read.files.size(), size_t(length >= records[1]) + size_t(length >= records[3]) + size_t(length >= records[4]))
            << length;
        EXPECT_EQ(read.folders.size(), size_t(length >= records[2])) << length;
    }
    journal::Journal read;
    std::string why;
    ASSERT_TRUE(journal::Parse(bytes, read, why));
    EXPECT_EQ(read.files[0].BackupName(), "0.old");
    EXPECT_EQ(read.files[1].TemporaryName(), "1.tmp");
    EXPECT_EQ(read.files[1].BackupName(), "");
    EXPECT_EQ(read.files[2].target, odd);
    EXPECT_EQ(read.files[2].BackupName(), "2.old");
    // The journal of a folder below the output folder "/" names "/" as its main folder.
    ASSERT_TRUE(journal::Parse(journal::PartHeader("00112233445566778899aabbccddeeff", "/") + journal::FileRecord("b.txt", 0, false),
                               read, why))
        << why;
    EXPECT_EQ(read.mainFolder, "/");
    for (size_t at = 0; at < bytes.size(); ++at)
        for (const char change : {'\x01', '\x08', '\x10'}) {
            std::string damaged = bytes;
            damaged[at] ^= change;
            EXPECT_FALSE(journal::Parse(damaged, read, why)) << at << " ^ " << int(change);
        }
}

// A file at a journal's name that no command acts on, in a folder below the output folder that
// the command writes data files into, fails it with the line that says why, as the same file in
// the output folder does; nothing is touched.
TEST(OutputFiles, ABadJournalBelowGivesItsOwnReason) {
    const std::string id = "0123456789abcdef0123456789abcdef";
    const struct {
        const char* what;
        std::function<void(const std::string& sub, const std::string& out)> make;
        const char* reason;
    } cases[] = {
        {"a pipe", [](const std::string& sub, const std::string&) { ASSERT_EQ(mkfifo((sub + "/.qvhost-journal").c_str(), 0600), 0); },
         ": is a pipe, so it is no journal a command acts on"},
        {"a damaged record",
         [&](const std::string& sub, const std::string& out) {
             std::string bytes = journal::PartHeader(id, out) + journal::FileRecord("s.txt", 0, false);
             bytes[bytes.size() - 3] ^= 1;
             WriteFile(sub + "/.qvhost-journal", bytes);
         },
         ": record 2 is damaged, so it is no journal a command acts on"},
        {"a folder's journal without its main one",
         [&](const std::string& sub, const std::string& out) {
             WriteFile(sub + "/.qvhost-journal", journal::PartHeader(id, out) + journal::FileRecord("s.txt", 0, false));
         },
         " is gone or is no journal a command acts on"},
        {"another user's journal",
         [&](const std::string& sub, const std::string&) {
             WriteFile(sub + "/.qvhost-journal", journal::MainHeader(id));
             ASSERT_EQ(chown((sub + "/.qvhost-journal").c_str(), 4242, 4242), 0);
         },
         ": belongs to another user, so it is no journal a command acts on"},
    };
    for (const auto& c : cases) {
        if (std::string(c.what) == "another user's journal" && geteuid() != 0) continue;   // only root gives files away
        Folder folder;
        fs::create_directories(folder.path / "o/sub");
        WriteFile(folder / "r.json", Resistors(2, "", 1, 2));
        WriteFile(folder / "o/sub/s.txt", "S");
        c.make(folder / "o/sub", fs::canonical(folder.path / "o").string());
        const auto before = folder.Snapshot();
        EXPECT_EQ(RunHostIn(folder, {"describe", "r.json", "-o", "o/x.desc"}), 2) << c.what;
        const std::string message = ReadFile(folder.path.string() + ".err");
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << c.what << ": " << message;
        EXPECT_EQ(message.rfind("qvhost: ", 0), 0u) << c.what << ": " << message;
        EXPECT_NE(message.find("sub/.qvhost-journal"), std::string::npos) << c.what << ": " << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << c.what << ": " << message;
        EXPECT_EQ(folder.Snapshot(), before) << c.what;
    }
}

// A lock of another user's process never makes a command wait: one on a folder above the output
// folder (which no command locks) leaves it running; one on the output folder or on a folder
// below that it writes into fails it at once with one line naming that folder. So does one of a
// set-user-id program that another user started (a password prompt), which runs with the
// user's effective id but another real one, and one of a process that kept the user's real id
// only (a program of the user's that became another user).
TEST(OutputFiles, AnotherUsersLockNeverMakesACommandWait) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    const struct {
        const char* held;   // below pub/, which the stranger enters
        int status;
        bool setUserId = false;
        bool realIdOnly = false;
    } cases[] = {{".", 0}, {"o", 2}, {"o/sub", 2}, {"o", 2, true}, {"o/sub", 2, true}, {"o", 2, false, true}};
    for (const auto& c : cases) {
        Folder folder;
        fs::create_directories(folder.path / "pub/o/sub");
        fs::permissions(folder.path / "pub", static_cast<fs::perms>(01777));
        WriteFile(folder / "r.json", Resistors(2, "", 1, 1));
        const int pub = open((folder / "pub").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        // The set-user-id program: started by nobody, running as root (the user here).
        const qv_test::UserIds ids = c.setUserId || c.realIdOnly ? qv_test::UserIds{0, 0} : qv_test::UserIds{};
        qv_test::AnotherUser holder(
            pub,
            [&] {
                const int fd = open(c.held, O_RDONLY | O_DIRECTORY);
                if (fd < 0 || flock(fd, LOCK_EX) != 0 || (c.setUserId && setresuid(65534, 0, 0) != 0) ||
                    (c.realIdOnly && setresuid(0, 65534, 65534) != 0) || write(ready[1], "x", 1) != 1)
                    return 1;
                pause();
                return 0;
            },
            ids);
        close(pub);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << c.held << c.setUserId;
        close(ready[0]);
        close(ready[1]);
        const int status = WaitAtMost(StartHost(folder, {"describe", "r.json", "-o", "pub/o/x.desc"}), 60);
        const std::string message = ReadFile(folder.path.string() + ".err");
        EXPECT_EQ(status, c.status) << c.held << c.setUserId << ": " << message;
        EXPECT_EQ(message.find("waiting"), std::string::npos) << c.held << c.setUserId << ": " << message;
        if (c.status == 0) continue;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << c.held << ": " << message;
        EXPECT_NE(message.find("pub/" + std::string(c.held) + ": a process of another user"), std::string::npos) << message;
        EXPECT_FALSE(fs::exists(folder / "pub/o/x.desc"));
    }
}

// Whether the system's table of locks shows a process waiting for the lock of the folder `path`
// (a line with "->").
bool SomeoneWaitsFor(const fs::path& path) {
    struct stat folder {};
    if (stat(path.c_str(), &folder) != 0) return false;
    const std::string inode = ":" + std::to_string(folder.st_ino) + " ";
    const std::string table = ReadFile("/proc/locks");
    for (size_t at = 0, end; at < table.size(); at = end + 1) {
        end = std::min(table.find('\n', at), table.size());
        const std::string line = table.substr(at, end - at);
        if (line.find("->") != std::string::npos && line.find(inode) != std::string::npos) return true;
    }
    return false;
}

// A stranger that waits for the lock of the output folder while a process of the user holds it
// holds nothing: the user's next command waits for the user's own, and runs once it is gone.
TEST(OutputFiles, AStrangerWaitingForTheLockIsNoHolder) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    Folder folder;
    fs::create_directories(folder.path / "pub/o");
    fs::permissions(folder.path / "pub", static_cast<fs::perms>(01777));
    WriteFile(folder / "r.json", Resistors(1));
    const int pub = open((folder / "pub").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const auto lock = [&] {
        const int fd = open("o", O_RDONLY | O_DIRECTORY);
        if (fd < 0 || flock(fd, LOCK_EX) != 0 || write(ready[1], "x", 1) != 1) return 1;
        pause();
        return 0;
    };
    qv_test::AnotherUser own(pub, lock, {0, 0});
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    qv_test::AnotherUser stranger(pub, lock);
    close(pub);
    for (int i = 0; i < 3000 && !SomeoneWaitsFor(folder.path / "pub/o"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(SomeoneWaitsFor(folder.path / "pub/o"));
    const pid_t command = StartHost(folder, {"describe", "r.json", "-o", "pub/o/x.desc"}, {}, ".wait.err");
    bool waits = false;
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 3000 && !waits && (ended = waitpid(command, &status, WNOHANG)) == 0; ++i) {
        waits = ReadFile(folder.path.string() + ".wait.err").find("qvhost: waiting for another command") == 0;
        if (!waits) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(waits && ended == 0) << ReadFile(folder.path.string() + ".wait.err");
    stranger.Stop();
    own.Stop();
    close(ready[0]);
    close(ready[1]);
    if (ended == 0) {
        EXPECT_EQ(WaitAtMost(command, 60), 0) << ReadFile(folder.path.string() + ".wait.err");
    }
    EXPECT_TRUE(fs::exists(folder / "pub/o/x.desc"));
}

// A stranger who owns a folder below the output folder swaps it with a link to a folder of the
// user's elsewhere, over and over, while the user's commands write data files into it, and
// while they recover what a killed command left there: no file of that other folder changes.
TEST(OutputFiles, AFolderSwappedForALinkLeadsNoWriteOutOfTheOutputFolder) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    Folder folder;
    fs::create_directories(folder.path / "pub/o");
    fs::create_directories(folder.path / "mine");
    for (const char* shared : {"pub", "pub/o"}) fs::permissions(folder.path / shared, static_cast<fs::perms>(01777));
    for (const char* name : {"f0.mdx", "f1.mdx", "f2.mdx", "x.desc"}) WriteFile(folder / (std::string("mine/") + name), "MINE");
    WriteFile(folder / "r.json", Resistors(3, "", 1, 3));
    const auto before = folder.Snapshot("mine");
    const std::string mine = folder / "mine";
    const int o = open((folder / "pub/o").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    qv_test::AnotherUser swapper(o, [&] {
        if (mkdir("sub", 0777) != 0 || chmod("sub", 0777) != 0 || symlink(mine.c_str(), "lnk") != 0) return 1;
        for (;;) renameat2(AT_FDCWD, "sub", AT_FDCWD, "lnk", RENAME_EXCHANGE);
    });
    close(o);
    while (!fs::exists(folder / "pub/o/lnk")) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int run = 0; run < 60; ++run) {
        // Every third command is killed after one of its steps, so that the next one recovers.
        const Faults faults = run % 3 == 2 ? Faults{4 + run % 9, SIGKILL} : Faults{};
        EXPECT_NE(WaitAtMost(StartHost(folder, {"describe", "r.json", "-o", "pub/o/x.desc"}, faults), 60), -1) << run;
    }
    swapper.Stop();
    EXPECT_EQ(folder.Snapshot("mine"), before);
}

// A path with a line break in a message is shown escaped: the message stays one line.
TEST(OutputFiles, APathWithALineBreakIsShownOnOneLine) {
    Folder folder;
    WriteFile(folder / "r.json", Resistors(1));
    EXPECT_EQ(RunHostIn(folder, {"describe", "r.json", "-o", "no\nsuch/x.desc"}), 2);
    const std::string message = ReadFile(folder.path.string() + ".err");
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_NE(message.find("no\\nsuch"), std::string::npos) << message;
}

// The entries of a folder, by name.
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

// The private folder of a command of root's in `folder` (relative to the current folder), or "".
std::string RootsPrivateFolder(const std::string& folder) {
    for (const std::string& name : NamesIn(folder)) {
        struct stat status {};
        if (name.rfind(qv::journal::kOwnPrefix, 0) == 0 && lstat((folder + "/" + name).c_str(), &status) == 0 &&
            S_ISDIR(status.st_mode) && status.st_uid == 0)
            return name;
    }
    return std::string();
}

// Whether a file of a journal's name lies anywhere below `top`.
bool AnyJournalBelow(const fs::path& top) {
    for (const auto& entry : fs::recursive_directory_iterator(top)) {
        const std::string name = entry.path().filename().string();
        if (name == qv::journal::kJournalName || name == qv::journal::kCommittedName) return true;
    }
    return false;
}

// A stranger exchanges, after one step of a command, a folder the command writes into (the
// output folder, or a folder below it) or the private folder the command made in one, for a
// folder of its own (or one of the user's that is open to all, which only the private folder's
// mode tells from the command's own): renaming within a folder it owns needs no right on what
// it renames. After every step in turn: no file is begun in a folder so moved (the command's
// descriptors would lead it there); an exchange before the commit point fails the command with
// one line and takes its files back; none of the user's folders is left with a journal, so that
// the next command writes there as usual.
TEST(OutputFiles, AFolderExchangedAfterAnyStepIsNeverWrittenIntoAfterwards) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    const struct {
        const char* what;
        const char* owned;       // below the test folder: the stranger's folder, in which it exchanges
        const char* exchanged;   // the name there it exchanges: "" for the command's private folder
        const char* with;        // the folder there it puts in its place
        bool usersWith;          // `with` is a folder of the user's, open to all
    } cases[] = {
        {"the output folder", "pub", "o", "theirs", false},
        {"a folder below it", "pub/o", "sub", "theirs", false},
        {"the private folder in the folder below", "pub/o/sub", "", "theirs", false},
        {"the private folder in the output folder", "pub/o", "", "theirs", false},
        {"the private folder, for the user's folder open to all", "pub/o", "", "drop", true},
    };
    static std::string owned, exchanged, with, results;
    static long at;
    static int writing;   // the target being written
    for (const auto& c : cases) {
        bool reached = true;
        for (long step = 1; reached; ++step) {
            Folder folder;
            fs::create_directories(folder.path / "pub/o/sub");
            for (const char* name : {"pub/o/a.desc", "pub/o/sub/s.mdx"}) WriteFile(folder / name, "before");
            const std::string ownedPath = folder / c.owned;
            fs::create_directory(ownedPath + "/" + c.with);
            if (c.usersWith) {
                fs::permissions(ownedPath + "/" + c.with, static_cast<fs::perms>(0777));
            } else {
                WriteFile(ownedPath + "/" + c.with + "/mine.txt", "the stranger's");
                for (const std::string& name : {std::string(c.with), std::string(c.with) + "/mine.txt"})
                    ASSERT_EQ(lchown((ownedPath + "/" + name).c_str(), 65534, 65534), 0);
            }
            ASSERT_EQ(chown(ownedPath.c_str(), 65534, 65534), 0);
            owned = fs::canonical(ownedPath).string();
            exchanged = c.exchanged;
            with = c.with;
            results = folder.path.string() + ".results";
            at = step;
            const std::string what = std::string(c.what) + " step " + std::to_string(step);
            const std::vector<std::string> targets{folder / "pub/o/a.desc", folder / "pub/o/n.mdx", folder / "pub/o/sub/s.mdx",
                                                   folder / "pub/o/sub/n.mdx"};
            std::vector<std::string> resolved;   // as the owner's records name them
            for (const std::string& target : targets)
                resolved.push_back(fs::canonical(fs::path(target).parent_path()).string() + "/" + fs::path(target).filename().string());
            const int status = RunOwnerJob(
                [&] {
                    static std::vector<std::string> calls;
                    static long exchangedAt = -1;
                    static int exchangedWriting = 0;
                    static long last = 0;
                    static std::string movedFolder;
                    OutputFiles::RecordCallsForTest(&calls);
                    OutputFiles::SetStepHook([](long s) {
                        last = s;
                        if (s != at) return;
                        // A folder is exchanged once the command holds it (before, the command
                        // opens whatever stands at its name then).
                        const std::string held = "journal\t" + owned + "/" + exchanged + "\t";
                        if (!exchanged.empty() && std::find(calls.begin(), calls.end(), held) == calls.end()) return;
                        const int dir = open(owned.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                        const std::string name = exchanged.empty() ? RootsPrivateFolder(owned) : exchanged;
                        const bool done = !name.empty() && qv_test::RunAsAnotherUser(dir, [&] {
                            return renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, with.c_str(), RENAME_EXCHANGE) == 0 ? 0 : 1;
                        }) == 0;
                        close(dir);
                        if (!done) return;
                        exchangedAt = static_cast<long>(calls.size());
                        exchangedWriting = writing;
                        // The folder whose place changed (or whose private folder did): nothing more
                        // may be begun in it, nor below a moved folder.
                        movedFolder = exchanged.empty() ? owned : owned + "/" + exchanged;
                    });
                    static std::vector<std::string> begunLater;   // "folder/name" of the targets begun after the exchange
                    const auto report = [&](int code) {
                        bool committed = false, begun = false;
                        for (size_t t = static_cast<size_t>(exchangedWriting) + 1; t < targets.size(); ++t)
                            begunLater.push_back(resolved[t]);
                        for (size_t i = 0; exchangedAt >= 0 && i < calls.size(); ++i) {
                            const std::string& call = calls[i];
                            const size_t tab = call.find('\t'), tab2 = call.find('\t', tab + 1);
                            const std::string kind = call.substr(0, tab), in = call.substr(tab + 1, tab2 - tab - 1);
                            const std::string target = in + "/" + call.substr(tab2 + 1);
                            if (static_cast<long>(i) < exchangedAt) committed = committed || kind == "commit";
                            else if ((kind == "write" || kind == "keep") &&
                                     (in == movedFolder || (!exchanged.empty() && in.rfind(movedFolder + "/", 0) == 0)) &&
                                     std::find(begunLater.begin(), begunLater.end(), target) != begunLater.end())
                                begun = true;
                        }
                        WriteFile(results, std::to_string(last) + " " + std::to_string(exchangedAt >= 0) + " " +
                                               std::to_string(committed) + " " + std::to_string(begun));
                        _exit(code);
                    };
                    OutputFiles& owner = OutputFiles::Current();
                    std::string error;
                    bool ok = owner.Plan(targets, error);
                    for (writing = 0; ok && writing < static_cast<int>(targets.size()); ++writing)
                        ok = WriteThrough(targets[static_cast<size_t>(writing)], "after");
                    if (ok && owner.Commit(error)) report(0);
                    if (error.empty()) error = owner.JournalFault();
                    std::fprintf(stderr, "qvhost: %s\n", error.c_str());
                    owner.Settle(false);
                    report(3);
                },
                folder.path.string() + ".err", 0);
            long last = 0;
            int wasExchanged = 0, committed = 0, begun = 0;
            ASSERT_EQ(std::sscanf(ReadFile(results).c_str(), "%ld %d %d %d", &last, &wasExchanged, &committed, &begun), 4) << what;
            fs::remove(results);
            reached = last >= step;
            const std::string message = ReadFile(folder.path.string() + ".err");
            ASSERT_TRUE(status == 0 || status == 3) << what << ": " << status;
            EXPECT_FALSE(begun) << what << ": a file was begun in the moved folder";
            if (!wasExchanged) {
                EXPECT_EQ(status, 0) << what << ": " << message;
            } else if (!committed) {
                EXPECT_EQ(status, 3) << what;
            }
            if (status == 3) {
                EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << what << ": " << message;
            }
            // The stranger puts a moved folder back, so that the user's folders are at their names.
            if (wasExchanged && !exchanged.empty()) {
                const int dir = open(owned.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                ASSERT_EQ(qv_test::RunAsAnotherUser(
                              dir, [] { return renameat2(AT_FDCWD, exchanged.c_str(), AT_FDCWD, with.c_str(), RENAME_EXCHANGE); }),
                          0);
                close(dir);
            }
            const bool kept = !wasExchanged || committed;
            for (const char* name : {"pub/o/a.desc", "pub/o/sub/s.mdx"})
                EXPECT_EQ(ReadFile(folder / name), kept ? "after" : "before") << what << ": " << name;
            for (const char* name : {"pub/o/n.mdx", "pub/o/sub/n.mdx"})
                EXPECT_EQ(fs::exists(folder / name), kept) << what << ": " << name;
            EXPECT_FALSE(AnyJournalBelow(folder.path / "pub")) << what << ": " << message;
            EXPECT_TRUE(NextCommand(folder, "pub/o", {"pub/o/sub/next.mdx"})) << what;
        }
    }
}

// A stranger exchanges, over and over, the private folder a command makes in the output folder
// the stranger owns, for one of its own whose temporary files are links to a file only root
// may write; or, owning the folder above, the output folder itself for one holding such a
// private folder. Whatever describe, save, load -o and edit -o report: the file outside the
// output folder keeps its bytes, a command that succeeds leaves its whole output (never an
// empty one), and one that fails says so in one line.
TEST(OutputFiles, AnExchangeInTheOutputFolderLeadsNoWriteElsewhere) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    const std::vector<std::vector<std::string>> commands{
        {"describe", "in/r.json", "-o", "pub/o/a.desc"},
        {"save", "in/r.json", "-o", "pub/o/a.qva"},
        {"load", "in/r.qva", "-o", "pub/o/l.qva"},
        {"edit", "in/t.json", "--element", "LT1", "--script", "in/ok.txt", "-o", "pub/o/e.json"}};
    for (const bool outputFolder : {false, true}) {
        Folder folder;
        for (const char* name : {"in", "rootonly", "pub/o"}) fs::create_directories(folder.path / name);
        WriteFile(folder / "in/r.json", Resistors(2));
        WriteFile(folder / "in/t.json", TableNamed("t2"));
        WriteFile(folder / "in/ok.txt", "ok\n");
        const std::string secret = folder / "rootonly/secret.txt";
        WriteFile(secret, "secret");
        fs::permissions(secret, static_cast<fs::perms>(0600));
        fs::permissions(folder.path / "rootonly", static_cast<fs::perms>(0700));
        ASSERT_EQ(RunHostIn(folder, {"save", "in/r.json", "-o", "in/r.qva"}), 0);
        std::map<std::string, std::string> expected;
        for (const auto& command : commands) {
            ASSERT_EQ(RunHostIn(folder, command), 0) << command[0];
            expected[command.back()] = ReadFile(folder / command.back());
            ASSERT_FALSE(expected[command.back()].empty()) << command[0];
        }
        const auto inputs = folder.Snapshot("in");
        const auto outside = folder.Snapshot("rootonly");
        const std::string owned = folder / (outputFolder ? "pub" : "pub/o");
        ASSERT_EQ(chown(owned.c_str(), 65534, 65534), 0);
        const int dir = open(owned.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        qv_test::AnotherUser stranger(dir, [&] {
            for (long n = 0;; ++n) {
                // Made before the command's private folder shows, so that the exchange follows at once.
                const std::string mine = "s" + std::to_string(n);
                if (!outputFolder) {
                    if (mkdir(mine.c_str(), 0755) != 0) return 1;
                    for (int i = 0; i < 4; ++i) (void)!symlink(secret.c_str(), (mine + "/" + std::to_string(i) + ".tmp").c_str());
                }
                for (;;) {
                    const std::string own = RootsPrivateFolder(outputFolder ? "o" : ".");
                    if (own.empty()) {
                        usleep(50);   // leaves the commands processor time on a small machine
                        continue;
                    }
                    if (!outputFolder) {
                        renameat2(AT_FDCWD, own.c_str(), AT_FDCWD, mine.c_str(), RENAME_EXCHANGE);
                        break;
                    }
                    if (mkdir(mine.c_str(), 0755) != 0 || mkdir((mine + "/" + own).c_str(), 0777) != 0) return 1;
                    for (int i = 0; i < 4; ++i)
                        (void)!symlink(secret.c_str(), (mine + "/" + own + "/" + std::to_string(i) + ".tmp").c_str());
                    if (renameat2(AT_FDCWD, "o", AT_FDCWD, mine.c_str(), RENAME_EXCHANGE) == 0) {
                        usleep(20000);
                        renameat2(AT_FDCWD, "o", AT_FDCWD, mine.c_str(), RENAME_EXCHANGE);
                    }
                    break;
                }
            }
        });
        close(dir);
        for (int run = 0; run < 4; ++run)
            for (const auto& command : commands) {
                const std::string what = std::to_string(outputFolder) + " " + command[0] + " run " + std::to_string(run);
                const int status = WaitAtMost(StartHost(folder, command), 60);
                const std::string message = ReadFile(folder.path.string() + ".err");
                // The stranger has put the output folder back at its name.
                struct stat o {};
                for (int tries = 0; outputFolder && tries < 2000 && (stat((folder / "pub/o").c_str(), &o) != 0 || o.st_uid != 0); ++tries)
                    usleep(1000);
                ASSERT_TRUE(status == 0 || status == 2) << what << ": " << message;
                if (status == 0) {
                    EXPECT_EQ(ReadFile(folder / command.back()), expected[command.back()]) << what;
                } else {
                    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << what << ": " << message;
                }
                EXPECT_EQ(ReadFile(secret), "secret") << what;
            }
        stranger.Stop();
        EXPECT_EQ(folder.Snapshot("in"), inputs);
        EXPECT_EQ(folder.Snapshot("rootonly"), outside);
    }
}

// A dead command's journal in a folder others may write into (mode 1777, as /tmp is): recovery
// acts on a name only while it holds what it held when the journal was checked. A stranger's
// file made afterwards at a name of a journal of version 2 that held nothing stops it with one
// line, the stranger's file and the user's target as they are; a rename back that fails (the
// target now a folder) keeps the journal and says so, of either version, and names no folders
// finished where there are none. Once the user moved away what was in the way, the next
// command finishes the journal.
TEST(OutputFiles, ARecoveryActsOnlyOnWhatItChecked) {
    const std::string id = qv_test::kJournalId;
    const struct {
        const char* what;
        std::function<void(const std::string& shared)> make;
        bool stranger;            // a stranger makes ".t0.qvold" after the recovery's first step
        const char* line;         // in the line of the refusal
        const char* inTheWay;     // what the user moves away
        std::map<std::string, std::string> after;   // the files once the next command finished
    } cases[] = {
        {"a stranger's file at a name of version 2 that held nothing",
         [](const std::string& shared) {
             WriteFile(shared + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("t0", ".t0.qvtmp", ".t0.qvold") +
                                                                             qv_test::Version2File("t1", ".t1.qvtmp", "")));
             WriteFile(shared + "/t0", "T0");
             WriteFile(shared + "/t1", "T1");
             fs::create_hard_link(shared + "/t1", shared + "/.t1.qvtmp");
         },
         true, ".t0.qvold: named by a journal of version 2 of qvhost, changed after the command checked it", ".t0.qvold",
         {{"t0", "T0"}}},
        {"a target of version 2 that became a folder",
         [](const std::string& shared) {
             WriteFile(shared + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("b.txt", ".b.txt.qvtmp", ".b.txt.qvold")));
             WriteFile(shared + "/.b.txt.qvold", "B-old");
             fs::create_directory(shared + "/b.txt");
             WriteFile(shared + "/b.txt/x", "X");
         },
         false, ".b.txt.qvold: named by a journal of version 2 of qvhost, cannot be put back in the place of its target (Is a directory); the journal stays",
         "b.txt", {{"b.txt", "B-old"}}},
        {"a target of version 3 that became a folder",
         [&](const std::string& shared) {
             WriteFile(shared + "/.qvhost-journal", journal::MainHeader(id) + journal::FileRecord("b.txt", 0, true));
             MakeOwnFolder(shared, id, {{"0.old", "B-old"}});
             fs::create_directory(shared + "/b.txt");
             WriteFile(shared + "/b.txt/x", "X");
         },
         false, "still holds 1 file that could not be put back in the place of its target, so it cannot be removed; its journal stays, "
                "and a command does not write into the folder while it is there\n",
         "b.txt", {{"b.txt", "B-old"}}},
    };
    static std::string shared;
    static bool stranger;
    for (const auto& c : cases) {
        if (c.stranger && !qv_test::RunningAsRoot()) continue;
        Folder folder;
        shared = folder / "shared";
        stranger = c.stranger;
        fs::create_directories(shared);
        fs::permissions(folder.path, static_cast<fs::perms>(0755));
        fs::permissions(shared, static_cast<fs::perms>(01777));
        c.make(shared);
        const int status = RunOwnerJob(
            [] {
                OutputFiles::SetStepHook([](long step) {
                    if (!stranger || step != 1) return;
                    const int dir = open(shared.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                    qv_test::RunAsAnotherUser(dir, [] { return WriteFile(".t0.qvold", "the stranger's"), 0; });
                    close(dir);
                });
                std::string error;
                if (OutputFiles::Current().LockFolder(shared, error)) _exit(0);
                std::fprintf(stderr, "qvhost: %s\n", error.c_str());
                _exit(3);
            },
            folder.path.string() + ".err");
        const std::string message = ReadFile(folder.path.string() + ".err");
        EXPECT_EQ(status, 3) << c.what << ": " << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << c.what << ": " << message;
        EXPECT_NE(message.find(c.line), std::string::npos) << c.what << ": " << message;
        EXPECT_EQ(message.find("were finished"), std::string::npos) << c.what << ": " << message;
        EXPECT_TRUE(fs::exists(shared + "/.qvhost-journal")) << c.what;
        if (c.stranger) {
            EXPECT_EQ(ReadFile(shared + "/t0"), "T0") << c.what;
            struct stat theirs {};
            EXPECT_EQ(lstat((shared + "/.t0.qvold").c_str(), &theirs), 0) << c.what;
            EXPECT_EQ(theirs.st_uid, 65534u) << c.what;
            EXPECT_EQ(ReadFile(shared + "/.t0.qvold"), "the stranger's") << c.what;
        }
        fs::remove_all(shared + "/" + c.inTheWay);
        EXPECT_TRUE(NextCommand(folder, "shared")) << c.what;
        std::map<std::string, std::string> after;
        for (const std::string& name : NamesIn(shared)) after[name] = ReadFile(shared + "/" + name);
        EXPECT_EQ(after, c.after) << c.what;
    }
}

// ---------------------------------------------------------------------------------------
// Faults of the owner that no test above would catch: a library session's names, the bound
// of its temporary names, a version-2 recovery's device, a moved private folder among others.

// A library session's file takes its place, or is discarded, in the folder it was made in,
// which it holds, also when that folder's path leads to another folder since: what lies there
// under the temporary name is neither moved nor removed.
TEST(OutputFiles, ALibrarySessionRenamesAndRemovesOnlyInTheFolderItHolds) {
    for (const bool putInPlace : {true, false}) {
        Folder folder;
        fs::create_directory(folder.path / "lib");
        const int status = RunOwnerJob(
            [&] {
                std::string temporary, error;
                const int fd = OutputFiles::Current().OpenFile(folder / "lib/u.mdx", temporary, error, false);
                if (fd < 0 || write(fd, "mine", 4) != 4 || close(fd) != 0) _exit(4);
                fs::rename(folder.path / "lib", folder.path / "held");
                fs::create_directory(folder.path / "lib");
                WriteFile(temporary, "another");
                if (putInPlace) _exit(OutputFiles::Current().PutInPlace(temporary, folder / "lib/u.mdx") ? 0 : 3);
                OutputFiles::Current().Discard(temporary);
            },
            folder.path.string() + ".err");
        EXPECT_EQ(status, 0) << putInPlace;
        EXPECT_EQ(NamesIn(folder / "held"), putInPlace ? std::vector<std::string>{"u.mdx"} : std::vector<std::string>{})
            << putInPlace;
        if (putInPlace) {
            EXPECT_EQ(ReadFile(folder / "held/u.mdx"), "mine");
        }
        EXPECT_EQ(NamesIn(folder / "lib"), std::vector<std::string>{".u.mdx.qvtmp"}) << putInPlace;
        EXPECT_EQ(ReadFile(folder / "lib/.u.mdx.qvtmp"), "another") << putInPlace;
    }
}

// A library session tries ".NAME.qvtmp" and then ".1" to ".999" appended: the thousandth name
// is still tried, and with all thousand taken the write is refused with the system's reason,
// no other name made.
TEST(OutputFiles, ALibrarySessionTriesAThousandTemporaryNames) {
    for (const int taken : {999, 1000}) {
        Folder folder;
        for (int n = 0; n < taken; ++n) WriteFile(folder / (".u.mdx.qvtmp" + (n == 0 ? "" : "." + std::to_string(n))), "");
        const int status = RunOwnerJob(
            [&] {
                std::string temporary, error;
                const int fd = OutputFiles::Current().OpenFile(folder / "u.mdx", temporary, error, false);
                std::fprintf(stderr, "%s\n", error.c_str());
                if (fd < 0 || close(fd) != 0) _exit(3);
                _exit(OutputFiles::Current().PutInPlace(temporary, folder / "u.mdx") ? 0 : 4);
            },
            folder.path.string() + ".err");
        EXPECT_EQ(status, taken < 1000 ? 0 : 3) << taken;
        EXPECT_EQ(NamesIn(folder.path.string()).size(), static_cast<size_t>(taken) + (taken < 1000)) << taken;
        EXPECT_EQ(ReadFile(folder.path.string() + ".err"),
                  taken < 1000 ? "\n" : OutputFiles::CannotBeWritten(folder / "u.mdx", EEXIST) + "\n");
    }
}

// A name of a version-2 journal that holds, when the recovery acts, a file of the same inode
// number on another device (a file system mounted over it) changed since the check: the
// recovery stops there with its line and acts on it not.
TEST(OutputFiles, AVersion2RecoveryComparesTheDeviceToo) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << "mounting a file system needs root";
    Folder folder;
    static std::string shared, other;
    shared = folder / "shared";
    other = folder / "other";
    fs::create_directories(shared);
    fs::create_directories(other);
    const int status = RunOwnerJob(
        [] {
            // Two fresh file systems number their files alike: "t0" and "x" get one inode number.
            if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("none", shared.c_str(), "tmpfs", 0, nullptr) != 0 || mount("none", other.c_str(), "tmpfs", 0, nullptr) != 0)
                _exit(77);
            WriteFile(shared + "/t0", "T0");
            WriteFile(other + "/x", "X");
            struct stat t0 {}, x {};
            if (stat((shared + "/t0").c_str(), &t0) != 0 || stat((other + "/x").c_str(), &x) != 0 || t0.st_ino != x.st_ino ||
                t0.st_dev == x.st_dev)
                _exit(77);
            WriteFile(shared + "/.qvhost-journal", qv_test::Version2Journal(qv_test::Version2File("t0", ".t0.qvtmp", ".t0.qvold") +
                                                                            qv_test::Version2File("t1", ".t1.qvtmp", "")));
            WriteFile(shared + "/.t0.qvold", "T0-old");
            WriteFile(shared + "/t1", "T1");
            fs::create_hard_link(shared + "/t1", shared + "/.t1.qvtmp");
            // After the recovery's first step (on t1, the last file), "t0" leads to "x".
            OutputFiles::SetStepHook([](long step) {
                if (step == 1) (void)!mount((other + "/x").c_str(), (shared + "/t0").c_str(), nullptr, MS_BIND, nullptr);
            });
            std::string error;
            if (OutputFiles::Current().LockFolder(shared, error)) _exit(0);
            std::fprintf(stderr, "qvhost: %s\n", error.c_str());
            _exit(3);
        },
        folder.path.string() + ".err");
    if (status == 77) GTEST_SKIP() << "no two file systems that number their files alike could be mounted";
    const std::string message = ReadFile(folder.path.string() + ".err");
    EXPECT_EQ(status, 3) << message;
    EXPECT_NE(message.find("/t0: named by a journal of version 2 of qvhost, changed after the command checked it"),
              std::string::npos)
        << message;
}

// Where a stranger moved the private folder a command had just made and another new empty
// folder of the user's appeared beside it, either could be the moved one: neither is removed.
// The one such folder alone is removed, also when the stranger hides it for the first pass of
// the search (out of the folder and back) or keeps it from going where it is found for five
// passes (as one who keeps exchanging it for a folder of its own does), or exchanges it for a
// folder of its own each time the search has just listed it, for four passes.
TEST(OutputFiles, AMovedPrivateFolderIsRemovedOnlyWhenNoOtherCouldBeIt) {
    enum class Search { kAtOnce, kHiddenFromTheFirstPass, kHeldForFivePasses, kExchangedAsListedForFourPasses };
    const struct {
        bool another;
        Search search;
    } cases[] = {{false, Search::kAtOnce}, {true, Search::kAtOnce}, {false, Search::kHiddenFromTheFirstPass},
                 {false, Search::kHeldForFivePasses}, {false, Search::kExchangedAsListedForFourPasses}};
    for (const auto& c : cases) {
        const std::string what = std::to_string(c.another) + " " + std::to_string(static_cast<int>(c.search));
        Folder folder;
        static std::string shared, aside;
        static bool alsoMade;
        static Search search;
        shared = folder / "shared";
        aside = folder / "aside";
        alsoMade = c.another;
        search = c.search;
        fs::create_directories(shared);
        fs::permissions(shared, static_cast<fs::perms>(0777));
        const int status = RunOwnerJob(
            [] {
                OutputFiles::SetStepHook([](long) {
                    for (const std::string& name : NamesIn(shared))
                        if (name.rfind(qv::journal::kOwnPrefix, 0) == 0 && fs::is_directory(shared + "/" + name) &&
                            rename((shared + "/" + name).c_str(), (shared + "/moved").c_str()) == 0 && alsoMade)
                            mkdir((shared + "/also").c_str(), 0700);
                });
                OutputFiles::SetMovedSearchHookForTest([](long pass) {
                    const std::string moved = shared + "/moved";
                    if (search == Search::kHiddenFromTheFirstPass && pass < 2)
                        (void)!rename((pass == 0 ? moved : aside).c_str(), (pass == 0 ? aside : moved).c_str());
                    if (search == Search::kHeldForFivePasses && pass == 0) WriteFile(moved + "/held", "");
                    if (search == Search::kHeldForFivePasses && pass == 5) unlink((moved + "/held").c_str());
                    if (search == Search::kExchangedAsListedForFourPasses && pass == 0) mkdir((shared + "/mine").c_str(), 0700);
                });
                OutputFiles::SetMovedListedHookForTest([](long pass) {
                    if (search == Search::kExchangedAsListedForFourPasses && pass < 4)
                        (void)!renameat2(AT_FDCWD, (shared + "/moved").c_str(), AT_FDCWD, (shared + "/mine").c_str(),
                                         RENAME_EXCHANGE);
                });
                std::string error;
                _exit(OutputFiles::Current().LockFolder(shared, error) && WriteThrough(shared + "/a", "A") ? 0 : 3);
            },
            folder.path.string() + ".err");
        EXPECT_EQ(status, 3) << what;
        std::vector<std::string> folders;
        for (const std::string& name : NamesIn(shared))
            if (fs::is_directory(shared + "/" + name)) folders.push_back(name);
        std::sort(folders.begin(), folders.end());
        const std::vector<std::string> kept = c.another ? std::vector<std::string>{"also", "moved"}
                                              : c.search == Search::kExchangedAsListedForFourPasses ? std::vector<std::string>{"mine"}
                                                                                                      : std::vector<std::string>{};
        EXPECT_EQ(folders, kept) << what;
        EXPECT_FALSE(fs::exists(aside)) << what;
    }
}

// The folders of the user's below `top`, by name.
std::vector<std::string> UsersFoldersBelow(const fs::path& top) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(top)) {
        struct stat status {};
        if (lstat(entry.path().c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid())
            found.push_back(fs::relative(entry.path(), top).string());
    }
    return found;
}

// A stranger who owns the output folder exchanges the private folder of each command there for
// one of its own as soon as it shows: whether the command then fails or says that its files
// stay, it leaves no folder of the user's behind, wherever the stranger moved it.
TEST(OutputFiles, AStrangersExchangeLeavesNoFolderOfTheUsers) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    Folder folder;
    fs::create_directories(folder.path / "pub/o");
    WriteFile(folder / "r.json", Resistors(2));
    ASSERT_EQ(chown((folder / "pub/o").c_str(), 65534, 65534), 0);
    const int dir = open((folder / "pub/o").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    qv_test::AnotherUser stranger(dir, [&] {
        for (long n = 0;; ++n) {
            const std::string mine = "s" + std::to_string(n);
            if (mkdir(mine.c_str(), 0755) != 0) return 1;
            std::string own;
            while ((own = RootsPrivateFolder(".")).empty()) usleep(50);
            renameat2(AT_FDCWD, own.c_str(), AT_FDCWD, mine.c_str(), RENAME_EXCHANGE);
        }
    });
    close(dir);
    int failed = 0;
    for (int run = 0; run < 20; ++run) {
        const int status = WaitAtMost(StartHost(folder, {"describe", "r.json", "-o", "pub/o/a.desc"}), 60);
        ASSERT_TRUE(status == 0 || status == 2) << run;
        failed += status == 2;
    }
    stranger.Stop();
    EXPECT_GT(failed, 0);
    EXPECT_EQ(UsersFoldersBelow(folder.path / "pub/o"), std::vector<std::string>{});
}

// The name of the command's private folder in `folder`, or "".
std::string PrivateFolderIn(const std::string& folder) {
    for (const std::string& name : NamesIn(folder))
        if (name.rfind(qv::journal::kOwnPrefix, 0) == 0 && fs::is_directory(folder + "/" + name)) return folder + "/" + name;
    return std::string();
}

// What the owner checks before a file takes its place and when it finishes a folder, each
// broken by hand in the middle of a command: the temporary file exchanged for another, the
// output folder replaced under a folder below it that the command holds, a private folder that
// cannot be removed (before or after the commit point), or one moved away while it still holds
// earlier contents that could not be put back. The command refuses the file, or keeps the
// journal that a recovery needs and never reports success.
TEST(OutputFiles, WhatTheOwnerChecksBeforeAFileTakesItsPlaceAndAtTheEnd) {
    static std::string o;
    const struct {
        const char* what;
        bool (*job)();               // in the command's process: whether the owner refused as it should
        const char* journalLeft;     // the journal that stays ("" for none)
        const char* unchanged = "";  // a file that keeps its earlier contents, below the test's folder
    } cases[] = {
        {"a temporary file exchanged for another",
         [] {
             std::string temporary, error;
             const int fd = OutputFiles::Current().OpenFile(o + "/a.desc", temporary, error);
             if (fd < 0 || write(fd, "after", 5) != 5 || close(fd) != 0 || rename(temporary.c_str(), (o + "/sub/kept").c_str()) != 0)
                 return false;
             WriteFile(temporary, "other");
             return !OutputFiles::Current().PutInPlace(temporary, o + "/a.desc") && !OutputFiles::Current().JournalFault().empty();
         },
         "", "o/a.desc"},
        {"the output folder replaced above a folder below it that the command holds",
         [] {
             if (!WriteThrough(o + "/sub/s.mdx", "after") || rename(o.c_str(), (o + ".moved").c_str()) != 0) return false;
             fs::create_directories(o + "/sub");
             std::string temporary, error;
             return OutputFiles::Current().OpenFile(o + "/sub/n.mdx", temporary, error) < 0 &&
                    error.find("the folder was replaced while the command ran") != std::string::npos;
         },
         "", "o.moved/sub/s.mdx"},
        {"a private folder that cannot be removed after the commit point",
         [] {
             if (!WriteThrough(o + "/a.desc", "after")) return false;
             WriteFile(PrivateFolderIn(o) + "/extra", "X");
             std::string error;
             return !OutputFiles::Current().Commit(error) && error.find("cannot be removed") != std::string::npos;
         },
         ".qvhost-committed"},
        {"a private folder that cannot be removed when the files are taken back",
         [] {
             if (!WriteThrough(o + "/a.desc", "after")) return false;
             WriteFile(PrivateFolderIn(o) + "/extra", "X");
             OutputFiles::Current().Settle(false);
             return true;
         },
         ".qvhost-journal"},
        {"a private folder moved away while it holds earlier contents that cannot be put back",
         [] {
             if (!WriteThrough(o + "/a.desc", "after") || unlink((o + "/a.desc").c_str()) != 0) return false;
             fs::create_directory(o + "/a.desc");
             WriteFile(o + "/a.desc/x", "X");
             if (rename(PrivateFolderIn(o).c_str(), (o + "/moved").c_str()) != 0) return false;
             OutputFiles::Current().Settle(false);
             return true;
         },
         ".qvhost-journal"},
    };
    for (const auto& c : cases) {
        Folder folder;
        o = folder / "o";
        fs::create_directories(o + "/sub");
        WriteFile(o + "/a.desc", "before");
        WriteFile(o + "/sub/s.mdx", "before");
        static bool (*job)();
        job = c.job;
        const int status = RunOwnerJob(
            [] {
                std::string error;
                const bool refused = OutputFiles::Current().LockFolder(o, error) && job();
                OutputFiles::Current().Settle(false);
                _exit(refused ? 0 : 3);
            },
            folder.path.string() + ".err");
        EXPECT_EQ(status, 0) << c.what << ": " << ReadFile(folder.path.string() + ".err");
        const std::string left = std::string(c.journalLeft);
        for (const char* journal : {qv::journal::kJournalName, qv::journal::kCommittedName})
            EXPECT_EQ(fs::exists(o + "/" + journal), left == journal) << c.what << ": " << journal;
        if (*c.unchanged != '\0') {
            EXPECT_EQ(ReadFile(folder / c.unchanged), "before") << c.what;
        }
    }
}

// An edit whose journal cannot be written (the disk full at its first line) prints its
// schematic nowhere: not through a temporary file, and not through the output's own path
// either. The earlier output keeps its bytes, and the line names the journal.
TEST(OutputFiles, AnEditWhoseJournalFailsWritesNoOutput) {
    Folder folder;
    fs::create_directories(folder.path / "o");
    WriteFile(folder / "r.json", Resistors(1));
    WriteFile(folder / "ok.txt", "ok\n");
    WriteFile(folder / "o/e.json", "before");
    const auto before = folder.Snapshot();
    const int status =
        Wait(StartHost(folder, {"edit", "r.json", "--element", "R0", "--script", "ok.txt", "-o", "o/e.json"}, Faults{0, SIGKILL, false, 1}));
    const std::string message = ReadFile(folder.path.string() + ".err");
    EXPECT_EQ(status, 2) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_NE(message.find(".qvhost-journal: cannot be written: No space left on device"), std::string::npos) << message;
    EXPECT_EQ(folder.Snapshot(), before);
}

namespace {

// Writes a data file as a page does (not a command's own output); false when it fails.
bool WritePageFile(const std::string& target, const std::string& bytes) {
    std::string temporary;
    std::string error;
    const int fd = OutputFiles::Current().OpenFile(target, temporary, error, false);
    if (fd < 0) return false;
    const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return close(fd) == 0 && written && OutputFiles::Current().PutInPlace(temporary, target);
}

} // namespace

// An edit session's data files go with its commits, in a command (journaled) and in a library
// user's own session alike: a Cancel gives each file what it held at the last commit, a file
// that was not there goes (but not one the user put in its place since), and an inner session
// ended by OK leaves its files to the outer one.
TEST(OutputFiles, ASessionsCancelGivesItsFilesWhatTheyHeldAtItsLastCommit) {
    for (const bool command : {true, false}) {
        Folder folder;
        WriteFile(folder / "a.mdx", "the user's a");
        const int status = RunOwnerJob(
            [&] {
                std::string error;
                OutputFiles& owner = OutputFiles::Current();
                if (command && !owner.LockFolder(folder.path.string(), error)) _exit(10);
                owner.BeginSession();
                if (!WritePageFile(folder / "a.mdx", "applied a") || !WritePageFile(folder / "n.mdx", "applied n")) _exit(11);
                owner.CommitSession();
                if (!WritePageFile(folder / "a.mdx", "pending a") || !WritePageFile(folder / "m.mdx", "pending m") ||
                    !WritePageFile(folder / "g.mdx", "pending g"))
                    _exit(12);
                owner.BeginSession();
                if (!WritePageFile(folder / "n.mdx", "inner n")) _exit(13);
                if (!owner.EndSession(false, error)) _exit(14);
                owner.BeginSession();
                if (!WritePageFile(folder / "m.mdx", "cancelled m") || !owner.EndSession(true, error) ||
                    ReadFile(folder / "m.mdx") != "pending m")
                    _exit(15);
                // The user puts a file of their own where the session made one.
                WriteFile(folder / "users", "the user's g");
                if (rename((folder / "users").c_str(), (folder / "g.mdx").c_str()) != 0) _exit(16);
                if (!owner.EndSession(true, error)) _exit(17);
                _exit(owner.Settle(true, &error) ? 0 : 18);
            },
            folder.path.string() + ".err");
        EXPECT_EQ(0, status) << command << ReadFile(folder.path.string() + ".err");
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(folder.path)) files[entry.path().filename()] = ReadFile(entry.path());
        EXPECT_EQ((std::map<std::string, std::string>{
                      {"a.mdx", "applied a"}, {"g.mdx", "the user's g"}, {"n.mdx", "applied n"}}),
                  files)
            << command;
    }
}

// What another user could turn against a command of root's: links in a folder everyone may
// write into, temporary files opened while they are written, private folders exchanged.

namespace {

// The line that refuses another user's link at `link` (a path without links).
std::string StrangersLinkLine(const std::string& link) {
    return "qvhost: " + qv::ShownPath(link) +
           ": is a symbolic link of nobody in a folder that everyone may write into, and such a link is followed only "
           "when it is the user's own or the folder owner's\n";
}

} // namespace

// In a folder everyone may write into (mode 1777, as /tmp is), a link that leads into a folder
// only root may enter is followed only when it is root's own: another user's is refused with one
// line that names it and its owner, for `-o`, a folder on the way, a data file and a library
// user's own session alike, and nothing in root's folder changes.
TEST(OutputFiles, AStrangersLinkInAFolderEveryoneWritesIntoIsNotFollowed) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    const struct {
        const char* what;
        std::vector<std::string> command;   // empty: a library user's own session writes shared/n.mdx
        const char* link;                   // in shared/
        const char* leadsTo;                // below the test's folder
        bool strangers;
    } cases[] = {
        {"save -o", {"save", "r.json", "-o", "shared/n.qva"}, "n.qva", "rootonly/keep.qva", true},
        {"describe -o, to a new file", {"describe", "r.json", "-o", "shared/n.desc"}, "n.desc", "rootonly/new.desc", true},
        {"a folder on the way", {"save", "r.json", "-o", "shared/d/keep.qva"}, "d", "rootonly", true},
        {"a data file", {"describe", "r.json", "-o", "shared/x.desc"}, "D__R0.mdx", "rootonly/keep.mdx", true},
        {"a library user's own session", {}, "n.mdx", "rootonly/keep.mdx", true},
        {"root's own link", {"save", "r.json", "-o", "shared/n.qva"}, "n.qva", "rootonly/keep.qva", false},
    };
    for (const auto& c : cases) {
        Folder folder;
        fs::create_directories(folder.path / "shared");
        fs::create_directories(folder.path / "rootonly");
        fs::permissions(folder.path, static_cast<fs::perms>(0755));
        fs::permissions(folder.path / "shared", static_cast<fs::perms>(01777));
        fs::permissions(folder.path / "rootonly", static_cast<fs::perms>(0700));
        WriteFile(folder / "r.json", Resistors(2));
        WriteFile(folder / "rootonly/keep.qva", "root's");
        WriteFile(folder / "rootonly/keep.mdx", "root's");
        const std::string leadsTo = folder / c.leadsTo;
        const std::string link = fs::canonical(folder.path / "shared").string() + "/" + c.link;
        if (c.strangers) {
            const int dir = open((folder / "shared").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ASSERT_EQ(qv_test::RunAsAnotherUser(dir, [&] { return symlink(leadsTo.c_str(), c.link); }), 0) << c.what;
            close(dir);
        } else {
            ASSERT_EQ(symlink(leadsTo.c_str(), link.c_str()), 0);
        }
        const auto rootonly = folder.Snapshot("rootonly");
        int status = 0;
        if (c.command.empty()) {
            status = RunOwnerJob(
                [&] {
                    std::string temporary, error;
                    const int fd = OutputFiles::Current().OpenFile(folder / "shared/n.mdx", temporary, error, false);
                    std::fprintf(stderr, "qvhost: %s\n", error.c_str());
                    if (fd >= 0 || errno != EACCES) _exit(3);
                    // A page's write says the same.
                    qv::Host host;
                    CReadAndWriteFiles file;
                    const double value = 1;
                    if (!file.SetNrChannels(1) || !file.SetNrItems(1) || !file.InsertChannel(0, &value, "v", "") ||
                        file.WriteFile((folder / "shared/n.mdx").c_str()))
                        _exit(4);
                    const std::string shown(file.GetLastError());
                    _exit(shown.find(error) != std::string::npos ? 2 : 5);
                },
                folder.path.string() + ".err");
        } else {
            status = RunHostIn(folder, c.command);
        }
        const std::string message = ReadFile(folder.path.string() + ".err");
        if (!c.strangers) {
            EXPECT_EQ(status, 0) << c.what << ": " << message;
            EXPECT_NE(ReadFile(folder / "rootonly/keep.qva"), "root's") << c.what;
            continue;
        }
        EXPECT_EQ(status, 2) << c.what;
        EXPECT_EQ(message, StrangersLinkLine(link)) << c.what;
        EXPECT_EQ(folder.Snapshot("rootonly"), rootonly) << c.what;
    }
}

// Every temporary file is made open to no other user before its first byte is written, a
// library user's own session's beside its target as a command's in its private folder: a
// stranger cannot open it to read what it holds once it takes the target's place. In place, a
// new file has the permissions every new file gets, and a replaced one keeps its own.
TEST(OutputFiles, ATemporaryFileIsOpenToNoOtherUserWhileItIsWritten) {
    const mode_t mask = umask(0);
    umask(mask);
    const struct {
        bool command;
        mode_t target;   // 0: a new file
    } cases[] = {{false, 0}, {false, 0600}, {false, 0644}, {true, 0}, {true, 0640}};
    for (const auto& c : cases) {
        Folder folder;
        fs::permissions(folder.path, static_cast<fs::perms>(0755));
        const std::string target = folder / "t.mdx";
        if (c.target != 0) {
            WriteFile(target, "before");
            ASSERT_EQ(chmod(target.c_str(), c.target), 0);
        }
        const std::string what = std::to_string(c.command) + " " + std::to_string(c.target);
        const int status = RunOwnerJob(
            [&] {
                std::string temporary, error;
                OutputFiles& owner = OutputFiles::Current();
                if (c.command && !owner.LockFolder(folder.path.string(), error)) _exit(10);
                const int fd = owner.OpenFile(target, temporary, error, c.command);
                struct stat made {};
                if (fd < 0 || fstat(fd, &made) != 0) _exit(11);
                // A stranger who may enter the temporary file's folder tries to open it.
                const std::string within = fs::path(temporary).parent_path().string();
                const int dir = open(within.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                const std::string name = fs::path(temporary).filename().string();
                const bool opened = qv_test::RunningAsRoot() &&
                                    qv_test::RunAsAnotherUser(dir, [&] { return open(name.c_str(), O_RDONLY) >= 0 ? 0 : 1; }) == 0;
                close(dir);
                std::fprintf(stderr, "made %o%s\n", made.st_mode & 07777, opened ? ", opened by a stranger" : "");
                if (write(fd, "after", 5) != 5 || close(fd) != 0 || !owner.PutInPlace(temporary, target)) _exit(12);
                _exit(owner.Settle(true) ? 0 : 13);
            },
            folder.path.string() + ".err");
        EXPECT_EQ(status, 0) << what;
        EXPECT_EQ(ReadFile(folder.path.string() + ".err"), "made 600\n") << what;
        struct stat now {};
        ASSERT_EQ(stat(target.c_str(), &now), 0) << what;
        EXPECT_EQ(now.st_mode & 07777, c.target != 0 ? c.target : 0666 & ~mask) << what;
        EXPECT_EQ(ReadFile(target), "after") << what;
    }
}

// A stranger who owns the output folder keeps exchanging the private folder of each command
// there with a folder of its own, back and forth as fast as it can, so that a name holds the
// command's folder one moment and the stranger's the next: whether the command fails or says
// that its files stay, no folder of the user's stays behind.
TEST(OutputFiles, AStrangerWhoKeepsExchangingLeavesNoFolderOfTheUsers) {
    if (!qv_test::RunningAsRoot()) GTEST_SKIP() << qv_test::kNeedsRootToSwitchUsers;
    Folder folder;
    fs::create_directories(folder.path / "pub/o");
    WriteFile(folder / "r.json", Resistors(2));
    ASSERT_EQ(chown((folder / "pub/o").c_str(), 65534, 65534), 0);
    const int dir = open((folder / "pub/o").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    qv_test::AnotherUser stranger(dir, [&] {
        for (;;) {
            (void)mkdir("mine", 0755);
            for (const std::string& name : NamesIn("."))
                if (name.rfind(qv::journal::kOwnPrefix, 0) == 0 && fs::is_directory(name))
                    for (int n = 0; n < 1000; ++n) renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, "mine", RENAME_EXCHANGE);
        }
        return 0;
    });
    close(dir);
    for (int run = 0; run < 20; ++run) {
        const int status = WaitAtMost(StartHost(folder, {"describe", "r.json", "-o", "pub/o/a.desc"}), 60);
        ASSERT_TRUE(status == 0 || status == 2) << run;
    }
    stranger.Stop();
    EXPECT_EQ(UsersFoldersBelow(folder.path / "pub/o"), std::vector<std::string>{});
}
