#include "equations/lookup_table_2d.h"

#include "framework/immanent_template.h"
#include "framework/dialog_controls.h"
#include "framework/model_text_builders.h"
#include "framework/point_table_list.h"
#include "framework/table_list_page.h"
#include "framework/byte_cursor.h"
#include "framework/data_file_places.h"
#include "framework/listed_controls.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/path_parts.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/table_writers.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "win32/paths.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

IMPLEMENT_SERIAL(CProp2DLookupTableXY, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CProp2DLookupTableXY)
IMPLEMENT_DYNAMIC(C2DLookupTableWizard4, CWizardBase4)

using namespace qv::lookup2d;
using namespace qv::pointtable;
using namespace qv::dialog;

namespace {

constexpr int kCtlXUnitFlag = 2273;
constexpr int kCtlYUnitFlag = 2274;
constexpr int kCtlXUnit = 2275;
constexpr int kCtlYUnit = 2276;
constexpr int kUnitFlags[] = {kCtlXUnitFlag, kCtlYUnitFlag};
constexpr int kUnitTexts[] = {kCtlXUnit, kCtlYUnit};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 207}, {.id = 2273, .flags = 69},  {.id = 2274, .flags = 69},  {.id = 2275, .flags = 69},
    {.id = 2276, .flags = 69},  {.id = 2293, .flags = 5},   {.id = 2397, .flags = 5},   {.id = 2425, .flags = 69},
    {.id = 1122, .flags = 6},   {.id = 1123, .flags = 6},   {.id = 1124, .flags = 6},   {.id = 1125, .flags = 6},
    {.id = 1126, .flags = 6},   {.id = 2121, .flags = 15},  {.id = 2116, .flags = 6},   {.id = 2117, .flags = 6},
    {.id = 2118, .flags = 6},   {.id = 2119, .flags = 6},   {.id = 2217, .flags = 6},   {.id = 2120, .flags = 6},
    {.id = 2017, .flags = 11},  {.id = 2056, .flags = 9},
};

// The data file the model description writes names its channels "X" and "Y" and carries an
// axis text as the channel's unit while the axis's unit box is ticked (most axis texts are a
// unit alone, "V"). The page's own writes (apply, "Save as") split the axis texts into channel
// names and units instead, and reading a file joins them again ("xin" and "V" give "xin[V]").
// An axis text that names its channel itself ("xin[V]") is therefore split by the description
// too: as a unit it would come back from the file with one more pair of brackets ("X[xin[V]]"),
// and again at every description and reading.
constexpr char kChannelX[] = "X";
constexpr char kChannelY[] = "Y";
struct DescribedChannel {
    CString name;
    CString unit;
};
DescribedChannel DescriptionFileChannel(const char* name, BOOL flag, const CString& axisText) {
    if (!flag) return {name, CString()};
    if (axisText.Find('[') < 0) return {name, axisText};
    DescribedChannel channel;
    SplitAxisText(axisText, channel.name, channel.unit);
    return channel;
}
// The axis text a read channel gives, where the page holds `current` for it.
CString ImportedAxisText(const CExImPortChannel& channel, const char* describedName, BOOL flag, const CString& current) {
    const DescribedChannel described = DescriptionFileChannel(describedName, flag, current);
    if (channel.GetChannelName() == described.name && channel.GetUnitName() == described.unit) return current;
    return AxisText(&channel);
}

} // namespace

// ---------------------------------------------------------------------------------------
// CProp2DLookupTableXY

BEGIN_MESSAGE_MAP(CProp2DLookupTableXY, CPointTablePage)
    ON_BN_CLICKED(kCtlFileNameFlag, &CProp2DLookupTableXY::OnFileNameFlag)
    ON_LISTED_CONTROLS(BN_CLICKED, kUnitFlags, &CProp2DLookupTableXY::OnUnitFlag)
    ON_LISTED_CONTROLS(EN_CHANGE, kUnitTexts, &CProp2DLookupTableXY::OnUnitText)
    ON_BN_CLICKED(kCtlReferenceRadio, &CProp2DLookupTableXY::OnModeChanged)
    ON_BN_CLICKED(kCtlPairsRadio, &CProp2DLookupTableXY::OnModeChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlTable, &CProp2DLookupTableXY::OnListItemChanged)
