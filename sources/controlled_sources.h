// Controlled voltage source (wizard ID 1) and controlled current source (wizard ID 2): their
// shared wizard base, the two wizards, their page (dialog 100) with one variant per wizard,
// and the parameters they address.
//
// A controlled source follows the quantity of another element, by a factor or through a
// characteristic y = f(x) kept in the wizard's embedded characteristic table; the current
// source can also be a collector current source with an Early voltage and a
// collector-emitter potential. The form is the index of the page's "Controlled" list:
//
// | Form | Entry                          | Voltage source | Current source |
// |------|--------------------------------|----------------|----------------|
// | 0    | "Voltage Controlled"           | "EV "          | "IV "          |
// | 1    | "Current Controlled"           | "EI "          | "II "          |
// | 2    | "Nonlinear Voltage Controlled" | "EVNL "        | "IVNL "        |
// | 3    | "Nonlinear Current Controlled" | "EINL "        | "IINL "        |
// | 4    | "Collector Current Source"     | ("EV ")        | "ICNL "        |
//
// The voltage page offers forms 0 to 3 only; a stored form 4 (or any other) writes the
// form-0 keyword. Parameters (value ID = dialog control):
//
// | Value ID | Name      | Role                                                          |
// |----------|-----------|---------------------------------------------------------------|
// | 2007     | "QUANT"   | control component (every form)                                |
// | 2010     | "FACT"    | factor (forms 0 and 1)                                        |
// | 2016     | "CH"      | characteristic: reference or pin (forms 2 and 3)              |
// | 1006     | "CH_FILE" | data file of a Data Pairs table                               |
// | 1007     | "CH_STRG" | variable of a File Reference table                            |
// | 2022     | "VEA"     | Early voltage (form 4, current source)                        |
// | 2025     | "VCE"     | collector-emitter potential (form 4, current source)          |
// | 2472     | "SPC"     | "Spice compatible" (voltage source; hidden when absent)       |
// | 1000     |           | optional: the form a new element starts with                  |
// | 2018     | voltage   | default output "Voltage" ("SDB")                              |
// | 2019     | current   | default output "Current" ("SDB")                              |
#pragma once

#include "afx/afxwin.h"
#include "framework/characteristic_description.h"
#include "framework/characteristic_element_page.h"
#include "framework/characteristic_wizard.h"
#include "framework/characteristic_state_wizard.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/template_wizard.h"
#include "framework/sheet_serialize.h"
#include "framework/xy_table.h"
#include "sources/source_outputs.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "framework/sheet_serialize.h"

#include <initializer_list>
#include <vector>

namespace qv::sources {
constexpr WORD kIdControlComponent = 2007;
constexpr WORD kIdFactor = 2010;
constexpr WORD kIdCharacteristic = 2016;
constexpr WORD kIdCharacteristicFile = 1006;
constexpr WORD kIdCharacteristicVariable = 1007;
constexpr WORD kIdEarlyVoltage = 2022;
constexpr WORD kIdCollectorEmitter = 2025;
constexpr WORD kIdSpiceCompatible = 2472;
constexpr WORD kIdStartForm = 1000;
constexpr UINT kSourceTemplate = 100;
// Forms of the "Controlled" list.
constexpr int kFormVoltageControlled = 0;
constexpr int kFormCurrentControlled = 1;
constexpr int kFormNonlinearVoltage = 2;
constexpr int kFormNonlinearCurrent = 3;
constexpr int kFormCollector = 4;
constexpr int kFormCount = 5;
} // namespace qv::sources

class CPropNonlinearSource;

class CNonlinearSourceWizardBase4 : public CCharacteristicStateWizardBase4 {
    DECLARE_DYNAMIC(CNonlinearSourceWizardBase4)
public:
    using CCharacteristicStateWizardBase4::CCharacteristicStateWizardBase4;

    // The page's state on apply: kind, mode word, labels and a copy of its snapshot list.
    void StoreSettings(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                       const CPtrArray* snapshots) {
        StoreState(kind, modeWord, xAxisLabel, yAxisLabel, snapshots);
    }
};

