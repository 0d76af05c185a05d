// Capacitor (wizard ID 17) and inductor (wizard ID 18): the wizards, their shared page
// (dialog 106) with one variant per element, and the parameters they address.
//
// Parameters the two elements expect (value ID = dialog control):
//
// | Value ID | Capacitor        | Inductor         | Role                                         |
// |----------|------------------|------------------|----------------------------------------------|
// | 2028     | "C"              | "L"              | linear value (form 0)                        |
// | 2096     | "V0"             | "I0"             | initial value (check 2513)                   |
// | 2109     | -                | -                | second initial value (check 2514)            |
// | 2100     | e.g. "BULK"/"S0" | -                | extra value A, captioned by its description  |
// | 2104     | -                | -                | extra value B, captioned by its description  |
// | 2016     | "CH"             | "CH"             | characteristic (reference or pin)            |
// | 1006     | "CH_FILE"        | "CH_FILE"        | data file of a Data Pairs table              |
// | 1007     | "CH_STRG"        | "CH_STRG"        | variable of a File Reference table           |
// | 2018     | voltage          | voltage          | default output "Voltage" ("SDB")             |
// | 2019     | current          | current          | default output "Current" ("SDB")             |
// | 2056     | capacitance      | inductance       | default output of the value                  |
// | 2378     | -                | pin              | pin for the output inductance                |
// | 1000     | form of older definitions: 0 first nonlinear form, 1 second |        |
//
// Forms: 0 linear ("C "/"L "), 1 v = f(q) / i = f(psi) in table 1 ("CNL "/"LNL "),
// 2 C = f(v) / L = f(i) in table 2 ("CVNL "/"LINL "). A capacitance-like element of another
// domain (name not starting with "C", "CNL" or "CVNL" before its last character) lists
// "S0" (names starting with M, A or S) or "BULK" after "C" and "V0" in form 0.
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_wizard.h"
#include "framework/page_overrides.h"
#include "framework/template_wizard.h"
#include "passive/passive_bases.h"
#include "passive/resistor_conductance.h"  // the value IDs both page families share
#include "passive/two_pin_page.h"
#include "toolkit/tb_unit_combo.h"

#include <vector>

namespace qv::passive {
constexpr UINT kCapAndIndTemplate = 106;
constexpr WORD kIdInitialValue = 2096;
constexpr WORD kIdSecondInitialValue = 2109;
constexpr WORD kIdExtraA = 2100;
constexpr WORD kIdExtraB = 2104;
constexpr WORD kIdOutputInductancePin = 2378;
constexpr WORD kIdOldForm = 1000;
constexpr WORD kIdUsedMarkA = 1129;
constexpr WORD kIdUsedMarkB = 1005;
} // namespace qv::passive

class CPropPassiveCapAndInd : public TTwoPinCharacteristicPage<CPassiveCapAndIndWizardBase4> {
    DECLARE_SERIAL(CPropPassiveCapAndInd)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropPassiveCapAndInd, CPassiveCapAndIndWizardBase4)

    // The page block: class record, page version, form, the inactive characteristics' texts,
    // both kinds and the converted flag.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    virtual void UpdateModeParameters();
    virtual void BuildCompareList(int form);

    void LoadFromWizard(DWORD kind1, DWORD kind2, DWORD modeWord, CString xLabel1, CString yLabel1, CString xLabel2,
                        CString yLabel2, const CPtrArray* snapshots);
    void InitDefaults(int store);
    void ConvertWizard3Data(const void* data, long length);
    // Loads the kept older blocks into the wizard's tables and frees them.
    void MoveOldBlocksIntoTables();
    void OnCharacteristic1();
    void OnCharacteristic2();

    DWORD GetKind(int n) const { return n == 1 ? m_dwKind1 : m_dwKind2; }
    DWORD GetConverted() const { return m_dwConverted; }
    // Reference, variable name, file name of characteristic n (1 or 2), index 0..2.
    const CString& GetText(int n, int index) const;
    const std::vector<BYTE>& GetOldBlock(int n) const { return n == 1 ? m_OldBlock1 : m_OldBlock2; }

