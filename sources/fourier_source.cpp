#include "sources/fourier_source.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/data_file_dialogs.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/path_parts.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "framework/table_writers.h"
#include "framework/xy_table.h"
#include "sources/source_outputs.h"
#include "sources/vco_source.h"
#include "toolkit/read_write_files.h"
#include "toolkit/tb_numbers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

using namespace qv::sources;
using namespace qv::dialog;

IMPLEMENT_SERIAL(CPropFourierSource, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropFourierSource)
IMPLEMENT_DYNAMIC(CFourierSourceWizard4, CWizardBase4)

using qv::pages::ReadArchivedBlock;

namespace {

using Column = CArray<double, double>;

constexpr int kCtlPhaseAutomatic = 2321;
constexpr int kCtlAll = 2322;
constexpr int kCtlEven = 2323;
constexpr int kCtlOdd = 2324;
constexpr int kCtlFundamental = 2326;
constexpr int kCtlNumber = 2328;
constexpr int kCtlList = 2329;
constexpr UINT kFileButtonImages = 135;
using namespace qv::strings;
constexpr char kOnlyThreeChannels[] = "Only 3 channels allowed!";
constexpr char kNoHarmonics[] = "The frequencies are not harmonics of one fundamental frequency!";

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2146, .flags = 5},   {.id = 2147, .flags = 69},  {.id = 2332, .flags = 197}, {.id = 2322, .flags = 33},
    {.id = 2323, .flags = 48},  {.id = 2324, .flags = 48},  {.id = 2333, .flags = 196}, {.id = 2321, .flags = 48},
    {.id = 2072, .flags = 241}, {.id = 2325, .flags = 33},  {.id = 2327, .flags = 33}, {.id = 2116, .flags = 33},
    {.id = 2326, .flags = 97},  {.id = 2328, .flags = 97},  {.id = 2117, .flags = 97}, {.id = 2118, .flags = 48},
    {.id = 2119, .flags = 48},  {.id = 2017, .flags = 73},  {.id = 2018, .flags = 9},  {.id = 2019, .flags = 24},
    {.id = 2329, .flags = 78},
};

Column* ColumnAt(const CPtrArray& table, int index) {
    return index < table.GetSize() ? static_cast<Column*>(table.GetAt(index)) : nullptr;
}

void DefaultTable(CPtrArray& table) { SetTableRows(table, {0.0, 50.0}, {0.0, 0.0}, {0.0, 0.0}); }

// n rows of three doubles, refused (bad index) beyond the table limit before anything is
// allocated.
void ReadRows(CArchive& ar, long long count, std::vector<double> (&columns)[3]) {
    if (count < 0 || count > kMaxTableRows) AfxThrowArchiveException(CArchiveException::badIndex);
    for (auto& column : columns) column.reserve(static_cast<size_t>(count));
    for (long long i = 0; i < count; ++i)
        for (auto& column : columns) {
            double value = 0.0;
            ar >> value;
            column.push_back(value);
        }
}

} // namespace

namespace qv::sources {

void FreeTable(CPtrArray& table) {
    for (INT_PTR i = 0; i < table.GetSize(); ++i) delete static_cast<Column*>(table.GetAt(i));
    table.RemoveAll();
}

void CopyTable(CPtrArray& to, const CPtrArray* from) {
    if (from == &to) return;
    FreeTable(to);
    if (from == nullptr) return;
    for (INT_PTR i = 0; i < from->GetSize(); ++i) {
        auto* column = new Column;
        if (const Column* source = static_cast<const Column*>(from->GetAt(i))) column->Copy(*source);
        to.Add(column);
    }
}

int TableRows(const CPtrArray& table) {
    if (table.GetSize() != 3) return -1;
    INT_PTR rows = -1;
    for (INT_PTR i = 0; i < 3; ++i) {
        const Column* column = ColumnAt(table, static_cast<int>(i));
        const INT_PTR size = column ? column->GetSize() : 0;
        if (rows < 0 || size < rows) rows = size;
    }
    return static_cast<int>(rows);
}

void SetTableRows(CPtrArray& table, const std::vector<double>& frequency, const std::vector<double>& amplitude,
                  const std::vector<double>& phase) {
    FreeTable(table);
    for (const std::vector<double>* values : {&frequency, &amplitude, &phase}) {
        auto* column = new Column;
        column->SetSize(static_cast<INT_PTR>(values->size()));
        for (size_t i = 0; i < values->size(); ++i) column->SetAt(static_cast<INT_PTR>(i), (*values)[i]);
        table.Add(column);
    }
}

} // namespace qv::sources

// ---------------------------------------------------------------------------------------
// The page.

