// Shared ground of the passive-element tests: the resistor's and conductance's parameter
// sets, the wizard state a page leaves behind, and the fixture with a scratch folder.
#pragma once

#include "passive/resistor_conductance.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/described_rows.h"
#include "tests/support/open_sheet.h"
#include "tests/support/param_rows.h"
#include "tests/support/plugin_editor_test.h"
#include "tests/support/xy_table_bytes.h"

#include <filesystem>
#include <string>
#include <vector>

namespace passive_test {

using namespace qv_test;
namespace fs = std::filesystem;

using ParamRow = DescribedRow;

// The characteristic's three parameters and the voltage and current outputs, which the
// elements built on a characteristic share.
inline const ParamRow kCh = {.id = 2016, .name = "CH", .value = "", .type = 0x4};
inline const ParamRow kChFile = {.id = 1006, .name = "CH_FILE", .value = "", .type = 0x4};
inline const ParamRow kChStrg = {.id = 1007, .name = "CH_STRG", .value = "", .type = 0x4};
inline const ParamRow kOutV = {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V",
                               .description = "Voltage"};
inline const ParamRow kOutI = {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A",
                               .description = "Current"};

// The resistor as the catalogue defines it, with a characteristic.
inline const std::vector<ParamRow> kResistorRows = {
    {.id = 2028, .name = "R", .value = "1k", .type = 0x4, .quantity = "Resistance", .unit = "Ohm",
     .description = "Resistance"},
    kCh, kChFile, kChStrg, kOutV, kOutI,
};

inline const std::vector<ParamRow> kConductanceRows = {
    {.id = 2028, .name = "G", .value = "2m", .type = 0x4, .quantity = "Conductance", .unit = "S",
     .description = "Conductance"},
    kCh, kChFile, kChStrg, {.id = 2007, .name = "QUANT", .value = "", .type = 0x4}, kOutV, kOutI,
};

// The state a page leaves in the wizard on apply, with input snapshots of these names.
inline void StoreState(CPassiveResAndConWizardBase4& wizard, DWORD lookUp, DWORD modeWord, const char* xLabel,
                       const char* yLabel, const std::vector<const char*>& names) {
    WithSnapshots(names, [&](CPtrArray* list) {
        wizard.StoreModeAndCompareList(lookUp, modeWord, xLabel, yLabel, list);
    });
}

// The head of a characteristic wizard's archive block: schema 0, mode word, look-up and the
// four texts.
inline Bytes WizardHeader(DWORD mode, DWORD lookUp, const std::vector<std::string>& texts) {
    Bytes out;
    Word(out, 0);
    Dword(out, mode);
    Dword(out, lookUp);
    for (const std::string& text : texts) Str(out, text);
    return out;
}
// A new wizard's block up to its snapshot count: no texts and an empty characteristic.
inline Bytes EmptyWizardBlock() {
    Bytes out = WizardHeader(0, 1, {"", "", "", ""});
    Append(out, TableBytes(0, ".mdx", 0, {}, 1, ""));
    return out;
}

// The point block of older page data: the point (1, 2) and the four texts.
inline Bytes PointBlock(const std::vector<std::string>& texts) {
    Bytes out;
    Dword(out, 1);
    Double(out, 1.0);
    Double(out, 2.0);
    for (const std::string& text : texts) OldText(out, text);
    return out;
}

// Snapshots of these names (type 0x4) as an archive holds them.
inline Bytes ArchivedSnapshots(const std::vector<std::string>& names) {
    return Stored([&](CArchive& ar) {
        for (const std::string& name : names) {
            CCopaObjectCompare snapshot;
            snapshot.SetName(name.c_str());
            snapshot.SetType(0x4);
            snapshot.Serialize(ar);
        }
    });
}

// The fixture: a titled document and a scratch folder; placeholders start and end empty.
class PassiveTest : public PluginEditorTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PluginEditorTest::SetUp());
        editor->Document().SetTitle("Demo");
        UseScratchFolder("passive");
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        PluginEditorTest::TearDown();
        g_PlaceholderList.DeleteAll();
        g_ModelOutputDir.Empty();
    }

    template <class Wizard>
    std::unique_ptr<Wizard> NewWizard(const std::vector<ParamRow>& rows, const char* name, DWORD* element = nullptr) {
        return Attached<Wizard>(MakeHolder(rows, name), element);
    }
};

} // namespace passive_test
