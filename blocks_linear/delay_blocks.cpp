#include "blocks_linear/delay_blocks.h"

#include "framework/dialog_controls.h"
#include "framework/field_exchange.h"
#include "framework/immanent_template.h"
#include "framework/indexed_family.h"
#include "framework/model_text_builders.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "framework/requests.h"
#include "framework/string_ids.h"
#include "toolkit/tb_numbers.h"
#include "toolkit/tb_units.h"

#include <cmath>
#include <map>
#include <memory>
#include <new>

IMPLEMENT_DYNCREATE(CPropDelayBlock, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CDelayBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CDiscreteDelayBlockWizard, CWizardBase3)

using namespace qv::blocks;
using qv::family::CountFromText;
using qv::pages::EnableDlgControl;
using qv::pages::ShowDlgControl;

namespace {

using namespace qv::strings;
constexpr int kCtlDelayLabel = 2039;
constexpr int kCtlSamplesLabel = 2041;
constexpr int kCtlResetValues = 2200;
using qv::dialog::kColumnWidth;

using qv::pages::ControlLayout;
constexpr ControlLayout kDelayLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2039, .flags = 33}, {.id = 2041, .flags = 33}, {.id = 2182, .flags = 33},
    {.id = 2040, .flags = 97}, {.id = 2042, .flags = 97}, {.id = 2202, .flags = 97}, {.id = 2400, .flags = 48},
    {.id = 2074, .flags = 33}, {.id = 2197, .flags = 98}, {.id = 2185, .flags = 48}, {.id = 2186, .flags = 98},
    {.id = 2073, .flags = 32}, {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};
constexpr ControlLayout kInitialValuesLayout[] = {
    {.id = 2185, .flags = 5}, {.id = 2198, .flags = 15}, {.id = 2200, .flags = 24}, {.id = 1, .flags = 9},
    {.id = 2, .flags = 10},
};

CString FormatNumber(double value) {
    if (!std::isfinite(value)) return CString("0");
    return TBExtended_ftoa(value, -1, 0, "");
}

// The delay time has no unit list: it is in seconds, the sample time's own unit, while the
// sample time is shown in the unit its list shows.
constexpr char kTime[] = "Time";
constexpr char kSeconds[] = "s";


} // namespace

// ---------------------------------------------------------------------------------------
// CPropDelayBlock

BEGIN_MESSAGE_MAP(CPropDelayBlock, COlderBaseSampledBlockPage)
    ON_BN_CLICKED(kCtlInitialValuesButton, &CPropDelayBlock::OnInitialValues)
    ON_EN_CHANGE(kIdSampleTimeField, &CPropDelayBlock::OnMarkModified)
    ON_EN_CHANGE(kIdDelayTime, &CPropDelayBlock::OnDelayChanged)
    ON_EN_CHANGE(kIdDelaySamplesField, &CPropDelayBlock::OnSamplesChanged)
    ON_EN_KILLFOCUS(kIdDelaySamplesField, &CPropDelayBlock::OnSamplesDone)
    ON_CBN_SELCHANGE(qv::blocks::kCtlUnit, &CPropDelayBlock::OnSampleTimeUnitChanged)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropDelayBlock, COlderBaseSampledBlockPage, kDelayTemplate, kDelayLayout)

void CPropDelayBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseSampledBlockPage::DoDataExchange(pDX);
    qv::pages::ExchangeTexts(pDX, {{kIdDelayTime, m_strDelay}, {kIdSampleTimeField, m_strSampleTime},
                                   {kIdDelaySamplesField, m_strSamples}});
}

int CPropDelayBlock::SamplesFromField() const {
    const double value = TBExtended_atof(m_strSamples, "");
    if (!std::isfinite(value) || value < 1.0) return 1;
    if (value >= qv::family::kMaxMembers) return qv::family::kMaxMembers - 1;
    return static_cast<int>(std::trunc(value));
}

