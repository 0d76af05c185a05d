// What a user's schematic and edit script make of an element, and what the schematic that
// `edit -o` and `load` print keeps of it: check lists ticked by a script, the order of a set,
// change notifications after a session, data-file names below the document, the info texts
// of list rows and the catalogue element a schematic names beside its wizard ID.
#include "editor/catalogue.h"
#include "tests/support/host_run.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;
using qv_test::WriteFile;
using testing::HasSubstr;
using testing::Not;

// Runs the host inside the folder with the arguments (shell words); both streams go to
// `output`. Gives the exit code.
int RunIn(const qv_test::ScratchFolder& folder, const std::string& args, std::string* output) {
    const auto run = qv_test::RunCaptured("cd '" + folder.path + "' && QV_USER_PROFILE='" + folder.path +
                                          "/user.ini' '" QVHOST_PATH "' " + args + " 2>&1");
    *output = run.out;
    return run.exitCode;
}

// An edit of the element of s.json with the script's lines, printed to `printed`; gives what
// the host printed, and fails the test when the edit fails.
std::string Edit(const qv_test::ScratchFolder& folder, const std::string& element, const std::string& script,
                 const std::string& printed = "e.json") {
    WriteFile(folder / "edit.script", script);
    std::string output;
    EXPECT_EQ(0, RunIn(folder, "edit s.json --element " + element + " --script edit.script -o " + printed, &output))
        << output;
    return output;
}

// The description of the schematic file into out/d.desc; fails the test when it fails.
std::string Described(const qv_test::ScratchFolder& folder, const std::string& schematic) {
    std::string output;
    EXPECT_EQ(0, RunIn(folder, "describe " + schematic + " -o out/d.desc", &output)) << output;
    return ReadFile(folder / "out/d.desc");
}

// The FFT's harmonic outputs: a schematic names the outputs it wants, as a script ticks them in
// the check list; the listing shows the ticks, and the printed schematic keeps them.
TEST(PrintedState, TheOutputsOfACheckListAreNamedTickedAndPrinted) {
    qv_test::ScratchFolder folder("printed_outputs");
    fs::create_directory(folder / "out");
    WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"id": 83, "name": "F1", "outputs": ["AMPL[1]"]}]})");
    EXPECT_THAT(Described(folder, "s.json"), HasSubstr("SDB ( F1.AMPL[1] );"));
    const std::string listing = Edit(folder, "F1", "print\ncheck 2302 3\ncheck 2302 0\ncheck 2302 0\nprint\nok\n");
    EXPECT_THAT(listing, HasSubstr("] selected -1 checked [1]\n"));
    EXPECT_THAT(listing, HasSubstr("] selected 0 checked [1, 3]\n"));
    const std::string described = Described(folder, "e.json");
    EXPECT_THAT(described, HasSubstr("SDB ( F1.AMPL[1] );\nSDB ( F1.AMPL[3] );"));
    EXPECT_THAT(described, Not(HasSubstr("AMPL[0]")));
}

// An order that leaves out a parameter the kind keeps (no page removes it) is refused with one
// line naming it; an order a page could leave (a sum block's inputs moved, printed by `edit -o`)
// still loads and keeps its order.
TEST(PrintedState, AnOrderThatLeavesOutAKeptParameterIsRefused) {
    struct Case {
        const char* element;
        const char* left;
    } cases[] = {
        {R"({"id": 21, "name": "M1", "order": ["RS", "RR", "LSS", "LSR", "LM", "P", "J", "ISA0", "ISB0", "ISC0", "IRA0",
             "IRB0", "IRC0", "N0", "PHI0", "N", "T", "PHI", "ISA", "ISB", "ISC"]})",
         "LOAD"},
        {R"({"id": 28, "name": "M1", "order": ["V", "I"]})", "CTRL"},
        {R"({"id": 109, "name": "M1", "order": ["LSA", "LSB", "LSC", "RCUA", "RCUB", "RCUC", "KTR1", "KTR2", "KTR3",
             "V1A", "V1B", "V1C", "V2A", "V2B", "V2C"]})",
         "LH"},
    };
    qv_test::ScratchFolder folder("printed_order");
    for (const Case& c : cases) {
        WriteFile(folder / "s.json", std::string(R"({"document": "D", "elements": [)") + c.element + "]}");
        std::string output;
        EXPECT_EQ(2, RunIn(folder, "describe s.json -o d.desc", &output)) << c.element;
        EXPECT_EQ(std::string("qvhost: element \"M1\": \"order\" leaves out \"") + c.left +
                      "\", a parameter its kind keeps (no page removes it)\n",
                  output);
        EXPECT_FALSE(fs::exists(folder / "d.desc"));
    }
    WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"id": 58, "name": "S1"}]})");
    Edit(folder, "S1", "cell 2132 1 4 b\nrow 2132 1\nclick 1125\nok\n");
    EXPECT_THAT(ReadFile(folder / "e.json"), HasSubstr("\"order\""));
    fs::create_directory(folder / "out");
    EXPECT_THAT(Described(folder, "e.json"), HasSubstr("SUM S1 ( INPUT[1] := b,INPUT[0] := 0,"));
}

