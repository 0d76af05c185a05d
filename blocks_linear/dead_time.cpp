#include "blocks_linear/dead_time.h"

#include "framework/byte_cursor.h"
#include "framework/combo_entries.h"
#include "framework/data_classes.h"
#include "framework/data_file_dialogs.h"
#include "framework/data_file_places.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/list_controls.h"
#include "framework/listed_controls.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/pinned_fields.h"
#include "framework/param_list.h"
#include "framework/path_parts.h"
#include "framework/placeholders.h"
#include "framework/point_table_list.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "framework/string_ids.h"
#include "framework/table_list_page.h"
#include "framework/table_writers.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"

#include <cmath>
#include <map>
#include <memory>
#include <new>
#include <utility>

IMPLEMENT_SERIAL(CPropDeadBlock, CTBPropertyPage, VERSIONABLE_SCHEMA | qv::blocks::kDeadPageVersion)
IMPLEMENT_DYNAMIC(CDeadTimeBlockWizard4, CWizardBase4)

using namespace qv::blocks;
using namespace qv::snapshots;

namespace {

using namespace qv::dialog;
using namespace qv::rowlist;
constexpr int kCtlSeparate = 2291;
constexpr int kCtlFileName = 2292;
constexpr int kCtlFileReference = 2293;
constexpr int kCtlReference = 2395;
using namespace qv::strings;
constexpr char kOnlyTwoChannels[] = "Only 2 channels allowed!";
constexpr char kListKey[] = "DeadTimeElement";

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2133, .flags = 197}, {.id = 2291, .flags = 33},  {.id = 2292, .flags = 33}, {.id = 2293, .flags = 33},
    {.id = 2117, .flags = 97},  {.id = 2118, .flags = 48},  {.id = 2119, .flags = 48}, {.id = 2395, .flags = 97},
    {.id = 2072, .flags = 201}, {.id = 2041, .flags = 33},  {.id = 2042, .flags = 97}, {.id = 2185, .flags = 33},
    {.id = 2186, .flags = 97},  {.id = 2073, .flags = 33},  {.id = 2182, .flags = 33}, {.id = 2183, .flags = 97},
    {.id = 2074, .flags = 33},  {.id = 2400, .flags = 48},  {.id = 2134, .flags = 78}, {.id = 1122, .flags = 6},
    {.id = 1123, .flags = 6},   {.id = 1124, .flags = 6},   {.id = 1125, .flags = 6},  {.id = 1126, .flags = 6},
    {.id = 2017, .flags = 11},  {.id = 2056, .flags = 9},
};

// The plain kind of a mode: Separate (1) or a file mode (0).
DWORD PlainKind(DWORD mode) { return mode & ~(0x8000u | kDeadModeFileReference); }

bool IsSeparate(DWORD mode) { return PlainKind(mode) == kDeadModeSeparate; }

CString Format(double value) { return TBExtended_ftoa(value, -1, 0, ""); }

// A data file's value cell takes one plain number, with a scale prefix at most ("2m"), as the
// other tables' number cells do (NumberCellUnit of no unit): a unit word, a trailing text or a
// formula ("1 kOhm", "2abc", "1k, G := 5") is refused at the cell, never read by its leading
// digits.
constexpr char kFileValueCell[] = "|";

// The number a data file's value cell shows; `kept` for a text that shows none.
double FileValueOf(const CTBEditListCtrl& list, int row, double kept) {
    double value = 0.0;
    return ReadNumberCell(kFileValueCell, list.GetItemText(row, 1), &value) ? value : kept;
}

using qv::pages::ReadArchivedBlock;

} // namespace

// ---------------------------------------------------------------------------------------
// CPropDeadBlock

// The fields whose edits mark the page modified.
constexpr int kDeadBlockEdits[] = {2117, 2186, 2001, 2042, 2395};
// The buttons whose clicks go to OnInitialValueMode.
constexpr int kDeadBlockClicksInitialValueMode[] = {kCtlSeparate, kCtlFileName, kCtlFileReference};

BEGIN_MESSAGE_MAP(CPropDeadBlock, CTBPropertyPage)
    ON_WM_CONTEXTMENU()
    ON_WM_DRAWITEM()
    ON_WM_PAINT()
    ON_BN_CLICKED(2002, &CPropDeadBlock::OnMarkModified)
    ON_BN_CLICKED(2056, &CPropDeadBlock::OnOutput)
    ON_BN_CLICKED(2073, &CPropDeadBlock::OnInputPin)
    ON_BN_CLICKED(2074, &CPropDeadBlock::OnSampleTimePin)
    ON_LISTED_CONTROLS(EN_CHANGE, kDeadBlockEdits, &CPropDeadBlock::OnMarkModified)
    ON_BN_CLICKED(kCtlImport, &CPropDeadBlock::OnImportFile)
    ON_BN_CLICKED(kCtlExport, &CPropDeadBlock::OnExportFile)
    ON_ROW_LIST_BUTTONS(kCtlNew, &CPropDeadBlock::OnParamNew, &CPropDeadBlock::OnParamDelete,
                        &CPropDeadBlock::OnParamDeleteAll, &CPropDeadBlock::OnParamMoveUp,
                        &CPropDeadBlock::OnParamMoveDown)
    ON_COMMAND_RANGE(kCmdDelete, kCmdNew, &CPropDeadBlock::OnListMenu)
    ON_UPDATE_COMMAND_UI_RANGE(kCmdDelete, kCmdNew, &CPropDeadBlock::OnUpdateListCommand)
    ON_SAMPLE_TIME_LIST()
    ON_NOTIFY(LVN_ITEMCHANGED, 2134, &CPropDeadBlock::OnListItemChanged)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropDeadBlock::OnCellEdited)
    ON_LISTED_CONTROLS(BN_CLICKED, kDeadBlockClicksInitialValueMode, &CPropDeadBlock::OnInitialValueMode)
    ON_CBN_SELCHANGE(2400, &CPropDeadBlock::OnMarkModified)
END_MESSAGE_MAP()

CPropDeadBlock::CPropDeadBlock() : TBlockPageFields(kDeadTimeTemplate) {}

CPropDeadBlock::CPropDeadBlock(CDeadTimeBlockWizard4* wizard, DWORD_PTR cookie)
    : TBlockPageFields(kDeadTimeTemplate, wizard, cookie) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

