// The catalogue's controls of the second nonlinear form and the script lines a schematic's
// characteristic becomes with them.
#include "editor/catalogue.h"
#include "editor/characteristic_forms.h"

#include <gtest/gtest.h>

namespace {

std::string Family(const std::string& characteristic) {
    return R"({"family": "t", "elements": [{"id": 17, "base": 4, "kind": "Capacitor", "prefix": "C",
              "characteristic": )" +
           characteristic + R"(, "parameters": [{"name": "C", "value_id": 2028}]}]})";
}

TEST(StorageCatalogue, SecondFormControlsComeTogether) {
    struct Case {
        const char* characteristic;
        bool accepted;
    };
    const Case cases[] = {
        {R"({"linear": 2027, "nonlinear": 2092, "button": 2093, "use_pin": 2094,
             "nonlinear2": 2089, "button2": 2098, "use_pin2": 2079})", true},
        {R"({"linear": 2027, "nonlinear": 2092, "button": 2093, "use_pin": 2094, "nonlinear2": 2089})", false},
        {R"({"linear": 2027, "nonlinear": 2092, "button": 2093, "use_pin": 2094, "button2": 2098, "use_pin2": 2079})",
         false},
        {R"({"button": 2093, "nonlinear2": 2089, "button2": 2098, "use_pin2": 2079})", false},
        {R"({"linear": 2027, "nonlinear": 2092, "button": 2093, "use_pin": 2094, "nonlinear3": 1})", false},
    };
    for (const Case& c : cases) {
        qv::Catalogue catalogue;
        std::string error;
        EXPECT_EQ(c.accepted, catalogue.LoadText(Family(c.characteristic), "t.json", error)) << c.characteristic;
        if (c.accepted) {
            const qv::CatalogueCharacteristicControls& controls = catalogue.Find(17)->characteristic;
            EXPECT_EQ(2089, controls.nonlinear2);
            EXPECT_EQ(2098, controls.button2);
            EXPECT_EQ(2079, controls.usePin2);
        } else {
            EXPECT_NE(std::string::npos, error.find("t.json")) << error;
        }
    }
}

TEST(StorageCatalogue, SecondFormScriptUsesItsOwnControls) {
    qv::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.LoadFile(PARVEL_SOURCE_DIR "/editor/catalogue/passive_cl.json", error)) << error;
    const qv::CatalogueElement& capacitor = *catalogue.Find(17);

    struct Case {
        qv::SchematicCharacteristic::Kind kind;
        int form;
        std::string first;
        std::string second;
        std::string beforeOk;
    };
    using Kind = qv::SchematicCharacteristic::Kind;
    const Case cases[] = {
        {Kind::Pin, 1, "click 2092", "click 2094", "click 2094"},
        {Kind::Pin, 2, "click 2089", "click 2079", "click 2079"},
        {Kind::FileReference, 1, "click 2092", "sheet ok {", "click 2093"},
        {Kind::FileReference, 2, "click 2089", "sheet ok {", "click 2098"},
        {Kind::DataPairs, 2, "click 2089", "sheet ok {", "click 2098"},
    };
    for (const Case& c : cases) {
        qv::SchematicCharacteristic ch;
        ch.kind = c.kind;
        ch.form = c.form;
        ch.variable = "TAB";
        ch.points = {{0, 1}, {1, 2}};
        const std::vector<std::string> lines = qv::CharacteristicScriptWithForms(capacitor, ch);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(c.first, lines.front());
        EXPECT_EQ(c.second, lines[1]);
        EXPECT_EQ(c.beforeOk, lines[lines.size() - 2]);
        EXPECT_EQ("ok", lines.back());
        // The characteristic table's own lines do not change with the form.
        ch.form = 1;
        const std::vector<std::string> first = qv::CharacteristicScriptWithForms(capacitor, ch);
        EXPECT_EQ(first.size(), lines.size());
    }
}

} // namespace
