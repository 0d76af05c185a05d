// State graphs: the transition (wizard ID 44, dialog 2551), the state (ID 45) and the state with
// configurable inputs and outputs (ID 46), both on dialog 2552. All three are wizards of the
// older base: their pages work on the data-exchange object and commit it with request code 0.
//
// Parameters of a transition (inputs, Type bit 0x4):
//
// | Value ID | Role                                                                 |
// |----------|----------------------------------------------------------------------|
// | 2188     | priority, a whole number 0..9 ("1 = highest")                        |
// | 2223     | condition; its on-sheet mode is 3 while "Show Condition" is ticked   |
//
// Parameters of a state:
//
// | Value ID | Type bits        | Role                                                  |
// |----------|------------------|-------------------------------------------------------|
// | 1000     | 0x4 (+0x2)       | actions: name = action type, value = expression; with 0x2 the action templates ("SET", "CALC", ...) |
// | 2505     | 0x4              | "Valid for": "1" DC, "0" TR                           |
// | 2056     | 0x8 (+0x2)       | one output per assigned variable, named after it; with 0x2 the output template |
// | 2056     | 0x10             | pins of the IO state: "[i]" with i 0..14 inputs, 15..29 outputs; bit 31 = on a pin |
//
// A state is active when its symbol shows variant 1 (symbol-mask byte 2); the data-exchange
// object's active-state word says the same.
#pragma once

#include "afx/afxwin.h"
#include "formula/formel.h"
#include "framework/list_controls.h"
#include "framework/older_base_block.h"

#include <vector>

namespace qv::stategraph {
constexpr WORD kIdPriority = 2188;
constexpr WORD kIdCondition = 2223;
constexpr WORD kIdAction = 1000;
constexpr WORD kIdValidFor = 2505;
constexpr WORD kIdStateOutput = 2056;
constexpr UINT kTransitionTemplate = 2551;
constexpr UINT kStateTemplate = 2552;
constexpr int kCtlActionList = 2233;
constexpr int kCtlActivateState = 2231;
constexpr int kCtlInputs = 2227;
constexpr int kCtlOutputs = 2229;
constexpr int kCtlSpin = 2220;
constexpr int kCtlShowCondition = 2224;
constexpr int kCtlTR = 2330;
constexpr int kCtlDC = 2331;
// Pins of an IO state: indexes below this are inputs, up to twice it outputs.
constexpr int kPinsPerSide = 15;

// True when the action type names one of the checked kinds ("SET", "CALC", "STEP", "CATI",
// "DEL", tested as parts of the text).
bool IsCheckedActionType(const CString& type);
// A whole number read from a typed text, stepped by the spin (step +1 or -1, 0 none) and
// limited to lo..hi. The number is limited on the double before it becomes an integer, so
// that any text, "1e300" too, gives a number of the range.
int LimitedWholeNumber(const CString& text, int step, int lo, int hi);
// Sets or clears bit 31 of the IO state's pins for nIn inputs and nOut outputs: an input
// pin i (below 15) is on a pin when i < nIn, an output pin (15 to 29) when i - 15 < nOut;
// pins without an index or from 30 on are on a pin.
void ApplyPinCounts(ParamHolder* holder, int nIn, int nOut);
// The number of inputs and outputs on a pin.
void CountPins(ParamHolder* holder, int* nIn, int* nOut);
// The variant byte of the symbol (bit n: variant n) for the active state (2) and back; an
// inactive state has the variant of a newly placed one (0).
BYTE SymbolMaskForActive(BOOL active);
BOOL ActiveFromSymbolMask(BYTE mask);
} // namespace qv::stategraph

