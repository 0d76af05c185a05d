#include "timefunctions/step_random_pages.h"

#include "framework/byte_cursor.h"
#include "framework/combo_entries.h"
#include "framework/data_classes.h"
#include "framework/dialog_rects.h"
#include "framework/module.h"
#include "framework/shown_unit.h"
#include "framework/older_base_block.h"
#include "framework/page_inputs.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "framework/symbol_paint.h"
#include "framework/snapshot_lists.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

using namespace qv::timefunctions;
using qv::snapshots::CopySnapshots;
using qv::snapshots::DeleteSnapshots;

IMPLEMENT_DYNCREATE(CPropStepFctAndRandomBlock, CTBPropertyPage)

namespace {

constexpr int kCtlFirstLabel = 2246;
constexpr int kCtlSecondLabel = 2248;
constexpr int kCtlInitLabel = 2184;
constexpr int kCtlFirstUnit = 2511;
using namespace qv::strings;

using qv::pages::ControlLayout;
constexpr ControlLayout kLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2246, .flags = 33}, {.id = 2247, .flags = 97}, {.id = 2511, .flags = 48},
    {.id = 2248, .flags = 33}, {.id = 2249, .flags = 97}, {.id = 2184, .flags = 33}, {.id = 2187, .flags = 97},
    {.id = 2182, .flags = 33}, {.id = 2183, .flags = 97}, {.id = 2074, .flags = 34}, {.id = 2400, .flags = 48},
    {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};

} // namespace

BEGIN_MESSAGE_MAP(CPropStepFctAndRandomBlock, CSourceBlockPage)
    ON_EN_CHANGE(kIdFirstValue, &CPropStepFctAndRandomBlock::OnFieldChanged)
    ON_EN_CHANGE(kIdSecondValue, &CPropStepFctAndRandomBlock::OnFieldChanged)
    ON_EN_CHANGE(kIdInitValue, &CPropStepFctAndRandomBlock::OnFieldChanged)
    ON_CBN_SELCHANGE(kCtlFirstUnit, &CPropStepFctAndRandomBlock::OnFieldChanged)
END_MESSAGE_MAP()

CPropStepFctAndRandomBlock::CPropStepFctAndRandomBlock() : CSourceBlockPage(kStepRandomTemplate) {}

CPropStepFctAndRandomBlock::CPropStepFctAndRandomBlock(CSourceBlockWizardBase4* wizard, ParamHolder* params)
    : CSourceBlockPage(kStepRandomTemplate, wizard, params) {
    qv::pages::RegisterElementLayout(*this, kLayout);
}

void CPropStepFctAndRandomBlock::SetSnapshots(const CPtrArray* snapshots) {
    if (snapshots != &m_Snapshots) CopySnapshots(m_Snapshots, snapshots);
}

void CPropStepFctAndRandomBlock::DoDataExchange(CDataExchange* pDX) {
    CSourceBlockPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlFirstUnit, m_cmbFirstUnit);
    DDX_Text(pDX, kIdFirstValue, m_strFirst);
    DDX_Text(pDX, kIdSecondValue, m_strSecond);
    DDX_Text(pDX, kIdInitValue, m_strInit);
}

void CPropStepFctAndRandomBlock::EnableValues() {
    EnableControl(kIdFirstValue, IsParamNotOnPin(m_pParams, kIdFirstValue) == 1);
    EnableControl(kIdSecondValue, IsParamNotOnPin(m_pParams, kIdSecondValue) == 1);
}

BOOL CPropStepFctAndRandomBlock::OnInitDialog() {
    InitDialogStart();
    m_cmbFirstUnit.DisableFlatLook(TRUE);
    qv::blocks::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdFirstValue:
            m_strFirst = param->GetValue();
            qv::pages::ShowUnitsOf(m_cmbFirstUnit, param);
            break;
        case kIdSecondValue:
            m_strSecond = param->GetValue();
            break;
        case kIdSampleTime:
            ShowSampleTime(param);
            break;
        case kIdInitValue:
            m_strInit = param->GetValue();
            break;
        default:
            break;
        }
    });
    InitDialogEnd();
    EnableValues();
    return TRUE;
}

