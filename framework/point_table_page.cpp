#include "framework/page_parts.h"
#include "framework/point_table_page.h"

#include "framework/byte_cursor.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/list_controls.h"
#include "framework/listed_controls.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/point_table_list.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/table_list_page.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"

using namespace qv::dialog;
using namespace qv::pointtable;

namespace {
constexpr WORD kIdOutput = 2056;
using namespace qv::strings;
} // namespace

// Typing the name, the file name or the reference, or clicking "Show Name", marks the page
// modified.
constexpr int kMarkingEdits[] = {kCtlName, kCtlReference};

BEGIN_MESSAGE_MAP(CPointTablePage, CDataFileTablePage)
    ON_BN_CLICKED(kCtlShowName, &CPointTablePage::OnMarkModified)
    ON_LISTED_CONTROLS(EN_CHANGE, kMarkingEdits, &CPointTablePage::OnMarkModified)
    ON_EN_CHANGE(kIdFileName, &CPointTablePage::OnFileNameTyped)
    ON_BN_CLICKED(kIdOutput, &CPointTablePage::OnOutput)
    // The row buttons and the row-list menu's commands.
    ON_ROW_LIST_BUTTONS(kCtlNew, &CPointTablePage::OnNewRow, &CPointTablePage::OnDeleteRow,
                        &CPointTablePage::OnDeleteAllRows, &CPointTablePage::OnMoveUp, &CPointTablePage::OnMoveDown)
    ON_COMMAND(kCmdNew, &CPointTablePage::OnNewRow)
    ON_ROW_LIST_COMMANDS(&CPointTablePage::OnDeleteRow, &CPointTablePage::OnDeleteAllRows, &CPointTablePage::OnMoveUp,
                         &CPointTablePage::OnMoveDown)
    ON_UPDATE_COMMAND_UI_RANGE(kCmdDelete, kCmdNew, &CPointTablePage::OnUpdateRowCommand)
    ON_NOTIFY(NM_CLICK, kCtlTable, &CPointTablePage::OnTableClicked)
    ON_NOTIFY(NM_RCLICK, kCtlTable, &CPointTablePage::OnTableClicked)
    ON_NOTIFY(NM_SETFOCUS, kCtlTable, &CPointTablePage::OnTableClicked)
    ON_MESSAGE(TBLM_CELLEDITED, &CPointTablePage::OnCellEdited)
    // The data-file buttons and the preview.
    ON_BN_CLICKED(kCtlImport, &CPointTablePage::OnBrowseRead)
    ON_BN_CLICKED(kCtlExport, &CPointTablePage::OnBrowseWrite)
    ON_BN_CLICKED(kCtlShow, &CPointTablePage::OnShow)
    ON_MESSAGE(WM_USER + 9, &CPointTablePage::OnPreviewRefresh)
    ON_MESSAGE(WM_USER + 10, &CPointTablePage::OnPreviewClosed)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CPointTablePage::~CPointTablePage() {
    if (m_pPreview != nullptr && m_pPreview->GetSafeHwnd() != nullptr) m_pPreview->DestroyWindow();
    delete m_pPreview;
    m_pPreview = nullptr;
    qv::pointtable::DeletePoints(m_previewPoints);
    qv::pointtable::DeletePoints(m_points);
    qv::pointtable::DeleteSnapshots(m_snapshots);
}

void CPointTablePage::DoDataExchange(CDataExchange* pDX) {
    CDataFileTablePage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlTable, m_lstTable);
    qv::pages::ExchangeNameAndShowName(pDX, m_strName, m_bShowName);
    DDX_Check(pDX, kCtlFileNameFlag, m_bFileName);
    DDX_Check(pDX, kIdOutput, m_bOutput);
    DDX_Text(pDX, kIdFileName, m_strFileName);
    DDX_Text(pDX, kCtlReference, m_strReference);
}

void CPointTablePage::OpenTableDialog(const CString& xLabel, const CString& yLabel) {
    {
        CResourceSwitch resources;
        CDataFileTablePage::OnInitDialog();
        m_lstTable.InsertEditColumn(0, LoadLibraryString(kStrNumber), LVCFMT_LEFT, kColumnWidth);
        m_lstTable.InsertEditColumn(1, LoadLibraryString(kStrAxisX) + xLabel, LVCFMT_LEFT, kColumnWidth);
        m_lstTable.InsertEditColumn(2, LoadLibraryString(kStrAxisY) + yLabel, LVCFMT_LEFT, kColumnWidth);
        m_lstTable.InitializeCtrl(TRUE, TRUE);
        m_lstTable.InitializeColumnSize(0, "WIZColumnWidths", "XYTable");
    }
    m_cellUnits = {qv::pointtable::ColumnUnitOfLabel(xLabel), qv::pointtable::ColumnUnitOfLabel(yLabel)};
    m_strFolder = g_DocumentDir;
    qv::pages::AppendParamUnitToCaption(*this, Holder(), kIdOutput);
}

