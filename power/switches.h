// The three switches of the power circuits:
// - the signal-controlled ideal switch (wizard ID 28, older base, dialog 2535): on while its
//   control signal is above 0;
// - the voltage- or current-controlled switch (wizard ID 84, dialog 2581): threshold and
//   hysteresis of the voltage across it or the current through it; the wizard keeps the
//   switch type, archives it and fills "@PARAMLIST", "@TYPE" and "@DLLNAME";
// - the hysteresis switch (wizard ID 114, dialog 2616): threshold and hysteresis of a control
//   signal.
//
// Parameters by value ID:
//
// | Value ID | Role                                             | Unit combo | Switches      |
// |----------|--------------------------------------------------|------------|---------------|
// | 2028     | control signal (value, variable, expression, pin) |           | 28, 114       |
// | 2311     | on-state resistance                              | 2033       | 84, 114       |
// | 2314     | off-state resistance                             | 2035       | 84, 114       |
// | 2315     | threshold (voltage; 114: edit 2522)              | 2036 (84)  | 84, 114       |
// | 2316     | hysteresis (voltage; 114: edit 2524)             | 2037 (84)  | 84, 114       |
// | 2321     | threshold current                                | 2039       | 84            |
// | 2323     | hysteresis current                               | 2040       | 84            |
// | 2319     | initial state                                    |            | 84, 114       |
// | 2018     | default output "Voltage" ("SDB")                 |            | all           |
// | 2019     | default output "Current" ("SDB")                 |            | all           |
//
// The signal switch's "Control Signal" output box shows and switches the "SDB" output of the
// control signal 2028 itself.
#pragma once

#include "afx/afxwin.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/pinned_fields.h"
#include "framework/sheet_serialize.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <array>
#include <initializer_list>
#include <new>
#include <span>

namespace qv::power {
constexpr UINT kSignalSwitchTemplate = 2535;
constexpr UINT kControlledSwitchTemplate = 2581;
constexpr UINT kHysteresisSwitchTemplate = 2616;
constexpr WORD kIdSwitchControl = 2028;

// The symbol mask of the controlled switch: bit (type + 2) and bit (state); a type or state
// whose bit would lie outside the byte adds nothing.
BYTE ControlledSwitchMask(LONG switchType, int initialState);
// The initial-state text as the integer the mask uses; 0 for a text that is no finite number.
int InitialStateOf(const CString& text);
} // namespace qv::power

// ---- The signal-controlled ideal switch.

class CPropSwitches : public CTBPropertyPage {
    DECLARE_DYNCREATE(CPropSwitches)
public:
    CPropSwitches();
    CPropSwitches(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
    ~CPropSwitches() override;

    PARVEL_SHOWN_PAGE_OVERRIDES

protected:
    void ReadOutputs();
    void ApplyUsePin();
    void ToggleOutput(BOOL& flag, int control, WORD valueID);
    void OnUsePin();
    void OnVoltage();
    void OnCurrent();
    void OnControlSignalOutput();
    void OnModified();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CWizardBase3* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    CString m_strName;
    CString m_strControlSignal;
    BOOL m_bShowName = FALSE;
    BOOL m_bUsePin = FALSE;
    BOOL m_bControlSignalOutput = FALSE;
    BOOL m_bCurrentOutput = FALSE;
    BOOL m_bVoltageOutput = FALSE;
};

class CSwitchWizard : public qv::wizards::TPageWizard3<CPropSwitches, CSwitchWizard> {
    DECLARE_DYNAMIC(CSwitchWizard)
public:
    using TPageWizard3::TPageWizard3;
};

// ---- The hysteresis switch and the controlled switch share the parameter-set pages.

// What both parameter-set pages share: wizard, cookie, name, symbol and the two outputs.
class CPropSwitchBase4 : public TElementPage<CWizardBase4> {
    DECLARE_DYNAMIC(CPropSwitchBase4)
public:
    // Gives the page another wizard and parameter set.
    const CTBDrawSymbol* GetSymbol() const { return m_pSymbol; }

protected:
    CPropSwitchBase4(UINT templateID, CWizardBase4* wizard, ParamHolder* params);
    // The opening of OnInitDialog on both pages: the dialog made with the library's resources,
    // name and symbol loaded, the unit lists without their flat look, the controls filled.
    void OpenDialog(std::initializer_list<CTBUnitComboBox*> unitLists);
    void ReadOutputs();
    void CaptionOutputs();
    void ToggleOutput(BOOL& flag, WORD valueID);
    // A parameter and the page members that show it: its text, its unit list (where the page
    // has one) and the pin flag of a parameter that may be on a pin (then its text is not
    // written while it is).
    using ParamField = qv::pages::PinnedField;
    // Every live input parameter into its field: the text, the unit list loaded, the pin flag
    // set when the parameter is on a pin.
    void LoadFields(std::span<const ParamField> fields);
    // Every field into its live input parameter: the text (unless on a pin) and the unit
    // chosen in its list.
    void StoreFields(std::span<const ParamField> fields);
    void EnableByPin(int control, WORD valueID);
    BOOL Commit();

