// The main job of the host at scale, on a mixed schematic: its elements cycle through 27
// element kinds of most families (kMixedKinds), about a quarter of which write a data file.
//
// DescribeCommand/N is what `qvhost describe` does, in this process, with the schematic text of
// N such elements: read the text once to check it, the files the description will write and
// every element, then read it again and make, describe and destroy the elements one by one as
// they are read. It runs for N = 1,000 and N = 10,000; bench/check_host_bench.py fails when the
// larger takes more than 11 times as long as the smaller: every step of the job must grow
// linearly.
//
// JournaledDescribe/disk and JournaledDescribe/memory describe, in this process, 3,000 resistors
// with tables of data pairs (half of them with "file": "sub/fN.mdx") into a fresh folder on a
// disk and one on a memory file system, interleaved: the wall-clock time of each, and the
// syncs the owner of output files made per data file (syncs_per_data_file). The journal and
// the files are synced once per batch, not per file, so that the disk's latency is paid a few
// times per folder; bench/check_host_bench.py fails when the disk takes more than twice the
// memory file system's time, or the syncs exceed 1.2 per data file plus a few per folder.
//
// DescribeBuilt/N writes the description of a schematic of resistors built beforehand (half of
// them nonlinear), as an edit session's host does; it is shown, not checked.
//
// With --scale=N1,N2,... the program instead runs the host program itself on mixed schematics
// of N elements: `describe`, `save`, `load -o` of what was saved, `edit -o` (a rename of the
// element in the middle of the schematic) and `svg --symbol` of a resistor near its end, each
// as a child process
// once per repetition, and reports the processor time the child took (as the benchmark's time:
// other load on the machine adds little to it), its wall-clock time (wall_s) and its peak
// resident set (peak_rss_MB). bench/check_host_bench.py runs it on 2,000 and 20,000 elements
// for its memory gate, and (with --scale, by hand) on 100,000 and 1,000,000; a
// --benchmark_filter such as "^Qvhost/load/" picks commands.
//
// With --rows=N1,N2,... it runs the host program in the same way on a schematic of one
// nonlinear resistor whose characteristic is a table of N data pairs (RowsCommand):
// Qvhost/rows_describe/N, rows_save, rows_load and rows_edit, with the time and the peak
// resident set per row besides. bench/check_host_bench.py compares 100,000 with 1,000,000 rows.
//
// With --grid=S1,S2,... it runs the host program on a schematic of one 3D lookup table whose
// page opens a data file of S x S points (GridCommand): Qvhost/grid_describe/S, grid_save and
// grid_load; with --sweep=N1,N2,... on one whose x axis is swept to N values under one y value:
// Qvhost/sweep_describe/N. Both give the time and the peak resident set per point besides.
// bench/check_host_bench.py compares 632 x 632 with 2,000 x 2,000 points and 100,000 with
// 1,000,000 swept values.
#include "editor/host.h"
#include "editor/output_files.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/time.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string ProgramFolder() {
    char buffer[4096] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string self(buffer, length);
    const size_t slash = self.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : self.substr(0, slash + 1);
}

std::string& ScratchRoot() {
    static std::string root = [] {
        // A memory file system when there is one, even where TMPDIR names a disk (as the test
        // command's sandbox does): the data files are synced to their medium when written, and
        // a disk's latency and journal would drown the job being measured and make its growth
        // depend on the disk. The folder is made here and removed at exit.
        const char* tmp = std::getenv("TMPDIR");
        std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
        if (std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0) base = "/dev/shm";
        std::string pattern = base + "/host_bench_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern + "/";
    }();
    return root;
}

// The schematic text of n resistors; every `nonlinearEvery`-th one (0: none) has a
// characteristic of 4 data pairs, the others a value of their own.
std::string SchematicText(int n, int nonlinearEvery) {
    std::ostringstream text;
    text << "{\"document\": \"Bench\", \"elements\": [\n";
    for (int i = 0; i < n; ++i) {
        text << (i == 0 ? "" : ",\n") << "{\"id\": 15, \"name\": \"R" << i + 1 << "\", ";
        if (nonlinearEvery > 0 && i % nonlinearEvery == nonlinearEvery - 1) {
            const double slope = 1e-3 * (1 + i % 7);
            text << "\"characteristic\": {\"kind\": \"data-pairs\", \"points\": [";
            for (int k = -1; k <= 2; ++k) {
                char pair[80];
                std::snprintf(pair, sizeof pair, "%s[%d, %.17g]", k == -1 ? "" : ", ", k, slope * k * (1 + 0.1 * k));
                text << pair;
            }
            text << "]}}";
        } else {
            text << "\"parameters\": {\"R\": \"" << 100 + i << "k\"}}";
        }
    }
    text << "\n]}\n";
    return text.str();
}

