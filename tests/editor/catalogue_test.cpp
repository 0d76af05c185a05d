// The element catalogue, the schematic reader and the edit-script reader: what the shipped
// files hold, and how faulty input is refused.
#include "editor/catalogue.h"
#include "editor/edit_script.h"
#include "editor/schematic.h"
#include "editor/text_codec.h"
#include "framework/factories.h"
#include "win32/win32.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

qv::Catalogue Shipped() {
    qv::Catalogue catalogue;
    std::string error;
    EXPECT_TRUE(catalogue.LoadFolder(PARVEL_SOURCE_DIR "/editor/catalogue", error)) << error;
    return catalogue;
}

TEST(Catalogue, ShippedFamiliesMatchTheFactoriesAndTheirPages) {
    const qv::Catalogue catalogue = Shipped();
    ASSERT_NE(nullptr, catalogue.Find(15));
    ASSERT_NE(nullptr, catalogue.Find(16));
    HMODULE plugin = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.so");
    ASSERT_NE(nullptr, plugin);
    auto table = reinterpret_cast<size_t (*)(const QvFactoryInfo**)>(GetProcAddress(plugin, "QvGetFactoryTable"));
    ASSERT_NE(nullptr, table);
    const QvFactoryInfo* entries = nullptr;
    const size_t count = table(&entries);
    for (const qv::CatalogueElement& element : catalogue.Elements()) {
        bool known = false;
        for (size_t i = 0; i < count; ++i) known = known || (entries[i].id == element.id && entries[i].base == element.base);
        EXPECT_TRUE(known) << "wizard ID " << element.id << " is no factory ID of base " << element.base;
        // Value IDs are the pages' control IDs: one parameter each, except the members of an
        // indexed family ("INPUT", "INPUT[0]", "INPUT[1]"), which share the ID of their family,
        // and the templates of one list's rows (a state's action types, Type bit 0x2).
        std::set<WORD> ids;
        std::set<std::string> members;
        for (const qv::CatalogueParam& param : element.params) {
            const std::string family = param.name.substr(0, param.name.find('['));
            const bool indexed = param.name.find('[') != std::string::npos;
            if (!ids.insert(param.valueId).second && !indexed && (param.type & 0x2) == 0)
                ADD_FAILURE() << element.id << ": value ID " << param.valueId << " twice";
            if (indexed) {
                EXPECT_TRUE(members.insert(param.name).second) << element.id << ": " << param.name << " twice";
                EXPECT_NE(nullptr, element.FindParam(family)) << element.id << ": " << param.name << " has no template";
            }
        }
        // The newer-base wizards write their model text; the older-base transformers leave it
        // to the editor.
        if (element.base == 4) {
            EXPECT_NE(std::string::npos, element.templ.find("IMMANENT"));
        }
        EXPECT_FALSE(element.SymbolText(0x409).empty());
    }
    FreeLibrary(plugin);

    // A new element starts linear: the characteristic parameters are marked unused.
    const qv::CatalogueElement& resistor = *catalogue.Find(15);
    for (const char* name : {"CH", "CH_FILE", "CH_STRG"}) {
        ASSERT_NE(nullptr, resistor.FindParam(name));
        EXPECT_EQ(0x20000u, resistor.FindParam(name)->extType & 0x20000u) << name;
    }
    EXPECT_EQ(0u, resistor.FindParam("R")->extType & 0x20000u);
    ASSERT_NE(nullptr, catalogue.Find(16)->FindParam("QUANT"));
}

// The controlled sources choose their characteristic forms from the "Controlled" list.
TEST(Catalogue, ControlledSourcesNameTheirFormList) {
    const qv::Catalogue catalogue = Shipped();
    for (unsigned id : {1u, 2u}) {
        const qv::CatalogueElement* source = catalogue.Find(id);
        ASSERT_NE(nullptr, source) << id;
        EXPECT_EQ(2005, source->characteristic.formList);
        EXPECT_EQ((std::vector<int>{2, 3}), source->characteristic.forms);
        EXPECT_EQ(0, source->characteristic.nonlinear);
        EXPECT_EQ(2016, source->characteristic.button);
        EXPECT_EQ(2015, source->characteristic.usePin);
    }
    EXPECT_NE(nullptr, catalogue.Find(1)->FindParam("SPC"));
    EXPECT_EQ(nullptr, catalogue.Find(2)->FindParam("SPC"));
    EXPECT_EQ("Voltage", catalogue.Find(2)->FindParam("VEA")->quantity);
    EXPECT_EQ("Voltage", catalogue.Find(2)->FindParam("VCE")->quantity);
}

