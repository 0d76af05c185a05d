#include "framework/list_controls.h"

#include "framework/module.h"
#include "framework/param_access.h"
#include "wizard/wizardbase.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// Row-list commands and buttons

void UpdateRowListCommand(CCmdUI* cmd, const CTBEditListCtrl& list) {
    constexpr UINT kDelete = 40001;
    constexpr UINT kMoveDown = 40003;
    constexpr UINT kMoveUp = 40004;
    const bool needsRow = cmd->m_nID == kDelete || cmd->m_nID == kMoveDown || cmd->m_nID == kMoveUp;
    cmd->Enable(!needsRow || (list.GetSafeHwnd() != nullptr && list.GetSelectedItem() >= 0));
}

void EnableRowButtons(CWnd& page, const CTBEditListCtrl& list) {
    const bool selected = list.GetSafeHwnd() != nullptr && list.GetSelectedItem() >= 0;
    for (int id : {1123, 1125, 1126})
        if (CWnd* button = page.GetDlgItem(id)) button->EnableWindow(selected);
}

void DrawButtonImage(UINT bitmap, int first, int control, LPDRAWITEMSTRUCT item) {
    constexpr int kImageSize = 16;
    if (item == nullptr) return;
    CDC* dc = CDC::FromHandle(item->hDC);
    CResourceSwitch resources;
    CBitmap images;
    if (dc == nullptr || !images.LoadBitmap(bitmap)) return;
    BITMAP info{};
    images.GetBitmap(&info);
    const int count = info.bmWidth / kImageSize;
    int image = control - first;
    if (item->itemState & ODS_SELECTED) image += count / 3;
    if (item->itemState & (ODS_DISABLED | ODS_GRAYED)) image += 2 * count / 3;
    CDC memory;
    memory.CreateCompatibleDC(dc);
    CBitmap* old = memory.SelectObject(&images);
    dc->BitBlt(item->rcItem.left, item->rcItem.top, kImageSize, kImageSize, &memory, image * kImageSize, 0, SRCCOPY);
    memory.SelectObject(old);
}

// ---------------------------------------------------------------------------------------
// CEditVarListCtrl

CEditVarListCtrl::~CEditVarListCtrl() = default;

void CEditVarListCtrl::Init(CWizardBaseCommon* wizard, ParamHolder* holder) {
    // A list filled again (its page shown with another set) forgets the links of before.
    m_known.clear();
    m_rowLinks.clear();
    m_pWizard = wizard;
    m_pHolder = holder;
    EnableToolTips(TRUE);
}

CEditVarListCtrl::Known* CEditVarListCtrl::FindKnown(const CWizardCopaObject3* param) {
    for (Known& known : m_known)
        if (known.param == param) return &known;
    return nullptr;
}

const CEditVarListCtrl::Known* CEditVarListCtrl::FindKnown(const CWizardCopaObject3* param) const {
    for (const Known& known : m_known)
        if (known.param == param) return &known;
    return nullptr;
}

void CEditVarListCtrl::AddRowOfParam(CWizardCopaObject3* param, DWORD_PTR key) {
    Known* known = FindKnown(param);
    if (known == nullptr) {
        m_known.push_back(Known{.param = param, .hasRows = false, .rows = {}});
        known = &m_known.back();
    }
    known->hasRows = true;
    known->rows.push_back(key);
}

CEditVarListCtrl::RowLinks* CEditVarListCtrl::FindRow(DWORD_PTR key) {
    for (RowLinks& row : m_rowLinks)
        if (row.key == key) return &row;
    return nullptr;
}

const CEditVarListCtrl::RowLinks* CEditVarListCtrl::FindRow(DWORD_PTR key) const {
    for (const RowLinks& row : m_rowLinks)
        if (row.key == key) return &row;
    return nullptr;
}

CEditVarListCtrl::RowLinks& CEditVarListCtrl::RowOf(DWORD_PTR key) {
    if (RowLinks* row = FindRow(key)) return *row;
    m_rowLinks.push_back(RowLinks{.key = key, .param = nullptr, .vars = {}});
    return m_rowLinks.back();
}

void CEditVarListCtrl::MarkDeletedInHolder(CWizardCopaObject3* param) {
    if (m_pHolder == nullptr) return;
    for (int i = 0; i < m_pHolder->GetParamCount(); ++i) {
        CWizardCopaObject3* entry = m_pHolder->GetParam(i);
        if (entry == param && entry->IsDeletable()) entry->Delete();
    }
}

void CEditVarListCtrl::AddParam(CWizardCopaObject3* param) {
    if (param == nullptr || FindKnown(param) != nullptr) return;
    m_known.push_back(Known{.param = param, .hasRows = false, .rows = {}});
}