// The element kinds of the mixed schematic, one of each of most families, as the examples
// place them: the prefix of its elements' names and its text, where "@NAME" stands for the
// element's name and "@FILE" for the name of the data file its table page writes.
struct MixedKind {
    const char* prefix;
    const char* text;
};
constexpr MixedKind kMixedKinds[] = {
    {"R", R"({"id":15,"name":"@NAME","parameters":{"R":"4.7k"},"outputs":["I"]})"},   // resistor_network
    {"RNL", R"({"id":15,"name":"@NAME","characteristic":{"kind":"data-pairs","points":[[-2,-0.004],[-1,-0.0015],[0,0],[1,0.0015],[2,0.004]]}})"},   // resistor_network
    {"G", R"({"id":16,"name":"@NAME","parameters":{"G":"250u"},"outputs":["V"]})"},   // resistor_network
    {"C", R"({"id":17,"name":"@NAME","parameters":{"C":"10u","V0":"1"},"outputs":["V"]})"},   // storage_elements
    {"LNL", R"({"id":18,"name":"@NAME","characteristic":{"kind":"data-pairs","points":[[-0.01,-2],[0,0],[0.01,2]]}})"},   // storage_elements
    {"MK", R"({"id":19,"name":"@NAME","parameters":{"L1":"LA","L2":"LB","K":"0.95"}})"},   // coupled_inductors
    {"V", R"({"id":3,"name":"@NAME","parameters":{"EMF":"230"},"script":["click 2520","ok"]})"},   // linear_sources
    {"I", R"({"id":4,"name":"@NAME","parameters":{"AMPL":{"value":"5","unit":"mA"}},"script":["click 2031","choose 2032 Trapezoidal","type 2051 TR","type 2055 PW","type 2053 TF","ok"]})"},   // linear_sources
    {"E", R"({"id":1,"name":"@NAME","parameters":{"QUANT":"R1","FACT":"2.5"},"outputs":["V"]})"},   // controlled_sources
    {"O", R"({"id":29,"name":"@NAME","parameters":{"AMPL":"5"},"script":["type 2042 45","ok"]})"},   // generator_sources
    {"F", R"({"id":85,"name":"@NAME","script":["click 2323","type 2328 3","type 2326 60","click 2321","cell 2329 1 2 10","cell 2329 2 3 \"20 %\"","cell 2329 3 5 \"90 \u00b0\"","ok"]})"},   // generator_sources
    {"D", R"({"id":8,"name":"@NAME","outputs":["I"],"script":["choose 2080 \"XY-Data Pairs\"","sheet ok {","  click 2397","  click 1124","  click 1122","  cell 2121 0 1 \"0\"","  cell 2121 0 2 \"0\"","  click 1122","  cell 2121 1 1 \"0.7\"","  cell 2121 1 2 \"1\"","  click 1122","  cell 2121 2 1 \"1\"","  cell 2121 2 2 \"10\"","}","click 2016","ok"]})"},   // rectifier
    {"TH", R"({"id":13,"name":"@NAME","parameters":{"VF":"1.2","CTRL":"FIRE"},"outputs":["V"]})"},   // rectifier
    {"K", R"({"id":32,"name":"@NAME","parameters":{"K":"2.5","IN":"E1.OUT"}})"},   // control_loop
    {"G", R"({"id":33,"name":"@NAME","parameters":{"IN":"K1.OUT"},"outputs":["OUT"],"script":["type 2193 \"2\"","cell 2195 0 1 \"1\"","cell 2195 1 1 \"0.5\"","cell 2195 2 1 \"0.1\"","cell 2194 0 1 \"4\"","ok"]})"},   // control_loop
    {"DF", R"({"id":54,"name":"@NAME","parameters":{"IN":"U"},"outputs":["OUT"],"script":["choose 2236 \"Butterworth\"","choose 2238 \"Band Pass\"","type 2240 \"2\"","type 2243 \"100\"","type 2244 \"200\"","type 2202 \"1m\"","ok"]})"},   // digital_filter
    {"E", R"({"id":58,"name":"@NAME","parameters":{"INPUT[0]":"W","INPUT[1]":"G1.OUT"},"script":["cell 2132 1 2 \"-\"","ok"]})"},   // control_loop
    {"LIM", R"({"id":60,"name":"@NAME","parameters":{"IN":"W"},"outputs":["OUT"],"script":["type 2151 \"10\"","type 2152 \"-10\"","ok"]})"},   // static_function_blocks
    {"K", R"({"id":65,"name":"@NAME","parameters":{"INPUT":"W"},"outputs":["OUT"],"characteristic":{"kind":"data-pairs","points":[[-2,-1],[0,0],[1,0.5],[2,4]]}})"},   // nonlinear_characteristic
    {"INT", R"({"id":47,"name":"@NAME","parameters":{"IN":"x"},"script":["type 2151 \"10\"","type 2152 \"-10\"","type 2187 \"1\"","click 2387","type 2193 \"rst\"","type 2195 \"0.5\"","ok"]})"},   // dynamic_blocks
    {"SIN", R"({"id":35,"name":"@NAME","outputs":["OUT"],"script":["click 2204","type 2050 230","type 2036 60","ok"]})"},   // time_functions
    {"SAW", R"({"id":36,"name":"@NAME","outputs":["OUT"],"script":["choose 2207 Falling","type 2036 1k","ok"]})"},   // time_function_waves
    {"DP", R"({"id":43,"name":"@NAME","outputs":["OUT"],"script":["click 1122","click 1122","click 1122","cell 2121 0 1 \"0\"","cell 2121 0 2 \"0\"","cell 2121 1 1 \"1m\"","cell 2121 1 2 \"5\"","cell 2121 2 1 \"2m\"","cell 2121 2 2 \"0\"","choose 2215 Without","click 2116","type 2117 \"@FILE\"","ok"]})"},   // signal_tables
    {"C", R"({"id":55,"name":"@NAME","parameters":{"CONST":"5"},"script":["click 2520","page 1","ok"]})"},   // time_functions
    {"LT", R"({"id":78,"name":"@NAME","parameters":{"IN":"W"},"script":["click 1122","click 1122","click 1122","cell 2121 0 1 \"0\"","cell 2121 0 2 \"0\"","cell 2121 1 1 \"1\"","cell 2121 1 2 \"2\"","cell 2121 2 1 \"2\"","cell 2121 2 2 \"3\"","click 2273","type 2275 \"V\"","click 2116","type 2117 \"@FILE\"","ok"]})"},   // lookup_table_2d
    {"EQ", R"({"id":79,"name":"@NAME","parameters":{"INPUT[1]":"W"},"script":["cell 2279 0 0 \"VAL[1] := 2*INPUT[1] + 1\"","ok"]})"},   // equation_block
    {"AM", R"({"id":5,"name":"@NAME","outputs":["I"],"script":["click 2076","ok"]})"},   // meters
};
constexpr int kMixedKindCount = static_cast<int>(sizeof kMixedKinds / sizeof kMixedKinds[0]);