TEST(Catalogue, HolderCarriesDefaultsTextsAndOutputTemplates) {
    const qv::Catalogue catalogue = Shipped();
    auto holder = qv::Catalogue::MakeHolder(*catalogue.Find(15), "R7");
    EXPECT_EQ(CString("R7"), holder->m_strElementName);
    EXPECT_EQ(CString("@TYPE@NAME ( @PARAMLIST);"), holder->m_strModelText);
    ASSERT_EQ(6, holder->GetParamCount());
    const CWizardCopaObject3* r = holder->GetParam(0);
    EXPECT_EQ(CString("1k"), r->GetValue());
    EXPECT_EQ(CString("Ohm"), r->GetUsedUnit());
    EXPECT_EQ(CString("Resistance"), r->GetQuantity());
    EXPECT_EQ(CString("Resistance"), r->GetDescriptionByLangID(0x409));
    EXPECT_EQ(CString("Widerstand"), r->GetDescriptionByLangID(0x407));
    EXPECT_EQ(0x4u, r->GetType());
    EXPECT_FALSE(r->IsDeletable());
    ASSERT_EQ(1, holder->GetOutputTemplateCount());
    EXPECT_EQ(CString("SDB"), holder->GetOutputTemplate(0)->GetName());
    EXPECT_EQ(0, holder->GetOutputInstanceCount()) << "no output is switched on for a new element";
    EXPECT_EQ(nullptr, dynamic_cast<CWizardSchematicDataExchange3*>(holder.get())) << "base 4 gets a plain set";
}

TEST(Catalogue, FaultyFamilyFilesAreRefusedWithTheirPlace) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"{", "line 1, column 2: the text ends before the family file is complete"},
        {"{\"family\": \"f\",\n \"elements\": [,]}", "line 2, column 15: not valid JSON: unexpected ','"},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":70000}]}]})", "out of range"},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":1,"quantity":"Nothing"}]}]})",
         "unknown quantity"},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":1,"quantity":"Voltage","unit":"Ohm"}]}]})",
         "no unit"},
        // The quantity a page switches a parameter to: a known one, other than its own, from one it has.
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":1,"quantity":"Voltage","switched_quantity":"Amps"}]}]})",
         "element 1 parameter 1 (A): unknown switched quantity \"Amps\""},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":1,"quantity":"Voltage","switched_quantity":"voltage"}]}]})",
         "is its own quantity"},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":1,"switched_quantity":"Current"}]}]})",
         "needs a \"quantity\""},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":1,"quantity":"Voltage","switched_quantity":7}]}]})",
         "\"switched_quantity\""},
        {R"({"family":"f","elements":[{"id":1},{"id":1}]})", "appears twice"},
        {R"({"family":"f","elements":[{"id":1,"colour":"red"}]})", "unknown field"},
        {R"({"family":"f","elements":[{"id":1,"symbol":{"0x409":"circle 50 50"}}]})", "circle"},
        {R"({"family":"f","elements":[{"id":1,"base":5}]})", "base"},
        {R"({"family":"f","elements":[{"id":1,"parameters":[{"name":"A","value_id":"0x1G"}]}]})", "whole number"},
        {R"({"family":"f","elements":[{"id":1,"kind":"\u2603"}]})", "Windows-1252"},
        {R"({"family":"f","elements":[{"id":1,"characteristic":{"button":2016,"form_list":2005}}]})", "together"},
        {R"({"family":"f","elements":[{"id":1,"characteristic":{"button":2016,"forms":[2]}}]})", "together"},
        {R"({"family":"f","elements":[{"id":1,"characteristic":{"button":2016,"form_list":2005,"forms":[]}}]})",
         "list of entry indexes"},
        {R"({"family":"f","elements":[{"id":1,"characteristic":{"button":2016,"nonlinear":2088,"form_list":2005,"forms":[2]}}]})",
         "both"},
    };
    for (const Case& c : cases) {
        qv::Catalogue catalogue;
        std::string error;
        EXPECT_FALSE(catalogue.LoadText(c.text, "test.json", error)) << c.text;
        EXPECT_NE(std::string::npos, error.find(c.message)) << c.text << " -> " << error;
        EXPECT_EQ(0, error.find("test.json: ")) << error;
        EXPECT_EQ(std::string::npos, error.find("json.exception")) << error;
        EXPECT_TRUE(catalogue.Elements().empty()) << "nothing is kept from a failed file";
    }
    qv::Catalogue empty;
    std::string error;
    EXPECT_FALSE(empty.LoadFolder("/nonexistent/catalogue", error));
}