CPropDeadBlock::~CPropDeadBlock() { DeleteSnapshots(m_snapshots); }

CDeadTimeBlockWizard4* CPropDeadBlock::DeadTimeWizard() const { return static_cast<CDeadTimeBlockWizard4*>(m_pWizard); }

void CPropDeadBlock::LoadFrom(DWORD mode, const CPtrArray& points, const CPtrArray& snapshots) {
    m_dwMode = mode;
    m_values.clear();
    for (INT_PTR i = 0; i < points.GetSize(); ++i)
        if (const auto* point = static_cast<const CDataPoint*>(points.GetAt(i))) m_values.push_back(point->y);
    CopySnapshots(m_snapshots, &snapshots);
}

void CPropDeadBlock::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeBlockFields(pDX);
    qv::pages::ExchangeControls(pDX, {{2117, m_edtFile}, {2183, m_cmbSampleTime}, {2134, m_lstValues}});
    qv::pages::ExchangeTexts(pDX, {{2117, m_strFileName}, {2042, m_strSamples}, {2395, m_strReference}});
}

void CPropDeadBlock::SetFirstColumnHeading(UINT stringID) {
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    CString heading = LoadLibraryString(stringID);
    column.pszText = const_cast<char*>(static_cast<const char*>(heading));
    m_lstValues.SetColumn(0, &column);
}

BOOL CPropDeadBlock::OnInitDialog() {
    ParamHolder* holder = Holder();
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
        m_edtFile.AutoComplete(1);
        m_bInitialising = 1;
        qv::pages::LoadNameAndSymbol(holder, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
        m_cmbUnit.DisableFlatLook(TRUE);
        m_strFolder = g_DocumentDir;
        UpdateData(FALSE);
        CheckRadioButton(kCtlSeparate, kCtlFileReference, kCtlSeparate);
        m_lstValues.InsertEditColumn(0, LoadLibraryString(kStrName), LVCFMT_LEFT, kColumnWidth);
        m_lstValues.InsertEditColumn(1, LoadLibraryString(kStrInitialValue), LVCFMT_LEFT, kColumnWidth);
    }
    m_lstValues.InitializeCtrl(1, 1);
    m_lstValues.InitializeColumnSize(0, "WIZColumnWidths", kListKey);
    m_lstValues.LoadColumnWidths();
    CheckModeRadio();
    OnInitialValueMode();
    LoadParameters();
    OnInitialValueMode();
    // The first column holds the members' names in Separate mode, the rows' numbers in a file mode.
    SetFirstColumnHeading(m_bSeparate ? kStrName : kStrNumber);
    UpdateData(FALSE);
    if (FindParamByValueID(holder, 2056) != nullptr) GetSDBOutput(holder, 2056, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendUnitToCaption(*this, holder, 2056, 2056);
    m_bInitialising = 0;
    EnableValueFieldByPin();
    SetModified(FALSE);
    return TRUE;
}

void CPropDeadBlock::CheckModeRadio() {
    if (GetSafeHwnd() == nullptr) return;
    if (GetDlgItem(kCtlSeparate) == nullptr || GetDlgItem(kCtlFileName) == nullptr ||
        GetDlgItem(kCtlFileReference) == nullptr)
        return;
    int radio = kCtlFileName;
    if ((m_dwMode & ~kDeadModeFileReference) == kDeadModeSeparate) radio = kCtlSeparate;
    else if (m_dwMode & kDeadModeFileReference) radio = kCtlFileReference;
    CheckRadioButton(kCtlSeparate, kCtlFileReference, radio);
}

DWORD CPropDeadBlock::ModeFromRadios() const {
    DWORD mode = IsDlgButtonChecked(kCtlSeparate) ? kDeadModeSeparate : kDeadModeFileName;
    if (IsDlgButtonChecked(kCtlFileReference)) mode |= kDeadModeFileReference;
    return mode;
}

void CPropDeadBlock::EnableValueFieldByPin() {
    if (GetSafeHwnd() == nullptr) return;
    int field = 2042;
    WORD id = kIdDeadSamples;
    if (m_dwMode & kDeadModeFileReference) {
        field = kCtlReference;
        id = kIdDeadReference;
    } else if (!IsSeparate(m_dwMode)) {
        field = 2117;
        id = kIdDeadFile;
    }
    if (CWnd* control = GetDlgItem(field)) control->EnableWindow(IsParamNotOnPin(Holder(), id));
}

void CPropDeadBlock::FindAndReadFile() {
    CString name = m_strFileName;
    CString folder = m_strFolder;
    if (!FindCharacteristicFile(name, folder)) return;
    m_strFileName = name;
    m_strFolder = folder;
    const BOOL read = ReadInitialValueFile(m_strFolder + m_strFileName);
    m_known.TakeOpened(m_strFolder + m_strFileName, read != FALSE);
    if (read) {
        MakeFileNameRelative();
        UpdateData(FALSE);
    }
}

void CPropDeadBlock::LoadParameters() {
    ParamHolder* holder = Holder();
    m_y0.RemoveAll();
    m_pTemplate = nullptr;
    const bool separate = IsSeparate(m_dwMode);
    qv::blocks::ForEachPageInput(holder, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdDeadSampleTime:
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
            break;
        case kIdInputSignal:
            if (param->HasPin()) m_bInputPin = TRUE;
            m_strInput = param->GetValue();
            break;
        case kIdDeadSamples: m_strSamples = param->GetValue(); break;
        case kIdDeadFile: m_strFileName = param->GetValue(); break;
        case kIdDeadReference: m_strReference = param->GetValue(); break;
        case kIdDeadInitial: {
            const int index = GetBracketIndex(param->GetName());
            if (index < 0) {
                m_pTemplate = param;
            } else if (separate) {
                const int row = m_lstValues.InsertEditItem(m_lstValues.GetItemCount(), param->GetName(), TB_EDIT_NAME,
                                                           nullptr, reinterpret_cast<DWORD_PTR>(param));
                m_lstValues.SetEditItemText(row, 1, param->GetValue(), TB_EDIT_NUMBER);
            } else if (index < qv::family::kMaxMembers) {
                m_y0.SetAtGrow(index, param);
            }
            break;
        }
        default: break;
        }
    });
    UpdateData(FALSE);
    if (!separate) ListFileValues();
}

