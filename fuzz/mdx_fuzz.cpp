// The ".mdx" reader on arbitrary bytes: it reads or refuses with an error number and text, and
// a file that reads must also write back and read again to the same channels, names, units and
// bit-identical samples. A file written for an element carries that element's mark, and reads
// back as holding the values it was written with; one written for none carries no mark.
#include "toolkit/read_write_files.h"

#include "temp_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

// Whether the file holds exactly these bytes.
bool SameBytes(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    std::string held(size + 1, '\0');
    const size_t read = std::fread(held.data(), 1, held.size(), f);
    std::fclose(f);
    return read == size && std::memcmp(held.data(), data, size) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string input = fuzzfile::TempPath("mdx_fuzz_in", ".mdx");
    static const std::string output = fuzzfile::TempPath("mdx_fuzz_out", ".mdx");
    static const bool cleanup = std::atexit([] {
        ::unlink(input.c_str());
        ::unlink(output.c_str());
    }) == 0;
    (void)cleanup;
    fuzzfile::Put(input, data, size);
    CReadAndWriteFiles rw;
    if (!rw.ReadInfoFile(input.c_str(), "", -1, nullptr, nullptr, 1, 0, 2)) {
        if (rw.GetLastErrorNumber() == 0 || rw.GetLastError().IsEmpty())
            std::abort();
        return 0;
    }
    const int n = rw.GetNrItems();
    // The header is good; the samples may still be bad.
    if (!rw.ReadDataFile()) {
        if (rw.GetLastErrorNumber() == 0 || rw.GetLastError().IsEmpty())
            std::abort();
        return 0;
    }

    CReadAndWriteFiles out;
    // The writer's mark read is written again as it was; a file without one is written for
    // an element of the fuzzer's.
    const CReadAndWriteFiles::Writer writer = rw.HasWriterMark()
        ? CReadAndWriteFiles::Writer{rw.GetMarkDocument(), rw.GetMarkElement()}
        : CReadAndWriteFiles::Writer{"fuzz", size % 2 == 0 ? "E1" : ""};
    out.SetWriter(writer);
    if (!out.SetNrChannels(rw.GetNrChannels()) || !out.SetNrItems(n))
        std::abort();
    for (int c = 0; c < rw.GetNrChannels(); ++c) {
        CExImPortChannel* ch = rw.GetChannel(c);
        if (ch->GetValues().GetSize() != n)
            std::abort();
        if (!out.InsertChannel(c, ch->GetValues(), ch->GetChannelName(), ch->GetUnitName()))
            std::abort();
    }
    if (!out.WriteFile(output.c_str()))
        std::abort();
    CReadAndWriteFiles again;
    if (!again.ReadInfoFile(output.c_str()) || again.GetNrChannels() != rw.GetNrChannels() ||
        again.GetNrItems() != n || again.GetSaveVersion() != 0 || !again.ReadDataFile())
        std::abort();
    if (again.HasWriterMark() != !writer.element.IsEmpty() ||
        again.HoldsValuesAsWritten() != !writer.element.IsEmpty() ||
        (again.HasWriterMark() && !again.IsMarkedBy(writer)))
        std::abort();
    for (int c = 0; c < rw.GetNrChannels(); ++c) {
        const CExImPortChannel* a = rw.GetChannel(c);
        const CExImPortChannel* b = again.GetChannel(c);
        if (a->GetChannelName() != b->GetChannelName() || a->GetUnitName() != b->GetUnitName())
            std::abort();
        if (n > 0 && std::memcmp(a->GetValues().GetData(), b->GetValues().GetData(), sizeof(double) * n) != 0)
            std::abort();
    }

    // A writer that takes another name keeps only the file it wrote, still as written: that file
    // gets the new name's mark and keeps its values, any other is not touched.
    const CReadAndWriteFiles::Writer from{rw.GetMarkDocument(), rw.GetMarkElement()};
    const CReadAndWriteFiles::Writer to{rw.GetMarkDocument(), from.element + "_renamed"};
    CString error;
    const CReadAndWriteFiles::RemarkResult result = CReadAndWriteFiles::Remark(input.c_str(), from, to, error);
    // A mark naming no element is nobody's: no writer makes one.
    const bool own = rw.HasWriterMark() && !from.element.IsEmpty() && rw.HoldsValuesAsWritten();
    if (result != (own ? CReadAndWriteFiles::RemarkResult::Remarked : CReadAndWriteFiles::RemarkResult::NotTheWriters))
        std::abort();
    CReadAndWriteFiles remarked;
    if (!remarked.ReadInfoFile(input.c_str()) || !remarked.ReadDataFile() || remarked.GetNrItems() != n ||
        remarked.GetNrChannels() != rw.GetNrChannels())
        std::abort();
    if (own ? !remarked.IsMarkedBy(to) || !remarked.HoldsValuesAsWritten() : !SameBytes(input, data, size))
        std::abort();
    for (int c = 0; c < rw.GetNrChannels(); ++c) {
        const CExImPortChannel* a = rw.GetChannel(c);
        const CExImPortChannel* b = remarked.GetChannel(c);
        if (a->GetChannelName() != b->GetChannelName() || a->GetUnitName() != b->GetUnitName())
            std::abort();
        if (n > 0 && std::memcmp(a->GetValues().GetData(), b->GetValues().GetData(), sizeof(double) * n) != 0)
            std::abort();
    }
    return 0;
}