BEGIN_MESSAGE_MAP(CPropFourierSource, CTBPropertyPage)
    ON_BN_CLICKED(kCtlFileNameFlag, &CPropFourierSource::OnUseFileName)
    ON_BN_CLICKED(kCtlShowName, &CPropFourierSource::OnFieldChanged)
    ON_EN_CHANGE(kCtlName, &CPropFourierSource::OnFieldChanged)
    ON_EN_CHANGE(kCtlFundamental, &CPropFourierSource::OnFieldChanged)
    ON_EN_CHANGE(kCtlNumber, &CPropFourierSource::OnFieldChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlList, &CPropFourierSource::OnListItemChanged)
    ON_BN_CLICKED(kIdOutputCurrent, &CPropFourierSource::OnOutputCurrent)
    ON_BN_CLICKED(kIdOutputVoltage, &CPropFourierSource::OnOutputVoltage)
    ON_BN_CLICKED(kCtlPhaseAutomatic, &CPropFourierSource::OnPhaseAutomatic)
    ON_EN_CHANGE(kIdTableFile, &CPropFourierSource::OnFileNameChanged)
    ON_EN_KILLFOCUS(kCtlFundamental, &CPropFourierSource::OnFundamentalDone)
    ON_EN_KILLFOCUS(kCtlNumber, &CPropFourierSource::OnNumberDone)
    ON_CONTROL_RANGE(BN_CLICKED, kCtlAll, kCtlOdd, &CPropFourierSource::OnHarmonicsMode)
    ON_CBN_SELCHANGE(kCtlSourceType, &CPropFourierSource::OnSelchangeSourceType)
    ON_BN_CLICKED(kCtlImport, &CPropFourierSource::OnBrowseRead)
    ON_BN_CLICKED(kCtlExport, &CPropFourierSource::OnBrowseWrite)
    ON_MESSAGE(TBLM_CELLEDITED, &CPropFourierSource::OnCellEdited)
    ON_WM_DRAWITEM()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CFourierHarmonicState::CFourierHarmonicState() { DefaultTable(m_Table); }

CFourierHarmonicState::~CFourierHarmonicState() { FreeTable(m_Table); }

void CFourierHarmonicState::SetTableData(const FourierSettings& settings, const CPtrArray* table) {
    m_settings = settings;
    CopyTable(m_Table, table);
}

void CFourierHarmonicState::SetHarmonicSettings(const CString& fundamental, const CString& number, int mode,
                                                BOOL phaseAutomatic, BOOL useFileName) {
    m_strFundamental = fundamental;
    m_strNumber = number;
    m_nHarmonicsMode = mode;
    m_bPhaseAutomatic = phaseAutomatic;
    m_bUseFileName = useFileName;
}

void CFourierHarmonicState::CopyStateFrom(const CFourierHarmonicState& other) {
    SetTableData(other.m_settings, &other.m_Table);
    SetHarmonicSettings(other.m_strFundamental, other.m_strNumber, other.m_nHarmonicsMode, other.m_bPhaseAutomatic,
                        other.m_bUseFileName);
}

CPropFourierSource::CPropFourierSource() : TElementPage(kFourierTemplate) {}

CPropFourierSource::CPropFourierSource(CFourierSourceWizard4* wizard, ParamHolder* params)
    : TElementPage(kFourierTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropFourierSource::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kIdTableFile, m_edtFile);
    DDX_Control(pDX, kCtlList, m_lstHarmonics);
    DDX_Control(pDX, kCtlSourceType, m_cmbSourceType);
    qv::pages::ExchangeTexts(pDX, {{kIdTableFile, m_strFileName}, {kCtlFundamental, m_strFundamental},
                                   {kCtlName, m_strName}, {kCtlNumber, m_strNumber}});
    qv::pages::ExchangeChecks(pDX, {{kCtlFileNameFlag, m_bUseFileName}, {kCtlShowName, m_bShowName},
                                    {kIdOutputCurrent, m_bOutputCurrent}, {kIdOutputVoltage, m_bOutputVoltage},
                                    {kCtlPhaseAutomatic, m_bPhaseAutomatic}});
}

void CPropFourierSource::ShowMessage(const CString& text) { AfxMessageBox(text, MB_OK); }

void CPropFourierSource::EnableFileControls() {
    for (int id : {static_cast<int>(kIdTableFile), kCtlImport, kCtlExport})
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(m_bUseFileName);
}

void CPropFourierSource::SetSymbolMask() {
    const int selection = m_cmbSourceType.GetSafeHwnd() ? m_cmbSourceType.GetCurSel() : -1;
    if (selection < 0 || selection >= 8) return;
    InvalidateDlgItemRect(m_pSymbol, static_cast<BYTE>(1u << selection), kCtlSymbolFrame, this);
}

