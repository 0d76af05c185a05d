#include "timefunctions/data_pairs.h"

#include "framework/immanent_template.h"
#include "framework/dialog_controls.h"
#include "framework/point_table_list.h"
#include "framework/table_list_page.h"
#include "framework/byte_cursor.h"
#include "framework/data_file_places.h"
#include "framework/dialog_rects.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/shown_unit.h"
#include "framework/table_writers.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"
#include "win32/paths.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

IMPLEMENT_SERIAL(CPropTFMDataPairs, CTBPropertyPage, VERSIONABLE_SCHEMA | 10)
PARVEL_VERSIONED_CLASS(CPropTFMDataPairs)
IMPLEMENT_DYNAMIC(CTFMDataPairsWizard4, CWizardBase4)

using namespace qv::datapairs;
using namespace qv::pointtable;
using namespace qv::dialog;

namespace {

constexpr int kCtlInterpolation = 2215;
constexpr int kCtlPeriodFlag = 2205;
constexpr UINT kMsgCellQuery = 2026;
// The delay, phase and period with the delay's and phase's unit lists: changing one marks the
// page modified. The period's list also derives the period again.
constexpr WORD kWaveFields[] = {kIdDelay, kIdPhase, kIdPeriod};
constexpr int kWaveUnits[] = {kCtlPhaseUnit, kCtlDelayUnit};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 207}, {.id = 2214, .flags = 5},  {.id = 2215, .flags = 69}, {.id = 2039, .flags = 5},
    {.id = 2040, .flags = 69}, {.id = 2205, .flags = 5},   {.id = 2038, .flags = 69}, {.id = 2041, .flags = 20},
    {.id = 2042, .flags = 70}, {.id = 2048, .flags = 20},  {.id = 2049, .flags = 70}, {.id = 2510, .flags = 48},
    {.id = 2512, .flags = 48}, {.id = 2513, .flags = 34},  {.id = 2293, .flags = 5},  {.id = 2397, .flags = 5},
    {.id = 2425, .flags = 69}, {.id = 1122, .flags = 6},   {.id = 1123, .flags = 6},  {.id = 1124, .flags = 6},
    {.id = 1125, .flags = 6},  {.id = 1126, .flags = 6},   {.id = 2121, .flags = 15}, {.id = 2116, .flags = 6},
    {.id = 2117, .flags = 6},  {.id = 2118, .flags = 6},   {.id = 2119, .flags = 6},  {.id = 2217, .flags = 6},
    {.id = 2120, .flags = 6},  {.id = 2017, .flags = 11},  {.id = 2056, .flags = 9},
};

} // namespace

namespace qv::datapairs {

void MakePreviewPoints(const CPtrArray& table, bool steps, CPtrArray& preview) {
    DeletePoints(preview);
    auto add = [&](double t, double y) {
        if (std::isfinite(t) && std::isfinite(y)) preview.Add(new CDataPoint(t, y));
    };
    for (int i = 0; i < table.GetSize(); ++i) {
        const CDataPoint* point = PointAt(table, i);
        add(point->x, point->y);
        if (steps && i + 1 < table.GetSize()) add(PointAt(table, i + 1)->x, point->y);
    }
}

} // namespace qv::datapairs

// ---------------------------------------------------------------------------------------
// CPropTFMDataPairs

BEGIN_MESSAGE_MAP(CPropTFMDataPairs, CPointTablePage)
    ON_CBN_SELCHANGE(kCtlInterpolation, &CPropTFMDataPairs::OnMarkModified)
    ON_CBN_KILLFOCUS(kCtlInterpolation, &CPropTFMDataPairs::OnInterpolationLeft)
    ON_CBN_SELCHANGE(kIdPeriodical, &CPropTFMDataPairs::OnMarkModified)
    ON_CBN_KILLFOCUS(kIdPeriodical, &CPropTFMDataPairs::OnMarkModified)
    ON_BN_CLICKED(kCtlFileNameFlag, &CPropTFMDataPairs::OnFileNameFlag)
    ON_BN_CLICKED(kCtlPeriodFlag, &CPropTFMDataPairs::OnPeriodFlag)
    ON_BN_CLICKED(kCtlReferenceRadio, &CPropTFMDataPairs::OnModeRadio)
    ON_BN_CLICKED(kCtlPairsRadio, &CPropTFMDataPairs::OnModeRadio)
    ON_LISTED_CONTROLS(EN_CHANGE, kWaveFields, &CPropTFMDataPairs::OnMarkModified)
    ON_LISTED_CONTROLS(CBN_SELCHANGE, kWaveUnits, &CPropTFMDataPairs::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlPeriodUnit, &CPropTFMDataPairs::OnPeriodUnit)
    ON_MESSAGE(kMsgCellQuery, &CPropTFMDataPairs::OnCellQuery)