END_MESSAGE_MAP()

CProp2DLookupTableXY::CProp2DLookupTableXY() : CPointTablePage(kTemplate, 0) {}

CProp2DLookupTableXY::CProp2DLookupTableXY(C2DLookupTableWizard4* wizard, DWORD_PTR cookie)
    : CPointTablePage(kTemplate, cookie), m_pWizard(wizard) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CProp2DLookupTableXY::Rebind(C2DLookupTableWizard4* wizard, DWORD_PTR cookie) {
    m_pWizard = wizard;
    m_cookie = cookie;
}

void CProp2DLookupTableXY::SetUnits(BOOL xFlag, BOOL yFlag, const CString& xUnit, const CString& yUnit) {
    m_bXUnit = xFlag;
    m_bYUnit = yFlag;
    m_strXUnit = xUnit;
    m_strYUnit = yUnit;
}

void CProp2DLookupTableXY::TakeFromWizard(const C2DLookupTableWizard4& wizard) {
    SetUnits(wizard.GetXUnitFlag(), wizard.GetYUnitFlag(), wizard.GetXUnit(), wizard.GetYUnit());
    m_bFileName = wizard.GetFileNameFlag();
    if (wizard.GetReferenceFlag()) m_dwFlags |= kFlagReference;
    else m_dwFlags &= ~kFlagReference;
    CopyPoints(m_points, wizard.Points());
    CopySnapshots(m_snapshots, wizard.Snapshots());
}

void CProp2DLookupTableXY::DoDataExchange(CDataExchange* pDX) {
    CPointTablePage::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlXUnitFlag, m_bXUnit);
    DDX_Check(pDX, kCtlYUnitFlag, m_bYUnit);
    DDX_Text(pDX, kCtlXUnit, m_strXUnit);
    DDX_Text(pDX, kCtlYUnit, m_strYUnit);
}

BOOL CProp2DLookupTableXY::OnInitDialog() {
    OpenTableDialog(m_strXUnit, m_strYUnit);
    ReadNameAndInputs([&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdFileName) m_strFileName = param->GetValue();
        else if (param->GetValueID() == kIdReference) m_strReference = param->GetValue();
        else if (param->GetValueID() == kIdOldFileFlag) TakeOldFlag(param, m_bFileName);
    });
    GetSDBOutput(Holder(), kIdOutput, &m_bOutput);
    CheckRadioButton(kCtlReferenceRadio, kCtlPairsRadio, (m_dwFlags & kFlagReference) ? kCtlReferenceRadio : kCtlPairsRadio);
    UpdateData(FALSE);
    EnableUnitEdits();
    if (!m_strFileName.IsEmpty()) ImportNamedFile();
    FillList();
    UpdateColumnHeaders();
    if (!m_bFileName && m_pWizard != nullptr) m_strFileName = MakeDocumentFileName(m_pWizard, "");
    UpdateData(FALSE);
    OnModeChanged();
    ShowMonotonyWarning();
    SetModified(FALSE);
    return TRUE;
}

void CProp2DLookupTableXY::UpdateColumnHeaders() {
    // The cells take numbers in the units the columns name (a unit of another quantity is
    // refused); without a unit, plain numbers.
    CString x = m_strXUnit, y = m_strYUnit;
    m_cellUnits = {NumberCellUnit("", x.Trim()), NumberCellUnit("", y.Trim())};
    qv::pointtable::SetCellUnits(m_lstTable, m_cellUnits);
    if (m_lstTable.GetSafeHwnd() == nullptr) return;
    CResourceSwitch resources;
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    x = LoadLibraryString(kStrAxisX) + m_strXUnit;
    y = LoadLibraryString(kStrAxisY) + m_strYUnit;
    column.pszText = const_cast<char*>(static_cast<LPCTSTR>(x));
    m_lstTable.SetColumn(1, &column);
    column.pszText = const_cast<char*>(static_cast<LPCTSTR>(y));
    m_lstTable.SetColumn(2, &column);
}