BOOL CEditVarListCtrl::FindLinkedParam(const CString& name, CWizardCopaObject3** out) const {
    for (const Known& known : m_known) {
        if (known.param == nullptr || known.param->IsDeleted() || known.param->GetName() != name) continue;
        if (out != nullptr) *out = known.param;
        return TRUE;
    }
    return FALSE;
}

CWizardCopaObject3* CEditVarListCtrl::GetItemParam(DWORD_PTR key) const {
    const RowLinks* row = FindRow(key);
    return row != nullptr ? row->param : nullptr;
}

BOOL CEditVarListCtrl::AssignParamToItem(CWizardCopaObject3* param, int row) {
    if (row < 0 || row >= GetItemCount()) return FALSE;
    return AssignParamToItemData(param, GetItemData(row));
}

BOOL CEditVarListCtrl::AssignParamToItemData(CWizardCopaObject3* param, DWORD_PTR key) {
    if (param == nullptr || key == 0) return FALSE;
    AddRowOfParam(param, key);
    CWizardCopaObject3* previous = GetItemParam(key);
    if (previous != nullptr && previous != param) {
        // The new parameter takes over the result output of the one the row defined before
        // (switched on when that one's was on), then the row leaves the old parameter.
        BOOL outputOn = FALSE;
        if (GetSDBOutputForParam(m_pHolder, previous, &outputOn) && outputOn)
            SetSDBOutputForParam(m_pHolder, param, FALSE);
        ReleaseParamFromItem(previous, key);
    }
    SetItemParam(param, key);
    return TRUE;
}

void CEditVarListCtrl::SetItemParam(CWizardCopaObject3* param, DWORD_PTR key) { RowOf(key).param = param; }

BOOL CEditVarListCtrl::ReleaseParamFromItem(CWizardCopaObject3* param, DWORD_PTR key) {
    if (param == nullptr || key == 0) return FALSE;
    Known* known = FindKnown(param);
    if (known == nullptr) return FALSE;
    if (!known->hasRows) return TRUE;
    known->rows.erase(std::remove(known->rows.begin(), known->rows.end(), key), known->rows.end());
    if (known->rows.empty()) {
        known->hasRows = false;
        MarkDeletedInHolder(param);
    }
    return TRUE;
}

BOOL CEditVarListCtrl::ReleaseParamFromRow(CWizardCopaObject3* param, int row) {
    if (row < 0 || row >= GetItemCount()) return FALSE;
    return ReleaseParamFromItem(param, GetItemData(row));
}

void CEditVarListCtrl::PurgeUnusedParams() {
    for (Known& known : m_known) {
        if (known.hasRows && !known.rows.empty()) continue;
        known.hasRows = false;
        known.rows.clear();
        MarkDeletedInHolder(known.param);
    }
}

BOOL CEditVarListCtrl::LinkVariable(CWizardCopaObject3* param, DWORD_PTR key) {
    if (param == nullptr || key == 0) return FALSE;
    AddRowOfParam(param, key);
    RowLinks& row = RowOf(key);
    if (std::find(row.vars.begin(), row.vars.end(), param) == row.vars.end()) row.vars.push_back(param);
    return TRUE;
}

int CEditVarListCtrl::GetItemVarCount(DWORD_PTR key) const {
    const RowLinks* row = FindRow(key);
    return row != nullptr ? static_cast<int>(row->vars.size()) : 0;
}

CWizardCopaObject3* CEditVarListCtrl::GetItemVar(DWORD_PTR key, int index) const {
    const RowLinks* row = FindRow(key);
    if (row == nullptr || index < 0 || index >= static_cast<int>(row->vars.size())) return nullptr;
    return row->vars[static_cast<size_t>(index)];
}

