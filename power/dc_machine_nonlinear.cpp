#include "power/dc_machine_nonlinear.h"

#include "framework/string_ids.h"
#include "power/embedded_table.h"

#include "framework/byte_cursor.h"
#include "framework/characteristic_description.h"
#include "framework/characteristic_element_page.h"
#include "framework/characteristic_page_parts.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/data_file_places.h"
#include "framework/dialog_rects.h"
#include "framework/immanent_template.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "framework/symbol_paint.h"
#include "framework/table_writers.h"

#include <memory>
#include <new>
#include <vector>

using namespace qv::power;
using namespace qv::dialog;

IMPLEMENT_SERIAL(CPropDCMENLMachine, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropDCMENLMachine)
IMPLEMENT_DYNAMIC(CDCMachineNonlinearWizard4, CWizardBase4)

namespace {

constexpr int kCtlExcitationPin = 2158;
constexpr int kCtlMagnetizationPin = 2160;
using namespace qv::strings;
constexpr DWORD kMaxSnapshots = 10000;

constexpr WORD kParameterRows[] = {7000, 7020, 7021, 7011, 7022};
constexpr WORD kInitialRows[] = {7059, 7058, 7056, 7057};
// The parameters of the snapshot list, in writing order.
constexpr const char* kSnapshotNames[] = {"LOAD", "RA", "LA", "RE", "J", "IA0", "IE0", "N0", "PHI0"};
// Output of each check box 2136 to 2142; 0: the box is hidden.
constexpr WORD kOutputs[7] = {7100, 7101, 7000, 0, 7102, 7106, 7107};

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 197}, {.id = 2132, .flags = 197}, {.id = 2133, .flags = 201}, {.id = 2134, .flags = 201},
    {.id = 2335, .flags = 33},  {.id = 2161, .flags = 33},  {.id = 2157, .flags = 97},  {.id = 2159, .flags = 97},
    {.id = 2158, .flags = 48},  {.id = 2160, .flags = 48},  {.id = 2043, .flags = 32},  {.id = 2044, .flags = 98},
    {.id = 2017, .flags = 250}, {.id = 2136, .flags = 50},  {.id = 2137, .flags = 50},  {.id = 2138, .flags = 50},
    {.id = 2139, .flags = 50},  {.id = 2140, .flags = 50},  {.id = 2141, .flags = 50},  {.id = 2142, .flags = 50},
};

// The members one characteristic addresses.
struct CharacteristicIDs {
    WORD reference;
    WORD file;
    WORD variable;
    DWORD userFileBit;
    DWORD referenceBit;
    const char* name;
};
constexpr CharacteristicIDs kExcitation = {.reference = kIdExcitation, .file = kIdExcitationFile,
                                           .variable = kIdExcitationVariable, .userFileBit = kDcmExcitationUserFile,
                                           .referenceBit = kDcmExcitationReference, .name = "CHLE"};
constexpr CharacteristicIDs kMagnetization = {.reference = kIdMagnetization, .file = kIdMagnetizationFile,
                                              .variable = kIdMagnetizationVariable,
                                              .userFileBit = kDcmMagnetizationUserFile,
                                              .referenceBit = kDcmMagnetizationReference, .name = "CHM"};

} // namespace

// ---------------------------------------------------------------------------------------
// The page.

CPropDCMENLMachine::CPropDCMENLMachine() : TElementPage(kDCMachineTemplate) {}

CPropDCMENLMachine::CPropDCMENLMachine(CDCMachineNonlinearWizard4* wizard, ParamHolder* params)
    : TElementPage(kDCMachineTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropDCMENLMachine::DeleteSnapshots() { qv::snapshots::CopySnapshots(m_Snapshots, nullptr); }

void CPropDCMENLMachine::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (GetSafeHwnd() != nullptr) UpdateData(TRUE);
        ar.SerializeClass(RUNTIME_CLASS(CPropDCMENLMachine));
        ar << static_cast<DWORD>(10) << m_dwExcitationLookUp << m_dwMagnetizationLookUp << m_dwUpgraded;
        return;
    }
    m_dwUpgraded = 0;
    const UINT schema = ReadClassReferenceOrRewind(ar, RUNTIME_CLASS(CPropDCMENLMachine));
    DWORD version = 0;
    if (schema >= 1) ar >> version;
    ar >> m_dwExcitationLookUp >> m_dwMagnetizationLookUp;
    if (version >= 1 && version <= 9) {
        DWORD unit = 0;
        ar >> unit;
        if (CWizardCopaObject3* position = FindParamByValueID(m_pParams, kIdRotorPosition))
            position->SetUsedUnit(unit == 1 ? "rad" : "deg");
    }
    if (version >= 4) ar >> m_dwUpgraded;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
    if (m_dwUpgraded == 0) UpgradeCharacteristicParameters();
}