// The schematic text of n elements that cycle through kMixedKinds: the k-th element (from 1)
// is named "<prefix>x<k>". About a quarter of them write a data file when described.
std::string MixedSchematicText(int n) {
    std::string text = "{\"document\": \"Mixed\", \"elements\": [\n";
    for (int i = 0; i < n; ++i) {
        const MixedKind& kind = kMixedKinds[i % kMixedKindCount];
        const std::string name = kind.prefix + std::string("x") + std::to_string(i + 1);
        std::string file = name + "_tab";
        for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string element = kind.text;
        for (const auto& [placeholder, value] : {std::pair<std::string, std::string>{"@NAME", name}, {"@FILE", file}})
            if (const size_t at = element.find(placeholder); at != std::string::npos)
                element.replace(at, placeholder.size(), value);
        text += (i == 0 ? "" : ",\n") + element;
    }
    return text + "\n]}\n";
}

std::unique_ptr<qv::Host> StartedHost() {
    auto host = std::make_unique<qv::Host>();
    std::string error;
    const std::string bin = ProgramFolder();
    if (!host->Start({bin + "Parvel.so", qv::DefaultCatalogueFolder(bin)}, error)) {
        std::fprintf(stderr, "host_bench: %s\n", error.c_str());
        std::exit(1);
    }
    return host;
}

std::string FolderFor(const std::string& name) {
    const std::string folder = ScratchRoot() + name + "/";
    std::filesystem::create_directories(folder);
    return folder;
}

// Texts of the command benchmark, made before anything is measured.
const std::string& CommandText(int n) {
    static std::map<int, std::string> texts;
    auto it = texts.find(n);
    if (it == texts.end()) it = texts.emplace(n, MixedSchematicText(n)).first;
    return it->second;
}