// The polynomial source's order changed with the arrows alone: the change the session
// committed reaches the wizard, which keeps the coefficients of the new order only.
TEST(PrintedState, ACommittedOrderChangeReachesTheWizard) {
    qv_test::ScratchFolder folder("printed_notified");
    fs::create_directory(folder / "out");
    WriteFile(folder / "s.json", R"js({"document": "D", "elements": [{"id": 31, "name": "P1", "parameters": {"ORDER": "3",
        "QUANT[0]": "V(N1)", "COEFF[2]": "5", "COEFF[3]": "7"}}]})js");
    Edit(folder, "P1", "spin 2178 down\nspin 2178 down\nok\n");
    const std::string printed = ReadFile(folder / "e.json");
    EXPECT_THAT(printed, Not(HasSubstr("COEFF[2]")));
    EXPECT_THAT(printed, Not(HasSubstr("COEFF[3]")));
    EXPECT_THAT(Described(folder, "e.json"),
                HasSubstr("E_POLY P1 ( QUANT[0] := V(N1),COEFF[0] := 0,COEFF[1] := 0, SPC := 0"));
    // The reopened page shows the rows of order 1.
    WriteFile(folder / "s.json", printed);
    EXPECT_THAT(Edit(folder, "P1", "print\ncancel\n"), HasSubstr("  row 1: \"x1^1\" \"0\"\n2187 Edit"));
}

// A data file the user named with a folder below the schematic's is printed as the user gave
// it: the printed schematic describes the same into another folder, and moves with its own.
TEST(PrintedState, ADataFileBelowTheDocumentIsPrintedRelativeToIt) {
    qv_test::ScratchFolder folder("printed_file");
    fs::create_directories(folder / "out/sub");
    WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic":
        {"kind": "data-pairs", "points": [[0, 0], [1, 0.001]], "file": "sub/t.mdx"}}]})");
    Edit(folder, "R1", "ok\n", "y1.json");
    EXPECT_THAT(ReadFile(folder / "y1.json"), HasSubstr("\"file\": \"sub/t.mdx\""));
    EXPECT_THAT(Described(folder, "y1.json"), HasSubstr(R"(FILE := ")" + folder.path + "/out/sub/t.mdx\""));
    EXPECT_TRUE(fs::exists(folder / "out/sub/t.mdx"));
    // A file outside the document's folder keeps its full path.
    WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic":
        {"kind": "data-pairs", "points": [[0, 0], [1, 0.001]], "file": "../elsewhere.mdx"}}]})");
    fs::create_directory(folder / "in");
    fs::copy_file(folder / "s.json", folder / "in/s.json");
    std::string output;
    WriteFile(folder / "in/ok.script", "ok\n");
    ASSERT_EQ(0, RunIn(folder, "edit in/s.json --element R1 --script in/ok.script -o in/y2.json", &output)) << output;
    EXPECT_THAT(ReadFile(folder / "in/y2.json"), HasSubstr("\"file\": \"" + folder.path + "/elsewhere.mdx\""));
}

