// The editable list.
#include "toolkit/tb_edit_list.h"

#include "afx/user_script.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"
#include "win32/profile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

IMPLEMENT_DYNAMIC(CTBEditListCtrl, CListCtrl)

BEGIN_MESSAGE_MAP(CTBEditListCtrl, CListCtrl)
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_MESSAGE(QV_WM_EDITCELL, &CTBEditListCtrl::OnUserEditCell)
    ON_NOTIFY_REFLECT_EX(LVN_ITEMCHANGED, &CTBEditListCtrl::OnItemChanged)
END_MESSAGE_MAP()

namespace {

const int kDefaultColumnWidth = 100;
const int kMaxColumnWidth = 10000;
const int kMaxStoredColumns = 256;

bool KnownType(int type) {
    switch (type) {
    case TB_EDIT_NONE: case TB_EDIT_TEXT: case TB_EDIT_CHOICE: case TB_EDIT_EXPRESSION: case TB_EDIT_NAME:
    case TB_EDIT_CHECK: case TB_EDIT_NUMBER: case TB_EDIT_MULTILINE: case TB_EDIT_UNIT:
        return true;
    default:
        return false;
    }
}

// The parts of a comma-separated list, each without the spaces at its ends; empty parts
// are kept (an empty text is one empty part).
std::vector<std::string> CommaParts(const std::string& text) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= text.size()) {
        size_t comma = text.find(',', i);
        std::string part = text.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
        while (!part.empty() && part.front() == ' ') part.erase(part.begin());
        while (!part.empty() && part.back() == ' ') part.pop_back();
        parts.push_back(part);
        if (comma == std::string::npos) break;
        i = comma + 1;
    }
    return parts;
}

} // namespace

CTBEditListCtrl::CTBEditListCtrl() = default;
CTBEditListCtrl::~CTBEditListCtrl() = default;

void CTBEditListCtrl::InitializeCtrl(BOOL bFullRowSelect, BOOL bGridLines) {
    DWORD ex = GetExtendedStyle();
    ex = bFullRowSelect ? (ex | LVS_EX_FULLROWSELECT) : (ex & ~static_cast<DWORD>(LVS_EX_FULLROWSELECT));
    ex = bGridLines ? (ex | LVS_EX_GRIDLINES) : (ex & ~static_cast<DWORD>(LVS_EX_GRIDLINES));
    SetExtendedStyle(ex);
    SyncRows();
}

int CTBEditListCtrl::InsertEditColumn(int nCol, LPCTSTR lpszHeading, int nFormat, int nWidth, int nSubItem) {
    if (nWidth < 0) nWidth = kDefaultColumnWidth;
    int col = InsertColumn(nCol, lpszHeading ? lpszHeading : "", nFormat, nWidth, nSubItem);
    if (col < 0) return col;
    // Cells of the rows move with the columns.
    for (Row& row : m_rows)
        if (static_cast<size_t>(col) <= row.size()) row.insert(row.begin() + col, Cell{});
    return col;
}

void CTBEditListCtrl::InitializeColumnSize(int nFirstCol, LPCTSTR lpszSection, LPCTSTR lpszKey) {
    m_firstSizedCol = std::max(0, nFirstCol);
    m_section = lpszSection ? lpszSection : "";
    m_key = lpszKey ? lpszKey : "";
    m_sizesInitialized = !m_section.IsEmpty() && !m_key.IsEmpty();
    if (m_sizesInitialized) LoadColumnWidths();
}