void CPropDeadBlock::ListFileValues() {
    m_lstValues.DeleteAllItems();
    for (size_t i = 0; i < m_values.size(); ++i) {
        CString number;
        number.Format("%i", static_cast<int>(i) + 1);
        const int row = m_lstValues.InsertEditItem(static_cast<int>(i), number, TB_EDIT_NONE);
        m_lstValues.SetEditItemText(row, 1, Format(m_values[i]), TB_EDIT_NUMBER, kFileValueCell);
    }
    FindAndReadFile();
}

void CPropDeadBlock::StoreParameters() {
    if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
    ParamHolder* holder = Holder();
    CString unit;
    if (m_cmbUnit.GetSafeHwnd() != nullptr) m_cmbUnit.GetWindowText(unit);
    qv::blocks::ForEachPageInput(holder, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdInputSignal: param->SetValue(m_strInput); break;
        case kIdDeadSamples: param->SetValue(m_strSamples); break;
        case kIdDeadFile: param->SetValue(m_strFileName); break;
        case kIdDeadReference: param->SetValue(m_strReference); break;
        case kIdDeadSampleTime:
            if (m_cmbSampleTime.GetSafeHwnd() == nullptr) break;
            param->SetValue(StoredSampleTime(m_cmbSampleTime));
            param->SetUsedUnit(unit);
            break;
        default: break;
        }
    });
    if (!m_bSeparate || m_lstValues.GetSafeHwnd() == nullptr) return;
    for (int row = m_lstValues.GetItemCount() - 1; row >= 0; --row) {
        auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(row));
        if (param == nullptr) continue;
        param->SetName(m_lstValues.GetItemText(row, 0));
        param->SetValue(m_lstValues.GetItemText(row, 1));
        if (m_pTemplate != nullptr) SetParamDescriptionsByIndex(&m_pTemplate->GetDescriptionMap(), param);
    }
}

namespace {
// The first live input parameter of that exact name.
CWizardCopaObject3* LiveByName(ParamHolder* holder, const CString& name) { return FindParamByName(holder, name); }
} // namespace

void CPropDeadBlock::BuildCompareList(DWORD kind) {
    ParamHolder* holder = Holder();
    DeleteSnapshots(m_snapshots);
    auto add = [&](const char* name) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetFrom(LiveByName(holder, name));
        m_snapshots.Add(snapshot);
        return snapshot;
    };
    add("INPUT");
    add("TS");
    if (kind == kDeadModeSeparate) {
        add("NH");
        int n = 0;
        if (!qv::family::CountFromText(m_strSamples, &n)) n = 0;
        for (int i = 0; i < n; ++i) {
            CString name;
            name.Format("Y0[%i]", i);
            if (CWizardCopaObject3* param = LiveByName(holder, name)) {
                auto* snapshot = new CCopaObjectCompare;
                snapshot->SetFrom(param);
                m_snapshots.Add(snapshot);
            }
        }
        return;
    }
    CCopaObjectCompare* file = add("FILE");
    if (m_dwMode & kDeadModeFileReference) {
        file->SetName("@FILE");
        // The reference is written also when the set has no "FILE" parameter.
        file->SetType(file->GetType() | kParamTypeInput);
    }
}

void CPropDeadBlock::TakeValuesFromList() {
    if (m_bSeparate || m_lstValues.GetSafeHwnd() == nullptr) return;
    m_lstValues.CloseEdit(TRUE);
    const std::vector<double> before = std::move(m_values);
    m_values.clear();
    for (int row = 0; row < m_lstValues.GetItemCount(); ++row) {
        const size_t at = static_cast<size_t>(row);
        m_values.push_back(FileValueOf(m_lstValues, row, at < before.size() ? before[at] : 0.0));
    }
}

void CPropDeadBlock::OnInitialValueMode() {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (IsDlgButtonChecked(kCtlFileName)) m_dwMode = kDeadModeFileName;
    else if (IsDlgButtonChecked(kCtlFileReference)) m_dwMode = kDeadModeFileReference;
    else m_dwMode = kDeadModeSeparate;
    CheckModeRadio();
    const bool fileName = m_dwMode == kDeadModeFileName;
    const bool reference = (m_dwMode & kDeadModeFileReference) != 0;
    const bool separate = m_dwMode == kDeadModeSeparate;
    for (int id : {2117, kCtlImport, kCtlExport})
        if (CWnd* c = GetDlgItem(id)) c->EnableWindow(fileName);
    if (CWnd* c = GetDlgItem(2042)) c->EnableWindow(separate);
    if (CWnd* c = GetDlgItem(kCtlReference)) c->EnableWindow(reference);
    for (int id : {2134, kCtlNew, kCtlDelete, kCtlDeleteAll, kCtlMoveUp, kCtlMoveDown})
        if (CWnd* c = GetDlgItem(id)) c->EnableWindow(!reference);
    EnableValueFieldByPin();
    const int s = separate ? 1 : 0;
    if (s == m_bSeparate || m_bInitialising) {
        m_bSeparate = s;
        return;
    }
    // The list changes its contents: the old rows are written first.
    TakeValuesFromList();
    StoreParameters();
    m_bSeparate = s;
    CResourceSwitch resources;
    if (!s) {
        // Leaving Separate for either file mode: the rows are remembered in the Y0 array and
        // the list shows the file values.
        m_y0.RemoveAll();
        for (int row = 0; row < m_lstValues.GetItemCount(); ++row) m_y0.SetAtGrow(row, reinterpret_cast<void*>(m_lstValues.GetItemData(row)));
        ListFileValues();
        SetFirstColumnHeading(kStrNumber);
        m_lstValues.Invalidate();
        return;
    }
    SetFirstColumnHeading(kStrName);
    int row = 0;
    for (INT_PTR i = 0; i < m_y0.GetSize(); ++i) {
        auto* param = static_cast<CWizardCopaObject3*>(m_y0.GetAt(i));
        if (param == nullptr || param->IsDeleted()) continue;
        if (row >= m_lstValues.GetItemCount()) {
            CString number;
            number.Format("%i", row + 1);
            m_lstValues.InsertEditItem(row, number, TB_EDIT_NAME);
        }
        m_lstValues.SetEditItemText(row, 0, param->GetName(), TB_EDIT_NAME);
        m_lstValues.SetEditItemText(row, 1, param->GetValue(), TB_EDIT_NUMBER);
        m_lstValues.SetItemData(row, reinterpret_cast<DWORD_PTR>(param));
        ++row;
    }
    for (int last = m_lstValues.GetItemCount() - 1; last >= row; --last) m_lstValues.DeleteEditItem(last);
}

