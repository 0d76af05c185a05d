// The schematic reader on careless input (control characters, syntax errors, repeated fields,
// files that are no regular files) and the element-by-element writer against the JSON
// library's own writing of the whole document.
#include "editor/schematic.h"
#include "afx/message_text.h"
#include "tests/support/scratch_folder.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string OneElement(const std::string& element) {
    return R"({"document": "D", "elements": [)" + element + "]}";
}

struct RefusalCase {
    std::string text;
    std::vector<std::string> said;   // parts the message must hold
};

TEST(SchematicReader, ControlCharactersAreRefusedNamingElementAndField) {
    const RefusalCase cases[] = {
        // A value may hold line breaks, which the catalogue allows where a parameter holds
        // several lines, and no other control character.
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": "1k\n);\u000bEVIL ( X := 1"}})"),
         {"element \"R1\"", "parameter \"R\"", "control character (U+000B)"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"value": "1\r\tk"}}})"),
         {"element \"R1\"", "parameter \"R\" \"value\"", "U+0009"}},
        {OneElement(R"({"id": 79, "name": "E1", "page_parameters": [{"name": "EQU\n", "template": "EQU"}]})"),
         {"element \"E1\" page parameter 1 \"name\"", "U+000A"}},
        {OneElement(R"({"id": 79, "name": "E1", "page_parameters": [{"name": "EQU", "template": "EQU\r"}]})"),
         {"element \"E1\" parameter \"EQU\" \"template\"", "U+000D"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"unit": "k\u0001Ohm"}}})"),
         {"parameter \"R\" \"unit\"", "U+0001"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R\tX": "1"}})"), {"element \"R1\"", "parameter name", "U+0009"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": "1\u007f"}})"), {"parameter \"R\"", "U+007F"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": "1\u0000"}})"), {"parameter \"R\"", "U+0000"}},
        {OneElement(R"({"id": 15, "name": "R1", "outputs": ["I\n"]})"), {"element \"R1\" output 1", "U+000A"}},
        {OneElement(R"({"id": 15, "name": "R1", "characteristic": {"kind": "reference", "text": "X\n.VAL"}})"),
         {"element \"R1\" \"characteristic\" \"text\"", "U+000A"}},
        {OneElement(R"({"id": 15, "name": "R1", "characteristic": {"kind": "file-reference", "variable": "V\u001b"}})"),
         {"\"variable\"", "U+001B"}},
        {OneElement(R"({"id": 15, "name": "R1", "characteristic": {"kind": "data-pairs", "points": [], "file": "a\nb.mdx"}})"),
         {"\"file\"", "U+000A"}},
        // A line end inside a script line would be a second action.
        {OneElement(R"({"id": 15, "name": "R1", "script": ["click 2088", "ok\nclick 1"]})"),
         {"element \"R1\" script line 2", "U+000A"}},
        {OneElement(R"({"id": 15, "name": "R\n1"})"), {"element 1", "control character"}},
        // Fields given twice would leave it open which one counts.
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": "1", "R": "2"}})"),
         {"element \"R1\"", "field \"R\" is given twice"}},
        {R"({"document": "D", "document": "E", "elements": []})", {"the schematic", "\"document\" is given twice"}},
        {R"({"document": "D", "elements": [], "elements": [{"id": 15, "name": "R1"}]})", {"\"elements\" is given twice"}},
        {R"({"elements": [{"id": 15, "name": "R1"}], "document": "D", "extra": 1})", {"unknown field \"extra\""}},
        // Each object knows its own fields; a page parameter alone has a "name" and a "template".
        {OneElement(R"({"id": 15, "name": "R1", "colour": "red"})"), {"element 1: unknown field \"colour\""}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"value": "1", "template": "T"}}})"),
         {"element \"R1\" parameter \"R\": unknown field \"template\""}},
        {OneElement(R"({"id": 15, "name": "R1", "page_parameters": [{"name": "A", "template": "T", "x": 1}]})"),
         {"element \"R1\" parameter \"A\": unknown field \"x\""}},
        {R"({"document": "D", "elements": {"id": 15}})", {"list \"elements\""}},
        {R"({"document": "D", "elements": [7]})", {"element 1 must be an object"}},
    };
    for (const RefusalCase& c : cases) {
        qv::Schematic schematic;
        std::string error;
        EXPECT_FALSE(qv::ReadSchematic(c.text, schematic, error)) << c.text;
        for (const std::string& part : c.said) EXPECT_NE(std::string::npos, error.find(part)) << c.text << "\n" << error;
        EXPECT_TRUE(schematic.elements.empty()) << c.text;
    }
}