BOOL CTBEditListCtrl::LoadColumnWidths() {
    if (!m_sizesInitialized || !GetSafeHwnd()) return FALSE;
    char buf[4096];
    GetProfileStringA(m_section, m_key, "", buf, sizeof buf);
    if (buf[0] == '\0') return FALSE;
    // Check the whole text before anything changes: widths 0..10000 of one to five digits,
    // separated by commas, blanks allowed around each. Read in place: every list page reads
    // its widths as it starts.
    int widths[kMaxStoredColumns];
    size_t count = 0;
    for (const char* p = buf;; ++p) {
        while (*p == ' ') ++p;
        const char* digits = p;
        while (*p >= '0' && *p <= '9') ++p;
        const size_t length = static_cast<size_t>(p - digits);
        while (*p == ' ') ++p;
        if (length == 0 || length > 5 || (*p != ',' && *p != '\0')) return FALSE;
        int w = 0;
        for (size_t i = 0; i < length; ++i) w = w * 10 + (digits[i] - '0');
        if (w > kMaxColumnWidth || count >= static_cast<size_t>(kMaxStoredColumns)) return FALSE;
        widths[count++] = w;
        if (*p == '\0') break;
    }
    int columns = GetHeaderCtrl() ? GetHeaderCtrl()->GetItemCount() : 0;
    for (size_t k = 0; k < count; ++k) {
        int col = m_firstSizedCol + static_cast<int>(k);
        if (col >= columns) break;
        SetColumnWidth(col, widths[k]);
    }
    return TRUE;
}

BOOL CTBEditListCtrl::SaveColumnWidths() {
    if (!m_sizesInitialized || !GetSafeHwnd()) return FALSE;
    int columns = GetHeaderCtrl() ? GetHeaderCtrl()->GetItemCount() : 0;
    std::string text;
    for (int col = m_firstSizedCol; col < columns; ++col) {
        if (!text.empty()) text += ',';
        text += std::to_string(std::clamp(GetColumnWidth(col), 0, kMaxColumnWidth));
    }
    if (text.empty()) return FALSE;
    return WriteProfileStringA(m_section, m_key, text.c_str());
}

void CTBEditListCtrl::OnDestroy() {
    CloseEdit(FALSE);
    SaveColumnWidths();
    CListCtrl::OnDestroy();
}

// ---------------------------------------------------------------------------------------
// Rows and cells

void CTBEditListCtrl::SyncRows() {
    size_t count = static_cast<size_t>(std::max(0, GetItemCount()));
    if (m_rows.size() != count) m_rows.resize(count);
}

CTBEditListCtrl::Cell* CTBEditListCtrl::FindCell(int nItem, int nSubItem) {
    SyncRows();
    int columns = GetHeaderCtrl() ? GetHeaderCtrl()->GetItemCount() : 0;
    if (nItem < 0 || nItem >= static_cast<int>(m_rows.size()) || nSubItem < 0 || nSubItem >= std::max(columns, 1))
        return nullptr;
    Row& row = m_rows[static_cast<size_t>(nItem)];
    if (row.size() <= static_cast<size_t>(nSubItem)) row.resize(static_cast<size_t>(nSubItem) + 1);
    return &row[static_cast<size_t>(nSubItem)];
}

const CTBEditListCtrl::Cell* CTBEditListCtrl::FindCell(int nItem, int nSubItem) const {
    if (nItem < 0 || nItem >= static_cast<int>(m_rows.size()) || nItem >= GetItemCount() || nSubItem < 0) return nullptr;
    const Row& row = m_rows[static_cast<size_t>(nItem)];
    if (static_cast<size_t>(nSubItem) >= row.size()) return nullptr;
    return &row[static_cast<size_t>(nSubItem)];
}

int CTBEditListCtrl::InsertItem(int nItem, LPCTSTR lpszItem) {
    return InsertEditItem(nItem, lpszItem, TB_EDIT_NONE, nullptr, 0);
}

int CTBEditListCtrl::AfterInsert(int idx) {
    if (idx < 0) return idx;
    // The rows before the new one are in step; the new row gets fixed cells.
    size_t at = std::min<size_t>(static_cast<size_t>(idx), m_rows.size());
    m_rows.insert(m_rows.begin() + at, Row(1));
    SyncRows();
    if (m_editRow >= idx) ++m_editRow;
    return idx;
}

