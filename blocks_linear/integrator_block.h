// The integrator blocks (wizard IDs 47 and 48): the integrator page (dialog 2554) with its
// limits check, its reset section and the small page state it keeps with the wizard, and the
// discrete variant that shows the numeric sample-time field instead of the list.
//
// Parameters (value ID = dialog control; only input parameters are shown and written):
//
// | Value ID | Role                                  | Enabling                          |
// |----------|---------------------------------------|-----------------------------------|
// | 2181     | integral gain                         | while not on a pin                |
// | 2187     | initial value                         | while not on a pin                |
// | 2151     | upper limit                           | while not on a pin                |
// | 2152     | lower limit                           | while not on a pin                |
// | 2193     | reset signal; "0" while reset is off  | reset on and "Use Pin" 2075 clear |
// | 2195     | reset value                           | reset on (and not on a pin)       |
// | 2197     | trigger setting                       | reset on                          |
// | 2183     | sample time, list form, unit in 2400  | "Use Pin" 2074                    |
// | 2202     | sample time, numeric form, unit 2400  | "Use Pin" 2074                    |
// | 2186     | input signal                          | "Use Pin" 2073                    |
// | 2056     | block output ("SDB" entry)            | -                                 |
//
// Page state block with the wizard (little-endian DWORDs): 0, 0, L1 = 0, L2, L2 bytes of the
// page archive, 0, 0. The page archive: the class record of CPropIntegratorBlock (schema 10),
// DWORD 10, DWORD "Reset Integrator", CString reset signal.
#pragma once

#include "framework/older_base_block_pages.h"

namespace qv::blocks {
constexpr UINT kIntegratorTemplate = 2554;
constexpr WORD kIdIntegralGain = 2181;
constexpr WORD kIdInitialValue = 2187;
constexpr WORD kIdUpperLimit = 2151;
constexpr WORD kIdLowerLimit = 2152;
constexpr WORD kIdResetSignal = 2193;
constexpr WORD kIdResetValue = 2195;
constexpr WORD kIdTriggerSetting = 2197;
constexpr int kCtlResetPin = 2075;
constexpr int kCtlReset = 2387;
constexpr DWORD kIntegratorPageVersion = 10;

// The limits rule shared by the integrator and differentiator pages: both limits 0 means no
// limits; else the upper must lie above the lower (8023) and the initial value within both,
// bounds included (8024). Only texts that read as numbers (an empty one is 0) are compared; a
// name or a formula is left to the simulation. Returns the string ID of the refusal, or 0 when
// the values fit.
UINT CheckLimitTexts(const CString& upper, const CString& lower, const CString& initial);
} // namespace qv::blocks

class CPropIntegratorBlock : public COlderBaseSampledBlockPage {
    DECLARE_SERIAL(CPropIntegratorBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropIntegratorBlock)
    BOOL OnSetActive() override;
    void Serialize(CArchive& ar) override;

    // The page state block into the wizard's additional data.
    void SaveToBuffer();
    // The page state back from the wizard's additional data; fields that do not fit are
    // ignored.
    void LoadFromBuffer();
    // TRUE when limits and initial value fit; else FALSE with the message in *message.
    BOOL CheckLimits(CString* message);

    BOOL IsResetOn() const { return m_bReset; }
    const CString& GetResetSignalText() const { return m_strResetSignal; }

protected:
    void OnResetToggle();
    void OnResetPin();
    void OnSampleTimePin() override;
    void EnableResetControls(BOOL on);
    void EnableByPin();
    DECLARE_MESSAGE_MAP()

    BOOL m_bResetPin = FALSE;
    CString m_strGain;
    CString m_strInitial;
    CString m_strLower;
    CString m_strResetSignal;
    CString m_strResetValue;
    CString m_strUpper;
    CString m_strSampleTime;
    CString m_strTrigger;
    BOOL m_bReset = FALSE;
};

class CPropIntegratorBlockD : public CPropIntegratorBlock {
public:
    using CPropIntegratorBlock::CPropIntegratorBlock;
    BOOL OnInitDialog() override;
};

PARVEL_OLDER_BASE_BLOCK_WIZARD(CIntegratorBlockWizard, CPropIntegratorBlock)

PARVEL_OLDER_BASE_BLOCK_WIZARD(CDiscreteIntegratorBlockWizard, CPropIntegratorBlockD)