END_MESSAGE_MAP()

CPropTFMDataPairs::CPropTFMDataPairs() : CPointTablePage(kTemplate, 0) {}

CPropTFMDataPairs::CPropTFMDataPairs(CTFMDataPairsWizard4* wizard, DWORD_PTR cookie)
    : CPointTablePage(kTemplate, cookie), m_pWizard(wizard) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropTFMDataPairs::Rebind(CTFMDataPairsWizard4* wizard, DWORD_PTR cookie) {
    m_pWizard = wizard;
    m_cookie = cookie;
}

void CPropTFMDataPairs::TakeFromWizard(const CTFMDataPairsWizard4& wizard) {
    m_bPeriod = wizard.GetPeriodFlag();
    m_bFileName = wizard.GetFileNameFlag();
    m_dwMode = wizard.GetModeWord();
    CopyPoints(m_points, wizard.Points());
    CopySnapshots(m_snapshots, wizard.Snapshots());
}

void CPropTFMDataPairs::EnableControl(int id, bool enable) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}

void CPropTFMDataPairs::DoDataExchange(CDataExchange* pDX) {
    CPointTablePage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlPhaseUnit, m_cmbPhaseUnit);
    DDX_Control(pDX, kCtlPeriodUnit, m_cmbPeriodUnit);
    DDX_Control(pDX, kCtlDelayUnit, m_cmbDelayUnit);
    DDX_Control(pDX, kIdPeriodical, m_cmbPeriodical);
    DDX_Control(pDX, kCtlInterpolation, m_cmbInterpolation);
    DDX_Check(pDX, kCtlPeriodFlag, m_bPeriod);
    DDX_Text(pDX, kIdDelay, m_strDelay);
    DDX_Text(pDX, kIdPhase, m_strPhase);
    DDX_Text(pDX, kIdPeriod, m_strPeriod);
}

// Parameters 1000 and 1001 of older data are taken over once and then marked "-1".
void CPropTFMDataPairs::TakeOldParameters() {
    ParamHolder* holder = Holder();
    CWizardCopaObject3* mode = FindParamByValueID(holder, kIdOldMode);
    if (mode != nullptr && TBExtended_atoi(mode->GetValue()) >= 0) {
        m_dwMode = static_cast<DWORD>(TBExtended_atoi(mode->GetValue()));
        if (m_cmbInterpolation.GetSafeHwnd() != nullptr)
            m_cmbInterpolation.SetCurSel(static_cast<int>(m_dwMode & ~(kFlagReference | kFlagUserFileName)));
        SetParamUsePin(holder, kIdOldMode, FALSE);
        mode->SetValue("-1");
    }
    BOOL on = FALSE;
    if (TakeOldFlag(FindParamByValueID(holder, kIdOldFlags), on)) {
        m_bFileName = on;
        m_bPeriod = on;
    }
}

// The mode word from the interpolation list and the radios; a list without a selection
// keeps the interpolation held.
void CPropTFMDataPairs::ModeFromControls() {
    if (GetSafeHwnd() == nullptr) return;
    const int selection = m_cmbInterpolation.GetCurSel();
    DWORD mode = selection >= 0 ? static_cast<DWORD>(selection) : (m_dwMode & ~(kFlagReference | kFlagUserFileName));
    if (GetCheckedRadioButton(kCtlReferenceRadio, kCtlPairsRadio) == kCtlReferenceRadio) mode |= kFlagReference;
    m_dwMode = mode;
}