void CPropDCMENLMachine::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlInitialValueList, m_lstInitialValues);
    DDX_Control(pDX, kCtlParameterList, m_lstParameters);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Text(pDX, kCtlName, m_strName);
    for (int i = 0; i < 7; ++i) DDX_Check(pDX, kCtlFirstMachineOutput + i, m_bOutput[i]);
    DDX_Check(pDX, kCtlExcitationPin, m_bExcitationPin);
    DDX_Check(pDX, kCtlMagnetizationPin, m_bMagnetizationPin);
}

BEGIN_MESSAGE_MAP(CPropDCMENLMachine, CTBPropertyPage)
    ON_CONTROL_RANGE(BN_CLICKED, 2136, 2142, &CPropDCMENLMachine::OnDefaultOutput)
    ON_BN_CLICKED(kCtlShowName, &CPropDCMENLMachine::OnModified)
    ON_BN_CLICKED(kIdExcitation, &CPropDCMENLMachine::OnExcitationCharacteristic)
    ON_BN_CLICKED(kIdMagnetization, &CPropDCMENLMachine::OnMagnetizationCharacteristic)
    ON_BN_CLICKED(kCtlExcitationPin, &CPropDCMENLMachine::OnExcitationUsePin)
    ON_BN_CLICKED(kCtlMagnetizationPin, &CPropDCMENLMachine::OnMagnetizationUsePin)
    ON_EN_CHANGE(kCtlName, &CPropDCMENLMachine::OnModified)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlInitialValueList, &CPropDCMENLMachine::OnListItemChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlParameterList, &CPropDCMENLMachine::OnListItemChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

void CPropDCMENLMachine::SetCharacteristicSettings(const DcmSettings& settings, const CPtrArray* snapshots) {
    m_dwExcitationLookUp = settings.excitationLookUp;
    m_dwMagnetizationLookUp = settings.magnetizationLookUp;
    m_dwFlags = settings.flags;
    m_strExcitationX = settings.excitationX;
    m_strExcitationY = settings.excitationY;
    m_strMagnetizationX = settings.magnetizationX;
    m_strMagnetizationY = settings.magnetizationY;
    qv::snapshots::CopySnapshots(m_Snapshots, snapshots);
}

DcmSettings CPropDCMENLMachine::Settings() const {
    return DcmSettings{.excitationLookUp = m_dwExcitationLookUp, .magnetizationLookUp = m_dwMagnetizationLookUp,
                       .flags = m_dwFlags, .excitationX = m_strExcitationX, .excitationY = m_strExcitationY,
                       .magnetizationX = m_strMagnetizationX, .magnetizationY = m_strMagnetizationY};
}

CPropCharacteristicXYTable* CPropDCMENLMachine::BindExcitation() {
    if (m_pWizard == nullptr) return nullptr;
    CPropCharacteristicXYTable& table = m_pWizard->ExcitationTable();
    table.SetOwnerWizard(m_pWizard);
    return &table;
}

CPropCharacteristicXYTable* CPropDCMENLMachine::BindMagnetization() {
    if (m_pWizard == nullptr) return nullptr;
    CPropCharacteristicXYTable& table = m_pWizard->MagnetizationTable();
    table.SetOwnerWizard(m_pWizard);
    return &table;
}

void CPropDCMENLMachine::AddCharacteristicBits() {
    const CPropCharacteristicXYTable* excitation = BindExcitation();
    const CPropCharacteristicXYTable* magnetization = BindMagnetization();
    if (excitation != nullptr && m_dwExcitationLookUp != 0) {
        if (excitation->GetUserFileFlag()) m_dwFlags |= kDcmExcitationUserFile;
        if (excitation->GetDataPairsFlag() == 0) m_dwFlags |= kDcmExcitationReference;
    }
    if (magnetization != nullptr && m_dwMagnetizationLookUp != 0) {
        if (magnetization->GetUserFileFlag()) m_dwFlags |= kDcmMagnetizationUserFile;
        if (magnetization->GetDataPairsFlag() == 0) m_dwFlags |= kDcmMagnetizationReference;
    }
}

void CPropDCMENLMachine::FillRows(CTBEditListCtrl& list, const WORD* ids, size_t count) {
    list.DeleteAllItems();
    CResourceSwitch resources;
    for (size_t i = 0; i < count; ++i) {
        CString label;
        label.LoadString(ids[i]);
        list.InsertEditItem(list.GetItemCount(), label, TB_EDIT_NONE, "",
                            reinterpret_cast<DWORD_PTR>(FindParamByValueID(m_pParams, ids[i])));
    }
}

void CPropDCMENLMachine::FillParameterList() { FillRows(m_lstParameters, kParameterRows, std::size(kParameterRows)); }