// Describes the mixed schematic of n elements as `qvhost describe` does, with the editor's
// check of each OK the elements' scripts press on or off.
void Describe(benchmark::State& state, bool checked) {
    const int n = static_cast<int>(state.range(0));
    const std::string& text = CommandText(n);
    const std::string folder = FolderFor((checked ? "command" : "unchecked") + std::to_string(n));
    static std::unique_ptr<qv::Host> host = StartedHost();
    host->SetCommitCheck(checked);
    std::vector<std::string> written;
    std::string error;
    for (auto _ : state) {
        qv::DescribePlan plan;
        if (!host->PlanDescription(text, folder + "bench.desc", plan, error) ||
            !host->DescribeSchematicText(text, plan, folder, folder + "bench.desc", written, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(written.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["data_files"] = static_cast<double>(written.size() > 0 ? written.size() - 1 : 0);
    host->SetCommitCheck(true);
}

void DescribeCommand(benchmark::State& state) { Describe(state, true); }
BENCHMARK(DescribeCommand)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(0.2);

// The same without the editor's check of each OK, shown beside DescribeCommand.
void DescribeUnchecked(benchmark::State& state) { Describe(state, false); }
BENCHMARK(DescribeUnchecked)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(0.2);

double ThreadSeconds() {
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// What the editor's check of each OK costs describe: the mixed schematic of n elements is
// described with the check and without it, in turn, kPairs times (the one first in one pair
// goes second in the next), and each pair's ratio of processor times is taken. The median of
// those ratios is check_ratio: both sides of a pair are measured a moment apart, so that load
// on the machine falls on both alike. Describe takes the text the check made rather than make
// it again, so the ratio stays near 1 (bench/check_host_bench.py fails above 1.10).
void DescribeCheckCost(benchmark::State& state) {
    constexpr int kPairs = 11;
    const int n = static_cast<int>(state.range(0));
    const std::string& text = CommandText(n);
    static std::unique_ptr<qv::Host> host = StartedHost();
    std::vector<double> ratios;
    double fastest[2] = {1e300, 1e300};
    std::vector<std::string> written;
    std::string error;
    const auto describe = [&](bool checked) {
        const std::string folder = FolderFor((checked ? "cost" : "costless") + std::to_string(n));
        host->SetCommitCheck(checked);
        const double start = ThreadSeconds();
        qv::DescribePlan plan;
        const bool ok = host->PlanDescription(text, folder + "bench.desc", plan, error) &&
                        host->DescribeSchematicText(text, plan, folder, folder + "bench.desc", written, error);
        host->SetCommitCheck(true);
        const double took = ThreadSeconds() - start;
        fastest[checked ? 0 : 1] = std::min(fastest[checked ? 0 : 1], took);
        return ok ? took : -1.0;
    };
    for (auto _ : state) {
        for (int pair = 0; pair < kPairs; ++pair) {
            const bool checkedFirst = pair % 2 == 0;
            const double first = describe(checkedFirst);
            const double second = first < 0 ? -1.0 : describe(!checkedFirst);
            if (first < 0 || second < 0) {
                state.SkipWithError(error.c_str());
                return;
            }
            ratios.push_back(checkedFirst ? first / second : second / first);
        }
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["check_ratio"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
    state.counters["checked_ms"] = fastest[0] * 1e3;
    state.counters["unchecked_ms"] = fastest[1] * 1e3;
}
BENCHMARK(DescribeCheckCost)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Reading alone, to tell the reader's share of DescribeCommand (shown, not checked).
void ReadSchematicText(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string& text = CommandText(n);
    std::string error;
    for (auto _ : state) {
        qv::Schematic schematic;
        if (!qv::ReadSchematic(text, schematic, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(schematic.elements.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(ReadSchematicText)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(0.2);

bool OnMemoryFileSystem(const std::string& folder) {
    struct statfs info {};
    return ::statfs(folder.c_str(), &info) == 0 && (info.f_type == TMPFS_MAGIC || info.f_type == RAMFS_MAGIC);
}

// A folder on a disk for JournaledDescribe: beside the program (a build folder lies on one),
// else in $TMPDIR or /var/tmp; "" when there is none. Made here and removed at exit.
std::string& DiskRoot() {
    static std::string root = [] {
        const char* tmp = std::getenv("TMPDIR");
        for (std::string base : {ProgramFolder(), std::string(tmp != nullptr ? tmp : ""), std::string("/var/tmp")}) {
            if (base.empty() || ::access(base.c_str(), W_OK) != 0 || OnMemoryFileSystem(base)) continue;
            std::string pattern = base + (base.back() == '/' ? "" : "/") + "host_bench_disk_XXXXXX";
            if (::mkdtemp(pattern.data()) == nullptr) continue;
            // The folders made in it are spread over the disk as top-level folders are (where
            // the file system can): beside a build folder's, whose files come and go, looking
            // for a free file takes longer than writing it.
            if (const int fd = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY); fd >= 0) {
                int flags = 0;
                if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                    flags |= FS_TOPDIR_FL;
                    (void)::ioctl(fd, FS_IOC_SETFLAGS, &flags);
                }
                ::close(fd);
            }
            return pattern + "/";
        }
        return std::string();
    }();
    return root;
}

constexpr int kJournalElements = 3000;

// n resistors with tables of data pairs; every second one names its file "sub/f<k>".
std::string DataPairsText(int n) {
    std::string text = "{\"document\": \"J\", \"elements\": [\n";
    for (int i = 0; i < n; ++i) {
        text += (i == 0 ? "" : ",\n") + std::string("{\"id\": 15, \"name\": \"R") + std::to_string(i) +
                "\", \"characteristic\": {\"kind\": \"data-pairs\", \"points\": [[0, 0], [1, " + std::to_string(i % 7 + 1) +
                "]]" + (i % 2 == 1 ? ", \"file\": \"sub/f" + std::to_string(i) + "\"" : std::string()) + "}}";
    }
    return text + "\n]}\n";
}

void JournaledDescribe(benchmark::State& state, bool onDisk) {
    const std::string root = onDisk ? DiskRoot() : ScratchRoot();
    if (root.empty() || OnMemoryFileSystem(root) == onDisk) {
        state.SkipWithError(onDisk ? "no disk to write to" : "no memory file system to write to");
        return;
    }
    static const std::string text = DataPairsText(kJournalElements);
    static std::unique_ptr<qv::Host> host = StartedHost();
    std::vector<std::string> calls, written;
    size_t syncs = 0;
    static int runs = 0;
    for (auto _ : state) {
        // A new folder each time (removed at exit: a file system that has just freed thousands
        // of files spends its time looking for free ones), with what was left to write on disk
        // written before the clock starts.
        const std::string folder = root + "journaled" + std::to_string(++runs) + "/";
        std::filesystem::create_directories(folder + "sub");
        if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); fd >= 0) {
            ::syncfs(fd);
            ::close(fd);
        }
        calls.clear();
        qv::OutputFiles::RecordCallsForTest(&calls);
        const auto start = std::chrono::steady_clock::now();
        qv::DescribePlan plan;
        std::string error;
        const bool ok = host->PlanDescription(text, folder + "j.desc", plan, error) &&
                        host->DescribeSchematicText(text, plan, folder, folder + "j.desc", written, error);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        qv::OutputFiles::RecordCallsForTest(nullptr);
        if (!ok) {
            state.SkipWithError(error.c_str());
            return;
        }
        syncs = static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [](const std::string& call) {
            return call.compare(0, 4, "sync") == 0;
        }));
    }
    const double dataFiles = written.empty() ? 0.0 : static_cast<double>(written.size() - 1);
    state.counters["data_files"] = dataFiles;
    state.counters["folders"] = 2;
    state.counters["syncs"] = static_cast<double>(syncs);
    state.counters["syncs_per_data_file"] = dataFiles > 0 ? static_cast<double>(syncs) / dataFiles : 0.0;
}
BENCHMARK_CAPTURE(JournaledDescribe, disk, true)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(JournaledDescribe, memory, false)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

struct Built {
    std::string folder;
    std::unique_ptr<qv::Host> host;
};

Built& BuiltFor(int n) {
    static std::map<int, Built> built;
    auto it = built.find(n);
    if (it != built.end()) return it->second;
    Built& b = built[n];
    b.folder = FolderFor("built" + std::to_string(n));
    b.host = StartedHost();
    qv::Schematic schematic;
    std::string error;
    if (!qv::ReadSchematic(SchematicText(n, 2), schematic, error) || !b.host->Build(schematic, b.folder, error)) {
        std::fprintf(stderr, "host_bench: %s\n", error.c_str());
        std::exit(1);
    }
    return b;
}

void DescribeBuilt(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Built& b = BuiltFor(n);
    std::vector<std::string> written;
    std::string error;
    for (auto _ : state) {
        if (!b.host->Describe(b.folder + "bench.desc", written, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(written.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(DescribeBuilt)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

struct ChildUsage {
    double wallSeconds = 0;
    double cpuSeconds = 0;   // user and system time of the child
    double peakBytes = 0;    // its peak resident set
};

// Runs the host program with the arguments (stdout and stderr to files in the folder) and
// reports what it used. False when it failed.
bool RunChild(const std::vector<std::string>& args, const std::string& folder, ChildUsage& used, std::string& error) {
    const std::string host = ProgramFolder() + "qvhost";
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = "cannot start " + host;
        return false;
    }
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(host.c_str()));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (std::freopen((folder + "stdout.txt").c_str(), "w", stdout) == nullptr ||
            std::freopen((folder + "stderr.txt").c_str(), "w", stderr) == nullptr)
            ::_exit(127);
        ::execv(host.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid) {
        error = "lost the child process";
        return false;
    }
    used.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    used.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    used.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;   // ru_maxrss counts KiB on Linux
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::ifstream in(folder + "stderr.txt");
        std::ostringstream text;
        text << in.rdbuf();
        error = "qvhost " + args[0] + " failed: " + text.str();
        return false;
    }
    return true;
}

// The file of the mixed schematic of n elements, written once.
std::string ScaleSchematic(int n) {
    const std::string path = FolderFor("scale" + std::to_string(n)) + "schematic.json";
    if (!std::filesystem::exists(path)) std::ofstream(path, std::ios::binary) << MixedSchematicText(n);
    return path;
}

// The arguments of describe, save and load -o (of what save wrote) on `schematic`, with their
// outputs in `folder`; empty for the other commands.
std::vector<std::string> FileCommandArgs(const std::string& command, const std::string& schematic, const std::string& folder) {
    if (command == "describe") return {"describe", schematic, "-o", folder + "out.desc"};
    if (command == "save") return {"save", schematic, "-o", folder + "out.qva"};
    if (command == "load") return {"load", folder + "out.qva", "-o", folder + "again.qva"};
    return {};
}

// Runs the host with `args` once per iteration, timed by its processor time, and gives the
// child's usage of the last run. Load reads what save wrote: with repetitions in random order,
// save may not have run yet, so it is run first where its archive is missing.
bool TimeChild(benchmark::State& state, const std::vector<std::string>& args, const std::string& schematic,
               const std::string& folder, ChildUsage& used) {
    std::string error;
    if (args[0] == "load" && !std::filesystem::exists(folder + "out.qva") &&
        !RunChild(FileCommandArgs("save", schematic, folder), folder, used, error)) {
        state.SkipWithError(error.c_str());
        return false;
    }
    for (auto _ : state) {
        if (!RunChild(args, folder, used, error)) {
            state.SkipWithError(error.c_str());
            return false;
        }
        state.SetIterationTime(used.cpuSeconds);
    }
    state.counters["wall_s"] = used.wallSeconds;
    state.counters["peak_rss_MB"] = used.peakBytes / (1024.0 * 1024.0);
    return true;
}

void RunCommand(benchmark::State& state, const std::string& command, int n) {
    const std::string schematic = ScaleSchematic(n);
    const std::string folder = FolderFor("scale" + std::to_string(n));
    std::vector<std::string> args = FileCommandArgs(command, schematic, folder);
    if (command == "edit") {
        // The element in the middle, renamed on its page: the rename is checked against the
        // names of the elements after it too.
        const int middle = n / 2;
        const MixedKind& kind = kMixedKinds[middle % kMixedKindCount];
        const std::string name = kind.prefix + std::string("x") + std::to_string(middle + 1);
        std::ofstream(folder + "rename.txt", std::ios::binary) << "type 2001 \"" << name << "_renamed\"\nok\n";
        args = {"edit", schematic, "--element", name, "--script", folder + "rename.txt", "-o", folder + "edited.json"};
    }
    if (command == "svg") {
        // The last resistor (the first kind of the cycle): the whole text is read to draw it.
        const int last = (n - 1) / kMixedKindCount * kMixedKindCount;
        args = {"svg", schematic, "--element", kMixedKinds[0].prefix + std::string("x") + std::to_string(last + 1),
                "--symbol", "-o", folder + "symbol.svg"};
    }
    ChildUsage used;
    if (TimeChild(state, args, schematic, folder, used)) state.counters["rss_per_element_B"] = used.peakBytes / n;
}

// The schematic of one nonlinear resistor "RNL1" whose characteristic is a table of `rows`
// data pairs with rising x, written once in its folder.
std::string RowsSchematic(int rows) {
    const std::string path = FolderFor("rows" + std::to_string(rows)) + "schematic.json";
    if (std::filesystem::exists(path)) return path;
    std::string text = R"({"document": "Rows", "elements": [{"id": 15, "name": "RNL1", "characteristic": )"
                       R"({"kind": "data-pairs", "points": [)";
    char pair[80];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(pair, sizeof pair, "%s[%.17g, %.17g]", i == 0 ? "" : ",", 1e-3 * i, std::sin(1e-3 * i));
        text += pair;
    }
    std::ofstream(path, std::ios::binary) << text << "]}}]}\n";
    return path;
}

// One command of the host program on the table of `rows` rows: describe (the rows typed into
// the characteristic page's list and written to the data file), save, load -o of what was saved,
// edit -o (a cell of the last row typed anew). Time and peak resident set are also given per row.
void RowsCommand(benchmark::State& state, const std::string& command, int rows) {
    const std::string schematic = RowsSchematic(rows);
    const std::string folder = FolderFor("rows" + std::to_string(rows));
    std::vector<std::string> args = FileCommandArgs(command, schematic, folder);
    if (command == "edit") {
        std::ofstream(folder + "cell.txt", std::ios::binary)
            << "sheet ok {\n  cell 2121 " << rows - 1 << " 2 0.5\n}\nclick 2016\nok\n";
        args = {"edit", schematic, "--element", "RNL1", "--script", folder + "cell.txt", "-o", folder + "edited.json"};
    }
    ChildUsage used;
    if (!TimeChild(state, args, schematic, folder, used)) return;
    state.counters["cpu_per_row_us"] = used.cpuSeconds / rows * 1e6;
    state.counters["rss_per_row_B"] = used.peakBytes / rows;
}

// The folder of the 3D lookup table of side x side points: its data file "input.mdx" (x = i,
// y = j, z = i + j / 2 in grid order) and the schematic of one 3D lookup table "LUT1" whose
// page opens that file and names its own file "grid.mdx", written once.
std::string GridSchematic(int side) {
    const std::string folder = FolderFor("grid" + std::to_string(side));
    const std::string path = folder + "schematic.json";
    if (std::filesystem::exists(path)) return path;
    {
        std::ofstream data(folder + "input.mdx", std::ios::binary);
        data << "MDX 1\nchannels 3\nitems " << static_cast<long long>(side) * side
             << "\nchannel \"x\" \"\"\nchannel \"z\" \"\"\nchannel \"y\" \"\"\ndata\n";
        for (int j = 0; j < side; ++j)
            for (int i = 0; i < side; ++i) data << i << ' ' << i + j * 0.5 << ' ' << j << '\n';
        data << "end\n";
    }
    std::ofstream(path, std::ios::binary)
        << R"({"document": "Grid", "elements": [{"id": 103, "name": "LUT1", "parameters": {"IN[1]": "U", "IN[2]": "W"}, )"
        << R"("script": ["click 2116", "file )" << folder << R"(input.mdx", "click 2118", "type 2117 \"grid.mdx\"", "ok"]}]})"
        << "\n";
    return path;
}

// The schematic of one 3D lookup table "LUT1" whose y axis is swept to one value and whose x
// axis to `values` values (0, 1, ...), written once in its folder.
std::string SweepSchematic(int values) {
    const std::string path = FolderFor("sweep" + std::to_string(values)) + "schematic.json";
    if (!std::filesystem::exists(path))
        std::ofstream(path, std::ios::binary)
            << R"({"document": "Sweep", "elements": [{"id": 103, "name": "LUT1", "parameters": {"IN[1]": "U", "IN[2]": "W"}, )"
            << R"("script": ["dialog 2605 stay {", "type 1035 \"1\"", "click 1036", "}", "click 2444", )"
            << R"("dialog 2605 stay {", "type 1035 \")" << values << R"(\"", "click 1036", "}", "click 2438", )"
            << R"("click 2116", "type 2117 \"sweep.mdx\"", "ok"]}]})" << "\n";
    return path;
}