int CTBEditListCtrl::InsertItem(int nItem, LPCTSTR lpszItem, int nImage) {
    SyncRows();
    return AfterInsert(CListCtrl::InsertItem(nItem, lpszItem, nImage));
}

int CTBEditListCtrl::InsertItem(const LVITEM* pItem) {
    SyncRows();
    return AfterInsert(CListCtrl::InsertItem(pItem));
}

int CTBEditListCtrl::InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, UINT nState, UINT nStateMask, int nImage,
                                LPARAM lParam) {
    SyncRows();
    return AfterInsert(CListCtrl::InsertItem(nMask, nItem, lpszItem, nState, nStateMask, nImage, lParam));
}

int CTBEditListCtrl::InsertEditItem(int nItem, LPCTSTR lpszText, int nEditType, LPCTSTR lpszExtra, DWORD_PTR dwData) {
    if (!GetSafeHwnd()) return -1;
    SyncRows();
    int count = GetItemCount();
    nItem = std::clamp(nItem, 0, count);
    int idx = CListCtrl::InsertItem(nItem, lpszText ? lpszText : "");
    if (idx < 0) return -1;
    CListCtrl::SetItemData(idx, dwData);
    Row row(1);
    row[0].type = KnownType(nEditType) ? nEditType : TB_EDIT_NONE;
    row[0].extra = lpszExtra ? lpszExtra : "";
    m_rows.insert(m_rows.begin() + std::min<size_t>(static_cast<size_t>(idx), m_rows.size()), std::move(row));
    if (m_editRow >= idx) ++m_editRow;
    return idx;
}

BOOL CTBEditListCtrl::SetEditItemText(int nItem, int nSubItem, LPCTSTR lpszText, int nEditType, LPCTSTR lpszExtra) {
    Cell* cell = FindCell(nItem, nSubItem);
    if (!cell) return FALSE;
    if (!CListCtrl::SetItemText(nItem, nSubItem, lpszText ? lpszText : "")) return FALSE;
    cell->type = KnownType(nEditType) ? nEditType : TB_EDIT_NONE;
    cell->extra = lpszExtra ? lpszExtra : "";
    cell->keepsNumber = false;
    return TRUE;
}

BOOL CTBEditListCtrl::SetEditItemNumber(int nItem, int nSubItem, LPCTSTR lpszText, double value) {
    if (!SetEditItemText(nItem, nSubItem, lpszText, TB_EDIT_NUMBER)) return FALSE;
    Cell* cell = FindCell(nItem, nSubItem);
    cell->keepsNumber = true;
    cell->number = value;
    cell->keptAs = GetItemText(nItem, nSubItem);
    return TRUE;
}

BOOL CTBEditListCtrl::GetEditItemNumber(int nItem, int nSubItem, double& value) const {
    const Cell* cell = FindCell(nItem, nSubItem);
    // The text may have changed by any path (the list's own SetItemText too): the value counts
    // only while the cell still shows the text it was kept with.
    if (cell == nullptr || !cell->keepsNumber || GetItemText(nItem, nSubItem) != cell->keptAs) return FALSE;
    value = cell->number;
    return TRUE;
}

BOOL CTBEditListCtrl::SetEditItemText(int nItem, int nSubItem, LPCTSTR lpszText, int nEditType, LPCTSTR lpszExtra,
                                      DWORD_PTR dwData) {
    if (!SetEditItemText(nItem, nSubItem, lpszText, nEditType, lpszExtra)) return FALSE;
    return CListCtrl::SetItemData(nItem, dwData);
}

BOOL CTBEditListCtrl::SetEditItemType(int nItem, int nSubItem, int nEditType, LPCTSTR lpszExtra) {
    Cell* cell = FindCell(nItem, nSubItem);
    if (!cell) return FALSE;
    cell->type = KnownType(nEditType) ? nEditType : TB_EDIT_NONE;
    if (lpszExtra) cell->extra = lpszExtra;
    // A cell that is no longer editable loses its open editor.
    if (cell->type == TB_EDIT_NONE && m_editRow == nItem && m_editCol == nSubItem) CloseEdit(FALSE);
    return TRUE;
}

