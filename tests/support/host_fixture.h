// The fixture of the tests that run the host in the test's own process, as `qvhost describe`,
// `save` and `load` run it: a scratch folder that holds the user profile and what the host
// writes, hosts started on the plug-in and its catalogue, schematics built and described.
#pragma once

#include "editor/host.h"
#include "editor/schematic.h"
#include "win32/profile.h"
#include "win32/win32.h"

#include "tests/support/sandbox.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qv_test {

// What an edit session gave, as `qvhost edit -o` prints it, and what describing that gives.
struct EditedAndDescribed {
    bool edited = false;
    std::string error;
    std::string printed;       // the printed schematic
    std::string description;   // the model description of the printed schematic
    unsigned commits = 0;      // the commits the editor took from the session, of every element
};

// Builds the schematic text in a host of its own, runs the script on the element's sheet and
// describes the printed schematic in a second host; both write into `documents`, which the
// running process's profile folder must already be set for.
inline EditedAndDescribed EditThenDescribe(const std::string& json, const std::string& element,
                                           const std::vector<std::string>& script,
                                           const std::filesystem::path& documents) {
    EditedAndDescribed result;
    qv::Host host;
    const qv::HostOptions options{PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"};
    qv::Schematic schematic;
    std::filesystem::create_directories(documents);
    if (!host.Start(options, result.error) || !qv::ReadSchematic(json, schematic, result.error) ||
        !host.Build(schematic, documents.string() + "/", result.error))
        return result;
    qv::EditOutcome outcome;
    const auto commits = [&host] {
        unsigned count = 0;
        for (DWORD handle = 1; host.Editor().Holder(handle) != nullptr; ++handle) count += host.Editor().AcceptedCommits(handle);
        return count;
    };
    const unsigned before = commits();
    result.edited = host.Edit(element, script, outcome, result.error);
    result.commits = commits() - before;
    if (!host.Editor().Breaches().empty()) result.error += " breach: " + host.Editor().Breaches().front();
    result.printed = qv::WriteSchematic(host.CurrentSchematic());
    qv::Host describer;
    qv::Schematic printed;
    std::vector<std::string> written;
    std::string error;
    if (describer.Start(options, error) && qv::ReadSchematic(result.printed, printed, error) &&
        describer.DescribeSchematic(printed, documents.string() + "/", (documents / "d.desc").string(), written, error))
        result.description = ReadFile(documents / "d.desc");
    else
        result.description = "describe failed: " + error;
    return result;
}

class HostTest : public ::testing::Test {
protected:
    // A fresh folder "<temp>/<name>_XXXXXX" for the profile and the host's files.
    void UseFolder(const std::string& name) {
        std::string pattern = TempFolder() + "/" + name + "_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        folder = pattern;
        setenv("QV_USER_PROFILE", (folder / "user.ini").c_str(), 1);
        qv::SetQuorvatixPath(PARVEL_MODULE_DIR);
        qv::SetProfileFolder(folder.string());
    }
    // The folder and a host started in it, where most fixtures begin.
    void StartInFolder(const std::string& name) {
        ASSERT_NO_FATAL_FAILURE(UseFolder(name));
        host = Started();
    }
    // The folder, a host started in it and examples/<example> of the source tree built on it.
    void StartWithExample(const std::string& name, const std::string& example) {
        ASSERT_NO_FATAL_FAILURE(StartInFolder(name));
        BuildExample(example);
    }
    void TearDown() override {
        host.reset();
        qv::SetProfileFolder("");
        std::error_code code;
        std::filesystem::remove_all(folder, code);
    }

    // A host started on the plug-in and its catalogue.
    static std::unique_ptr<qv::Host> Started() {
        auto started = std::make_unique<qv::Host>();
        std::string error;
        EXPECT_TRUE(started->Start({PARVEL_MODULE_DIR "/Parvel.so", PARVEL_MODULE_DIR "/catalogue/"}, error)) << error;
        return started;
    }
    // Builds the schematic file on the host, its data files going to the folder.
    void Build(const std::string& path) {
        std::string error;
        qv::Schematic schematic;
        ASSERT_TRUE(qv::ReadSchematicFile(path, schematic, error)) << error;
        ASSERT_TRUE(host->Build(schematic, folder.string() + "/", error)) << error;
    }
    void BuildExample(const std::string& example) { Build(PARVEL_SOURCE_DIR "/examples/" + example); }
    // The description the host writes to the folder's file of this name; with `count`, how
    // many files the description wrote (itself included) goes there.
    std::string Describe(qv::Host& which, const char* name, size_t* count = nullptr) {
        std::vector<std::string> written;
        std::string error;
        EXPECT_TRUE(which.Describe((folder / name).string(), written, error)) << error;
        if (count != nullptr) *count = written.size();
        return ReadFile(folder / name);
    }
    // The host's editor saw no breach of the request protocol and has every cookie back.
    void ExpectEditorClean() {
        EXPECT_TRUE(host->Editor().Breaches().empty());
        EXPECT_EQ(0, host->Editor().OutstandingCookies());
    }

    // Saves the host's schematic to "a.qva", loads that into a fresh host and saves it again to
    // "b.qva": both archives must hold the same bytes. Gives the loaded host, null where a step
    // failed.
    std::unique_ptr<qv::Host> SavedAndLoaded() {
        std::string error;
        const std::string first = (folder / "a.qva").string();
        const std::string second = (folder / "b.qva").string();
        std::unique_ptr<qv::Host> loaded;
        if (!host->Save(first, error) || !(loaded = Started())->Load(first, folder.string() + "/", error) ||
            !loaded->Save(second, error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        EXPECT_EQ(ReadFile(first), ReadFile(second));
        return loaded;
    }

    std::filesystem::path folder;
    std::unique_ptr<qv::Host> host;
};

} // namespace qv_test
