// Writing 10,000 (string, double, double) records through a storing CArchive into a CMemFile,
// against a baseline in the same run that lays out the same bytes with memcpy into a
// pre-sized buffer. Both produce identical bytes (checked once before timing).
#include "afx/afx.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kRecords = 10000;

struct Records {
    std::vector<CString> names;
    std::vector<double> values;
    Records()
    {
        for (int i = 0; i < kRecords; ++i) {
            CString s;
            s.Format("Parameter_%d", i);
            names.push_back(s);
            values.push_back(i * 0.001 + 1e-9);
        }
    }
};

const Records& Shared()
{
    static Records records;
    return records;
}

void WriteWithArchive(CMemFile& file, const Records& r)
{
    CArchive ar(&file, CArchive::store);
    for (int i = 0; i < kRecords; ++i)
        ar << r.names[i] << r.values[i] << -r.values[i];
    ar.Close();
}

// Only short names occur here, so the one-byte length form is enough for the baseline.
size_t WriteWithMemcpy(std::vector<BYTE>& out, const Records& r)
{
    BYTE* p = out.data();
    for (int i = 0; i < kRecords; ++i) {
        const int len = r.names[i].GetLength();
        *p++ = static_cast<BYTE>(len);
        std::memcpy(p, static_cast<LPCTSTR>(r.names[i]), static_cast<size_t>(len));
        p += len;
        const double pair[2] = {r.values[i], -r.values[i]};
        std::memcpy(p, pair, sizeof pair);
        p += sizeof pair;
    }
    return static_cast<size_t>(p - out.data());
}

void CheckSameBytes()
{
    const Records& r = Shared();
    CMemFile file;
    WriteWithArchive(file, r);
    std::vector<BYTE> plain(static_cast<size_t>(kRecords) * 64);
    const size_t n = WriteWithMemcpy(plain, r);
    if (n != file.GetLength() || std::memcmp(plain.data(), file.Data(), n) != 0) {
        std::fprintf(stderr, "archive_bench: archive bytes differ from the baseline\n");
        std::abort();
    }
}

void ArchiveWrite(benchmark::State& state)
{
    CheckSameBytes();
    const Records& r = Shared();
    for (auto _ : state) {
        CMemFile file(64 * 1024);
        WriteWithArchive(file, r);
        benchmark::DoNotOptimize(file.Data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(ArchiveWrite);

void MemcpyBaseline(benchmark::State& state)
{
    const Records& r = Shared();
    for (auto _ : state) {
        std::vector<BYTE> out(static_cast<size_t>(kRecords) * 64);
        benchmark::DoNotOptimize(WriteWithMemcpy(out, r));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(MemcpyBaseline);

} // namespace

BENCHMARK_MAIN();
