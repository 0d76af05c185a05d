#include "equations/lookup_table_3d.h"

#include "framework/immanent_template.h"
#include "framework/list_controls.h"
#include "framework/listed_controls.h"
#include "framework/dialog_controls.h"
#include "framework/point_table_list.h"
#include "framework/string_ids.h"
#include "framework/table_list_page.h"
#include "framework/byte_cursor.h"
#include "framework/data_file_places.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/path_parts.h"
#include "framework/requests.h"
#include "framework/table_writers.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "win32/paths.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

IMPLEMENT_SERIAL(CProp3DLookupTableXY, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CProp3DLookupTableXY)
IMPLEMENT_DYNAMIC(C3DLookupTableWizard4, CWizardBase4)

using namespace qv::lookup3d;
using namespace qv::dialog;

namespace {

constexpr int kCtlVariable = 2425;
constexpr int kCtlInterpolation = 2215;
constexpr int kCtlFileName = 2117;
constexpr int kCtlXUnitFlag = 2273;
constexpr int kCtlYUnitFlag = 2274;
constexpr int kCtlZUnitFlag = 2277;
constexpr int kCtlXUnit = 2275;
constexpr int kCtlYUnit = 2276;
constexpr int kCtlZUnit = 2278;
constexpr int kCtlXNew = 2433;
constexpr int kCtlXDelete = 2434;
constexpr int kCtlXSweep = 2438;
constexpr int kCtlYNew = 2439;
constexpr int kCtlYDelete = 2440;
constexpr int kCtlYSweep = 2444;
constexpr int kCtlZList = 2446;
constexpr int kCtlYList = 2448;
constexpr int kCtlXList = 2449;
using namespace qv::strings;
constexpr char kOnlyThreeChannels[] = "Only 3 channels allowed!";

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15},  {.id = 2424, .flags = 5},   {.id = 2425, .flags = 68},  {.id = 2214, .flags = 5},
    {.id = 2215, .flags = 68},  {.id = 2116, .flags = 5},   {.id = 2117, .flags = 68},  {.id = 2118, .flags = 20},
    {.id = 2119, .flags = 20},  {.id = 2428, .flags = 70},  {.id = 2273, .flags = 20},  {.id = 2275, .flags = 68},
    {.id = 2274, .flags = 20},  {.id = 2276, .flags = 68},  {.id = 2277, .flags = 20},  {.id = 2278, .flags = 68},
    {.id = 2396, .flags = 15},  {.id = 2429, .flags = 77},  {.id = 2438, .flags = 20},  {.id = 2433, .flags = 20},
    {.id = 2434, .flags = 20},  {.id = 2435, .flags = 20},  {.id = 2436, .flags = 20},  {.id = 2437, .flags = 20},
    {.id = 2449, .flags = 77},  {.id = 2430, .flags = 78},  {.id = 2444, .flags = 20},  {.id = 2439, .flags = 20},
    {.id = 2440, .flags = 20},  {.id = 2441, .flags = 20},  {.id = 2442, .flags = 20},  {.id = 2443, .flags = 20},
    {.id = 2448, .flags = 76},  {.id = 2447, .flags = 78},  {.id = 2446, .flags = 78},
};

C3DDataPoint* PointAt(const CPtrArray& points, INT_PTR index) {
    if (index < 0 || index >= points.GetSize()) return nullptr;
    return static_cast<C3DDataPoint*>(points[index]);
}

CString FormatNumber(double value) { return TBExtended_ftoa(value, -1, 0, ""); }

CString TempFolder() {
    char buffer[260] = {0};
    GetTempPathA(sizeof buffer, buffer);
    return buffer;
}

// Replaces the points with `count` points read from the archive, each from its own record. An
// archive that runs out ends the reading with its exception and leaves the points as they
// were, so a count is believed only as far as the data holds points.
void ReadGridPoints(CArchive& ar, DWORD count, CPtrArray& points) {
    CPtrArray read;
    try {
        for (DWORD i = 0; i < count; ++i) {
            auto point = std::make_unique<C3DDataPoint>();
            point->Serialize(ar);
            read.Add(point.release());
        }
    } catch (...) {
        DeletePoints(read);
        throw;
    }
    DeletePoints(points);
    points.Append(read);
}

} // namespace

namespace qv::lookup3d {

void CopyPoints(CPtrArray& to, const CPtrArray& from) {
    if (&to == &from) return;
    DeletePoints(to);
    for (INT_PTR i = 0; i < from.GetSize(); ++i) {
        const C3DDataPoint* point = PointAt(from, i);
        to.Add(point != nullptr ? new C3DDataPoint(*point) : nullptr);
    }
}

} // namespace qv::lookup3d

// ---------------------------------------------------------------------------------------
// CProp3DLookupTableXY

// Edits that mark the page modified, unit texts that head a list, and the unit boxes.
constexpr int kMarkingEdits[] = {kCtlName, kCtlVariable, kCtlYUnit};
constexpr int kHeadingUnits[] = {kCtlXUnit, kCtlZUnit};
constexpr int kUnitFlags[] = {kCtlXUnitFlag, kCtlYUnitFlag, kCtlZUnitFlag};