void CEditVarListCtrl::SyncItemVars(DWORD_PTR key, const CStringArray& names) {
    RowLinks* row = FindRow(key);
    if (key == 0 || names.GetSize() == 0 || row == nullptr || row->vars.empty()) return;
    for (size_t i = row->vars.size(); i-- > 0;) {
        CWizardCopaObject3* var = row->vars[i];
        if (var == nullptr) break;
        bool named = false;
        for (INT_PTR k = 0; k < names.GetSize() && !named; ++k) named = names[k] == var->GetName();
        if (named) continue;
        ReleaseParamFromItem(var, key);
        // The release may not have touched the row list; look the row up again.
        row = FindRow(key);
        row->vars.erase(row->vars.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

BOOL CEditVarListCtrl::RemoveItem(DWORD_PTR key) {
    if (key == 0) return FALSE;
    auto it = std::find_if(m_rowLinks.begin(), m_rowLinks.end(), [key](const RowLinks& r) { return r.key == key; });
    if (it == m_rowLinks.end()) return FALSE;
    m_rowLinks.erase(it);
    return TRUE;
}

int CEditVarListCtrl::GetParamRowCount(const CWizardCopaObject3* param) const {
    const Known* known = FindKnown(param);
    return known != nullptr && known->hasRows ? static_cast<int>(known->rows.size()) : 0;
}

// ---------------------------------------------------------------------------------------
// CBitmapListCtrl

namespace {

struct KindPicture {
    int kind;
    UINT bitmap;
};
// The default picture comes first; the others by kind.
constexpr UINT kDefaultPicture = 2097;
constexpr KindPicture kPictures[] = {
    {.kind = 13, .bitmap = 2910}, {.kind = 24, .bitmap = 2611}, {.kind = 34, .bitmap = 2909},
    {.kind = 1234, .bitmap = 2908}, {.kind = 3, .bitmap = 2095}, {.kind = 4, .bitmap = 2096},
};
// Single line, vertically centred, not clipped, no prefix processing, ellipsis at the end.
constexpr UINT kCellTextFormat = 0x18924;
constexpr int kMaxCellText = 260;

} // namespace

BEGIN_MESSAGE_MAP(CBitmapListCtrl, CTBEditListCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_DESTROY()
    ON_NOTIFY_REFLECT_EX(NM_CLICK, &CBitmapListCtrl::OnClickReflected)
    ON_MESSAGE(QV_WM_EDITCELL, &CBitmapListCtrl::OnUserEditCell)
END_MESSAGE_MAP()

CBitmapListCtrl::~CBitmapListCtrl() {
    FreeAllRecords();
    for (Picture& picture : m_pictures) picture.bitmap.DeleteObject();
}

UINT CBitmapListCtrl::BitmapForKind(int kind) {
    for (const KindPicture& entry : kPictures)
        if (entry.kind == kind) return entry.bitmap;
    return kDefaultPicture;
}

void CBitmapListCtrl::Init(CWizardBaseCommon* wizard, ParamHolder* holder, CString) {
    m_pWizard = wizard;
    m_pHolder = holder;
    EnableToolTips(TRUE);
    const UINT ids[7] = {kDefaultPicture, 2910, 2611, 2909, 2908, 2095, 2096};
    for (int i = 0; i < 7; ++i) {
        Picture& picture = m_pictures[i];
        picture.id = ids[i];
        picture.bitmap.DeleteObject();
        picture.loaded = picture.bitmap.LoadBitmap(ids[i]) != FALSE;
        BITMAP info{};
        if (picture.loaded && picture.bitmap.GetBitmap(&info) != 0)
            picture.size = CSize(info.bmWidth, info.bmHeight);
        else
            picture.size = CSize(0, 0);
    }
}

const CBitmap* CBitmapListCtrl::BitmapOf(int kind, CSize* size) const {
    const UINT id = BitmapForKind(kind);
    for (const Picture& picture : m_pictures) {
        if (picture.id != id || !picture.loaded) continue;
        if (size != nullptr) *size = picture.size;
        return &picture.bitmap;
    }
    return nullptr;
}

int CBitmapListCtrl::InsertRecordItem(int row, LPCTSTR text, BitmapListRecord* record) {
    const int index = InsertEditItem(row, text, TB_EDIT_NONE, nullptr, reinterpret_cast<DWORD_PTR>(record));
    if (index < 0) delete record;
    return index;
}

BitmapListRecord* CBitmapListCtrl::GetRecord(int row) const {
    if (row < 0 || row >= GetItemCount()) return nullptr;
    return reinterpret_cast<BitmapListRecord*>(GetItemData(row));
}

BOOL CBitmapListCtrl::DeleteEditItem(int row) {
    BitmapListRecord* record = GetRecord(row);
    if (!CTBEditListCtrl::DeleteEditItem(row)) return FALSE;
    delete record;
    return TRUE;
}

BOOL CBitmapListCtrl::DeleteAllItems() {
    FreeAllRecords();
    return CTBEditListCtrl::DeleteAllItems();
}

void CBitmapListCtrl::FreeAllRecords() {
    if (GetSafeHwnd() == nullptr) return;
    for (int row = 0; row < GetItemCount(); ++row) {
        delete GetRecord(row);
        SetItemData(row, 0);
    }
}

void CBitmapListCtrl::OnDestroy() {
    FreeAllRecords();
    CTBEditListCtrl::OnDestroy();
}

void CBitmapListCtrl::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct == nullptr) return;
    const auto* record = reinterpret_cast<const BitmapListRecord*>(lpDrawItemStruct->itemData);
    if (record == nullptr) return;
    CDC* dc = CDC::FromHandle(lpDrawItemStruct->hDC);
    if (dc == nullptr) return;
    const int row = static_cast<int>(lpDrawItemStruct->itemID);
    const CRect item(lpDrawItemStruct->rcItem);

    CBrush buttonFace;
    buttonFace.CreateSysColorBrush(COLOR_BTNFACE);
    CBrush window;
    window.CreateSysColorBrush(COLOR_WINDOW);
    CDC memory;
    memory.CreateCompatibleDC(dc);

    int left = item.left;
    for (int col = 0;; ++col) {
        LVCOLUMN column{};
        column.mask = LVCF_FMT | LVCF_WIDTH;
        if (!GetColumn(col, &column)) break;
        const CRect cell(left, item.top, left + column.cx, item.bottom);
        if (col == 0) {
            CSize size;
            if (const CBitmap* picture = BitmapOf(record->kind, &size)) {
                CBitmap* old = memory.SelectObject(const_cast<CBitmap*>(picture));
                const int x = cell.left + (column.cx - size.cx - 4) / 2;
                dc->BitBlt(x, item.top, size.cx, size.cy, &memory, 0, 0, SRCCOPY);
                memory.SelectObject(old);
            }
        } else {
            CString text = GetItemText(row, col);
            if (text.GetLength() > kMaxCellText) text = text.Left(kMaxCellText);
            dc->FillRect(&cell, record->editable ? &window : &buttonFace);
            CRect textRect = cell;
            textRect.left += 6;
            textRect.right -= 6;
            UINT align = DT_LEFT;
            if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT) align = DT_RIGHT;
            if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER) align = DT_CENTER;
            dc->DrawText(text, &textRect, kCellTextFormat | align);
        }
        left += column.cx;
    }
    if (lpDrawItemStruct->itemState & ODS_SELECTED) {
        CPen pen(PS_DOT, 1, RGB(0, 0, 0));
        CPen* oldPen = dc->SelectObject(&pen);
        CGdiObject* oldBrush = dc->SelectStockObject(HOLLOW_BRUSH);
        dc->Rectangle(&item);
        dc->SelectObject(oldPen);
        if (oldBrush != nullptr) dc->SelectObject(oldBrush);
    }
    memory.DeleteDC();
}