class CPropNonlinearSource : public TCharacteristicElementPage<CNonlinearSourceWizardBase4> {
    DECLARE_SERIAL(CPropNonlinearSource)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropNonlinearSource, CNonlinearSourceWizardBase4)

    // The page block of older data: class record, page version, kind, upgraded flag.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    // The entries of the "Controlled" list beyond the dialog's own; supplied by the variants.
    virtual void FillControlCombo();
    // The parameters the form writes into the model text; supplied by the variants.
    virtual void BuildCompareList(int form);

    // The wizard's state before the page is shown; the snapshots are copied.
    void SetWizardSettings(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                           const CPtrArray* snapshots);
    // Defaults on a hidden page; with store 1 the result goes to the wizard.
    void InitDefaults(int store);
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);
    // Marks the parameters the form does not use (ExtType bit 0x20000).
    void UpdateModeParameters();
    // Older page data did not mark the characteristic parameters; 0 when one of the three is
    // missing, else 1.
    int UpgradeCharacteristicParameters();
    void OnCharacteristic();

    DWORD GetKind() const { return m_dwKind; }
    DWORD GetUpgradedFlag() const { return m_dwUpgraded; }
    const CString& GetXAxisLabel() const { return m_strXAxisLabel; }
    const CString& GetYAxisLabel() const { return m_strYAxisLabel; }
    // The characteristic block of older data, kept until the wizard's table takes it.
    const std::vector<BYTE>& GetCharacteristicBlock() const { return m_CharacteristicBlock; }
    // Loads the kept block into the wizard's table (SetData, LoadFromData, SetData with no
    // data) and frees it.
    void MoveCharacteristicBlockIntoTable();

protected:
    // The selection of the "Controlled" list when it names a form of the list, else -1.
    int SelectedForm() const;
    // Gives the element the symbol variant of the selected form (1 << form); without a valid
    // selection the variant stays.
    void ShowFormInSymbol();
    // Selects the stored form in the "Controlled" list (when it has a window).
    void SelectStoredForm();
    // The selected form, or the stored form when the list has no window or no valid selection.
    DWORD CurrentForm() const;
    // Flags of the embedded table: 0x8000 for a user's data file, 0x4000 for a File Reference.
    DWORD TableFlags();
    // The wizard's table with the wizard recorded as its owner (null without a wizard).
    CPropCharacteristicXYTable* Table();
    void ApplyFactorRule();
    // The field of a parameter on a pin is closed, and the parameter's pin mark follows the box.
    void ApplyPinRule(WORD id, BOOL onPin);
    // A "Use Pin" box was clicked: the page reads its controls, applies the rule, is modified.
    void ClickUsePin(WORD id, const BOOL& onPin);
    void ShowControls(std::initializer_list<int> ids, int show);
    void EnableControls(std::initializer_list<int> ids, BOOL enable);
    void AddCharacteristicSnapshot();
    // The snapshots the form lists: "QUANT", then "FACT" in the factor forms, "SPC" for the
    // voltage source, the characteristic in the nonlinear forms and "VCE" and "VEA" in the
    // current source's collector form. A form the source does not offer lists nothing.
    void ListFormSnapshots(int form, bool voltageSource);

    void OnSelchangeControlled();
    void OnUsePinControl();
    void OnUsePinFactor();
    void OnUsePinCollectorEmitter();
    void OnUsePinEarly();
    void OnUsePinCharacteristic();
    DECLARE_MESSAGE_MAP()

    std::vector<BYTE> m_CharacteristicBlock;
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    DWORD m_dwKind = 1;
    BOOL m_bSpicePresent = FALSE;
    CTBUnitComboBox m_cmbEarlyUnit;
    CTBUnitComboBox m_cmbCollectorUnit;
    CComboBox m_cmbForm;
    CString m_strControl;
    CString m_strReference;
    CString m_strVariableName;
    CString m_strFileName;
    CString m_strFactor;
    BOOL m_bPinControl = FALSE;
    BOOL m_bPinCharacteristic = FALSE;
    BOOL m_bPinFactor = FALSE;
    BOOL m_bPinCollectorEmitter = FALSE;
    BOOL m_bPinEarly = FALSE;
    CString m_strCollectorEmitter;
    CString m_strEarly;
    int m_nSpice = 0;
    DWORD m_dwUpgraded = 1;
};

// The voltage source's variant: y axis "EMF [V]"; lists "SPC" in the factor and
// characteristic forms.
class CPropNonlinearSourceV : public CPropNonlinearSource {
public:
    using CPropNonlinearSource::CPropNonlinearSource;
    BOOL OnInitDialog() override;
    void BuildCompareList(int form) override;
};

// The current source's variant: y axis "Is [A]"; offers the collector current source.
class CPropNonlinearSourceI : public CPropNonlinearSource {
public:
    using CPropNonlinearSource::CPropNonlinearSource;
    BOOL OnInitDialog() override;
    void FillControlCombo() override;
    void BuildCompareList(int form) override;
};

namespace qv::sources {
struct NonlinearSourceFamily;  // the family's own steps, in controlled_sources.cpp
} // namespace qv::sources

PARVEL_TEMPLATE_WIZARD(CNonlinearVoltageSourceWizard4,
    TCharacteristicWizard<CPropNonlinearSourceV, CNonlinearVoltageSourceWizard4, CNonlinearSourceWizardBase4,
                          qv::sources::NonlinearSourceFamily>)

PARVEL_TEMPLATE_WIZARD(CNonlinearCurrentSourceWizard4,
    TCharacteristicWizard<CPropNonlinearSourceI, CNonlinearCurrentSourceWizard4, CNonlinearSourceWizardBase4,
                          qv::sources::NonlinearSourceFamily>)

