// Equation block (wizard ID 79): numbered inputs, a list of equations and numbered outputs.
// The wizard writes "@INPUTLIST", "@EXPRESSLIST" and "@MAXINDEX" into the model text, keeps
// three settings in the schematic and converts data of the older wizard generation; its page
// (dialog 2577) edits the three lists and checks every equation with the pre-compiler module.
//
// Parameters (value ID = list control):
//
// | Value ID | Role                                                                          |
// |----------|-------------------------------------------------------------------------------|
// | 2278     | inputs "INPUT[n]", value = input signal; Type bit 0x2 marks the template       |
// | 2279     | equations, value = "name := expression" or an IF block; bit 0x2: the template  |
// | 2056     | outputs "VAL[n]"; bit 0x2: the template                                        |
// | 2057     | variables an equation defines (output bit 0x8); bit 0x2: the template          |
// | 2183     | sample time                                                                   |
//
// Archive (sheet version 4): WORD schema 0, DWORD show errors, DWORD convert flag, DWORD
// output count. Older data: DWORD output count, DWORD not used, DWORD n and n bytes not used,
// DWORD m and m bytes of page state (DWORD version, from version 8 DWORD show errors).
//
// The convert flag says the set still holds equations and outputs of the older form ("value"
// without "name :="). Whoever turns them into equations of the new form (the model-text
// writer or the page) clears it, so the set is converted exactly once.
#pragma once

#include "afx/afxwin.h"
#include "formula/formel.h"
#include "framework/list_controls.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/param_set_page.h"
#include "framework/sheet_serialize.h"
#include "toolkit/tb_dlg_calculation.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <functional>
#include <memory>
#include <vector>

namespace qv::equations {
constexpr WORD kIdInput = 2278;
constexpr WORD kIdEquation = 2279;
constexpr WORD kIdOutput = 2056;
constexpr WORD kIdVariable = 2057;
constexpr int kIdOutputList = 2298;
constexpr int kCtlShowErrors = 2488;
constexpr UINT kEquationBlockTemplate = 2577;
constexpr UINT kRowImages = 2904;
constexpr DWORD kTypeTemplate = 0x2;
constexpr DWORD kTypeOutput = 0x8;

// Row images of the expression lists.
enum RowImage : int { kImageCondition = 0, kImageAssignment = 1, kImageError = 2 };

// A copy of a template as a new row parameter: deletable, template bit cleared, linked to the
// template's object, no object of its own, with the value given; appended to the set.
CWizardCopaObject3* NewRowParam(ParamHolder* holder, const CWizardCopaObject3* templ, const CString& value);
// The equation text of an older-form parameter: its value when that holds ":=", else
// name ":=" value.
CString EquationTextOf(const CWizardCopaObject3* param);
// The text an equation row shows: the first line, without the character before the line
// break, and "...", for a text with a line break at position 1 or later; else the text.
CString RowCellText(const CString& text, BOOL* singleLine);
// The texts the block writes for its placeholders. With convertOld, equations and outputs of
// the older form become new equation parameters first (walking the set as it was).
CString BuildInputList(ParamHolder* holder);
// converted tells whether the set received new equations.
CString BuildExpressionList(ParamHolder* holder, bool convertOld, bool* converted = nullptr);
// The trimmed left side (before ":=") of an expression; empty when it has none.
CString LeftSideOf(const CString& text);
} // namespace qv::equations

// The record of one equation row.
struct EquationRowData {
    CWizardCopaObject3* param = nullptr;
    CString text;
    DWORD singleLine = 1;
};