void CProp2DLookupTableXY::EnableParamEdits() {
    const bool reference = (m_dwFlags & kFlagReference) != 0;
    if (CWnd* edit = GetDlgItem(kCtlReference)) edit->EnableWindow(reference && IsParamNotOnPin(Holder(), kIdReference));
}

void CProp2DLookupTableXY::OnModeChanged() {
    if (GetSafeHwnd() == nullptr) return;
    const bool reference = GetCheckedRadioButton(kCtlReferenceRadio, kCtlPairsRadio) == kCtlReferenceRadio;
    if (reference) m_dwFlags |= kFlagReference;
    else m_dwFlags &= ~kFlagReference;
    ApplyMode();
}

// Radios and enabling from the flag word, without reading the radios.
void CProp2DLookupTableXY::ApplyMode() {
    if (GetSafeHwnd() == nullptr) return;
    const bool reference = (m_dwFlags & kFlagReference) != 0;
    CheckRadioButton(kCtlReferenceRadio, kCtlPairsRadio, reference ? kCtlReferenceRadio : kCtlPairsRadio);
    for (int id : {kCtlTable, kCtlNew, kCtlDelete, kCtlDeleteAll, kCtlMoveUp, kCtlMoveDown, kCtlFileNameFlag, kCtlImport,
                   kCtlShow, kCtlWarning})
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(!reference);
    for (int id : {static_cast<int>(kIdFileName), kCtlExport})
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(!reference && m_bFileName);
    EnableParamEdits();
}

void CProp2DLookupTableXY::OnFileNameFlag() {
    UpdateData(TRUE);
    OnModeChanged();
    SetModified(TRUE);
}

void CProp2DLookupTableXY::EnableUnitEdits() {
    if (CWnd* x = GetDlgItem(kCtlXUnit)) x->EnableWindow(m_bXUnit);
    if (CWnd* y = GetDlgItem(kCtlYUnit)) y->EnableWindow(m_bYUnit);
}

void CProp2DLookupTableXY::OnUnitFlag() {
    UpdateData(TRUE);
    EnableUnitEdits();
    SetModified(TRUE);
}

void CProp2DLookupTableXY::OnUnitText() {
    UpdateData(TRUE);
    UpdateColumnHeaders();
    SetModified(TRUE);
}

void CProp2DLookupTableXY::OnNewRow() { AppendZeroRow(); }

void CProp2DLookupTableXY::MoveRow(int delta) {
    int row = 0, other = 0;
    if (!SwapSelectedPoint(delta, row, other)) return;
    for (int r : {row, other}) {
        m_lstTable.SetItemText(r, 1, TBExtended_ftoa(PointAt(m_points, r)->x, -1, 0, ""));
        m_lstTable.SetItemText(r, 2, TBExtended_ftoa(PointAt(m_points, r)->y, -1, 0, ""));
    }
    m_lstTable.SelectItem(other);
    qv::pointtable::RenumberPointRows(m_lstTable, 0);
    ShowMonotonyWarning();
    SetModified(TRUE);
}

LRESULT CProp2DLookupTableXY::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    TakeEditedCell(wParam, lParam);
    return 0;
}

// The curve preview draws a copy of the table, refreshed on "Show" ("Update" while it is open)
// and when the preview asks for it.
void CProp2DLookupTableXY::RemakePreviewPoints() { CopyPoints(m_previewPoints, m_points); }

void CProp2DLookupTableXY::OnShow() {
    UpdateData(TRUE);
    SetModified(TRUE);
    ShowPreview(m_strXUnit, m_strYUnit);
}