BEGIN_MESSAGE_MAP(CProp3DLookupTableXY, CDataFileTablePage)
    ON_LISTED_CONTROLS(EN_CHANGE, kMarkingEdits, &CProp3DLookupTableXY::OnMarkModified)
    // A typed file name marks the page modified.
    ON_EN_CHANGE(kCtlFileName, &CProp3DLookupTableXY::OnFileNameTyped)
    ON_LISTED_CONTROLS(EN_CHANGE, kHeadingUnits, &CProp3DLookupTableXY::OnUnitHeading)
    ON_BN_CLICKED(kCtlShowName, &CProp3DLookupTableXY::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlInterpolation, &CProp3DLookupTableXY::OnMarkModified)
    ON_CBN_KILLFOCUS(kCtlInterpolation, &CProp3DLookupTableXY::OnMarkModified)
    ON_BN_CLICKED(kCtlFileNameFlag, &CProp3DLookupTableXY::OnFileNameFlag)
    ON_LISTED_CONTROLS(BN_CLICKED, kUnitFlags, &CProp3DLookupTableXY::OnUnitFlag)
    ON_ROW_LIST_BUTTONS(kCtlXNew, &CProp3DLookupTableXY::OnXNew, &CProp3DLookupTableXY::OnXDelete,
                        &CProp3DLookupTableXY::OnXDeleteAll, &CProp3DLookupTableXY::OnXMoveUp,
                        &CProp3DLookupTableXY::OnXMoveDown)
    ON_BN_CLICKED(kCtlXSweep, &CProp3DLookupTableXY::OnXSweep)
    ON_ROW_LIST_BUTTONS(kCtlYNew, &CProp3DLookupTableXY::OnYNew, &CProp3DLookupTableXY::OnYDelete,
                        &CProp3DLookupTableXY::OnYDeleteAll, &CProp3DLookupTableXY::OnYMoveUp,
                        &CProp3DLookupTableXY::OnYMoveDown)
    ON_BN_CLICKED(kCtlYSweep, &CProp3DLookupTableXY::OnYSweep)
    ON_BN_CLICKED(kCtlImport, &CProp3DLookupTableXY::OnBrowseRead)
    ON_BN_CLICKED(kCtlExport, &CProp3DLookupTableXY::OnBrowseWrite)
    ON_COMMAND(kCmdNew, &CProp3DLookupTableXY::OnMenuNew)
    ON_ROW_LIST_COMMANDS(&CProp3DLookupTableXY::OnMenuDelete, &CProp3DLookupTableXY::OnMenuDeleteAll,
                         &CProp3DLookupTableXY::OnMenuMoveUp, &CProp3DLookupTableXY::OnMenuMoveDown)
    ON_UPDATE_COMMAND_UI_RANGE(kCmdDelete, kCmdNew, &CProp3DLookupTableXY::OnUpdateRowCommand)
    ON_MESSAGE(TBLM_CELLEDITED, &CProp3DLookupTableXY::OnCellEdited)
    ON_MESSAGE(TBLM_SELCHANGED, &CProp3DLookupTableXY::OnSelectionChanged)
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

CProp3DLookupTableXY::CProp3DLookupTableXY() : CDataFileTablePage(kTemplate, 0) {}

CProp3DLookupTableXY::CProp3DLookupTableXY(C3DLookupTableWizard4* wizard, DWORD_PTR cookie)
    : CDataFileTablePage(kTemplate, cookie), m_pWizard(wizard) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

CProp3DLookupTableXY::~CProp3DLookupTableXY() { DeletePoints(m_points); }

void CProp3DLookupTableXY::SetWizard(C3DLookupTableWizard4* wizard, DWORD_PTR cookie) {
    m_pWizard = wizard;
    m_cookie = cookie;
}

void CProp3DLookupTableXY::SetData(const Table3DState& state, const CPtrArray& points) {
    m_bFileName = state.fileNameFlag;
    m_strXUnit = state.xUnit;
    m_strYUnit = state.yUnit;
    m_strZUnit = state.zUnit;
    m_bXUnit = state.xUnitFlag;
    m_bYUnit = state.yUnitFlag;
    m_bZUnit = state.zUnitFlag;
    CopyPoints(m_points, points);
}

Table3DState CProp3DLookupTableXY::GetState() const {
    Table3DState state;
    state.fileNameFlag = m_bFileName;
    state.xUnit = m_strXUnit;
    state.yUnit = m_strYUnit;
    state.zUnit = m_strZUnit;
    state.xUnitFlag = m_bXUnit;
    state.yUnitFlag = m_bYUnit;
    state.zUnitFlag = m_bZUnit;
    return state;
}

void CProp3DLookupTableXY::ShowCheckFailure(UINT id) {
    if (id == 0) return;
    CResourceSwitch resources;
    ShowMessage(LoadLibraryString(id));
}

void CProp3DLookupTableXY::DoDataExchange(CDataExchange* pDX) {
    CDataFileTablePage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlZList, m_lstZ);
    DDX_Control(pDX, kCtlYList, m_lstY);
    DDX_Control(pDX, kCtlXList, m_lstX);
    DDX_Control(pDX, kCtlInterpolation, m_cmbInterpolation);
    DDX_CBIndex(pDX, kCtlInterpolation, m_nInterpolation);
    DDX_Check(pDX, kCtlFileNameFlag, m_bFileName);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Check(pDX, kCtlXUnitFlag, m_bXUnit);
    DDX_Check(pDX, kCtlYUnitFlag, m_bYUnit);
    DDX_Check(pDX, kCtlZUnitFlag, m_bZUnit);
    DDX_Text(pDX, kCtlFileName, m_strFileName);
    DDX_Text(pDX, kCtlName, m_strName);
    DDX_Text(pDX, kCtlXUnit, m_strXUnit);
    DDX_Text(pDX, kCtlYUnit, m_strYUnit);
    DDX_Text(pDX, kCtlZUnit, m_strZUnit);
    DDX_Text(pDX, kCtlVariable, m_strVariable);
}

