// The nonlinear two-winding transformer (wizard ID 112): its main inductance follows a
// characteristic L = f(i) held in the wizard's embedded characteristic table. Its page (dialog
// 2615) is the linear transformer page with the main inductance replaced by the
// characteristic's button and "Use Pin" box; it shares the transformer page steps.
//
// The wizard keeps the state of the resistor and the conductance (mode word with the bits
// 0x4000 and 0x8000, look-up flag, table, labels, snapshots) and archives it in the same
// block, so it derives from their base; the characteristic's variable and file names are
// kept beside it and neither archived nor cloned.
//
// Parameters by value ID:
//
// | Value ID | Name      | Role                                                     |
// |----------|-----------|----------------------------------------------------------|
// | 2477     | "LS1"     | leakage inductance, primary                              |
// | 2479     | "LS2"     | leakage inductance, secondary                            |
// | 2483     | "RCU1"    | winding resistance, primary                              |
// | 2485     | "RCU2"    | winding resistance, secondary                            |
// | 2112     | "RFE"     | iron-loss resistance                                     |
// | 2486     | "KTR"     | turns ratio (may be a pin)                               |
// | 2016     | "CH"      | characteristic: a reference, or a pin                    |
// | 1006     | "CH_FILE" | data file of a Data Pairs table                          |
// | 1007     | "CH_STRG" | variable of a File Reference table                       |
// | 2371..2374 | outputs | default outputs ("SDB")                                  |
//
// Snapshots: "CH" (reference or pin) or "@CH" (from "CH_STRG" or "CH_FILE"), then "LS1",
// "LS2", "RCU1", "RCU2", "RFE", "KTR". "@CH" becomes the bare table name "XY_<name>_CH" and
// the table's INTERN declaration follows the model text.
#pragma once

#include "framework/data_file_places.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "passive/passive_bases.h"
#include "passive/transformer_page.h"

#include <vector>

class CNonlinearTransformerWizard4;

class CPropPassive2WTrafoNonLinear : public CPropPassiveTransformerBase {
    DECLARE_SERIAL(CPropPassive2WTrafoNonLinear)
public:
    CPropPassive2WTrafoNonLinear();
    CPropPassive2WTrafoNonLinear(CNonlinearTransformerWizard4* wizard, ParamHolder* params);
    ~CPropPassive2WTrafoNonLinear() override;

    // The page block: class record, page version, KTR, kind, variable name, file name.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    virtual void BuildCompareList();

    // The wizard's state before the page is shown; the snapshots are copied.
    void LoadFromWizard(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                        const CPtrArray* snapshots);
    void InitDefaults(int commit);
    // Element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);

    DWORD GetModeWord() const { return m_dwModeWord; }
    DWORD GetKind() const { return m_dwKind; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    const std::vector<BYTE>& GetOldCharacteristicBlock() const { return m_OldCharacteristic; }
    void FreeOldCharacteristicBlock() { std::vector<BYTE>().swap(m_OldCharacteristic); }

protected:
    void OnOtherButton(UINT id) override;
    void OnCharacteristicUsePin();
    void OnCharacteristic();
    // The wizard's table with the wizard recorded as its owner (null without a wizard).
    CPropCharacteristicXYTable* Table();
    // The mode bits of the table's current state.
    void TakeModeBitsFromTable();
    void SnapshotOf(const char* name, const char* rename);
    // A characteristic parameter counts as on a pin only while the element uses it.
    BOOL CharacteristicOnPinInParams();

    CNonlinearTransformerWizard4* m_pWizard = nullptr;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned
    std::vector<BYTE> m_OldCharacteristic;
    CString m_strXAxisLabel;
    CString m_strYAxisLabel;
    CString m_strXSecondText;
    CString m_strYSecondText;
    DWORD m_dwKind = 1;
    CString m_strReference;
    CString m_strVariableName;
    CString m_strFileName;
    BOOL m_bCharacteristicUsesPin = FALSE;
    DWORD m_dwModeWord = 0;
};

class CNonlinearTransformerWizard4
    : public qv::wizards::TPageWizard4<CPropPassive2WTrafoNonLinear, CNonlinearTransformerWizard4,
                                       CPassiveResAndConWizardBase4> {
    DECLARE_DYNAMIC(CNonlinearTransformerWizard4)
public:
    CNonlinearTransformerWizard4() = default;
    // The copy used by Clone: the base's state; no names, no page.
    explicit CNonlinearTransformerWizard4(const CNonlinearTransformerWizard4* other) : TPageWizard4(other) {}

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // The page-wizard steps: a page of an earlier edit goes and a new one takes the wizard's
    // state; the characteristic search folders are built before it binds.
    static constexpr bool kReplaceEarlierPage = true;
    CPropPassive2WTrafoNonLinear* MakePage(DWORD_PTR cookie);
    void PrepareEditing() { BuildCharacteristicSearchDirs(this); }
    void GiveSettingsToPage(CPropPassive2WTrafoNonLinear& page);

    void SetVariableName(CString text) { m_strVariableName = text; }
    void SetFileName(CString text) { m_strFileName = text; }
    const CString& GetVariableName() const { return m_strVariableName; }
    const CString& GetFileName() const { return m_strFileName; }

private:
    friend class CPropPassive2WTrafoNonLinear;
    CString m_strVariableName;
    CString m_strFileName;
};
