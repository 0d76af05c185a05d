// Shared ground of the source tests: the parameter sets of the two linear sources, the
// settings a page hands over, snapshot records of archives, and the fixture.
#pragma once

#include "framework/ac_parameters.h"
#include "sources/linear_sources.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/described_rows.h"
#include "tests/support/open_sheet.h"
#include "tests/support/param_rows.h"
#include "tests/support/plugin_editor_test.h"

#include <string>
#include <vector>

namespace sources_test {

using namespace qv_test;

using ParamRow = DescribedRow;

// The voltage source as the catalogue defines it.
inline const std::vector<ParamRow> kVoltageRows = {
    {.id = 2028, .name = "EMF", .value = "10", .type = 0x4, .quantity = "Voltage", .unit = "V", .description = "EMF Value"},
    {.id = 2034, .name = "AMPL", .value = "1", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2036, .name = "FREQ", .value = "50", .type = 0x4, .quantity = "Frequency", .unit = "Hz", .extType = kUnused},
    {.id = 2038, .name = "TPERIO", .value = "0.02", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2040, .name = "TDELAY", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg", .extType = kUnused},
    {.id = 2047, .name = "OFF", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2049, .name = "PERIO", .value = "1", .type = 0x4, .extType = kUnused},
    {.id = 2051, .name = "TRISE", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2053, .name = "TFALL", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2055, .name = "PWIDTH", .value = "8m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    {.id = 2305, .name = "PARTDERIV", .value = "0", .type = 0x4},
    {.id = 2472, .name = "SPC", .value = "0", .type = 0x4},
    {.id = 2425, .name = "AC_MAG", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"},
    {.id = 2434, .name = "AC_PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
    {.id = 2430, .name = "AC_RE", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2432, .name = "AC_IM", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V", .extType = kUnused},
    {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
    {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
};

// The current source: "IS" for the value, no "SPC".
inline std::vector<ParamRow> CurrentRows() {
    std::vector<ParamRow> rows;
    for (ParamRow row : kVoltageRows) {
        if (row.id == 2472) continue;
        if (row.id == 2028) row = {.id = 2028, .name = "IS", .value = "2", .type = 0x4, .quantity = "Current",
                                   .unit = "A", .description = "Source Current"};
        rows.push_back(row);
    }
    return rows;
}

// Gives the wizard settings as a page hands them over on apply.
inline void Settle(CLinearSourceWizardBase4& wizard, int kind, const std::vector<const char*>& names,
                   DWORD amplitudeMode = 1, const char* rms = "", BOOL periodFixed = FALSE, int selection = 0,
                   BOOL acUse = FALSE) {
    WithSnapshots(names, [&](CPtrArray* list) {
        wizard.SetSourceSettings(kind, amplitudeMode, rms, periodFixed, selection, list, acUse);
    });
}

// One snapshot as an archive holds it: the class record (first time) or a back-reference,
// DWORD version 10, name, DWORD type, DWORD extended type.
inline void Snapshot(Bytes& out, const std::string& name, DWORD type, DWORD extType, bool first, WORD classIndex = 1) {
    Append(out, SnapshotBytes(name, first ? WORD(0) : static_cast<WORD>(0x8000 | classIndex), type, extType));
}

// The fixture: a titled document; placeholders start and end empty.
class SourcesTest : public PluginEditorTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PluginEditorTest::SetUp());
        editor->Document().SetTitle("Demo");
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        PluginEditorTest::TearDown();
        g_PlaceholderList.DeleteAll();
    }

    template <class Wizard>
    std::unique_ptr<Wizard> NewWizard(const std::vector<ParamRow>& rows, const char* name, DWORD* element = nullptr) {
        return Attached<Wizard>(MakeHolder(rows, name), element);
    }

    // The text the wizard writes from the model for the immanent template.
    std::string WriteModel(CWizardBase4& wizard, const char* model) {
        CString text = model;
        EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, "IMMANENT", text));
        EXPECT_EQ(0, g_PlaceholderList.GetSize()) << "every pending placeholder is resolved or dropped";
        return text.str();
    }
};

// A generator source's set: its own parameters, then "SPC", the AC parameters (the parts
// in use) and the outputs V and I, then the outputs of its own.
inline std::vector<ParamRow> GeneratorRows(std::vector<ParamRow> own, const std::vector<ParamRow>& ownOutputs = {}) {
    const std::vector<ParamRow> shared = {
        {.id = 2472, .name = "SPC", .value = "0", .type = 0x4},
        {.id = 2425, .name = "AC_MAG", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"},
        {.id = 2434, .name = "AC_PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
        {.id = 2430, .name = "AC_RE", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"},
        {.id = 2432, .name = "AC_IM", .value = "0", .type = 0x4, .quantity = "Voltage", .unit = "V"},
        {.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
        {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"},
    };
    own.insert(own.end(), shared.begin(), shared.end());
    own.insert(own.end(), ownOutputs.begin(), ownOutputs.end());
    return own;
}

// The source pages and the AC page open on a sheet.
template <class Wizard>
using OpenPages = OpenPage<Wizard>;

} // namespace sources_test