protected:
    // -1 without the radio windows, else the checked form.
    int RadioForm();
    void CheckForm(DWORD form);
    CPropCharacteristicXYTable* Table(int n);
    DWORD TableFlags(int n);
    void CharacteristicRule(DWORD kind);
    void CharacteristicSnapshot(DWORD kind);
    void InitialValueRule(int check, WORD edit, int unitBox, int pinBox);
    // The snapshot of the initial value named so, unless its check was off when it was
    // stored: that value is empty and the element's text leaves it out, so that the simulator
    // starts from its own initial value instead of reading an assignment without a value.
    void SnapshotOfInitialValue(const char* name);
    void RunCharacteristicSheet(int n);
    int UpgradeCharacteristicParams();

    // Copies the controls into the fields unless a run of pin rules has done so already.
    void ReadControls();
    void FollowLinearPin(WORD id, const BOOL& pinned);
    void FollowInitialPin(WORD id, const BOOL& pinned, const BOOL& on);

    void OnFormChanged();
    void OnValueUsePin();
    void OnExtraAUsePin();
    void OnExtraBUsePin();
    void OnInitialUsePin();
    void OnSecondInitialUsePin();
    void OnCharacteristic1UsePin();
    void OnCharacteristic2UsePin();
    void OnOutputInductancePin();
    void OnInitialCheck();
    DECLARE_MESSAGE_MAP()

    CString m_strXLabel1, m_strYLabel1, m_strXLabel2, m_strYLabel2;
    std::vector<BYTE> m_OldBlock1, m_OldBlock2;
    DWORD m_dwKind1 = 1;
    DWORD m_dwKind2 = 1;
    CString m_strText1[3];  // reference, variable name, file name of characteristic 1
    CString m_strText2[3];
    BOOL m_bHasCharacteristic = FALSE;
    BOOL m_bHasExtra = FALSE;
    BOOL m_bHasSecondInitial = FALSE;
    CTBUnitComboBox m_cmbUnits[5];  // 2507 .. 2511
    CButton m_radLinear, m_radForm1, m_radForm2;
    CString m_strValue;
    BOOL m_bValuePin = FALSE;
    CString m_strInitial;
    BOOL m_bInitialPin = FALSE, m_bInitialOn = FALSE;
    CString m_strInitial2;
    BOOL m_bInitial2Pin = FALSE, m_bInitial2On = FALSE;
    CString m_strExtraA;
    BOOL m_bExtraAPin = FALSE;
    CString m_strExtraB;
    BOOL m_bExtraBPin = FALSE;
    BOOL m_bChar1Pin = FALSE, m_bChar2Pin = FALSE;
    BOOL m_bOutputInductancePin = FALSE;
    DWORD m_dwConverted = 1;
    bool m_bControlsRead = false;
};

class CPropPassiveCapacitance : public CPropPassiveCapAndInd {
public:
    using CPropPassiveCapAndInd::CPropPassiveCapAndInd;
    BOOL OnInitDialog() override;
    void BuildCompareList(int form) override;
};

class CPropPassiveInductance : public CPropPassiveCapAndInd {
public:
    using CPropPassiveCapAndInd::CPropPassiveCapAndInd;
    BOOL OnInitDialog() override;
    void UpdateModeParameters() override;
    void BuildCompareList(int form) override;
};

namespace qv::passive {
struct CapAndIndFamily;  // the family's own steps, in capacitor_inductor.cpp
} // namespace qv::passive

PARVEL_TEMPLATE_WIZARD(CCapacitorWizard4,
    TCharacteristicWizard<CPropPassiveCapacitance, CCapacitorWizard4, CPassiveCapAndIndWizardBase4,
                          qv::passive::CapAndIndFamily>)

PARVEL_TEMPLATE_WIZARD(CInductorWizard4,
    TCharacteristicWizard<CPropPassiveInductance, CInductorWizard4, CPassiveCapAndIndWizardBase4,
                          qv::passive::CapAndIndFamily>)

