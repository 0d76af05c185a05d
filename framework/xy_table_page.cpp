// The characteristic table's page "Characteristic": the choice between a reference and a
// look-up table, the table of data pairs with its row buttons and context menu, import and
// export of data files, the preview, and apply with its checks.
#include "framework/string_ids.h"
#include "framework/xy_table.h"

#include "framework/characteristic_preview.h"
#include "framework/data_file_places.h"
#include "framework/data_file_dialogs.h"
#include "framework/data_file_target.h"
#include "framework/list_controls.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/path_parts.h"
#include "framework/requests.h"
#include "framework/xy_table_controls.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "win32/paths.h"
#include "wizard/wizardbase.h"

#include <cstring>
#include <initializer_list>
#include <new>
#include <vector>

using namespace qv::xytable;

namespace {

// The list's context menu and the images of its row and file buttons.
using namespace qv::rowlist;
constexpr COLORREF kMaskBlue = RGB(0, 0, 255);

using namespace qv::strings;

} // namespace

std::vector<CString> CPropCharacteristicXYTable::FilterPatterns(const CString& entry) {
    std::vector<CString> patterns;
    const int star = entry.Find('*');
    const int bar = entry.Find('|');
    if (star < 0 || bar < 0) return patterns;
    const int start = star + 1;
    const int end = bar - 1;
    if (end < start) return patterns;
    const CString text = entry.Mid(start, end - start);
    const int second = text.Find('*');
    if (second >= 0) {
        patterns.push_back(text.Left(second));
        patterns.push_back(text.Mid(second + 1));
    } else {
        patterns.push_back(text);
    }
    return patterns;
}

BEGIN_MESSAGE_MAP(CPropCharacteristicXYTable, CTBPropertyPage)
    ON_BN_CLICKED(kRadioReference, &CPropCharacteristicXYTable::OnClickedKind)
    ON_BN_CLICKED(kRadioLookUp, &CPropCharacteristicXYTable::OnClickedKind)
    ON_BN_CLICKED(kRadioFileReference, &CPropCharacteristicXYTable::OnClickedSource)
    ON_BN_CLICKED(kRadioDataPairs, &CPropCharacteristicXYTable::OnClickedSource)
    ON_BN_CLICKED(kButtonNew, &CPropCharacteristicXYTable::OnNewRow)
    ON_COMMAND(kCmdNew, &CPropCharacteristicXYTable::OnNewRow)
    ON_BN_CLICKED(kButtonDelete, &CPropCharacteristicXYTable::OnDeleteRow)
    ON_COMMAND(kCmdDelete, &CPropCharacteristicXYTable::OnDeleteRow)
    ON_BN_CLICKED(kButtonDeleteAll, &CPropCharacteristicXYTable::OnDeleteAllRows)
    ON_COMMAND(kCmdDeleteAll, &CPropCharacteristicXYTable::OnDeleteAllRows)
    ON_BN_CLICKED(kButtonUp, &CPropCharacteristicXYTable::OnMoveUp)
    ON_COMMAND(kCmdMoveUp, &CPropCharacteristicXYTable::OnMoveUp)
    ON_BN_CLICKED(kButtonDown, &CPropCharacteristicXYTable::OnMoveDown)
    ON_COMMAND(kCmdMoveDown, &CPropCharacteristicXYTable::OnMoveDown)
    ON_BN_CLICKED(kCheckFileName, &CPropCharacteristicXYTable::OnClickedWriteFile)
    ON_BN_CLICKED(kButtonImport, &CPropCharacteristicXYTable::OnImport)
    ON_BN_CLICKED(kButtonExport, &CPropCharacteristicXYTable::OnExport)
    ON_BN_CLICKED(kButtonShow, &CPropCharacteristicXYTable::OnShowPreview)
    ON_EN_CHANGE(kEditReference, &CPropCharacteristicXYTable::OnTextChanged)
    ON_EN_CHANGE(kEditFileName, &CPropCharacteristicXYTable::OnFileNameTyped)
    ON_EN_CHANGE(kEditVariable, &CPropCharacteristicXYTable::OnTextChanged)
    ON_NOTIFY(NM_CLICK, kList, &CPropCharacteristicXYTable::OnListClicked)
    ON_NOTIFY(NM_RCLICK, kList, &CPropCharacteristicXYTable::OnListClicked)
    ON_NOTIFY(NM_SETFOCUS, kList, &CPropCharacteristicXYTable::OnListClicked)
    ON_UPDATE_COMMAND_UI(kCmdDelete, &CPropCharacteristicXYTable::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(kCmdMoveDown, &CPropCharacteristicXYTable::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(kCmdMoveUp, &CPropCharacteristicXYTable::OnUpdateNeedsSelection)
    ON_UPDATE_COMMAND_UI(kCmdNew, &CPropCharacteristicXYTable::OnUpdateAlways)
    ON_UPDATE_COMMAND_UI(kCmdDeleteAll, &CPropCharacteristicXYTable::OnUpdateAlways)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropCharacteristicXYTable::OnCellEdited)
    ON_MESSAGE(TBLM_SELCHANGED, &CPropCharacteristicXYTable::OnListSelChanged)
    ON_MESSAGE(kPreviewClosedMessage, &CPropCharacteristicXYTable::OnPreviewClosed)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

void CPropCharacteristicXYTable::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kList, m_list);
    DDX_Control(pDX, kEditFileName, m_fileEdit);
    DDX_Check(pDX, kCheckFileName, m_bWriteFile);
    DDX_Text(pDX, kEditFileName, m_strFileName);
    DDX_Text(pDX, kEditReference, m_strReference);
    DDX_Text(pDX, kEditVariable, m_strVariableName);
}