void CPointTablePage::OnMarkModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPointTablePage::OnUpdateRowCommand(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, m_lstTable); }

void CPointTablePage::OnTableClicked(NMHDR*, LRESULT* pResult) {
    EnableRowButtons(*this, m_lstTable);
    if (pResult != nullptr) *pResult = 0;
}

void CPointTablePage::OnDeleteRow() {
    if (!qv::pointtable::DeleteSelectedPointRow(m_lstTable, m_points)) return;
    ShowMonotonyWarning();
    SetModified(TRUE);
}

void CPointTablePage::OnDeleteAllRows() {
    qv::pointtable::DeletePoints(m_points);
    m_lstTable.DeleteAllItems();
    ShowMonotonyWarning();
    SetModified(TRUE);
}

void CPointTablePage::MarkFileParameters(bool reference) {
    SetParamExtBit(Holder(), reference ? kIdReference : kIdFileName, FALSE);
    SetParamExtBit(Holder(), reference ? kIdFileName : kIdReference, TRUE);
}

BOOL CPointTablePage::ExportFile(const CString& fileName, int format) {
    CString xName, xUnit, yName, yUnit;
    ChannelNames(xName, xUnit, yName, yUnit);
    CString name;
    const std::optional<CString> path = DataFileTarget(fileName, format, name);
    if (!path) return FALSE;
    CString error;
    if (!qv::pointtable::WriteTwoChannels(*path, m_nFileFormat, m_points, xName, xUnit, yName, yUnit, error)) {
        ShowMessage(error);
        return FALSE;
    }
    TakeWrittenFile(*path);
    m_strFileName = name;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    AnnounceFileWritten(RequestTarget(Owner()), *path);
    return TRUE;
}

void CPointTablePage::ShowMonotonyWarning() {
    m_rising.Recount(m_points);
    ShowRisingCheck();
}

void CPointTablePage::ShowRisingCheck() {
    if (CWnd* label = GetDlgItem(kCtlWarning)) label->ShowWindow(m_rising.NotRising() ? SW_SHOW : SW_HIDE);
}

void CPointTablePage::LabelShowAsUpdate() {
    CResourceSwitch resources;
    SetDlgItemText(kCtlShow, LoadLibraryString(kStrUpdate));
}

void CPointTablePage::OpenPreview(const CString& xLabel, const CString& yLabel) {
    delete m_pPreview;
    m_pPreview = new CCharacteristicDlg(this, m_strName);
    m_pPreview->SetXAxisLabel(xLabel);
    m_pPreview->SetYAxisLabel(yLabel);
    m_pPreview->SetPointArray(&m_previewPoints);
    CResourceSwitch resources;
    if (m_pPreview->CreateModeless()) m_pPreview->ShowWindow(SW_SHOW);
}

LRESULT CPointTablePage::OnPreviewClosed(WPARAM, LPARAM) {
    CResourceSwitch resources;
    SetDlgItemText(kCtlShow, LoadLibraryString(kStrShow));
    return 0;
}

// The output switches in the parameter set at once.
void CPointTablePage::OnOutput() {
    m_bOutput = m_bOutput ? FALSE : TRUE;
    SetSDBOutput(Holder(), kIdOutput, m_bOutput);
    CheckDlgButton(kIdOutput, m_bOutput ? BST_CHECKED : BST_UNCHECKED);
    SetModified(TRUE);
}

void CPointTablePage::OnContextMenu(CWnd*, CPoint point) { qv::tablepage::TrackTableContextMenu(*this, point); }

// The list and file buttons draw their own images; other controls as the page does.
void CPointTablePage::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (!qv::tablepage::DrawTableButton(nIDCtl, lpDrawItemStruct)) CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

void CPointTablePage::AppendZeroRow() {
    const int row = m_points.GetSize();
    m_rising.BeforeRowChange(m_points, row);
    auto* point = new CDataPoint(0.0, 0.0);
    m_points.Add(point);
    qv::pointtable::SetPointRow(m_lstTable, row, point, m_cellUnits);
    m_lstTable.SetItemText(row, 1, "0");
    m_lstTable.SetItemText(row, 2, "0");
    m_rising.AfterRowChange(m_points, row);
    ShowRisingCheck();
}

bool CPointTablePage::TakeEditedCell(WPARAM wParam, LPARAM lParam) {
    if (wParam != static_cast<WPARAM>(qv::pointtable::kCtlTable)) return false;
    const int row = ListCellRow(lParam);
    const int col = ListCellColumn(lParam);
    if (row < 0) return false;
    const double value = TBExtended_atof(m_lstTable.GetItemText(row, col), "");
    if (m_points.GetSize() <= row) {
        while (m_points.GetSize() <= row) m_points.Add(new CDataPoint);
        m_rising.Recount(m_points);
    }
    m_rising.BeforeRowChange(m_points, row);
    CDataPoint* point = qv::pointtable::PointAt(m_points, row);
    if (col == 1) point->SetX(value);
    if (col == 2) point->SetY(value);
    m_rising.AfterRowChange(m_points, row);
    ShowRisingCheck();
    return true;
}

