// The controls that the pages of many families share, driven through the host as a user
// drives them: the up-down arrows beside a number and the sample-time box.
#include "editor/catalogue.h"
#include "editor/schematic.h"
#include "tests/support/profiled_host.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr qv_test::ProfiledHost kHost("shared_page_controls_profile.ini");

// The texts that the edit `field` showed in the listings of an edit session, blank-separated.
std::string Shown(const std::string& output, const std::string& field) {
    std::istringstream in(output);
    std::string line, shown;
    const std::string head = field + " Edit \"";
    while (std::getline(in, line)) {
        if (line.rfind(head, 0) != 0) continue;
        shown += (shown.empty() ? "" : " ") + line.substr(head.size(), line.size() - head.size() - 1);
    }
    return shown;
}

// The up arrow raises the number shown, the down arrow lowers it, and each stops at its limit.
// Every listing of the page counts, the one the session ends with too.
TEST(SharedPageControls, TheUpArrowRaisesTheNumberShown) {
    struct Case {
        int id;
        const char* field;
        std::vector<std::string> script;
        const char* shown;
    } cases[] = {
        // The polynomial source's order starts at 1, has no upper limit and stays at 0.
        {31, "2163", {"print", "spin 2178 up", "print", "spin 2178 up", "print", "spin 2178 down", "spin 2178 down",
                      "spin 2178 down", "print", "spin 2178 down", "cancel"},
         "1 2 3 0 0"},
        // The transition's priority runs from 0 to 9.
        {44, "2188", {"type 2188 8", "click 2002", "print", "spin 2220 up", "print", "spin 2220 up", "print",
                      "spin 2220 down", "print", "type 2188 0", "click 2002", "spin 2220 down", "print", "spin 2220 up",
                      "cancel"},
         "8 9 9 8 0 1"},
    };
    for (const Case& c : cases) {
        int status = -1;
        std::string output;
        kHost.EditInSchematic(qv_test::OneElement(c.id, "E"), "E", c.script, "spin", &status, &output);
        ASSERT_EQ(0, status) << output;
        EXPECT_EQ(c.shown, Shown(output, c.field)) << c.id;
    }
}

// A time typed into the sample-time box is stored as typed; an entry's label typed in any
// case is that entry, so "System" stores the 0 it stands for, never the word. Every block
// page with the box, each element typing on its own page before the edited schematic is
// written.
TEST(SharedPageControls, TheSampleTimeBoxTakesATypedTimeAndATypedLabelIsItsEntry) {
    const unsigned ids[] = {32, 33, 47, 49, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66,
                            67, 68, 69, 70, 79, 82, 100, 101, 102, 113, 330};
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFolder(PARVEL_MODULE_DIR "/catalogue", error)) << error;
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {{"System", "0"}, {"system", "0"}, {"SYSTEM ", "0"}, {"1M", "1m"}, {"5m", "5m"},
                 // A label's start is no label: it is stored as typed.
                 {"Sys", "Sys"}, {"1", "1"},
                 // A time whose leading number is an entry's is no entry: every later opening of
                 // the page shows it, and the edited schematic describes it, as typed.
                 {"1m/2", "1m/2"}, {"1m*K", "1m*K"}};
    for (const Case& c : cases) {
        std::string elements;
        for (unsigned id : ids)
            // OK needs the nonlinear characteristic block's characteristic and a row of the dead
            // time's file of initial values.
            elements += std::string(elements.empty() ? "" : ",\n") + R"({"id": )" + std::to_string(id) +
                        R"(, "name": "E)" + std::to_string(id) + R"(", "script": [)" +
                        (id == 65   ? R"("sheet ok {", "click 2111", "type 2113 \"XY1.VAL\"", "}", "click 2016", )"
                         : id == 82 ? R"("click 1122", )"
                                    : "") +
                        R"("type 2183 \")" + c.typed + R"(\"", "ok"]})";
        int status = -1;
        std::string output;
        const auto edited = kHost.EditInSchematic(R"({"document": "TS", "elements": [)" + elements + "]}", "E32",
                                                  {"cancel"}, "sample_time", &status, &output);
        ASSERT_EQ(0, status) << c.typed << ": " << output;
        qv::Schematic schematic;
        ASSERT_TRUE(qv::ReadSchematicFile(edited.string(), schematic, error)) << error;
        for (unsigned id : ids) {
            const qv::SchematicElement* element = schematic.Find("E" + std::to_string(id));
            ASSERT_NE(nullptr, element);
            // The edited schematic names a value that differs from the catalogue's default.
            std::string stored = catalogue.Find(id)->FindParam("TS")->defaultValue;
            for (const qv::SchematicParam& param : element->params)
                if (param.name == "TS" && param.hasValue) stored = param.value;
            EXPECT_EQ(c.stored, stored) << id << " typed \"" << c.typed << "\"";
        }
        // The edited schematic describes what was stored, each page opened on it once more.
        const std::string description = kHost.Described(edited.string(), edited.string() + ".desc", &output);
        size_t described = 0;
        for (size_t at = description.find("TS := "); at != std::string::npos; at = description.find("TS := ", at + 1)) {
            const size_t begin = at + 6;
            std::string value = description.substr(begin, description.find_first_of(",)", begin) - begin);
            value.erase(value.find_last_not_of(' ') + 1);
            EXPECT_EQ(c.stored, value)
                << "typed \"" << c.typed << "\": " << description.substr(description.rfind('\n', at) + 1, 40);
            ++described;
        }
        EXPECT_LE(std::size(ids) - 1, described) << description;
    }
}