void CPropDelayBlock::ReadParameters() {
    m_stages.RemoveAll();
    m_initialValues.RemoveAll();
    m_pStageTemplate = nullptr;
    m_pInitialTemplate = nullptr;
    ForEachPageInput([&](CWizardCopaObject3* param) {
        // Deleted members do not count: a retired stage is never revived by its index.
        switch (param->GetValueID()) {
        case kIdSampleTimeField:
            m_bSampleTimePin = param->HasPin() ? TRUE : FALSE;
            m_strSampleTime = param->GetValue();
            ShowUnitsOf(m_cmbUnit, param);
            break;
        case kIdInputSignal:
            m_bInputPin = param->HasPin() ? TRUE : FALSE;
            m_strInput = param->GetValue();
            break;
        case kIdSampleCount: m_strSamplesParam = param->GetValue(); break;
        case kIdStage: {
            const int index = GetBracketIndex(param->GetName());
            if (index >= 0 && index < qv::family::kMaxMembers) m_stages.SetAtGrow(index, param);
            else if (index < 0) m_pStageTemplate = param;
            break;
        }
        case kIdStageInitial: {
            const int index = GetBracketIndex(param->GetName());
            if (index >= 1 && index < qv::family::kMaxMembers) m_initialValues.SetAtGrow(index - 1, param);
            else if (index < 0) m_pInitialTemplate = param;
            break;
        }
        case kIdDelayTime: m_strDelay = param->GetValue(); break;
        default: break;
        }
    });
    UpdateData(FALSE);
    ClickPinBox(m_bInputPin, kIdInputSignal);
    OnSampleTimePin();
    SyncDelayParameters();
}

void CPropDelayBlock::SyncDelayParameters() {
    if (!m_bContinuous) return;
    int n = 0;
    // A count that cannot be a family's size leaves the members as they are.
    if (!CountFromText(m_strSamplesParam, &n)) return;
    const int q = static_cast<int>(m_stages.GetSize());
    if (n > q) {
        for (int i = q; i < n; ++i) {
            CWizardCopaObject3* stage = qv::family::AppendMember(m_pExchange, m_pStageTemplate, i);
            if (stage == nullptr) break;
            m_stages.SetAtGrow(i, stage);
        }
    } else if (n < q) {
        for (int i = q - 1; i >= n; --i) {
            auto* stage = static_cast<CWizardCopaObject3*>(m_stages.GetAt(i));
            if (stage != nullptr && IndexOfParam(m_pExchange, stage) >= 0) qv::family::RetireMember(stage);
            m_stages.RemoveAt(i);
        }
    }
    const int m = n - 1;
    const int z = static_cast<int>(m_initialValues.GetSize());
    if (m > z) {
        for (int i = z; i < m; ++i) {
            CWizardCopaObject3* value = qv::family::AppendMember(m_pExchange, m_pInitialTemplate, i + 1);
            if (value == nullptr) break;
            m_initialValues.SetAtGrow(i, value);
        }
    } else if (z > 0 && m < z) {
        for (int i = z - 1; i >= m && i >= 0; --i) {
            auto* value = static_cast<CWizardCopaObject3*>(m_initialValues.GetAt(i));
            if (value != nullptr && IndexOfParam(m_pExchange, value) >= 0) qv::family::RetireMember(value);
            m_initialValues.RemoveAt(i);
        }
    }
    // Gaps at lower indexes get a member too, so that every initial value the count needs
    // exists.
    for (int i = 0; i < m_initialValues.GetSize(); ++i) {
        if (m_initialValues.GetAt(i) != nullptr) continue;
        CWizardCopaObject3* value = qv::family::AppendMember(m_pExchange, m_pInitialTemplate, i + 1);
        if (value == nullptr) break;
        m_initialValues.SetAt(i, value);
    }
    SetStageValues();
}

void CPropDelayBlock::SetStageValues() {
    const int count = static_cast<int>(m_stages.GetSize());
    for (int i = 0; i < count; ++i) {
        auto* stage = static_cast<CWizardCopaObject3*>(m_stages.GetAt(i));
        if (stage == nullptr) {
            stage = qv::family::AppendMember(m_pExchange, m_pStageTemplate, i);
            if (stage == nullptr) break;
            m_stages.SetAt(i, stage);
        }
        stage->SetValue(i == count - 1 ? "1" : "0");
    }
}