namespace qv::equations {

// What the check of one expression row works on. The rows of the list carry an
// EquationRowData record (or none, which the check refuses).
struct ExpressionCheck {
    CEditVarListCtrl* list = nullptr;
    ParamHolder* holder = nullptr;
    // Copied for every variable an expression defines that the list does not know yet.
    CWizardCopaObject3* variableTemplate = nullptr;
    UbhvBlock2UpnFunc scan = nullptr;
    // The row's output cell; -1 where the list has none (the equation block's single column).
    int outputColumn = -1;
    // Shows the report of a framework exception the check caught.
    std::function<void(const CString&)> report;
};
// How a variable that the check creates for an assignment starts: its result output on, taken
// from a pin, linked to the editor's object. All off for a check that only checks.
struct NewVariableTraits {
    BOOL output = FALSE;
    BOOL onPin = FALSE;
    CObject* object = nullptr;
};
// Checks the row's text with the pre-compiler: 1 when accepted (or empty), else 0 with the
// error lines in errorText. Keeps the list's links between the row and the variables it
// defines, makes parameters for new variables and sets the row image (and the output cell).
BOOL CheckExpressionRow(const ExpressionCheck& check, int row, const CString& text, CString& errorText,
                        const NewVariableTraits& traits = {});
// Releases every variable of the row (last first) and forgets the row.
void ReleaseRowVariables(CEditVarListCtrl& list, DWORD_PTR key);
void SetListRowImage(CListCtrl& list, int row, int image);
int ListRowImage(const CListCtrl& list, int row);
// Shows the row's expression in its cell: the text, or its first line and "..." for a text of
// several lines (then edited only in the expression dialog); sets the record's single-line flag.
void ShowExpressionCell(CTBEditListCtrl& list, int row, int column, EquationRowData& data);
// The page state of the expression pages: DWORD version 10 and DWORD show errors (read from
// version 8 on).
void SerializeShowErrorsState(CArchive& ar, BOOL& showErrors);

// The expression dialog of an expression list: it edits the record text of the row it was
// opened on, and a text it takes shows in the row's cell (and in an open in-place edit).
class ExpressionRowDialog {
public:
    ExpressionRowDialog(CTBEditListCtrl& list, int column) : m_list(list), m_column(column) {}
    // names: the names an expression may use.
    void Init(std::function<void(CMapStringToString&)> names);
    // Opens the dialog on a row with a record; true when the user took a text.
    bool Edit(CWnd* owner, int row);

private:
    EquationRowData* Record(int row) const;
    CTBDlgCalculation m_dialog;
    CTBEditListCtrl& m_list;
    int m_column;
    int m_row = -1;
};

// The pre-compiler module of an expression page, looked for once per page: a failure is told
// once (8001 no module, 8002 no "UbhvBlock2Upn"), not at every check. Freed with the page.
class ScanModule {
public:
    ScanModule() = default;
    ScanModule(const ScanModule&) = delete;
    ScanModule& operator=(const ScanModule&) = delete;
    ~ScanModule() { Free(); }
    // Loads "Pravent.dll" from the wizard's installation folder (the configured one without a
    // wizard); `tell` shows the failure message.
    BOOL Load(const CWizardBase4* wizard, const std::function<void(const CString&)>& tell);
    UbhvBlock2UpnFunc Function() const { return m_function; }

private:
    void Free();
    HMODULE m_module = nullptr;
    UbhvBlock2UpnFunc m_function = nullptr;
    bool m_tried = false;
};

} // namespace qv::equations

class CEquationBlockWizard4;

// What the equation block's page and the page of the initial values and equations share: the
// formula module that checks the rows, the show-errors and convert flags, the row images and
// records, the list of expression rows (text in column 0) with its expression dialog, and the
// element's name and "Show Name", which with "Show Errors" mark the page modified when changed.
class CExpressionListPage : public CParamSetPage {
public:
    // showErrors: the "Show Errors" state before the wizard hands its own over; expressions:
    // the page's list of expression rows (a member of the page, bound here before it is made),
    // whose control ID is listID.
    CExpressionListPage(UINT templateID, BOOL showErrors, CEditVarListCtrl& expressions, int listID)
        : CParamSetPage(templateID),
          m_bShowErrors(showErrors),
          m_expressions(expressions),
          m_nExpressionListID(listID) {}
    CExpressionListPage(UINT templateID, CWizardBase4* wizard, DWORD_PTR cookie, BOOL showErrors,
                        CEditVarListCtrl& expressions, int listID)
        : CParamSetPage(templateID, wizard, cookie),
          m_bShowErrors(showErrors),
          m_expressions(expressions),
          m_nExpressionListID(listID) {}

