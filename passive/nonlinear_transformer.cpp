#include "passive/nonlinear_transformer.h"

#include "framework/characteristic_description.h"
#include "framework/characteristic_element_page.h"
#include "framework/characteristic_page_parts.h"
#include "framework/characteristic_sheet.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/immanent_template.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/path_parts.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "framework/table_writers.h"
#include "toolkit/tb_sheet.h"
#include "win32/paths.h"

#include <memory>
#include <new>

using namespace qv::passive;
using namespace qv::dialog;
using qv::pages::IsLiveInput;

IMPLEMENT_SERIAL(CPropPassive2WTrafoNonLinear, CPropPassiveTransformerBase, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassive2WTrafoNonLinear)
IMPLEMENT_DYNAMIC(CNonlinearTransformerWizard4, CPassiveResAndConWizardBase4)

namespace {

constexpr UINT kNonlinearTemplate = 2615;
constexpr WORD kIdCharacteristic = 2016;
constexpr WORD kIdCharacteristicFile = 1006;
constexpr WORD kIdCharacteristicVariable = 1007;
constexpr WORD kIdRatio = 2486;

constexpr char kKeywordFile[] = "CH_FILE";
constexpr char kKeywordVariable[] = "CH_STRG";

constexpr TransformerField kFields[] = {
    {.id = 2477, .selector = 2514}, {.id = 2479, .selector = 2527}, {.id = 2483, .selector = 2516},
    {.id = 2485, .selector = 2521}, {.id = 2112, .selector = 2517},
};
constexpr TransformerRatio kRatio[] = {{.edit = kIdRatio, .usePin = 2487}};
constexpr TransformerOutput kOutputs[] = {
    {.check = 2371, .ids = {2371, 0, 0}}, {.check = 2372, .ids = {2372, 0, 0}},
    {.check = 2373, .ids = {2373, 0, 0}}, {.check = 2374, .ids = {2374, 0, 0}},
};
constexpr TransformerLayoutCode kLayout[] = {
    {.id = 2000, .code = 5},  {.id = 2001, .code = 69}, {.id = 2002, .code = 20}, {.id = 2020, .code = 6},
    {.id = 2072, .code = 15}, {.id = 2476, .code = 33}, {.id = 2478, .code = 33}, {.id = 2489, .code = 33},
    {.id = 2488, .code = 33}, {.id = 2477, .code = 97}, {.id = 2479, .code = 97}, {.id = 2016, .code = 97},
    {.id = 2482, .code = 48}, {.id = 2484, .code = 48}, {.id = 2111, .code = 48}, {.id = 2483, .code = 98},
    {.id = 2485, .code = 98}, {.id = 2112, .code = 98}, {.id = 2331, .code = 33}, {.id = 2486, .code = 97},
    {.id = 2487, .code = 48}, {.id = 2514, .code = 48}, {.id = 2527, .code = 48}, {.id = 2075, .code = 48},
    {.id = 2516, .code = 34}, {.id = 2521, .code = 34}, {.id = 2517, .code = 34}, {.id = 2017, .code = 11},
    {.id = 2371, .code = 9},  {.id = 2372, .code = 24}, {.id = 2373, .code = 24}, {.id = 2374, .code = 24},
};
constexpr TransformerPageShape kShape = {.templateId = kNonlinearTemplate, .fields = kFields, .ratios = kRatio,
                                         .outputs = kOutputs, .groupOutputs = false, .layout = kLayout};

} // namespace

CPropPassive2WTrafoNonLinear::CPropPassive2WTrafoNonLinear() : CPropPassiveTransformerBase(kShape) {}

CPropPassive2WTrafoNonLinear::CPropPassive2WTrafoNonLinear(CNonlinearTransformerWizard4* wizard, ParamHolder* params)
    : CPropPassiveTransformerBase(kShape, wizard, params), m_pWizard(wizard) {}

CPropPassive2WTrafoNonLinear::~CPropPassive2WTrafoNonLinear() { DeleteSnapshots(m_Snapshots); }

void CPropPassive2WTrafoNonLinear::LoadFromWizard(DWORD kind, DWORD modeWord, CString xAxisLabel,
                                                  CString yAxisLabel, const CPtrArray* snapshots) {
    qv::characteristic::TakeSettings({m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, m_Snapshots}, kind,
                                     modeWord, xAxisLabel, yAxisLabel, snapshots);
}