void CPropDelayBlock::UpdateIndexedDescriptions() {
    if (m_pExchange == nullptr) return;
    for (int i = 0; i < m_pExchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = m_pExchange->GetParam(i);
        if (param == nullptr || (param->GetType() & kParamTypeNoList) != 0) continue;
        if (param->GetValueID() == kIdStage && m_pStageTemplate != nullptr)
            SetParamDescriptionsByIndex(&m_pStageTemplate->GetDescriptionMap(), param);
        else if (param->GetValueID() == kIdStageInitial && m_pInitialTemplate != nullptr)
            SetParamDescriptionsByIndex(&m_pInitialTemplate->GetDescriptionMap(), param);
    }
}

BOOL CPropDelayBlock::OnInitDialog() {
    OpenSampledPage();
    ReadParameters();
    if (m_bContinuous) {
        const double count = TBExtended_atof(m_strSamplesParam, "");
        m_strSamples = FormatNumber(count - 1.0);
        if (!(count - 1.0 >= 1.0)) m_strSamples = "1";
        CString seconds;
        TBConvertUnits(kTime, ShownSampleTimeUnit(), m_strSampleTime, kSeconds, seconds);
        m_strDelay = FormatNumber(SamplesFromField() * TBExtended_atof(seconds, ""));
    }
    ShowBlockOutput();
    return TRUE;
}

BOOL CPropDelayBlock::OnSetActive() {
    // The sample time's box counts only on the sampled page (OnSampleTimePin).
    GetParamUsePin(m_pExchange, kIdSampleTimeField, &m_bSampleTimePin);
    ShowSwitchesAndPins({{&m_bOutput, kIdBlockOutput}}, {{&m_bInputPin, kIdInputSignal}});
    OnSampleTimePin();
    SetModified(FALSE);
    EnableDelayField();
    UpdateIndexedDescriptions();
    return CPropertyPage::OnSetActive();
}

void CPropDelayBlock::OnInitialValues() {
    CDlgInitialValues dialog(this);
    dialog.SetInitialValues(&m_initialValues);
    {
        CResourceSwitch resources;
        dialog.DoModal();
    }
    SetModified(TRUE);
}

void CPropDelayBlock::OnSampleTimePin() {
    UpdateData(TRUE);
    if (m_bContinuous) return;
    ApplyPinBox(m_bSampleTimePin, {kIdSampleTimeField}, kIdSampleTimeField);
}

void CPropDelayBlock::OnDelayChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    if (!m_bContinuous) return;
    // The sample time shown follows a delay time that reads as one; OK refuses any other text.
    double delay = 0.0;
    if (!qv::pages::ReadsAsNumber(m_strDelay, qv::pages::NumberNeeded::Positive, &delay)) return;
    m_strSampleTime = SampleTimeShown(delay, SamplesFromField());
    UpdateData(FALSE);
}

CString CPropDelayBlock::ShownSampleTimeUnit() const {
    CString unit;
    if (m_cmbUnit.GetSafeHwnd() != nullptr && m_cmbUnit.GetCount() > 0) m_cmbUnit.GetWindowText(unit);
    return unit.IsEmpty() ? CString(kSeconds) : unit;
}

CString CPropDelayBlock::SampleTimeShown(double delay, int samples) const {
    const CString seconds = FormatNumber(delay / samples);
    CString shown;
    return TBConvertUnits(kTime, kSeconds, seconds, ShownSampleTimeUnit(), shown) ? shown : seconds;
}

void CPropDelayBlock::OnSampleTimeUnitChanged() {
    // The delay time stays what it is; the sample time derived from it is shown in the new unit.
    OnDelayChanged();
}

bool CPropDelayBlock::SamplesRead(int* samples) const {
    // Each sample is a stage, and one stage more holds the input: the family's limit is the
    // limit of the stages.
    double typed = 0.0;
    if (!qv::pages::ReadsAsNumber(m_strSamples, qv::pages::NumberNeeded::PositiveCount, &typed) ||
        typed >= qv::family::kMaxMembers)
        return false;
    *samples = static_cast<int>(typed);
    return true;
}

