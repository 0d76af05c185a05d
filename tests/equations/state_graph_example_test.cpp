// The state graph and the characteristic equations run by the host as a user runs them: edit
// scripts on their pages, the examples' model descriptions and the active state's symbol.
#include "tests/support/host_run.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qv_test::ReadFile;

int RunHost(const std::string& args, std::string* output) { return qv_test::RunHost(args, "", output); }

// The printed lines of the listed controls (and of list rows, "  row"), in order.
std::string Lines(const std::string& printed, const std::vector<std::string>& prefixes) {
    std::istringstream in(printed);
    std::string line, out;
    if (prefixes.empty()) return out;
    while (std::getline(in, line))
        for (const std::string& prefix : prefixes)
            if (line.rfind(prefix + " ", 0) == 0 || line.rfind(prefix + ":", 0) == 0) out += line + "\n";
    return out;
}

// JSON without the blanks and line breaks outside texts.
std::string Compact(const std::string& json) {
    std::string out;
    bool inText = false;
    for (size_t i = 0; i < json.size(); ++i) {
        const char ch = json[i];
        if (ch == '"' && (i == 0 || json[i - 1] != '\\')) inText = !inText;
        if (inText || (ch != ' ' && ch != '\n')) out += ch;
    }
    return out;
}

// The object that begins at `from` of a compact JSON text.
std::string ObjectAt(const std::string& json, size_t from) {
    int depth = 0;
    bool inText = false;
    for (size_t i = from; i < json.size(); ++i) {
        if (json[i] == '"' && json[i - 1] != '\\') inText = !inText;
        if (!inText && json[i] == '{') ++depth;
        if (!inText && json[i] == '}' && --depth == 0) return json.substr(from, i - from + 1);
    }
    return "";
}

constexpr char kSchematic[] = R"({"document": "G", "elements": [
  {"id": 44, "name": "T1"}, {"id": 45, "name": "S1"}, {"id": 46, "name": "SIO1"},
  {"id": 45, "name": "S0", "parameters": {"SET": {"type": "0x4"}, "CALC": {"type": "0x4"},
   "STEP": {"type": "0x4"}, "CATI": {"type": "0x4"}, "DEL": {"type": "0x4"}}},
  {"id": 72, "name": "C72"}, {"id": 73, "name": "C73"}, {"id": 74, "name": "C74"},
  {"id": 75, "name": "C75"}, {"id": 76, "name": "C76"}, {"id": 77, "name": "C77"}]})";