void CBitmapListCtrl::ClickAt(CPoint point) {
    CloseEdit(TRUE);
    int row = -1;
    int col = -1;
    FindItem(point, row, col);
    if (row >= 0 && row < GetItemCount()) SetItemState(row, LVIS_SELECTED, LVIS_SELECTED | LVIS_FOCUSED);
    const BitmapListRecord* record = GetRecord(row);
    if (record == nullptr || record->param == nullptr || !record->editable) return;
    if (row == -1 && col == -1) return;
    if (record->param->HasPin()) return;
    DoEdit(col, row);
}

void CBitmapListCtrl::OnLButtonDown(UINT, CPoint point) { ClickAt(point); }

// A click that reached the list without a mouse (the user actions of tests and the host)
// comes as the list's click notification; it follows the same rule.
BOOL CBitmapListCtrl::OnClickReflected(NMHDR* pNMHDR, LRESULT* pResult) {
    if (pResult != nullptr) *pResult = 0;
    const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
    if (click != nullptr && click->iItem >= 0) ClickAt(click->ptAction);
    return FALSE;
}

// A cell edit made by the user is a click on the cell followed by typing: the click rule
// decides whether an editor opens; without one the edit is refused.
LRESULT CBitmapListCtrl::OnUserEditCell(WPARAM wParam, LPARAM lParam) {
    const int row = ListCellRow(wParam);
    const int col = ListCellColumn(wParam);
    CRect cell;
    if (!GetSubItemRect(row, col, LVIR_BOUNDS, cell)) return FALSE;
    const char* text = reinterpret_cast<const char*>(lParam);
    if (GetEditItemType(row, col) == TB_EDIT_CHECK) {
        // "1" or "0" is the state the user leaves the box in; a click toggles it when the
        // click rule lets it.
        const CString wanted = text != nullptr ? text : "";
        const BOOL before = GetItemChecked(row, col);
        if ((wanted == "1" && before) || (wanted == "0" && !before)) return TRUE;
        ClickAt(cell.CenterPoint());
        return GetItemChecked(row, col) != before;
    }
    ClickAt(cell.CenterPoint());
    if (GetEditRow() != row || GetEditCol() != col) return FALSE;
    SetEditText(text);
    return CloseEdit(TRUE);
}