BOOL CProp3DLookupTableXY::OnInitDialog() {
    {
        CResourceSwitch resources;
        CDataFileTablePage::OnInitDialog();
        m_lstX.InsertEditColumn(0, "", LVCFMT_LEFT, kColumnWidth);
        m_lstY.InsertEditColumn(0, "", LVCFMT_LEFT, kColumnWidth);
        m_lstZ.InsertEditColumn(0, LoadLibraryString(kStrAxisX) + m_strXUnit, LVCFMT_LEFT, kColumnWidth);
        m_lstZ.InsertEditColumn(1, LoadLibraryString(kStrAxisZ) + m_strZUnit, LVCFMT_LEFT, kColumnWidth, 1);
        m_lstZ.InitializeCtrl(TRUE, TRUE);
        m_lstZ.InitializeColumnSize(0, "WIZColumnWidths", "3DTable_Z");
    }
    m_strFolder = g_DocumentDir;
    if (m_strFolder.IsEmpty()) m_strFolder = TempFolder();
    UpdateData(FALSE);
    ReadNameAndInputs([&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdFileName) m_strFileName = param->GetValue();
        else if (param->GetValueID() == kIdInterpolation) {
            // A stored index outside the two entries keeps the list's first entry.
            const int index = TBExtended_atoi(param->GetValue()) - 1;
            if (index >= 0 && index < 2) m_nInterpolation = index;
        } else if (param->GetValueID() == kIdVariable) m_strVariable = param->GetValue();
    });
    UpdateData(FALSE);
    if (m_points.GetSize() == 0) ImportBareNamedFile();
    else BuildListsFromPoints();
    FillXList();
    FillYList();
    FillZList();
    // A file the user named is read again every time the page opens.
    if (m_bFileName && !m_strFileName.IsEmpty()) ImportNamedFile();
    UpdateZListHeadings();
    UpdateData(TRUE);
    EnableFileControls();
    EnableUnitEdits();
    if (!m_bFileName && m_pWizard != nullptr) {
        m_strFileName = MakeDocumentFileName(m_pWizard, "");
        UpdateData(FALSE);
    }
    SetModified(FALSE);
    return TRUE;
}

void CProp3DLookupTableXY::ImportBareNamedFile() {
    if (m_strFileName.IsEmpty()) return;
    const PathParts parts = SplitPath(m_strFileName);
    ImportFoundFile(parts.name + parts.ext);
}

void CProp3DLookupTableXY::EnableFileControls() {
    for (int id : {kCtlFileName, kCtlExport})
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(m_bFileName);
}

void CProp3DLookupTableXY::EnableUnitEdits() {
    if (CWnd* x = GetDlgItem(kCtlXUnit)) x->EnableWindow(m_bXUnit);
    if (CWnd* y = GetDlgItem(kCtlYUnit)) y->EnableWindow(m_bYUnit);
    if (CWnd* z = GetDlgItem(kCtlZUnit)) z->EnableWindow(m_bZUnit);
}

void CProp3DLookupTableXY::BuildListsFromPoints() {
    WithinMemory(static_cast<std::uint64_t>(m_points.GetSize()),
                 [&] { ShowCheckFailure(qv::lookup3d::BuildListsFromPoints(m_grid, m_points)); });
    if (m_nSelectedY >= static_cast<int>(m_grid.CountY())) m_nSelectedY = -1;
}

bool CProp3DLookupTableXY::BuildPointsFromLists() {
    UINT failure = 0;
    if (!WithinMemory(GridPoints(), [&] { failure = qv::lookup3d::BuildPointsFromLists(m_grid, m_points, true); }))
        return false;
    ShowCheckFailure(failure);
    return failure == 0;
}

std::uint64_t CProp3DLookupTableXY::GridPoints() const {
    return static_cast<std::uint64_t>(m_grid.CountX()) * m_grid.CountY();
}

void CProp3DLookupTableXY::ReadXListFromControl() {
    if (m_lstX.GetSafeHwnd() == nullptr) return;
    m_lstX.CloseEdit(TRUE);
    for (int row = 0; row < m_lstX.GetItemCount() && row < static_cast<int>(m_grid.CountX()); ++row)
        m_grid.SetX(static_cast<size_t>(row), TBExtended_atof(m_lstX.GetItemText(row, 0), ""));
}

void CProp3DLookupTableXY::ReadYListFromControl() {
    if (m_lstY.GetSafeHwnd() == nullptr) return;
    m_lstY.CloseEdit(TRUE);
    for (int row = 0; row < m_lstY.GetItemCount() && row < static_cast<int>(m_grid.CountY()); ++row)
        m_grid.SetY(static_cast<size_t>(row), TBExtended_atof(m_lstY.GetItemText(row, 0), ""));
}

