// Shared by the simplifier's tests and its oracle tool: the filter texts of
// tests/data/formula_simplifier and the product of section texts as the digital filter forms it.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace simplifier_test {

// "label text" lines; '#' starts a comment line.
inline std::vector<std::pair<std::string, std::string>> ReadCases(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> cases;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t blank = line.find(' ');
        if (blank == std::string::npos) continue;
        cases.emplace_back(line.substr(0, blank), line.substr(blank + 1));
    }
    return cases;
}

// Product of `count` sections of w texts each: the factor grows by "(factor)*(section[j])" per
// section, and products that land on one output entry are summed with "+ (...)".
inline void MultiplySections(const std::string& factor, const std::vector<std::vector<std::string>>& sections,
                             size_t next, std::vector<std::string>& out, size_t offset, size_t count) {
    const std::vector<std::string>& section = sections[next];
    for (size_t j = 0; j < section.size(); ++j) {
        const std::string term = "(" + factor + ")*(" + section[j] + ")";
        if (count > 1) {
            MultiplySections(term, sections, next + 1, out, offset + j, count - 1);
        } else if (out[offset + j].empty()) {
            out[offset + j] = term;
        } else {
            out[offset + j] += "+ (" + term + ")";
        }
    }
}

// The numerator and denominator section texts of one kind, user variant and section, in
// coefficient order, from the data file's labels ("bandpass.names.s2.num3").
inline std::vector<std::string> SectionTexts(const std::map<std::string, std::string>& byLabel,
                                             const std::string& prefix, bool numerator, int width) {
    std::vector<std::string> texts;
    for (int i = 0; i < width; ++i) {
        if (!numerator && i == 0) {
            texts.emplace_back("1.0");
            continue;
        }
        const auto it = byLabel.find(prefix + (numerator ? ".num" : ".den") + std::to_string(i));
        texts.push_back(it == byLabel.end() ? std::string() : it->second);
    }
    return texts;
}

} // namespace simplifier_test