TEST(StateGraphHost, PagesFollowTheScripts) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "state_graph_pages.json";
    std::ofstream(schematic) << kSchematic;
    const std::string newSet = "menu 40005\nclick 1122\ncell 2233 0 1 \"X := 1\"\n";
    struct Case {
        const char* element;
        std::string script;
        std::vector<std::string> controls;  // printed lines compared whole
        const char* printed;
        const char* saved;  // the element as `edit -o` writes it ("" when not asked)
        int status = 0;
    } cases[] = {
        // Priority: limited when the field loses focus, stepped by the spin (up raises it).
        {"T1", "type 2188 \"12\"\nclick 2002\nprint\ntype 2188 \"-1\"\nclick 2002\nprint\ntype 2188 \"1e300\"\nclick 2002\n"
               "print\nspin 2220 up\nprint\nspin 2220 down\nprint\ncancel\n",
         {"2188"}, "2188 Edit \"9\"\n2188 Edit \"0\"\n2188 Edit \"9\"\n2188 Edit \"9\"\n2188 Edit \"8\"\n2188 Edit \"8\"\n", ""},
        // An empty value releases the output, and its result output goes with it; the action
        // stays.
        {"S1", newSet + "cell 2233 0 3 1\ncell 2233 0 1 \"\"\nok\n", {"  row"}, "  row 0: \"SET\" \"\" \"Sets a variable: name := value\" \"\"\n",
         R"({"id": 45, "name": "S1", "page_parameters": [{"name": "SET", "template": "SET", "value": ""}]})"},
        // Two actions on one variable share its output; the output switch of either row.
        {"S1", newSet + "menu 40006\nclick 1122\ncell 2233 1 1 \"X := X + 1\"\ncell 2233 1 3 1\nok\n", {}, "",
         R"({"id": 45, "name": "S1", "page_parameters": [{"name": "SET", "template": "SET", "value": "X := 1"}, {"name": "X", "template": "VAR", "value": ""}, {"name": "CALC", "template": "CALC", "value": "X := X + 1"}], "outputs": ["X"]})"},
        // A type change keeps the value text and shows the new action.
        {"S1", newSet + "cell 2233 0 0 CALC\ncancel\n", {"  row"},
         "  row 0: \"CALC\" \"X := 1\" \"Calculates a variable: name := expression\" \"\"\n", ""},
        // A type that still assigns the variable keeps its output and the output's result output.
        {"S1", newSet + "cell 2233 0 3 1\ncell 2233 0 0 CALC\nok\n", {}, "",
         R"({"id": 45, "name": "S1", "page_parameters": [{"name": "CALC", "template": "CALC", "value": "X := 1"}, {"name": "X", "template": "VAR", "value": ""}], "outputs": ["X"]})"},
        // Move up moves the action in the parameter array too.
        {"S1", newSet + "menu 40006\nclick 1122\ncell 2233 1 1 \"Y := 2\"\nrow 2233 1\nclick 1125\nok\n", {"  row"},
         "  row 0: \"CALC\" \"Y := 2\" \"Calculates a variable: name := expression\" \"\"\n"
         "  row 1: \"SET\" \"X := 1\" \"Sets a variable: name := value\" \"\"\n",
         R"({"id": 45, "name": "S1", "page_parameters": [{"name": "CALC", "template": "CALC", "value": "Y := 2"}, {"name": "SET", "template": "SET", "value": "X := 1"}, {"name": "X", "template": "VAR", "value": ""}, {"name": "Y", "template": "VAR", "value": ""}]})"},
        // Without templates: no menu on "New", and "New" disabled in the context menu.
        {"S0", "click 1122\nmenu 40005\nrow 2233 0 right\n", {}, "", "", 2},
        // Pins: the counts are limited (inputs on focus loss, outputs at once) and set the bits.
        {"SIO1", "type 2227 \"20\"\nclick 2330\ntype 2229 \"-3\"\nprint\ntype 2227 \"3\"\nclick 2330\ntype 2229 \"0\"\nok\n",
         {"2227", "2229"}, "2227 Edit \"15\"\n2229 Edit \"0\"\n2227 Edit \"3\"\n2229 Edit \"0\"\n",
         R"({"id": 46, "name": "SIO1", "parameters": {"PIN[0]": {"pin": true}, "PIN[1]": {"pin": true}, "PIN[2]": {"pin": true}, "PIN[15]": {"pin": false}}})"},
    };
    for (const Case& c : cases) {
        const fs::path script = folder / "state_graph_script.txt";
        const fs::path saved = folder / "state_graph_saved.json";
        std::ofstream(script) << c.script;
        fs::remove(saved);
        std::string output;
        const int status = RunHost("edit '" + schematic.string() + "' --element " + c.element + " --script '" +
                                       script.string() + "' -o '" + saved.string() + "'",
                                   &output);
        ASSERT_EQ(c.status, status) << c.script << output;
        if (c.status != 0) {
            EXPECT_NE(std::string::npos, output.find("the menu [[New]|Delete|Delete All|-|Move down|Move up]")) << output;
            continue;
        }
        EXPECT_EQ(c.printed, Lines(output, c.controls)) << c.script;
        if (*c.saved == '\0') continue;
        const std::string json = Compact(ReadFile(saved));
        const size_t at = json.find(std::string("\"name\":\"") + c.element + "\"");
        ASSERT_NE(std::string::npos, at);
        EXPECT_EQ(Compact(c.saved), ObjectAt(json, json.rfind('{', at))) << c.script;
        // What the page made travels: the edited schematic describes the same after save and load.
        const std::string base = (folder / "state_graph_trip").string();
        std::string log;
        ASSERT_EQ(0, RunHost("describe '" + saved.string() + "' -o '" + base + "1.desc'", &log)) << log;
        ASSERT_EQ(0, RunHost("save '" + saved.string() + "' -o '" + base + ".qva'", &log)) << log;
        const std::string load = "'" QVHOST_PATH "' load '" + base + ".qva' -o '" + base + "2.qva' >'" + base + ".json'";
        ASSERT_EQ(0, std::system(load.c_str()));
        ASSERT_EQ(0, RunHost("describe '" + base + ".json' -o '" + base + "2.desc'", &log)) << log;
        EXPECT_EQ(ReadFile(base + "1.desc"), ReadFile(base + "2.desc")) << c.script;
    }
}