void CProp3DLookupTableXY::ReadZListFromControl() {
    if (m_lstZ.GetSafeHwnd() == nullptr) return;
    m_lstZ.CloseEdit(TRUE);
    if (m_nSelectedY < 0 || m_nSelectedY >= static_cast<int>(m_grid.CountY())) return;
    const size_t j = static_cast<size_t>(m_nSelectedY);
    for (int row = 0; row < m_lstZ.GetItemCount() && row < static_cast<int>(m_grid.CountX()); ++row)
        if (m_grid.Z(static_cast<size_t>(row), j, nullptr))
            m_grid.SetZ(static_cast<size_t>(row), j, TBExtended_atof(m_lstZ.GetItemText(row, 1), ""));
}

namespace {
// The extra text of a number cell that takes plain numbers (NumberCellUnit of no unit).
constexpr const char* kPlainNumbers = "|";
} // namespace

void CProp3DLookupTableXY::FillAxisList(Axis axis) {
    CTBEditListCtrl& list = ListOf(axis);
    if (list.GetSafeHwnd() == nullptr) return;
    const auto& values = axis == Axis::X ? m_grid.XList() : m_grid.YList();
    const int count = static_cast<int>(values.size());
    while (list.GetItemCount() > count) list.DeleteEditItem(list.GetItemCount() - 1);
    while (list.GetItemCount() < count) list.InsertEditItem(list.GetItemCount(), "", TB_EDIT_NUMBER);
    for (int row = 0; row < count; ++row) {
        // The grid's values are plain numbers: a unit typed after one is refused, not dropped.
        list.SetEditItemText(row, 0, FormatNumber(*values[static_cast<size_t>(row)]), TB_EDIT_NUMBER, kPlainNumbers,
                             reinterpret_cast<DWORD_PTR>(values[static_cast<size_t>(row)].get()));
    }
}

void CProp3DLookupTableXY::FillXList() { FillAxisList(Axis::X); }

void CProp3DLookupTableXY::FillYList() { FillAxisList(Axis::Y); }

void CProp3DLookupTableXY::FillZList() {
    if (m_lstZ.GetSafeHwnd() == nullptr) return;
    if (m_nSelectedY < 0 || m_nSelectedY >= static_cast<int>(m_grid.CountY())) {
        m_lstZ.DeleteAllItems();
        return;
    }
    const int count = static_cast<int>(m_grid.CountX());
    while (m_lstZ.GetItemCount() > count) m_lstZ.DeleteEditItem(m_lstZ.GetItemCount() - 1);
    while (m_lstZ.GetItemCount() < count) m_lstZ.InsertEditItem(m_lstZ.GetItemCount(), "", TB_EDIT_NONE);
    for (int row = 0; row < count; ++row) {
        double z = 0.0;
        if (!m_grid.Z(static_cast<size_t>(row), static_cast<size_t>(m_nSelectedY), &z)) continue;
        m_lstZ.SetEditItemText(row, 0, FormatNumber(m_grid.X(static_cast<size_t>(row))), TB_EDIT_NONE, nullptr,
                               reinterpret_cast<DWORD_PTR>(m_grid.XList()[static_cast<size_t>(row)].get()));
        m_lstZ.SetEditItemText(row, 1, FormatNumber(z), TB_EDIT_NUMBER, kPlainNumbers);
    }
}

void CProp3DLookupTableXY::UpdateZListHeadings() {
    if (m_lstZ.GetSafeHwnd() == nullptr) return;
    CResourceSwitch resources;
    const CString x = LoadLibraryString(kStrAxisX) + m_strXUnit;
    const CString z = LoadLibraryString(kStrAxisZ) + m_strZUnit;
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<char*>(static_cast<LPCTSTR>(x));
    m_lstZ.SetColumn(0, &column);
    column.pszText = const_cast<char*>(static_cast<LPCTSTR>(z));
    m_lstZ.SetColumn(1, &column);
    m_lstZ.Invalidate();
}

void CProp3DLookupTableXY::EnableListButtons(Axis axis) {
    CTBEditListCtrl& list = ListOf(axis);
    if (list.GetSafeHwnd() == nullptr) return;
    const int first = axis == Axis::X ? kCtlXDelete : kCtlYDelete;
    const bool selected = list.GetSelectedItem() >= 0;
    for (int id : {first, first + 2, first + 3})
        if (CWnd* button = GetDlgItem(id)) button->EnableWindow(selected);
    if (CWnd* button = GetDlgItem(first + 1)) button->EnableWindow(list.GetItemCount() > 0);
}

void CProp3DLookupTableXY::NewRow(Axis axis) {
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    const size_t end = axis == Axis::X ? m_grid.CountX() : m_grid.CountY();
    if (!WithinMemory(m_grid.PointsWith(axis, end + 1), [&] { m_grid.Insert(axis, end, 0.0); })) return;
    FillAxisList(axis);
    EnableListButtons(axis);
    if (axis == Axis::X) {
        FillZList();
    } else {
        SetModified(TRUE);
    }
}

void CProp3DLookupTableXY::OnXNew() { NewRow(Axis::X); }
void CProp3DLookupTableXY::OnYNew() { NewRow(Axis::Y); }

void CProp3DLookupTableXY::DeleteRow(Axis axis) {
    CTBEditListCtrl& list = ListOf(axis);
    const int row = list.GetSelectedItem();
    const size_t count = axis == Axis::X ? m_grid.CountX() : m_grid.CountY();
    if (row < 0 || static_cast<size_t>(row) >= count) return;
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    m_grid.Erase(axis, static_cast<size_t>(row));
    if (axis == Axis::Y) {
        if (m_nSelectedY == row) m_nSelectedY = -1;
        else if (m_nSelectedY > row) --m_nSelectedY;
    }
    FillAxisList(axis);
    if (list.GetItemCount() > 0) {
        const int next = row < list.GetItemCount() ? row : list.GetItemCount() - 1;
        list.SelectItem(next);
        if (axis == Axis::Y) m_nSelectedY = next;
    }
    FillZList();
    EnableListButtons(axis);
    SetModified(TRUE);
}

