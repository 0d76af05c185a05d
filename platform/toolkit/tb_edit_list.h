// The editable list: a report list whose cells each have an edit type, edited in place.
//
// Every cell has an edit type (TB_EnumEditTypes) and an extra text whose meaning depends on
// the type (the choices of a choice cell, the quantity of a unit cell, "DIALOG" for an
// expression edited in a dialog). A cell edit by the user goes through the in-place editor:
// DoEdit opens it on a cell (telling the parent first), CloseEdit ends it, and on accepting a
// changed text stores the text and tells the parent.
//
// Messages to the parent (all synchronous, wParam = the list's control ID):
// - TBLM_CELLEDITED  (WM_USER+1000): a cell was changed by the user: a text accepted in the
//   in-place editor, a check box clicked, a choice made. lParam: the cell (MakeListCell:
//   ListCellRow and ListCellColumn read it; the row is in the low word, the column in the
//   high word, for rows below 65,536). This is the one cell notification the list sends.
// - TBLM_SELCHANGED  (WM_USER+1002): the user selected a row; lParam: the row.
// - TBLM_EDITSTARTING (WM_USER+1003): the in-place editor has just opened on a cell;
//   lParam: the cell, as for TBLM_CELLEDITED. The parent may close the editor
//   again at once (CloseEdit), for instance to edit the cell in a dialog instead.
//
// Column widths can be kept in the per-user profile: InitializeColumnSize names the section
// and key, loads the stored widths, and the widths are stored again when the list's window
// is destroyed and whenever the owner calls SaveColumnWidths. The stored value is the widths
// in column order, separated by commas ("50,120,80").
#pragma once

#include "afx/afxwin.h"

#include <string>
#include <vector>

enum TB_EnumEditTypes {
    TB_EDIT_NONE = 0,        // fixed text, not editable
    TB_EDIT_TEXT = 1,        // free text
    TB_EDIT_CHOICE = 2,      // one of the comma-separated choices of the extra text
    TB_EDIT_EXPRESSION = 4,  // expression text (extra "DIALOG": the owner edits it in a dialog)
    TB_EDIT_NAME = 5,        // a name: not empty, no blanks
    TB_EDIT_CHECK = 7,       // check box; its text is shown beside the box
    TB_EDIT_NUMBER = 9,      // a number, with an optional scale prefix and unit (ReadNumberCell)
    TB_EDIT_MULTILINE = 13,  // multi-line expression; the cell shows its first line
    TB_EDIT_UNIT = 14,       // a unit of the quantity named by the extra text
};

// How a number cell reads its text. The cell's extra text may name the unit of its column as
// "quantity|unit" (NumberCellUnit; "|" for a column of plain numbers): then a number with a
// scale prefix is a number in that unit, a number followed by a unit of that quantity is
// converted into it ("1 mV" in a column of volts is 0.001) and any other unit is refused
// ("1 kOhm"), as qv::ParseNumberInUnit reads. A cell accepts such a text as the converted
// number. A cell whose extra names no unit takes a number followed by any unit word and keeps
// the text as typed; its owner reads the unit.
bool ReadNumberCell(const CString& extra, const CString& text, double* value);
CString NumberCellUnit(const char* quantity, const char* unit);

#ifndef ODT_LISTVIEW
#define ODT_LISTVIEW 102
#endif

#define TBLM_CELLEDITED (WM_USER + 1000)
#define TBLM_SELCHANGED (WM_USER + 1002)
#define TBLM_EDITSTARTING (WM_USER + 1003)

class CTBEditListCtrl : public CListCtrl {
    DECLARE_DYNAMIC(CTBEditListCtrl)
public:
    CTBEditListCtrl();
    virtual ~CTBEditListCtrl();

    // Report-view set-up: full-row selection and grid lines as asked.
    void InitializeCtrl(BOOL bFullRowSelect = TRUE, BOOL bGridLines = TRUE);
    int InsertEditColumn(int nCol, LPCTSTR lpszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                         int nSubItem = -1);
    // Columns from nFirstCol on keep their widths in the per-user profile under section and
    // key; the stored widths are loaded at once.
    void InitializeColumnSize(int nFirstCol, LPCTSTR lpszSection, LPCTSTR lpszKey);
    // FALSE when nothing is stored (or the stored text is malformed: then nothing changes).
    BOOL LoadColumnWidths();
    BOOL SaveColumnWidths();

