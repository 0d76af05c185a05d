// FFT block (wizard ID 83, older base, dialog 2580): analyses its input into a direct
// component, the fundamental wave and harmonics, with an amplitude output "AMPL[k]", a phase
// output "PHI[k]" and a phase output in degrees "PHIDEG[k]" per row k = 0 to 23. The page
// creates the per-row outputs from the element's three templates and switches the amplitude
// outputs with the check list 2302; the wizard writes no model text.
//
// Parameters (value ID = dialog control; the page reads and writes input parameters only):
//
// | Value ID | Role                                                                  |
// |----------|-----------------------------------------------------------------------|
// | 2080     | FFT type, the entry index as a number (0 "Fixed", 1 "Flexible")          |
// | 2040     | delay, used unit in 2512                                               |
// | 2296     | cut-off frequency, used unit in 2513                                   |
// | 2298     | amplitude filter, used unit in 2514                                    |
// | 2299     | window type, the entry index as a number                              |
// | 2038     | fundamental period (the page shows the frequency)                     |
// | 2186     | input signal, "Use Pin" 2073                                          |
// | 2202     | scanning period (the page shows the frequency), "Use Pin" 2074          |
// | 2302     | amplitude outputs: the template (no bracket index) and AMPL[k]          |
// | 1000     | phase outputs: the template (Type bit 0x02) and PHI[k]                  |
// | 1001     | phase outputs in degrees: the template (Type bit 0x02) and PHIDEG[k]    |
#pragma once

#include "framework/older_base_block_pages.h"
#include "framework/page_parts.h"

namespace qv::blocks {
constexpr int kFftRows = 24;
constexpr UINT kFftTemplate = 2580;

// The period stored for a frequency the user typed, and the frequency shown for a stored
// period: a number x gives 1/x ("0" stays "0"); a text "1/" followed by one term (a name or
// a number) or one bracketed group gives that term or the group's inside; any other text t
// gives "1/(t)".
CString FrequencyPeriodText(const CString& text);
} // namespace qv::blocks

class CPropFFTBlock : public COlderBaseInputBlockPage {
    DECLARE_DYNCREATE(CPropFFTBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropFFTBlock)
    BOOL OnSetActive() override;

    void UpdateAmplitudeOutputs();
    void UpdatePhaseOutputs();
    void EnableFieldsByPin();
    CCheckListBox& OutputList() { return m_lstOutputs; }

protected:
    void OnOutputListSelChange();
    void OnScanPin();
    DECLARE_MESSAGE_MAP()

    CWizardCopaObject3* m_pAmplitudeTemplate = nullptr;
    CTBUnitComboBox m_cmbCutOffUnit;
    CTBUnitComboBox m_cmbDelayUnit;
    CTBUnitComboBox m_cmbFilterUnit;
    CCheckListBox m_lstOutputs;
    CComboBox m_cmbWindow;
    CComboBox m_cmbType;
    BOOL m_bScanPin = FALSE;
    CString m_strFilter;
    CString m_strDelay;
    CString m_strCutOff;
    CString m_strScan;
    CString m_strFundamental;
    // The stored periods and the frequencies shown for them.
    qv::pages::DerivedFieldText m_scanShown;
    qv::pages::DerivedFieldText m_fundamentalShown;
};

PARVEL_OLDER_BASE_BLOCK_WIZARD(CFFTBlockWizard, CPropFFTBlock)