void CProp3DLookupTableXY::OnXDelete() { DeleteRow(Axis::X); }
void CProp3DLookupTableXY::OnYDelete() { DeleteRow(Axis::Y); }

void CProp3DLookupTableXY::DeleteAllRows(Axis axis) {
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    m_grid.Clear(axis);
    if (axis == Axis::Y) m_nSelectedY = -1;
    FillAxisList(axis);
    FillZList();
    EnableListButtons(axis);
    SetModified(TRUE);
}

void CProp3DLookupTableXY::OnXDeleteAll() { DeleteAllRows(Axis::X); }
void CProp3DLookupTableXY::OnYDeleteAll() { DeleteAllRows(Axis::Y); }

void CProp3DLookupTableXY::MoveRow(Axis axis, int delta) {
    CTBEditListCtrl& list = ListOf(axis);
    const int row = list.GetSelectedItem();
    if (row < 0) return;
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    if (!m_grid.Move(axis, static_cast<size_t>(row), delta)) return;
    const int other = row + delta;
    if (axis == Axis::Y) {
        if (m_nSelectedY == row) m_nSelectedY = other;
        else if (m_nSelectedY == other) m_nSelectedY = row;
    }
    FillAxisList(axis);
    list.SelectItem(other);
    FillZList();
    EnableListButtons(axis);
    SetModified(TRUE);
}

// The wizard's sweep dialog of the axis; on OK the axis is set or extended. A refused sweep
// (values that are not finite, or a grid that does not fit in memory) changes nothing.
void CProp3DLookupTableXY::Sweep(Axis axis) {
    if (m_pWizard == nullptr) return;
    CDlgSweepData& dialog = axis == Axis::X ? m_pWizard->XSweep() : m_pWizard->YSweep();
    INT_PTR answer = IDCANCEL;
    {
        CResourceSwitch resources;
        answer = dialog.DoModal();
    }
    if (answer != IDOK) return;
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    bool finite = true;
    const size_t kept = dialog.GetMode() == 0 ? 0 : (axis == Axis::X ? m_grid.CountX() : m_grid.CountY());
    const std::uint64_t values = static_cast<std::uint64_t>(std::max(TBExtended_atoi(dialog.GetCount()), 0)) + kept;
    if (!WithinMemory(m_grid.PointsWith(axis, values), [&] { finite = dialog.ApplyTo(m_grid, axis); })) return;
    if (!finite) {
        ShowMessage(LoadLibraryString(kStrInvalidValue));
        return;
    }
    if (axis == Axis::Y && m_nSelectedY >= static_cast<int>(m_grid.CountY())) m_nSelectedY = -1;
    if (axis == Axis::Y && dialog.GetMode() == 0) m_nSelectedY = -1;
    FillAxisList(axis);
    FillZList();
    EnableListButtons(axis);
}

void CProp3DLookupTableXY::OnMarkModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CProp3DLookupTableXY::OnFileNameFlag() {
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableFileControls();
}

void CProp3DLookupTableXY::OnUnitFlag() {
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableUnitEdits();
}

void CProp3DLookupTableXY::OnUnitHeading() {
    UpdateData(TRUE);
    SetModified(TRUE);
    UpdateZListHeadings();
}

// A cell committed in one of the three lists (the list sends this when an in-place edit
// ends, so the committed text is what is stored).
LRESULT CProp3DLookupTableXY::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    const int id = static_cast<int>(LOWORD(wParam));
    const int row = ListCellRow(lParam);
    if (id == kCtlXList) {
        EnableListButtons(Axis::X);
        if (row >= m_lstX.GetItemCount()) return 0;
        if (row < static_cast<int>(m_grid.CountX())) {
            const CString text = m_lstX.GetItemText(row, 0);
            m_grid.SetX(static_cast<size_t>(row), TBExtended_atof(text, ""));
            if (row < m_lstZ.GetItemCount()) m_lstZ.SetEditItemText(row, 0, text, TB_EDIT_NONE);
        }
    } else if (id == kCtlYList) {
        EnableListButtons(Axis::Y);
        if (row >= m_lstY.GetItemCount()) return 0;
        if (row < static_cast<int>(m_grid.CountY()))
            m_grid.SetY(static_cast<size_t>(row), TBExtended_atof(m_lstY.GetItemText(row, 0), ""));
    } else if (id == kCtlZList) {
        if (row >= m_lstZ.GetItemCount()) return 0;
        if (row < static_cast<int>(m_grid.CountX()) && m_nSelectedY >= 0 &&
            m_nSelectedY < static_cast<int>(m_grid.CountY()))
            m_grid.SetZ(static_cast<size_t>(row), static_cast<size_t>(m_nSelectedY),
                        TBExtended_atof(m_lstZ.GetItemText(row, 1), ""));
    }
    SetModified(TRUE);
    return 0;
}