void CPropDelayBlock::OnSamplesChanged() {
    UpdateData(TRUE);
    SetModified(TRUE);
    // The samples stand as the user types them: the stage count and the sample time follow a
    // whole count only, and OK refuses any other text.
    int samples = 0;
    if (!SamplesRead(&samples)) return;
    m_strSamplesParam = TBExtended_itoa(samples + 1);
    double delay = 0.0;
    if (qv::pages::ReadsAsNumber(m_strDelay, qv::pages::NumberNeeded::Positive, &delay))
        m_strSampleTime = SampleTimeShown(delay, samples);
    UpdateData(FALSE);
}

void CPropDelayBlock::OnSamplesDone() { SyncDelayParameters(); }

BOOL CPropDelayBlock::OnApply() {
    if (m_pExchange == nullptr) return FALSE;
    // The sample time is the delay time divided by the samples: both must be numbers, the
    // delay above 0 and the samples a whole count, before anything is written.
    if (m_bContinuous) {
        UpdateData(TRUE);
        using qv::pages::NumberNeeded;
        int samples = 0;
        if (!qv::pages::RefuseUnlessNumber(*this, kIdDelayTime, m_strDelay, NumberNeeded::Positive) ||
            (!SamplesRead(&samples) && !qv::pages::RefuseField(*this, kIdDelaySamplesField)))
            return FALSE;
    }
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    WritePageTexts({{&m_strInput, kIdInputSignal},
                    {&m_strSamplesParam, kIdSampleCount},
                    {&m_strSampleTime, kIdSampleTimeField}},
                   &m_cmbUnit);
    // The families follow the count written, also when the samples field was not left.
    SyncDelayParameters();
    SetStageValues();
    UpdateIndexedDescriptions();
    return EndApply();
}

// ---------------------------------------------------------------------------------------
// CPropDelayBlockD

CPropDelayBlockD::CPropDelayBlockD() { m_bContinuous = FALSE; }

CPropDelayBlockD::CPropDelayBlockD(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CPropDelayBlock(wizard, exchange) {
    m_bContinuous = FALSE;
}

void CPropDelayBlockD::EnableDelayField() { EnableDlgControl(*this, kIdDelayTime, IsParamNotOnPin(m_pExchange, kIdDelayTime)); }

BOOL CPropDelayBlockD::OnInitDialog() {
    ShowDlgControl(*this, kCtlSamplesLabel, FALSE);
    ShowDlgControl(*this, kIdDelaySamplesField, FALSE);
    ShowDlgControl(*this, kCtlSampleTimePin, TRUE);
    ShowDlgControl(*this, kCtlInitialValuesButton, FALSE);
    SetDlgItemText(kCtlDelayLabel, LoadLibraryString(kStrInitialValue));
    EnableDelayField();
    return CPropDelayBlock::OnInitDialog();
}

BOOL CPropDelayBlockD::OnApply() {
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    WritePageTexts({{&m_strInput, kIdInputSignal}, {&m_strSampleTime, kIdSampleTimeField}, {&m_strDelay, kIdDelayTime}},
                   &m_cmbUnit);
    return EndApply();
}

// ---------------------------------------------------------------------------------------
// CDlgInitialValues

BEGIN_MESSAGE_MAP(CDlgInitialValues, CTBDialog)
    ON_BN_CLICKED(kCtlResetValues, &CDlgInitialValues::OnReset)
END_MESSAGE_MAP()

CDlgInitialValues::CDlgInitialValues(CWnd* parent) : CTBDialog(kDelayInitialValuesTemplate, parent) {
    qv::pages::RegisterLayout(*this, kInitialValuesLayout);
}

void CDlgInitialValues::DoDataExchange(CDataExchange* pDX) {
    CTBDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kIdStageInitial, m_lstValues);
}