TEST(SchematicReader, SyntaxErrorsSayWhatAndWhereInTheUsersTerms) {
    const RefusalCase cases[] = {
        {"{\"document\": \"D\",\n \"elements\": [", {"line 2, column 15", "ends before the schematic is complete"}},
        {"", {"line 1, column 1", "ends before"}},
        {"{\"document\": \"D\",\n \"elements\": [ {\"id\": 15,, } ]}", {"line 2, column 26", "unexpected ','"}},
        {"{\"document\": \"D\", \"elements\": [tru]}", {"line 1, column 35", "invalid literal"}},
        {"{\"document\": \"D\"}\n\n  x", {"line 3, column 3", "expected end of input"}},
        // Columns count characters, not bytes: "\xC3\x84" is one.
        {"{\"document\": \"\xC3\x84\xC3\x84\" ]", {"line 1, column 19", "unexpected ']'"}},
        {"{\"document\": \"D\nE\"}", {"line 1, column 16", "control character"}},
        {OneElement(R"({"id": 15, "name": "R1", "characteristic": {"kind": "data-pairs", "points": [[0, 1e999]]}})"),
         {"line 1, column", "the number '1e999' is too large"}},
    };
    for (const RefusalCase& c : cases) {
        qv::Schematic schematic;
        std::string error;
        EXPECT_FALSE(qv::ReadSchematic(c.text, schematic, error)) << c.text;
        for (const std::string& part : c.said) EXPECT_NE(std::string::npos, error.find(part)) << c.text << "\n" << error;
        EXPECT_EQ(std::string::npos, error.find("json.exception")) << error;
    }
}

TEST(SchematicReader, NestingDeeperThanASchematicIsRefused) {
    std::string deep = OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": )" + std::string(20, '[') +
                                  std::string(20, ']') + "}}");
    qv::Schematic schematic;
    std::string error;
    EXPECT_FALSE(qv::ReadSchematic(deep, schematic, error));
    EXPECT_NE(std::string::npos, error.find("nests deeper")) << error;
}

TEST(SchematicReader, FieldsInAnyOrderAndTabsInScriptLines) {
    const std::string text = R"({"elements": [{"name": "R1", "id": 15, "script": ["type\t2028\t5k"]},
                                               {"id": 16, "name": "G1"}], "document": "D"})";
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematic(text, schematic, error)) << error;
    EXPECT_EQ("D", schematic.document);
    ASSERT_EQ(2u, schematic.elements.size());
    EXPECT_EQ("type\t2028\t5k", schematic.elements[0].script[0]);
    EXPECT_EQ("G1", schematic.elements[1].name);
}