// ---------------------------------------------------------------------------------------
// Initialisation

BOOL CPropCharacteristicXYTable::OnInitDialog() {
    CResourceSwitch resources;
    CTBPropertyPage::OnInitDialog();
    const CString xAxis = LoadLibraryString(kStrAxisX);
    const CString yAxis = LoadLibraryString(kStrAxisY);
    const CString number = LoadLibraryString(kStrNumber);

    m_fileEdit.AutoComplete(TRUE);
    m_list.InsertEditColumn(0, number, LVCFMT_LEFT, 50);
    m_list.InsertEditColumn(1, xAxis + m_strXAxisLabel, LVCFMT_LEFT, 50);
    m_list.InsertEditColumn(2, yAxis + m_strYAxisLabel, LVCFMT_LEFT, 50);
    m_list.InitializeCtrl(1, 1);
    m_list.InitializeColumnSize(0, "WIZColumnWidths", "XYTable");
    m_list.LoadColumnWidths();
    if (m_listButtonImages.GetSafeHandle() == 0) m_listButtonImages.Create(kListButtonImages, 16, 0, kMaskBlue);
    if (m_fileButtonImages.GetSafeHandle() == 0) m_fileButtonImages.Create(kFileButtonImages, 16, 0, kMaskBlue);

    const bool lookUp = m_dwKind == kKindLookUp;
    CheckDlgButton(kRadioLookUp, lookUp ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kRadioReference, lookUp ? BST_UNCHECKED : BST_CHECKED);
    const bool dataPairs = m_dwTableSource == kSourceDataPairs;
    CheckDlgButton(kRadioDataPairs, dataPairs ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(kRadioFileReference, dataPairs ? BST_UNCHECKED : BST_CHECKED);
    ShowFields();
    ApplyKindRule();

    m_strFileDirectory = g_DocumentDir;
    ShowFields();

    if (m_pBlock != nullptr && m_nBlockLength > 0) LoadFromData();
    // The table outlives its page: a name answered while it was open before (as the
    // schematic's own script built the element) says nothing of the file the user has now.
    m_known.answered.Empty();

    if (!m_bWriteFile) {
        // The element's page opens the sheet with the name it shows, which may not be the
        // editor's yet: the default name is made of that one, as the element will be called.
        const CWizardBaseCommon* owner = m_pOwner4 != nullptr ? static_cast<const CWizardBaseCommon*>(m_pOwner4)
                                                              : static_cast<const CWizardBaseCommon*>(m_pOwner3);
        if (owner != nullptr)
            m_strFileName = m_strComponentName.IsEmpty()
                                ? MakeDocumentFileName(owner, m_strFileNameSuffix)
                                : MakeDocumentFileNameFor(owner, m_strComponentName, m_strFileNameSuffix);
    }
    ShowFields();
    MakeFileNameRelative();

    // A table kept in a data file is read afresh from it. Only a table of data pairs that has
    // rows writes a data file: any other characteristic uses none, and a file that merely
    // carries the default name (left from an earlier schematic) is not this element's.
    const bool keepsDataFile = m_dwKind == kKindLookUp && m_dwTableSource == kSourceDataPairs && m_points.GetSize() > 0;
    if (keepsDataFile && FindCharacteristicFile(m_strFileName, m_strFileDirectory))
        m_known.TakeOpened(m_strFileDirectory + m_strFileName, ImportFile(m_strFileDirectory + m_strFileName) != FALSE);

    for (INT_PTR i = 0; i < m_points.GetSize(); ++i) {
        const int row = static_cast<int>(i);
        if (row >= m_list.GetItemCount()) m_list.InsertEditItem(row, "", TB_EDIT_NONE);
        SetRowNumber(row);
        SetRowValues(row, *static_cast<const CDataPoint*>(m_points.GetAt(i)));
    }
    ShowFields();
    UpdateMonotonicWarning();
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropCharacteristicXYTableLUT::OnInitDialog() {
    CPropCharacteristicXYTable::OnInitDialog();
    for (int id : {kEditReference, kRadioReference, kStaticComponent, kStaticHint})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
    CheckDlgButton(kRadioLookUp, BST_CHECKED);
    CheckDlgButton(kRadioReference, BST_UNCHECKED);
    ShowFields();
    ApplyKindRule();
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// Rules

namespace {
void EnableControls(CWnd* page, std::initializer_list<int> ids, bool enable) {
    for (int id : ids)
        if (CWnd* control = page->GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}

// Leaves at most one of two radio buttons checked, the first when both are. True unless the
// second is the one checked (neither checked counts as the first).
bool FirstOfRadioPair(CWnd* page, int first, int second) {
    if (page->IsDlgButtonChecked(first)) {
        page->CheckDlgButton(second, BST_UNCHECKED);
        return true;
    }
    if (page->IsDlgButtonChecked(second)) {
        page->CheckDlgButton(first, BST_UNCHECKED);
        return false;
    }
    return true;
}
} // namespace

void CPropCharacteristicXYTable::ApplyKindRule() {
    UpdateData(TRUE);
    const bool reference = FirstOfRadioPair(this, kRadioReference, kRadioLookUp);
    EnableControls(this, {kStaticComponent, kEditReference, kStaticHint}, reference);
    EnableControls(this, {kRadioFileReference, kRadioDataPairs}, !reference);
    EnableControls(this,
                   {kStaticVariable, kEditVariable, kButtonShow, kStaticMonotonic, kCheckFileName, kEditFileName,
                    kButtonImport, kButtonExport, kList, kButtonNew, kButtonDelete, kButtonDeleteAll, kButtonUp,
                    kButtonDown},
                   false);
    if (!reference) ApplySourceRule(false);
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::ApplySourceRule(bool readControls) {
    if (readControls) UpdateData(TRUE);
    const bool fileReference = FirstOfRadioPair(this, kRadioFileReference, kRadioDataPairs);
    EnableControls(this, {kStaticVariable, kEditVariable}, fileReference);
    EnableControls(this,
                   {kButtonShow, kStaticMonotonic, kCheckFileName, kEditFileName, kButtonImport, kButtonExport, kList,
                    kButtonNew, kButtonDelete, kButtonDeleteAll, kButtonUp, kButtonDown},
                   !fileReference);
    if (!fileReference) ApplyWriteFileRule(false);
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::ApplyWriteFileRule(bool readControls) {
    if (readControls) UpdateData(TRUE);
    EnableControls(this, {kEditFileName, kButtonExport}, m_bWriteFile != FALSE);
    EnableControls(this, {kButtonImport}, true);
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::UpdateMonotonicWarning() {
    m_rising.Recount(m_points);
    ShowRisingCheck();
}

void CPropCharacteristicXYTable::ShowRisingCheck() {
    if (CWnd* warning = GetDlgItem(kStaticMonotonic)) warning->ShowWindow(m_rising.NotRising() ? SW_SHOW : SW_HIDE);
}

void CPropCharacteristicXYTable::UpdateRowButtons() { EnableRowButtons(*this, m_list); }

void CPropCharacteristicXYTable::SetRowNumber(int row) {
    CString number;
    number.Format("%i", row + 1);
    m_list.SetEditItemText(row, 0, number, TB_EDIT_NONE);
}

void CPropCharacteristicXYTable::SetRowValues(int row, const CDataPoint& point) {
    // The cells show 15 digits and keep the exact values, which the editor reads back.
    m_list.SetEditItemNumber(row, 1, TBExtended_ftoa(point.x, -1, 0, ""), point.x);
    m_list.SetEditItemNumber(row, 2, TBExtended_ftoa(point.y, -1, 0, ""), point.y);
    SetCellUnits(row);
}

// The cells take numbers in the units the axis labels name ("v [V]": "1 mV" is 0.001).
void CPropCharacteristicXYTable::SetCellUnits(int row) {
    m_list.SetEditItemType(row, 1, TB_EDIT_NUMBER, qv::pointtable::ColumnUnitOfLabel(m_strXAxisLabel));
    m_list.SetEditItemType(row, 2, TB_EDIT_NUMBER, qv::pointtable::ColumnUnitOfLabel(m_strYAxisLabel));
}

void CPropCharacteristicXYTable::RefreshValueCells() {
    const int rows = m_list.GetItemCount();
    for (int row = 0; row < rows && row < m_points.GetSize(); ++row)
        SetRowValues(row, *static_cast<const CDataPoint*>(m_points.GetAt(row)));
}

// ---------------------------------------------------------------------------------------
// Handlers

void CPropCharacteristicXYTable::OnClickedKind() { ApplyKindRule(); }
void CPropCharacteristicXYTable::OnClickedSource() { ApplySourceRule(); }
void CPropCharacteristicXYTable::OnClickedWriteFile() { ApplyWriteFileRule(); }

void CPropCharacteristicXYTable::OnTextChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::OnFileNameTyped() { OnTextChanged(); }

void CPropCharacteristicXYTable::OnListClicked(NMHDR*, LRESULT* pResult) {
    UpdateRowButtons();
    if (pResult != nullptr) *pResult = 0;
}

void CPropCharacteristicXYTable::OnUpdateNeedsSelection(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, m_list); }

void CPropCharacteristicXYTable::OnUpdateAlways(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, m_list); }

LRESULT CPropCharacteristicXYTable::OnCellEdited(WPARAM, LPARAM lParam) {
    const int row = ListCellRow(lParam);
    const int column = ListCellColumn(lParam);
    // Only rows the list shows can be edited.
    if (row >= m_list.GetItemCount()) return 0;
    // Only the pairs around the row are counted again: a table typed in row by row is
    // never scanned whole.
    m_rising.BeforeRowChange(m_points, row);
    CDataPoint* point = row < m_points.GetSize() ? static_cast<CDataPoint*>(m_points.GetAt(row)) : nullptr;
    if (point == nullptr) point = new CDataPoint(0.0, 0.0);
    const CString text = m_list.GetItemText(row, column);
    if (column == 1) point->x = TBExtended_atof(text);
    if (column == 2) point->y = TBExtended_atof(text);
    StorePoint(row, point);
    m_rising.AfterRowChange(m_points, row);
    ShowRisingCheck();
    SetModified(TRUE);
    return 0;
}

LRESULT CPropCharacteristicXYTable::OnListSelChanged(WPARAM, LPARAM) { return 0; }

LRESULT CPropCharacteristicXYTable::OnPreviewClosed(WPARAM, LPARAM) {
    SetDlgItemText(kButtonShow, LoadLibraryString(kStrShow));
    return 0;
}

void CPropCharacteristicXYTable::OnNewRow() {
    const int row = m_list.GetItemCount();
    m_list.InsertEditItem(row, "", TB_EDIT_NONE);
    SetRowNumber(row);
    m_list.SetEditItemText(row, 1, "0", TB_EDIT_NUMBER);
    m_list.SetEditItemText(row, 2, "0", TB_EDIT_NUMBER);
    SetCellUnits(row);
    m_rising.BeforeRowChange(m_points, row);
    StorePoint(row, new CDataPoint(0.0, 0.0));
    m_rising.AfterRowChange(m_points, row);
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::OnDeleteRow() {
    const int row = m_list.GetSelectedItem();
    if (row < 0) return;
    m_list.DeleteEditItem(row);
    if (row < m_points.GetSize()) {
        delete static_cast<CDataPoint*>(m_points.GetAt(row));
        m_points.RemoveAt(row);
    }
    for (int i = row; i < m_list.GetItemCount(); ++i) SetRowNumber(i);
    m_list.Invalidate();
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::OnDeleteAllRows() {
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) m_list.DeleteEditItem(row);
    DeletePoints();
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::MoveSelectedRow(int delta) {
    const int row = m_list.GetSelectedItem();
    const int other = row + delta;
    // At the edge nothing moves.
    if (row < 0 || other < 0 || other >= m_points.GetSize() || row >= m_points.GetSize() ||
        other >= m_list.GetItemCount())
        return;
    void* moved = m_points.GetAt(row);
    m_points.SetAt(row, m_points.GetAt(other));
    m_points.SetAt(other, moved);
    SetRowValues(row, *static_cast<const CDataPoint*>(m_points.GetAt(row)));
    SetRowValues(other, *static_cast<const CDataPoint*>(m_points.GetAt(other)));
    m_list.SelectItem(other);
    m_list.Invalidate();
    for (int i = row < other ? row : other; i < m_list.GetItemCount(); ++i) SetRowNumber(i);
    // A move changes the order of the whole table, not one row's neighbours.
    UpdateMonotonicWarning();
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::OnMoveUp() { MoveSelectedRow(-1); }
void CPropCharacteristicXYTable::OnMoveDown() { MoveSelectedRow(+1); }

void CPropCharacteristicXYTable::OnContextMenu(CWnd*, CPoint point) {
    CResourceSwitch resources;
    CMenu menu;
    if (!menu.LoadMenu(kListMenu)) return;
    CMenu* popup = menu.GetSubMenu(0);
    if (popup == nullptr) return;
    // The commands are enabled as their update handlers say, as the command bars do.
    qv::UpdateMenuCommandUI(*popup, this);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CPropCharacteristicXYTable::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct == nullptr) return;
    CImageList* images = nullptr;
    int position = 0;
    if (nIDCtl >= kButtonNew && nIDCtl <= kButtonDown) {
        images = &m_listButtonImages;
        position = nIDCtl - kButtonNew;
    } else if (nIDCtl == kButtonImport || nIDCtl == kButtonExport) {
        images = &m_fileButtonImages;
        position = nIDCtl - kButtonImport;
    }
    if (images == nullptr || images->GetSafeHandle() == 0) {
        CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    const int count = images->GetImageCount();
    int image = position;
    if (lpDrawItemStruct->itemState & ODS_SELECTED) image += count / 3;
    if (lpDrawItemStruct->itemState & (ODS_DISABLED | ODS_GRAYED)) image += 2 * count / 3;
    CDC* dc = CDC::FromHandle(lpDrawItemStruct->hDC);
    images->Draw(dc, image, POINT{lpDrawItemStruct->rcItem.left, lpDrawItemStruct->rcItem.top}, ILD_NORMAL);
}

void CPropCharacteristicXYTable::OnDestroy() {
    ClosePreview();
    CTBPropertyPage::OnDestroy();
}

// ---------------------------------------------------------------------------------------
// Preview

void CPropCharacteristicXYTable::ClosePreview() {
    if (m_pPreview != nullptr) {
        if (m_pPreview->GetSafeHwnd() != nullptr) m_pPreview->DestroyWindow();
        delete m_pPreview;
        m_pPreview = nullptr;
    }
}

void CPropCharacteristicXYTable::OnShowPreview() {
    UpdateData(TRUE);
    SetDlgItemText(kButtonShow, LoadLibraryString(kStrUpdate));
    if (m_pPreview != nullptr && m_pPreview->GetSafeHwnd() != nullptr) {
        m_pPreview->Invalidate();
        m_pPreview->UpdateWindow();
        return;
    }
    delete m_pPreview;
    m_pPreview = new CCharacteristicDlg(this, m_strComponentName);
    m_pPreview->SetPointArray(&m_points);
    if (m_pPreview->CreateModeless()) m_pPreview->ShowWindow(SW_SHOW);
}

// ---------------------------------------------------------------------------------------
// Data files

BOOL CPropCharacteristicXYTable::ImportFile(const CString& path) {
    CReadAndWriteFiles file;
    if (!file.ReadInfoFile(path, "", -1, nullptr, nullptr, 1, 0, 2)) {
        if (file.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled) AfxMessageBox(file.GetLastError(), MB_OK);
        return FALSE;
    }
    if (file.GetNrChannels() != 2) {
        AfxMessageBox("Only 2 channels allowed!", MB_OK);
        return FALSE;
    }
    // The reader has checked the item count against the file's bytes; what memory cannot
    // hold is refused.
    const int n = file.GetNrItems();
    if (n < 0) {
        AfxMessageBox(LoadLibraryString(qv::strings::kStrInvalidValue), MB_OK);
        return FALSE;
    }
    std::vector<double> xs;
    std::vector<double> ys;
    try {
        xs.resize(static_cast<size_t>(n));
        ys.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        AfxMessageBox(LoadLibraryString(qv::strings::kStrInvalidValue), MB_OK);
        return FALSE;
    }
    file.GetChannel(0)->SetSampleBuffer(xs.data(), n);
    file.GetChannel(1)->SetSampleBuffer(ys.data(), n);
    if (!file.ReadDataFile()) {
        if (file.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled) AfxMessageBox(file.GetLastError(), MB_OK);
        return FALSE;
    }

    // The whole file is read; only now does the table change.
    const bool hasList = m_list.GetSafeHwnd() != nullptr;
    if (hasList)
        for (int row = m_list.GetItemCount() - 1; row >= n; --row) m_list.DeleteEditItem(row);
    while (m_points.GetSize() > n) {
        const INT_PTR last = m_points.GetSize() - 1;
        delete static_cast<CDataPoint*>(m_points.GetAt(last));
        m_points.RemoveAt(last);
    }
    for (int i = 0; i < n; ++i) {
        if (i >= m_points.GetSize()) m_points.Add(new CDataPoint(0.0, 0.0));
        if (hasList && i >= m_list.GetItemCount()) {
            m_list.InsertEditItem(i, "", TB_EDIT_NONE);
            SetRowNumber(i);
        }
        CDataPoint* point = static_cast<CDataPoint*>(m_points.GetAt(i));
        point->x = xs[static_cast<size_t>(i)];
        point->y = ys[static_cast<size_t>(i)];
    }
    m_nFileSaveVersion = file.GetSaveVersion();
    return TRUE;
}

BOOL CPropCharacteristicXYTable::ExportFile(int version) {
    CString directory = m_bWriteFile ? m_strFileDirectory : g_DocumentDir;
    CString name = m_bWriteFile ? m_strFileName : m_strComponentName + ".mdx";
    if (m_nFileSaveVersion == CReadAndWriteFiles::kFormatTextVersion)
        AfxMessageBox(LoadLibraryString(kStrTextCannotBeWritten), MB_OK);
    // The name kept is the name of the file written; a file there that is not the table's
    // own is replaced only after the user agreed, and otherwise nothing changes.
    name = WritableDataFileName(ExportedFileName(name));
    const std::optional<CString> path = qv::files::ChooseDataFileTarget(name, directory, m_known, true);
    if (!path) return FALSE;
    m_strFileDirectory = directory;
    m_strFileName = name;

    const int n = static_cast<int>(m_points.GetSize());
    std::vector<double> xs(static_cast<size_t>(n));
    std::vector<double> ys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const CDataPoint* point = static_cast<const CDataPoint*>(m_points.GetAt(i));
        xs[static_cast<size_t>(i)] = point->x;
        ys[static_cast<size_t>(i)] = point->y;
    }
    CReadAndWriteFiles file;
    file.SetNrChannels(2);
    file.SetNrItems(n);
    file.InsertChannel(0, xs.data(), m_strXAxisLabel, "");
    file.InsertChannel(1, ys.data(), m_strYAxisLabel, "");

    // A table read from a text file is an ".mdx" file from now on.
    if (m_nFileSaveVersion == CReadAndWriteFiles::kFormatTextVersion) version = CReadAndWriteFiles::kFormatMdx;
    m_nFileSaveVersion = version;

    if (!file.WriteFile(*path, "", version, nullptr, nullptr, 0, 0)) {
        AfxMessageBox(file.GetLastError(), MB_OK);
        return FALSE;
    }
    m_known.TakeWritten(*path);
    if (m_pOwner4 != nullptr)
        AnnounceFileWritten(RequestTarget(m_pOwner4), *path);
    else if (m_pOwner3 != nullptr)
        AnnounceFileWritten(RequestTarget(m_pOwner3), *path);
    return TRUE;
}

CString CPropCharacteristicXYTable::ExportedFileName(const CString& fileName) const {
    const bool text = m_nFileSaveVersion == CReadAndWriteFiles::kFormatTextVersion;
    if (fileName.Find('*') < 0 && !text) return fileName;
    PathParts parts = SplitPath(ReplaceDataFileWildcards(fileName, m_strComponentName));
    if (text) parts.ext = kDataFileExtension;
    return JoinPath(parts);
}

void CPropCharacteristicXYTable::OnImport() {
    CString path = m_strFileName;
    if (!qv::files::AskForFileToRead(this, m_strFileDirectory, path)) return;
    const bool read = ImportFile(path) != FALSE;
    m_known.TakeChosenToRead(path, read);
    if (!read) {
        AfxMessageBox(qv::files::ReadErrorText(), MB_OK);
        ApplyWriteFileRule();
        return;
    }
    RefreshValueCells();
    if (m_bWriteFile) m_strFileName = path;
    UpdateMonotonicWarning();
    ShowFields();
    MakeFileNameRelative();
    SetModified(TRUE);
}

void CPropCharacteristicXYTable::OnExport() {
    CString chosen = m_strFileName;
    CString answered;
    const int version = qv::files::AskForFileToWrite(this, m_strFileDirectory, chosen, m_nFileSaveVersion,
                                                     qv::files::NoChosenFilter::kKeepName, &answered);
    if (version < 0) return;
    // The dialog asked before replacing the file it was answered with; a file of another name
    // (an extension appended or made writable, a text table's ".mdx") is replaced only when
    // the user says so, and after a no the table's file stays as it was.
    m_known.TakeAnswered(answered);
    const CString earlierName = m_strFileName;
    const CString earlierDirectory = m_strFileDirectory;
    m_strFileName = chosen;
    MakeFileNameRelative();
    if (!ExportFile(version)) {
        m_strFileName = earlierName;
        m_strFileDirectory = earlierDirectory;
        ShowFields();
        return;
    }
    ShowFields();
    MakeFileNameRelative();
    SetModified(TRUE);
}

// ---------------------------------------------------------------------------------------
// Apply

BOOL CPropCharacteristicXYTable::OnApply() {
    // A reference, or a file reference, named by a blank field would give the model text's
    // characteristic no value: OK refuses it as it refuses a blank value field (the field of
    // the form not chosen is disabled, and passes).
    if (!qv::pages::RefuseBlankField(*this, kEditReference) || !qv::pages::RefuseBlankField(*this, kEditVariable))
        return FALSE;
    UpdateData(TRUE);
    m_dwKind = IsDlgButtonChecked(kRadioLookUp) ? kKindLookUp : kKindReference;
    m_dwTableSource = IsDlgButtonChecked(kRadioDataPairs) ? kSourceDataPairs : kSourceFileReference;
    const bool dataPairs = m_dwKind == kKindLookUp && m_dwTableSource == kSourceDataPairs;

    if (dataPairs) {
        // The table is written as an ".mdx" file: a name without that kind of extension gets
        // it here, so that the name kept is the one of the file written.
        m_strFileName = m_bWriteFile ? WritableDataFileName(ReplaceDataFileWildcards(m_strFileName, m_strComponentName))
                                     : m_strComponentName + kDataFileExtension;
        ShowFields();
    }
    if (dataPairs && m_bWriteFile) {
        MakeFileNameRelative();
        m_strFileName = PrefixDotFileName(m_strFileName, m_strComponentName + m_strFileNameInfix);
        if (!ExportFile(m_nFileSaveVersion)) return FALSE;
    }
    if (m_pOwner4 == nullptr) SaveBlock();

    const UINT failure = CheckMonotonic(m_points);
    if (failure != 0) {
        AfxMessageBox(LoadLibraryString(failure), MB_OK);
        return FALSE;
    }
    SetModified(FALSE);
    m_list.SaveColumnWidths();
    return CTBPropertyPage::OnApply();
}