TEST(StateGraphHost, CharacteristicRowsPerVariant) {
    const fs::path folder = qv_test::TempFolder();
    const fs::path schematic = folder / "characteristic_rows.json";
    std::ofstream(schematic) << kSchematic;
    const fs::path script = folder / "characteristic_rows.txt";
    std::ofstream(script) << "print\ncancel\n";
    // Per element: each row's label, then v/h for label, edit and unit list.
    struct Case {
        const char* element;
        const char* rows;
    } cases[] = {
        {"C72", "Forward Voltage vvv|Bulk Resistance vvv|Reverse Resistance vvv|Parameter 4 hhh|"},
        {"C73", "Thermal Voltage vvv|Saturation Current vvv|Reverse Resistance vvv|Parameter 4 hhh|"},
        {"C74", "Forward Voltage vvv|Bulk Resistance vvv|Reverse Resistance vvv|Parameter 4 hhh|"},
        {"C75", "Thermal Voltage vvv|Saturation Current vvv|Minority Carrier Lifetime vvv|Parameter 4 hhh|"},
        {"C76", "Reverse Resistance vvv|Coefficient A vvh|Coefficient B vvh|Coefficient C vvh|"},
        {"C77", "Zero-bias Junction Capacitance vvv|Diffusion Voltage vvv|Parameter 3 hhh|Parameter 4 hhh|"},
    };
    for (const Case& c : cases) {
        std::string output;
        ASSERT_EQ(0, RunHost("edit '" + schematic.string() + "' --element " + c.element + " --script '" +
                                 script.string() + "'",
                             &output))
            << output;
        std::string rows;
        const char* ids[4][3] = {{"2246", "2247", "2511"}, {"2248", "2249", "2512"}, {"2250", "2251", "2513"}, {"2252", "2253", "2514"}};
        for (const auto& row : ids) {
            const std::string labelLine = Lines(output, {row[0]});
            const size_t quote = labelLine.find('"');
            rows += labelLine.substr(quote + 1, labelLine.find('"', quote + 1) - quote - 1) + " ";
            for (const char* id : row) rows += Lines(output, {id}).find(" hidden ") == std::string::npos ? 'v' : 'h';
            rows += "|";
        }
        EXPECT_EQ(c.rows, rows) << c.element;
    }
}

// The examples' model descriptions, and the active state drawn in its own variant.
TEST(StateGraphHost, ExamplesAreDescribedAndDrawn) {
    const fs::path folder = qv_test::TempFolder();
    struct Case {
        const char* example;
        const char* description;
    } cases[] = {
        {"state_graph.json",
         "STATE S1 ( VALID := 0 );\nSTATE S2 ( VALID := 1 );\nTRANSITION T1 ( PRIO := 2, COND := X > 0 );\n"},
        {"characteristic_equation.json",
         "DEXP D1 ( IS := 2e-09, VT := 26m, RR := 1meg );\nEXPCH EXPCH1 ( VT := 0.026, IS := 2e-09, RR := 1meg );\n"
         "SDB ( EXPCH1.OUT );\n"},
    };
    for (const Case& c : cases) {
        const fs::path desc = folder / "state_graph_example.desc";
        std::string output;
        ASSERT_EQ(0, RunHost(std::string("describe '" PARVEL_SOURCE_DIR "/examples/") + c.example + "' -o '" +
                                 desc.string() + "'",
                             &output))
            << output;
        EXPECT_EQ(c.description, ReadFile(desc));
    }
    const fs::path svg = folder / "state_graph_s1.svg";
    std::string output;
    ASSERT_EQ(0, RunHost("svg '" PARVEL_SOURCE_DIR "/examples/state_graph.json' --element S1 --symbol -o '" + svg.string() + "'",
                         &output))
        << output;
    // S1 is active: the inner frame of variant 1 is drawn.
    EXPECT_NE(std::string::npos, ReadFile(svg).find("<rect x=\"30\" y=\"60\" width=\"140\" height=\"80\""));
}

} // namespace