BOOL CPropFourierSource::OnInitDialog() {
    InitDialogWithLibraryResources();
    m_edtFile.AutoComplete(TRUE);
    BuildCharacteristicSearchDirs(m_pWizard);
    m_strDataDir = g_DocumentDir;
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_strNamedFor = m_strName;
    m_cmbSourceType.SetCurSel(0);
    UpdateData(FALSE);
    // The last parameter 2117 names the file.
    qv::pages::ForEachPresentParam(m_pParams, [this](const CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdTableFile) m_strFileName = param->GetValue();
    });
    UpdateData(FALSE);
    m_lstHarmonics.Init(this);
    UpdateData(TRUE);
    if (m_settings.sourceType == 0 || m_settings.sourceType == 1) m_cmbSourceType.SetCurSel(m_settings.sourceType);
    m_lstHarmonics.SetFundamentalText(m_strFundamental);
    m_lstHarmonics.SetHarmonicsModeValue(m_nHarmonicsMode);
    m_lstHarmonics.SetNumberText(m_strNumber);
    m_lstHarmonics.SetPhaseAutomaticValue(m_bPhaseAutomatic);
    FillListFromTable();
    // An existing data file overrides the archived table.
    CString found = m_strFileName;
    CString directory = m_strDataDir;
    if (!found.IsEmpty() && FindCharacteristicFile(found, directory)) {
        m_strDataDir = directory;
        m_known.TakeOpened(directory + found, ReadDataFile(directory + found) != FALSE);
    }
    UpdateHarmonicsControls();
    if (CWnd* exportButton = GetDlgItem(kCtlExport)) exportButton->EnableWindow(m_lstHarmonics.GetItemCount() > 0);
    UpdateData(TRUE);
    EnableFileControls();
    if (!m_bUseFileName) {
        m_strFileName = MakeDocumentFileName(m_pWizard, "");
        UpdateData(FALSE);
    }
    m_lstHarmonics.UpdatePhaseColumns();
    m_lstHarmonics.InitializeCtrl(1, 1);
    m_lstHarmonics.InitializeColumnSize(0, "WIZColumnWidths", "FourierSource");
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    UpdateData(FALSE);
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropFourierSource::OnSetActive() {
    GetSDBOutput(m_pParams, kIdOutputCurrent, &m_bOutputCurrent);
    GetSDBOutput(m_pParams, kIdOutputVoltage, &m_bOutputVoltage);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropFourierSource::OnKillActive() {
    WriteSourceTypeBits();
    return CTBPropertyPage::OnKillActive();
}

void CPropFourierSource::FillListFromTable() {
    const int rows = TableRows(m_Table);
    if (rows < 0 || m_lstHarmonics.GetSafeHwnd() == nullptr) return;
    m_lstHarmonics.RemoveAllRows();
    const Column* frequency = ColumnAt(m_Table, 0);
    const Column* amplitude = ColumnAt(m_Table, 1);
    const Column* phase = ColumnAt(m_Table, 2);
    const int mode = m_lstHarmonics.GetHarmonicsMode();
    for (int i = 0; i < rows; ++i)
        m_lstHarmonics.AddRow(HarmonicNumber(mode, i), frequency->GetAt(i), amplitude->GetAt(i), phase->GetAt(i));
    // Every percentage refers to row 1, which exists only now.
    m_lstHarmonics.WritePercentCells();
    // The number of harmonics keeps its spelling ("1k") while it counts the rows.
    double typed = 0.0;
    if (!qv::pages::ReadsAsNumber(m_strNumber, qv::pages::NumberNeeded::Count, &typed) || typed != rows - 1)
        m_strNumber = TBExtended_ftoa(rows - 1, -1, 0, "");
    m_lstHarmonics.SetNumberText(m_strNumber);
}

void CPropFourierSource::TakeTableFromList() {
    std::vector<double> columns[3];
    for (int row = 0; row < m_lstHarmonics.GetItemCount(); ++row) {
        const HarmonicRecord* record = m_lstHarmonics.RowRecord(row);
        if (record == nullptr) continue;
        columns[0].push_back(record->frequency);
        columns[1].push_back(record->amplitude);
        columns[2].push_back(record->phase);
    }
    SetTableRows(m_Table, columns[0], columns[1], columns[2]);
}

void CPropFourierSource::UpdateHarmonicsControls() {
    m_strFundamental = m_lstHarmonics.GetFundamentalText();
    m_strNumber = m_lstHarmonics.GetNumberText();
    m_nHarmonicsMode = m_lstHarmonics.GetHarmonicsMode();
    if (m_nHarmonicsMode >= kHarmonicsAll && m_nHarmonicsMode <= kHarmonicsOdd) {
        CheckDlgButton(kCtlAll, m_nHarmonicsMode == kHarmonicsAll ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kCtlEven, m_nHarmonicsMode == kHarmonicsEven ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kCtlOdd, m_nHarmonicsMode == kHarmonicsOdd ? BST_CHECKED : BST_UNCHECKED);
    }
    m_bPhaseAutomatic = m_lstHarmonics.GetPhaseAutomatic() != 0;
    UpdateData(FALSE);
}

void CPropFourierSource::HandOver() {
    if (m_pWizard != nullptr) m_pWizard->CopyStateFrom(*this);
}

BOOL CPropFourierSource::OnApply() {
    if (m_pParams == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    UpdateData(TRUE);
    // The number of harmonics counts the table's rows: a text that is no whole count ("1/0")
    // is refused before anything is written, instead of being read as its leading digits.
    if (CString number; GetDlgItem(kCtlNumber) != nullptr) {
        GetDlgItemText(kCtlNumber, number);
        if (!qv::pages::RefuseUnlessNumber(*this, kCtlNumber, number, qv::pages::NumberNeeded::Count)) return FALSE;
    }
    // So is a fundamental frequency that is no number above 0: the harmonics' frequencies are
    // its multiples.
    if (CString fundamental; GetDlgItem(kCtlFundamental) != nullptr) {
        GetDlgItemText(kCtlFundamental, fundamental);
        if (!qv::pages::RefuseUnlessNumber(*this, kCtlFundamental, fundamental, qv::pages::NumberNeeded::Positive))
            return FALSE;
        // Every harmonic's frequency must be a number the data file can hold.
        double value = 0.0;
        qv::pages::ReadsAsNumber(fundamental, qv::pages::NumberNeeded::Positive, &value);
        // The rows the list holds, or will hold once a number typed and not yet left is taken.
        double typed = 0.0;
        CString number;
        GetDlgItemText(kCtlNumber, number);
        qv::pages::ReadsAsNumber(number, qv::pages::NumberNeeded::Count, &typed);
        const int rows = std::max({m_lstHarmonics.GetItemCount(), 2, std::min(static_cast<int>(typed), kMaxHarmonics) + 1});
        if (!FundamentalFits(value, m_lstHarmonics.GetHarmonicsMode(), rows) &&
            !qv::pages::RefuseField(*this, kCtlFundamental))
            return FALSE;
    }
    qv::pages::StoreNameAndShowName(*m_pParams, m_strName, m_bShowName);
    const RequestTarget target(m_pWizard);
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);
    if (!CommitParamSet(target, cookie)) return FALSE;
    if (!m_bUseFileName) {
        NameDocumentFile();
        UpdateData(FALSE);
    } else {
        // The parameter names the file written; when nothing may be written, the page stays
        // as the user left it.
        const CString typedName = m_strFileName;
        const CString typedDir = m_strDataDir;
        m_strFileName = FileNameFollowingRename(m_pWizard, m_strFileName, m_strNamedFor, m_strName, "");
        ResolveDataFileDir();
        if (!WriteMdxFile(m_strFileName, m_nFileFormat)) {
            m_strFileName = typedName;
            m_strDataDir = typedDir;
            UpdateData(FALSE);
            return FALSE;
        }
    }
    qv::pages::ForEachPresentParam(m_pParams, [this](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdTableFile) param->SetValue(m_strFileName);
    });
    const int selection = m_cmbSourceType.GetSafeHwnd() ? m_cmbSourceType.GetCurSel() : -1;
    if (selection >= 0 && selection < 8) m_settings.sourceType = selection;
    ShowSourceTypeInSymbol();
    TakeTableFromList();
    m_nHarmonicsMode = m_lstHarmonics.GetHarmonicsMode();
    m_strFundamental = m_lstHarmonics.GetFundamentalText();
    m_strNumber = m_lstHarmonics.GetNumberText();
    m_bPhaseAutomatic = m_lstHarmonics.GetPhaseAutomatic();
    HandOver();
    m_lstHarmonics.SaveColumnWidths();
    if (!CommitParamSet(target, cookie)) return FALSE;
    m_strNamedFor = m_strName;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropFourierSource::ReadSourceType(int storeToWizard) {
    BOOL current = TRUE;
    BOOL voltage = FALSE;
    const BOOL haveCurrent = GetParamExtBit(m_pParams, kIdCurrentMark, &current);
    const BOOL haveVoltage = GetParamExtBit(m_pParams, kIdVoltageMark, &voltage);
    if (haveCurrent && haveVoltage) {
        const int type = current ? 1 : 0;
        if (!current && !voltage) SetParamExtBit(m_pParams, kIdVoltageMark, TRUE);
        if (current && voltage) SetParamExtBit(m_pParams, kIdVoltageMark, FALSE);
        if (m_cmbSourceType.GetSafeHwnd() != nullptr) m_cmbSourceType.SetCurSel(type);
        else m_settings.sourceType = type;
    }
    if (m_cmbSourceType.GetSafeHwnd() != nullptr && m_cmbSourceType.GetCurSel() >= 0)
        m_settings.sourceType = m_cmbSourceType.GetCurSel();
    if (storeToWizard != 1) return;
    // A new element is drawn in its type from the start, as OK draws it.
    ShowSourceTypeInSymbol();
    if (m_pWizard != nullptr) m_pWizard->SetTableData(m_settings, &m_Table);
}

void CPropFourierSource::NameDocumentFile() {
    if (m_bUseFileName) return;
    m_strFileName = MakeDocumentFileName(m_pWizard, "");
    qv::pages::ForEachPresentParam(m_pParams, [this](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdTableFile) param->SetValue(m_strFileName);
    });
}