    BOOL GetConvertFlag() const { return m_bConvert; }
    BOOL GetShowErrors() const { return m_bShowErrors; }
    BOOL LoadScanDll();
    BOOL IsScanLoaded() const { return m_scan.Function() != nullptr; }
    // The record and the image of an expression row (none for a row out of range).
    EquationRowData* RowData(int row) const;
    int RowImage(int row) const { return qv::equations::ListRowImage(m_expressions, row); }
    // Opens the expression dialog on an expression row (a double click on the row does it).
    void EditInDialog(int row);

protected:
    // Name, "Show Name" and "Show Errors"; the page adds its lists.
    void DoDataExchange(CDataExchange* pDX) override;
    void OnMarkModified();
    // The check of one expression row with the pre-compiler (1: accepted or empty); traits
    // shape the variables the check creates.
    BOOL CheckRow(int row, const CString& text, CString& errorText,
                  const qv::equations::NewVariableTraits& traits = {});
    // Appends an expression row with its record (the parameter and its text) and its image;
    // the row's index, or -1 when the list refused it.
    int AppendExpressionRow(CWizardCopaObject3* param, const CString& text, int image);
    // Makes the row images and gives them to the expression list.
    void AttachRowImages();
    // The row's output cell the check fills; -1 where the list has none.
    virtual int ExpressionOutputColumn() const { return -1; }
    // Checks the row's text and shows the errors when "Show Errors" is on.
    void CheckRowAndShow(int row);
    // OK's rule for the rows, which the model text carries as its equations: the first row that
    // does not read as statements defining or deciding something (qv::pages::ReadsAsStatements)
    // is selected and refused with "Invalid value!"; TRUE when every row reads. An empty row adds
    // nothing to the equations and passes.
    BOOL RefuseUnreadableRows();
    void ShowRowExpression(int row, EquationRowData* data) {
        qv::equations::ShowExpressionCell(m_expressions, row, 0, *data);
    }
    // Exchanges the records, texts and images of two expression rows, selects `other` and
    // checks both rows again.
    void SwapExpressionRows(int row, int other);
    void OnExpressionDoubleClick(NMHDR* pNMHDR, LRESULT* pResult);
    // A multi-line expression is edited only in the expression dialog: an in-place edit that
    // opens on it is closed at once, without taking its text.
    LRESULT OnEditStarting(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    qv::equations::ScanModule m_scan;
    BOOL m_bConvert = FALSE;
    CImageList m_images;
    CWizardCopaObject3* m_pVariableTemplate = nullptr;
    // The records of the rows; the rows point at them.
    std::vector<std::unique_ptr<EquationRowData>> m_rowRecords;
    BOOL m_bShowName = FALSE;
    CString m_strName;
    BOOL m_bShowErrors;
    CEditVarListCtrl& m_expressions;
    int m_nExpressionListID;
    qv::equations::ExpressionRowDialog m_expressionDialog{m_expressions, 0};
};

class CPropEquationBlock : public CExpressionListPage {
    DECLARE_SERIAL(CPropEquationBlock)
public:
    CPropEquationBlock();
    CPropEquationBlock(CWizardBase4* wizard, DWORD_PTR cookie);

    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    void SetSettings(BOOL convert, BOOL showErrors, DWORD outputCount);
    DWORD GetOutputCount() const { return m_dwOutputCount; }
    // A page used without being shown (conversions) shows no message boxes.
    void SetHiddenConversion(bool hidden) { SetHidden(hidden); }
    // Checks every equation row as the page does: FALSE with the first refused row's message.
    // TRUE when the formula module cannot be had (nothing can be checked then).
    BOOL CheckAllEquations(CString& errorText);
    // The block of the older wizard generation (layout in the header above).
    void ConvertWizard3Data(const void* data, long length);

    // The check of one equation row with the pre-compiler: 1 when accepted (or empty). The
    // error text receives the lines to show.
    BOOL CheckEquations(int row, const CString& text, CString& errorText);

    CEditVarListCtrl& InputList() { return m_lstInput; }
    CEditVarListCtrl& EquationList() { return m_lstEquation; }
    CEditVarListCtrl& OutputList() { return m_lstOutput; }

