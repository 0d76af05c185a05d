#include "blocks_linear/memory_sample_hold.h"

#include "framework/field_exchange.h"
#include "framework/listed_controls.h"
#include "framework/page_parts.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"

IMPLEMENT_DYNCREATE(CPropMemoryBlock, CTBPropertyPage)
IMPLEMENT_DYNCREATE(CPropSampleAndHoldBlock, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CMemoryBlockWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CSampleAndHoldBlockWizard, CWizardBase3)

using namespace qv::blocks;
using qv::pages::EnableDlgControl;

namespace {

constexpr WORD kIdInitialValue = 2187;

using qv::pages::ControlLayout;
constexpr ControlLayout kMemoryLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2184, .flags = 33}, {.id = 2182, .flags = 33}, {.id = 2187, .flags = 97},
    {.id = 2202, .flags = 97}, {.id = 2185, .flags = 48}, {.id = 2186, .flags = 98}, {.id = 2073, .flags = 32},
    {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};
constexpr ControlLayout kSampleAndHoldLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2184, .flags = 33}, {.id = 2249, .flags = 33}, {.id = 2182, .flags = 97},
    {.id = 2187, .flags = 97}, {.id = 2248, .flags = 97}, {.id = 2202, .flags = 97}, {.id = 2400, .flags = 48},
    {.id = 2074, .flags = 33}, {.id = 2041, .flags = 48}, {.id = 2185, .flags = 48}, {.id = 2042, .flags = 98},
    {.id = 2186, .flags = 98}, {.id = 2073, .flags = 32}, {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};

// Fields of the sample-and-hold page whose enabling follows only their own pin bit.
constexpr WORD kSampleAndHoldPinFollowers[] = {kIdInitialValue, kIdSamples, kIdDelaySamples};

} // namespace

// ---------------------------------------------------------------------------------------
// CPropMemoryBlock

// The fields whose edits mark the page modified.
constexpr int kMemoryBlockEdits[] = {kIdInitialValue, kIdSampleTimeField};

BEGIN_MESSAGE_MAP(CPropMemoryBlock, COlderBaseInputBlockPage)
    ON_LISTED_CONTROLS(EN_CHANGE, kMemoryBlockEdits, &CPropMemoryBlock::OnMarkModified)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropMemoryBlock, COlderBaseInputBlockPage, kMemoryTemplate, kMemoryLayout)

void CPropMemoryBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseInputBlockPage::DoDataExchange(pDX);
    DDX_Text(pDX, kIdInitialValue, m_strInitial);
    DDX_Text(pDX, kIdSampleTimeField, m_strSampleTime);
    DDX_Check(pDX, kIdBlockOutput, m_bOutput);
}

void CPropMemoryBlock::EnableInitialValue() { EnableDlgControl(*this, kIdInitialValue, IsParamNotOnPin(m_pExchange, kIdInitialValue)); }

BOOL CPropMemoryBlock::OnInitDialog() {
    InitHeader(m_strName, m_bShowName);
    UpdateData(FALSE);
    ForEachPageInput([&](CWizardCopaObject3* param) {
        if (param->GetValueID() == kIdInputSignal) {
            TakeInputParam(param);
        } else if (param->GetValueID() == kIdInitialValue) {
            m_strInitial = param->GetValue();
        }
    });
    ShowBlockOutput();
    SetModified(FALSE);
    EnableInitialValue();
    return TRUE;
}

BOOL CPropMemoryBlock::OnSetActive() {
    ShowSwitchesAndPins({{&m_bOutput, kIdBlockOutput}}, {{&m_bInputPin, kIdInputSignal}});
    EnableInitialValue();
    return CPropertyPage::OnSetActive();
}

BOOL CPropMemoryBlock::OnApply() {
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    WritePageTexts({{&m_strInput, kIdInputSignal}, {&m_strInitial, kIdInitialValue}});
    return EndApply();
}

// ---------------------------------------------------------------------------------------
// CPropSampleAndHoldBlock

// The fields whose edits mark the page modified.
constexpr int kSampleAndHoldBlockEdits[] = {kIdInitialValue, kIdSampleTimeField, kIdDelaySamples, kIdSamples};

BEGIN_MESSAGE_MAP(CPropSampleAndHoldBlock, COlderBaseSampledBlockPage)
    ON_LISTED_CONTROLS(EN_CHANGE, kSampleAndHoldBlockEdits, &CPropSampleAndHoldBlock::OnMarkModified)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropSampleAndHoldBlock, COlderBaseSampledBlockPage, kSampleAndHoldTemplate, kSampleAndHoldLayout)

void CPropSampleAndHoldBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseSampledBlockPage::DoDataExchange(pDX);
    qv::pages::ExchangeTexts(pDX, {{kIdInitialValue, m_strInitial}, {kIdSampleTimeField, m_strSampleTime},
                                   {kIdSamples, m_strSamples}, {kIdDelaySamples, m_strDelaySamples}});
}

void CPropSampleAndHoldBlock::EnableByPin() {
    for (WORD id : kSampleAndHoldPinFollowers) EnableDlgControl(*this, id, IsParamNotOnPin(m_pExchange, id));
}

BOOL CPropSampleAndHoldBlock::OnInitDialog() {
    OpenSampledPage();
    ForEachPageInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdInputSignal: TakeInputParam(param); break;
        case kIdInitialValue: m_strInitial = param->GetValue(); break;
        case kIdSampleTimeField:
            m_strSampleTime = param->GetValue();
            if (param->HasPin()) m_bSampleTimePin = TRUE;
            ShowUnitsOf(m_cmbUnit, param);
            break;
        case kIdDelaySamples: m_strDelaySamples = param->GetValue(); break;
        case kIdSamples: m_strSamples = param->GetValue(); break;
        default: break;
        }
    });
    ShowBlockOutput();
    SetModified(FALSE);
    EnableByPin();
    return TRUE;
}

BOOL CPropSampleAndHoldBlock::OnSetActive() {
    ShowSwitchesAndPins({{&m_bOutput, kIdBlockOutput}},
                        {{&m_bInputPin, kIdInputSignal}, {&m_bSampleTimePin, kIdSampleTimeField}});
    EnableByPin();
    return CPropertyPage::OnSetActive();
}

// The unit box stays enabled: only the value is taken from the pin.
void CPropSampleAndHoldBlock::OnSampleTimePin() { ClickPinBox(m_bSampleTimePin, kIdSampleTimeField); }

BOOL CPropSampleAndHoldBlock::OnApply() {
    if (m_pExchange == nullptr) return FALSE;
    // The numbers of samples are counts: a text or a fraction is refused before anything is
    // written. A count taken from a pin leaves its field disabled and is passed over.
    UpdateData(TRUE);
    using qv::pages::NumberNeeded;
    if (!qv::pages::RefuseUnlessNumber(*this, kIdSamples, m_strSamples, NumberNeeded::Count) ||
        !qv::pages::RefuseUnlessNumber(*this, kIdDelaySamples, m_strDelaySamples, NumberNeeded::Count))
        return FALSE;
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    WritePageTexts({{&m_strInput, kIdInputSignal},
                    {&m_strInitial, kIdInitialValue},
                    {&m_strSampleTime, kIdSampleTimeField},
                    {&m_strDelaySamples, kIdDelaySamples},
                    {&m_strSamples, kIdSamples}},
                   &m_cmbUnit);
    return EndApply();
}
