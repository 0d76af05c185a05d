// The magnetic core element: its two pages and the two wizards that show them.
//
// CPropCoreModel (dialog 2090, wizard ID 110) edits the core with a unit box beside every
// numeric field and a unit column in the parameter list; CPropCoreModelFixed (dialog 2614,
// wizard ID 111) shows the units of the element's parameters after the captions instead and
// edits neither the magnetic parameters nor the eddy-current values. Both pages share one
// implementation (CCorePageCommon); they differ only where the fixed units make them.
//
// What the pages edit, by value ID:
//
// | value ID     | what                                            | page field        |
// |--------------|-------------------------------------------------|-------------------|
// | 151          | model level "0" to "4"                          | combo box 151     |
// | 2299         | core resistivity (eddy-current loss)            | edit 2299 + 2519  |
// | 2297         | AC coefficient 1 (level 0)                      | edit 2297 + 2520  |
// | 2300         | AC coefficient 2 (level 0)                      | edit 2300 + 2521  |
// | 2503         | effective length of the core                    | edit 2503 + 2522  |
// | 2504         | effective area of the core                      | edit 2504 + 2523  |
// | 2507         | initial magnetisation                           | edit 2507 + 2524  |
// | 2509         | initial magnetic field (levels 3 and 4)         | edit 2509 + 2525  |
// | 1000 to 1999 | the magnetic parameters, one list row each      | list 2132         |
//
// The rows' value IDs group them by level: 1000-1099 level 0, 1100-1199 levels 1 and 3,
// 1200-1299 levels 2 and 4, 1300-1399 level 3, 1400-1499 level 4 (power/core_curves.h names
// the keywords the curves read). Rows the chosen level does not use are greyed and locked.
//
// The eddy-current switch and, on the page with units, the three eddy-current texts the
// user typed last travel in the wizard's additional data (power/cores.h). The wizards write
// no model text and keep no data of their own: both are the wizard base's.
#pragma once

#include "afx/afxwin.h"
#include "framework/list_controls.h"
#include "framework/page_wizard.h"
#include "power/cores.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

class CCharacteristicDlg;

namespace qv::power::cores {

constexpr UINT kCorePageTemplate = 2090;
constexpr UINT kFixedCorePageTemplate = 2614;
constexpr int kNoLevel = -1;

// The threshold of a level (1999 for one outside 0 to 4) and whether a row of that value ID
// is enabled under it.
int LevelThreshold(int level);
bool RowEnabledAt(int valueID, int threshold);
// The level mark of a row: 0, 13, 24, 3 or 4 by value ID range; 0 from 1500 on.
int LevelMark(int valueID);
// The name a level shows in the page ("Linear", ...); null outside 0 to 4.
const char* LevelName(int level);

}  // namespace qv::power::cores

class CCorePageCommon : public CTBPropertyPage {
public:
    ~CCorePageCommon() override;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    void FillCoreList();
    void OnSelchangeLevel();
    void SelectFirstItemOfLevel(int level);
    void OnEddyCurrentLoss();
    void LoadAdditionalWizardData();
    void StoreAdditionalWizardData();
    void OnShowCurve();
    // Refills the point list with the curve of a level (emptied for one outside 0 to 4).
    void BuildCurveOfLevel(int level);

    // What tests and the host look at.
    int GetLevel() const { return m_nLevel; }
    CCharacteristicDlg* GetPreview() const { return m_pPreview; }
    const CPtrArray& GetCurvePoints() const { return m_CurvePoints; }
    CBitmapListCtrl& CoreList() { return m_lstCore; }
    BOOL GetEddyCurrentLoss() const { return m_bEddyCurrentLoss; }
    bool HasFixedUnits() const { return m_bFixedUnits; }

protected:
    CCorePageCommon(UINT templ, bool fixedUnits, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    // The three remembered eddy-current texts (the page with units keeps them; the other
    // page has none and stores none).
    virtual qv::power::cores::EddyCurrentSettings* Remembered() { return nullptr; }

    // The level of the combo box's selection, or kNoLevel for none or one outside 0 to 4.
    int SelectedLevel() const;
    void Enable(int id, bool enable);
    CString* FieldOf(WORD valueID);
    CTBUnitComboBox* UnitBoxOf(WORD valueID);
    void ApplyLevelControls(int level);
    void RefreshOpenPreview();

    void OnPaint();
    void OnLevelDropDown();
    void OnLevelKillFocus();
    void OnModified();
    void OnResistivityChanged();
    void OnCoefficient1Changed();
    void OnCoefficient2Changed();
    // An eddy-current value was typed: the page is modified and the remembered settings take it.
    void RememberTyped(int id, CString qv::power::cores::EddyCurrentSettings::*field);
    void OnUnitChanged() {}
    LRESULT OnListEdited(WPARAM wParam, LPARAM lParam);
    LRESULT OnPreviewClosed(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    const bool m_bFixedUnits;
    CWizardBase3* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CPtrArray m_CurvePoints;  // CDataPoint*, owned
    CString m_strSymbolText;
    int m_nLevel = 0;
    CCharacteristicDlg* m_pPreview = nullptr;
    // 2525, 2519, 2524, 2522, 2523, 2521, 2520 (the page with units only).
    CTBUnitComboBox m_cboInitialFieldUnit;
    CTBUnitComboBox m_cboResistivityUnit;
    CTBUnitComboBox m_cboInitialMagnetizationUnit;
    CTBUnitComboBox m_cboLengthUnit;
    CTBUnitComboBox m_cboAreaUnit;
    CTBUnitComboBox m_cboCoefficient2Unit;
    CTBUnitComboBox m_cboCoefficient1Unit;
    CBitmapListCtrl m_lstCore;
    CComboBox m_cboLevel;
    BOOL m_bShowName = FALSE;
    CString m_strName;
    BOOL m_bEddyCurrentLoss = FALSE;
    CString m_strCoefficient1;
    CString m_strCoefficient2;
    CString m_strArea;
    CString m_strLength;
    CString m_strInitialMagnetization;
    CString m_strInitialField;
    CString m_strResistivity;
    CString m_strLevelDescription;
};

// The page with unit choice (wizard ID 110).
class CPropCoreModel : public CCorePageCommon {
public:
    CPropCoreModel(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    // The page archive inside the additional data: DWORD 10 and the three remembered texts;
    // no class record. Loading moves the texts into the controls when the page has a window.
    void Serialize(CArchive& ar) override;

    const qv::power::cores::EddyCurrentSettings& GetRemembered() const { return m_remembered; }

protected:
    qv::power::cores::EddyCurrentSettings* Remembered() override { return &m_remembered; }

private:
    // Only the three texts are used; the switch lives in the page's check box.
    qv::power::cores::EddyCurrentSettings m_remembered;
};

// The page with the units fixed by the element's parameters (wizard ID 111).
class CPropCoreModelFixed : public CCorePageCommon {
public:
    CPropCoreModelFixed(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
};

// The two wizards: one page each, nothing else of their own.
class CCoreModelWizard : public qv::wizards::TPageWizard3<CPropCoreModel, CCoreModelWizard> {
    DECLARE_DYNAMIC(CCoreModelWizard)
public:
    using TPageWizard3::TPageWizard3;
};

class CCoreModelFixedWizard : public qv::wizards::TPageWizard3<CPropCoreModelFixed, CCoreModelFixedWizard> {
    DECLARE_DYNAMIC(CCoreModelFixedWizard)
public:
    using TPageWizard3::TPageWizard3;
};