// The writer puts the document together element by element; the result must be exactly what
// the JSON library writes for the whole document, and the points read back bit for bit.
TEST(SchematicWriter, TextIsTheLibrarysOwnWritingOfTheWholeDocument) {
    qv::Schematic empty;
    empty.document = "Empty";
    qv::Schematic full;
    full.document = "Full";
    for (int i = 0; i < 3; ++i) {
        qv::SchematicElement element;
        element.id = 15;
        element.name = "R" + std::to_string(i);
        element.showName = i == 1;
        element.params.push_back({"R", true, "4.7k \"q\" \xB0", i == 2, "kOhm", i == 2, true});
        element.outputs = {"I", "V"};
        element.characteristic.kind = qv::SchematicCharacteristic::Kind::DataPairs;
        element.characteristic.points = {{-1.5, 1e-300}, {-0.0, 0}, {2.25, -3}, {0.1 + 0.2, 5e-324}};
        element.script = {"click 2088", "type 2028 \"a\\tb\""};
        full.elements.push_back(element);
    }
    for (const qv::Schematic* schematic : {&empty, &full}) {
        const std::string text = qv::WriteSchematic(*schematic);
        EXPECT_EQ(nlohmann::ordered_json::parse(text).dump(2) + "\n", text);
        qv::Schematic again;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(text, again, error)) << error;
        EXPECT_EQ(text, qv::WriteSchematic(again));
        // Compared as bits, so that negative zero counts.
        auto bits = [](const qv::Schematic& read) {
            std::vector<uint64_t> out;
            for (const qv::SchematicElement& element : read.elements)
                for (const auto& [x, y] : element.characteristic.points) {
                    out.push_back(std::bit_cast<uint64_t>(x));
                    out.push_back(std::bit_cast<uint64_t>(y));
                }
            return out;
        };
        EXPECT_EQ(bits(*schematic), bits(again));
    }
}

// A scratch folder for one test, removed with it.
struct Scratch : qv_test::ScratchFolder {
    Scratch() : ScratchFolder("schematic_test") {}
};

TEST(InputFile, KindAndSizeAreCheckedBeforeReading) {
    Scratch scratch;
    std::ofstream(scratch / "ten.json") << "0123456789";
    fs::create_directories(scratch / "folder");
    ASSERT_EQ(0, ::mkfifo((scratch / "pipe").c_str(), 0600));
    struct Case {
        std::string path;
        unsigned long long limit;
        bool usable;
        std::string said;
    } cases[] = {
        {scratch / "ten.json", 10, true, ""},
        {scratch / "ten.json", 9, false, "larger than 9 bytes"},
        {scratch / "folder", 1000, false, "is a folder"},
        {"/dev/zero", 1000, false, "not a regular file"},
        {scratch / "pipe", 1000, false, "not a regular file"},
        {scratch / "missing.json", 1000, false, "no such file"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(c.usable, qv::CheckInputFile(c.path, c.limit, error)) << c.path;
        if (!c.usable) {
            EXPECT_NE(std::string::npos, error.find(qv::ShownPath(c.path) + ": ")) << error;
            EXPECT_NE(std::string::npos, error.find(c.said)) << error;
        }
    }
    // Reading a schematic checks the same first: a device is never read (it would not end).
    qv::Schematic schematic;
    std::string error;
    EXPECT_FALSE(qv::ReadSchematicFile("/dev/zero", schematic, error));
    EXPECT_FALSE(qv::ReadSchematicFile(scratch / "pipe", schematic, error));
    EXPECT_NE(std::string::npos, error.find("not a regular file")) << error;
}

} // namespace