void CPropTFMDataPairs::ShowModeInControls() {
    if (GetSafeHwnd() == nullptr) return;
    m_cmbInterpolation.SetCurSel(static_cast<int>(m_dwMode & ~(kFlagReference | kFlagUserFileName)));
    CheckRadioButton(kCtlReferenceRadio, kCtlPairsRadio, (m_dwMode & kFlagReference) ? kCtlReferenceRadio : kCtlPairsRadio);
    SwitchMode();
}

void CPropTFMDataPairs::SwitchMode() {
    if (GetSafeHwnd() == nullptr) return;
    const bool reference = (m_dwMode & kFlagReference) != 0;
    for (int id : {kCtlTable, kCtlNew, kCtlDelete, kCtlDeleteAll, kCtlMoveUp, kCtlMoveDown, kCtlFileNameFlag, kCtlImport,
                   kCtlShow, kCtlWarning})
        EnableControl(id, !reference);
    for (int id : {static_cast<int>(kIdFileName), kCtlExport}) EnableControl(id, !reference && m_bFileName);
    EnableParamEdits();
}

void CPropTFMDataPairs::EnableParamEdits() {
    if (GetSafeHwnd() == nullptr) return;
    ParamHolder* holder = Holder();
    const bool reference = (m_dwMode & kFlagReference) != 0;
    EnableControl(kIdDelay, IsParamNotOnPin(holder, kIdDelay) == 1);
    EnableControl(kIdPhase, IsParamNotOnPin(holder, kIdPhase) == 1);
    EnableControl(kIdPeriodical, IsParamNotOnPin(holder, kIdPeriodical) == 1);
    EnableControl(kIdPeriod, m_bPeriod && IsParamNotOnPin(holder, kIdPeriod) == 1);
    EnableControl(kCtlReference, reference && IsParamNotOnPin(holder, kIdReference) == 1);
}

BOOL CPropTFMDataPairs::OnInitDialog() {
    OpenTableDialog(m_strXLabel, m_strYLabel);
    m_cmbInterpolation.SetCurSel(0);
    m_cmbPeriodical.SetCurSel(0);
    for (CTBUnitComboBox* units : {&m_cmbPhaseUnit, &m_cmbPeriodUnit, &m_cmbDelayUnit}) units->DisableFlatLook(TRUE);
    ParamHolder* holder = Holder();
    ReadNameAndInputs([&](CWizardCopaObject3* param) {
        auto fill = [&](CString& text, CTBUnitComboBox& units) {
            text = param->GetValue();
            qv::pages::ShowUnitsOf(units, param);
        };
        switch (param->GetValueID()) {
        case kIdDelay: fill(m_strDelay, m_cmbDelayUnit); break;
        case kIdPeriod: fill(m_strPeriod, m_cmbPeriodUnit); break;
        case kIdPhase: fill(m_strPhase, m_cmbPhaseUnit); break;
        case kIdPeriodical: m_cmbPeriodical.SetCurSel(TBExtended_atof(param->GetValue(), "") == 0 ? 1 : 0); break;
        case kIdFileName: m_strFileName = param->GetValue(); break;
        case kIdReference: m_strReference = param->GetValue(); break;
        default: break;
        }
    });
    TakeOldParameters();
    GetSDBOutput(holder, kIdOutput, &m_bOutput);
    UpdateData(FALSE);
    ShowModeInControls();
    if (m_bFileName) ImportNamedFile();
    FillList();
    if (!m_bFileName && m_pWizard != nullptr) m_strFileName = MakeDocumentFileName(m_pWizard, "");
    UpdateData(FALSE);
    SwitchMode();
    ShowMonotonyWarning();
    SetModified(FALSE);
    return TRUE;
}

// The page's symbol shows the chosen interpolation at once; the element's symbol changes on
// apply, with the rest of the page.
void CPropTFMDataPairs::OnInterpolationLeft() {
    UpdateData(TRUE);
    SetModified(TRUE);
    const int selection = m_cmbInterpolation.GetCurSel();
    if (selection >= 0 && selection < 8)
        InvalidateDlgItemRect(m_pSymbol, static_cast<BYTE>(1u << selection), kCtlSymbolFrame, this);
}

