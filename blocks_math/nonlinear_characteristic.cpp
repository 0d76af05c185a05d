#include "blocks_math/nonlinear_characteristic.h"

#include "framework/byte_cursor.h"
#include "framework/characteristic_description.h"
#include "framework/characteristic_element_page.h"
#include "framework/characteristic_page_parts.h"
#include "framework/characteristic_sheet.h"
#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/dialog_rects.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/param_set_page.h"
#include "framework/path_parts.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "framework/symbol_paint.h"
#include "framework/table_writers.h"
#include "win32/paths.h"

#include <memory>
#include <new>

IMPLEMENT_SERIAL(CPropNonlinearCharacteristicBlock, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropNonlinearCharacteristicBlock)
IMPLEMENT_DYNAMIC(CNonlinearCharacteristicWizard4, CWizardBase4)

using namespace qv::blocks;
using qv::snapshots::DeleteSnapshots;

namespace {

using qv::dialog::kCtlCharacteristicPin;
constexpr char kNameInput[] = "INPUT";
constexpr char kNameReference[] = "CH";
constexpr char kNameVariable[] = "CH_STRG";
constexpr char kNameFile[] = "CH_FILE";
constexpr char kNameSampleTime[] = "TS";
constexpr char kPlaceholderCharacteristic[] = "@CH";

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2012, .flags = 33}, {.id = 2182, .flags = 33}, {.id = 2016, .flags = 97},
    {.id = 2075, .flags = 33}, {.id = 2183, .flags = 97}, {.id = 2074, .flags = 33}, {.id = 2185, .flags = 48},
    {.id = 2186, .flags = 98}, {.id = 2073, .flags = 32}, {.id = 2400, .flags = 48}, {.id = 2017, .flags = 11},
    {.id = 2056, .flags = 9},
};

// The ExtType marks of the characteristic parameters for each form: set on the ones the
// form does not use.
struct FormMarks {
    BOOL reference;
    BOOL variable;
    BOOL file;
};
constexpr FormMarks kReferenceMarks = {.reference = FALSE, .variable = TRUE, .file = TRUE};
constexpr FormMarks kInlineMarks = {.reference = TRUE, .variable = FALSE, .file = TRUE};
constexpr FormMarks kFileMarks = {.reference = TRUE, .variable = TRUE, .file = FALSE};

void MarkForm(ParamHolder* holder, const FormMarks& marks) {
    SetParamExtBit(holder, kIdCharacteristicRef, marks.reference);
    SetParamExtBit(holder, kIdCharacteristicVar, marks.variable);
    SetParamExtBit(holder, kIdCharacteristicFile, marks.file);
}

bool HasCharacteristicParams(ParamHolder* holder) {
    return HasParamWithValueID(holder, kIdCharacteristicRef) && HasParamWithValueID(holder, kIdCharacteristicFile) &&
           HasParamWithValueID(holder, kIdCharacteristicVar);
}

int LastSeparator(const CString& text) {
    int last = -1;
    for (int i = 0; i < text.GetLength(); ++i)
        if (IsPathSeparator(text[i])) last = i;
    return last;
}

using qv::pages::ReadArchivedBlock;

} // namespace

// ---------------------------------------------------------------------------------------
// CPropNonlinearCharacteristicBlock

BEGIN_MESSAGE_MAP(CPropNonlinearCharacteristicBlock, CTBPropertyPage)
    ON_BN_CLICKED(kIdCharacteristicRef, &CPropNonlinearCharacteristicBlock::OnCharacteristic)
    ON_BN_CLICKED(kCtlCharacteristicPin, &CPropNonlinearCharacteristicBlock::OnCharacteristicUsePin)
    ON_BN_CLICKED(kCtlInputPin, &CPropNonlinearCharacteristicBlock::OnInputUsePin)
    ON_BN_CLICKED(kCtlSampleTimePin, &CPropNonlinearCharacteristicBlock::OnSampleTimeUsePin)
    ON_BN_CLICKED(kIdBlockOutput, &CPropNonlinearCharacteristicBlock::OnOutput)
    ON_EN_CHANGE(kCtlName, &CPropNonlinearCharacteristicBlock::OnMarkModified)
    ON_EN_CHANGE(kIdInputSignal, &CPropNonlinearCharacteristicBlock::OnMarkModified)
    ON_BN_CLICKED(kCtlShowName, &CPropNonlinearCharacteristicBlock::OnMarkModified)
    ON_CBN_SELCHANGE(kCtlUnit, &CPropNonlinearCharacteristicBlock::OnMarkModified)
    ON_SAMPLE_TIME_LIST()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CPropNonlinearCharacteristicBlock::CPropNonlinearCharacteristicBlock()
    : TBlockPageFields(kNonlinearCharacteristicTemplate) {}

