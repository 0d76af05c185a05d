// Meters (wizard IDs 5 to 7): ammeters, voltmeters and single-output meters. Each wizard only
// puts its element's page on the sheet; the page edits name and "Show Name", the pin flag of
// the measured value, one or two result outputs and, for the "SM_TR" and "SM_ROT" elements,
// an initial value with its unit. No model text, no stored data of their own.
//
// Parameters by value ID (equal to the control IDs):
//
// | Value ID | Meaning                                                                   |
// |----------|---------------------------------------------------------------------------|
// | 2074     | first result: "SDB" entry = "First" switch, pin bit = "Use Pin for Value Output" |
// | 2076     | second result: "SDB" entry = "Second" switch                              |
// | 2096     | initial value: value text, used unit (list 2510), pin bit = "Use Pin" 2097 |
#pragma once

#include "framework/older_base_block_pages.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::measurement {

// Which optional parts of the meter page show for an element name.
enum class MeterKind { Ammeter, Voltmeter, SingleOutput };
struct MeterRows {
    bool second;        // the "Second" output switch
    bool initialValue;  // the initial-value row 2095, 2096, 2097, 2510
};
// The prefix is the name without its last character, compared case-sensitively.
MeterRows MeterRowsFor(MeterKind kind, const CString& name);

} // namespace qv::measurement

class CPropMeters : public COlderBaseBlockPage {
    DECLARE_DYNCREATE(CPropMeters)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropMeters)
    BOOL OnSetActive() override;

protected:
    // The variants' part of the initialisation: captions and which rows show.
    void ShowRows(qv::measurement::MeterKind kind);
    void CaptionOutput(int control);

    void OnFirst();
    void OnSecond();
    void OnValuePin();
    void OnInitialValuePin();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbUnit;
    CTBUnitCheckBox m_chkSecond;
    CTBUnitCheckBox m_chkFirst;
    BOOL m_bValuePin = FALSE;
    BOOL m_bFirst = FALSE;
    BOOL m_bSecond = FALSE;
    BOOL m_bInitialValuePin = FALSE;
    CString m_strInitialValue;
};

#define PARVEL_METER_PAGE(Name, Kind)                                                    \
    class Name : public CPropMeters {                                                    \
    public:                                                                              \
        Name(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)              \
            : CPropMeters(wizard, exchange) {}                                           \
        BOOL OnInitDialog() override {                                                   \
            CPropMeters::OnInitDialog();                                                 \
            ShowRows(qv::measurement::MeterKind::Kind);                                  \
            return TRUE;                                                                 \
        }                                                                                \
    };
PARVEL_METER_PAGE(CPropMetersAmmeter, Ammeter)
PARVEL_METER_PAGE(CPropMetersVoltmeter, Voltmeter)
PARVEL_METER_PAGE(CPropMetersSingleOutput, SingleOutput)
#undef PARVEL_METER_PAGE

// The wizards: a page left by an earlier editing is deleted before the new one is made. Each
// has a runtime class of its own, so that the factories' callers can tell which element a
// wizard serves.
PARVEL_OLDER_BASE_BLOCK_WIZARD(CAmmeterWizard, CPropMetersAmmeter)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CVoltmeterWizard, CPropMetersVoltmeter)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CSingleOutputMeterWizard, CPropMetersSingleOutput)