// The info text typed into a row of the initial-values and equation pages stays with the row in
// the printed schematic, after `edit -o` and after save and load.
TEST(PrintedState, TheInfoOfAnExpressionRowIsPrintedAndSaved) {
    struct Case {
        int id;
        int infoColumn;
    } cases[] = {{80, 1}, {81, 2}};
    for (const Case& c : cases) {
        qv_test::ScratchFolder folder("printed_info");
        WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"id": )" + std::to_string(c.id) +
                                         R"(, "name": "E1"}]})");
        Edit(folder, "E1", "cell 2132 0 0 \"y := 2\"\ncell 2132 0 " + std::to_string(c.infoColumn) + " \"my info\"\nok\n");
        EXPECT_THAT(ReadFile(folder / "e.json"), HasSubstr("\"info\": \"my info\"")) << c.id;
        fs::rename(folder / "e.json", folder / "s.json");
        EXPECT_THAT(Edit(folder, "E1", "print\ncancel\n"), HasSubstr(" \"my info\" \"\"\n")) << c.id;
        std::string output;
        ASSERT_EQ(0, RunIn(folder, "save s.json -o a.qva", &output)) << output;
        ASSERT_EQ(0, RunIn(folder, "load a.qva -o b.qva", &output)) << output;
        EXPECT_THAT(output, HasSubstr("\"info\": \"my info\"")) << c.id;
        EXPECT_EQ(ReadFile(folder / "a.qva"), ReadFile(folder / "b.qva"));
    }
}

// Every catalogue element whose wizard ID other elements share, named by its kind: its page
// is the kind's (the voltmeter's second output, the angle meter's initial value in its units),
// its model text the kind's own, and the schematic printed by `edit -o`, by `load` of its
// archive and by `load` of that archive saved again names the kind again and describes alike.
TEST(PrintedState, EveryKindOfASharedWizardIdIsMadeAndKeptAsNamed) {
    struct Case {
        unsigned id;
        std::string kind;   // "" names none: the first element of the ID
        const char* name;
        const char* script;
        const char* description;
    } cases[] = {
        {6, "", "SM_TR1", "type 2096 25\nchoose 2510 mm\nok\n", "SM_TR SM_TR1 ( X0 := 0.025 );\n"},
        {6, "Rotational Angle Meter", "SM_ROT1", "type 2096 90\nchoose 2510 deg\nok\n",
         "SM_ROT SM_ROT1 ( PHI0 := 1.5707963267949 );\n"},
        {6, "Voltmeter", "VM1", "click 2074\nclick 2076\nok\n", "VM VM1;\nSDB ( VM1.V );\nSDB ( VM1.PSI );\n"},
        {58, "", "S1", "cell 2132 1 2 \"-\"\nok\n", "SUM S1 ( INPUT[0] := 0,INPUT[1] := - (0),TS := 0 );\n"},
        {58, "Product", "P1", "cell 2132 1 2 \"-\"\nok\n", "PROD P1 ( INPUT[0] := 0,INPUT[1] := - (0),TS := 0 );\n"},
        {58, "Minimum", "MIN1", "cell 2132 1 4 a\nok\n", "MIN MIN1 ( INPUT[0] := 0,INPUT[1] := a,TS := 0 );\n"},
        {58, "Maximum", "MAX1", "cell 2132 0 4 b\nok\n", "MAX MAX1 ( INPUT[0] := b,INPUT[1] := 0,TS := 0 );\n"},
    };
    // The table covers every element of every shared ID that the catalogue holds.
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFolder(PARVEL_MODULE_DIR "/catalogue/", error)) << error;
    std::set<const qv::CatalogueElement*> left;
    for (const qv::CatalogueElement& element : catalogue.Elements())
        if (!catalogue.NamedByIdAlone(element)) left.insert({&element, catalogue.Find(element.id)});
    for (const Case& c : cases) left.erase(c.kind.empty() ? catalogue.Find(c.id) : catalogue.Find(c.id, c.kind));
    EXPECT_TRUE(left.empty()) << "the table leaves out " << (left.empty() ? "" : (*left.begin())->kind);

    for (const Case& c : cases) {
        qv_test::ScratchFolder folder("printed_kind");
        fs::create_directory(folder / "out");
        WriteFile(folder / "s.json", R"({"document": "D", "elements": [{"id": )" + std::to_string(c.id) +
                                         (c.kind.empty() ? "" : R"(, "kind": ")" + c.kind + "\"") + R"(, "name": ")" +
                                         c.name + "\"}]}");
        Edit(folder, c.name, c.script);
        const std::string printed = ReadFile(folder / "e.json");
        const std::string named = "\"id\": " + std::to_string(c.id) + ",\n      \"kind\": \"" + c.kind + "\",\n";
        EXPECT_EQ(!c.kind.empty(), printed.find(c.kind.empty() ? "\"kind\"" : named) != std::string::npos) << printed;
        EXPECT_EQ(c.description, Described(folder, "e.json")) << c.name;
        std::string output;
        ASSERT_EQ(0, RunIn(folder, "save e.json -o a.qva", &output)) << output;
        ASSERT_EQ(0, RunIn(folder, "load a.qva -o b.qva", &output)) << output;
        ASSERT_EQ(0, RunIn(folder, "load a.qva", &output)) << output;
        EXPECT_EQ(printed, output) << c.name;
        EXPECT_EQ(ReadFile(folder / "a.qva"), ReadFile(folder / "b.qva")) << c.name;
    }
}