void CProp2DLookupTableXY::OnListItemChanged(NMHDR*, LRESULT* pResult) {
    SetModified(TRUE);
    if (pResult != nullptr) *pResult = 0;
}

void CProp2DLookupTableXY::UpdateParameterFlags() {
    if (GetSafeHwnd() != nullptr) {
        if (m_bFileName) m_dwFlags |= kFlagUserFileName;
        if (GetCheckedRadioButton(kCtlReferenceRadio, kCtlPairsRadio) == kCtlReferenceRadio) m_dwFlags |= kFlagReference;
    }
    MarkFileParameters((m_dwFlags & kFlagReference) != 0);
}

void CProp2DLookupTableXY::SnapshotParameters() {
    DeleteSnapshots(m_snapshots);
    auto* snapshot = new CCopaObjectCompare;
    snapshot->SetFrom(FindParamByName(Holder(), "FILE"));
    if (m_dwFlags & kFlagReference) snapshot->SetName("@FILE");
    m_snapshots.Add(snapshot);
}

void CProp2DLookupTableXY::HandOver() {
    if (m_pWizard == nullptr) return;
    m_pWizard->TakeFromPage(m_bFileName, m_dwFlags, m_points, m_snapshots);
    m_pWizard->SetUnits(m_bXUnit, m_bYUnit, m_strXUnit, m_strYUnit);
}

BOOL CProp2DLookupTableXY::CheckTable(CString& message) const {
    const UINT failure = CheckTableOrder(m_points);
    if (failure == 0) return TRUE;
    CResourceSwitch resources;
    message = LoadLibraryString(failure);
    return FALSE;
}

// The table is checked before anything leaves the page: a refused apply changes neither the
// parameter set, nor the wizard, nor a data file. The set is committed once with the element's
// name and once more with the file parameters, after the data file is written.
BOOL CProp2DLookupTableXY::OnApply() {
    UpdateData(TRUE);
    OnModeChanged();
    const bool reference = (m_dwFlags & kFlagReference) != 0;
    CString message;
    if (!reference && !CheckTable(message)) {
        ShowMessage(message);
        return FALSE;
    }
    if (!CommitNameFirst()) return FALSE;
    ResolveFileName();
    WriteFileParameters();
    if (m_bFileName) m_dwFlags |= kFlagUserFileName;
    UpdateParameterFlags();
    if (!HandOverAndCommit(reference)) return FALSE;
    // An open preview draws the table as it is now; a closed one is left alone.
    RedrawOpenPreview();
    return EndApply();
}

void CProp2DLookupTableXY::LoadData(bool handOver) {
    if (GetSafeHwnd() != nullptr)
        m_dwFlags = GetCheckedRadioButton(kCtlReferenceRadio, kCtlPairsRadio) == kCtlReferenceRadio ? kFlagReference : 0;
    if (m_bFileName) ImportNamedFile();
    SnapshotParameters();
    if (handOver) HandOver();
}

void CProp2DLookupTableXY::Serialize(CArchive& ar) {
    if (ar.IsStoring()) return;
    DWORD version = 0;
    try {
        ar.SerializeClass(RUNTIME_CLASS(CProp2DLookupTableXY));
        if (ar.GetObjectSchema() >= 1) ar >> version;
    } catch (CArchiveException* e) {
        e->Delete();
    }
    DWORD xFlag = 0, yFlag = 0, fileFlag = 0, count = 0;
    CString xUnit, yUnit;
    ar >> xFlag >> yFlag >> xUnit >> yUnit >> fileFlag >> count;
    SetUnits(xFlag != 0, yFlag != 0, xUnit, yUnit);
    m_bFileName = fileFlag != 0;
    DeletePoints(m_points);
    // A count is believed only as far as the archive holds points: each point reads its own
    // record, and the archive ends the loop with an exception when it runs out.
    ReadArchivedPoints(ar, count, m_points);
    if (version >= 5) ar >> m_dwConverted;
    if (m_dwConverted == 0) ConvertOldFileParameter();
    if (GetSafeHwnd() != nullptr) {
        FillList();
        UpdateData(FALSE);
        ApplyMode();
        EnableUnitEdits();
    }
}