void CPropFourierSource::ShowSourceTypeInSymbol() {
    const int type = m_settings.sourceType;
    if (m_pParams != nullptr && type >= 0 && type < 8) m_pParams->m_bySymbolVariant = static_cast<BYTE>(1u << type);
}

void CPropFourierSource::WriteSourceTypeBits() {
    const int selection = m_cmbSourceType.GetSafeHwnd() ? m_cmbSourceType.GetCurSel() : -1;
    if (selection != 0 && selection != 1) return;
    SetParamExtBit(m_pParams, kIdCurrentMark, selection == 1);
    SetParamExtBit(m_pParams, kIdVoltageMark, selection == 0);
}

void CPropFourierSource::Serialize(CArchive& ar) {
    if (ar.IsStoring()) return;
    DWORD version = 0;
    DWORD mode = 0;
    DWORD automatic = 0;
    DWORD useFile = 0;
    ar >> version >> mode >> automatic >> useFile;
    ar >> m_strFundamental >> m_strNumber;
    m_nHarmonicsMode = static_cast<int>(mode);
    m_bPhaseAutomatic = automatic != 0;
    m_bUseFileName = useFile != 0;
    m_lstHarmonics.SetHarmonicsModeValue(m_nHarmonicsMode);
    m_lstHarmonics.SetPhaseAutomaticValue(m_bPhaseAutomatic);
    m_lstHarmonics.SetFundamentalText(m_strFundamental);
    if (GetSafeHwnd() != nullptr) {
        UpdateData(FALSE);
        UpdateData(TRUE);
        SetModified(TRUE);
        EnableFileControls();
    }
    DWORD count = 0;
    ar >> count;
    std::vector<double> columns[3];
    ReadRows(ar, static_cast<long long>(count), columns);
    SetTableRows(m_Table, columns[0], columns[1], columns[2]);
    m_strNumber = TBExtended_ftoa(static_cast<double>(count) - 1.0, -1, 0, "");
    m_lstHarmonics.SetNumberText(m_strNumber);
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

// Element data of the older wizard generation, little-endian DWORDs: source type, an unused
// word, the length S of a block that is skipped and its S bytes, the length P of the page's
// state and its P bytes. Only whole fields are read; a block whose length fails its test ends
// the reading, and the page's settings go to the wizard all the same.
void CPropFourierSource::ConvertWizard3Data(const void* data, long length) {
    if (data == nullptr) {
        ReadSourceType(0);
        HandOver();
        return;
    }
    const size_t size = length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    DWORD value = 0;
    if (in.ReadDword(value)) {
        m_settings.sourceType = static_cast<int>(value);
        if (m_cmbSourceType.GetSafeHwnd() != nullptr) {
            m_cmbSourceType.SetCurSel(m_settings.sourceType);
            UpdateData(TRUE);
            SetModified(TRUE);
            SetSymbolMask();
        }
        DWORD unused = 0;
        DWORD skip = 0;
        DWORD state = 0;
        if (in.ReadDword(unused) && in.ReadDword(skip) && in.SkipBytes(skip) && in.ReadDword(state) && state >= 1 &&
            in.Fits(state))
            ReadArchivedBlock(in.Position(), state, [this](CArchive& ar) { Serialize(ar); });
    }
    HandOver();
}

// ---------------------------------------------------------------------------------------
// Data files.

BOOL CPropFourierSource::ReadDataFile(CString path) {
    CReadAndWriteFiles files;
    if (!files.ReadInfoFile(path, "", -1, nullptr, nullptr, 1, 0, 2)) {
        if (files.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled) ShowMessage(files.GetLastError());
        return FALSE;
    }
    const int rows = files.GetNrItems();
    if (files.GetNrChannels() != 3) {
        ShowMessage(kOnlyThreeChannels);
        return FALSE;
    }
    if (rows < 0) {
        ShowMessage(LoadLibraryString(8000));
        return FALSE;
    }
    if (rows > kMaxTableRows) {
        ShowMessage(qv::files::TooManyRowsText(rows, kMaxTableRows));
        return FALSE;
    }
    std::vector<double> columns[3];
    for (int c = 0; c < 3; ++c) {
        columns[c].assign(static_cast<size_t>(rows), 0.0);
        files.GetChannel(c)->SetSampleBuffer(columns[c].data(), rows);
    }
    const BOOL read = files.ReadDataFile();
    for (int c = 0; c < 3; ++c) files.GetChannel(c)->SetSampleBuffer(nullptr, 0);
    if (!read) {
        if (files.GetLastErrorNumber() != CReadAndWriteFiles::errCancelled) ShowMessage(files.GetLastError());
        return FALSE;
    }
    // Each row stands at its harmonic's place, whatever the file's order or gaps; a file that
    // is no spectrum of one fundamental changes nothing.
    double fundamental = 0.0;
    if (!qv::ParsePrefixedNumber(m_lstHarmonics.GetFundamentalText(), &fundamental) || !(fundamental > 0.0))
        fundamental = 50.0;
    PlacedHarmonics placed;
    if (!PlaceHarmonics(columns[0], columns[1], columns[2], m_lstHarmonics.GetHarmonicsMode(), fundamental, &placed)) {
        ShowMessage(kNoHarmonics);
        return FALSE;
    }
    SetTableRows(m_Table, placed.frequency, placed.amplitude, placed.phase);
    m_nHarmonicsMode = placed.mode;
    m_strFundamental = TBExtended_ftoa(placed.fundamental, -1, 0, "");
    m_lstHarmonics.SetHarmonicsModeValue(m_nHarmonicsMode);
    m_lstHarmonics.SetFundamentalText(m_strFundamental);
    m_strNumber = TBExtended_ftoa(TableRows(m_Table) - 1, -1, 0, "");
    m_lstHarmonics.SetNumberText(m_strNumber);
    FillListFromTable();
    UpdateHarmonicsControls();
    m_nFileFormat = files.GetSaveVersion();
    return TRUE;
}

BOOL CPropFourierSource::WriteMdxFile(CString fileName, int format) {
    const int rows = m_lstHarmonics.GetItemCount();
    std::vector<double> columns[3];
    for (int row = 0; row < rows; ++row) {
        const HarmonicRecord* record = m_lstHarmonics.RowRecord(row);
        columns[0].push_back(record ? record->frequency : 0.0);
        columns[1].push_back(record ? record->amplitude : 0.0);
        columns[2].push_back(record && !m_bPhaseAutomatic ? record->phase : 0.0);
    }
    CReadAndWriteFiles files;
    files.SetNrChannels(3);
    files.SetNrItems(rows);
    files.InsertChannel(0, columns[0].data(), "f", "Hz");
    files.InsertChannel(1, columns[1].data(), "Amplitude", "");
    files.InsertChannel(2, columns[2].data(), "Phase", "rad");
    // A relative folder lies in the data folder.
    const std::optional<qv::files::WrittenTable> written =
        qv::files::WriteTableFile(files, fileName, format, m_nFileFormat, m_strName, m_strDataDir, m_known);
    if (!written) return FALSE;
    m_nFileFormat = written->format;
    // The field and the parameter name the file written.
    m_strFileName = written->name;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    AnnounceFileWritten(RequestTarget(m_pWizard), written->path);
    return TRUE;
}

void CPropFourierSource::ResolveDataFileDir() {
    CString directory = m_strDataDir;
    CString path = m_strFileName;
    MakeCharacteristicPathRelative(directory, path);
    m_strDataDir = directory;
    m_strFileName = path;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

// ---------------------------------------------------------------------------------------
// Control handlers.

void CPropFourierSource::OnUseFileName() {
    UpdateData(TRUE);
    SetModified(TRUE);
    EnableFileControls();
}

void CPropFourierSource::OnFieldChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropFourierSource::OnListItemChanged(NMHDR*, LRESULT* pResult) {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (pResult != nullptr) *pResult = 0;
}

void CPropFourierSource::OnOutputCurrent() {
    UpdateData(TRUE);
    SetModified(TRUE);
    SetSDBOutput(m_pParams, kIdOutputCurrent, m_bOutputCurrent);
    CheckDlgButton(kIdOutputCurrent, m_bOutputCurrent ? BST_CHECKED : BST_UNCHECKED);
}

void CPropFourierSource::OnOutputVoltage() {
    UpdateData(TRUE);
    SetModified(TRUE);
    SetSDBOutput(m_pParams, kIdOutputVoltage, m_bOutputVoltage);
    CheckDlgButton(kIdOutputVoltage, m_bOutputVoltage ? BST_CHECKED : BST_UNCHECKED);
}

void CPropFourierSource::OnPhaseAutomatic() {
    UpdateData(TRUE);
    SetModified(TRUE);
    m_lstHarmonics.SetPhaseAutomatic(m_bPhaseAutomatic);
}

void CPropFourierSource::OnFileNameChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    m_lstHarmonics.SetFileName(m_strFileName);
}

void CPropFourierSource::OnFundamentalDone() {
    UpdateData(TRUE);
    SetModified(TRUE);
    m_lstHarmonics.SetFundamental(m_strFundamental);
}

// The field keeps what the user typed; the list takes at most 1000 harmonics.
void CPropFourierSource::OnNumberDone() {
    UpdateData(TRUE);
    SetModified(TRUE);
    CString number = m_strNumber;
    m_lstHarmonics.SetNumberOfHarmonics(number);
}

// The radios "All", "Even" and "Odd" follow each other as the modes do.
void CPropFourierSource::OnHarmonicsMode(UINT id) {
    static_assert(kCtlEven - kCtlAll == kHarmonicsEven - kHarmonicsAll &&
                  kCtlOdd - kCtlAll == kHarmonicsOdd - kHarmonicsAll);
    UpdateData(TRUE);
    SetModified(TRUE);
    m_lstHarmonics.SetHarmonicsMode(kHarmonicsAll + static_cast<int>(id) - kCtlAll);
}

void CPropFourierSource::OnSelchangeSourceType() {
    UpdateData(TRUE);
    SetModified(TRUE);
    SetSymbolMask();
}

LRESULT CPropFourierSource::OnCellEdited(WPARAM wParam, LPARAM lParam) {
    if (wParam != kCtlList) return 0;
    // The amplitudes are volts of a voltage source and amperes of a current source.
    const bool current = m_cmbSourceType.GetSafeHwnd() != nullptr && m_cmbSourceType.GetCurSel() == 1;
    m_lstHarmonics.SetAmplitudeUnit(current ? "Current" : "Voltage", current ? "A" : "V");
    return m_lstHarmonics.OnEndEdit(wParam, lParam);
}

void CPropFourierSource::OnBrowseRead() {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (!qv::files::AskForFileToRead(this, m_strDataDir, m_strFileName)) return;
    UpdateData(FALSE);
    const BOOL read = ReadDataFile(m_strFileName);
    m_known.TakeChosenToRead(m_strFileName, read != FALSE);
    if (!read) {
        ShowMessage(qv::files::ReadErrorText());
        UpdateData(TRUE);
        SetModified(TRUE);
        return;
    }
    UpdateHarmonicsControls();
    UpdateData(FALSE);
    ResolveDataFileDir();
}

void CPropFourierSource::OnBrowseWrite() {
    UpdateData(TRUE);
    SetModified(TRUE);
    CString chosen = m_strFileName;
    const int format = qv::files::AskForFileToSaveAs(this, m_strDataDir, chosen, m_nFileFormat, m_known);
    if (format < 0) return;
    // The name chosen is written where it says, in the format chosen. When nothing may be
    // written, the page stays as it was.
    const CString earlierName = m_strFileName;
    const CString earlierDir = m_strDataDir;
    const int earlierFormat = m_nFileFormat;
    m_strFileName = chosen;
    m_nFileFormat = format;
    ResolveDataFileDir();
    if (!WriteMdxFile(m_strFileName, format)) {
        m_strFileName = earlierName;
        m_strDataDir = earlierDir;
        m_nFileFormat = earlierFormat;
        UpdateData(FALSE);
        return;
    }
    ResolveDataFileDir();
}

void CPropFourierSource::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (nIDCtl != kCtlImport && nIDCtl != kCtlExport) {
        CTBPropertyPage::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    DrawButtonImage(kFileButtonImages, kCtlImport, nIDCtl, lpDrawItemStruct);
}

void CPropFourierSource::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

// ---------------------------------------------------------------------------------------
// The wizard.

CFourierSourceWizard4::CFourierSourceWizard4() = default;

CFourierSourceWizard4::CFourierSourceWizard4(const CFourierSourceWizard4* other) : TPageWizard4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    CopyStateFrom(*other);
}