bool CPointTablePage::SwapSelectedPoint(int delta, int& row, int& other) {
    row = m_lstTable.GetSelectedItem();
    other = row + delta;
    if (row < 0 || other < 0 || other >= m_points.GetSize() || row >= m_points.GetSize()) return false;
    void* moved = m_points[row];
    m_points[row] = m_points[other];
    m_points[other] = moved;
    return true;
}

void CPointTablePage::FillList() {
    qv::pointtable::FillPointList(m_lstTable, m_points, m_cellUnits);
    m_rising.Recount(m_points);
}

BOOL CPointTablePage::OnSetActive() {
    GetSDBOutput(Holder(), kIdOutput, &m_bOutput);
    UpdateData(FALSE);
    SetModified(FALSE);
    EnableParamEdits();
    return CPropertyPage::OnSetActive();
}

BOOL CPointTablePage::OnKillActive() {
    UpdateParameterFlags();
    return CTBPropertyPage::OnKillActive();
}

BOOL CPointTablePage::ImportFile(const CString& path) {
    CReadAndWriteFiles reader;
    const ReadResult result = ReadTwoChannels(path, 1, m_points, reader);
    if (result != ReadResult::Ok) {
        const CString message = ImportFailureText(result, reader);
        if (!message.IsEmpty()) ShowMessage(message);
        return FALSE;
    }
    FillList();
    TakeImportedAxes(*reader.GetChannel(0), *reader.GetChannel(1));
    m_nFileFormat = reader.GetSaveVersion();
    return TRUE;
}

void CPointTablePage::ShowPreview(const CString& xLabel, const CString& yLabel) {
    LabelShowAsUpdate();
    if (RedrawOpenPreview()) return;
    RemakePreviewPoints();
    OpenPreview(xLabel, yLabel);
}

bool CPointTablePage::RedrawOpenPreview() {
    if (m_pPreview == nullptr || m_pPreview->GetSafeHwnd() == nullptr) return false;
    RemakePreviewPoints();
    m_pPreview->Invalidate();
    m_pPreview->UpdateWindow();
    return true;
}

LRESULT CPointTablePage::OnPreviewRefresh(WPARAM, LPARAM) {
    RemakePreviewPoints();
    return 0;
}

void CPointTablePage::WriteFileParameters() {
    ForEachInput([&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdFileName) param->SetValue(m_strFileName);
        if (param->GetValueID() == kIdReference) param->SetValue(m_strReference);
    });
}

bool CPointTablePage::HandOverAndCommit(bool reference) {
    SnapshotParameters();
    HandOver();
    m_lstTable.SaveColumnWidths();
    return WriteFileAndCommit(!reference);
}

BOOL CPointTablePage::EndApply() {
    UpdateData(FALSE);
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

bool CPointTablePage::TakeOldFilePin(DWORD& flagWord) {
    ParamHolder* holder = Holder();
    if (FindParamByValueID(holder, kIdReference) == nullptr || FindParamByValueID(holder, kIdFileName) == nullptr) return false;
    BOOL pinned = FALSE;
    GetParamUsePin(holder, kIdFileName, &pinned);
    if (pinned) flagWord |= kFlagReference;
    SetParamTypeField(holder, kIdFileName);
    return true;
}

void CPointTablePage::CopyFileNameToReference() {
    CString value;
    GetParamValue(Holder(), kIdFileName, &value);
    SetParamValue(Holder(), kIdReference, value);
    CommitParamSet(RequestTarget(Owner()), m_cookie);
}

void CPointTablePage::ReadOlderTableBlock(const void* data, long length) {
    qv::bytes::Reader in(static_cast<const BYTE*>(data), data != nullptr && length > 0 ? static_cast<size_t>(length) : 0);
    DWORD flags = 0;
    if (!in.ReadDword(flags)) return;
    TakeOlderFlags(flags);
    DWORD unused = 0, size = 0;
    if (!in.ReadDword(unused) || !in.ReadDword(size) || !in.SkipBytes(size) || !in.ReadDword(size) || !in.Fits(size)) return;
    qv::pages::ReadArchivedBlock(in.Position(), size, [this](CArchive& ar) { Serialize(ar); });
    in.SkipBytes(size);
    if (in.ReadDword(size) && in.SkipBytes(size) && in.ReadDword(size) && in.Fits(size)) TakeOlderPoints(in.Position(), size);
}
