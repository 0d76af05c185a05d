// The differentiator blocks (wizard IDs 49 and 113, dialog 2555). One dialog serves several
// element shapes: the page shows only the rows whose parameters the element has, labels them
// with the parameters' own description texts, gives each field with a quantity its own unit
// box and offers up to three output switches. The second differentiator hides the gain and
// the first initial value.
//
// Parameters (value ID = dialog control; only input parameters are shown and written):
//
// | Value ID | Role                         | Label, unit box | Enabling / pin box          |
// |----------|------------------------------|-----------------|-----------------------------|
// | 2181     | differential gain            | 2180, 2398      | while not on a pin          |
// | 2187     | initial value                | 2184, 2399      | while not on a pin          |
// | 2151     | upper limit                  | 2149, 2517      | while not on a pin          |
// | 2152     | lower limit                  | 2150, 2518      | while not on a pin          |
// | 2183     | sample time (list), unit 2400| -               | "Use Pin" 2074              |
// | 2186     | input signal                 | -               | "Use Pin" 2073              |
// | 2096     | second initial value         | 2095, 2510      | "Use Pin" 2097              |
// | 2056     | block output ("SDB")         | caption: description + unit            |
// | 2475     | further output ("Force")     | hidden without a description           |
// | 2018     | further output ("Velocity")  | hidden without a description           |
#pragma once

#include "framework/older_base_block_pages.h"

namespace qv::blocks {
constexpr UINT kDifferentiatorTemplate = 2555;
constexpr WORD kIdSecondInitial = 2096;
constexpr WORD kIdForceOutput = 2475;
constexpr WORD kIdVelocityOutput = 2018;
constexpr int kCtlSecondInitialPin = 2097;

// The limits rule of the differentiator pages: both limits 0 means no limits; else the upper
// must lie above the lower (8023). The initial value is compared (8024) only when the element
// has one (a missing initial value is not taken as 0). The string ID of the refusal, or 0.
UINT CheckDifferentiatorLimits(const CString& upper, const CString& lower, const CString* initial);
} // namespace qv::blocks

class CPropDifferentiatorBlock : public COlderBaseSampledBlockPage {
    DECLARE_DYNCREATE(CPropDifferentiatorBlock)
    PARVEL_OLDER_BASE_BLOCK_PAGE(CPropDifferentiatorBlock)
    BOOL OnSetActive() override;

    // TRUE when limits and initial value fit; else FALSE with the message in *message.
    BOOL CheckLimits(CString* message);

protected:
    void OnSecondInitialPin();
    void OnForceOutput();
    void OnVelocityOutput();
    void EnableByPin();
    // A field's unit box: hidden for an empty quantity, else set up with the used unit.
    void SetUpUnitBox(CTBUnitComboBox& box, const CWizardCopaObject3* param);
    // The field's label takes the parameter's description text (also an empty one).
    void LabelFromDescription(int labelID, WORD valueID);
    void CaptionOutput(int controlID, WORD valueID, bool hideWithoutDescription);
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbUpperUnit;
    CTBUnitComboBox m_cmbLowerUnit;
    CTBUnitComboBox m_cmbInitialUnit;
    CTBUnitComboBox m_cmbSecondUnit;
    CTBUnitComboBox m_cmbGainUnit;
    CString m_strGain;
    CString m_strInitial;
    CString m_strLower;
    CString m_strUpper;
    BOOL m_bForce = FALSE;
    BOOL m_bVelocity = FALSE;
    CString m_strSecondInitial;
    BOOL m_bSecondInitialPin = FALSE;
    // Whether the element has an input initial value 2187 (set by the walk of the apply).
    bool m_hasInitial = false;
};

class CPropDifferentiatorBlock2 : public CPropDifferentiatorBlock {
public:
    using CPropDifferentiatorBlock::CPropDifferentiatorBlock;
    BOOL OnInitDialog() override;
};

PARVEL_OLDER_BASE_BLOCK_WIZARD(CDifferentiatorBlockWizard, CPropDifferentiatorBlock)

PARVEL_OLDER_BASE_BLOCK_WIZARD(CDifferentiatorBlock2Wizard, CPropDifferentiatorBlock2)
