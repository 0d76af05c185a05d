// The host runs of one test file, all keeping their settings in the file's own profile: a
// command, the description of a schematic, edit sessions and the saved-and-reloaded check.
// The example tests of the families each name their profile once and run everything on it.
#pragma once

#include "tests/support/host_sessions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qv_test {

class ProfiledHost {
public:
    // The runs keep their settings in "<temp>/<profile>".
    explicit constexpr ProfiledHost(const char* profile) : profile_(profile) {}

    // Runs the host with the arguments (shell words) and gives its exit code; with `output`,
    // what the host printed goes there.
    int Run(const std::string& args, std::string* output = nullptr) const { return RunHost(args, profile_, output); }

    // Describes the schematic into `out` (an earlier file there is removed first) and gives the
    // description's text; a run that fails fails the test, with what the host printed where
    // `output` asks for it.
    std::string Described(const std::string& schematic, const std::filesystem::path& out,
                          std::string* output = nullptr) const {
        std::filesystem::remove(out);
        EXPECT_EQ(0, Run("describe '" + schematic + "' -o '" + out.string() + "'", output))
            << (output != nullptr ? *output : schematic);
        return ReadFile(out);
    }

    // Describes examples/<example>.json of the source tree into "<folder>/<example>.desc" (the
    // temporary folder when none is named) and gives the description's text.
    std::string DescribedExample(const std::string& example, const std::filesystem::path& folder = TempFolder()) const {
        return Described(PARVEL_SOURCE_DIR "/examples/" + example + ".json", folder / (example + ".desc"));
    }

    // An edit session of the element of the schematic with the script, written to
    // "<temp>/<scriptName>"; gives the host's exit code.
    int Edit(const std::string& schematic, const std::string& element, const std::string& scriptName,
             const std::string& script, std::string* output) const {
        return RunEditScript(schematic, element, std::filesystem::path(TempFolder()) / scriptName, script, profile_,
                             output);
    }

    // What an edit session that must succeed printed; a failing session fails the test.
    std::string EditOutput(const std::string& schematic, const std::string& element, const std::string& scriptName,
                           const std::string& script) const {
        std::string output;
        EXPECT_EQ(0, Edit(schematic, element, scriptName, script, &output)) << output;
        return output;
    }

    // An edit session that types the script's first lines, applies and is refused with the
    // message box of `message` (answered OK), prints the sheet and ends there, the sheet open:
    // the session fails with the refusal and no unanswered box (ExpectRefusedApply). Gives
    // what it printed.
    std::string RefusedEditOutput(const std::string& schematic, const std::string& element,
                                  const std::string& scriptName, const std::string& typed,
                                  const std::string& message) const {
        std::string output;
        EXPECT_NE(0, Edit(schematic, element, scriptName,
                          typed + "message ok \"" + message + "\"\napply\nprint\n", &output));
        ExpectRefusedApply(output);
        return output;
    }

    // An edit session of one element of the schematic text with the script's lines (see
    // EditInSchematic); gives the path of the edited schematic.
    std::filesystem::path EditInSchematic(const std::string& schematicText, const std::string& element,
                                          const std::vector<std::string>& script, const std::string& stem,
                                          int* status, std::string* output = nullptr) const {
        return qv_test::EditInSchematic(schematicText, element, script, stem, profile_, status, output);
    }

    // An edit session of the element alone in a schematic (its catalogue ID and name) with the
    // script's lines; gives the edited schematic's text.
    std::string EditedElement(const std::string& element, int id, const std::vector<std::string>& script,
                              const std::string& stem, int* status, std::string* output = nullptr) const {
        return ReadFile(EditInSchematic(OneElement(id, element), element, script, stem, status, output));
    }

    // The schematic saved to `saved` and loaded again (see SavedAndReloaded); gives the bytes.
    std::string SavedAndReloaded(const std::string& schematic, const std::filesystem::path& saved) const {
        return qv_test::SavedAndReloaded(schematic, saved, profile_);
    }

private:
    const char* profile_;
};

} // namespace qv_test