void CPropDeadBlock::CompleteFileName() {
    // No name at all is the element's default one, so that no two elements share a file.
    if (m_strFileName.IsEmpty() && m_pWizard != nullptr) {
        m_strFileName = MakeDocumentFileName(m_pWizard, "");
        return;
    }
    m_strFileName = ReplaceDataFileWildcards(m_strFileName, m_strName);
}

BOOL CPropDeadBlock::OnApply() {
    ParamHolder* holder = Holder();
    // The sample-time box edits the dead time's own sample-time parameter.
    // A reference left blank would give the model text's FILE no value; its field is enabled
    // only where the values are given by reference.
    if (holder == nullptr ||
        !qv::pages::RefuseBlankValueField(*this, holder, {{qv::blocks::kIdSampleTime, kIdDeadSampleTime}}) ||
        !qv::pages::RefuseFileReferenceField(*this, kCtlReference))
        return FALSE;
    UpdateData(TRUE);
    const DWORD chosen = GetSafeHwnd() != nullptr ? ModeFromRadios() : m_dwMode;
    const bool fileName = !IsSeparate(chosen) && (chosen & kDeadModeFileReference) == 0;
    // The number of samples sizes the Separate family, and the rows of the data file are its
    // numbers: neither may be a text the page would read as its leading digits or as 0. The
    // data file's name must name a folder that exists, or no description could write it.
    using qv::pages::NumberNeeded;
    if (!qv::pages::RefuseUnlessNumber(*this, kIdDeadSamples, m_strSamples, NumberNeeded::Count) ||
        (fileName && !qv::pages::RefuseUnlessNumberCells(*this, m_lstValues, 2134, 1, NumberNeeded::Number)) ||
        (fileName && !qv::files::RefuseNameInMissingFolder(*this, kIdDeadFile, m_strFileName, m_strFolder)))
        return FALSE;
    // Initial values kept in the element's data file need a row there.
    TakeValuesFromList();
    if (fileName && !qv::pages::RefuseEmptyTable(*this, m_values.empty())) return FALSE;
    holder->m_strElementName = m_strName;
    holder->m_dwShowName = m_bShowName ? 1 : 0;
    // The data file's name says which file the page writes and reads: it is never a signal.
    qv::pages::TakeFromNoPin(holder, {kIdDeadFile});
    CompleteFileName();
    UpdateData(FALSE);
    StoreParameters();
    DWORD kind = PlainKind(m_dwMode);
    if (GetSafeHwnd() != nullptr) {
        m_dwMode = ModeFromRadios();
        kind = m_dwMode & ~kDeadModeFileReference;
    }
    BuildCompareList(kind);
    if (m_pWizard != nullptr) DeadTimeWizard()->TakePageData(m_dwMode, m_values, m_snapshots);
    m_lstValues.SaveColumnWidths();
    if (m_pWizard == nullptr || m_pWizard->GetCommandReceiver() == nullptr || m_cookie == 0) return FALSE;
    // Separate initial values must not share an index.
    return CommitAndEndApply(kind == kDeadModeSeparate ? kIdDeadInitial : 0);
}

BOOL CPropDeadBlock::OnSetActive() {
    // The sample time's parameter is the field's, shown in the list.
    ShowBlockSwitchesAndPins(Holder(), kIdDeadSampleTime, kIdSampleTime);
    EnableValueFieldByPin();
    UpdateValueDescriptions();
    return CPropertyPage::OnSetActive();
}

BOOL CPropDeadBlock::OnKillActive() {
    MarkUnusedParameters();
    if (m_bSeparate)
        for (int row = 0; row < m_lstValues.GetItemCount(); ++row)
            if (auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(row)))
                param->SetName(m_lstValues.GetItemText(row, 0));
    return CPropertyPage::OnKillActive();
}

void CPropDeadBlock::UpdateValueDescriptions() {
    ParamHolder* holder = Holder();
    if (holder == nullptr || m_pTemplate == nullptr) return;
    for (int i = 0; i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param != nullptr && param->GetValueID() == kIdDeadInitial && (param->GetType() & kParamTypeNoList) == 0)
            SetParamDescriptionsByIndex(&m_pTemplate->GetDescriptionMap(), param);
    }
}

void CPropDeadBlock::MarkUnusedParameters() {
    ParamHolder* holder = Holder();
    SetParamExtBit(holder, kIdInputSignal, 0);
    SetParamExtBit(holder, kIdDeadSampleTime, 0);
    if (GetSafeHwnd() != nullptr) m_dwMode = ModeFromRadios();
    const bool reference = (m_dwMode & kDeadModeFileReference) != 0;
    const bool separate = !reference && PlainKind(m_dwMode) == kDeadModeSeparate;
    const bool fileName = !reference && !separate;
    SetParamExtBit(holder, kIdDeadSamples, !separate);
    SetParamExtBit(holder, kIdDeadInitial, !separate);
    SetParamExtBit(holder, kIdDeadFile, !fileName);
    SetParamExtBit(holder, kIdDeadReference, !reference);
}

void CPropDeadBlock::TransferToWizard(int toWizard) {
    DWORD kind = PlainKind(m_dwMode);
    if (GetSafeHwnd() != nullptr) {
        m_dwMode = ModeFromRadios();
        kind = m_dwMode & ~kDeadModeFileReference;
    }
    GetParamValue(Holder(), kIdDeadSamples, &m_strSamples);
    BuildCompareList(kind);
    if (toWizard == 1 && m_pWizard != nullptr) DeadTimeWizard()->TakePageData(m_dwMode, m_values, m_snapshots);
}