// The file parameters are marked before the reference takes the file name and the set is
// committed.
void CProp2DLookupTableXY::ConvertOldFileParameter() {
    if (!TakeOldFilePin(m_dwFlags)) return;
    const bool reference = (m_dwFlags & kFlagReference) != 0;
    MarkFileParameters(reference);
    if (reference) CopyFileNameToReference();
    m_dwConverted = 1;
}

// The block of the older wizard generation (see ReadOlderTableBlock).
void CProp2DLookupTableXY::TakeOlderFlags(DWORD flags) {
    m_dwFlags = flags;
    m_bFileName = (flags & kFlagUserFileName) != 0;
}

// Its point block: a DWORD n and n pairs of doubles.
void CProp2DLookupTableXY::TakeOlderPoints(const BYTE* block, size_t size) {
    qv::bytes::Reader table(block, size);
    DWORD n = 0;
    if (!table.ReadDword(n) || !table.Fits(static_cast<uint64_t>(n) * 16)) return;
    DeletePoints(m_points);
    for (DWORD i = 0; i < n; ++i) {
        double x = 0, y = 0;
        table.ReadDouble(x);
        table.ReadDouble(y);
        m_points.Add(new CDataPoint(x, y));
    }
}

void CProp2DLookupTableXY::StoreToWizard(const void* data, long length) {
    ReadOlderTableBlock(data, length);
    if (GetSafeHwnd() != nullptr) {
        FillList();
        ApplyMode();
    }
    SnapshotParameters();
    HandOver();
}

CWizardBase4* CProp2DLookupTableXY::Owner() const { return m_pWizard; }

void CProp2DLookupTableXY::ChannelNames(CString& xName, CString& xUnit, CString& yName, CString& yUnit) const {
    SplitAxisText(m_strXUnit, xName, xUnit);
    SplitAxisText(m_strYUnit, yName, yUnit);
}

// A read data file names the axes: each channel's name, with its unit in brackets, so that a
// file the page wrote gives back the axis texts it was written from. A file the description
// wrote from the axis texts the page holds gives back those texts: the page, opened after a
// description, would otherwise take "X[V]" for the axis "V" and store it at the next OK.
void CProp2DLookupTableXY::TakeImportedAxes(const CExImPortChannel& x, const CExImPortChannel& y) {
    m_strXUnit = ImportedAxisText(x, kChannelX, m_bXUnit, m_strXUnit);
    m_strYUnit = ImportedAxisText(y, kChannelY, m_bYUnit, m_strYUnit);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    UpdateColumnHeaders();
}

void CProp2DLookupTableXY::OnBrowseRead() {
    if (ReadChosenDataFile()) ShowMonotonyWarning();
}

void CProp2DLookupTableXY::OnBrowseWrite() { WriteChosenDataFile(); }

// ---------------------------------------------------------------------------------------
// C2DLookupTableWizard4

C2DLookupTableWizard4::C2DLookupTableWizard4(const C2DLookupTableWizard4* other)
    : TPointTableWizard4(other),
      m_bXUnit(other->m_bXUnit),
      m_bYUnit(other->m_bYUnit),
      m_strXUnit(other->m_strXUnit),
      m_strYUnit(other->m_strYUnit),
      m_bReference(other->m_bReference) {}

void C2DLookupTableWizard4::SetUnits(BOOL xFlag, BOOL yFlag, const CString& xUnit, const CString& yUnit) {
    m_bXUnit = xFlag;
    m_bYUnit = yFlag;
    m_strXUnit = xUnit;
    m_strYUnit = yUnit;
}