namespace {

TEST(SchematicReader, WizardDataAndFlagsAreReadExactlyOrRefused) {
    const RefusalCase refused[] = {
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": "0a0"})"), {"element \"G1\" \"wizard_data\"", "odd number"}},
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": "0g"})"), {"element \"G1\"", "no hexadecimal digit at position 2"}},
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": "0a\n1"})"), {"element \"G1\"", "no hexadecimal digit"}},
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": [10]})"), {"element \"G1\" \"wizard_data\"", "must be a text"}},
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": " 0a"})"), {"element \"G1\"", "odd number"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"type": "4"}}})"), {"parameter \"R\" \"type\"", "\"0x\""}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"type": "0x"}}})"), {"parameter \"R\" \"type\""}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"type": "0x123456789"}}})"), {"\"type\"", "eight"}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"ext_type": 4}}})"), {"parameter \"R\" \"ext_type\""}},
        {OneElement(R"({"id": 15, "name": "R1", "parameters": {"R": {"ext_type": "0x-1"}}})"), {"\"ext_type\""}},
        {OneElement(R"({"id": 81, "name": "F1", "parameters": {"FA[1]": {"value_id": 0}}})"), {"\"value_id\"", "65535"}},
        {OneElement(R"({"id": 81, "name": "F1", "parameters": {"FA[1]": {"value_id": 65536}}})"), {"\"value_id\""}},
        {OneElement(R"({"id": 81, "name": "F1", "parameters": {"FA[1]": {"value_id": "2753"}}})"), {"\"value_id\""}},
        {OneElement(R"({"id": 44, "name": "T1", "parameters": {"COND": {"on_sheet": 256}}})"), {"\"on_sheet\"", "0 to 255"}},
        {OneElement(R"({"id": 44, "name": "T1", "parameters": {"COND": {"on_sheet": -1}}})"), {"parameter \"COND\" \"on_sheet\""}},
        {OneElement(R"({"id": 44, "name": "T1", "parameters": {"COND": {"on_sheet": "3"}}})"), {"\"on_sheet\""}},
    };
    for (const RefusalCase& c : refused) {
        qv::Schematic schematic;
        std::string error;
        EXPECT_FALSE(qv::ReadSchematic(c.text, schematic, error)) << c.text;
        for (const std::string& part : c.said) EXPECT_NE(std::string::npos, error.find(part)) << c.text << "\n" << error;
    }

    struct Case {
        std::string text;
        std::vector<unsigned char> data;
        bool hasData;
    } read[] = {
        {OneElement(R"({"id": 33, "name": "G1"})"), {}, false},
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": ""})"), {}, true},
        {OneElement(R"({"id": 33, "name": "G1", "wizard_data": "00ff7F80"})"), {0x00, 0xFF, 0x7F, 0x80}, true},
    };
    for (const Case& c : read) {
        qv::Schematic schematic;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(c.text, schematic, error)) << c.text << "\n" << error;
        EXPECT_EQ(c.hasData, schematic.elements[0].hasWizardData) << c.text;
        EXPECT_EQ(c.data, schematic.elements[0].wizardData) << c.text;
        // Written and read again, the bytes and the flag stay.
        qv::Schematic again;
        ASSERT_TRUE(qv::ReadSchematic(qv::WriteSchematic(schematic), again, error)) << error;
        EXPECT_EQ(c.hasData, again.elements[0].hasWizardData);
        EXPECT_EQ(c.data, again.elements[0].wizardData);
    }
}

TEST(SchematicWriter, FlagsGoOutOnlyWhereSetAndComeBackTheSame) {
    struct Case {
        bool hasType;
        unsigned long type;
        bool hasExtType;
        unsigned long extType;
        const char* written;   // in the text, or "" for the plain value form
        unsigned valueId = 0;  // 0: none given
        int onSheet = -1;      // -1: none given
        std::string value = "1";
    } cases[] = {
        {false, 0, false, 0, "\"Q[0]\": \"1\""},
        {true, 0x4, false, 0, "\"type\": \"0x4\""},
        {false, 0, true, 0x20000, "\"ext_type\": \"0x20000\""},
        {true, 0xFFFFFFFFul, true, 0, "\"type\": \"0xFFFFFFFF\""},
        {false, 0, false, 0, "\"value_id\": 2753", 2753},
        {false, 0, false, 0, "\"on_sheet\": 3", 0, 3},
        {false, 0, false, 0, "\"on_sheet\": 0", 0, 0},
        {false, 0, false, 0, "\"on_sheet\": 255", 0, 255},
        // Lines go out as the escapes of a JSON text, one line of the file.
        {false, 0, false, 0, "\"Q[0]\": \"a := 1\\r\\nb := 2\\n\"", 0, -1, "a := 1\r\nb := 2\n"},
    };
    for (const Case& c : cases) {
        qv::Schematic schematic;
        schematic.document = "D";
        qv::SchematicElement element;
        element.id = 33;
        element.name = "G1";
        qv::SchematicParam param;
        param.name = "Q[0]";
        param.hasValue = true;
        param.value = c.value;
        param.hasOnSheet = c.onSheet >= 0;
        param.onSheet = c.onSheet >= 0 ? static_cast<unsigned>(c.onSheet) : 0;
        param.hasType = c.hasType;
        param.type = c.type;
        param.hasExtType = c.hasExtType;
        param.extType = c.extType;
        param.hasValueId = c.valueId != 0;
        param.valueId = c.valueId;
        element.params.push_back(param);
        schematic.elements.push_back(element);
        const std::string text = qv::WriteSchematic(schematic);
        EXPECT_NE(std::string::npos, text.find(c.written)) << text;
        qv::Schematic again;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(text, again, error)) << error;
        const qv::SchematicParam& back = again.elements[0].params[0];
        EXPECT_EQ(c.hasType, back.hasType) << text;
        EXPECT_EQ(c.hasType ? c.type : 0, back.type) << text;
        EXPECT_EQ(c.hasExtType, back.hasExtType) << text;
        EXPECT_EQ(c.hasExtType ? c.extType : 0, back.extType) << text;
        EXPECT_EQ(c.valueId, back.hasValueId ? back.valueId : 0) << text;
        EXPECT_EQ(c.onSheet, back.hasOnSheet ? static_cast<int>(back.onSheet) : -1) << text;
        EXPECT_EQ(c.value, back.value);
    }
}