BOOL CPropDeadBlock::ConvertFileParameters() {
    ParamHolder* holder = Holder();
    CWizardCopaObject3* reference = FindParamByValueID(holder, kIdDeadReference);
    CWizardCopaObject3* file = FindParamByValueID(holder, kIdDeadFile);
    if (reference == nullptr || file == nullptr) return 0;
    SetParamExtBit(holder, kIdInputSignal, 0);
    SetParamExtBit(holder, kIdDeadSampleTime, 0);
    SetParamTypeField(holder, kIdDeadFile);
    if (m_dwMode & kDeadModeFileReference) {
        SetParamExtBit(holder, kIdDeadReference, 0);
        SetParamExtBit(holder, kIdDeadFile, 1);
        SetParamExtBit(holder, kIdDeadSamples, 1);
        SetParamExtBit(holder, kIdDeadInitial, 1);
        reference->SetValue(file->GetValue());
        if (m_pWizard != nullptr) CommitParamSet(RequestTarget(m_pWizard), m_cookie);
    } else {
        SetParamExtBit(holder, kIdDeadFile, 0);
        SetParamExtBit(holder, kIdDeadSamples, 1);
        SetParamExtBit(holder, kIdDeadInitial, 1);
        SetParamExtBit(holder, kIdDeadReference, 1);
    }
    m_dwConverted = 1;
    return 1;
}

// ---------------------------------------------------------------------------------------
// List editing.

int CPropDeadBlock::GetHighestRowIndex() const {
    int highest = -1;
    for (int row = 0; row < m_lstValues.GetItemCount(); ++row) {
        auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(row));
        if (param != nullptr && param->IsDeleted()) continue;
        const int index = GetBracketIndex(m_lstValues.GetItemText(row, 0));
        if (index > highest) highest = index;
    }
    return highest;
}

void CPropDeadBlock::RenumberRows() {
    for (int row = 0; row < m_lstValues.GetItemCount(); ++row) {
        CString number;
        number.Format("%i", row + 1);
        m_lstValues.SetEditItemText(row, 0, number, TB_EDIT_NONE);
    }
}

// A member's name in Separate mode keeps an index; the rows of a file mode are numbers only.
LRESULT CPropDeadBlock::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    const int row = LOWORD(lParam);
    const int column = HIWORD(lParam);
    if (wParam == 2134 && column == 0 && m_bSeparate)
        KeepsMemberIndex(m_lstValues, row, column, reinterpret_cast<const CWizardCopaObject3*>(m_lstValues.GetItemData(row)));
    return 0;
}

void CPropDeadBlock::OnParamNew() {
    if (m_bSeparate) {
        const int index = GetHighestRowIndex() + 1;
        CWizardCopaObject3* param = AppendNamedMember(m_pTemplate, index, "Y0");
        if (param == nullptr) return;
        int row = index < m_lstValues.GetItemCount() ? index : m_lstValues.GetItemCount();
        row = m_lstValues.InsertEditItem(row, param->GetName(), TB_EDIT_NAME, nullptr, reinterpret_cast<DWORD_PTR>(param));
        m_lstValues.SetEditItemText(row, 1, param->GetValue(), TB_EDIT_NUMBER);
        m_lstValues.SelectItem(row);
    } else {
        if (m_lstValues.GetItemCount() >= qv::family::kMaxMembers) {
            ShowMessage(LoadLibraryString(qv::strings::kStrInvalidValue));
            return;
        }
        TakeValuesFromList();
        m_values.push_back(0.0);
        CString number;
        number.Format("%i", static_cast<int>(m_values.size()));
        const int row = m_lstValues.InsertEditItem(m_lstValues.GetItemCount(), number, TB_EDIT_NONE);
        m_lstValues.SetEditItemText(row, 1, "0.0", TB_EDIT_NUMBER, kFileValueCell);
        m_lstValues.SelectItem(row);
    }
    SetModified(TRUE);
}

void CPropDeadBlock::OnParamDelete() {
    const int row = m_lstValues.GetSelectedItem();
    if (row < 0 || row >= m_lstValues.GetItemCount()) return;
    if (m_bSeparate) {
        auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(row));
        if (param != nullptr && IndexOfParam(Holder(), param) >= 0) qv::family::RetireMember(param);
    } else {
        TakeValuesFromList();
        if (static_cast<size_t>(row) < m_values.size()) m_values.erase(m_values.begin() + row);
    }
    m_lstValues.DeleteEditItem(row);
    if (!m_bSeparate) RenumberRows();
    SetModified(TRUE);
}

void CPropDeadBlock::OnParamDeleteAll() {
    TakeValuesFromList();
    for (int row = m_lstValues.GetItemCount() - 1; row >= 0; --row) {
        if (m_bSeparate) {
            auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(row));
            if (param != nullptr && IndexOfParam(Holder(), param) >= 0) qv::family::RetireMember(param);
        } else if (static_cast<size_t>(row) < m_values.size()) {
            m_values.erase(m_values.begin() + row);
        }
        m_lstValues.DeleteEditItem(row);
    }
    SetModified(TRUE);
}

void CPropDeadBlock::MoveRow(int from, int to) {
    if (from < 0 || to < 0 || from >= m_lstValues.GetItemCount() || to >= m_lstValues.GetItemCount()) return;
    if (m_bSeparate) {
        auto* moved = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(from));
        auto* other = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(to));
        ParamHolder* holder = Holder();
        const int movedAt = IndexOfParam(holder, moved);
        const int otherAt = IndexOfParam(holder, other);
        if (movedAt < 0 || otherAt < 0) return;
        // The other's position is taken before the moved one leaves the array.
        holder->m_Params.RemoveAt(movedAt);
        holder->m_Params.InsertAt(otherAt, moved);
        const CString name0 = m_lstValues.GetItemText(from, 0);
        const CString value0 = m_lstValues.GetItemText(from, 1);
        m_lstValues.SetEditItemText(from, 0, m_lstValues.GetItemText(to, 0), TB_EDIT_NAME);
        m_lstValues.SetEditItemText(from, 1, m_lstValues.GetItemText(to, 1), TB_EDIT_NUMBER);
        m_lstValues.SetItemData(from, reinterpret_cast<DWORD_PTR>(other));
        m_lstValues.SetEditItemText(to, 0, name0, TB_EDIT_NAME);
        m_lstValues.SetEditItemText(to, 1, value0, TB_EDIT_NUMBER);
        m_lstValues.SetItemData(to, reinterpret_cast<DWORD_PTR>(moved));
    } else {
        TakeValuesFromList();
        if (static_cast<size_t>(from) < m_values.size() && static_cast<size_t>(to) < m_values.size())
            std::swap(m_values[static_cast<size_t>(from)], m_values[static_cast<size_t>(to)]);
        const CString value0 = m_lstValues.GetItemText(from, 1);
        m_lstValues.SetEditItemText(from, 1, m_lstValues.GetItemText(to, 1), TB_EDIT_NUMBER, kFileValueCell);
        m_lstValues.SetEditItemText(to, 1, value0, TB_EDIT_NUMBER, kFileValueCell);
    }
    m_lstValues.SelectItem(to);
    m_lstValues.Invalidate();
}