// One command of the host program on a 3D lookup table: "grid" of side x side points opened
// from its data file (describe, save, load -o of what was saved), or "sweep" of `n` values on
// one axis (describe). Time and peak resident set are also given per point.
void GridCommand(benchmark::State& state, const std::string& kind, const std::string& command, int n) {
    const bool grid = kind == "grid";
    const std::string schematic = grid ? GridSchematic(n) : SweepSchematic(n);
    const std::string folder = FolderFor(kind + std::to_string(n));
    const double points = grid ? static_cast<double>(n) * n : n;
    ChildUsage used;
    if (!TimeChild(state, FileCommandArgs(command, schematic, folder), schematic, folder, used)) return;
    state.counters["points"] = points;
    state.counters["cpu_per_point_us"] = used.cpuSeconds / points * 1e6;
    state.counters["rss_per_point_B"] = used.peakBytes / points;
}

// Registers Qvhost/<prefix><command>/<n> for every size n of the comma-separated list (from 1
// to `max`) and every command, each run once per repetition by `run(state, command, n)`.
bool RegisterChildRuns(const std::string& list, const char* option, long max, const std::string& prefix,
                       std::initializer_list<const char*> commands,
                       const std::function<void(benchmark::State&, const std::string&, int)>& run) {
    std::stringstream sizes(list);
    for (std::string item; std::getline(sizes, item, ',');) {
        char* end = nullptr;
        const long n = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || n < 1 || n > max) {
            std::fprintf(stderr, "host_bench: %s takes sizes from 1 to %ld, not \"%s\"\n", option, max, item.c_str());
            return false;
        }
        for (const char* command : commands) {
            const std::string name = "Qvhost/" + prefix + command + "/" + std::to_string(n);
            benchmark::RegisterBenchmark(name.c_str(), [run, command, n](benchmark::State& state) {
                run(state, command, static_cast<int>(n));
            })->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
        }
    }
    return true;
}