CPropCharacteristicXYTable* CPropPassive2WTrafoNonLinear::Table() {
    return qv::characteristic::OwnedTable(m_pWizard, &CNonlinearTransformerWizard4::GetCharacteristic);
}

void CPropPassive2WTrafoNonLinear::TakeModeBitsFromTable() {
    CPropCharacteristicXYTable* table = Table();
    if (table == nullptr) return;
    m_dwModeWord = (m_dwModeWord & ~kModeFlagBits) | qv::characteristic::TableModeFlags(table);
}

BOOL CPropPassive2WTrafoNonLinear::CharacteristicOnPinInParams() {
    CWizardCopaObject3* param = FindParamByValueID(m_pParams, kIdCharacteristic);
    return param != nullptr && (param->GetType() & kParamTypeUsePin) != 0 &&
           (param->GetExtType() & kParamExtUnused) == 0;
}

void CPropPassive2WTrafoNonLinear::DoDataExchange(CDataExchange* pDX) {
    CPropPassiveTransformerBase::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlCharacteristicPin, m_bCharacteristicUsesPin);
}

BOOL CPropPassive2WTrafoNonLinear::OnInitDialog() {
    InitNameAndSymbol();
    LoadParameters();
    if (CWizardCopaObject3* param = FindParamByValueID(m_pParams, kIdCharacteristic)) {
        m_strReference = param->GetValue();
        if (CharacteristicOnPinInParams()) m_bCharacteristicUsesPin = TRUE;
    }
    // The table's names as the wizard holds them, else as the parameters kept them.
    if (m_pWizard != nullptr) {
        m_strVariableName = m_pWizard->GetVariableName();
        m_strFileName = m_pWizard->GetFileName();
    }
    if (m_strVariableName.IsEmpty()) GetParamValue(m_pParams, kIdCharacteristicVariable, &m_strVariableName);
    if (m_strFileName.IsEmpty()) GetParamValue(m_pParams, kIdCharacteristicFile, &m_strFileName);
    UpdateData(FALSE);
    return FinishInitWithUnitCaptions();
}

void CPropPassive2WTrafoNonLinear::OnCharacteristicUsePin() {
    UpdateData(TRUE);
    if (CWnd* button = GetDlgItem(kIdCharacteristic)) button->EnableWindow(!m_bCharacteristicUsesPin);
    SetParamUsePin(m_pParams, kIdCharacteristic, m_bCharacteristicUsesPin);
    qv::characteristic::FollowCharacteristicPinBox(m_bCharacteristicUsesPin, [this] { return Table(); }, m_dwKind,
                                                   m_strReference);
    SetModified(TRUE);
}

BOOL CPropPassive2WTrafoNonLinear::OnSetActive() {
    ShowOutputStates();
    ReadRatioPins();
    if (HasParamWithValueID(m_pParams, kIdCharacteristic)) m_bCharacteristicUsesPin = CharacteristicOnPinInParams();
    UpdateData(FALSE);
    for (int pass = 0; pass < 2; ++pass) ApplyRatioPin(0);
    OnCharacteristicUsePin();
    SetModified(FALSE);
    EnableFieldsByPin();
    return CPropPassiveTransformerBase::OnSetActive();
}

void CPropPassive2WTrafoNonLinear::OnOtherButton(UINT id) {
    if (id == kCtlCharacteristicPin) {
        OnCharacteristicUsePin();
    } else if (id == kIdCharacteristic) {
        OnCharacteristic();
    } else {
        CPropPassiveTransformerBase::OnOtherButton(id);
    }
}

void CPropPassive2WTrafoNonLinear::OnCharacteristic() {
    CPropCharacteristicXYTable* table = Table();
    if (table == nullptr) return;
    qv::characteristic::RunCharacteristicSheet(
        *this, m_strName, *table,
        {m_strReference, m_strVariableName, m_strFileName, m_dwKind, m_strXAxisLabel, m_strYAxisLabel});
    SetModified(TRUE);
}

void CPropPassive2WTrafoNonLinear::SnapshotOf(const char* name, const char* rename) {
    qv::snapshots::AppendSnapshotOf(m_Snapshots, m_pParams, name, rename);
}

void CPropPassive2WTrafoNonLinear::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    if (m_dwKind == 0)
        SnapshotOf("CH", nullptr);
    else
        SnapshotOf((m_dwModeWord & kModeFileReference) ? kKeywordVariable : kKeywordFile, "@CH");
    for (const char* name : {"LS1", "LS2", "RCU1", "RCU2", "RFE", "KTR"}) SnapshotOf(name, nullptr);
}