    // The controls both pages have: name, "Show Name", the output boxes, the two resistances
    // with their unit lists and the initial state.
    void DoDataExchange(CDataExchange* pDX) override;
    void OnVoltage() { ToggleOutput(m_bVoltageOutput, 2018); }
    void OnCurrent() { ToggleOutput(m_bCurrentOutput, 2019); }
    void OnModified();
    void OnControlChanged(UINT) { OnModified(); }
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    BOOL m_bShowName = FALSE;
    BOOL m_bCurrentOutput = FALSE;
    BOOL m_bVoltageOutput = FALSE;
    CString m_strName;
    CTBUnitComboBox m_cmbOnUnit;   // 2033
    CTBUnitComboBox m_cmbOffUnit;  // 2035
    CString m_strInitialState;
    CString m_strOffResistance;
    CString m_strOnResistance;
};

class CPropHysteresisSwitch : public CPropSwitchBase4 {
    DECLARE_DYNCREATE(CPropHysteresisSwitch)
public:
    CPropHysteresisSwitch();
    CPropHysteresisSwitch(CWizardBase4* wizard, ParamHolder* params);

    PARVEL_SHOWN_PAGE_OVERRIDES

protected:
    // The parameters the page shows; the control signal is not written while it is on a pin.
    std::array<ParamField, 6> Fields();
    void EnableFields();
    void ApplyUsePin();
    void OnUsePin();
    DECLARE_MESSAGE_MAP()

    BOOL m_bUsePin = FALSE;
    CString m_strHysteresis;
    CString m_strThreshold;
    CString m_strControlSignal;
};

// What both parameter-set wizards share: kind 3 and a page made on the set of the cookie.
template <class Page, class Self>
class TSwitchWizard4 : public qv::wizards::TPageWizard4<Page, Self> {
public:
    using qv::wizards::TPageWizard4<Page, Self>::TPageWizard4;
    int GetWizardKind() override { return 3; }
    Page* MakePage(DWORD_PTR cookie) { return new (std::nothrow) Page(this, HolderFromCookie(cookie)); }
};

class CHysteresisSwitchWizard4 : public TSwitchWizard4<CPropHysteresisSwitch, CHysteresisSwitchWizard4> {
    DECLARE_DYNAMIC(CHysteresisSwitchWizard4)
public:
    using TSwitchWizard4::TSwitchWizard4;
};

class CPropSwitchControlled : public CPropSwitchBase4 {
    DECLARE_SERIAL(CPropSwitchControlled)
public:
    CPropSwitchControlled();
    CPropSwitchControlled(CWizardBase4* wizard, ParamHolder* params);

    PARVEL_SHOWN_PAGE_OVERRIDES
    BOOL OnKillActive() override;

    // Marks the parameters the type in the list does not use (nothing for another type).
    void MarkParametersByType();
    // The type chosen in the list, else the page's copy.
    LONG SelectedType();
    void SetSwitchType(LONG type) { m_lSwitchType = type; }
    LONG GetSwitchType() const { return m_lSwitchType; }
    BYTE SymbolMask();
    void SelectType(LONG type);

protected:
    // The parameters the page shows.
    std::array<ParamField, 7> Fields();
    void OnTypeChanged();
    void UpdateEnabling();
    void OnInitialStateChanged();
    DECLARE_MESSAGE_MAP()

    LONG m_lSwitchType = 0;
    CTBUnitComboBox m_cmbThresholdVoltageUnit;   // 2036
    CTBUnitComboBox m_cmbHysteresisVoltageUnit;  // 2037
    CTBUnitComboBox m_cmbThresholdCurrentUnit;   // 2039
    CTBUnitComboBox m_cmbHysteresisCurrentUnit;  // 2040
    CComboBox m_cmbType;                         // 2032
    CString m_strHysteresisVoltage;
    CString m_strHysteresisCurrent;
    CString m_strThresholdVoltage;
    CString m_strThresholdCurrent;
};

class CSwitchControlledWizard4 : public TSwitchWizard4<CPropSwitchControlled, CSwitchControlledWizard4> {
    DECLARE_DYNAMIC(CSwitchControlledWizard4)
public:
    CSwitchControlledWizard4() = default;
    explicit CSwitchControlledWizard4(const CSwitchControlledWizard4* other);

    // Archive: WORD schema 0, DWORD switch type; loading reads the type only for schema 0.
    // Older data: the first DWORD of the block is the switch type.
    PARVEL_SETTINGS_WIZARD4_OVERRIDES

    // The page shows the wizard's switch type.
    void GiveSettingsToPage(CPropSwitchControlled& page) { page.SetSwitchType(m_lSwitchType); }
    LONG GetSwitchType() const { return m_lSwitchType; }
    void SetSwitchType(LONG type) { m_lSwitchType = type; }
    DWORD GetSchema() const { return m_dwSchema; }

private:
    DWORD m_dwSchema = 0;
    LONG m_lSwitchType = 0;
};