// Reads the text element by element, keeping what is handed over.
struct Taken {
    bool ok = false;
    std::string document = "(unset)";
    qv::Schematic schematic;
    std::string error;
};

Taken ReadByElements(const std::string& text) {
    Taken taken;
    taken.ok = qv::ReadSchematicElements(
        text, taken.document,
        [&](qv::SchematicElement& element, std::string&) {
            taken.schematic.elements.push_back(std::move(element));
            return true;
        },
        taken.error);
    taken.schematic.document = taken.document;
    return taken;
}

TEST(SchematicElementReader, HandsOverTheRecordsOfTheWholeReader) {
    const std::string texts[] = {
        R"({"document": "D", "elements": []})",
        // The document's name may follow the elements.
        R"({"elements": [{"id": 15, "name": "R1", "parameters": {"R": "1k"}}], "document": "Late"})",
        R"({"document": "D", "elements": [
            {"id": 15, "name": "R1", "show_name": true, "parameters": {"R": {"value": "2", "unit": "kOhm", "pin": false,
                                                                             "type": "0x4", "ext_type": "0x20000"}},
             "outputs": ["I", "V"]},
            {"id": 15, "name": "RNL1", "characteristic": {"kind": "data-pairs", "points": [[0, 0], [1, 0.5]], "file": "own.mdx",
                                                          "form": 2}},
            {"id": 15, "name": "RNL2", "characteristic": {"kind": "reference", "text": "XY1.VAL"}},
            {"id": 16, "name": "G.1", "characteristic": {"kind": "file-reference", "variable": "V"}},
            {"id": 16, "name": "G2", "characteristic": {"kind": "pin"}, "script": ["click 2088", "ok"]},
            {"id": 33, "name": "G3", "wizard_data": "00ff"}]})",
    };
    for (const std::string& text : texts) {
        qv::Schematic whole;
        std::string error;
        ASSERT_TRUE(qv::ReadSchematic(text, whole, error)) << text << "\n" << error;
        const Taken taken = ReadByElements(text);
        ASSERT_TRUE(taken.ok) << taken.error;
        EXPECT_EQ(whole.document, taken.document);
        ASSERT_EQ(whole.elements.size(), taken.schematic.elements.size()) << text;
        // The written text shows every field of every record.
        EXPECT_EQ(qv::WriteSchematic(whole), qv::WriteSchematic(taken.schematic)) << text;
    }
}