void CPropStepFctAndRandomBlock::SetLabels(UINT first, UINT second) {
    CResourceSwitch resources;
    SetDlgItemText(kCtlFirstLabel, LoadLibraryString(first));
    SetDlgItemText(kCtlSecondLabel, LoadLibraryString(second));
}

void CPropStepFctAndRandomBlock::WriteFields(bool withInit) {
    StoreName();
    qv::blocks::ForEachPageInput(m_pParams, [&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdSampleTime:
            WriteSampleTime(param);
            break;
        case kIdFirstValue: {
            param->SetValue(m_strFirst);
            CWnd* box = GetDlgItem(kCtlFirstUnit);
            if (box != nullptr && (box->GetStyle() & WS_VISIBLE) != 0 && m_cmbFirstUnit.GetCount() > 0) {
                CString unit;
                m_cmbFirstUnit.GetWindowText(unit);
                param->SetUsedUnit(unit);
            }
            break;
        }
        case kIdSecondValue:
            param->SetValue(m_strSecond);
            break;
        case kIdInitValue:
            if (withInit) param->SetValue(m_strInit);
            break;
        default:
            break;
        }
    });
}

BOOL CPropStepFctAndRandomBlock::OnApply() {
    if (m_pParams == nullptr) return FALSE;
    WriteFields(true);
    return CommitAndFinish();
}

// The constant page's layout (see ReadOlderSourcePageData); the settings go to the wizard in
// every case.
void CPropStepFctAndRandomBlock::ConvertWizard3Data(const void* data, long length) {
    ReadOlderSourcePageData(data, length, m_Snapshots, ACPage());
    HandOverSettings();
}

// ---------------------------------------------------------------------------------------
// The variants.

BOOL CPropStepFunctionBlock::OnInitDialog() {
    const BOOL result = CPropStepFctAndRandomBlock::OnInitDialog();
    SetLabels(kStrStepTime, kStrFinalValue);
    return result;
}

void CPropStepFunctionBlock::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    for (const char* name : {"AMPL", "T0", "Y0", "TS"}) AppendSnapshot(name, nullptr);
    AppendACSnapshots();
}

BOOL CPropRandomBlock::OnInitDialog() {
    const BOOL result = CPropStepFctAndRandomBlock::OnInitDialog();
    SetLabels(kStrMaximum, kStrMinimum);
    for (int id : {kCtlInitLabel, static_cast<int>(kIdInitValue)})
        if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
    return result;
}

// Minimum must lie below Maximum. Both are compared only when both are numbers (with unit
// prefixes); a variable name or expression is the simulator's to evaluate and passes.
BOOL CPropRandomBlock::OnApply() {
    if (m_pParams == nullptr) return FALSE;
    // The limits are checked before anything is written: a refused apply leaves the set as it was.
    UpdateData(TRUE);
    double maximum = 0;
    double minimum = 0;
    if (ParseValueWithPrefix(m_strFirst, &maximum) && ParseValueWithPrefix(m_strSecond, &minimum) && !(minimum < maximum)) {
        CResourceSwitch resources;
        AfxMessageBox(LoadLibraryString(kStrMaxNotAboveMin), MB_OK);
        return FALSE;
    }
    WriteFields(false);
    return CommitAndFinish();
}

void CPropRandomBlock::BuildCompareList() {
    DeleteSnapshots(m_Snapshots);
    for (const char* name : {"MAX", "MIN", "TS"}) AppendSnapshot(name, nullptr);
    AppendACSnapshots();
}

// The wizards made from the class template are instantiated here once.
template class TStepRandomWizard4<CPropStepFunctionBlock, CStepFunctionBlockWizard4>;
template class TStepRandomWizard4<CPropRandomBlock, CRandomBlockWizard4>;
