// Resistor (wizard ID 15) and conductance (wizard ID 16): the wizards, their shared page
// (dialog 105) with one variant per element, and the parameters they address.
//
// Parameters the two elements expect in their parameter sets (value ID = dialog control):
//
// | Value ID | Resistor   | Conductance | Type bits (catalogue)          | Role                                  |
// |----------|------------|-------------|--------------------------------|---------------------------------------|
// | 2028     | "R"        | "G"         | 0x4 input (0x8 while nonlinear) | value; quantity Resistance/Conductance |
// | 2016     | "CH"       | "CH"        | 0x4 input (no text bit)        | characteristic (reference or pin)     |
// | 1006     | "CH_FILE"  | "CH_FILE"   | 0x4 input                      | data file of a Data Pairs table       |
// | 1007     | "CH_STRG"  | "CH_STRG"   | 0x4 input                      | variable of a File Reference table    |
// | 2007     | -          | "QUANT"     | 0x4 input                      | control component                     |
// | 2018     | voltage    | voltage     | 0x8 output                     | default output "Voltage" ("SDB")      |
// | 2019     | current    | current     | 0x8 output                     | default output "Current" ("SDB")      |
//
// The snapshots name the parameters the model text lists: form 0 "R" / "G"; form 1 "@CH"
// (from "CH_FILE" or "CH_STRG"), or "CH" when the characteristic is a reference or on a
// pin, and for the conductance "QUANT" after it. The element's template text contains
// "IMMANENT"; its model text carries "@TYPE" and "@PARAMLIST". The keywords for "@TYPE"
// ("R ", "RNL ", "G ", "GVNL ") end in a blank, so the element name follows "@TYPE" directly
// ("@TYPER1 ( @PARAMLIST);" becomes "RNL R1 ( CH := XY_R1_CH.VAL );" plus the table's
// declaration line). Older element definitions without 1006 keep the data-file name in 2016.
// An element without 2016, 1006 and 1007 is a plain linear resistor: its page offers only
// the value. The default-output boxes need an output template named "SDB"; the captions come
// from the descriptions of 2028, 2018 and 2019 and their units.
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_wizard.h"
#include "framework/page_overrides.h"
#include "framework/template_wizard.h"
#include "passive/passive_bases.h"
#include "passive/two_pin_page.h"
#include "toolkit/tb_unit_combo.h"

#include <vector>

// Value IDs (and dialog controls) of the page.
namespace qv::passive {
constexpr WORD kIdValue = 2028;
constexpr WORD kIdCharacteristic = 2016;
constexpr WORD kIdCharacteristicFile = 1006;
constexpr WORD kIdCharacteristicVariable = 1007;
constexpr WORD kIdControlComponent = 2007;
constexpr WORD kIdOutputVoltage = 2018;
constexpr WORD kIdOutputCurrent = 2019;
constexpr WORD kIdOutputValue = 2056;
constexpr UINT kResAndConTemplate = 105;

// Older element data kept the characteristic's file name in 2016 and its variable name in
// 1006: the parameters' use marks and values move to where newer data keeps them. `lookUp`
// is the kind of the form's characteristic (null for the linear form); `tableForm` tells
// whether the form may take a table. FALSE when one of the three parameters is missing.
BOOL UpgradeCharacteristicParams(CWizardBase4* wizard, ParamHolder* params, DWORD modeWord, DWORD* lookUp,
                                 bool tableForm);
} // namespace qv::passive

class CPropPassiveResAndCon : public TTwoPinCharacteristicPage<CPassiveResAndConWizardBase4> {
    DECLARE_SERIAL(CPropPassiveResAndCon)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropPassiveResAndCon, CPassiveResAndConWizardBase4)

    // The page block of older data: class record, page version, look-up flag, upgrade flag.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    // The parameters the form writes into the model text; supplied by the variants.
    virtual void BuildCompareList(int form);

    // The wizard's state before the page is shown; the snapshots are copied.
    void LoadFromWizard(DWORD lookUp, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                        const CPtrArray* snapshots);
    // Defaults on a hidden page; with fromInitialize the result goes to the wizard.
    void InitDefaults(int fromInitialize);
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);
    // Marks the parameters the form does not use (ExtType bit 0x20000).
    void UpdateModeParameters();
    // Older data kept the file name in 2016 and the variable name in 1006. 0 when one of the
    // three parameters is missing, else 1.
    int UpgradeCharacteristicParams();
    void OnCharacteristic();

    DWORD GetLookUpFlag() const { return m_dwLookUp; }
    DWORD GetUpgradedFlag() const { return m_dwUpgraded; }
    // The characteristic block of older data, kept until the wizard takes it.
    const std::vector<BYTE>& GetOldCharacteristicBlock() const { return m_OldCharacteristic; }
    void FreeOldCharacteristicBlock() { std::vector<BYTE>().swap(m_OldCharacteristic); }
    // Loads the kept block into the wizard's table (SetData, LoadFromData, SetData with no
    // data) and frees it.
    void MoveOldCharacteristicIntoTable();

protected:
    // Takes the mode word and checks the radio button of its form (when the radios have windows).
    void ShowForm(DWORD modeWord);
    // The mode word from the radio buttons and the embedded table's flags; unchanged
    // without the radio's window.
    void DeriveModeWord();
    // The wizard's table with the wizard recorded as its owner (null without a wizard).
    CPropCharacteristicXYTable* Table();
    // Rules of the pin boxes (each copies the controls into the fields first unless told not to).
    void ApplyValueRule(bool readControls = true);
    void ApplyControlRule(bool readControls = true);
    void ApplyCharacteristicRule(bool readControls = true);

    void OnFormChanged();
    void OnValueUsePin();
    void OnControlUsePin();
    void OnCharacteristicUsePin();
    DECLARE_MESSAGE_MAP()

    std::vector<BYTE> m_OldCharacteristic;
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    DWORD m_dwLookUp = 1;
    BOOL m_bCharacteristicPresent = FALSE;
    CTBUnitComboBox m_cmbUnit;
    CButton m_radLinear;
    CButton m_radNonlinear;
    BOOL m_bValueUsesPin = FALSE;
    BOOL m_bControlUsesPin = FALSE;
    BOOL m_bCharacteristicUsesPin = FALSE;
    CString m_strValue;
    CString m_strCharacteristic;
    CString m_strVariableName;
    CString m_strFileName;
    CString m_strControl;
    DWORD m_dwUpgraded = 1;
};

// The resistor's variant: value "R", characteristic i = f(v).
class CPropPassiveResistance : public CPropPassiveResAndCon {
public:
    using CPropPassiveResAndCon::CPropPassiveResAndCon;
    BOOL OnInitDialog() override;
    void BuildCompareList(int form) override;
};

// The conductance's variant: value "G", characteristic G = f(v) with a control component.
class CPropPassiveConductance : public CPropPassiveResAndCon {
public:
    using CPropPassiveResAndCon::CPropPassiveResAndCon;
    BOOL OnInitDialog() override;
    void BuildCompareList(int form) override;
};

namespace qv::passive {
struct ResAndConFamily;  // the family's own steps, in resistor_conductance.cpp
} // namespace qv::passive

PARVEL_TEMPLATE_WIZARD(CResistorWizard4,
    TCharacteristicWizard<CPropPassiveResistance, CResistorWizard4, CPassiveResAndConWizardBase4,
                          qv::passive::ResAndConFamily>)

PARVEL_TEMPLATE_WIZARD(CConductanceWizard4,
    TCharacteristicWizard<CPropPassiveConductance, CConductanceWizard4, CPassiveResAndConWizardBase4,
                          qv::passive::ResAndConFamily>)

