// Writing the model description of a schematic of N resistors, half of them nonlinear with a
// characteristic of data pairs (so half the elements also write a data file), for N = 2,000
// and N = 20,000 in one run. bench/check_host_bench.py fails when the larger schematic takes
// more than 11 times as long as the smaller one: the main job must grow linearly.
//
// The schematics are built once, before anything is measured (the editor creates the elements,
// initialises their wizards and enters the characteristics through the pages); each
// iteration writes the whole description and its data files.
#include "editor/host.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

std::string ProgramFolder() {
    char buffer[4096] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string self(buffer, length);
    const size_t slash = self.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : self.substr(0, slash + 1);
}

struct Prepared {
    std::string folder;
    std::unique_ptr<qv::Host> host;
};

std::string& ScratchRoot() {
    static std::string root = [] {
        // A memory file system when there is one: the data files and the profile are synced to
        // their medium when written, and a disk's latency would drown the job being measured.
        const char* tmp = std::getenv("TMPDIR");
        std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
        if ((tmp == nullptr || *tmp == '\0') && std::filesystem::is_directory("/dev/shm") && ::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string pattern = base + "/host_bench_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern + "/";
    }();
    return root;
}

// The schematic of n resistors: even ones linear, odd ones with a characteristic of 4 points.
qv::Schematic MakeSchematic(int n) {
    qv::Schematic schematic;
    schematic.document = "Bench";
    schematic.elements.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        qv::SchematicElement element;
        element.id = 15;
        element.name = std::string("R").append(std::to_string(i + 1));
        if (i % 2 == 0) {
            qv::SchematicParam value;
            value.name = "R";
            value.hasValue = true;
            value.value = std::to_string(100 + i) + "k";
            element.params.push_back(value);
        } else {
            element.characteristic.kind = qv::SchematicCharacteristic::Kind::DataPairs;
            const double slope = 1e-3 * (1 + i % 7);
            for (int k = -1; k <= 2; ++k) element.characteristic.points.emplace_back(k, slope * k * (1 + 0.1 * k));
        }
        schematic.elements.push_back(std::move(element));
    }
    return schematic;
}

Prepared& PreparedFor(int n) {
    static std::map<int, Prepared> prepared;
    auto it = prepared.find(n);
    if (it != prepared.end()) return it->second;
    Prepared& p = prepared[n];
    p.folder = ScratchRoot() + std::to_string(n) + "/";
    std::filesystem::create_directories(p.folder);
    p.host = std::make_unique<qv::Host>();
    std::string error;
    const std::string bin = ProgramFolder();
    if (!p.host->Start({bin + "Parvel.so", qv::DefaultCatalogueFolder(bin)}, error) ||
        !p.host->Build(MakeSchematic(n), p.folder, error)) {
        std::fprintf(stderr, "host_bench: %s\n", error.c_str());
        std::exit(1);
    }
    return p;
}

void DescribeSchematic(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Prepared& p = PreparedFor(n);
    std::vector<std::string> written;
    std::string error;
    for (auto _ : state) {
        if (!p.host->Describe(p.folder + "bench.desc", written, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(written.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["data_files"] = static_cast<double>(written.size() > 0 ? written.size() - 1 : 0);
}
BENCHMARK(DescribeSchematic)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

struct Cleanup {
    ~Cleanup() {
        std::error_code code;
        std::filesystem::remove_all(ScratchRoot(), code);
    }
};

} // namespace

int main(int argc, char** argv) {
    const std::string bin = ProgramFolder();
    qv::SetQuorvatixPath(bin.c_str());
    qv::SetProfileFolder(bin);
    setenv("QV_USER_PROFILE", (ScratchRoot() + "user.ini").c_str(), 1);
    Cleanup cleanup;
    // Both schematics exist before anything is measured, so that both sizes are measured in
    // the same state of the process (its heap above all), whichever runs first.
    PreparedFor(2000);
    PreparedFor(20000);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
