// Writing 10,000 (string, double, double) records through a storing CArchive into a CMemFile,
// against a baseline in the same run that lays out the same bytes with memcpy into a
// pre-sized buffer; and reading them back through a loading CArchive over a CMemFile, against a
// baseline that takes the same bytes apart with memcpy into the same kind of variables. Both
// writers produce identical bytes and both readers the same records (checked once before
// timing). bench/check_archive_bench.py fails when a measured path is too slow against its
// baseline.
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

struct Loaded {
    std::vector<CString> names = std::vector<CString>(kRecords);
    std::vector<double> a = std::vector<double>(kRecords);
    std::vector<double> b = std::vector<double>(kRecords);
};

// The archive bytes of the records, written once.
const std::vector<BYTE>& Stored()
{
    static const std::vector<BYTE> bytes = [] {
        CMemFile file;
        WriteWithArchive(file, Shared());
        return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
    }();
    return bytes;
}

void ReadWithArchive(std::vector<BYTE>& bytes, Loaded& out)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    for (int i = 0; i < kRecords; ++i)
        ar >> out.names[i] >> out.a[i] >> out.b[i];
    ar.Close();
}

// Only short names occur here, so every length is one byte, as the writing baseline assumes.
void ReadWithMemcpy(const std::vector<BYTE>& bytes, Loaded& out)
{
    const BYTE* p = bytes.data();
    for (int i = 0; i < kRecords; ++i) {
        const int len = *p++;
        std::memcpy(out.names[i].GetBufferSetLength(len), p, static_cast<size_t>(len));
        p += len;
        std::memcpy(&out.a[i], p, sizeof(double));
        std::memcpy(&out.b[i], p + sizeof(double), sizeof(double));
        p += 2 * sizeof(double);
    }
}

void CheckSameRecords()
{
    std::vector<BYTE> bytes = Stored();
    Loaded archived;
    Loaded plain;
    ReadWithArchive(bytes, archived);
    ReadWithMemcpy(bytes, plain);
    const Records& r = Shared();
    for (int i = 0; i < kRecords; ++i) {
        const bool same = archived.names[i] == r.names[i] && plain.names[i] == r.names[i] &&
                          archived.a[i] == r.values[i] && plain.a[i] == r.values[i] &&
                          archived.b[i] == -r.values[i] && plain.b[i] == -r.values[i];
        if (!same) {
            std::fprintf(stderr, "archive_bench: record %d read back differently\n", i);
            std::abort();
        }
    }
}

// Times reading the stored records back in one way, from a copy of the bytes of its own.
template <class Read>
void TimeReads(benchmark::State& state, Read read)
{
    std::vector<BYTE> bytes = Stored();
    Loaded out;
    for (auto _ : state) {
        read(bytes, out);
        benchmark::DoNotOptimize(out.b.data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void ArchiveRead(benchmark::State& state)
{
    CheckSameRecords();
    TimeReads(state, ReadWithArchive);
}
BENCHMARK(ArchiveRead);

void MemcpyReadBaseline(benchmark::State& state)
{
    TimeReads(state, ReadWithMemcpy);
}
BENCHMARK(MemcpyReadBaseline);

} // namespace

BENCHMARK_MAIN();
