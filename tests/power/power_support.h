// Shared ground of the semiconductor tests: parameter sets of the seven elements built from
// small tables, their state and table stream, and the fixture with a scratch folder.
#pragma once

#include "framework/factories.h"
#include "power/semiconductors.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/named_element_test.h"
#include "tests/support/text_files.h"
#include "tests/support/wizard_on_sheet.h"
#include "tests/support/xy_table_bytes.h"

#include <filesystem>
#include <string>
#include <vector>

namespace power_test {

using namespace qv_test;
namespace fs = std::filesystem;

struct ParamRow {
    WORD id;
    const char* name;
    const char* value;
    DWORD type;
    DWORD extType = 0;
    const char* quantity = "";
    const char* unit = "";
};

// The diode as the catalogue defines it: the element name starts unused, the table's two
// file parameters too.
inline const std::vector<ParamRow> kDiodeRows = {
    {.id = 2013, .name = "CHAR", .value = "", .type = 0x4, .extType = 0x20000},
    {.id = 2058, .name = "VF", .value = "0.7", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2061, .name = "RB", .value = "10m", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2066, .name = "IS", .value = "1p", .type = 0x4, .extType = 0x20000, .quantity = "Current", .unit = "A"},
    {.id = 2068, .name = "VT", .value = "25m", .type = 0x4, .extType = 0x20000, .quantity = "Voltage", .unit = "V"},
    {.id = 2069, .name = "RR", .value = "1meg", .type = 0x4, .quantity = "Resistance", .unit = "Ohm"},
    {.id = 2016, .name = "FILE", .value = "", .type = 0x100004, .extType = 0x20000},
    {.id = 1012, .name = "CH_STRG", .value = "", .type = 0x4, .extType = 0x20000},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A"},
};

// The power semiconductors: the diode's parameters and the control signal.
inline std::vector<ParamRow> PowerRows() {
    std::vector<ParamRow> rows = kDiodeRows;
    rows.insert(rows.begin() + 8, ParamRow{.id = 2084, .name = "CTRL", .value = "", .type = 0x4});
    return rows;
}

// A set whose table file name goes to 1012 because it also holds 1006.
inline std::vector<ParamRow> WithNewFileParameter(std::vector<ParamRow> rows) {
    rows.push_back({.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4, .extType = 0x20000});
    return rows;
}

// The state of any of the seven wizards.
inline CSemiconductorState& StateOf(CWizardBase4& wizard) {
    if (auto* diode = dynamic_cast<CDiodeWizard4*>(&wizard)) return diode->State();
    return dynamic_cast<CSemiconductorWizardBase4&>(wizard).State();
}

// The state of a data-pairs characteristic in a user's file: mode, axis labels, texts, file.
inline void ExpectUserFileState(const CSemiconductorState& state, const char* file) {
    EXPECT_EQ(static_cast<LONG>(2 | kSemiUserFile), state.GetModeWord());
    EXPECT_EQ("v [V]", state.GetXAxisLabel().str());
    EXPECT_EQ("i [A]", state.GetYAxisLabel().str());
    EXPECT_EQ("V", state.GetExtraTextA().str());
    EXPECT_EQ("A", state.GetExtraTextB().str());
    EXPECT_EQ(file, state.Table().GetFileName().str());
}

// The characteristic table's look-up stream as the first thing of an archive.
inline Bytes TableBytes(DWORD source, const std::string& file, DWORD userFile, const std::vector<Point>& points,
                        const std::string& variable) {
    return qv_test::TableBytes(1, file, userFile, points, source, variable);
}

// The seven elements: factory ID and keyword prefix.
struct Family {
    unsigned id;
    const char* prefix;
};
inline const std::vector<Family> kFamily = {
    {8, "D"}, {9, "IGBT"}, {10, "MOS"}, {11, "BJT"}, {12, "GTO"}, {13, "TH"}, {14, "TRIAC"},
};

// The fixture: a scratch folder.
class PowerTest : public NamedElementTest<ParamRow> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(NamedElementTest::SetUp());
        UseScratchFolder("power");
    }
    void TearDown() override {
        PluginEditorTest::TearDown();
        g_ModelOutputDir.Empty();
    }

    // A wizard made by the factory, attached to a new element of these parameters.
    std::unique_ptr<CWizardBase4> Make(unsigned id, const std::vector<ParamRow>& rows, const char* name,
                                       DWORD* element = nullptr) {
        const DWORD handle = editor->AddElement(MakeHolder(rows, name));
        std::unique_ptr<CWizardBase4> wizard(CreateWizard4Instance(id));
        EXPECT_NE(nullptr, wizard) << id;
        if (wizard) editor->Attach(*wizard, handle);
        if (element) *element = handle;
        return wizard;
    }

    std::string Description() const { return (root / "model" / "desc.qvm").string(); }
};

} // namespace power_test