CPropNonlinearCharacteristicBlock::CPropNonlinearCharacteristicBlock(CNonlinearCharacteristicWizard4* wizard,
                                                                     DWORD_PTR cookie)
    : TBlockPageFields(kNonlinearCharacteristicTemplate, wizard, HolderFromCookie(cookie)) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropNonlinearCharacteristicBlock::SetData(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                                                const CPtrArray* snapshots) {
    qv::characteristic::TakeSettings({m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, m_Snapshots}, kind,
                                     modeWord, xAxisLabel, yAxisLabel, snapshots);
}

CPropCharacteristicXYTable* CPropNonlinearCharacteristicBlock::Table() {
    return qv::characteristic::OwnedTable(m_pWizard, &CNonlinearCharacteristicWizard4::GetCharacteristic);
}

// The block's mode flags for the table's source are the ones every characteristic table sets.
static_assert(kModeOwnFileName == ::kModeUserFile && kModeInlineTable == ::kModeFileReference);

// Only a look-up table sets them.
DWORD CPropNonlinearCharacteristicBlock::ModeFromTable() {
    CPropCharacteristicXYTable* table = Table();
    return m_dwKind == CPropCharacteristicXYTable::kKindLookUp ? qv::characteristic::TableModeFlags(table) : 0;
}

void CPropNonlinearCharacteristicBlock::Serialize(CArchive& ar) {
    qv::characteristic::SerializeKindAndConvertedFlag(ar, RUNTIME_CLASS(CPropNonlinearCharacteristicBlock), m_dwKind,
                                                      m_dwConverted);
    if (!ar.IsStoring() && m_dwConverted == 0) ConvertOldParameters();
}

void CPropNonlinearCharacteristicBlock::ConvertOldParameters() {
    ParamHolder* holder = GetParams();
    CString file;
    CString variable;
    CString reference;
    if (!GetParamValue(holder, kIdCharacteristicFile, &file) || !GetParamValue(holder, kIdCharacteristicVar, &variable) ||
        !GetParamValue(holder, kIdCharacteristicRef, &reference))
        return;
    BOOL onPin = FALSE;
    GetParamUsePin(holder, kIdCharacteristicRef, &onPin);
    if (onPin) {
        m_dwKind = CPropCharacteristicXYTable::kKindReference;
    } else if (m_dwKind != CPropCharacteristicXYTable::kKindLookUp) {
        MarkForm(holder, kReferenceMarks);
    } else {
        // The old layout kept the table's file or variable name in 2016.
        if (m_dwModeWord & kModeInlineTable) {
            MarkForm(holder, kInlineMarks);
            SetParamValue(holder, kIdCharacteristicVar, reference);
        } else {
            MarkForm(holder, kFileMarks);
            SetParamValue(holder, kIdCharacteristicFile, reference);
        }
        CommitParamSet(RequestTarget(m_pWizard), GetCookie());
    }
    m_dwConverted = 1;
}

void CPropNonlinearCharacteristicBlock::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    ExchangeBlockFields(pDX);
    DDX_Control(pDX, kIdSampleTime, m_cmbSampleTime);
    DDX_Check(pDX, kCtlCharacteristicPin, m_bCharacteristicPin);
}