void CPropDeadBlock::OnParamMoveDown() {
    const int row = m_lstValues.GetSelectedItem();
    if (row >= 0 && row + 1 < m_lstValues.GetItemCount()) MoveRow(row, row + 1);
    SetModified(TRUE);
}

void CPropDeadBlock::OnParamMoveUp() {
    const int row = m_lstValues.GetSelectedItem();
    if (row > 0) MoveRow(row, row - 1);
    SetModified(TRUE);
}

// A command of the list's menu does what its button does, after the dialog's state is taken
// over and the page marked modified.
void CPropDeadBlock::OnListMenu(UINT command) {
    UpdateData(TRUE);
    SetModified(TRUE);
    switch (command) {
    case kCmdNew: OnParamNew(); break;
    case kCmdDelete: OnParamDelete(); break;
    case kCmdDeleteAll: OnParamDeleteAll(); break;
    case kCmdMoveUp: OnParamMoveUp(); break;
    case kCmdMoveDown: OnParamMoveDown(); break;
    default: break;
    }
}

void CPropDeadBlock::OnUpdateListCommand(CCmdUI* pCmdUI) { UpdateRowListCommand(pCmdUI, m_lstValues); }

void CPropDeadBlock::OnContextMenu(CWnd*, CPoint point) {
    if (IsDlgButtonChecked(kCtlFileReference)) return;
    qv::tablepage::TrackTableContextMenu(*this, point);
}

// ---------------------------------------------------------------------------------------
// Small handlers.

void CPropDeadBlock::OnInputPin() { qv::pages::ClickPinBox(*this, Holder(), m_bInputPin, kIdInputSignal); }

void CPropDeadBlock::OnSampleTimePin() {
    qv::pages::ClickPinBox(*this, Holder(), m_bSampleTimePin, kIdDeadSampleTime, kIdSampleTime);
}

void CPropDeadBlock::OnOutput() {
    const BOOL shown = m_bOutput;
    UpdateData(TRUE);
    m_bOutput = shown ? FALSE : TRUE;
    SetSDBOutput(Holder(), 2056, m_bOutput);
    CheckDlgButton(2056, m_bOutput ? BST_CHECKED : BST_UNCHECKED);
}

// A typed text that is no entry of the list becomes one.
void CPropDeadBlock::OnSampleTimeTyped() { qv::pages::KeepTypedTextAsEntry(m_cmbSampleTime); }

void CPropDeadBlock::OnSampleTimeChosen() { SetModified(TRUE); }

void CPropDeadBlock::OnListItemChanged(NMHDR*, LRESULT* pResult) {
    SetModified(TRUE);
    *pResult = 0;
}

// The list buttons show their image of bitmap 138, the file buttons theirs of bitmap 135.
void CPropDeadBlock::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (nIDCtl >= kCtlNew && nIDCtl <= kCtlMoveDown) {
        DrawButtonImage(kListButtonImages, kCtlNew, nIDCtl, lpDrawItemStruct);
        return;
    }
    if (nIDCtl == kCtlImport || nIDCtl == kCtlExport) {
        DrawButtonImage(kFileButtonImages, kCtlImport, nIDCtl, lpDrawItemStruct);
        return;
    }
    CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

void CPropDeadBlock::OnPaint() {
    CPaintDC dc(this);
    if (m_pSymbol == nullptr) {
        m_pSymbol = new CTBDrawSymbol(CRect(0, 0, 0, 0));
        m_pSymbol->LoadSymbols(m_strSymbolText);
    }
    CRect rect;
    GetDlgItemRectInDlg(&rect, 2020, this);
    m_pSymbol->Draw(&dc, rect);
}

// ---------------------------------------------------------------------------------------
// Stored state.

void CPropDeadBlock::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropDeadBlock));
        ar << kDeadPageVersion;
        ar << m_dwConverted;
        return;
    }
    ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropDeadBlock));
    DWORD version = 0;
    ar >> version;
    DWORD oldMode = 0;
    if (version < 5) ar >> oldMode;
    else ar >> m_dwConverted;
    if (m_dwConverted == 0) ConvertFileParameters();
    if (version < 5 && GetSafeHwnd() != nullptr && GetDlgItem(kCtlSeparate) != nullptr &&
        GetDlgItem(kCtlFileName) != nullptr && GetDlgItem(kCtlFileReference) != nullptr)
        CheckRadioButton(kCtlSeparate, kCtlFileReference, oldMode == 0 ? kCtlFileName : kCtlSeparate);
}

void CPropDeadBlock::ConvertWizard3Data(const void* data, long size) {
    DeleteSnapshots(m_snapshots);
    const BYTE* bytes = static_cast<const BYTE*>(data);
    qv::bytes::Reader in(bytes, bytes != nullptr && size > 0 ? static_cast<size_t>(size) : 0);
    DWORD count = 0;
    // Every field is read only when it fits; a block that does not fit ends the reading.
    [&] {
        DWORD mode = 0;
        if (!in.ReadDword(mode)) return;
        m_dwMode = mode;
        if (GetSafeHwnd() != nullptr) {
            CheckModeRadio();
            OnInitialValueMode();
            m_dwMode = mode;
        }
        if (!in.ReadDword(count)) return;
        DWORD length = 0;
        if (!in.ReadDword(length)) return;
        if (!in.Fits(length)) return;
        if (length > 0) {
            ReadArchivedBlock(in.Position(), length, [&](CArchive& ar) {
                // Each record takes more than one byte: a count beyond the block is bad data.
                if (count > length) AfxThrowArchiveException(CArchiveException::badIndex);
                for (DWORD i = 0; i < count; ++i) {
                    auto snapshot = std::make_unique<CCopaObjectCompare>();
                    snapshot->Serialize(ar);
                    m_snapshots.Add(snapshot.release());
                }
            });
        }
        in.SkipBytes(length);
        for (int block = 0; block < 3 && in.Remaining() > 0; ++block) {
            if (!in.ReadDword(length) || !in.Fits(length)) return;
            if (block == 0 && length > 0) ReadArchivedBlock(in.Position(), length, [this](CArchive& ar) { Serialize(ar); });
            if (block == 2 && length > 0) {
                const BYTE* cursor = in.Position();
                size_t remaining = length;
                CPtrArray points;
                CString t1, t2, t3, t4;
                ReadDataPointsFromBuffer(&cursor, &remaining, &points, &t1, &t2, &t3, &t4);
                qv::pointtable::DeletePoints(points);
            }
            in.SkipBytes(length);
        }
    }();
    if (m_pWizard != nullptr) DeadTimeWizard()->TakePageData(m_dwMode, m_values, m_snapshots);
}

