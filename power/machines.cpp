#include "power/machines.h"

#include "framework/byte_cursor.h"
#include "framework/data_classes.h"
#include "framework/dialog_controls.h"
#include "framework/dialog_rects.h"
#include "framework/immanent_template.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"

#include <utility>
#include <vector>

using namespace qv::power;
using namespace qv::dialog;

IMPLEMENT_SERIAL(CPropMachine, CTBPropertyPage, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropMachine)

namespace {

using namespace qv::strings;

constexpr WORD kInductionParams[] = {7000, 7001, 7002, 7003, 7004, 7005, 7006, 7007};
constexpr WORD kInductionInitial[] = {7050, 7051, 7052, 7053, 7054, 7055, 7056, 7057};
constexpr WORD kSyncParams[] = {7000, 7001, 7008, 7009, 7010, 7011, 7012, 7006, 7022};
constexpr WORD kSyncInitial[] = {7050, 7051, 7052, 7058, 7056, 7057};
constexpr WORD kSyncDamperParams[] = {7000, 7001, 7014, 7008, 7009, 7013, 7015, 7016,
                                      7017, 7011, 7012, 7010, 7018, 7006, 7022};
constexpr WORD kSyncDamperInitial[] = {7050, 7051, 7052, 7053, 7054, 7055, 7058, 7056, 7057};
constexpr WORD kPMSyncParams[] = {7000, 7001, 7008, 7009, 7019, 7006, 7022};
constexpr WORD kPMSyncInitial[] = {7050, 7051, 7052, 7056, 7057};
constexpr WORD kPMSyncDamperParams[] = {7000, 7001, 7014, 7008, 7013, 7009, 7015, 7016, 7017, 7019, 7006, 7022};
constexpr WORD kPMSyncDamperInitial[] = {7050, 7051, 7052, 7053, 7054, 7055, 7056, 7057};
constexpr WORD kDCPMParams[] = {7000, 7020, 7021, 7019, 7022};
constexpr WORD kDCPMInitial[] = {7059, 7056, 7057};
constexpr WORD kDCParams[] = {7000, 7020, 7021, 7011, 7012, 7022, 7023};
constexpr WORD kDCInitial[] = {7059, 7058, 7056, 7057};

#define PARVEL_SYNC_OUTPUTS {7100, 7101, 7000, 7102, 7103, 7104, 7105}
#define PARVEL_DC_OUTPUTS {7100, 7101, 7000, 0, 7102, 7106, 7107}

constexpr MachineShape kMachineShapes[] = {
    {.wizardID = 21, .parameterRows = kInductionParams, .initialRows = kInductionInitial,
     .outputs = PARVEL_SYNC_OUTPUTS, .hideLoadWithout7000 = true},
    {.wizardID = 22, .parameterRows = kSyncParams, .initialRows = kSyncInitial, .outputs = PARVEL_SYNC_OUTPUTS,
     .hideLoadWithout7000 = false},
    {.wizardID = 23, .parameterRows = kSyncDamperParams, .initialRows = kSyncDamperInitial,
     .outputs = PARVEL_SYNC_OUTPUTS, .hideLoadWithout7000 = false},
    {.wizardID = 24, .parameterRows = kPMSyncParams, .initialRows = kPMSyncInitial, .outputs = PARVEL_SYNC_OUTPUTS,
     .hideLoadWithout7000 = false},
    {.wizardID = 25, .parameterRows = kPMSyncDamperParams, .initialRows = kPMSyncDamperInitial,
     .outputs = PARVEL_SYNC_OUTPUTS, .hideLoadWithout7000 = false},
    {.wizardID = 26, .parameterRows = kDCPMParams, .initialRows = kDCPMInitial, .outputs = PARVEL_DC_OUTPUTS,
     .hideLoadWithout7000 = false},
    {.wizardID = 27, .parameterRows = kDCParams, .initialRows = kDCInitial, .outputs = PARVEL_DC_OUTPUTS,
     .hideLoadWithout7000 = false},
};

#undef PARVEL_SYNC_OUTPUTS
#undef PARVEL_DC_OUTPUTS

using qv::pages::ControlLayout;
constexpr ControlLayout kMachineLayout[] = {
    {.id = 2072, .flags = 197}, {.id = 2132, .flags = 197}, {.id = 2133, .flags = 201}, {.id = 2134, .flags = 201},
    {.id = 2017, .flags = 250}, {.id = 2136, .flags = 50},  {.id = 2137, .flags = 50},  {.id = 2138, .flags = 50},
    {.id = 2139, .flags = 50},  {.id = 2140, .flags = 50},  {.id = 2141, .flags = 50},  {.id = 2142, .flags = 50},
};

} // namespace