BOOL CPropNonlinearCharacteristicBlock::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    ParamHolder* holder = GetParams();
    qv::pages::LoadNameAndSymbol(holder, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    m_cmbUnit.DisableFlatLook(TRUE);
    UpdateData(FALSE);
    m_cmbSampleTime.SetCurSel(0);
    qv::blocks::ForEachPageInput(holder, [&](CWizardCopaObject3* param) {
        const BOOL onPin = param->HasPin();
        switch (param->GetValueID()) {
        case kIdInputSignal:
            if (onPin) m_bInputPin = TRUE;
            m_strInput = param->GetValue();
            break;
        case kIdCharacteristicRef:
        case kIdCharacteristicVar:
        case kIdCharacteristicFile:
            if (onPin && (param->GetExtType() & kParamExtUnused) == 0) m_bCharacteristicPin = TRUE;
            if (param->GetValueID() == kIdCharacteristicRef) m_strReference = param->GetValue();
            if (param->GetValueID() == kIdCharacteristicVar) m_strVariable = param->GetValue();
            if (param->GetValueID() == kIdCharacteristicFile) m_strFileName = param->GetValue();
            break;
        case kIdSampleTime:
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
            break;
        default:
            break;
        }
    });
    UpdateData(FALSE);
    GetSDBOutput(holder, kIdBlockOutput, &m_bOutput);
    UpdateData(FALSE);
    qv::pages::AppendUnitToCaption(*this, holder, kIdBlockOutput, kIdBlockOutput);
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropNonlinearCharacteristicBlock::OnSetActive() {
    ShowBlockSwitchesAndPins(GetParams(), kIdSampleTime);
    GetParamUsePin(GetParams(), kIdCharacteristicRef, &m_bCharacteristicPin);
    // The boxes show what the parameters say before the characteristic's rule reads them.
    UpdateData(FALSE);
    OnCharacteristicUsePin();
    SetModified(FALSE);
    return CTBPropertyPage::OnSetActive();
}

BOOL CPropNonlinearCharacteristicBlock::OnKillActive() {
    UpdateCharacteristicFlags();
    return CTBPropertyPage::OnKillActive();
}

void CPropNonlinearCharacteristicBlock::UpdateCharacteristicFlags() {
    ParamHolder* holder = GetParams();
    if (!HasCharacteristicParams(holder)) return;
    m_dwModeWord = ModeFromTable();
    if (m_dwKind != CPropCharacteristicXYTable::kKindLookUp)
        MarkForm(holder, kReferenceMarks);
    else
        MarkForm(holder, (m_dwModeWord & kModeInlineTable) ? kInlineMarks : kFileMarks);
}

void CPropNonlinearCharacteristicBlock::SnapshotOf(const char* name, const char* rename) {
    ParamHolder* holder = GetParams();
    CWizardCopaObject3* param = FindParamByName(holder, name);
    // Elements without the table parameters keep the table's name in "CH".
    if (param == nullptr && rename != nullptr) param = FindParamByName(holder, kNameReference);
    auto* snapshot = new CCopaObjectCompare;
    snapshot->SetFrom(param);
    if (rename != nullptr) snapshot->SetName(rename);
    m_Snapshots.Add(snapshot);
}

void CPropNonlinearCharacteristicBlock::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    SnapshotOf(kNameInput, nullptr);
    // A kind other than the look-up table (also one of damaged data) is a reference.
    if (m_dwKind != CPropCharacteristicXYTable::kKindLookUp)
        SnapshotOf(kNameReference, nullptr);
    else
        SnapshotOf((m_dwModeWord & kModeInlineTable) ? kNameVariable : kNameFile, kPlaceholderCharacteristic);
    SnapshotOf(kNameSampleTime, nullptr);
}

void CPropNonlinearCharacteristicBlock::InitDefaults(bool keepForm) {
    BOOL tableForm = FALSE;
    if (keepForm && m_pWizard != nullptr && GetParamExtBit(GetParams(), kIdCharacteristicRef, &tableForm) && tableForm) {
        // The element is set to a table: its wizard's form stands.
        m_dwKind = m_pWizard->GetKind();
        m_dwModeWord = m_pWizard->GetModeWord();
    } else {
        m_dwKind = CPropCharacteristicXYTable::kKindReference;
        m_dwModeWord = ModeFromTable();
    }
    BuildCompareList();
}

