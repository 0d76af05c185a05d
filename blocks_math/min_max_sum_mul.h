// Minimum, maximum, sum and product block (wizard ID 58): one wizard for all four, since the
// function lies in the element's model template. The wizard and its page (dialog 2563) edit
// the list of signed inputs, the sample time and the block output, and the wizard fills
// "@PARAMLIST" with "name := value" entries joined by "," (no blanks).
//
// Parameters (value ID = dialog control; only input parameters, Type bit 0x04, are listed):
//
// | Value ID | Role                                                                       |
// |----------|----------------------------------------------------------------------------|
// | 2132     | one input each, "INPUT[n]"; the value is the input's expression, "- " in   |
// |          | front when the input is negated; the member without index is the template  |
// | 2183     | sample time (list 2183 with unit 2400 and "Use Pin" 2074)                  |
// | 2202     | sample time as the other block pages name it (written as stored)           |
// | 2056     | block output ("SDB" entry)                                                 |
// | 1000     | factor of elements saved by 4.x versions; ExtType bit 0x20000 once converted |
//
// The sign mask keeps bit n for input INPUT[n] (n below 32), on the page and in the writer
// alike, so moving rows never shifts a sign. Inputs from INPUT[32] on have no bit: a leading
// "-" of their value negates them.
//
// Archive (sheet version 4): WORD schema 0, DWORD sign mask. Data of the older wizard
// generation: the first DWORD is the sign mask (a shorter block changes nothing).
#pragma once

#include "afx/afxwin.h"
#include "framework/list_controls.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/param_set_page.h"
#include "framework/sheet_serialize.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

namespace qv::blocks {
constexpr WORD kIdInput = 2132;
constexpr WORD kIdFactor4x = 1000;
constexpr UINT kMinMaxSumMulTemplate = 2563;

// Whether input n is negated: its bit of the mask below 32, a leading "-" from 32 on.
bool IsInputNegated(DWORD signMask, int index, const CString& value);
// The model-text form of a negated input value: a leading sign and the blanks after it go,
// then "- v" for a value that is one group or one call ("sin(d)", "(b+c)"), else "- (v)".
// An empty value stays empty.
CString NegatedInputText(CString value);
// The operand of a product as 4.x factors wrote it: a name, number, call or group stands as
// it is; anything else is bracketed.
CString FactorOperand(CString operand);
// "@PARAMLIST" of the block: inputs with index from 0 and the sample-time parameters in set
// order.
CString BuildInputListText(ParamHolder* holder, DWORD signMask);
} // namespace qv::blocks

class CMinMaxSumMulBlockWizard4;

class CPropMinMaxSumMulBlock : public CParamSetPage {
    DECLARE_SERIAL(CPropMinMaxSumMulBlock)
public:
    CPropMinMaxSumMulBlock();
    CPropMinMaxSumMulBlock(CWizardBase4* wizard, DWORD_PTR cookie);

    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    void SetSignMask(DWORD mask) { m_dwSignMask = mask; }
    DWORD GetSignMask() const { return m_dwSignMask; }
    // A page without a window on a sheet shows no message boxes.
    // Takes the mask from an old-data block (its first DWORD) and marks the rows.
    void ApplySignMask(const void* data, long length);
    CEditVarListCtrl& InputList() { return m_lstInputs; }

    void OnNewInput();
    void OnDeleteInput();
    void OnDeleteAllInputs();
    void OnMoveUp();
    void OnMoveDown();

protected:
    void FillInputList();
    int AppendRow(CWizardCopaObject3* param, int index);
    void SetRowCells(int row, CWizardCopaObject3* param, const CString& name, int nameKind, const CString& info,
                     const CString& sign, const CString& value);
    void MarkRowsFromMask();
    int MaxInputIndex() const;
    void StoreNamesAndInfos();
    void StoreParameters();
    void MoveSelected(int delta);
    CWizardCopaObject3* RowParam(int row) const;
    // Takes the row's input out of the list and the parameter set; the first two inputs
    // (index below 2) always stay. FALSE when nothing was deleted.
    bool DeleteInputRow(int row);

    void OnMarkModified();
    void OnSampleTimeChosen();
    void OnSampleTimeTyped();
    void OnSampleTimePin();
    void OnOutput();
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnUpdateDelete(CCmdUI* pCmdUI);
    void OnUpdateRowCommand(CCmdUI* pCmdUI);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    CWizardCopaObject3* m_pTemplate = nullptr;
    CString m_strSignChoices;
    DWORD m_dwSignMask = 0;
    CTBUnitComboBox m_cmbUnit;
    CComboBox m_cmbSampleTime;
    CEditVarListCtrl m_lstInputs;
    BOOL m_bShowName = FALSE;
    BOOL m_bSampleTimePin = FALSE;
    CString m_strName;
    BOOL m_bOutput = FALSE;
};

class CMinMaxSumMulBlockWizard4 : public qv::wizards::TPageWizard4<CPropMinMaxSumMulBlock, CMinMaxSumMulBlockWizard4> {
    DECLARE_DYNAMIC(CMinMaxSumMulBlockWizard4)
public:
    CMinMaxSumMulBlockWizard4() = default;
    // The base of a clone comes from its source.
    explicit CMinMaxSumMulBlockWizard4(const CMinMaxSumMulBlockWizard4* other)
        : TPageWizard4(other) {
        if (other == nullptr) return;
        m_wSchema = other->m_wSchema;
        m_dwSignMask = other->m_dwSignMask;
    }

    int GetWizardKind() override { return 3; }
    // The wizard's own settings to the page on the sheet.
    void GiveSettingsToPage(CPropMinMaxSumMulBlock& page);
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    BOOL DoConversionFrom4x() override;

    DWORD GetSignMask() const { return m_dwSignMask; }
    void SetSignMask(DWORD mask) { m_dwSignMask = mask; }
    WORD GetSchema() const { return m_wSchema; }

private:
    WORD m_wSchema = 0;
    DWORD m_dwSignMask = 0;
};

namespace qv::blocks {
// Folds the 4.x factor (parameter 1000) into input 1 once: "u" with factor "2" becomes
// "u * 2", not on a pin; parameter 1000 is marked converted and the set committed (code 25).
void ConvertFactorParameter(CWizardBase4* wizard, DWORD_PTR cookie);
} // namespace qv::blocks