void CPropTFMDataPairs::OnFileNameFlag() {
    UpdateData(TRUE);
    if ((m_dwMode & kFlagReference) == 0)
        for (int id : {static_cast<int>(kIdFileName), kCtlExport}) EnableControl(id, m_bFileName);
    SetModified(TRUE);
}

void CPropTFMDataPairs::OnPeriodFlag() {
    UpdateData(TRUE);
    EnableControl(kIdPeriod, m_bPeriod && IsParamNotOnPin(Holder(), kIdPeriod) == 1);
    SetModified(TRUE);
}

void CPropTFMDataPairs::OnPeriodUnit() {
    SetModified(TRUE);
    if (DeriveShownPeriod()) SetDlgItemText(kIdPeriod, m_strPeriod);
}

// Without "Period" the period is the t of the last row (or, without one, the last t the
// monotony check found). The table's t is in seconds, the column "t[s]" says, and the period
// is shown in the unit its list shows; in seconds the cell's text stands as typed. A period
// shown already with the same number keeps its text: the list, filled again as the page
// opens, writes the t it was typed as ("2m") as a plain number, and the next OK would store
// another text than the one stored.
bool CPropTFMDataPairs::DeriveShownPeriod() {
    if (m_bPeriod) return false;
    CString last;
    if (m_lstTable.GetSafeHwnd() != nullptr && m_lstTable.GetItemCount() > 0)
        last = m_lstTable.GetItemText(m_lstTable.GetItemCount() - 1, 1);
    if (last.IsEmpty()) last = TBExtended_ftoa(m_dLastT, -1, 0, "");
    const TypedValue shown = qv::pages::TypedAsShown(FindParamByValueID(Holder(), kIdPeriod), m_strPeriod, &m_cmbPeriodUnit);
    const CString derived = FromSimulatorUnit(last, shown);
    double before = 0.0;
    double after = 0.0;
    if (!qv::ParsePrefixedNumber(m_strPeriod, &before) || !qv::ParsePrefixedNumber(derived, &after) || before != after)
        m_strPeriod = derived;
    return true;
}

void CPropTFMDataPairs::OnModeRadio() {
    UpdateData(TRUE);
    ModeFromControls();
    SwitchMode();
    SetModified(TRUE);
}

void CPropTFMDataPairs::OnNewRow() {
    AppendZeroRow();
    SetModified(TRUE);
}

void CPropTFMDataPairs::MoveRow(int delta) {
    int row = 0, other = 0;
    if (!SwapSelectedPoint(delta, row, other)) return;
    // The rows swap their texts with their points.
    const CString t0 = m_lstTable.GetItemText(row, 1), y0 = m_lstTable.GetItemText(row, 2);
    m_lstTable.SetItemText(row, 1, m_lstTable.GetItemText(other, 1));
    m_lstTable.SetItemText(row, 2, m_lstTable.GetItemText(other, 2));
    m_lstTable.SetItemText(other, 1, t0);
    m_lstTable.SetItemText(other, 2, y0);
    m_lstTable.SelectItem(other);
    ShowMonotonyWarning();
    SetModified(TRUE);
}

// A cell edit: wParam names the list, lParam the cell (ListCellRow, ListCellColumn). Rows the
// list does not show are not taken.
LRESULT CPropTFMDataPairs::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    if (ListCellRow(lParam) < m_lstTable.GetItemCount() && TakeEditedCell(wParam, lParam)) SetModified(TRUE);
    return 0;
}

// The table's query message is answered with 0: every cell may be edited.
LRESULT CPropTFMDataPairs::OnCellQuery(WPARAM, LPARAM) { return 0; }

void CPropTFMDataPairs::OnShow() {
    UpdateData(TRUE);
    ModeFromControls();
    ShowPreview(m_strXLabel, m_strYLabel);
}

// Without interpolation the preview draws steps.
void CPropTFMDataPairs::RemakePreviewPoints() {
    MakePreviewPoints(m_points, (m_dwMode & ~(kFlagReference | kFlagUserFileName)) == 1, m_previewPoints);
}