int CTBEditListCtrl::GetEditItemType(int nItem, int nSubItem) const {
    const Cell* cell = FindCell(nItem, nSubItem);
    if (cell) return cell->type;
    return nItem >= 0 && nItem < GetItemCount() && nSubItem >= 0 ? TB_EDIT_NONE : -1;
}

CString CTBEditListCtrl::GetEditItemExtra(int nItem, int nSubItem) const {
    const Cell* cell = FindCell(nItem, nSubItem);
    return cell ? cell->extra : CString();
}

BOOL CTBEditListCtrl::SetItemChecked(int nItem, int nSubItem, BOOL bChecked) {
    Cell* cell = FindCell(nItem, nSubItem);
    if (!cell) return FALSE;
    cell->checked = bChecked != FALSE;
    return TRUE;
}

BOOL CTBEditListCtrl::GetItemChecked(int nItem, int nSubItem) const {
    const Cell* cell = FindCell(nItem, nSubItem);
    return cell && cell->checked;
}

BOOL CTBEditListCtrl::DeleteEditItem(int nItem) {
    SyncRows();
    if (nItem < 0 || nItem >= GetItemCount()) return FALSE;
    if (m_editRow == nItem) CloseEdit(FALSE);
    if (!CListCtrl::DeleteItem(nItem)) return FALSE;
    if (static_cast<size_t>(nItem) < m_rows.size()) m_rows.erase(m_rows.begin() + nItem);
    if (m_editRow > nItem) --m_editRow;
    return TRUE;
}

BOOL CTBEditListCtrl::DeleteAllItems() {
    CloseEdit(FALSE);
    BOOL ok = CListCtrl::DeleteAllItems();
    m_rows.clear();
    return ok;
}

BOOL CTBEditListCtrl::SelectItem(int nItem) {
    int count = GetItemCount();
    for (int i = 0; i < count; ++i)
        if (i != nItem) SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (nItem < 0 || nItem >= count) return FALSE;
    SetItemState(nItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetSelectionMark(nItem);
    EnsureVisible(nItem, FALSE);
    return TRUE;
}

int CTBEditListCtrl::GetSelectedItem() const { return GetNextItem(-1, LVNI_SELECTED); }

int CTBEditListCtrl::FindItem(CPoint point, int& nRow, int& nCol) const {
    LVHITTESTINFO info{};
    info.pt = point;
    SubItemHitTest(&info);
    if (info.iItem < 0 || info.iItem >= GetItemCount() || info.iSubItem < 0) {
        nRow = -1;
        nCol = -1;
        return -1;
    }
    nRow = info.iItem;
    nCol = info.iSubItem;
    return GetEditItemType(nRow, nCol);
}

std::vector<CString> CTBEditListCtrl::GetChoices(int nItem, int nSubItem) const {
    std::vector<CString> out;
    const Cell* cell = FindCell(nItem, nSubItem);
    if (!cell) return out;
    if (cell->type == TB_EDIT_CHOICE) {
        std::string extra(static_cast<LPCTSTR>(cell->extra), static_cast<size_t>(cell->extra.GetLength()));
        for (const std::string& part : CommaParts(extra))
            if (!part.empty()) out.emplace_back(part.c_str());
    } else if (cell->type == TB_EDIT_UNIT) {
        CStringArray units;
        qv::UnitsOfQuantity(cell->extra, units);
        for (int k = 0; k < units.GetSize(); ++k) out.push_back(units[k]);
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Painting

void CTBEditListCtrl::OnPaint() {
    if (!(GetStyle() & LVS_OWNERDRAWFIXED)) {
        CListCtrl::OnPaint();
        return;
    }
    CPaintDC dc(this);
    int count = GetItemCount();
    for (int row = 0; row < count; ++row) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_LISTVIEW;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID());
        dis.itemID = static_cast<UINT>(row);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) ? ODS_SELECTED : 0;
        dis.hwndItem = GetSafeHwnd();
        dis.hDC = dc.GetSafeHdc();
        GetItemRect(row, &dis.rcItem, LVIR_BOUNDS);
        dis.itemData = GetItemData(row);
        DrawItem(&dis);
    }
}