// A table switched from data pairs to a file reference or a reference, or left for a pin or the
// page's form without the characteristic, keeps its own file name ("File Name" ticked) in the
// printed schematic and through save and load, on every page with a characteristic table and
// each of its nonlinear forms; switched back to data pairs, it writes that file and not the
// default one.
TEST(PrintedState, AReferenceKeepsTheTablesOwnFileName) {
    struct Case {
        unsigned id;
        int form;
        int button;             // the page's characteristic button
        const char* pin;        // the page's "Use Pin" of the form
        const char* linear;     // to the page's form without the characteristic ("" none)
        const char* nonlinear;  // back to the form
        const char* values;     // what the element's description needs beside the table
    } cases[] = {
        {15, 1, 2016, "click 2075", "click 2027", "click 2088", ""},
        {16, 1, 2016, "click 2075", "click 2027", "click 2088", R"(, "parameters": {"QUANT": "V1"})"},
        {17, 1, 2093, "click 2094", "click 2027", "click 2092", ""},
        {17, 2, 2098, "click 2079", "click 2027", "click 2089", ""},
        {18, 1, 2093, "click 2094", "click 2027", "click 2092", ""},
        {18, 2, 2098, "click 2079", "click 2027", "click 2089", ""},
        {65, 1, 2016, "click 2075", "", "", ""},
        {112, 1, 2016, "click 2075", "", "", ""},
        {1, 1, 2016, "click 2015", "pick 2005 0", "pick 2005 2", R"(, "parameters": {"QUANT": "V1"})"},
        {2, 1, 2016, "click 2015", "pick 2005 0", "pick 2005 2", R"(, "parameters": {"QUANT": "V1"})"},
    };
    enum Where { kTable, kPin, kLinear };
    struct Switch {
        Where where;          // on the characteristic table, or the page's "Use Pin" or form
        const char* lines;    // on the characteristic table, from data pairs
        const char* printed;  // the characteristic's fields before "file" ("@": its form)
        const char* back;     // to data pairs again
    } switches[] = {
        {kTable, "click 2330\ntype 2395 TB\n", "\"kind\": \"file-reference\",\n@        \"variable\": \"TB\",\n", "click 2397\n"},
        {kTable, "click 2111\ntype 2113 XY1.VAL\n", "\"kind\": \"reference\",\n@        \"text\": \"XY1.VAL\",\n",
         "click 2114\nclick 2397\n"},
        {kPin, "", "\"kind\": \"pin\",\n@", ""},
        {kLinear, "", "\"kind\": \"unused\",\n@", ""},
    };
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFolder(PARVEL_MODULE_DIR "/catalogue/", error)) << error;
    for (const qv::CatalogueElement& element : catalogue.Elements())
        for (int form = 1; form <= (element.characteristic.nonlinear2 != 0 ? 2 : 1) && element.HasCharacteristic(); ++form)
            EXPECT_TRUE(std::any_of(std::begin(cases), std::end(cases),
                                    [&](const Case& c) { return c.id == element.id && c.form == form; }))
                << "the table leaves out ID " << element.id << " form " << form;

    for (const Case& c : cases) {
        qv_test::ScratchFolder folder("printed_reference_file");
        fs::create_directory(folder / "out");
        const std::string schematic = R"({"document": "D", "elements": [{"id": )" + std::to_string(c.id) +
                                      R"(, "name": "K1")" + c.values +
                                      R"(, "characteristic": {"kind": "data-pairs", "points": [[0, 1], [2, 5]],
                                      "file": "mytab.mdx")" + (c.form == 2 ? R"(, "form": 2)" : "") + "}}]}";
        WriteFile(folder / "s.json", schematic);
        // The description and data file of the table as the schematic gives it.
        const std::string original = Described(folder, "s.json");
        const std::string table = ReadFile(folder / "out/mytab.mdx");
        const std::string button = "click " + std::to_string(c.button) + "\nok\n";
        for (const Switch& to : switches) {
            if (to.where == kLinear && *c.linear == '\0') continue;
            const std::string what = std::to_string(c.id) + " form " + std::to_string(c.form) + ": " + to.lines +
                                     (to.where == kPin ? c.pin : to.where == kLinear ? c.linear : "");
            // The script there and back: on the table, or the page's own switch.
            const auto script = [&](const char* onTable, const char* onPage) {
                return to.where == kTable ? "sheet ok {\n" + std::string(onTable) + "}\n" + button
                                          : onPage + std::string("\nok\n");
            };
            fs::remove(folder / "out/mytab.mdx");
            WriteFile(folder / "s.json", schematic);
            Edit(folder, "K1", script(to.lines, to.where == kPin ? c.pin : c.linear), "p.json");
            const std::string printed = ReadFile(folder / "p.json");
            std::string fields = to.printed;
            fields.replace(fields.find('@'), 1, c.form == 2 ? "        \"form\": 2,\n" : "");
            EXPECT_THAT(printed, HasSubstr("\"characteristic\": {\n        " + fields + "        \"file\": \"mytab.mdx\"\n      }"))
                << what;
            std::string output;
            ASSERT_EQ(0, RunIn(folder, "save p.json -o p.qva", &output)) << output;
            ASSERT_EQ(0, RunIn(folder, "load p.qva", &output)) << output;
            EXPECT_EQ(printed, output) << what;
            fs::rename(folder / "p.json", folder / "s.json");
            Edit(folder, "K1", script(to.back, to.where == kPin ? c.pin : c.nonlinear), "q.json");
            EXPECT_THAT(ReadFile(folder / "q.json"), HasSubstr("          ]\n        ],\n        \"file\": \"mytab.mdx\"\n"))
                << what;
            EXPECT_EQ(original, Described(folder, "q.json")) << what;
            EXPECT_EQ(table, ReadFile(folder / "out/mytab.mdx")) << what;
            EXPECT_FALSE(fs::exists(folder / "out/D__K1.mdx")) << what;
        }
    }
}

