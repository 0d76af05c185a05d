// Channels of an ".mdx" data file written and read through the toolkit's file class, and the
// text of such a file, for the tests of elements that import or export their values as data
// files.
#pragma once

#include "toolkit/read_write_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv_test {

// An ".mdx" file of the given channels (each named "c", without unit).
inline void WriteChannels(const std::string& path, const std::vector<std::vector<double>>& channels) {
    CReadAndWriteFiles files;
    ASSERT_TRUE(files.SetNrChannels(static_cast<int>(channels.size())));
    ASSERT_TRUE(files.SetNrItems(static_cast<int>(channels[0].size())));
    for (size_t c = 0; c < channels.size(); ++c)
        ASSERT_TRUE(files.InsertChannel(static_cast<int>(c), channels[c].data(), "c", ""));
    ASSERT_TRUE(files.WriteFile(path.c_str()));
}

// The channels of the file, none when it cannot be read; with `names`, each channel's
// "name[unit]".
inline std::vector<std::vector<double>> ReadChannels(const std::string& path, std::vector<std::string>* names = nullptr) {
    CReadAndWriteFiles files;
    std::vector<std::vector<double>> out;
    if (!files.ReadInfoFile(path.c_str()) || !files.ReadDataFile()) return out;
    for (int c = 0; c < files.GetNrChannels(); ++c) {
        const auto& values = files.GetChannel(c)->GetValues();
        out.emplace_back(values.GetData(), values.GetData() + values.GetSize());
        if (names) names->push_back((files.GetChannel(c)->GetChannelName() + "[" + files.GetChannel(c)->GetUnitName() + "]").str());
    }
    return out;
}

// The text of an ".mdx" file whose channels have these names and no unit, with a line of
// values for every row.
inline std::string MdxText(const std::vector<std::string>& names, const std::vector<std::string>& rows) {
    std::string text = "MDX 1\nchannels " + std::to_string(names.size()) + "\nitems " + std::to_string(rows.size()) + "\n";
    for (const std::string& name : names) text += "channel \"" + name + "\" \"\"\n";
    text += "data\n";
    for (const std::string& row : rows) text += row + "\n";
    return text + "end\n";
}

} // namespace qv_test