// Element data of the older wizard generation, little-endian DWORDs and byte blocks:
//   mode word, snapshot count n, snapshot block length S, S bytes of n archived snapshots,
//   page block length P, P bytes of this page's archive record,
//   characteristic length C, C bytes of the characteristic table's record,
//   point block length D, D bytes of points and four texts.
// A field is read only when it fits in what remains; a block that does not fit ends the
// reading there and what was read before is kept.
void CPropNonlinearCharacteristicBlock::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots(m_Snapshots);
    m_dwKind = CPropCharacteristicXYTable::kKindReference;
    CString third;
    CString fourth;
    const size_t size = data != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
    qv::bytes::Reader in(static_cast<const BYTE*>(data), size);
    DWORD value = 0;
    if (in.ReadDword(value)) m_dwModeWord = value;
    DWORD count = 0;
    in.ReadDword(count);
    bool intact = true;
    DWORD blockLength = 0;
    if (in.ReadDword(blockLength)) {
        if (!in.Fits(blockLength)) {
            intact = false;
        } else {
            // The snapshots are read only when at least one byte follows their block.
            if (blockLength > 0 && blockLength < in.Remaining() && count <= kMaxArchivedSnapshots) {
                ReadArchivedBlock(in.Position(), blockLength,
                                  [this, count](CArchive& ar) { qv::snapshots::ReadSnapshots(ar, count, m_Snapshots); });
            }
            in.SkipBytes(blockLength);
        }
    }
    if (intact && in.ReadDword(blockLength)) {
        if (!in.Fits(blockLength)) {
            intact = false;
        } else {
            ReadArchivedBlock(in.Position(), blockLength, [this](CArchive& ar) { Serialize(ar); });
            in.SkipBytes(blockLength);
        }
    }
    if (intact && in.ReadDword(blockLength)) {
        if (!in.Fits(blockLength)) {
            intact = false;
        } else {
            m_OldCharacteristic.assign(in.Position(), in.Position() + blockLength);
            in.SkipBytes(blockLength);
        }
    }
    if (intact && in.ReadDword(blockLength) && in.Fits(blockLength)) {
        const BYTE* cursor = in.Position();
        size_t remaining = blockLength;
        CPtrArray points;
        ReadDataPointsFromBuffer(&cursor, &remaining, &points, &m_strXAxisLabel, &m_strYAxisLabel, &third, &fourth);
        for (INT_PTR i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points.GetAt(i));
    }
    // The characteristic's state goes to the wizard's table (a copy is loaded, then freed).
    CPropCharacteristicXYTable* table = Table();
    if (table != nullptr && !m_OldCharacteristic.empty() && m_OldCharacteristic.size() <= 0x7FFFFFFFu) {
        table->SetData(m_OldCharacteristic.data(), static_cast<int>(m_OldCharacteristic.size()));
        table->LoadFromData();
        table->SetData(nullptr, 0);
    }
    std::vector<BYTE>().swap(m_OldCharacteristic);
    if (m_pWizard != nullptr) {
        m_pWizard->SetChannelTexts(third, fourth);
        m_pWizard->SetData(m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
    }
}

void CPropNonlinearCharacteristicBlock::OnCharacteristicUsePin() {
    qv::pages::ClickPinBox(*this, GetParams(), m_bCharacteristicPin, kIdCharacteristicRef);
    if (m_bCharacteristicPin) {
        m_dwKind = CPropCharacteristicXYTable::kKindReference;
    } else if (CPropCharacteristicXYTable* table = Table()) {
        m_dwKind = table->GetMode();
        if (m_strReference.IsEmpty()) m_strReference = table->GetReference();
    }
}

void CPropNonlinearCharacteristicBlock::OnInputUsePin() {
    qv::pages::ClickPinBox(*this, GetParams(), m_bInputPin, kIdInputSignal);
}

void CPropNonlinearCharacteristicBlock::OnSampleTimeUsePin() {
    qv::pages::ClickPinBox(*this, GetParams(), m_bSampleTimePin, kIdSampleTime);
}

void CPropNonlinearCharacteristicBlock::OnOutput() {
    qv::pages::FlipOutputSwitch(*this, GetParams(), m_bOutput, kIdBlockOutput);
    SetModified(TRUE);
}

void CPropNonlinearCharacteristicBlock::OnSampleTimeChosen() { SetModified(TRUE); }

