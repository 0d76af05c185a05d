// Results a user sees after an edit session, checked from the user's side: each row is a
// schematic, a script run on one element's sheet (as `qvhost edit -o` runs it), and what the
// printed schematic, its description or a file the session or describe wrote must hold, or
// must not hold. The rows are grouped by what they show.
#include "tests/support/host_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class UserResultsTest : public qv_test::HostTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(UseFolder("user_results")); }

    struct Case {
        const char* what;                      // what the row shows, for the failure message
        std::string schematic;                 // the whole schematic text
        std::string element;                   // the element whose sheet the script runs on
        std::vector<std::string> script;
        std::vector<std::string> described;    // texts the description holds
        std::vector<std::string> notDescribed; // texts it does not hold
        std::vector<std::string> printed;      // texts the printed schematic holds
        std::vector<std::string> notPrinted;   // texts it does not hold
        // Further checks on what the session gave, with the row's own folder.
        std::function<void(const qv_test::EditedAndDescribed&, const fs::path&)> also = {};
    };

    void Check(const std::vector<Case>& cases) {
        for (size_t row = 0; row < cases.size(); ++row) {
            const Case& c = cases[row];
            SCOPED_TRACE(std::string(c.what) + " (row " + std::to_string(row) + ")");
            const fs::path documents = folder / ("row" + std::to_string(row));
            const qv_test::EditedAndDescribed done = qv_test::EditThenDescribe(c.schematic, c.element, c.script, documents);
            ASSERT_TRUE(done.edited) << done.error;
            for (const std::string& text : c.described) EXPECT_THAT(done.description, testing::HasSubstr(text));
            for (const std::string& text : c.notDescribed) EXPECT_THAT(done.description, testing::Not(testing::HasSubstr(text)));
            for (const std::string& text : c.printed) EXPECT_THAT(done.printed, testing::HasSubstr(text));
            for (const std::string& text : c.notPrinted) EXPECT_THAT(done.printed, testing::Not(testing::HasSubstr(text)));
            if (c.also) c.also(done, documents);
        }
    }
};

// Each row: a result that was once plainly wrong, seen with status 0 and no message.
TEST_F(UserResultsTest, WhatASessionLeavesIsRight) {
    // The dead time's row below answers the file dialog with a name relative to the document's
    // folder, which is not the folder the test runs in.
    fs::create_directories(folder / "row1" / "sub");
    {
        std::ofstream values(folder / "row1" / "sub" / "vals.txt");
        values << "X Y\n0 7\n1 8\n";
    }
    const std::vector<Case> cases = {
        // Block pages: a reset switched off wires no reset pin (47); a relative answer to the
        // dead time's file dialog is read from, and kept in, the document's folder (82).
        {.what = "the integrator's reset switched off after its Use Pin",
         .schematic = R"({"document":"D","elements":[{"id":47,"name":"INT1"}]})",
         .element = "INT1",
         .script = {"click 2387", "click 2075", "click 2387", "ok"},
         .described = {"RESET := 0"},
         .notDescribed = {"INT1.RESET"},
         .printed = {},
         .notPrinted = {}},
        {.what = "the dead time's data file chosen by a relative name",
         .schematic = R"({"document":"D","elements":[{"id":82,"name":"DT1"}]})",
         .element = "DT1",
         .script = {"file sub/vals.txt", "click 2118", "ok"},
         .described = {"DEADTIME DT1 ("},
         .notDescribed = {},
         .printed = {},
         .notPrinted = {},
         .also = [](const qv_test::EditedAndDescribed&, const fs::path& documents) {
             // The values read are the file's, and describe writes them beside it.
             const std::string written = qv_test::ReadFile(documents / "sub" / "vals.mdx");
             EXPECT_THAT(written, testing::HasSubstr("0 7\n1 8\n"));
         }},
    };
    Check(cases);
}

} // namespace