// A kind that the catalogue does not hold under the element's wizard ID is refused with one
// line that names the element and what the catalogue holds.
TEST(PrintedState, AKindTheWizardIdDoesNotHaveIsRefused) {
    struct Case {
        const char* element;
        const char* message;
    } cases[] = {
        {R"("id": 6, "kind": "Voltmetr")",
         "element \"X1\": wizard ID 6 has no catalogue element \"Voltmetr\" (it has \"Translational Position Meter\", "
         "\"Rotational Angle Meter\", \"Voltmeter\")"},
        {R"("id": 5, "kind": "Voltmeter")", "element \"X1\": the catalogue's \"Voltmeter\" has wizard ID 6, not 5"},
        {R"("id": 15, "kind": "Sum")", "element \"X1\": the catalogue's \"Sum\" has wizard ID 58, not 15"},
        {R"("id": 999, "kind": "Sum")", "element \"X1\": wizard ID 999 is not in the catalogue"},
        {R"("id": 58, "kind": "")", "s.json: element \"X1\" \"kind\" is empty: it must name a catalogue element"},
        {R"("id": 58, "kind": 2)", "s.json: element \"X1\" \"kind\" must be a text"},
    };
    qv_test::ScratchFolder folder("printed_kind_refused");
    for (const Case& c : cases) {
        WriteFile(folder / "s.json", std::string(R"({"document": "D", "elements": [{)") + c.element + R"(, "name": "X1"}]})");
        for (const char* command : {"describe s.json -o d.desc", "save s.json -o a.qva"}) {
            std::string output;
            EXPECT_EQ(2, RunIn(folder, command, &output)) << c.element;
            EXPECT_EQ(std::string("qvhost: ") + c.message + "\n", output) << command;
        }
        EXPECT_FALSE(fs::exists(folder / "d.desc"));
        EXPECT_FALSE(fs::exists(folder / "a.qva"));
    }
}

} // namespace