int CFourierSourceWizard4::GetWizardKind() { return 3; }

void CFourierSourceWizard4::PrepareEditing() { BuildCharacteristicSearchDirs(this); }

void CFourierSourceWizard4::GiveSettingsToPage(CPropFourierSource& page) { page.CopyStateFrom(*this); }

namespace {

// A page of its own for hidden work; the page on the editor's sheet is never touched.
struct HiddenFourierPage {
    std::unique_ptr<CPropFourierSource> page;
    HiddenFourierPage(CFourierSourceWizard4& wizard, ParamHolder* params)
        : page(new (std::nothrow) CPropFourierSource(&wizard, params)) {
        if (page != nullptr) page->CopyStateFrom(wizard);
    }
    ~HiddenFourierPage() {
        if (page != nullptr && page->GetSafeHwnd() != nullptr) page->DestroyWindow();
    }
    bool Open() {
        if (page == nullptr) return false;
        CResourceSwitch resources;
        if (!page->Create(kFourierTemplate, nullptr)) return false;
        page->ShowWindow(SW_HIDE);
        return true;
    }
};

} // namespace

BOOL CFourierSourceWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    HiddenFourierPage hidden(*this, params.Holder());
    if (!hidden.Open()) return TRUE;
    hidden.page->ReadSourceType(1);
    // The file the page's OK names, so that a bare OK changes nothing.
    hidden.page->NameDocumentFile();
    return TRUE;
}