// ---------------------------------------------------------------------------------------
// Initial-value files.

BOOL CPropDeadBlock::ReadInitialValueFile(CString path) {
    CReadAndWriteFiles files;
    if (!files.ReadInfoFile(path, "", -1, nullptr, nullptr, 1, 0, 2)) {
        if (files.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled) ShowMessage(files.GetLastError());
        return FALSE;
    }
    if (files.GetNrChannels() != 2) {
        ShowMessage(kOnlyTwoChannels);
        return FALSE;
    }
    const int n = files.GetNrItems();
    // Buffers are sized only from a count that can be a family's size.
    if (n < 0) {
        ShowMessage(LoadLibraryString(qv::strings::kStrInvalidValue));
        return FALSE;
    }
    if (n > qv::family::kMaxMembers) {
        ShowMessage(qv::files::TooManyRowsText(n, qv::family::kMaxMembers));
        return FALSE;
    }
    std::vector<double> x(static_cast<size_t>(n), 0.0);
    std::vector<double> y(static_cast<size_t>(n), 0.0);
    files.GetChannel(0)->SetSampleBuffer(x.data(), n);
    files.GetChannel(1)->SetSampleBuffer(y.data(), n);
    const BOOL read = files.ReadDataFile();
    files.GetChannel(0)->SetSampleBuffer(nullptr, 0);
    files.GetChannel(1)->SetSampleBuffer(nullptr, 0);
    if (!read) {
        if (files.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled) ShowMessage(files.GetLastError());
        return FALSE;
    }
    for (int row = m_lstValues.GetItemCount() - 1; row >= n; --row) m_lstValues.DeleteEditItem(row);
    m_values = y;
    for (int i = 0; i < n; ++i) {
        CString number;
        number.Format("%i", i + 1);
        if (i >= m_lstValues.GetItemCount()) m_lstValues.InsertEditItem(i, number, TB_EDIT_NONE);
        m_lstValues.SetEditItemText(i, 0, number, TB_EDIT_NONE);
        m_lstValues.SetEditItemText(i, 1, Format(m_values[static_cast<size_t>(i)]), TB_EDIT_NUMBER, kFileValueCell);
        m_lstValues.SetItemData(i, 0);
    }
    m_strSamples = Format(n);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    m_nFileFormat = files.GetSaveVersion();
    return TRUE;
}

BOOL CPropDeadBlock::WriteInitialValueFile(CString, int format) {
    const int n = m_lstValues.GetItemCount();
    std::vector<double> x(static_cast<size_t>(n));
    std::vector<double> y(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[static_cast<size_t>(i)] = i;
        const size_t at = static_cast<size_t>(i);
        y[at] = FileValueOf(m_lstValues, i, at < m_values.size() ? m_values[at] : 0.0);
    }
    CReadAndWriteFiles files;
    files.SetNrChannels(2);
    files.SetNrItems(n);
    CString channelName;
    {
        CResourceSwitch resources;
        channelName = LoadLibraryString(kStrInitialValue);
    }
    files.InsertChannel(0, x.data(), "X", "");
    files.InsertChannel(1, y.data(), channelName, "");
    // A relative folder lies in the table's folder.
    const std::optional<qv::files::WrittenTable> written =
        qv::files::WriteTableFile(files, m_strFileName, format, m_nFileFormat, m_strName, m_strFolder, m_known);
    if (!written) return FALSE;
    m_nFileFormat = written->format;
    // The field names the file written.
    m_strFileName = written->name;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    if (m_pWizard != nullptr) AnnounceFileWritten(RequestTarget(m_pWizard), written->path);
    return TRUE;
}

void CPropDeadBlock::MakeFileNameRelative() {
    CString folder = m_strFolder;
    CString path = m_strFileName;
    MakeCharacteristicPathRelative(folder, path);
    m_strFolder = folder;
    m_strFileName = path;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

void CPropDeadBlock::OnImportFile() {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (!qv::files::AskForFileToRead(this, m_strFolder, m_strFileName)) return;
    const BOOL read = ReadInitialValueFile(m_strFileName);
    m_known.TakeChosenToRead(m_strFileName, read != FALSE);
    if (!read) {
        ShowMessage(qv::files::ReadErrorText());
        UpdateData(TRUE);
        SetModified(TRUE);
        return;
    }
    for (size_t i = 0; i < m_values.size(); ++i) {
        CString value;
        value.Format("%.15g", m_values[i]);
        m_lstValues.SetEditItemText(static_cast<int>(i), 1, value, TB_EDIT_NUMBER, kFileValueCell);
    }
    m_lstValues.Invalidate();
    MakeFileNameRelative();
    UpdateData(FALSE);
    SetModified(TRUE);
}

void CPropDeadBlock::OnExportFile() {
    UpdateData(TRUE);
    SetModified(TRUE);
    CString chosen = m_strFileName;
    const int format = qv::files::AskForFileToSaveAs(this, m_strFolder, chosen, m_nFileFormat, m_known);
    if (format < 0) return;
    // The name chosen is written where it says, in the format chosen. When nothing may be
    // written, the page stays as it was.
    const CString earlierName = m_strFileName;
    const CString earlierFolder = m_strFolder;
    const int earlierFormat = m_nFileFormat;
    m_strFileName = chosen;
    m_nFileFormat = format;
    MakeFileNameRelative();
    if (!WriteInitialValueFile(m_strFileName, format)) {
        m_strFileName = earlierName;
        m_strFolder = earlierFolder;
        m_nFileFormat = earlierFormat;
        UpdateData(FALSE);
        return;
    }
    MakeFileNameRelative();
    SetModified(TRUE);
}

// ---------------------------------------------------------------------------------------
// CDeadTimeBlockWizard4

CDeadTimeBlockWizard4::CDeadTimeBlockWizard4(const CDeadTimeBlockWizard4* other) : TPageWizard4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_dwMode = other->m_dwMode;
    qv::pointtable::CopyPoints(m_points, other->m_points);
    CopySnapshots(m_snapshots, &other->m_snapshots);
}

