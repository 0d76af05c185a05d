// The page shared by the step-function block (wizard ID 56) and the random block (57),
// dialog 2562 "Parameters", and its two variants.
//
// Parameters (value ID = dialog control; only input parameters, Type bit 0x04, are shown and
// written):
//
// | Value ID | Step block | Random block | Role                                          |
// |----------|------------|--------------|-----------------------------------------------|
// | 2247     | T0         | MAX          | first value (unit list 2511 when it has one)   |
// | 2249     | AMPL       | MIN          | second value                                  |
// | 2187     | Y0         | (hidden)     | initial value                                 |
// | 2183     | TS         | TS           | sample time ("0" the system's), unit in 2400  |
// | 2056     | OUT        | OUT          | block output ("SDB" entry)                    |
//
// The snapshot list names what the model text lists: the variant's own names, then the AC
// part ("AC_PHASE", "AC_MAG", or "AC_RE"/"AC_IM" as "@AC_PHASE"/"@AC_MAG" when the AC page
// is in Real && Imaginary mode).
#pragma once

#include "framework/template_wizard.h"

#include "timefunctions/source_blocks.h"

namespace qv::timefunctions {
constexpr UINT kStepRandomTemplate = 2562;
constexpr WORD kIdFirstValue = 2247;
constexpr WORD kIdSecondValue = 2249;
constexpr WORD kIdInitValue = 2187;
} // namespace qv::timefunctions

class CPropStepFctAndRandomBlock : public CSourceBlockPage {
    DECLARE_DYNCREATE(CPropStepFctAndRandomBlock)
public:
    CPropStepFctAndRandomBlock();
    CPropStepFctAndRandomBlock(CSourceBlockWizardBase4* wizard, ParamHolder* params);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;

    // The wizard's list before the dialog exists; the snapshots are copied.
    void SetSnapshots(const CPtrArray* snapshots);
    // Element data of the older wizard generation, in the constant page's layout.
    void ConvertWizard3Data(const void* data, long length);

protected:
    // Step 1 and 2 of an apply: the fields go into the parameter set (the initial value only
    // when `withInit`).
    void WriteFields(bool withInit);
    void ShowValuePins() override { EnableValues(); }
    void EnableValues();
    void SetLabels(UINT first, UINT second);
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbFirstUnit;  // 2511
    CString m_strFirst;
    CString m_strSecond;
    CString m_strInit;       // 2187
};

// Step block: "Step Time" and "Final Value"; snapshots "AMPL", "T0", "Y0", "TS".
class CPropStepFunctionBlock : public CPropStepFctAndRandomBlock {
public:
    CPropStepFunctionBlock(CSourceBlockWizardBase4* wizard, ParamHolder* params)
        : CPropStepFctAndRandomBlock(wizard, params) {}
    BOOL OnInitDialog() override;
    void BuildCompareList() override;
};

// Random block: "Maximum Value" and "Minimum Value", no initial value; snapshots "MAX",
// "MIN", "TS"; apply refuses a minimum that is not below the maximum.
class CPropRandomBlock : public CPropStepFctAndRandomBlock {
public:
    CPropRandomBlock(CSourceBlockWizardBase4* wizard, ParamHolder* params) : CPropStepFctAndRandomBlock(wizard, params) {}
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void BuildCompareList() override;
};

// The step-function and random blocks' wizards: alike but for their page.
template <class Page, class Self>
class TStepRandomWizard4 : public TSourceBlockWizard4<Page, Self> {
public:
    static constexpr UINT kPageTemplate = qv::timefunctions::kStepRandomTemplate;
    static constexpr bool kValuePlaceholders = false;
    using TSourceBlockWizard4<Page, Self>::TSourceBlockWizard4;
    void GiveSettingsToPage(CPropStepFctAndRandomBlock& page) { page.SetSnapshots(&this->m_Snapshots); }
};

PARVEL_TEMPLATE_WIZARD(CStepFunctionBlockWizard4, TStepRandomWizard4<CPropStepFunctionBlock, CStepFunctionBlockWizard4>)
PARVEL_TEMPLATE_WIZARD(CRandomBlockWizard4, TStepRandomWizard4<CPropRandomBlock, CRandomBlockWizard4>)