void CPropNonlinearCharacteristicBlock::OnSampleTimeTyped() { TakeOverTypedSampleTime(m_cmbSampleTime); }

void CPropNonlinearCharacteristicBlock::OnCharacteristic() {
    // The sheet is titled with the name as the dialog holds it now.
    UpdateData(TRUE);
    CPropCharacteristicXYTable* table = Table();
    if (table == nullptr) return;
    qv::characteristic::RunCharacteristicSheet(
        *this, m_strName, *table,
        {m_strReference, m_strVariable, m_strFileName, m_dwKind, m_strXAxisLabel, m_strYAxisLabel});
    SetModified(TRUE);
}

BOOL CPropNonlinearCharacteristicBlock::OnApply() {
    ParamHolder* holder = GetParams();
    // Without a parameter set there is nothing to write into and nothing to commit.
    if (holder == nullptr || !qv::pages::RefuseBlankValueField(*this, holder)) return FALSE;
    UpdateData(TRUE);
    holder->m_strElementName = m_strName;
    holder->m_dwShowName = m_bShowName ? 1 : 0;
    const RequestTarget target(m_pWizard);
    if (!CommitParamSet(target, GetCookie())) return FALSE;

    CPropCharacteristicXYTable* table = Table();
    if (table != nullptr && m_dwKind == CPropCharacteristicXYTable::kKindLookUp && table->GetDataPairsFlag() != 0 &&
        !table->GetUserFileFlag())
        m_strFileName = MakeDocumentFileName(m_pWizard, CString());
    qv::characteristic::FollowElementName(table, m_pWizard, m_strName, m_strFileName);

    qv::blocks::ForEachPageInput(holder, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdInputSignal:
            param->SetValue(m_strInput);
            break;
        case kIdCharacteristicRef:
            if (!m_bCharacteristicPin) param->SetValue(m_strReference);
            break;
        case kIdCharacteristicVar:
            if (!m_bCharacteristicPin) param->SetValue(m_strVariable);
            break;
        case kIdCharacteristicFile:
            if (!m_bCharacteristicPin) param->SetValue(m_strFileName);
            break;
        case kIdSampleTime:
            WriteSampleTime(param, StoredSampleTime(m_cmbSampleTime), m_cmbUnit);
            break;
        default:
            break;
        }
    });
    // A characteristic the form uses gives the model text a value, or OK refuses before the
    // wizard takes anything.
    if (!qv::characteristic::RefuseCharacteristicWithoutValue(
            *this, holder, {kIdCharacteristicRef, kIdCharacteristicFile, kIdCharacteristicVar}, table))
        return FALSE;
    // The flags of the form now chosen; bits of an earlier form do not linger.
    m_dwModeWord = ModeFromTable();
    BuildCompareList();
    if (m_pWizard != nullptr) m_pWizard->SetData(m_dwKind, m_dwModeWord, m_strXAxisLabel, m_strYAxisLabel, &m_Snapshots);
    if (!CommitParamSet(target, GetCookie())) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropNonlinearCharacteristicBlock::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

// ---------------------------------------------------------------------------------------
// CNonlinearCharacteristicWizard4

CNonlinearCharacteristicWizard4::CNonlinearCharacteristicWizard4(const CNonlinearCharacteristicWizard4* other)
    : TPageWizard4(other) {
    if (other != nullptr) m_State.CopyFrom(&other->m_State);
}

CNonlinearCharacteristicWizard4::~CNonlinearCharacteristicWizard4() = default;

void CNonlinearCharacteristicWizard4::SetData(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                                              const CPtrArray* snapshots) {
    m_State.Store(kind, modeWord, xAxisLabel, yAxisLabel, snapshots);
}

int CNonlinearCharacteristicWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (m_State.snapshots.GetSize() == 0) Reinitialize(true);
    const RequestTarget target(this);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    // Without a parameter set the text stays as the editor made it.
    if (holder == nullptr) return 4;

    CCopaObjectCompare* pending = nullptr;
    BuildPinAssignmentList(modelText, &m_State.snapshots, m_State.modeWord, holder, &pending);

    const bool inlineTable = (m_State.modeWord & kModeInlineTable) != 0;
    const bool hasFileParam = HasParamWithValueID(holder, kIdCharacteristicFile) != 0;
    const WORD fileID = hasFileParam ? kIdCharacteristicFile : kIdCharacteristicRef;
    BOOL tableForm = FALSE;
    if (GetParamExtBit(holder, kIdCharacteristicRef, &tableForm) && tableForm && !inlineTable) {
        if ((m_State.modeWord & kModeOwnFileName) == 0) {
            SetParamValue(holder, fileID, MakeDocumentFileName(this, CString()));
            CommitParamSet(target, params.Cookie());
        }
        CString folder = file != nullptr ? file->GetFilePath() : CString();
        if (folder.IsEmpty()) {
            char buffer[MAX_PATH] = {};
            const DWORD written = GetTempPathA(MAX_PATH, buffer);
            if (written > 0 && written < MAX_PATH) folder = buffer;
        }
        const int last = LastSeparator(folder);
        if (last >= 0) SetModelOutputDir(folder.Left(last + 1));
        CPtrArray* points = nullptr;
        m_State.characteristic.GetPoints(&points);
        WriteParamCharacteristicFile(holder, this, fileID, points, m_State.xAxisLabel, m_State.yAxisLabel,
                                     m_State.thirdText, m_State.fourthText);
    }

    if (pending != nullptr) {
        const CString parameterName = hasFileParam ? CString(inlineTable ? kNameVariable : kNameFile) : CString();
        BuildInternXYTable(&modelText, pending, holder, this, inlineTable ? 1 : 0, CString(), parameterName, CString(),
                           1);
        // The pending list owns the snapshot: it leaves the list before it is deleted.
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}

BOOL CNonlinearCharacteristicWizard4::Initialize(int argument) {
    if (argument == 0) Reinitialize(false);
    return TRUE;
}

void CNonlinearCharacteristicWizard4::Reinitialize(bool keepForm) {
    ScopedParamSet params{RequestTarget(this)};
    // Without parameters there is nothing to name in the snapshots; the state stays.
    if (params.Holder() == nullptr) return;
    // A page of the wizard's own, so that the page on the editor's sheet is never touched.
    std::unique_ptr<CPropNonlinearCharacteristicBlock> page(new (std::nothrow)
                                                                CPropNonlinearCharacteristicBlock(this, params.Cookie()));
    if (page == nullptr) return;
    {
        CResourceSwitch resources;
        if (!page->Create(kNonlinearCharacteristicTemplate, nullptr)) return;
    }
    page->ShowWindow(SW_HIDE);
    page->InitDefaults(keepForm);
    if (keepForm) {
        SetData(page->GetKind(), page->GetModeWord(), m_State.xAxisLabel, m_State.yAxisLabel, &page->GetSnapshots());
    } else {
        SetChannelTexts(CString(), CString());
        SetData(page->GetKind(), page->GetModeWord(), CString(), CString(), &page->GetSnapshots());
    }
    page->DestroyWindow();
}

void CNonlinearCharacteristicWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version == eSheetVersion4) m_State.Serialize(ar);
}

BOOL CNonlinearCharacteristicWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    std::unique_ptr<CPropNonlinearCharacteristicBlock> page(new (std::nothrow)
                                                                CPropNonlinearCharacteristicBlock(this, params.Cookie()));
    if (page == nullptr) return TRUE;
    {
        CResourceSwitch resources;
        if (!page->Create(kNonlinearCharacteristicTemplate, nullptr)) return TRUE;
    }
    page->ShowWindow(SW_HIDE);
    page->ConvertWizard3Data(data, length);
    page->UpdateCharacteristicFlags();
    m_State.modeWord = page->GetModeWord();
    page->DestroyWindow();
    return TRUE;
}

void CNonlinearCharacteristicWizard4::GiveSettingsToPage(CPropNonlinearCharacteristicBlock& page) {
    page.SetData(m_State.kind, m_State.modeWord, m_State.xAxisLabel, m_State.yAxisLabel, &m_State.snapshots);
}

void CNonlinearCharacteristicWizard4::PrepareEditing() { BuildCharacteristicSearchDirs(this); }
