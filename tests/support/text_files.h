// Reading what a test's code under test wrote: a whole file, and a text cut into lines; writing
// a test's input file; and a file that only names the path a wizard writes beside.
#pragma once

#include "afx/file.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qv_test {

// The file's bytes as text; "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes the bytes as the whole file, replacing what it held.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A file that only carries its path: the model description a wizard writes its data files
// beside.
class NamedFile : public CFile {
public:
    explicit NamedFile(const std::string& path) { m_strFileName = path.c_str(); }
};

} // namespace qv_test
