// The bytes of an ".mdx" file as an element writes it: with the writer's mark of its document
// and its name (docs/data-files.md), the checksum computed by the writer itself. Tests compare
// what a command wrote with it, and put a file "written by an element" into a folder.
#pragma once

#include "toolkit/read_write_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace qv_test {

inline std::string WithWriterMark(const std::string& unmarked, const char* document, const char* element) {
    const char* tmp = std::getenv("TMPDIR");
    std::string in = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/marked_XXXXXX";
    const int fd = ::mkstemp(in.data());
    if (fd < 0) return std::string();
    ::close(fd);
    std::ofstream(in, std::ios::binary) << unmarked;
    const std::string out = in + ".mdx";
    CReadAndWriteFiles read;
    CReadAndWriteFiles write;
    std::string bytes;
    if (read.ReadInfoFile(in.c_str(), "", CReadAndWriteFiles::kFormatMdx) && read.ReadDataFile() &&
        write.SetNrChannels(read.GetNrChannels()) && write.SetNrItems(read.GetNrItems())) {
        for (int c = 0; c < read.GetNrChannels(); ++c)
            write.InsertChannel(c, read.GetChannel(c)->GetValues(), read.GetChannel(c)->GetChannelName(),
                                read.GetChannel(c)->GetUnitName());
        write.SetWriter({document, element});
        if (write.WriteFile(out.c_str())) {
            std::ostringstream text;
            text << std::ifstream(out, std::ios::binary).rdbuf();
            bytes = text.str();
        }
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    return bytes;
}

} // namespace qv_test