    void OnNewInput();
    void OnNewOutput();
    void OnNewEquation() { NewEquation(qv::equations::kImageAssignment); }
    void OnNewCondition() { NewEquation(qv::equations::kImageCondition); }
    void OnDeleteInput() { DeleteRows(m_lstInput, false); }
    void OnDeleteAllInputs() { DeleteRows(m_lstInput, true); }
    void OnDeleteEquation() { DeleteRows(m_lstEquation, false); }
    void OnDeleteAllEquations() { DeleteRows(m_lstEquation, true); }
    void OnDeleteOutput() { DeleteRows(m_lstOutput, false); }
    void OnDeleteAllOutputs() { DeleteRows(m_lstOutput, true); }
    void OnInputUp() { MoveRow(m_lstInput, -1); }
    void OnInputDown() { MoveRow(m_lstInput, 1); }
    void OnEquationUp() { MoveRow(m_lstEquation, -1); }
    void OnEquationDown() { MoveRow(m_lstEquation, 1); }
    void OnOutputUp() { MoveRow(m_lstOutput, -1); }
    void OnOutputDown() { MoveRow(m_lstOutput, 1); }

protected:
    void FillLists();
    void AppendInputRow(CWizardCopaObject3* param);
    void InsertOutputRow(int at, CWizardCopaObject3* param);
    void ReleaseRowVariables(DWORD_PTR key);
    void StoreLists();
    void UpdateParamDescriptions();
    void NewEquation(int image);
    // Deletes the selected row, or every row; rows of members the element always has stay,
    // and a message names them.
    void DeleteRows(CEditVarListCtrl& list, bool all);
    // False, keeping the row, for a member the element cannot delete.
    bool DeleteRow(CEditVarListCtrl& list, int row);
    void MoveRow(CEditVarListCtrl& list, int delta);
    CWizardCopaObject3* RowParam(const CEditVarListCtrl& list, int row) const;
    int HighestIndex(const CEditVarListCtrl& list) const;

    void OnSampleTimePin();
    void OnSampleTimeTyped();
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnInputFocus(NMHDR* pNMHDR, LRESULT* pResult);
    void OnEquationFocus(NMHDR* pNMHDR, LRESULT* pResult);
    void OnOutputFocus(NMHDR* pNMHDR, LRESULT* pResult);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnCommandNew();
    void OnCommandDelete();
    void OnCommandDeleteAll();
    void OnCommandMoveUp();
    void OnCommandMoveDown();
    void OnUpdateNeedsSelection(CCmdUI* pCmdUI);
    void OnUpdateAlways(CCmdUI* pCmdUI);
    // The list the row commands of the context menu work on.
    CEditVarListCtrl* FocusList() const { return m_pFocusList; }
    void OnPaint();
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void EnableRowButtons(CEditVarListCtrl& list);
    DECLARE_MESSAGE_MAP()

    CWizardCopaObject3* m_pInputTemplate = nullptr;
    CWizardCopaObject3* m_pEquationTemplate = nullptr;
    CWizardCopaObject3* m_pOutputTemplate = nullptr;
    DWORD m_dwOutputCount = 0;
    CEditVarListCtrl* m_pFocusList = nullptr;
    CComboBox m_cmbSampleTime;
    CTBUnitComboBox m_cmbUnit;
    CEditVarListCtrl m_lstInput;
    CEditVarListCtrl m_lstEquation;
    CEditVarListCtrl m_lstOutput;
    BOOL m_bSampleTimePin = FALSE;
};

class CEquationBlockWizard4 : public qv::wizards::TPageWizard4<CPropEquationBlock, CEquationBlockWizard4> {
    DECLARE_DYNAMIC(CEquationBlockWizard4)
public:
    CEquationBlockWizard4() = default;
    // The base of a clone comes from its source.
    explicit CEquationBlockWizard4(const CEquationBlockWizard4* other) : TPageWizard4(other) {
        if (other == nullptr) return;
        m_wSchema = other->m_wSchema;
        m_bShowErrors = other->m_bShowErrors;
        m_bConvert = other->m_bConvert;
        m_dwOutputCount = other->m_dwOutputCount;
    }

    int GetWizardKind() override { return 3; }
    // The wizard's own settings to the page on the sheet.
    void GiveSettingsToPage(CPropEquationBlock& page);
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void SetSettings(BOOL showErrors, BOOL convert, DWORD outputCount) {
        m_bShowErrors = showErrors;
        m_bConvert = convert;
        m_dwOutputCount = outputCount;
    }
    void ClearConvertFlag() { m_bConvert = FALSE; }
    BOOL GetShowErrors() const { return m_bShowErrors; }
    BOOL GetConvertFlag() const { return m_bConvert; }
    DWORD GetOutputCount() const { return m_dwOutputCount; }
    WORD GetSchema() const { return m_wSchema; }

private:
    WORD m_wSchema = 0;
    BOOL m_bShowErrors = FALSE;
    BOOL m_bConvert = FALSE;
    DWORD m_dwOutputCount = 0;
};