void C2DLookupTableWizard4::TakeFromPage(BOOL fileNameFlag, DWORD flagWord, const CPtrArray& points,
                                         const CPtrArray& snapshots) {
    m_bReference = (flagWord & kFlagReference) != 0;
    TakeTable(fileNameFlag, points, snapshots);
}

int C2DLookupTableWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_snapshots.GetSize() == 0) Initialize(0);
    ScopedParamSet params{RequestTarget(this)};
    ParamHolder* holder = params.Holder();
    CCopaObjectCompare* pending = nullptr;
    BuildPinAssignmentList(modelText, &m_snapshots, m_bReference ? kModeNoQuotes : 0, holder, &pending);
    if (!m_bFileName && !m_bReference) {
        SetParamValue(holder, kIdFileName, MakeDocumentFileName(this, ""));
        CommitParamSet(RequestTarget(this), params.Cookie());
    }
    if (!m_bReference) {
        SetModelOutputDirFromFile(file);
        const DescribedChannel x = DescriptionFileChannel(kChannelX, m_bXUnit, m_strXUnit);
        const DescribedChannel y = DescriptionFileChannel(kChannelY, m_bYUnit, m_strYUnit);
        WriteParamCharacteristicFile(holder, this, kIdFileName, &m_points, x.name, y.name, x.unit, y.unit);
    }
    if (pending != nullptr) {
        CString value;
        if (!GetParamValue(holder, kIdReference, &value)) GetParamValue(holder, kIdFileName, &value);
        ReplacePlaceholder(modelText, "@FILE", FileReferenceEntry(value), 0);
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}

void C2DLookupTableWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_bFileName ? 1 : 0) << static_cast<DWORD>(m_bReference ? 1 : 0);
        ar << static_cast<DWORD>(m_bXUnit ? 1 : 0) << static_cast<DWORD>(m_bYUnit ? 1 : 0);
        ar << m_strXUnit << m_strYUnit;
        qv::pointtable::StorePointsAndSnapshots(ar, m_points, m_snapshots);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD fileName = 0, reference = 0, xFlag = 0, yFlag = 0;
    ar >> fileName >> reference >> xFlag >> yFlag >> m_strXUnit >> m_strYUnit;
    m_bFileName = fileName != 0;
    m_bReference = reference != 0;
    m_bXUnit = xFlag != 0;
    m_bYUnit = yFlag != 0;
    // Loading into a wizard that holds data replaces its lists.
    LoadPointsAndSnapshots(ar, m_points, m_snapshots);
}

// The hidden page starts empty: the older block alone makes the table.
BOOL C2DLookupTableWizard4::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderTable(data, length, false, [this](const CProp2DLookupTableXY& page) {
        m_bFileName = page.GetFileNameFlag();
        m_bReference = (page.GetFlagWord() & kFlagReference) != 0;
    });
}

// The 4.x block's pairs (see Read4xPoints); a readable data file named by parameter 2117
// with two channels or more replaces them.
BOOL C2DLookupTableWizard4::DoConversionFrom4x(void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    if (data == nullptr || length <= 0) return TRUE;
    ParamHolder* holder = params.Holder();
    // Points that do not fit leave the table as it is.
    CPtrArray read;
    if (Read4xPoints(static_cast<const BYTE*>(data), static_cast<size_t>(length), read)) {
        DeletePoints(m_points);
        m_points.Append(read);
    }
    CString path;
    if (FindNamedDataFile(this, holder, path)) {
        CReadAndWriteFiles reader;
        // Further channels are left unread.
        if (reader.ReadInfoFile(path, "", -1, nullptr, nullptr, 0, 0, 2) && reader.GetNrChannels() >= 2)
            ReadPointChannels(reader, reader.GetNrItems(), m_points);
    }
    m_bFileName = TRUE;
    auto* snapshot = new CCopaObjectCompare;
    snapshot->SetFrom(FindParamByName(holder, "FILE"));
    m_snapshots.Add(snapshot);
    CommitParamSet(RequestTarget(this), params.Cookie());
    return TRUE;
}
