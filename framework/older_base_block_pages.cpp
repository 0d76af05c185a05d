#include "framework/older_base_block_pages.h"

using namespace qv::blocks;

BEGIN_MESSAGE_MAP(COlderBaseSampledBlockPage, COlderBaseInputBlockPage)
    ON_BN_CLICKED(kCtlSampleTimePin, &COlderBaseSampledBlockPage::OnSampleTimePin)
    ON_SAMPLE_TIME_LIST()
    ON_CBN_SELCHANGE(kCtlUnit, &COlderBaseSampledBlockPage::OnMarkModified)
END_MESSAGE_MAP()

void COlderBaseSampledBlockPage::DoDataExchange(CDataExchange* pDX) {
    COlderBaseInputBlockPage::DoDataExchange(pDX);
    DDX_Control(pDX, kCtlUnit, m_cmbUnit);
    // Pages with the numeric field only have no list to bind.
    if (GetDlgItem(kIdSampleTime) != nullptr) DDX_Control(pDX, kIdSampleTime, m_cmbSampleTime);
    DDX_Check(pDX, kCtlSampleTimePin, m_bSampleTimePin);
    DDX_Check(pDX, kIdBlockOutput, m_bOutput);
}

void COlderBaseSampledBlockPage::OpenSampledPage() {
    InitHeader(m_strName, m_bShowName);
    m_cmbUnit.DisableFlatLook(TRUE);
    if (m_cmbSampleTime.GetSafeHwnd() != nullptr) m_cmbSampleTime.SetCurSel(0);
    UpdateData(FALSE);
}

void COlderBaseSampledBlockPage::OnSampleTimePin() { ClickPinBox(m_bSampleTimePin, kIdSampleTime); }