void qv::power::InsertMachineListColumns(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues) {
    for (CTBEditListCtrl* list : {&parameters, &initialValues}) {
        list->InsertEditColumn(0, LoadLibraryString(kStrName), 0, 100, -1);
        list->InsertEditColumn(1, LoadLibraryString(kStrValue), 0, 100, -1);
        list->InsertEditColumn(2, LoadLibraryString(kStrUnit), 0, 100, -1);
    }
}

void qv::power::InitializeMachineLists(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues) {
    parameters.InitializeCtrl(1, 1);
    initialValues.InitializeCtrl(1, 1);
    parameters.InitializeColumnSize(0, "WIZColumnWidths", "Machine");
    initialValues.InitializeColumnSize(0, "WIZColumnWidths", "MachineInit");
    parameters.LoadColumnWidths();
    initialValues.LoadColumnWidths();
}

bool qv::power::FindMachineRow(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues, WORD valueID,
                               CTBEditListCtrl*& list, int& row) {
    // The row of the list's parameter with the ID, or -1.
    const auto rowIn = [valueID](CTBEditListCtrl& candidate) {
        if (candidate.GetSafeHwnd() == nullptr) return -1;
        for (int at = 0; at < candidate.GetItemCount(); ++at) {
            const auto* param = reinterpret_cast<const CWizardCopaObject3*>(candidate.GetItemData(at));
            if (param != nullptr && param->GetValueID() == valueID) return at;
        }
        return -1;
    };
    list = &parameters;
    row = rowIn(parameters);
    if (row < 0) {
        list = &initialValues;
        row = rowIn(initialValues);
    }
    return row >= 0;
}

bool qv::power::ShowInMachineRow(CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues,
                                 CWizardCopaObject3* param) {
    CTBEditListCtrl* list = nullptr;
    int row = -1;
    if (!FindMachineRow(parameters, initialValues, param->GetValueID(), list, row)) return false;
    list->SetEditItemText(row, 1, param->GetValue(), TB_EDIT_TEXT, "");
    list->SetEditItemText(row, 2, param->GetUsedUnit(), TB_EDIT_UNIT, param->GetQuantity());
    list->SetItemData(row, reinterpret_cast<DWORD_PTR>(param));
    return true;
}

BOOL qv::power::RefuseBlankMachineCells(CWnd& page, CTBEditListCtrl& parameters, CTBEditListCtrl& initialValues) {
    for (auto [list, control] : {std::pair{&parameters, kCtlParameterList}, std::pair{&initialValues, kCtlInitialValueList}}) {
        if (list->GetSafeHwnd() == nullptr) continue;
        list->CloseEdit(TRUE);
        for (int row = 0; row < list->GetItemCount(); ++row) {
            CString value = list->GetItemText(row, 1);
            const auto* param = reinterpret_cast<const CWizardCopaObject3*>(list->GetItemData(row));
            if (!qv::pages::IsLiveInput(param) || param->GetValueID() == 0 || !value.Trim().IsEmpty()) continue;
            list->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            return qv::pages::RefuseField(page, control);
        }
    }
    return TRUE;
}

const MachineShape* qv::power::MachineShapeOf(unsigned wizardID) {
    for (const MachineShape& shape : kMachineShapes)
        if (shape.wizardID == wizardID) return &shape;
    return nullptr;
}

LONG qv::power::ReadMachinePhaseUnit(const BYTE* data, DWORD size) {
    if (data == nullptr) return -1;
    qv::bytes::Reader reader(data, size);
    DWORD skipped = 0;
    DWORD length = 0;
    // A length that does not fit what remains ends the walk: nothing after it is read.
    if (!reader.ReadDword(skipped) || !reader.ReadDword(skipped)) return -1;
    if (!reader.ReadDword(length) || !reader.SkipBytes(length)) return -1;
    if (!reader.ReadDword(length) || length == 0 || !reader.Fits(length)) return -1;
    std::vector<BYTE> copy(reader.Position(), reader.Position() + length);
    CPropMachine page;
    try {
        CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
        CArchive ar(&file, CArchive::load, 4096);
        page.Serialize(ar);
    } catch (CException* e) {
        e->Delete();
    }
    return page.GetPhaseUnit();
}

// ---------------------------------------------------------------------------------------
// The page.

CPropMachine::CPropMachine() : CTBPropertyPage(kMachineTemplate) {}

