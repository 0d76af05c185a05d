// Host sessions that the example tests of many families run: a schematic saved as wizard data
// and loaded again, and edit sessions driven by a script file.
#pragma once

#include "tests/support/host_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qv_test {

// Saves the schematic to `saved`, loads that file and saves it to "<stem>_again.qva" beside
// it: both runs succeed and both files hold the same bytes, which are given back.
inline std::string SavedAndReloaded(const std::string& schematic, const std::filesystem::path& saved,
                                    const std::string& profile) {
    const std::filesystem::path again = saved.parent_path() / (saved.stem().string() + "_again.qva");
    EXPECT_EQ(0, RunHost("save '" + schematic + "' -o '" + saved.string() + "'", profile)) << schematic;
    EXPECT_EQ(0, RunHost("load '" + saved.string() + "' -o '" + again.string() + "'", profile)) << schematic;
    const std::string bytes = ReadFile(saved);
    EXPECT_EQ(bytes, ReadFile(again)) << schematic;
    return bytes;
}

// Writes the script to `scriptFile` and runs an edit session of the element of the schematic
// with it; `more` adds shell words to the command (such as "-o '<file>'").
inline int RunEditScript(const std::string& schematic, const std::string& element,
                         const std::filesystem::path& scriptFile, const std::string& script, const std::string& profile,
                         std::string* output = nullptr, const std::string& more = "") {
    std::ofstream(scriptFile) << script;
    return RunHost("edit '" + schematic + "' --element " + element + " --script '" + scriptFile.string() + "'" + more,
                   profile, output);
}

// What an edit session whose apply the sheet refused printed: the refusal, and no message box
// that its script did not answer.
inline void ExpectRefusedApply(const std::string& output) {
    EXPECT_THAT(output, testing::HasSubstr("(apply): the sheet refused"));
    EXPECT_THAT(output, testing::Not(testing::HasSubstr("unexpected message box")));
}

// The schematic text of one element.
inline std::string OneElement(int id, const std::string& name, const std::string& parameters = "") {
    std::string text = "{\"document\": \"E\", \"elements\": [{\"id\": " + std::to_string(id) + ", \"name\": \"" + name + "\"";
    if (!parameters.empty()) text += ", \"parameters\": {" + parameters + "}";
    return text + "}]}";
}

// An edit session of one element of the schematic text with the script's lines: the schematic
// goes to "<temp>/<stem>_in.json", the script to "<temp>/<stem>.script" and the edited
// schematic to "<temp>/<stem>_out.json", whose path is given back; the exit code goes to
// `status`.
inline std::filesystem::path EditInSchematic(const std::string& schematicText, const std::string& element,
                                             const std::vector<std::string>& script, const std::string& stem,
                                             const std::string& profile, int* status, std::string* output = nullptr) {
    const std::filesystem::path folder = TempFolder();
    const std::filesystem::path schematic = folder / (stem + "_in.json");
    const std::filesystem::path out = folder / (stem + "_out.json");
    std::ofstream(schematic) << schematicText;
    std::string lines;
    for (const std::string& line : script) lines += line + "\n";
    std::filesystem::remove(out);
    *status = RunEditScript(schematic.string(), element, folder / (stem + ".script"), lines, profile, output,
                            " -o '" + out.string() + "'");
    return out;
}

} // namespace qv_test
