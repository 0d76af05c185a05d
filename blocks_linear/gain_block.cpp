#include "blocks_linear/gain_block.h"

#include "framework/dialog_rects.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "toolkit/tb_numbers.h"

IMPLEMENT_DYNCREATE(CPropGainBlock, CTBPropertyPage)
IMPLEMENT_DYNAMIC(CGainBlockWizard, CWizardBase3)

using namespace qv::blocks;

// ---------------------------------------------------------------------------------------
// CPropGainBlock

namespace {

using qv::pages::ControlLayout;
constexpr ControlLayout kGainLayout[] = {
    {.id = 2072, .flags = 15}, {.id = 2180, .flags = 33}, {.id = 2182, .flags = 33}, {.id = 2181, .flags = 97},
    {.id = 2145, .flags = 33}, {.id = 2183, .flags = 97}, {.id = 2400, .flags = 48}, {.id = 2074, .flags = 33},
    {.id = 2071, .flags = 32}, {.id = 2185, .flags = 32}, {.id = 2186, .flags = 98}, {.id = 2073, .flags = 32},
    {.id = 2017, .flags = 11}, {.id = 2056, .flags = 9},
};

} // namespace

BEGIN_MESSAGE_MAP(CPropGainBlock, COlderBaseSampledBlockPage)
    ON_EN_CHANGE(kIdGain, &CPropGainBlock::OnMarkModified)
    ON_BN_CLICKED(kCtlGainPin, &CPropGainBlock::OnGainPin)
END_MESSAGE_MAP()

PARVEL_OLDER_BASE_BLOCK_PAGE_CONSTRUCTORS(CPropGainBlock, COlderBaseSampledBlockPage, kGainTemplate, kGainLayout)

void CPropGainBlock::DoDataExchange(CDataExchange* pDX) {
    COlderBaseSampledBlockPage::DoDataExchange(pDX);
    DDX_Check(pDX, kCtlGainPin, m_bGainPin);
    DDX_Text(pDX, kIdGain, m_strGain);
}

BOOL CPropGainBlock::OnInitDialog() {
    OpenSampledPage();
    ForEachPageInput([&](CWizardCopaObject3* param) {
        switch (param->GetValueID()) {
        case kIdGain:
            m_strGain = param->GetValue();
            break;
        case kIdSampleTime:
            ShowSampleTimeParam(param, m_cmbSampleTime, m_cmbUnit, m_bSampleTimePin);
            break;
        case kIdInputSignal:
            TakeInputParam(param);
            break;
        default:
            break;
        }
    });
    ShowBlockOutput();
    SetModified(FALSE);
    return TRUE;
}

BOOL CPropGainBlock::OnSetActive() {
    ShowSwitchesAndPins({{&m_bOutput, kIdBlockOutput}},
                        {{&m_bGainPin, kIdGain}, {&m_bInputPin, kIdInputSignal}, {&m_bSampleTimePin, kIdSampleTime}});
    return CPropertyPage::OnSetActive();
}

void CPropGainBlock::OnGainPin() { ClickPinBox(m_bGainPin, kIdGain); }

BOOL CPropGainBlock::OnApply() {
    if (!BeginApply(m_strName, m_bShowName)) return FALSE;
    const CString listSampleTime = StoredSampleTime(m_cmbSampleTime);
    WritePageTexts({{&m_strGain, kIdGain}, {&listSampleTime, kIdSampleTime}, {&m_strInput, kIdInputSignal}}, &m_cmbUnit);
    return EndApply();
}