void CPropDCMENLMachine::FillInitialValueList() { FillRows(m_lstInitialValues, kInitialRows, std::size(kInitialRows)); }

void CPropDCMENLMachine::LoadDefaultOutputs() {
    {
        CResourceSwitch resources;
        for (int i = 0; i < 7; ++i) {
            CWnd* box = GetDlgItem(kCtlFirstMachineOutput + i);
            if (box == nullptr) continue;
            if (kOutputs[i] == 0) {
                box->ShowWindow(SW_HIDE);
                continue;
            }
            CString caption;
            caption.LoadString(kOutputs[i]);
            CString unit;
            if (GetParamUnit(m_pParams, kOutputs[i], &unit)) AppendUnitSuffix(&caption, unit);
            box->SetWindowText(caption);
        }
    }
    for (int i = 0; i < 7; ++i) {
        if (kOutputs[i] == 0) continue;
        BOOL on = m_bOutput[i];
        if (GetSDBOutput(m_pParams, kOutputs[i], &on)) m_bOutput[i] = on;
    }
    UpdateData(FALSE);
}

void CPropDCMENLMachine::StoreDefaultOutputs() {
    for (int i = 0; i < 7; ++i)
        if (kOutputs[i] != 0) SetSDBOutput(m_pParams, kOutputs[i], m_bOutput[i]);
}