BOOL CPropPassive2WTrafoNonLinear::OnApply() {
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (m_pParams == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pParams)) return FALSE;
    UpdateData(TRUE);
    // A characteristic the element uses gives the model text a value, or OK refuses before
    // anything is written.
    CPropCharacteristicXYTable* table = Table();
    if (!qv::characteristic::RefuseCharacteristicWithoutValue(*this, m_bCharacteristicUsesPin != FALSE, m_dwKind,
                                                              m_strReference, m_strVariableName, table))
        return FALSE;
    WriteNameAndFlag();
    const RequestTarget target(static_cast<const CWizardBase4*>(m_pWizard));
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);
    if (!target.HasReceiver()) return FALSE;
    if (!CommitParamSet(target, cookie)) return FALSE;

    if (table != nullptr && m_dwKind == 1 && !table->GetUserFileFlag() &&
        table->GetDataPairsFlag() == CPropCharacteristicXYTable::kSourceDataPairs)
        m_strFileName = MakeDocumentFileName(m_pWizard, CString());
    qv::characteristic::FollowElementName(table, m_pWizard, m_strName, m_strFileName);

    WriteValues();
    if (!m_bCharacteristicUsesPin) {
        CWizardCopaObject3* param = FindParamByValueID(m_pParams, kIdCharacteristic);
        if (IsLiveInput(param)) param->SetValue(m_strReference);
        // The wizard does not archive the variable and file names: the parameters carry them
        // from one session to the next, so that a saved element keeps its table's names.
        param = FindParamByValueID(m_pParams, kIdCharacteristicFile);
        if (IsLiveInput(param)) param->SetValue(m_strFileName);
        param = FindParamByValueID(m_pParams, kIdCharacteristicVariable);
        if (IsLiveInput(param)) param->SetValue(m_strVariableName);
    }
    TakeModeBitsFromTable();
    BuildCompareList();
    if (m_pWizard != nullptr) {
        m_pWizard->SetVariableName(m_strVariableName);
        m_pWizard->SetFileName(m_strFileName);
        m_pWizard->StoreModeAndCompareList(m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
    }
    if (!CommitParamSet(target, cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropPassive2WTrafoNonLinear::InitDefaults(int commit) {
    if (m_dwKind == 1) TakeModeBitsFromTable();
    BuildCompareList();
    if (commit == 1 && m_pWizard != nullptr) {
        m_pWizard->SetFileName(CString());
        m_pWizard->SetVariableName(CString());
        m_pWizard->StoreModeAndCompareList(m_dwKind, m_dwModeWord, CString(), CString(), &m_Snapshots);
    }
}

// Element data of the older wizard generation, all numbers little-endian DWORDs:
//   mode word, snapshot count n, snapshot block length S, S bytes of n archived snapshots,
//   page block length P, P bytes of the page block (Serialize),
//   characteristic block length C, C bytes of the characteristic's archive image,
//   point block length D, D bytes of points and four texts.
// Every part may be missing from the end on. Only whole fields are read; a block that does
// not fit in what remains ends the reading and what was read before it is kept; a count
// larger than its block can hold reads no snapshots.
void CPropPassive2WTrafoNonLinear::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    if (data != nullptr) {
        qv::characteristic::ReadOlderElementData(
            data, length > 0 ? static_cast<size_t>(length) : 0,
            {.snapshots = m_Snapshots,
             .snapshotRule = qv::characteristic::SnapshotBlockRule::kWhenCountFits,
             .takeMode = [this](DWORD mode) { m_dwModeWord = mode; },
             .readPage = [this](CArchive& ar) { Serialize(ar); },
             .takeCharacteristic =
                 [this](const BYTE* bytes, size_t size) {
                     m_OldCharacteristic.assign(bytes, bytes + size);
                     return true;
                 },
             .readPoints =
                 [this](const BYTE* bytes, size_t size) {
                     qv::characteristic::ReadPointBlockTexts(&bytes, &size, &m_strXAxisLabel, &m_strYAxisLabel,
                                                             &m_strXSecondText, &m_strYSecondText);
                 }});
        if (m_pWizard != nullptr) {
            m_pWizard->SetXSecondText(m_strXSecondText);
            m_pWizard->SetYSecondText(m_strYSecondText);
            m_pWizard->SetFileName(m_strFileName);
            m_pWizard->SetVariableName(m_strVariableName);
        }
    }
    if (m_pWizard != nullptr)
        m_pWizard->StoreModeAndCompareList(m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
}

void CPropPassive2WTrafoNonLinear::Serialize(CArchive& ar) {
    CString& ratio = m_ratioTexts[0];
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropPassive2WTrafoNonLinear));
        ar << g_dwPageVersion;
        ar << ratio;
        ar << m_dwKind;
        ar << m_strVariableName << m_strFileName;
        return;
    }
    ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropPassive2WTrafoNonLinear));
    DWORD version = 0;
    ar >> version;
    ar >> ratio;
    ar >> m_dwKind;
    ar >> m_strVariableName >> m_strFileName;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}