TEST(SchematicElementReader, FailsAtTheSameElementWithTheSameMessage) {
    const std::string r1 = R"({"id": 15, "name": "R1"})";
    const std::string r2 = R"({"id": 15, "name": "R2"})";
    struct Case {
        std::string text;
        size_t takenBefore;   // elements handed over before the fault was found
    } cases[] = {
        {R"({"document": "D", "elements": [)" + r1 + "," + r2 + R"(, {"id": 15, "name": "R2"}]})", 2},
        {R"({"document": "D", "elements": [)" + r1 + R"(, {"id": 15, "name": "R2", "parameters": {"R": "1\u0001"}}]})", 1},
        {R"({"document": "D", "elements": [)" + r1 + "," + r2 + R"(, {"id": 15, "name": "R3", "name": "R4"}]})", 2},
        {R"({"document": "D", "elements": [)" + r1 + "," + r2 + ", {]}", 2},
        {R"({"document": "D", "elements": [)" + r1 + "," + r2 + "]", 2},
        {R"({"elements": [)" + r1 + "," + r2 + R"(], "document": "D E"})", 2},
        {R"({"elements": [)" + r1 + R"(], "extra": 1, "document": "D"})", 1},
        {R"({"elements": [)" + r1 + R"(]})", 1},
        {R"({"document": "D", "elements": [)" + r1 + R"(, [[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]})", 1},
        {R"({"document": "D", "elements": [)" + r1 + R"(, {"id": -1, "name": "R2"}]})", 1},
    };
    for (const Case& c : cases) {
        qv::Schematic whole;
        std::string error;
        ASSERT_FALSE(qv::ReadSchematic(c.text, whole, error)) << c.text;
        const Taken taken = ReadByElements(c.text);
        EXPECT_FALSE(taken.ok) << c.text;
        EXPECT_EQ(error, taken.error) << c.text;
        EXPECT_EQ(c.takenBefore, taken.schematic.elements.size()) << c.text << "\n" << error;
        EXPECT_EQ("(unset)", taken.document) << "a faulty text names no document";
    }
}

TEST(SchematicElementReader, TheTakerStopsTheReadingWithItsMessage) {
    const std::string text = R"({"document": "D", "elements": [{"id": 15, "name": "R1"}, {"id": 15, "name": "R2"},
                                                                 {"id": 15, "name": "R3"}, {"id": 15, "name": "R3"}]})";
    for (size_t stopAt = 1; stopAt <= 3; ++stopAt) {
        std::vector<std::string> names;
        std::string document = "(unset)";
        std::string error;
        const bool ok = qv::ReadSchematicElements(
            text, document,
            [&](qv::SchematicElement& element, std::string& why) {
                names.push_back(element.name);
                if (names.size() < stopAt) return true;
                why = "stopped at " + element.name;
                return false;
            },
            error);
        EXPECT_FALSE(ok);
        EXPECT_EQ("stopped at R" + std::to_string(stopAt), error) << "not the repeated name further on";
        EXPECT_EQ(stopAt, names.size());
        EXPECT_EQ("(unset)", document);
    }
}

// Every name is checked against all names before it, also among many names that share their
// beginnings and lengths.
TEST(SchematicElementReader, NamesAreUniqueAmongThousands) {
    auto text = [](int count, const std::string& last) {
        std::string t = R"({"document": "D", "elements": [)";
        for (int i = 0; i < count; ++i) t += R"({"id": 15, "name": "R)" + std::to_string(i) + R"("},)";
        return t + R"({"id": 15, "name": ")" + last + R"("}]})";
    };
    struct Case {
        std::string last;
        bool unique;
    } cases[] = {
        {"R0", false}, {"R2999", false}, {"R1500", false}, {"R3000", true}, {"R", true}, {"R29999", true}, {"R_1", true},
        {"R0.", true},
    };
    for (const Case& c : cases) {
        const Taken taken = ReadByElements(text(3000, c.last));
        EXPECT_EQ(c.unique, taken.ok) << c.last << ": " << taken.error;
        if (!c.unique) {
            EXPECT_EQ("the element name \"" + c.last + "\" is used twice (\".\" and \"_\" count as the same)", taken.error);
        }
    }
    // "." and "_" count as the same: the default data-file names of both would be one.
    const std::string dotted = R"({"document": "D", "elements": [{"id": 15, "name": "R_1.a"}, {"id": 15, "name": "R.1_a"}]})";
    const Taken taken = ReadByElements(dotted);
    EXPECT_FALSE(taken.ok);
    EXPECT_NE(std::string::npos, taken.error.find("\"R.1_a\" is used twice")) << taken.error;
}

} // namespace