TEST(Schematic, ReadsEveryFormAndWritesItBack) {
    const std::string text = R"({
      "document": "Dok",
      "elements": [
        {"id": 15, "name": "R1", "show_name": true, "parameters": {"R": "10k", "CH": {"pin": true}},
         "outputs": ["I"]},
        {"id": 15, "name": "R2", "parameters": {"R": {"value": "2", "unit": "kOhm"}},
         "characteristic": {"kind": "data-pairs", "points": [[0, 0], [0.1, 1e-300]], "file": "a.mdx"}},
        {"id": 16, "name": "G1", "characteristic": {"kind": "file-reference", "variable": "V"}},
        {"id": 16, "name": "G2", "characteristic": {"kind": "reference", "text": "T\u00b0.VAL"}},
        {"id": 15, "name": "R3", "characteristic": {"kind": "pin"}, "script": ["click 2088", "ok"]}
      ]})";
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematic(text, schematic, error)) << error;
    EXPECT_EQ("T\xB0.VAL", schematic.elements[3].characteristic.reference) << "kept in the code page";
    ASSERT_EQ(5u, schematic.elements.size());
    const qv::SchematicElement& r1 = schematic.elements[0];
    EXPECT_TRUE(r1.showName);
    ASSERT_EQ(2u, r1.params.size());
    EXPECT_TRUE(r1.params[1].hasPin && r1.params[1].pin && !r1.params[1].hasValue);
    EXPECT_EQ(1e-300, schematic.elements[1].characteristic.points[1].second);
    EXPECT_EQ(qv::SchematicCharacteristic::Kind::Reference, schematic.elements[3].characteristic.kind);

    qv::Schematic again;
    ASSERT_TRUE(qv::ReadSchematic(qv::WriteSchematic(schematic), again, error)) << error;
    EXPECT_EQ(qv::WriteSchematic(schematic), qv::WriteSchematic(again));
    EXPECT_NE(std::string::npos, qv::WriteSchematic(schematic).find("T\xC2\xB0.VAL")) << "written as UTF-8";
}