void CTBEditListCtrl::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (!lpDrawItemStruct) return;
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    int row = static_cast<int>(lpDrawItemStruct->itemID);
    if (!pDC || row < 0 || row >= GetItemCount()) return;
    int columns = GetHeaderCtrl() ? GetHeaderCtrl()->GetItemCount() : 0;
    for (int col = 0; col < columns; ++col) {
        CRect cell;
        if (!GetSubItemRect(row, col, LVIR_BOUNDS, cell)) continue;
        CString text = GetItemText(row, col);
        if (GetEditItemType(row, col) == TB_EDIT_CHECK) text = CString(GetItemChecked(row, col) ? "[x] " : "[ ] ") + text;
        cell.DeflateRect(6, 0);
        pDC->DrawText(text, &cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (lpDrawItemStruct->itemState & ODS_SELECTED) pDC->DrawFocusRect(&lpDrawItemStruct->rcItem);
}

// ---------------------------------------------------------------------------------------
// In-place editing

void CTBEditListCtrl::Notify(UINT message, LPARAM lParam) {
    CWnd* parent = GetParent();
    if (parent) parent->SendMessage(message, static_cast<WPARAM>(GetDlgCtrlID()), lParam);
}

bool ReadNumberCell(const CString& extra, const CString& text, double* value) {
    const int bar = extra.Find('|');
    if (bar < 0) return qv::ParseNumberWithUnit(text, value) != FALSE;
    return qv::ParseNumberInUnit(text, extra.Left(bar), extra.Mid(bar + 1), value) != FALSE;
}

CString NumberCellUnit(const char* quantity, const char* unit) {
    return CString(quantity != nullptr ? quantity : "") + "|" + (unit != nullptr ? unit : "");
}

bool CTBEditListCtrl::Accepts(const Cell& cell, int nItem, int nSubItem, const CString& text) const {
    switch (cell.type) {
    case TB_EDIT_TEXT: case TB_EDIT_EXPRESSION: case TB_EDIT_MULTILINE:
        return true;
    case TB_EDIT_NAME: {
        if (text.IsEmpty()) return false;
        for (int i = 0; i < text.GetLength(); ++i)
            if (std::isspace(static_cast<unsigned char>(text[i]))) return false;
        return true;
    }
    case TB_EDIT_NUMBER: {
        // A number with a scale prefix, or a number followed by a unit: never a number that
        // merely begins the text ("1k, G := 5", "1/(0)"), which would be read as that number.
        double v = 0;
        return ReadNumberCell(cell.extra, text, &v);
    }
    case TB_EDIT_CHOICE: case TB_EDIT_UNIT: {
        for (const CString& c : GetChoices(nItem, nSubItem))
            if (c == text) return true;
        return false;
    }
    default:
        return false;
    }
}

BOOL CTBEditListCtrl::DoEdit(int nCol, int nRow) {
    if (!GetSafeHwnd() || !IsWindowEnabled()) return FALSE;
    const Cell* cell = FindCell(nRow, nCol);
    if (!cell || cell->type == TB_EDIT_NONE) return FALSE;
    if (m_editRow >= 0 && (m_editRow != nRow || m_editCol != nCol)) CloseEdit(TRUE);
    if (cell->type == TB_EDIT_CHECK) return UserToggleCheck(nRow, nCol);
    if (m_editRow == nRow && m_editCol == nCol) return TRUE;
    m_editRow = nRow;
    m_editCol = nCol;
    m_editText = GetItemText(nRow, nCol);
    Notify(TBLM_EDITSTARTING, MakeListCell(nRow, nCol));
    return TRUE;
}

void CTBEditListCtrl::SetEditText(LPCTSTR lpszText) {
    if (m_editRow >= 0) m_editText = lpszText ? lpszText : "";
}

BOOL CTBEditListCtrl::CloseEdit(BOOL bAccept) {
    if (m_editRow < 0) return FALSE;
    int row = m_editRow, col = m_editCol;
    CString text = m_editText;
    m_editRow = m_editCol = -1;
    m_editText.Empty();
    if (!bAccept) return TRUE;
    Cell* cell = FindCell(row, col);
    if (!cell) return FALSE;
    if (text == GetItemText(row, col)) return TRUE; // nothing changed
    if (!Accepts(*cell, row, col, text)) return FALSE;
    // A number typed with a unit into a column of a unit is kept as the number in the
    // column's unit, which is what every reader of the cell takes it to be.
    double number = 0.0;
    if (cell->type == TB_EDIT_NUMBER && cell->extra.Find('|') >= 0 && !qv::ParsePrefixedNumber(text, &number) &&
        ReadNumberCell(cell->extra, text, &number))
        text = TBExtended_ftoa(number, -1, 0, "");
    // The typed text is the value now, even should it be typed back to the kept one's text.
    cell->keepsNumber = false;
    CListCtrl::SetItemText(row, col, text);
    Notify(TBLM_CELLEDITED, MakeListCell(row, col));
    return TRUE;
}

BOOL CTBEditListCtrl::UserEditCell(int nRow, int nCol, LPCTSTR lpszText) {
    const Cell* cell = FindCell(nRow, nCol);
    if (!cell || cell->type == TB_EDIT_CHECK) return FALSE;
    if (!DoEdit(nCol, nRow)) return FALSE;
    // The parent may have closed the editor when it was told that editing starts.
    if (m_editRow != nRow || m_editCol != nCol) return FALSE;
    SetEditText(lpszText);
    return CloseEdit(TRUE);
}

BOOL CTBEditListCtrl::UserToggleCheck(int nRow, int nCol) {
    if (!GetSafeHwnd() || !IsWindowEnabled()) return FALSE;
    Cell* cell = FindCell(nRow, nCol);
    if (!cell || cell->type != TB_EDIT_CHECK) return FALSE;
    cell->checked = !cell->checked;
    Notify(TBLM_CELLEDITED, MakeListCell(nRow, nCol));
    return TRUE;
}

LRESULT CTBEditListCtrl::OnUserEditCell(WPARAM wParam, LPARAM lParam) {
    const int row = ListCellRow(wParam), col = ListCellColumn(wParam);
    const char* text = reinterpret_cast<const char*>(lParam);
    if (GetEditItemType(row, col) == TB_EDIT_CHECK) {
        // "1" or "0" is the state the user leaves the box in; anything else is one click.
        std::string t = text ? text : "";
        if ((t == "1" && GetItemChecked(row, col)) || (t == "0" && !GetItemChecked(row, col))) return TRUE;
        return UserToggleCheck(row, col);
    }
    return UserEditCell(row, col, text);
}

BOOL CTBEditListCtrl::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (pResult) *pResult = 0;
    // A row the user has just selected; the parent still gets the list's own notification.
    if (nm && nm->iItem >= 0 && (nm->uChanged & LVIF_STATE) && (nm->uNewState & LVIS_SELECTED) &&
        !(nm->uOldState & LVIS_SELECTED))
        Notify(TBLM_SELCHANGED, nm->iItem);
    return FALSE;
}

BOOL CTBEditListCtrl::UserSelectRow(int nRow) {
    if (!GetSafeHwnd() || !IsWindowEnabled()) return FALSE;
    if (!SelectItem(nRow)) return FALSE;
    Notify(TBLM_SELCHANGED, nRow);
    return TRUE;
}