void CPropTFMDataPairs::UpdateParameterFlags() {
    ParamHolder* holder = Holder();
    for (WORD id : {kIdDelay, kIdPeriodical, kIdPeriod, kIdPhase}) SetParamExtBit(holder, id, FALSE);
    ModeFromControls();
    MarkFileParameters((m_dwMode & kFlagReference) != 0);
}

void CPropTFMDataPairs::SnapshotParameters() {
    DeleteSnapshots(m_snapshots);
    for (const char* name : {"TPERIO", "PHASE", "PERIO", "TDELAY", "FILE"}) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetFrom(FindParamByName(Holder(), name));
        m_snapshots.Add(snapshot);
    }
    if (m_dwMode & kFlagReference) static_cast<CCopaObjectCompare*>(m_snapshots[m_snapshots.GetUpperBound()])->SetName("@FILE");
}

void CPropTFMDataPairs::HandOver() {
    if (m_pWizard == nullptr) return;
    m_pWizard->TakeFromPage(m_bPeriod, m_bFileName, m_dwMode, m_points, m_snapshots);
}

BOOL CPropTFMDataPairs::OnApply() {
    UpdateData(TRUE);
    if (!CommitNameFirst()) return FALSE;
    ParamHolder* holder = Holder();
    ResolveFileName();
    ModeFromControls();
    const bool reference = (m_dwMode & kFlagReference) != 0;
    // The table is checked whenever it is used; a file reference does not use it (the table
    // is disabled then, so a left-over table could not be mended).
    const UINT failure = CheckTableOrder(m_points);
    m_dLastT = m_points.GetSize() > 0 ? PointAt(m_points, m_points.GetUpperBound())->x : m_dLastT;
    if (failure != 0 && !reference) {
        CResourceSwitch resources;
        ShowMessage(LoadLibraryString(failure));
        return FALSE;
    }

    if (DeriveShownPeriod()) UpdateData(FALSE);
    WriteFileParameters();
    ForEachInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdDelay:
            param->SetValue(m_strDelay);
            qv::pages::WriteShownUnit(&m_cmbDelayUnit, param);
            break;
        case kIdPeriod:
            param->SetValue(m_strPeriod);
            qv::pages::WriteShownUnit(&m_cmbPeriodUnit, param);
            break;
        case kIdPeriodical:
            // Without a selection the stored value stays.
            if (m_cmbPeriodical.GetCurSel() >= 0)
                param->SetValue(TBExtended_ftoa(m_cmbPeriodical.GetCurSel() == 1 ? 0.0 : 1.0, -1, 0, ""));
            break;
        case kIdPhase:
            param->SetValue(m_strPhase);
            qv::pages::WriteShownUnit(&m_cmbPhaseUnit, param);
            break;
        default: break;
        }
    });
    const DWORD interpolation = m_dwMode & ~(kFlagReference | kFlagUserFileName);
    if (interpolation < 8) holder->m_bySymbolVariant = static_cast<BYTE>(1u << interpolation);
    if (!HandOverAndCommit(reference)) return FALSE;
    if (m_pPreview != nullptr && m_pPreview->GetSafeHwnd() != nullptr) {
        RemakePreviewPoints();
        m_pPreview->Invalidate();
    }
    return EndApply();
}

void CPropTFMDataPairs::LoadData(bool store) {
    TakeOldParameters();
    ModeFromControls();
    if (m_bFileName) ImportNamedFile();
    SnapshotParameters();
    if (store) HandOver();
}

CWizardBase4* CPropTFMDataPairs::Owner() const { return m_pWizard; }

// The channels are named by the column labels as they are ("t[s]" and "Y"), without units.
void CPropTFMDataPairs::ChannelNames(CString& xName, CString& xUnit, CString& yName, CString& yUnit) const {
    xName = m_strXLabel;
    xUnit.Empty();
    yName = m_strYLabel;
    yUnit.Empty();
}

void CPropTFMDataPairs::OnBrowseRead() {
    if (ReadChosenDataFile()) ShowMonotonyWarning();
}