BOOL CDlgInitialValues::OnInitDialog() {
    {
        CResourceSwitch resources;
        CTBDialog::OnInitDialog();
        m_lstValues.InsertEditColumn(0, LoadLibraryString(kStrCoefficient), LVCFMT_LEFT, kColumnWidth);
        m_lstValues.InsertEditColumn(1, LoadLibraryString(kStrValue), LVCFMT_LEFT, kColumnWidth);
        m_lstValues.InitializeCtrl(1, 1);
        m_lstValues.InitializeColumnSize(0, "WIZColumnWidths", "TransferFctInitNum");
    }
    // One row per initial value that exists; a gap in the array has no row.
    for (int p = 0; m_pValues != nullptr && p < m_pValues->GetSize(); ++p) {
        auto* param = static_cast<CWizardCopaObject3*>(m_pValues->GetAt(p));
        if (param == nullptr) continue;
        const int row = m_lstValues.InsertEditItem(m_lstValues.GetItemCount(), param->GetName(), TB_EDIT_NONE, nullptr,
                                                   reinterpret_cast<DWORD_PTR>(param));
        m_lstValues.SetEditItemText(row, 1, param->GetValue(), TB_EDIT_TEXT);
    }
    return TRUE;
}

void CDlgInitialValues::OnReset() {
    for (int row = 0; row < m_lstValues.GetItemCount(); ++row) m_lstValues.SetItemText(row, 1, "0");
}

void CDlgInitialValues::OnOK() {
    m_lstValues.CloseEdit(TRUE);
    for (int row = 0; row < m_lstValues.GetItemCount(); ++row)
        if (auto* param = reinterpret_cast<CWizardCopaObject3*>(m_lstValues.GetItemData(row)))
            param->SetValue(m_lstValues.GetItemText(row, 1));
    m_lstValues.SaveColumnWidths();
    CTBDialog::OnOK();
}

// ---------------------------------------------------------------------------------------
// CDelayBlockWizard

int CDelayBlockWizard::WriteSimDescr(CFile*, const CString& templ, CWizardSchematicDataExchange3* exchange) {
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (exchange == nullptr) return 4;
    CString countText;
    if (GetParamValue(exchange, kIdSampleCount, &countText)) {
        const double count = TBExtended_atof(countText, "");
        int k = std::isfinite(count) ? TBExtended_ftoi(count) : 0;
        if (k > 0) k -= 1;
        ReplacePlaceholder(exchange->m_strModelText, "@MAXINDEX", TBExtended_itoa(k), FALSE);
    }
    CWizardCopaObject3* initialTemplate = nullptr;
    std::map<int, CWizardCopaObject3*> initialValues;
    int count = 0;
    for (int i = 0; i < exchange->GetParamCount(); ++i) {
        CWizardCopaObject3* param = exchange->GetParam(i);
        if (param == nullptr) continue;
        switch (param->GetValueID()) {
        case kIdStage: SetParamExtBitByPtr(exchange, param, TRUE); break;
        case kIdStageInitial:
            if (param->GetType() & kParamTypeNoList) initialTemplate = param;
            // Deleted members do not count as present.
            else if (!param->IsDeleted()) initialValues[GetBracketIndex(param->GetName())] = param;
            break;
        case kIdSampleCount:
            if (!param->IsDeleted() && !CountFromText(param->GetValue(), &count)) count = 0;
            break;
        default: break;
        }
    }
    if (initialTemplate == nullptr) return 4;
    for (int k = 1; k < count; ++k)
        if (!initialValues.contains(k)) qv::family::AppendMember(exchange, initialTemplate, k);
    CommitExchange(RequestTarget(this), exchange);
    return 4;
}

void CDelayBlockWizard::NotifyChanged(CWizardSchematicDataExchange3* exchange, int changeType,
                                      CWizardCopaObject3* param) {
    if (param == nullptr || changeType != 3 || param->GetValueID() != kIdSampleCount) return;
    // A hidden page of the wizard's own brings the families into line, so that a page on the
    // editor's sheet is never destroyed or rebound.
    {
        std::unique_ptr<CPropDelayBlock> page(new (std::nothrow) CPropDelayBlock(this, exchange));
        if (page == nullptr) return;
        page->SetHidden(true);
        {
            CResourceSwitch resources;
            if (!page->Create(kDelayTemplate, nullptr)) return;
        }
        page->ShowWindow(SW_HIDE);
        page->DestroyWindow();
    }
    if (exchange != nullptr) CommitExchange(RequestTarget(this), exchange);
}