CPropMachine::CPropMachine(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CTBPropertyPage(kMachineTemplate), m_pWizard(wizard), m_pExchange(exchange) {
    qv::pages::RegisterElementLayout(*this, kMachineLayout);
}

CPropMachine::~CPropMachine() {
    delete m_pSymbol;
    m_pSymbol = nullptr;
}

void CPropMachine::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.SerializeClass(RUNTIME_CLASS(CPropMachine));
        return;
    }
    // A class record that cannot be read leaves the unit as it is.
    try {
        ar.SerializeClass(RUNTIME_CLASS(CPropMachine));
    } catch (CException* e) {
        e->Delete();
        return;
    }
    DWORD version = 0;
    LONG unit = -1;
    ar >> version;
    ar >> unit;
    m_lPhaseUnit = unit;
}

void CPropMachine::DoDataExchange(CDataExchange* pDX) {
    CTBPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlInitialValueList, m_lstInitialValues);
    DDX_Control(pDX, kCtlParameterList, m_lstParameters);
    DDX_Check(pDX, kCtlShowName, m_bShowName);
    DDX_Text(pDX, kCtlName, m_strName);
    for (int i = 0; i < kMachineOutputCount; ++i) DDX_Check(pDX, kCtlFirstMachineOutput + i, m_bOutput[i]);
}

BEGIN_MESSAGE_MAP(CPropMachine, CTBPropertyPage)
    ON_CONTROL_RANGE(BN_CLICKED, 2136, 2142, &CPropMachine::OnOutputClicked)
    ON_BN_CLICKED(kCtlShowName, &CPropMachine::OnModified)
    ON_EN_CHANGE(kCtlName, &CPropMachine::OnModified)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlParameterList, &CPropMachine::OnListItemChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, kCtlInitialValueList, &CPropMachine::OnListItemChanged)
    ON_WM_PAINT()
END_MESSAGE_MAP()

void CPropMachine::FillRows(CTBEditListCtrl& list, std::span<const WORD> rows) {
    list.DeleteAllItems();
    CResourceSwitch resources;
    for (WORD id : rows) {
        CString label;
        label.LoadString(id);
        list.InsertEditItem(list.GetItemCount(), label, TB_EDIT_NONE, "",
                            reinterpret_cast<DWORD_PTR>(FindParamByValueID(m_pExchange, id)));
    }
}

void CPropMachine::LoadOutputs(const MachineShape& shape) {
    const bool hideLoad = shape.hideLoadWithout7000 && !HasParamWithValueID(m_pExchange, kIdLoadTorque);
    {
        CResourceSwitch resources;
        for (int i = 0; i < kMachineOutputCount; ++i) {
            CWnd* box = GetDlgItem(kCtlFirstMachineOutput + i);
            if (box == nullptr) continue;
            const WORD id = shape.outputs[i];
            if (id == 0 || (i == 2 && hideLoad)) {
                box->ShowWindow(SW_HIDE);
                continue;
            }
            CString caption;
            caption.LoadString(id);
            CString unit;
            if (GetParamUnit(m_pExchange, id, &unit)) AppendUnitSuffix(&caption, unit);
            box->SetWindowText(caption);
        }
    }
    for (int i = 0; i < kMachineOutputCount; ++i) {
        const WORD id = shape.outputs[i];
        if (id == 0 || (i == 2 && hideLoad)) continue;
        BOOL on = m_bOutput[i];
        if (GetSDBOutput(m_pExchange, id, &on)) m_bOutput[i] = on;
    }
    UpdateData(FALSE);
}

void CPropMachine::StoreOutputs(const MachineShape& shape) {
    const bool hideLoad = shape.hideLoadWithout7000 && !HasParamWithValueID(m_pExchange, kIdLoadTorque);
    for (int i = 0; i < kMachineOutputCount; ++i) {
        const WORD id = shape.outputs[i];
        if (id == 0 || (i == 2 && hideLoad)) continue;
        SetSDBOutput(m_pExchange, id, m_bOutput[i]);
    }
}