// ---------------------------------------------------------------------------------------

CPropPassive2WTrafoNonLinear* CNonlinearTransformerWizard4::MakePage(DWORD_PTR cookie) {
    return new (std::nothrow) CPropPassive2WTrafoNonLinear(this, HolderFromCookie(cookie));
}

void CNonlinearTransformerWizard4::GiveSettingsToPage(CPropPassive2WTrafoNonLinear& page) {
    page.LoadFromWizard(m_State.kind, m_State.modeWord, m_State.xAxisLabel, m_State.yAxisLabel, &m_State.snapshots);
}

namespace {

// A hidden page of its own: the page on the editor's sheet (if any) is never touched.
std::unique_ptr<CPropPassive2WTrafoNonLinear> HiddenPage(CNonlinearTransformerWizard4& wizard, ParamHolder* params) {
    return qv::pages::CreateHiddenPage(new (std::nothrow) CPropPassive2WTrafoNonLinear(&wizard, params),
                                       kNonlinearTemplate);
}

} // namespace

BOOL CNonlinearTransformerWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    if (std::unique_ptr<CPropPassive2WTrafoNonLinear> page = HiddenPage(*this, params.Holder())) {
        // The wizard's own settings first, so that a re-initialisation keeps them.
        page->LoadFromWizard(m_State.kind, m_State.modeWord, m_State.xAxisLabel, m_State.yAxisLabel, nullptr);
        page->InitDefaults(1);
        page->DestroyWindow();
    }
    return TRUE;
}

BOOL CNonlinearTransformerWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    std::unique_ptr<CPropPassive2WTrafoNonLinear> page = HiddenPage(*this, params.Holder());
    if (page == nullptr) return TRUE;
    page->ConvertWizard3Data(data, length);
    const std::vector<BYTE>& block = page->GetOldCharacteristicBlock();
    if (block.size() <= 0x7FFFFFFFu) {
        m_State.characteristic.SetData(block.empty() ? nullptr : block.data(), static_cast<int>(block.size()));
        m_State.characteristic.LoadFromData();
        m_State.characteristic.SetData(nullptr, 0);
    }
    page->FreeOldCharacteristicBlock();
    m_State.modeWord = page->GetModeWord();
    page->DestroyWindow();
    return TRUE;
}

int CNonlinearTransformerWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_State.snapshots.GetSize() == 0) Initialize(0);

    const RequestTarget target(this);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    CCopaObjectCompare* pending = nullptr;
    BuildPinAssignmentList(modelText, &m_State.snapshots, m_State.modeWord, holder, &pending);

    const bool reference = (m_State.modeWord & kModeFileReference) != 0;
    const bool userFile = (m_State.modeWord & kModeUserFile) != 0;
    const WORD fileID = HasParamWithValueID(holder, kIdCharacteristicFile) ? kIdCharacteristicFile : kIdCharacteristic;
    BOOL characteristicOnPin = FALSE;
    GetParamUsePin(holder, kIdCharacteristic, &characteristicOnPin);
    if (HasParamWithValueID(holder, kIdCharacteristic) && !characteristicOnPin && pending != nullptr && !reference) {
        qv::characteristic::PrepareCharacteristicDataFile(target, params.Cookie(), holder, this, fileID, userFile, file);
        CPtrArray* points = nullptr;
        m_State.characteristic.GetPoints(&points);
        WriteParamCharacteristicFile(holder, this, fileID, points, m_State.xAxisLabel, m_State.yAxisLabel,
                                     m_State.thirdText, m_State.fourthText);
    }
    if (pending != nullptr) {
        BuildInternXYTable(&modelText, pending, holder, this, reference ? 1 : 0, CString(),
                           reference ? kKeywordVariable : kKeywordFile,
                           reference ? m_strVariableName : m_strFileName, 0);
        // The pending list owns the snapshot: it leaves the list before it is deleted.
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}