void CPropTFMDataPairs::OnBrowseWrite() { WriteChosenDataFile(); }

// The page's archive form: class record, version 10, period flag, file-name flag, n and the
// points, the upgraded flag. Versions 1 to 9 carry the phase unit (1 "rad", else "deg")
// after the points; versions before 5 carry no upgraded flag.
void CPropTFMDataPairs::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropTFMDataPairs));
        ar << static_cast<DWORD>(10) << static_cast<DWORD>(m_bPeriod ? 1 : 0) << static_cast<DWORD>(m_bFileName ? 1 : 0);
        ar << static_cast<DWORD>(m_points.GetSize());
        for (int i = 0; i < m_points.GetSize(); ++i) PointAt(m_points, i)->Serialize(ar);
        ar << m_dwUpgraded;
        return;
    }
    // A block without a class record is read as schema 0, which carries no version.
    DWORD version = 0;
    if (ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropTFMDataPairs)) != 0) ar >> version;
    DWORD period = 0, fileName = 0, count = 0;
    ar >> period >> fileName >> count;
    m_bPeriod = period != 0;
    m_bFileName = fileName != 0;
    DeletePoints(m_points);
    // Each point reads its own record; an archive that runs out ends the loop with an
    // exception, so a count is believed only as far as points are there.
    ReadArchivedPoints(ar, count, m_points);
    if (version >= 1 && version <= 9) {
        DWORD unit = 0;
        ar >> unit;
        const char* text = unit == 1 ? "rad" : "deg";
        if (m_cmbPhaseUnit.GetSafeHwnd() != nullptr) m_cmbPhaseUnit.SelectString(-1, text);
        if (CWizardCopaObject3* phase = FindParamByValueID(Holder(), kIdPhase)) {
            phase->SetUsedUnit(text);
            CommitParamSet(RequestTarget(m_pWizard), m_cookie);
        }
    }
    if (version >= 5) ar >> m_dwUpgraded;
    if (m_dwUpgraded == 0) UpgradeParameters();
    if (GetSafeHwnd() != nullptr) {
        FillList();
        UpdateData(FALSE);
        ShowModeInControls();
    }
}

// The set is committed before the file parameters are marked.
void CPropTFMDataPairs::UpgradeParameters() {
    if (TakeOldFilePin(m_dwMode)) {
        for (WORD id : {kIdDelay, kIdPeriodical, kIdPeriod, kIdPhase}) SetParamExtBit(Holder(), id, FALSE);
        const bool reference = (m_dwMode & kFlagReference) != 0;
        if (reference) CopyFileNameToReference();
        MarkFileParameters(reference);
    }
    m_dwUpgraded = 1;
}

// The block of the older wizard generation (see ReadOlderTableBlock): its flag word is the
// mode word (bit 0x8000 a user's file name), its point block that of the data classes.
void CPropTFMDataPairs::TakeOlderFlags(DWORD mode) {
    m_bFileName = (mode & kFlagUserFileName) != 0;
    m_dwMode = mode & ~kFlagUserFileName;
    ShowModeInControls();
}

void CPropTFMDataPairs::TakeOlderPoints(const BYTE* block, size_t size) {
    CPtrArray read;
    if (ReadDataPointsFromBuffer(&block, &size, &read, nullptr, nullptr, nullptr, nullptr)) CopyPoints(m_points, read);
    DeletePoints(read);
}

void CPropTFMDataPairs::StoreToWizard(const void* data, long length) {
    if (data == nullptr) {
        LoadData(false);
    } else {
        ReadOlderTableBlock(data, length);
        if (GetSafeHwnd() != nullptr) {
            FillList();
            UpdateData(FALSE);
        }
    }
    SnapshotParameters();
    HandOver();
}

// ---------------------------------------------------------------------------------------
// CTFMDataPairsWizard4

CTFMDataPairsWizard4::CTFMDataPairsWizard4(const CTFMDataPairsWizard4* other)
    : TPointTableWizard4(other), m_dwMode(other->m_dwMode), m_bPeriod(other->m_bPeriod) {}