    // Rows. InsertEditItem inserts a row with the text of column 0; it returns the new row's
    // index, -1 on failure. The other cells start empty and not editable.
    int InsertEditItem(int nItem, LPCTSTR lpszText, int nEditType = TB_EDIT_NONE, LPCTSTR lpszExtra = nullptr,
                       DWORD_PTR dwData = 0);
    BOOL SetEditItemText(int nItem, int nSubItem, LPCTSTR lpszText, int nEditType = TB_EDIT_TEXT,
                         LPCTSTR lpszExtra = nullptr);
    BOOL SetEditItemText(int nItem, int nSubItem, LPCTSTR lpszText, int nEditType, LPCTSTR lpszExtra,
                         DWORD_PTR dwData);
    // A number cell that shows a shortened text of a value (a table's "%.15g") and keeps the
    // value itself, so that its owner and the editor read back exactly what was stored, not the
    // rounded text. The value goes with that text: once the cell shows another one (a user's
    // edit, a new text set), the cell keeps none and GetEditItemNumber is FALSE.
    BOOL SetEditItemNumber(int nItem, int nSubItem, LPCTSTR lpszText, double value);
    BOOL GetEditItemNumber(int nItem, int nSubItem, double& value) const;
    BOOL SetEditItemType(int nItem, int nSubItem, int nEditType, LPCTSTR lpszExtra = nullptr);
    int GetEditItemType(int nItem, int nSubItem) const;
    CString GetEditItemExtra(int nItem, int nSubItem) const;
    BOOL SetItemChecked(int nItem, int nSubItem, BOOL bChecked);
    BOOL GetItemChecked(int nItem, int nSubItem) const;
    BOOL DeleteEditItem(int nItem);
    // Selects one row (and only that row), focuses and shows it.
    BOOL SelectItem(int nItem);
    int GetSelectedItem() const;

    // The list's own row operations keep the cell types in step (new rows: fixed text).
    int InsertItem(int nItem, LPCTSTR lpszItem);
    int InsertItem(int nItem, LPCTSTR lpszItem, int nImage);
    int InsertItem(const LVITEM* pItem);
    int InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam);
    BOOL DeleteItem(int nItem) { return DeleteEditItem(nItem); }
    BOOL DeleteAllItems();

    // The cell under a point of the client area: its edit type, or -1 with row and column -1
    // when the point is on no cell.
    int FindItem(CPoint point, int& nRow, int& nCol) const;

    // In-place editing. DoEdit opens the editor on an editable cell (FALSE for a fixed cell,
    // a cell out of range or a disabled list) and tells the parent (TBLM_EDITSTARTING).
    BOOL DoEdit(int nCol, int nRow);
    // Ends an open edit: with bAccept a changed text is checked against the cell's type and
    // stored, and the parent is told (TBLM_CELLEDITED). FALSE when nothing was open or the
    // text does not fit the cell (the cell keeps its text).
    BOOL CloseEdit(BOOL bAccept = TRUE);
    BOOL IsEditing() const { return m_editRow >= 0; }
    int GetEditRow() const { return m_editRow; }
    int GetEditCol() const { return m_editCol; }
    CString GetEditText() const { return m_editText; }
    // Replaces the text of the open editor (an owner's dialog writes its result back here).
    void SetEditText(LPCTSTR lpszText);

    // What a user does to a cell: the user-action layer calls these (qv::ui::EditListCell
    // reaches UserEditCell, or UserToggleCheck for a check cell given "0" or "1"). Each returns FALSE
    // when the cell cannot be changed that way (and then nothing is sent).
    BOOL UserEditCell(int nRow, int nCol, LPCTSTR lpszText);
    BOOL UserToggleCheck(int nRow, int nCol);
    BOOL UserSelectRow(int nRow);

    // An owner-drawn list (LVS_OWNERDRAWFIXED) paints by calling DrawItem for every row with
    // the paint DC; this default draws the cells' texts, check cells as "[x]" or "[ ]".
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

    void EnableToolTips(BOOL bEnable = TRUE) { m_toolTips = bEnable != FALSE; }
    BOOL ToolTipsEnabled() const { return m_toolTips; }

    // The choices a choice or unit cell offers.
    std::vector<CString> GetChoices(int nItem, int nSubItem) const;

protected:
    struct Cell {
        int type = TB_EDIT_NONE;
        CString extra;
        bool checked = false;
        // The exact value behind a number cell's text, valid while the cell shows keptAs.
        bool keepsNumber = false;
        double number = 0.0;
        CString keptAs;
    };
    typedef std::vector<Cell> Row;

    Cell* FindCell(int nItem, int nSubItem);
    const Cell* FindCell(int nItem, int nSubItem) const;
    void SyncRows();
    bool Accepts(const Cell& cell, int nItem, int nSubItem, const CString& text) const;
    void Notify(UINT message, LPARAM lParam);

    void OnDestroy();
    void OnPaint();
    int AfterInsert(int idx);
    LRESULT OnUserEditCell(WPARAM wParam, LPARAM lParam);
    BOOL OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

    std::vector<Row> m_rows;
    int m_editRow = -1;
    int m_editCol = -1;
    CString m_editText;
    CString m_section;
    CString m_key;
    int m_firstSizedCol = 0;
    bool m_sizesInitialized = false;
    bool m_toolTips = false;
};
