// Writing and reading an ".mdx" file of 1,000,000 items in two channels, each against a
// baseline in the same run that does only the number conversion and the plain file output
// (writing) or the number conversion over the same text in memory (reading).
// bench/check_mdx_bench.py fails when a measured path is too slow against its baseline; it
// sets the repetitions and their length.
#include "toolkit/read_write_files.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kItems = 1000000;

struct Data {
    std::vector<double> x;
    std::vector<double> y;
    std::string folder;
    Data() : x(kItems), y(kItems)
    {
        for (int i = 0; i < kItems; ++i) {
            x[i] = i * 1e-5;
            y[i] = 325.0 * __builtin_sin(x[i] * 314.1592653589793) + 0.001 * i;
        }
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/mdx_bench_XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        folder = pattern + "/";
    }
    ~Data()
    {
        for (const char* name : {"bench.mdx", "baseline.txt", "read.mdx"})
            ::unlink((folder + name).c_str());
        ::rmdir(folder.c_str());
    }
};

Data& Shared()
{
    static Data data;
    return data;
}

// Writes the two channels into the file through the system's writer, which keeps its error.
bool WriteChannels(CReadAndWriteFiles& rw, const std::string& path)
{
    rw.SetNrChannels(2);
    rw.SetNrItems(kItems);
    rw.InsertChannel(0, Shared().x.data(), "t", "s");
    rw.InsertChannel(1, Shared().y.data(), "u", "V");
    return rw.WriteFile(path.c_str(), "", 0, nullptr, nullptr, 0, 0);
}

// The file both read benchmarks use, written once by whichever of them runs first (the checks
// run the benchmarks in random order).
const std::string& ReadFile()
{
    static const std::string path = [] {
        const std::string file = Shared().folder + "read.mdx";
        CReadAndWriteFiles rw;
        if (!WriteChannels(rw, file))
            std::abort();
        return file;
    }();
    return path;
}

void WriteMdx(benchmark::State& state)
{
    const std::string path = Shared().folder + "bench.mdx";
    for (auto _ : state) {
        CReadAndWriteFiles rw;
        if (!WriteChannels(rw, path))
            state.SkipWithError(static_cast<const char*>(rw.GetLastError()));
    }
}

// The same doubles in their shortest text, one buffer, one file write (with the same flush to
// disk that makes the measured writer's replacement safe).
void WriteBaseline(benchmark::State& state)
{
    Data& d = Shared();
    const std::string path = d.folder + "baseline.txt";
    std::vector<char> buffer(static_cast<std::size_t>(kItems) * 50);
    for (auto _ : state) {
        char* p = buffer.data();
        for (int i = 0; i < kItems; ++i) {
            p = std::to_chars(p, p + 25, d.x[i]).ptr;
            *p++ = ' ';
            p = std::to_chars(p, p + 25, d.y[i]).ptr;
            *p++ = '\n';
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const std::size_t size = static_cast<std::size_t>(p - buffer.data());
        if (fd < 0 || ::write(fd, buffer.data(), size) != static_cast<ssize_t>(size) || ::fsync(fd) != 0)
            state.SkipWithError("baseline write failed");
        if (fd >= 0)
            ::close(fd);
    }
}

void ReadMdx(benchmark::State& state)
{
    const std::string& path = ReadFile();
    std::vector<double> bx(kItems);
    std::vector<double> by(kItems);
    for (auto _ : state) {
        CReadAndWriteFiles rw;
        if (!rw.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2) || rw.GetNrItems() != kItems) {
            state.SkipWithError("read failed");
            break;
        }
        rw.GetChannel(0)->SetSampleBuffer(bx.data(), kItems);
        rw.GetChannel(1)->SetSampleBuffer(by.data(), kItems);
        if (!rw.ReadDataFile())
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(by.data());
    }
}

// std::from_chars over the same text, already in memory, into preallocated arrays.
void ReadBaseline(benchmark::State& state)
{
    std::ifstream in(ReadFile(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    const std::size_t marker = text.find("data\n");
    if (marker == std::string::npos) {
        state.SkipWithError("no data section in the file");
        return;
    }
    std::vector<double> bx(kItems);
    std::vector<double> by(kItems);
    for (auto _ : state) {
        const char* p = text.data() + marker + 5;
        const char* end = text.data() + text.size();
        for (int i = 0; i < kItems && p < end; ++i) {
            p = std::from_chars(p, end, bx[i]).ptr + 1;
            p = std::from_chars(std::min(p, end), end, by[i]).ptr + 1;
        }
        benchmark::DoNotOptimize(by.data());
    }
}

BENCHMARK(WriteMdx)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadMdx)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