class CPropTransition : public COlderBaseBlockPage {
    DECLARE_DYNCREATE(CPropTransition)
public:
    CPropTransition();
    CPropTransition(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnApply() override;

protected:
    void EnableFields();
    void LimitPriority(int step);
    void OnPriorityKillFocus() { LimitPriority(0); }
    void OnSpin(NMHDR* pNMHDR, LRESULT* pResult);
    void OnShowCondition();
    DECLARE_MESSAGE_MAP()

    BOOL m_bShowCondition = FALSE;
    CString m_strPriority;
    CString m_strCondition;
};

class CPropStateGraph : public COlderBaseBlockPage {
    DECLARE_DYNCREATE(CPropStateGraph)
public:
    CPropStateGraph();
    CPropStateGraph(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
    ~CPropStateGraph() override;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    BOOL OnApply() override;

    // A page made for hidden work shows no message boxes: it reports a missing pre-compiler or
    // a failed check to the editor (code 8) instead.
    void SetHidden(bool hidden) { m_bHidden = hidden; }
    bool ReportedFailure() const { return m_bFailureReported; }
    // Loads the pre-compiler (releasing a module of an earlier load first); 1 on success.
    BOOL LoadScanDll();
    // Checks the action of a row and links the output of the variable it assigns; 1 when
    // the row is acceptable.
    BOOL CheckActions(int row);
    CEditVarListCtrl& ActionList() { return m_lstActions; }

protected:
    CWizardCopaObject3* RowAction(int row) const;
    void AppendActionRow(CWizardCopaObject3* action);
    void ShowOutputCell(int row, CWizardCopaObject3* output);
    void ReleaseRowOutput(int row);
    void DropResultsOfRemovedOutputs();
    bool CheckAllRows();
    // OK's rule for the actions: the first one of a checked type whose value the pre-compiler
    // cannot read is selected and refused with "Invalid value!" (false); an empty value passes.
    bool RefuseUncompiledActions();
    void StoreActions();
    void StoreOutputDescriptions();
    void ShowActiveState();
    void StoreActiveStateWord();
    void ShowMessage(UINT stringID);
    void FreeScanDll();
    void DeleteRow(int row);
    void MoveRow(int delta);
    void ChangeRowType(int row);

    void OnNewButton();
    void OnNewAction(UINT id);
    void OnDeleteSelected();
    void OnDeleteAll();
    void OnMoveUp() { MoveRow(-1); }
    void OnMoveDown() { MoveRow(1); }
    void OnListFocus(NMHDR* pNMHDR, LRESULT* pResult);
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnUpdateNew(CCmdUI* pCmdUI);
    void OnUpdateNeedsSelection(CCmdUI* pCmdUI);
    void OnUpdateAlways(CCmdUI* pCmdUI);
    void OnActivateState();
    void OnInputsKillFocus();
    void OnOutputsChanged();
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    CString m_strTypeList;
    std::vector<CWizardCopaObject3*> m_templates;
    CWizardCopaObject3* m_pOutputTemplate = nullptr;
    HMODULE m_hScanDll = nullptr;
    Fml2UpnFunc m_pfnFml2Upn = nullptr;
    CWizardCopaObject3* m_pValidFor = nullptr;
    CEditVarListCtrl m_lstActions;
    BOOL m_bActivateState = FALSE;
    CString m_strInputs = "0";
    CString m_strOutputs = "0";
    bool m_bHidden = false;
    bool m_bFailureReported = false;
};

// The IO state's page: the shared page plus the numbers of inputs and outputs.
class CPropStateGraphIO : public CPropStateGraph {
public:
    CPropStateGraphIO() = default;
    CPropStateGraphIO(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange) : CPropStateGraph(wizard, exchange) {}

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
};

class CTransitionWizard : public TOlderBaseBlockWizard<CPropTransition, CTransitionWizard> {
    DECLARE_DYNAMIC(CTransitionWizard)
public:
    CTransitionWizard() = default;
    explicit CTransitionWizard(const CTransitionWizard* other) : TOlderBaseBlockWizard(other) {}
};

// The two state wizards: they rerun the page's action check when an action changes outside
// the page and convert action lists of older versions. Page: the page class; convertDelete:
// whether a delete action of "NULL" becomes "DELRES".
template <class Page, class Self, bool convertDelete>
class TStateGraphWizard : public TOlderBaseBlockWizard<Page, Self> {
public:
    TStateGraphWizard() = default;
    explicit TStateGraphWizard(const Self* other) : TOlderBaseBlockWizard<Page, Self>(other) {}

    BOOL WantChangeNotification() override { return TRUE; }
    void NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType, CWizardCopaObject3* param) override;
    BOOL DoConversionFrom4x(CWizardSchematicDataExchange3* exchange) override;
};

class CStateGraphWizard : public TStateGraphWizard<CPropStateGraph, CStateGraphWizard, true> {
    DECLARE_DYNAMIC(CStateGraphWizard)
public:
    CStateGraphWizard() = default;
    explicit CStateGraphWizard(const CStateGraphWizard* other) : TStateGraphWizard(other) {}
};

class CStateGraphIOWizard : public TStateGraphWizard<CPropStateGraphIO, CStateGraphIOWizard, false> {
    DECLARE_DYNAMIC(CStateGraphIOWizard)
public:
    CStateGraphIOWizard() = default;
    explicit CStateGraphIOWizard(const CStateGraphIOWizard* other) : TStateGraphWizard(other) {}
};
