// Shared ground of the source tests: the parameter sets of the two linear sources, the
// settings a page hands over, snapshot records of archives, and the fixture.
#pragma once

#include "framework/ac_parameters.h"
#include "framework/param_access.h"
#include "sources/linear_sources.h"
#include "tests/support/archive_bytes.h"
#include "tests/support/described_rows.h"
#include "tests/support/model_text_checks.h"
#include "tests/support/named_element_test.h"
#include "tests/support/wizard_on_sheet.h"

#include <string>
#include <vector>

namespace sources_test {

using namespace qv_test;

using ParamRow = DescribedRow;

// The rows of a linear source as the catalogue defines them: its value, the parameters of the
// time forms (all unused until a form is chosen), `middle`, the AC parameters (real and
// imaginary part unused), then `outputs`. Amplitude, offset and the AC values are of the
// source's own quantity and unit.
inline std::vector<ParamRow> LinearSourceRows(const ParamRow& value, const std::vector<ParamRow>& middle,
                                              const std::vector<ParamRow>& outputs) {
    const char* quantity = value.quantity;
    const char* unit = value.unit;
    std::vector<ParamRow> rows = {
        value,
        {.id = 2034, .name = "AMPL", .value = "1", .type = 0x4, .quantity = quantity, .unit = unit, .extType = kUnused},
        {.id = 2036, .name = "FREQ", .value = "50", .type = 0x4, .quantity = "Frequency", .unit = "Hz", .extType = kUnused},
        {.id = 2038, .name = "TPERIO", .value = "0.02", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
        {.id = 2040, .name = "TDELAY", .value = "0", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
        {.id = 2042, .name = "PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg", .extType = kUnused},
        {.id = 2047, .name = "OFF", .value = "0", .type = 0x4, .quantity = quantity, .unit = unit, .extType = kUnused},
        {.id = 2049, .name = "PERIO", .value = "1", .type = 0x4, .extType = kUnused},
        {.id = 2051, .name = "TRISE", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
        {.id = 2053, .name = "TFALL", .value = "1m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
        {.id = 2055, .name = "PWIDTH", .value = "8m", .type = 0x4, .quantity = "Time", .unit = "s", .extType = kUnused},
    };
    rows.insert(rows.end(), middle.begin(), middle.end());
    const std::vector<ParamRow> ac = {
        {.id = 2425, .name = "AC_MAG", .value = "0", .type = 0x4, .quantity = quantity, .unit = unit},
        {.id = 2434, .name = "AC_PHASE", .value = "0", .type = 0x4, .quantity = "Angle", .unit = "deg"},
        {.id = 2430, .name = "AC_RE", .value = "0", .type = 0x4, .quantity = quantity, .unit = unit, .extType = kUnused},
        {.id = 2432, .name = "AC_IM", .value = "0", .type = 0x4, .quantity = quantity, .unit = unit, .extType = kUnused},
    };
    rows.insert(rows.end(), ac.begin(), ac.end());
    rows.insert(rows.end(), outputs.begin(), outputs.end());
    return rows;
}

// The voltage source as the catalogue defines it.
inline const std::vector<ParamRow> kVoltageRows = LinearSourceRows(
    {.id = 2028, .name = "EMF", .value = "10", .type = 0x4, .quantity = "Voltage", .unit = "V", .description = "EMF Value"},
    {{.id = 2305, .name = "PARTDERIV", .value = "0", .type = 0x4}, {.id = 2472, .name = "SPC", .value = "0", .type = 0x4}},
    {{.id = 2018, .name = "V", .value = "", .type = 0x8, .quantity = "Voltage", .unit = "V", .description = "Voltage"},
     {.id = 2019, .name = "I", .value = "", .type = 0x8, .quantity = "Current", .unit = "A", .description = "Current"}});

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

// The rows with the AC parameters as real part -3 and imaginary part 4: a phase in the second
// quadrant, which a plain arc tangent gets wrong.
inline std::vector<ParamRow> WithACParts(const std::vector<ParamRow>& rows) {
    return WithValue(WithValue(rows, 2430, "-3"), 2432, "4");
}

// Gives the wizard settings as a page hands them over on apply.
inline void Settle(CLinearSourceWizardBase4& wizard, int kind, const std::vector<const char*>& names,
                   DWORD amplitudeMode = 1, const char* rms = "", BOOL periodFixed = FALSE, int selection = 0,
                   BOOL acUse = FALSE) {
    WithSnapshots(names, [&](CPtrArray* list) {
        wizard.SetSourceSettings(kind, amplitudeMode, rms, periodFixed, selection, list, acUse);
    });
}

// Makes the source on this page time-controlled, as the user does, in the named form.
inline bool ChooseTimeForm(CWnd* page, const char* form) {
    return qv::ui::Click(page, 2031) && qv::ui::ChooseEntry(page->GetDlgItem(2032), form);
}

// Ticking "Period" (2205) makes the period field (2038) the user's: a period typed there stays
// when the user then changes the field `other`, which would otherwise give a new period.
inline void ExpectTypedPeriodKept(CWnd* page, const char* period, int other, const char* otherText) {
    ASSERT_TRUE(qv::ui::Click(page, 2205));
    EXPECT_TRUE(Enabled(page, 2038));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(2038), period));
    ASSERT_TRUE(qv::ui::TypeText(page->GetDlgItem(other), otherText));
    EXPECT_EQ(period, Text(page, 2038));
}

// A form the user chooses on a time-controlled source page: the symbol variant it gives and
// whether it offers the frequency, the rise time and the sine's own fields.
struct FormStep {
    const char* form;
    BYTE mask;
    bool frequency;
    bool rise;
    bool sine = false;
};

// Chooses each form in turn: the frequency, the rise time and its unit list (riseUnit) follow
// the form, the amplitude stays open and the period is derived; apply sets the symbol
// variant. more(step) checks what the page has of its own.
template <class More>
void ExpectFormSteps(CWnd* page, CPropertySheet& sheet, ParamHolder* holder, int riseUnit,
                     const std::vector<FormStep>& steps, More more) {
    for (const FormStep& step : steps) {
        SCOPED_TRACE(step.form);
        ASSERT_TRUE(qv::ui::ChooseEntry(page->GetDlgItem(2032), step.form));
        EXPECT_EQ(step.frequency, Enabled(page, 2036) != 0);
        EXPECT_EQ(step.rise, Enabled(page, 2051) != 0);
        EXPECT_EQ(step.rise, Enabled(page, riseUnit) != 0);
        more(step);
        // Every form but the sine offers the amplitude, whatever the amplitude mode says.
        EXPECT_TRUE(Enabled(page, 2034));
        EXPECT_FALSE(Enabled(page, 2038)) << "the period is derived";
        ASSERT_TRUE(qv::ui::Apply(&sheet));
        EXPECT_EQ(step.mask, holder->m_bySymbolVariant);
    }
}

// One snapshot as an archive holds it: the class record (first time) or a back-reference,
// DWORD version 10, name, DWORD type, DWORD extended type.
inline void Snapshot(Bytes& out, const std::string& name, DWORD type, DWORD extType, bool first, WORD classIndex = 1) {
    Append(out, SnapshotBytes(name, first ? WORD(0) : static_cast<WORD>(0x8000 | classIndex), type, extType));
}

// The settings as a linear source's archive block holds them: WORD schema, DWORD form,
// DWORD list selection, DWORD period fixed, CString RMS value, DWORD amplitude mode, DWORD
// count and the snapshots (name and extended type).
inline Bytes SettingsBlock(WORD schema, DWORD form, DWORD selection, DWORD fixed, const std::string& rms,
                           DWORD amplitude, const std::vector<std::pair<std::string, DWORD>>& snapshots) {
    Bytes out;
    Word(out, schema);
    Dword(out, form);
    Dword(out, selection);
    Dword(out, fixed);
    Str(out, rms);
    Dword(out, amplitude);
    Dword(out, static_cast<DWORD>(snapshots.size()));
    for (size_t i = 0; i < snapshots.size(); ++i) Snapshot(out, snapshots[i].first, 0x4, snapshots[i].second, i == 0);
    return out;
}

// The block a linear source page of this class kept in older element data: class record
// (unless version 0), DWORD version, DWORD amplitude mode, CString RMS value, DWORD period
// fixed, DWORD phase unit (versions 1 to 9), DWORD selection (version 9 on).
inline Bytes OlderPageBlock(const char* pageClass, DWORD version, DWORD amplitude, const std::string& rms, DWORD fixed,
                            DWORD phaseUnit, DWORD selection) {
    Bytes out;
    if (version > 0) {
        NewClass(out, pageClass);
        Dword(out, version);
    }
    Dword(out, amplitude);
    Str(out, rms);
    Dword(out, fixed);
    if (version >= 1 && version <= 9) Dword(out, phaseUnit);
    if (version >= 9) Dword(out, selection);
    return out;
}

// One row of the AC values of a source that switches between a voltage and a current source:
// the AC part typed (2425 magnitude, 2430 real part, 2432 imaginary part) in `currentUnit` on
// a current source (the magnitude's unit chosen in its list), what the description takes from
// it, and the unit its list shows once the page is switched back to a voltage source.
struct SwitchedACRow {
    WORD field;
    int unitList;
    const char* currentUnit;
    const char* described;
    const char* voltageUnit;
};

// The fixture: placeholders start and end empty.
class SourcesTest : public NamedElementTest<ParamRow> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(NamedElementTest::SetUp());
        g_PlaceholderList.DeleteAll();
    }
    void TearDown() override {
        PluginEditorTest::TearDown();
        g_PlaceholderList.DeleteAll();
    }

    // Drives the row as a user would: Current Source chosen, the AC page's list offers amperes,
    // the value typed in the unit and applied; the sheet opened again shows that unit, and
    // Voltage Source chosen maps it by its scale. The page's source-type list is 2147, the AC
    // page's real-and-imaginary radio 2428.
    template <class Wizard>
    void ExpectACUnitsFollowTheSourceType(const std::vector<ParamRow>& rows, const SwitchedACRow& row) {
        SCOPED_TRACE(std::string("field ") + std::to_string(row.field) + " in " + row.currentUnit);
        DWORD element = 0;
        auto wizard = NewWizard<Wizard>(rows, "O1", &element);
        const auto entries = [](CWnd* list) {
            std::vector<std::string> out;
            auto* combo = static_cast<CComboBox*>(list);
            for (int i = 0; combo != nullptr && i < combo->GetCount(); ++i) {
                CString entry;
                combo->GetLBText(i, entry);
                out.push_back(entry.str());
            }
            return out;
        };
        const auto shown = [](CWnd* control) {
            CString text;
            if (control != nullptr) control->GetWindowText(text);
            return text.str();
        };
        const bool parts = row.field != qv::ac::kIdMagnitude;
        {
            OpenPage<Wizard> open(*wizard);
            ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(2147), "Current Source"));
            ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
            if (parts) {
                ASSERT_TRUE(qv::ui::Click(open.AC(), 2428));
            }
            EXPECT_EQ((std::vector<std::string>{"A", "mA", "uA", "nA", "kA"}), entries(open.AC()->GetDlgItem(row.unitList)));
            ASSERT_TRUE(qv::ui::TypeText(open.AC()->GetDlgItem(row.field), "2"));
            // The parts' lists show their unit but offer no choice.
            if (!parts) {
                ASSERT_TRUE(qv::ui::ChooseEntry(open.AC()->GetDlgItem(row.unitList), row.currentUnit));
            }
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        const CWizardCopaObject3* param = FindParamByValueID(editor->Holder(element), row.field);
        ASSERT_NE(nullptr, param);
        EXPECT_EQ("Current", param->GetQuantity().str());
        EXPECT_EQ(row.currentUnit, param->GetUsedUnit().str());
        EXPECT_EQ(row.described, ValueInUsedUnit(param).str()) << "the description converts by the unit used";
        {
            OpenPage<Wizard> open(*wizard);
            ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 1));
            EXPECT_EQ(row.currentUnit, shown(open.AC()->GetDlgItem(row.unitList)));
            EXPECT_EQ("2", shown(open.AC()->GetDlgItem(row.field)));
            ASSERT_TRUE(qv::ui::SelectPage(&open.Sheet(), 0));
            ASSERT_TRUE(qv::ui::ChooseEntry(open.Page()->GetDlgItem(2147), "Voltage Source"));
            EXPECT_EQ(row.voltageUnit, shown(open.AC()->GetDlgItem(row.unitList)));
            EXPECT_EQ((std::vector<std::string>{"V", "mV", "uV", "kV", "MV"}), entries(open.AC()->GetDlgItem(row.unitList)));
            ASSERT_TRUE(qv::ui::Apply(&open.Sheet()));
        }
        EXPECT_EQ("Voltage", param->GetQuantity().str());
        EXPECT_EQ(row.voltageUnit, param->GetUsedUnit().str());
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
// The AC values of the sources that switch between a voltage and a current source.
inline const SwitchedACRow kSwitchedACRows[] = {
    {.field = 2425, .unitList = 2516, .currentUnit = "mA", .described = "0.002", .voltageUnit = "mV"},
    {.field = 2425, .unitList = 2516, .currentUnit = "kA", .described = "2000", .voltageUnit = "kV"},
    {.field = 2425, .unitList = 2516, .currentUnit = "A", .described = "2", .voltageUnit = "V"},
    // Volts have no nano prefix: the base unit stands in.
    {.field = 2425, .unitList = 2516, .currentUnit = "nA", .described = "2e-09", .voltageUnit = "V"},
    // The real and imaginary parts' lists show the catalogue's V as A.
    {.field = 2430, .unitList = 2518, .currentUnit = "A", .described = "2", .voltageUnit = "V"},
    {.field = 2432, .unitList = 2519, .currentUnit = "A", .described = "2", .voltageUnit = "V"},
};

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

} // namespace sources_test