// The box as the user sees it once the focus left it: a typed label selects its entry, which
// shows its own label; a label's start stays the text typed. A stored "System" in any case is
// that entry, as typed; any other stored text is shown as it stands, an entry of its own
// unless the whole text is an entry's value.
TEST(SharedPageControls, TheSampleTimeBoxShowsTheEntryATypedLabelNames) {
    struct Case {
        const char* typed;     // "" types nothing
        const char* stored;    // the value the schematic gives
        const char* shown;     // the box's listing after the focus left it
        const char* printed;   // the value the edited schematic keeps
    } cases[] = {
        {"system", "", R"("System" entries ["System", "1m"] selected 0)", "0"},
        {"1M", "", R"("1m" entries ["System", "1m"] selected 1)", "1m"},
        {"Sys", "", R"("Sys" entries ["System", "1m"] selected -1)", "Sys"},
        // "System" stored in any case is the system's sample time, as typed: its entry.
        {"", "system", R"("System" entries ["System", "1m"] selected 0)", "0"},
        {"", " SYSTEM", R"("System" entries ["System", "1m"] selected 0)", "0"},
        // A stored time is shown as it stands, never as the entry its leading number names.
        {"", "1m/2", R"("1m/2" entries ["System", "1m", "1m/2"] selected 2)", "1m/2"},
        {"", "0.001", R"("1m" entries ["System", "1m"] selected 1)", "1m"},
        {"", "0*K", R"("0*K" entries ["System", "1m", "0*K"] selected 2)", "0*K"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> script;
        if (*c.typed != '\0') script = {std::string("type 2183 \"") + c.typed + "\"", "click 2002", "click 2002"};
        script.push_back("print");
        script.push_back("ok");
        const std::string parameters = *c.stored != '\0' ? std::string(R"("TS": ")") + c.stored + "\"" : "";
        int status = -1;
        std::string output;
        const std::string edited = qv_test::ReadFile(
            kHost.EditInSchematic(qv_test::OneElement(32, "G1", parameters), "G1", script, "typed_box", &status, &output));
        ASSERT_EQ(0, status) << c.typed << c.stored << ": " << output;
        EXPECT_NE(std::string::npos, output.find(std::string("2183 ComboBox ") + c.shown + "\n"))
            << c.typed << c.stored << ": " << output;
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(edited, schematic, error)) << error;
        std::string printed = "0";
        for (const qv::SchematicParam& param : schematic.elements.at(0).params)
            if (param.name == "TS") printed = param.value;
        EXPECT_EQ(c.printed, printed) << c.typed << c.stored;
    }
}

} // namespace