CDeadTimeBlockWizard4::~CDeadTimeBlockWizard4() {
    ClearLists();
    ReleasePage();
}

void CDeadTimeBlockWizard4::PrepareEditing() { BuildCharacteristicSearchDirs(this); }

// A page of the wizard's own for hidden work, loaded with the wizard's state; its window is
// created hidden and destroyed again with it. The page on the editor's sheet is never touched.
qv::wizards::THiddenPage<CPropDeadBlock> CDeadTimeBlockWizard4::OpenHiddenPage(DWORD_PTR cookie) {
    auto hidden = MakeHiddenPage(cookie);
    if (!hidden) return hidden;
    hidden->SetHidden(true);
    GiveSettingsToPage(*hidden);
    if (!hidden.Open(kDeadTimeTemplate)) return qv::wizards::THiddenPage<CPropDeadBlock>(nullptr);
    return hidden;
}

void CDeadTimeBlockWizard4::ClearLists() {
    DeleteSnapshots(m_snapshots);
    qv::pointtable::DeletePoints(m_points);
}

void CDeadTimeBlockWizard4::TakePageData(DWORD mode, const std::vector<double>& values, const CPtrArray& snapshots) {
    m_dwMode = mode;
    while (m_points.GetSize() > static_cast<INT_PTR>(values.size())) {
        const INT_PTR last = m_points.GetSize() - 1;
        delete static_cast<CDataPoint*>(m_points.GetAt(last));
        m_points.RemoveAt(last);
    }
    while (m_points.GetSize() < static_cast<INT_PTR>(values.size())) m_points.Add(new CDataPoint);
    for (size_t i = 0; i < values.size(); ++i) {
        auto* point = static_cast<CDataPoint*>(m_points.GetAt(static_cast<INT_PTR>(i)));
        point->SetX(static_cast<double>(i));
        point->SetY(values[i]);
    }
    if (&snapshots != &m_snapshots) CopySnapshots(m_snapshots, &snapshots);
}

BOOL CDeadTimeBlockWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    BuildCharacteristicSearchDirs(this);
    auto hidden = OpenHiddenPage(params.Cookie());
    if (!hidden) return TRUE;
    hidden->TransferToWizard(1);
    return TRUE;
}

BOOL CDeadTimeBlockWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    auto hidden = OpenHiddenPage(params.Cookie());
    if (!hidden) return TRUE;
    hidden->ConvertWizard3Data(data, length);
    hidden->MarkUnusedParameters();
    m_dwMode = hidden->GetMode();
    return TRUE;
}

BOOL CDeadTimeBlockWizard4::DoConversionFrom4x(void*, long) { return DoConversionFrom4x(); }

BOOL CDeadTimeBlockWizard4::DoConversionFrom4x() {
    ScopedParamSet params{RequestTarget(this)};
    ConvertOldInitialValues(params.Cookie());
    return TRUE;
}

void CDeadTimeBlockWizard4::ConvertOldInitialValues(DWORD_PTR cookie) {
    ParamHolder* holder = HolderFromCookie(cookie);
    int n = 0;
    CWizardCopaObject3* templ = nullptr;
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (param == nullptr) continue;
        if (param->GetValueID() == kIdDeadSamples) {
            // A count that cannot be a family's size makes no members.
            if (!qv::family::CountFromText(param->GetValue(), &n)) n = 0;
        } else if (param->GetValueID() == kIdDeadInitial) {
            if (param->GetType() & kParamTypeNoList) templ = param;
            else qv::family::RetireMember(param);
        }
    }
    if (templ == nullptr) return;
    std::vector<CWizardCopaObject3*> made;
    for (int i = 0; i < n; ++i) {
        CWizardCopaObject3* member = qv::family::AppendMember(holder, templ, i);
        if (member == nullptr) break;
        CString name;
        name.Format("Y0[%i]", i);
        member->SetName(name);
        made.push_back(member);
    }
    const std::vector<CString> fields = qv::family::SplitFields(templ->GetValue());
    for (CWizardCopaObject3* member : made) {
        const size_t index = static_cast<size_t>(GetBracketIndex(member->GetName()));
        member->SetValue(index < fields.size() ? fields[index] : CString("0"));
    }
    CommitParamSet(RequestTarget(this), cookie);
    m_dwMode = kDeadModeSeparate;
}

int CDeadTimeBlockWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_snapshots.GetSize() == 0) Initialize(0);
    ScopedParamSet params{RequestTarget(this)};
    CCopaObjectCompare* pending = nullptr;
    BuildPinAssignmentList(modelText, &m_snapshots, m_dwMode, params.Holder(), &pending);
    if (m_dwMode == kDeadModeFileName) {
        SetModelOutputDirFromFile(file);
        CString channel;
        {
            CResourceSwitch resources;
            channel = LoadLibraryString(kStrInitialValue);
        }
        BuildCharacteristicSearchDirs(this);
        WriteParamCharacteristicFile(params.Holder(), this, kIdDeadFile, &m_points, "X", channel, "", "");
    }
    if (pending != nullptr) {
        CString value;
        if (!GetParamValue(params.Holder(), kIdDeadReference, &value)) GetParamValue(params.Holder(), kIdDeadFile, &value);
        ReplacePlaceholder(modelText, "@FILE", FileReferenceEntry(value), 0);
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}

void CDeadTimeBlockWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_dwMode;
        qv::pointtable::StorePointsAndSnapshots(ar, m_points, m_snapshots);
        return;
    }
    // A wizard that already holds data starts loading from empty lists.
    ClearLists();
    m_dwMode = 0;
    ar >> m_wSchema;
    if (m_wSchema > 0) return;
    ar >> m_dwMode;
    qv::pointtable::LoadPointsAndSnapshots(ar, m_points, m_snapshots);
}

void CDeadTimeBlockWizard4::GiveSettingsToPage(CPropDeadBlock& page) { page.LoadFrom(m_dwMode, m_points, m_snapshots); }