TEST(Schematic, FaultsAreRefusedAndLeaveTheSchematicAsItWas) {
    const char* bad[] = {
        "",
        "[]",
        R"({"elements": []})",
        R"({"document": "a/b", "elements": []})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R1"}, {"id": 16, "name": "R1"}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R.1"}, {"id": 16, "name": "R_1"}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R 1"}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R@CH"}]})",
        R"({"document": "D\u00b0", "elements": []})",
        R"({"document": "D", "elements": [{"id": -1, "name": "R1"}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": ""}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic": {"kind": "spline"}}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic": {"kind": "data-pairs", "points": [[1]]}}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic": {"kind": "data-pairs", "points": [[1, 1e999]]}}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R\u0000"}]})",
        R"({"document": "D", "elements": [{"id": 15, "name": "\u20ac\u2603"}]})",
        R"({"document": "D", "elements": [], "extra": 1})",
        R"({"document": "D", "elements": [{"id": 15, "name": "R1", "parameters": {"R": 5}}]})",
        "{\"document\": \"D\xFF\", \"elements\": []}",
        R"({"document": "D", "elements": [[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]})",
    };
    for (const char* text : bad) {
        qv::Schematic schematic;
        schematic.document = "kept";
        std::string error;
        EXPECT_FALSE(qv::ReadSchematic(text, schematic, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ("kept", schematic.document) << text;
    }
    // A table of data pairs is as long as the text holds.
    std::string points = R"({"document": "D", "elements": [{"id": 15, "name": "R1", "characteristic": {"kind": "data-pairs", "points": [)";
    for (int i = 0; i < 20000; ++i) points += std::string(i ? "," : "") + "[" + std::to_string(i) + ",0]";
    points += "]}}]}";
    qv::Schematic schematic;
    std::string error;
    ASSERT_TRUE(qv::ReadSchematic(points, schematic, error)) << error;
    ASSERT_EQ(20000u, schematic.elements.at(0).characteristic.points.size());
    EXPECT_EQ(19999, schematic.elements[0].characteristic.points.back().first);
}

TEST(TextCodec, ConvertsTheCodePageBothWays) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    std::string back;
    std::string error;
    ASSERT_TRUE(qv::Utf8ToCp1252(qv::Cp1252ToUtf8Text(all), back, error)) << error;
    EXPECT_EQ(all, back) << "every byte survives the round trip";
    EXPECT_EQ("\xE2\x82\xAC", qv::Cp1252ToUtf8Text("\x80")) << "the euro sign";
    EXPECT_EQ("a\nb\tc", qv::Cp1252ToUtf8Text("a\nb\tc"));
    EXPECT_EQ("R\xC3\xA4t \xE2\x82\xAC" "5 \xC2\xB0", qv::Cp1252ToUtf8Text("R\xE4t \x80" "5 \xB0")) << "runs of ASCII between";
    for (const char* bad : {"\xC0\x80", "\xE2\x82", "\xED\xA0\x80", "\xF0\x9F\x98\x80", "\xFF"}) {
        back = "kept";
        EXPECT_FALSE(qv::Utf8ToCp1252(bad, back, error)) << bad;
        EXPECT_EQ("kept", back);
    }
}

TEST(EditScript, ReadsActionsAndBlocks) {
    std::vector<qv::ScriptAction> actions;
    std::string error;
    ASSERT_TRUE(qv::ParseEditScript("# comment\n\ntype 2028 \"4 \\\"k\\\"\"\nsheet ok {\n  click 2114  # a radio\n  cell 2121 0 1 \"1.5\"\n}\nclick 2016\nmessage yes \"Sure?\"\nok\n",
                                    actions, error))
        << error;
    ASSERT_EQ(5u, actions.size());
    EXPECT_EQ("4 \"k\"", actions[0].args[1]);
    EXPECT_EQ(3, actions[0].line);
    ASSERT_EQ(2u, actions[1].block.size());
    EXPECT_EQ("2114", actions[1].block[0].args[0]);
    EXPECT_EQ("Sure?", actions[3].args[1]);
}

TEST(EditScript, RefusesMalformedLinesNamingTheLine) {
    const std::pair<const char*, const char*> bad[] = {
        {"jump 2028", "line 1: unknown action"},
        {"click", "line 1: wrong number"},
        {"click 0", "no control ID"},
        {"click 70000", "no control ID"},
        {"type 2028 \"open", "unterminated"},
        {"ok\n}", "line 2: \"}\" closes no block"},
        {"sheet ok {\nclick 1", "line 1: the block is never closed"},
        {"sheet ok\n", "opens a block"},
        {"sheet maybe {\n}", "ends with"},
        {"message perhaps", "no answer"},
        {"row 2121 1 middle", "left"},
        {"cell 2121 -1 0 x", "no index"},
        {"cell 2121 0 70000 x", "no index"},
        {"pick 2005 second", "no index"},
        {"pick 2005", "wrong number"},
    };
    for (const auto& [text, message] : bad) {
        std::vector<qv::ScriptAction> actions;
        std::string error;
        EXPECT_FALSE(qv::ParseEditScript(text, actions, error)) << text;
        EXPECT_NE(std::string::npos, error.find(message)) << text << " -> " << error;
    }
    std::string deep;
    for (int i = 0; i < 12; ++i) deep += "sheet ok {\n";
    std::vector<qv::ScriptAction> actions;
    std::string error;
    EXPECT_FALSE(qv::ParseEditScript(deep, actions, error));
    // A table's rows are not limited to a word.
    EXPECT_TRUE(qv::ParseEditScript("cell 2121 1000000 2 x\nrow 2121 70000", actions, error)) << error;
}

} // namespace