// A row selected in a list: for the y list the z edits of the previous y are stored and the
// z list shows the newly selected y.
LRESULT CProp3DLookupTableXY::OnSelectionChanged(WPARAM wParam, LPARAM) {
    const int id = static_cast<int>(LOWORD(wParam));
    if (id == kCtlYList) {
        ReadZListFromControl();
        ReadYListFromControl();
        m_nSelectedY = m_lstY.GetSelectedItem();
        FillZList();
        m_focus = Axis::Y;
        EnableListButtons(Axis::Y);
    } else if (id == kCtlXList) {
        m_focus = Axis::X;
        EnableListButtons(Axis::X);
    }
    SetModified(TRUE);
    return 0;
}

Axis CProp3DLookupTableXY::FocusedAxis() const { return m_focus; }

void CProp3DLookupTableXY::OnContextMenu(CWnd* pWnd, CPoint point) {
    if (pWnd == &m_lstX) m_focus = Axis::X;
    else if (pWnd == &m_lstY) m_focus = Axis::Y;
    else return;
    qv::tablepage::TrackTableContextMenu(*this, point);
}

void CProp3DLookupTableXY::OnMenuNew() { NewRow(m_focus); }
void CProp3DLookupTableXY::OnMenuDelete() { DeleteRow(m_focus); }
void CProp3DLookupTableXY::OnMenuDeleteAll() { DeleteAllRows(m_focus); }
void CProp3DLookupTableXY::OnMenuMoveUp() { MoveRow(m_focus, -1); }
void CProp3DLookupTableXY::OnMenuMoveDown() { MoveRow(m_focus, 1); }

// The commands work on the list that had the focus last.
void CProp3DLookupTableXY::OnUpdateRowCommand(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, ListOf(m_focus)); }

// The grid is checked before anything leaves the page: a refused apply commits nothing, hands
// nothing to the wizard and writes no file.
BOOL CProp3DLookupTableXY::OnApply() {
    UpdateData(TRUE);
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    if (const UINT failure = CheckXYValues(m_grid)) {
        ShowCheckFailure(failure);
        return FALSE;
    }
    if (m_pWizard == nullptr || !CommitNameFirst()) return FALSE;
    ResolveFileName();
    UpdateData(FALSE);
    ForEachInput([&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdFileName) param->SetValue(m_strFileName);
        else if (param->GetValueID() == kIdInterpolation) param->SetValue(TBExtended_itoa(m_nInterpolation + 1));
        else if (param->GetValueID() == kIdVariable) param->SetValue(m_strVariable);
    });
    if (!WithinMemory(GridPoints(), [&] {
            qv::lookup3d::BuildPointsFromLists(m_grid, m_points, false);
            m_pWizard->SetData(GetState(), m_points);
        }))
        return FALSE;
    m_lstZ.SaveColumnWidths();
    if (!WriteFileAndCommit(true)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

// Loading only; data without a readable class record has no version DWORD.
void CProp3DLookupTableXY::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CProp3DLookupTableXY));
        return;
    }
    if (ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CProp3DLookupTableXY)) >= 1) {
        DWORD version = 0;
        ar >> version;
    }
    DWORD xFlag = 0, yFlag = 0, zFlag = 0, fileFlag = 0, count = 0;
    CString xUnit, yUnit, zUnit;
    ar >> xFlag >> yFlag >> zFlag >> xUnit >> yUnit >> zUnit >> fileFlag >> count;
    m_bXUnit = xFlag != 0;
    m_bYUnit = yFlag != 0;
    m_bZUnit = zFlag != 0;
    m_strXUnit = xUnit;
    m_strYUnit = yUnit;
    m_strZUnit = zUnit;
    m_bFileName = fileFlag != 0;
    ReadGridPoints(ar, count, m_points);
    if (m_pWizard != nullptr) {
        m_pWizard->XSweep().Serialize(ar);
        m_pWizard->YSweep().Serialize(ar);
    }
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        UpdateData(TRUE);
        SetModified(TRUE);
        EnableFileControls();
        EnableUnitEdits();
    }
}

// The block of the older wizard format: DWORD, DWORD, L1 bytes skipped, L2 bytes of page
// archive, L3 bytes skipped, L4 bytes of point block (x, z, y per point). Every field is read
// only while it fits in what remains.
void CProp3DLookupTableXY::ConvertWizard3Data(const void* data, long length) {
    const BYTE* base = static_cast<const BYTE*>(data);
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(base, size);
    DWORD unused = 0, l1 = 0, l2 = 0, l3 = 0, l4 = 0;
    if (in.ReadDword(unused) && in.ReadDword(unused) && in.ReadDword(l1) && in.SkipBytes(l1) && in.ReadDword(l2) &&
        in.Fits(l2)) {
        qv::pages::ReadArchivedBlock(in.Position(), l2, [this](CArchive& ar) { Serialize(ar); });
        in.SkipBytes(l2);
        if (in.ReadDword(l3) && in.SkipBytes(l3) && in.ReadDword(l4) && in.Fits(l4)) {
            const BYTE* cursor = in.Position();
            size_t left = l4;
            CPtrArray read;
            // The buffer replaces the points whenever bytes follow its count, so a count of 0
            // empties the table.
            if (Read3DDataPointsFromBuffer(&cursor, &left, &read, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr) &&
                l4 > 4) {
                DeletePoints(m_points);
                m_points.Append(read);
                read.RemoveAll();
            }
            DeletePoints(read);
        }
    }
    if (size == 0) ImportBareNamedFile();
    else BuildListsFromPoints();
    FillXList();
    FillYList();
    FillZList();
    if (m_pWizard != nullptr) m_pWizard->SetData(GetState(), m_points);
}