void CTFMDataPairsWizard4::TakeFromPage(BOOL periodFlag, BOOL fileNameFlag, DWORD modeWord, const CPtrArray& points,
                                        const CPtrArray& snapshots) {
    m_bPeriod = periodFlag;
    m_dwMode = modeWord;
    TakeTable(fileNameFlag, points, snapshots);
}

int CTFMDataPairsWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_snapshots.GetSize() == 0) Initialize(0);
    const RequestTarget target(this);
    ScopedParamSet params{target};
    ParamHolder* holder = params.Holder();
    BuildPinAssignmentList(modelText, &m_snapshots, m_dwMode, holder, nullptr);
    const bool reference = (m_dwMode & kFlagReference) != 0;
    const DWORD interpolation = m_dwMode & ~kFlagReference;
    if (!m_bFileName && !reference) {
        SetParamValue(holder, kIdFileName, MakeDocumentFileName(this, ""));
        CommitParamSet(target, params.Cookie());
    }
    ReplacePlaceholder(modelText, "@TYPE", interpolation == 1 ? "LT_NIP " : "LT_LIP ", 0);
    if (!reference) {
        SetModelOutputDirFromFile(file);
        WriteParamCharacteristicFile(holder, this, kIdFileName, &m_points, "X", "Y", "", "");
    }
    for (int i = static_cast<int>(g_PlaceholderList.GetSize()) - 1; i >= 0; --i) {
        CCopaObjectCompare* entry = g_PlaceholderList.GetEntry(i);
        if (entry == nullptr) continue;
        const CString name = entry->GetName();
        if (name == "@FILE") {
            CString value;
            if (FindParamByValueID(holder, kIdReference) != nullptr) GetParamValue(holder, kIdReference, &value);
            else GetParamValue(holder, kIdFileName, &value);
            ReplacePlaceholder(modelText, "@FILE", FileReferenceEntry(value), 0);
        } else if (name == "@PHASE") {
            if (CWizardCopaObject3* phase = FindParamByValueID(holder, kIdPhase)) phase->SetUsedUnit("rad");
            CommitParamSet(target, params.Cookie());
            ReplacePlaceholder(modelText, "@PHASE", "PHASE", 0);
        }
        g_PlaceholderList.DiscardAt(i);
    }
    return 4;
}

void CTFMDataPairsWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_dwMode << static_cast<DWORD>(m_bFileName ? 1 : 0) << static_cast<DWORD>(m_bPeriod ? 1 : 0);
        qv::pointtable::StorePointsAndSnapshots(ar, m_points, m_snapshots);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    DWORD fileName = 0, period = 0;
    ar >> m_dwMode >> fileName >> period;
    m_bFileName = fileName != 0;
    m_bPeriod = period != 0;
    // Loading into a wizard that holds data replaces its lists.
    LoadPointsAndSnapshots(ar, m_points, m_snapshots);
}

// The hidden page starts from the wizard's state, which older data without a block keeps.
BOOL CTFMDataPairsWizard4::DoConvertWizard3Data(const void* data, long length) {
    return ConvertOlderTable(data, length, true,
                             [this](const CPropTFMDataPairs& page) { m_dwMode = page.GetModeWord(); });
}

BOOL CTFMDataPairsWizard4::DoConversionFrom4x(void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    if (data == nullptr || length <= 0) return TRUE;
    ParamHolder* holder = params.Holder();
    BuildCharacteristicSearchDirs(this);
    DeletePoints(m_points);
    Read4xPoints(static_cast<const BYTE*>(data), static_cast<size_t>(length), m_points);
    CString path;
    if (FindNamedDataFile(this, holder, path)) {
        CReadAndWriteFiles reader;
        ReadTwoChannels(path, 0, m_points, reader);
    }
    // A negative value (-1 marks one already taken over) is no mode word: the mode stays.
    CString mode;
    GetParamValue(holder, kIdOldMode, &mode);
    if (TBExtended_atoi(mode) >= 0) m_dwMode = static_cast<DWORD>(TBExtended_atoi(mode));
    m_bFileName = TRUE;
    CommitParamSet(RequestTarget(this), params.Cookie());
    return TRUE;
}
