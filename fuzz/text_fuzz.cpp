// The text-column reader on arbitrary bytes: it reads or refuses with an error number and
// text, and what it reads fills caller buffers of exactly the reported size.
#include "toolkit/read_write_files.h"

#include "temp_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzzfile::TempPath("text_fuzz", ".txt");
    static const bool cleanup = std::atexit([] { ::unlink(path.c_str()); }) == 0;
    (void)cleanup;
    fuzzfile::Put(path, data, size);

    CReadAndWriteFiles rw;
    // Format index 1 insists on text columns, whatever the content looks like.
    if (!rw.ReadInfoFile(path.c_str(), "", 1, nullptr, nullptr, 1, 0, 2)) {
        if (rw.GetLastErrorNumber() == 0 || rw.GetLastError().IsEmpty())
            std::abort();
        return 0;
    }
    if (rw.GetSaveVersion() != -1 || rw.GetNrChannels() < 1 ||
        rw.GetNrChannels() > CReadAndWriteFiles::kMaxChannels)
        std::abort();
    const int n = rw.GetNrItems();
    std::vector<std::vector<double>> buffers(static_cast<size_t>(rw.GetNrChannels()));
    for (int c = 0; c < rw.GetNrChannels(); ++c) {
        buffers[c].resize(static_cast<size_t>(n));
        rw.GetChannel(c)->SetSampleBuffer(buffers[c].data(), n);
    }
    if (!rw.ReadDataFile())
        std::abort();
    return 0;
}