void CProp3DLookupTableXY::StoreDefaults(int argument) {
    if (m_points.GetSize() == 0) ImportBareNamedFile();
    if (argument != 0 && m_pWizard != nullptr) m_pWizard->SetData(GetState(), m_points);
}

BOOL CProp3DLookupTableXY::ImportFile(const CString& path) {
    CReadAndWriteFiles reader;
    if (!reader.ReadInfoFile(path, "", -1, nullptr, nullptr, 1, 0, 2)) {
        if (reader.GetLastErrorNumber() != 7) ShowMessage(reader.GetLastError());
        return FALSE;
    }
    if (reader.GetNrChannels() != 3) {
        ShowMessage(kOnlyThreeChannels);
        return FALSE;
    }
    // The reader has checked the item count against the file's bytes; a table that memory
    // cannot hold is refused with one message.
    const int n = reader.GetNrItems();
    if (n < 0) {
        ShowMessage(LoadLibraryString(kStrInvalidValue));
        return FALSE;
    }
    // The channels are x, z and y. A file refused, unreadable or holding points that are no
    // grid, leaves points, lists, units and format as they are (unsaved edits are kept): the
    // grid is checked before the page takes it, so that a refused file never becomes the
    // table's file.
    std::vector<double> columns[3];
    CPtrArray read;
    Grid grid;
    bool readable = true;
    UINT failure = 0;
    const bool fits = WithinMemory(static_cast<std::uint64_t>(n), [&] {
        try {
            qv::tables::RequireMemoryFor(static_cast<std::uint64_t>(n), kBytesPerPoint);
            readable = qv::pointtable::ReadChannelColumns(reader, n, columns);
            for (size_t k = 0; readable && k < static_cast<size_t>(n); ++k) {
                auto point = std::make_unique<C3DDataPoint>(columns[0][k], columns[2][k], columns[1][k]);
                read.Add(point.get());
                point.release();
            }
            if (readable) failure = qv::lookup3d::BuildListsFromPoints(grid, read);
        } catch (...) {
            DeletePoints(read);
            throw;
        }
    });
    if (!fits) return FALSE;
    if (!readable) {
        if (reader.GetLastErrorNumber() != 7) ShowMessage(reader.GetLastError());
        return FALSE;
    }
    if (failure != 0) {
        DeletePoints(read);
        ShowCheckFailure(failure);
        return FALSE;
    }
    DeletePoints(m_points);
    m_points.Append(read);
    m_grid = std::move(grid);
    if (m_nSelectedY >= static_cast<int>(m_grid.CountY())) m_nSelectedY = -1;
    // Each unit text is its channel's name with the unit in brackets, so that a file the page
    // wrote gives back the texts it was written from.
    m_strXUnit = qv::pointtable::AxisText(reader.GetChannel(0));
    m_strYUnit = qv::pointtable::AxisText(reader.GetChannel(2));
    m_strZUnit = qv::pointtable::AxisText(reader.GetChannel(1));
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    m_nFileFormat = reader.GetSaveVersion();
    FillXList();
    FillYList();
    FillZList();
    UpdateZListHeadings();
    return TRUE;
}

CWizardBase4* CProp3DLookupTableXY::Owner() const { return m_pWizard; }