BOOL CPropDCMENLMachine::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
        InsertMachineListColumns(m_lstParameters, m_lstInitialValues);
        m_strExcitationX = m_strMagnetizationX = LoadLibraryString(kStrCurrentAxis);
        m_strExcitationY = LoadLibraryString(kStrInductanceAxis);
        m_strMagnetizationY = LoadLibraryString(kStrFluxAxis);
    }
    FillParameterList();
    FillInitialValueList();
    InitializeMachineLists(m_lstParameters, m_lstInitialValues);
    qv::pages::LoadNameAndSymbol(m_pParams, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    UpdateData(FALSE);
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        const bool pinned = param->HasPin() && (param->GetExtType() & kParamExtUnused) == 0;
        BOOL* pin = nullptr;
        if (CString* text = CharacteristicText(id, pin)) {
            if (pinned) *pin = TRUE;
            *text = param->GetValue();
        } else if (id != 0) {
            ShowInMachineRow(m_lstParameters, m_lstInitialValues, param);
        }
    });
    UpdateData(FALSE);
    LoadDefaultOutputs();
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropDCMENLMachine::OnSetActive() {
    LoadDefaultOutputs();
    GetParamUsePin(m_pParams, kIdExcitation, &m_bExcitationPin);
    GetParamUsePin(m_pParams, kIdMagnetization, &m_bMagnetizationPin);
    UpdateData(FALSE);
    OnPinChanged(true);
    OnPinChanged(false);
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

CString* CPropDCMENLMachine::CharacteristicText(WORD valueID, BOOL*& pin) {
    const struct {
        WORD id;
        CString* text;
        BOOL* pin;
    } fields[] = {
        {kIdExcitation, &m_strExcitationReference, &m_bExcitationPin},
        {kIdExcitationVariable, &m_strExcitationVariable, &m_bExcitationPin},
        {kIdExcitationFile, &m_strExcitationFile, &m_bExcitationPin},
        {kIdMagnetization, &m_strMagnetizationReference, &m_bMagnetizationPin},
        {kIdMagnetizationVariable, &m_strMagnetizationVariable, &m_bMagnetizationPin},
        {kIdMagnetizationFile, &m_strMagnetizationFile, &m_bMagnetizationPin},
    };
    for (const auto& field : fields) {
        if (field.id != valueID) continue;
        pin = field.pin;
        return field.text;
    }
    return nullptr;
}

void CPropDCMENLMachine::OnPinChanged(bool excitation) {
    UpdateData(TRUE);
    SetModified(TRUE);
    const BOOL pin = excitation ? m_bExcitationPin : m_bMagnetizationPin;
    if (CWnd* button = GetDlgItem(excitation ? kIdExcitation : kIdMagnetization)) button->EnableWindow(!pin);
    SetParamUsePin(m_pParams, excitation ? kIdExcitation : kIdMagnetization, pin);
    qv::characteristic::FollowCharacteristicPinBox(
        pin, [&] { return excitation ? BindExcitation() : BindMagnetization(); },
        excitation ? m_dwExcitationLookUp : m_dwMagnetizationLookUp,
        excitation ? m_strExcitationReference : m_strMagnetizationReference);
}

void CPropDCMENLMachine::EditCharacteristic(bool excitation) {
    CPropCharacteristicXYTable* table = excitation ? BindExcitation() : BindMagnetization();
    if (table == nullptr) return;
    UpdateData(TRUE);
    const CharacteristicIDs& ids = excitation ? kExcitation : kMagnetization;
    CString& reference = excitation ? m_strExcitationReference : m_strMagnetizationReference;
    CString& variable = excitation ? m_strExcitationVariable : m_strMagnetizationVariable;
    CString& file = excitation ? m_strExcitationFile : m_strMagnetizationFile;
    DWORD& lookUp = excitation ? m_dwExcitationLookUp : m_dwMagnetizationLookUp;
    // The other table's file, when it has one (its own name, or the default name the
    // description gives it), is not this table's to write over.
    const CPropCharacteristicXYTable* other = excitation ? BindMagnetization() : BindExcitation();
    const CharacteristicIDs& otherIds = excitation ? kMagnetization : kExcitation;
    const DWORD otherLookUp = excitation ? m_dwMagnetizationLookUp : m_dwExcitationLookUp;
    qv::files::DataFileKnowledge& known = table->FileKnowledge();
    known.table = ids.name;
    known.others.clear();
    if (other != nullptr && otherLookUp != 0 && other->GetDataPairsFlag() != 0) {
        const CString otherFile = other->GetUserFileFlag() ? WritableDataFileName(other->GetFileName())
                                                           : MakeDocumentFileName(m_pWizard, otherIds.name);
        const CString otherFolder = other->GetUserFileFlag() ? other->GetFileDirectory() : CString();
        known.others.push_back({otherIds.name, qv::files::DataFilePathIn(otherFile, otherFolder)});
    }
    table->SetParameterName(ids.name);
    table->SetReference(reference);
    table->SetDefaultNameSuffix(ids.name);
    table->SetMode(lookUp);
    TableSheetTexts texts{.componentName = m_strName,
                          .variableName = variable,
                          .fileName = file,
                          .xAxisLabel = excitation ? m_strExcitationX : m_strMagnetizationX,
                          .yAxisLabel = excitation ? m_strExcitationY : m_strMagnetizationY};
    if (EditEmbeddedTable(*table, m_pWizard, this, texts, kStrCurrentAxis,
                          excitation ? kStrInductanceAxis : kStrFluxAxis) == IDOK) {
        lookUp = table->GetMode();
        reference = table->GetReference();
        variable = texts.variableName;
        file = texts.fileName;
    }
    SetModified(TRUE);
}

void CPropDCMENLMachine::OnDefaultOutput(UINT) {
    UpdateData(TRUE);
    SetModified(TRUE);
    StoreDefaultOutputs();
    // The answer is not used: the switch stays as the user set it.
    CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
}

void CPropDCMENLMachine::OnModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropDCMENLMachine::OnListItemChanged(NMHDR*, LRESULT* result) {
    OnModified();
    if (result) *result = 0;
}

BOOL CPropDCMENLMachine::OnApply() {
    if (m_pParams != nullptr && !RefuseBlankMachineCells(*this, m_lstParameters, m_lstInitialValues)) return FALSE;
    // Without a parameter set there is nothing to write into.
    if (!qv::pages::ApplyNameFirst(*this, m_pWizard, m_pParams, m_strName, m_bShowName)) return FALSE;
    const RequestTarget target(m_pWizard);
    const DWORD_PTR cookie = reinterpret_cast<DWORD_PTR>(m_pParams);
    if (const CPropCharacteristicXYTable* table = BindExcitation();
        table != nullptr && m_dwExcitationLookUp != 0 && !table->GetUserFileFlag())
        m_strExcitationFile = MakeDocumentFileName(m_pWizard, "CHLE");
    if (const CPropCharacteristicXYTable* table = BindMagnetization();
        table != nullptr && m_dwMagnetizationLookUp != 0 && !table->GetUserFileFlag())
        m_strMagnetizationFile = MakeDocumentFileName(m_pWizard, "CHM");
    qv::characteristic::FollowElementName(BindExcitation(), m_pWizard, m_strName, m_strExcitationFile);
    qv::characteristic::FollowElementName(BindMagnetization(), m_pWizard, m_strName, m_strMagnetizationFile);
    UpdateData(FALSE);
    qv::pages::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        const WORD id = param->GetValueID();
        CString value;
        CString unit;
        BOOL* pin = nullptr;
        CTBEditListCtrl* list = nullptr;
        int row = -1;
        if (const CString* text = CharacteristicText(id, pin)) {
            value = *text;
        } else if (id != 0 && FindRow(id, list, row)) {
            value = list->GetItemText(row, 1);
            unit = list->GetItemText(row, 2);
        }
        if (!value.IsEmpty()) param->SetValue(value);
        if (!unit.IsEmpty()) param->SetUsedUnit(unit);
    });
    // Each characteristic the machine uses gives the model text a value, or OK refuses before
    // the wizard takes anything.
    if (!qv::characteristic::RefuseCharacteristicWithoutValue(
            *this, m_pParams, {kIdExcitation, kIdExcitationFile, kIdExcitationVariable}, BindExcitation()) ||
        !qv::characteristic::RefuseCharacteristicWithoutValue(
            *this, m_pParams, {kIdMagnetization, kIdMagnetizationFile, kIdMagnetizationVariable}, BindMagnetization()))
        return FALSE;
    // The flags follow the tables as they are now: a return to data pairs drops the bit.
    m_dwFlags = 0;
    AddCharacteristicBits();
    BuildCompareList();
    if (m_pWizard != nullptr) m_pWizard->SetCharacteristicSettings(Settings(), &m_Snapshots);
    m_lstParameters.SaveColumnWidths();
    m_lstInitialValues.SaveColumnWidths();
    if (!CommitParamSet(target, cookie)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropDCMENLMachine::OnKillActive() {
    UpdateCharacteristicFlags();
    return CPropertyPage::OnKillActive();
}

void CPropDCMENLMachine::UpdateCharacteristicFlags() {
    BOOL unused = FALSE;
    for (WORD id : {kIdExcitation, kIdExcitationFile, kIdExcitationVariable, kIdMagnetization, kIdMagnetizationFile,
                    kIdMagnetizationVariable})
        if (!GetParamExtBit(m_pParams, id, &unused)) return;
    m_dwFlags = 0;
    AddCharacteristicBits();
    for (const CharacteristicIDs* ids : {&kExcitation, &kMagnetization}) {
        const DWORD lookUp = ids == &kExcitation ? m_dwExcitationLookUp : m_dwMagnetizationLookUp;
        if (lookUp == 0) {
            SetParamExtBit(m_pParams, ids->reference, FALSE);
            SetParamExtBit(m_pParams, ids->file, TRUE);
            SetParamExtBit(m_pParams, ids->variable, TRUE);
        } else {
            const bool reference = (m_dwFlags & ids->referenceBit) != 0;
            SetParamExtBit(m_pParams, ids->reference, TRUE);
            SetParamExtBit(m_pParams, ids->file, reference);
            SetParamExtBit(m_pParams, ids->variable, !reference);
        }
    }
}

void CPropDCMENLMachine::BuildCompareList() {
    DeleteSnapshots();
    for (const char* name : kSnapshotNames) {
        auto* snapshot = new CCopaObjectCompare;
        snapshot->SetFrom(FindParamByName(m_pParams, name));
        m_Snapshots.Add(snapshot);
    }
    for (const CharacteristicIDs* ids : {&kExcitation, &kMagnetization}) {
        const DWORD lookUp = ids == &kExcitation ? m_dwExcitationLookUp : m_dwMagnetizationLookUp;
        auto* snapshot = new CCopaObjectCompare;
        const CString name = ids->name;
        if (lookUp == 0) {
            snapshot->SetFrom(FindParamByName(m_pParams, name));
        } else {
            snapshot->SetFrom(FindParamByName(m_pParams, name + ((m_dwFlags & ids->referenceBit) ? "_STRG" : "_FILE")));
            snapshot->SetName("@" + name);
        }
        m_Snapshots.Add(snapshot);
    }
}

void CPropDCMENLMachine::StoreToWizard(int update) {
    m_dwFlags = 0;
    AddCharacteristicBits();
    BuildCompareList();
    if (update != 1 || m_pWizard == nullptr) return;
    m_pWizard->SetChannelUnits("", "", "", "");
    m_pWizard->SetCharacteristicSettings(Settings(), &m_Snapshots);
}

int CPropDCMENLMachine::UpgradeCharacteristicParameters() {
    for (const CharacteristicIDs* ids : {&kExcitation, &kMagnetization}) {
        CString file, variable, reference;
        if (!GetParamValue(m_pParams, ids->file, &file) || !GetParamValue(m_pParams, ids->variable, &variable) ||
            !GetParamValue(m_pParams, ids->reference, &reference))
            return 0;
        DWORD& lookUp = ids == &kExcitation ? m_dwExcitationLookUp : m_dwMagnetizationLookUp;
        BOOL pin = FALSE;
        GetParamUsePin(m_pParams, ids->reference, &pin);
        if (pin) {
            lookUp = 0;
            m_dwUpgraded = 1;
        }
        if (lookUp == 0) {
            SetParamExtBit(m_pParams, ids->reference, FALSE);
            SetParamExtBit(m_pParams, ids->file, TRUE);
            SetParamExtBit(m_pParams, ids->variable, TRUE);
            continue;
        }
        SetParamExtBit(m_pParams, ids->reference, TRUE);
        const bool isReference = (m_dwFlags & ids->referenceBit) != 0;
        SetParamExtBit(m_pParams, ids->file, isReference);
        SetParamExtBit(m_pParams, ids->variable, !isReference);
        SetParamValue(m_pParams, isReference ? ids->variable : ids->file, reference);
        CommitParamSet(RequestTarget(m_pWizard), reinterpret_cast<DWORD_PTR>(m_pParams));
    }
    m_dwUpgraded = 1;
    return 1;
}

// Block of the older wizard generation, every field read only while it fits:
//   DWORD flags, DWORD snapshot count n, DWORD L1 + L1 bytes (archive of n snapshots),
//   DWORD L2 + L2 bytes (page archive), DWORD L3 + L3 bytes (DWORD E + E bytes of the
//   excitation table state, DWORD M + M bytes of the magnetisation table state),
//   DWORD L4 + L4 bytes (excitation point block, then, when M > 0, the magnetisation
//   point block: DWORD n, n pairs of doubles, four texts: x label, y label, x unit, y unit).
// A length that does not fit ends the walk; a length of 0 skips its block.
void CPropDCMENLMachine::ConvertWizard3Data(const void* data, long length) {
    DeleteSnapshots();
    CString units[4];
    if (data == nullptr) {
        StoreToWizard(0);
    } else {
        qv::bytes::Reader reader(static_cast<const BYTE*>(data), length > 0 ? static_cast<size_t>(length) : 0);
        DWORD count = 0;
        DWORD size = 0;
        DWORD magnetizationLength = 0;
        bool go = reader.ReadDword(m_dwFlags);
        go = go && reader.ReadDword(count);
        go = go && reader.ReadDword(size) && reader.Fits(size);
        // A count beyond what a list may hold is refused: no snapshot is read. The snapshots
        // are read only when more data follows them, as the older generation wrote them.
        if (go && size > 0 && size < reader.Remaining() && count <= kMaxSnapshots) {
            qv::pages::ReadArchivedBlock(reader.Position(), size, [&](CArchive& ar) {
                for (DWORD i = 0; i < count; ++i) {
                    auto snapshot = std::make_unique<CCopaObjectCompare>();
                    snapshot->Serialize(ar);
                    m_Snapshots.Add(snapshot.release());
                }
            });
        }
        go = go && reader.SkipBytes(size);
        go = go && reader.ReadDword(size) && reader.Fits(size);
        if (go && size > 0) qv::pages::ReadArchivedBlock(reader.Position(), size, [&](CArchive& ar) { Serialize(ar); });
        go = go && reader.SkipBytes(size);
        go = go && reader.ReadDword(size) && reader.Fits(size);
        if (go) {
            qv::bytes::Reader tables(reader.Position(), size);
            DWORD blockLength = 0;
            if (tables.ReadDword(blockLength) && tables.Fits(blockLength)) {
                m_ExcitationBlock.assign(tables.Position(), tables.Position() + blockLength);
                tables.SkipBytes(blockLength);
                if (tables.ReadDword(magnetizationLength) && tables.Fits(magnetizationLength))
                    m_MagnetizationBlock.assign(tables.Position(), tables.Position() + magnetizationLength);
                else
                    magnetizationLength = 0;
            }
        }
        go = go && reader.SkipBytes(size);
        go = go && reader.ReadDword(size) && reader.Fits(size);
        if (go) {
            const BYTE* cursor = reader.Position();
            size_t remaining = size;
            CPtrArray points;
            if (ReadDataPointsFromBuffer(&cursor, &remaining, &points, &m_strExcitationX, &m_strExcitationY, &units[0],
                                         &units[1]) &&
                magnetizationLength > 0)
                ReadDataPointsFromBuffer(&cursor, &remaining, &points, &m_strMagnetizationX, &m_strMagnetizationY,
                                         &units[2], &units[3]);
            for (INT_PTR i = 0; i < points.GetSize(); ++i) delete static_cast<CDataPoint*>(points[i]);
        }
    }
    if (m_pWizard != nullptr) {
        m_pWizard->SetChannelUnits(units[0], units[1], units[2], units[3]);
        m_pWizard->SetCharacteristicSettings(Settings(), &m_Snapshots);
    }
}

void CPropDCMENLMachine::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

// ---------------------------------------------------------------------------------------
// The wizard.

CDCMachineNonlinearWizard4::CDCMachineNonlinearWizard4() {
    m_ExcitationTable.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    m_MagnetizationTable.SetMode(CPropCharacteristicXYTable::kKindLookUp);
}

CDCMachineNonlinearWizard4::CDCMachineNonlinearWizard4(const CDCMachineNonlinearWizard4* other)
    : TPageWizard4(other) {
    m_ExcitationTable.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    m_MagnetizationTable.SetMode(CPropCharacteristicXYTable::kKindLookUp);
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_Settings = other->m_Settings;
    for (int i = 0; i < 4; ++i) m_strUnits[i] = other->m_strUnits[i];
    m_ExcitationTable.CopyFrom(&other->m_ExcitationTable);
    m_MagnetizationTable.CopyFrom(&other->m_MagnetizationTable);
    qv::snapshots::CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CDCMachineNonlinearWizard4::~CDCMachineNonlinearWizard4() { DeleteSnapshots(); }

void CDCMachineNonlinearWizard4::DeleteSnapshots() { qv::snapshots::CopySnapshots(m_Snapshots, nullptr); }

void CDCMachineNonlinearWizard4::SetCharacteristicSettings(const DcmSettings& settings, const CPtrArray* snapshots) {
    m_Settings = settings;
    if (snapshots != &m_Snapshots) qv::snapshots::CopySnapshots(m_Snapshots, snapshots);
}

void CDCMachineNonlinearWizard4::SetChannelUnits(CString excitationX, CString excitationY, CString magnetizationX,
                                                 CString magnetizationY) {
    m_strUnits[0] = excitationX;
    m_strUnits[1] = excitationY;
    m_strUnits[2] = magnetizationX;
    m_strUnits[3] = magnetizationY;
}

qv::wizards::THiddenPage<CPropDCMENLMachine> CDCMachineNonlinearWizard4::OpenHiddenPage(DWORD_PTR cookie,
                                                                                        bool handOver) {
    auto page = MakeHiddenPage(cookie);
    if (page && handOver) page->SetCharacteristicSettings(m_Settings, nullptr);
    if (page && !page.Open(kDCMachineTemplate)) return qv::wizards::THiddenPage<CPropDCMENLMachine>(nullptr);
    return page;
}

BOOL CDCMachineNonlinearWizard4::Initialize(int argument) {
    if (argument != 0) return TRUE;
    ScopedParamSet params{RequestTarget(this)};
    // A page of its own: the page on the editor's sheet is never touched.
    if (auto page = OpenHiddenPage(params.Cookie(), false)) page->StoreToWizard(1);
    return TRUE;
}

int CDCMachineNonlinearWizard4::WriteSimDescr(CFile* file, const CString& templ, CString& modelText) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    const RequestTarget target(this);
    if (m_Snapshots.GetSize() == 0) {
        // The wizard's own look-up flags, flags and labels go to the page first, so that a
        // configured element is not reset to the defaults.
        ScopedParamSet params(target);
        if (auto page = OpenHiddenPage(params.Cookie(), true)) {
            const CString units[4] = {m_strUnits[0], m_strUnits[1], m_strUnits[2], m_strUnits[3]};
            page->StoreToWizard(1);
            SetChannelUnits(units[0], units[1], units[2], units[3]);
        }
    }
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    BuildPinAssignmentList(modelText, &m_Snapshots, m_Settings.flags, holder, nullptr);
    const DWORD flags = m_Settings.flags;
    const auto fileIDOf = [holder](const CharacteristicIDs& ids) {
        return HasParamWithValueID(holder, ids.file) ? ids.file : ids.reference;
    };
    // Only a look-up table of data pairs has a file to write.
    const auto writesFile = [&](const CharacteristicIDs& ids) {
        const DWORD lookUp = &ids == &kExcitation ? m_Settings.excitationLookUp : m_Settings.magnetizationLookUp;
        return lookUp != 0 && (flags & ids.referenceBit) == 0;
    };
    // The two tables need files of their own: the second written to the first one's file would
    // replace it, and the text would name one file for both. Then neither is written.
    const auto fileNameOf = [&](const CharacteristicIDs& ids) {
        CString name;
        if ((flags & (ids.userFileBit | ids.referenceBit)) == 0) return MakeDocumentFileName(this, ids.name);
        GetParamValue(holder, fileIDOf(ids), &name);
        return name;
    };
    std::vector<const CharacteristicIDs*> written;
    for (INT_PTR i = 0; i < g_PlaceholderList.GetSize(); ++i)
        if (const CCopaObjectCompare* entry = g_PlaceholderList.GetEntry(static_cast<int>(i)))
            for (const CharacteristicIDs* ids : {&kExcitation, &kMagnetization})
                if (entry->GetName() == CString("@") + ids->name && writesFile(*ids)) written.push_back(ids);
    bool tablesApart = true;
    if (written.size() == 2) {
        // The names are resolved as the writes resolve them, beside the description.
        qv::characteristic::PutDataFilesBesideDescription(file);
        tablesApart = TablesHaveFilesOfTheirOwn(this, written[0]->name, fileNameOf(*written[0]), written[1]->name,
                                                fileNameOf(*written[1]));
    }
    for (INT_PTR i = g_PlaceholderList.GetSize() - 1; i >= 0; --i) {
        CCopaObjectCompare* entry = g_PlaceholderList.GetEntry(static_cast<int>(i));
        if (entry == nullptr) continue;
        const CString name = entry->GetName();
        for (const CharacteristicIDs* ids : {&kExcitation, &kMagnetization}) {
            if (name != CString("@") + ids->name) continue;
            const WORD fileID = fileIDOf(*ids);
            if ((flags & (ids->userFileBit | ids->referenceBit)) == 0) {
                SetParamValue(holder, fileID, MakeDocumentFileName(this, ids->name));
                CommitParamSet(target, params.Cookie());
            }
            const bool reference = (flags & ids->referenceBit) != 0;
            // The file is written before the table's text is built, so that the text names the
            // file as written.
            const bool excitation = ids == &kExcitation;
            if (writesFile(*ids) && tablesApart) {
                if (excitation)
                    WriteEmbeddedTableFile(holder, this, file, fileID, m_ExcitationTable, m_Settings.excitationX,
                                           m_Settings.excitationY, m_strUnits[0], m_strUnits[1]);
                else
                    WriteEmbeddedTableFile(holder, this, file, fileID, m_MagnetizationTable, m_Settings.magnetizationX,
                                           m_Settings.magnetizationY, m_strUnits[2], m_strUnits[3]);
            }
            CString keyword;
            if (HasParamWithValueID(holder, ids->file)) keyword = CString(ids->name) + (reference ? "_STRG" : "_FILE");
            BuildInternXYTable(&modelText, entry, holder, this, reference ? 1 : 0, CString(), keyword, CString(), 1);
        }
        if (name == "@PHI0") {
            if (CWizardCopaObject3* position = FindParamByValueID(holder, kIdRotorPosition))
                position->SetUsedUnit("rad");
            ReplacePlaceholder(modelText, "@PHI0", "PHI0", 0);
            CommitParamSet(target, params.Cookie());
        }
        g_PlaceholderList.DiscardAt(static_cast<int>(i));
    }
    return 4;
}

void CDCMachineNonlinearWizard4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema << m_Settings.flags << m_Settings.excitationLookUp << m_Settings.magnetizationLookUp;
        ar << m_Settings.excitationX << m_Settings.excitationY << m_strUnits[0] << m_strUnits[1];
        ar << m_Settings.magnetizationX << m_Settings.magnetizationY << m_strUnits[2] << m_strUnits[3];
        m_ExcitationTable.Serialize(ar);
        m_MagnetizationTable.Serialize(ar);
        ar << static_cast<DWORD>(m_Snapshots.GetSize());
        for (INT_PTR i = 0; i < m_Snapshots.GetSize(); ++i)
            static_cast<CCopaObjectCompare*>(m_Snapshots[i])->Serialize(ar);
        return;
    }
    ar >> m_wSchema;
    // A block of another schema is not ours to read; the wizard keeps its state.
    if (m_wSchema != 0) return;
    DcmSettings settings;
    CString units[4];
    ar >> settings.flags >> settings.excitationLookUp >> settings.magnetizationLookUp;
    ar >> settings.excitationX >> settings.excitationY >> units[0] >> units[1];
    ar >> settings.magnetizationX >> settings.magnetizationY >> units[2] >> units[3];
    m_ExcitationTable.Serialize(ar);
    m_MagnetizationTable.Serialize(ar);
    DWORD count = 0;
    ar >> count;
    if (count > kMaxSnapshots) AfxThrowArchiveException(CArchiveException::badIndex);
    CPtrArray snapshots;
    try {
        for (DWORD i = 0; i < count; ++i) {
            auto snapshot = std::make_unique<CCopaObjectCompare>();
            snapshot->Serialize(ar);
            snapshots.Add(snapshot.release());
        }
    } catch (...) {
        qv::snapshots::CopySnapshots(snapshots, nullptr);
        throw;
    }
    m_Settings = settings;
    for (int i = 0; i < 4; ++i) m_strUnits[i] = units[i];
    // Loading into a wizard that holds snapshots replaces them.
    DeleteSnapshots();
    m_Snapshots.Append(snapshots);
}

BOOL CDCMachineNonlinearWizard4::DoConvertWizard3Data(const void* data, long length) {
    ScopedParamSet params{RequestTarget(this)};
    auto page = OpenHiddenPage(params.Cookie(), false);
    if (!page) return TRUE;
    page->ConvertWizard3Data(data, length);
    for (int which = 0; which < 2; ++which) {
        std::vector<BYTE>& block = which == 0 ? page->ExcitationBlock() : page->MagnetizationBlock();
        CPropCharacteristicXYTable& table = which == 0 ? m_ExcitationTable : m_MagnetizationTable;
        if (!block.empty() && block.size() <= 0x7FFFFFFFu) {
            table.SetData(block.data(), static_cast<int>(block.size()));
            table.LoadFromData();
            table.SetData(nullptr, 0);
        }
        std::vector<BYTE>().swap(block);
    }
    page->UpdateCharacteristicFlags();
    m_Settings.flags = page->GetFlags();
    return TRUE;
}