BOOL CPropMachine::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
        InsertMachineListColumns(m_lstParameters, m_lstInitialValues);
    }
    FillParameterList();
    FillInitialValueList();
    LoadAdditionalWizardData();
    InitializeMachineLists(m_lstParameters, m_lstInitialValues);

    qv::pages::LoadNameAndSymbol(m_pExchange, m_pWizard, m_strName, m_bShowName, m_strSymbolText, m_pSymbol);
    UpdateData(FALSE);
    qv::pages::ForEachPageInput(m_pExchange, [this](CWizardCopaObject3* param) {
        if (param->GetValueID() > 0) ShowInMachineRow(m_lstParameters, m_lstInitialValues, param);
    });
    UpdateData(FALSE);
    LoadDefaultOutputs();
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropMachine::OnApply() {
    // Without the data-exchange object there is nothing to write into.
    if (m_pExchange == nullptr || !RefuseBlankMachineCells(*this, m_lstParameters, m_lstInitialValues)) return FALSE;
    if (!qv::pages::StoreNameOnApply(*this, m_pExchange, m_strName, m_bShowName)) return FALSE;
    qv::pages::ForEachPageInput(m_pExchange, [this](CWizardCopaObject3* param) {
        CTBEditListCtrl* list = nullptr;
        int row = -1;
        if (param->GetValueID() == 0 || !FindRow(param->GetValueID(), list, row)) return;
        const CString value = list->GetItemText(row, 1);
        const CString unit = list->GetItemText(row, 2);
        if (!value.IsEmpty()) param->SetValue(value);
        if (!unit.IsEmpty()) param->SetUsedUnit(unit);
    });
    m_lstParameters.SaveColumnWidths();
    m_lstInitialValues.SaveColumnWidths();
    if (!CommitExchange(RequestTarget(m_pWizard), m_pExchange)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

BOOL CPropMachine::OnSetActive() {
    LoadDefaultOutputs();
    SetModified(FALSE);
    return CPropertyPage::OnSetActive();
}

void CPropMachine::LoadAdditionalWizardData() {
    if (m_pWizard == nullptr) return;
    BYTE* data = nullptr;
    const DWORD size = m_pWizard->GetAdditionalWizardData(&data);
    if (data == nullptr) return;
    const LONG unit = ReadMachinePhaseUnit(data, size);
    if (unit != -1) m_lPhaseUnit = unit;
    if (CWizardCopaObject3* position = FindParamByValueID(m_pExchange, kIdRotorPosition))
        position->SetUsedUnit(m_lPhaseUnit == 1 ? "rad" : "deg");
    m_pWizard->SetAdditionalWizardData(nullptr, 0);
    CommitExchange(RequestTarget(m_pWizard), m_pExchange);
}

void CPropMachine::OnOutputClicked(UINT) {
    UpdateData(TRUE);
    SetModified(TRUE);
    StoreDefaultOutputs();
    // The answer is not used: the switch stays as the user set it.
    if (m_pExchange != nullptr) CommitExchange(RequestTarget(m_pWizard), m_pExchange);
}

void CPropMachine::OnModified() {
    UpdateData(TRUE);
    SetModified(TRUE);
}

void CPropMachine::OnListItemChanged(NMHDR*, LRESULT* result) {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (result) *result = 0;
}

void CPropMachine::OnPaint() {
    qv::pages::PaintSymbolInFrame(*this, kCtlSymbolFrame, m_pSymbol, m_strSymbolText);
}

// ---------------------------------------------------------------------------------------
// The wizards.

template <unsigned WizardID, class Self>
int CMachineWizard<WizardID, Self>::WriteSimDescr(CFile*, const CString& templ,
                                                  CWizardSchematicDataExchange3* exchange) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    BYTE* data = nullptr;
    this->GetAdditionalWizardData(&data);
    if (data == nullptr) return 4;
    // The conversion runs on a page of its own, without a window; the page on the editor's
    // sheet (if any) is left alone.
    Page page(this, exchange);
    page.LoadAdditionalWizardData();
    return 4;
}

#define PARVEL_MACHINE_WIZARD_OPERATIONS(ClassName, id)  \
    IMPLEMENT_DYNAMIC(ClassName, CWizardBase3)           \
    template class CMachineWizard<id, ClassName>;

PARVEL_MACHINE_WIZARD_OPERATIONS(CInductionMachineWizard, 21)
PARVEL_MACHINE_WIZARD_OPERATIONS(CSyncMachineWizard, 22)
PARVEL_MACHINE_WIZARD_OPERATIONS(CSyncMachineDamperWizard, 23)
PARVEL_MACHINE_WIZARD_OPERATIONS(CPMSyncMachineWizard, 24)
PARVEL_MACHINE_WIZARD_OPERATIONS(CPMSyncMachineDamperWizard, 25)
PARVEL_MACHINE_WIZARD_OPERATIONS(CDCMachinePMWizard, 26)
PARVEL_MACHINE_WIZARD_OPERATIONS(CDCMachineWizard, 27)

#undef PARVEL_MACHINE_WIZARD_OPERATIONS