// The name whose wildcards were replaced shows at once, before the table is written.
void CProp3DLookupTableXY::OnWildcardsReplaced(const CString& name) {
    m_strFileName = name;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

// The page's writes (apply, "Save as") split the unit texts into channel names and units; the
// data file of the model description is the wizard's (its channel names, the texts as units).
// A grid that fails its check is not written: the file would hold stale points.
BOOL CProp3DLookupTableXY::ExportFile(const CString& fileName, int format) {
    ReadXListFromControl();
    ReadYListFromControl();
    ReadZListFromControl();
    if (!BuildPointsFromLists()) return FALSE;
    const int n = static_cast<int>(m_points.GetSize());
    std::vector<double> xs(static_cast<size_t>(n) + 1), ys(static_cast<size_t>(n) + 1), zs(static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        xs[static_cast<size_t>(i)] = PointAt(m_points, i)->x;
        ys[static_cast<size_t>(i)] = PointAt(m_points, i)->y;
        zs[static_cast<size_t>(i)] = PointAt(m_points, i)->z;
    }
    CString xName, xUnit, yName, yUnit, zName, zUnit;
    SplitAxisText(m_strXUnit, xName, xUnit);
    SplitAxisText(m_strYUnit, yName, yUnit);
    SplitAxisText(m_strZUnit, zName, zUnit);
    CReadAndWriteFiles writer;
    writer.SetNrChannels(3);
    writer.SetNrItems(n);
    writer.InsertChannel(0, xs.data(), xName, xUnit);
    writer.InsertChannel(1, zs.data(), zName, zUnit);
    writer.InsertChannel(2, ys.data(), yName, yUnit);
    CString name;
    const std::optional<CString> path = DataFileTarget(fileName, format, name);
    if (!path) return FALSE;
    if (!writer.WriteFile(*path, "", m_nFileFormat, nullptr, nullptr, 0, 0)) {
        ShowMessage(writer.GetLastError());
        return FALSE;
    }
    TakeWrittenFile(*path);
    if (m_bFileName) m_strFileName = name;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    AnnounceFileWritten(RequestTarget(m_pWizard), *path);
    return TRUE;
}

void CProp3DLookupTableXY::OnBrowseRead() { ReadChosenDataFile(); }

void CProp3DLookupTableXY::OnBrowseWrite() { WriteChosenDataFile(); }

// ---------------------------------------------------------------------------------------
// C3DLookupTableWizard4

// The copy keeps table, units and channel names; its sweep settings start from the defaults.
C3DLookupTableWizard4::C3DLookupTableWizard4(const C3DLookupTableWizard4* other)
    : TPageWizard4(other),
      m_wSchema(other->m_wSchema),
      m_state(other->m_state),
      m_strXChannel(other->m_strXChannel),
      m_strYChannel(other->m_strYChannel),
      m_strZChannel(other->m_strZChannel) {
    CopyPoints(m_points, other->m_points);
}

// The page goes before the points it was given a copy of.
C3DLookupTableWizard4::~C3DLookupTableWizard4() {
    delete m_pPage;
    m_pPage = nullptr;
    DeletePoints(m_points);
}

void C3DLookupTableWizard4::SetData(const Table3DState& state, const CPtrArray& points) {
    m_state = state;
    CopyPoints(m_points, points);
}

void C3DLookupTableWizard4::PrepareEditing() { BuildCharacteristicSearchDirs(this); }

void C3DLookupTableWizard4::GiveSettingsToPage(CProp3DLookupTableXY& page) { page.SetData(m_state, m_points); }

// Loads the table from the named data file on a hidden page of its own; the page on the
// editor's sheet is never touched. The page starts from the wizard's flags and unit texts,
// so a file name the user chose stays the user's and units survive when no file is found.
BOOL C3DLookupTableWizard4::Initialize(int argument) {
    if (argument == 0) return TRUE;
    BuildCharacteristicSearchDirs(this);
    ScopedParamSet params{RequestTarget(this)};
    auto page = MakeHiddenPage(params.Cookie());
    if (!page) return TRUE;
    page->SetHidden(true);
    CPtrArray none;
    page->SetData(m_state, none);
    if (!page.Open(kTemplate)) return TRUE;
    page->StoreDefaults(argument);
    return TRUE;
}

int C3DLookupTableWizard4::WriteSimDescr(CFile* file, const CString& templ, CString&) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_points.GetSize() == 0) Initialize(1);
    // Stored points that form no grid are refused, as the page refuses them when it opens;
    // no table is written from them.
    if (m_points.GetSize() > 0) {
        if (const UINT fault = qv::lookup3d::CheckBlocks(m_points, nullptr)) {
            ReportErrorText(RequestTarget(this), LoadLibraryString(fault));
            return 4;
        }
    }
    ScopedParamSet params{RequestTarget(this)};
    ParamHolder* holder = params.Holder();
    BuildCharacteristicSearchDirs(this);
    if (!m_state.fileNameFlag) {
        SetParamValue(holder, kIdFileName, MakeDocumentFileName(this, ""));
        CommitParamSet(RequestTarget(this), params.Cookie());
    }
    SetModelOutputDirFromFile(file);
    WriteParamTableFile3D(holder, this, kIdFileName, &m_points, m_strXChannel, m_strYChannel, m_strZChannel,
                          m_state.xUnit, m_state.yUnit, m_state.zUnit);
    return 4;
}

void C3DLookupTableWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_state.fileNameFlag ? 1 : 0);
        ar << m_strXChannel << m_strYChannel << m_strZChannel;
        ar << m_state.xUnit << m_state.yUnit << m_state.zUnit;
        ar << static_cast<DWORD>(m_state.xUnitFlag ? 1 : 0) << static_cast<DWORD>(m_state.yUnitFlag ? 1 : 0)
           << static_cast<DWORD>(m_state.zUnitFlag ? 1 : 0);
        ar << static_cast<DWORD>(m_points.GetSize());
        for (INT_PTR i = 0; i < m_points.GetSize(); ++i) {
            // A missing point is stored as (0, 0, 0) so that the count stays true.
            C3DDataPoint empty;
            C3DDataPoint* point = PointAt(m_points, i);
            (point != nullptr ? point : &empty)->Serialize(ar);
        }
        m_xSweep.Serialize(ar);
        m_ySweep.Serialize(ar);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD fileName = 0, xFlag = 0, yFlag = 0, zFlag = 0, count = 0;
    Table3DState state;
    CString xChannel, yChannel, zChannel;
    ar >> fileName >> xChannel >> yChannel >> zChannel >> state.xUnit >> state.yUnit >> state.zUnit;
    ar >> xFlag >> yFlag >> zFlag >> count;
    state.fileNameFlag = fileName != 0;
    state.xUnitFlag = xFlag != 0;
    state.yUnitFlag = yFlag != 0;
    state.zUnitFlag = zFlag != 0;
    // Loading into a wizard that holds data replaces its list.
    ReadGridPoints(ar, count, m_points);
    m_state = state;
    SetChannelNames(xChannel, yChannel, zChannel);
    m_xSweep.Serialize(ar);
    m_ySweep.Serialize(ar);
}

// Runs on a hidden page of its own. No commit follows: the old data changes no parameter.
BOOL C3DLookupTableWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    BuildCharacteristicSearchDirs(this);
    auto page = MakeHiddenPage(params.Cookie());
    if (!page) return TRUE;
    page->SetHidden(true);
    if (!page.Open(kTemplate)) return TRUE;
    page->ConvertWizard3Data(data, length);
    return TRUE;
}