// The child-process runs of the options "--scale=", "--rows=", "--grid=" and "--sweep=".
bool RegisterOption(const std::string& option, const std::string& list) {
    if (option == "--scale=") return RegisterChildRuns(list, "--scale", 1000000, "", {"describe", "save", "load", "edit", "svg"}, RunCommand);
    if (option == "--rows=") return RegisterChildRuns(list, "--rows", 10000000, "rows_", {"describe", "save", "load", "edit"}, RowsCommand);
    if (option == "--grid=")
        return RegisterChildRuns(list, "--grid", 10000, "grid_", {"describe", "save", "load"},
                                 [](benchmark::State& state, const std::string& command, int n) {
                                     GridCommand(state, "grid", command, n);
                                 });
    return RegisterChildRuns(list, "--sweep", 10000000, "sweep_", {"describe"},
                             [](benchmark::State& state, const std::string& command, int n) {
                                 GridCommand(state, "sweep", command, n);
                             });
}

struct Cleanup {
    ~Cleanup() {
        std::error_code code;
        std::filesystem::remove_all(ScratchRoot(), code);
        if (!DiskRoot().empty()) std::filesystem::remove_all(DiskRoot(), code);
    }
};

} // namespace

int main(int argc, char** argv) {
    const std::string bin = ProgramFolder();
    qv::SetQuorvatixPath(bin.c_str());
    qv::SetProfileFolder(bin);
    setenv("QV_USER_PROFILE", (ScratchRoot() + "user.ini").c_str(), 1);
    Cleanup cleanup;
    // "--scale=...", "--rows=...", "--grid=..." and "--sweep=..." replace the in-process
    // benchmarks by the runs of the host program.
    std::vector<std::pair<std::string, std::string>> childRuns;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        bool taken = false;
        for (const char* option : {"--scale=", "--rows=", "--grid=", "--sweep="})
            if (i > 0 && !taken && std::strncmp(argv[i], option, std::strlen(option)) == 0) {
                childRuns.emplace_back(option, argv[i] + std::strlen(option));
                taken = true;
            }
        if (!taken) rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    if (!childRuns.empty()) {
        for (const auto& [option, list] : childRuns)
            if (!RegisterOption(option, list)) return 1;
        // A filter given on the command line picks among the runs ("^Qvhost/load/"); without
        // one, every command runs and none of the in-process benchmarks.
        const bool filtered = std::any_of(rest.begin() + 1, rest.end(), [](const char* arg) {
            return std::strncmp(arg, "--benchmark_filter=", 19) == 0;
        });
        static std::string filter = "--benchmark_filter=^Qvhost/";
        if (!filtered) {
            rest.push_back(filter.data());
            ++restCount;
        }
    } else {
        // The texts of both sizes are made before anything is measured, so that both are
        // measured in the same state of the process, whichever runs first. The built schematic
        // is made when its benchmark first runs: the check runs only the command.
        CommandText(1000);
        CommandText(10000);
    }
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