BOOL CFourierSourceWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    HiddenFourierPage hidden(*this, params.Holder());
    if (!hidden.Open()) return TRUE;
    hidden.page->ConvertWizard3Data(data, length);
    hidden.page->WriteSourceTypeBits();
    return TRUE;
}

int CFourierSourceWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    const RequestTarget target(this);
    ScopedParamSet params(target);
    ReplacePlaceholder(modelText, "@TYPE", m_settings.sourceType == 1 ? "I_Src" : "V_Src", 0);
    SetModelOutputDirFromFile(file);
    CStringArray names;
    CStringArray units;
    for (int i = 0; i < 3; ++i) {
        names.Add(m_settings.names[i]);
        units.Add(m_settings.units[i]);
    }
    BuildCharacteristicSearchDirs(this);
    if (params.Holder() == nullptr) return 4;
    // While the phases are automatic they are not the user's: the data file gets 0 for each,
    // as the page writes it. The table keeps the phases typed before, for when they are
    // edited again.
    CPtrArray written;
    CopyTable(written, &m_Table);
    if (m_bPhaseAutomatic && written.GetSize() == 3)
        if (auto* phases = static_cast<Column*>(written.GetAt(2)))
            for (INT_PTR row = 0; row < phases->GetSize(); ++row) phases->SetAt(row, 0.0);
    WriteParamTableFile3(params.Holder(), this, kIdTableFile, &written, &names, &units);
    FreeTable(written);
    return 4;
}

void CFourierSourceWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << static_cast<DWORD>(m_settings.sourceType);
        for (int i = 0; i < 3; ++i) ar << m_settings.names[i] << m_settings.units[i];
        const int rows = TableRows(m_Table);
        ar << static_cast<DWORD>(rows);
        for (int row = 0; row < rows; ++row)
            for (int c = 0; c < 3; ++c) ar << ColumnAt(m_Table, c)->GetAt(row);
        ar << m_strFundamental << m_strNumber;
        ar << static_cast<DWORD>(m_nHarmonicsMode) << static_cast<DWORD>(m_bPhaseAutomatic)
           << static_cast<DWORD>(m_bUseFileName);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema > 0) return;
    DWORD sourceType = 0;
    ar >> sourceType;
    FourierSettings settings;
    settings.sourceType = static_cast<int>(sourceType);
    for (int i = 0; i < 3; ++i) ar >> settings.names[i] >> settings.units[i];
    DWORD count = 0;
    ar >> count;
    const int rows = static_cast<int>(count);
    if (rows != -1) {
        std::vector<double> columns[3];
        ReadRows(ar, rows, columns);
        SetTableRows(m_Table, columns[0], columns[1], columns[2]);
    }
    m_settings = settings;
    DWORD mode = 0;
    DWORD automatic = 0;
    DWORD useFile = 0;
    ar >> m_strFundamental >> m_strNumber >> mode >> automatic >> useFile;
    m_nHarmonicsMode = static_cast<int>(mode);
    m_bPhaseAutomatic = automatic != 0;
    m_bUseFileName = useFile != 0;
}
