#include "passive/transformers_older_base.h"

#include "framework/data_classes.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/string_ids.h"


using namespace qv::passive;

IMPLEMENT_SERIAL(CPropPassive2WTrafoLinear, CPropPassiveTransformerBase, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassive2WTrafoLinear)
IMPLEMENT_SERIAL(CPropPassive2WTrafoPriSecSide, CPropPassiveTransformerBase, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassive2WTrafoPriSecSide)
IMPLEMENT_SERIAL(CPropPassive6WTrafo3Phase, CPropPassiveTransformerBase, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassive6WTrafo3Phase)
IMPLEMENT_SERIAL(CPropPassive6WTrafo3PhasePriSecSide, CPropPassiveTransformerBase,
                 VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CPropPassive6WTrafo3PhasePriSecSide)
IMPLEMENT_DYNAMIC(CLinearTransformerWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CTransformerPriSecSideWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CThreePhaseTransformerWizard, CWizardBase3)
IMPLEMENT_DYNAMIC(CThreePhaseTransformerPriSecSideWizard, CWizardBase3)

namespace {

// Labels and the bitmap of the turns ratio and the shunt branch.
constexpr int kCtlMainInductanceLabel = 2481;
constexpr int kCtlIronLossLabel = 2111;
constexpr int kCtlRatioLabel = 2488;
constexpr int kCtlRatio2Label = 2495;
constexpr int kCtlRatio3Label = 2498;
constexpr int kCtlRatio4Label = 2501;
constexpr WORD kIdRatio = 2486;
constexpr WORD kIdRatioPin = 2487;
constexpr WORD kSelMainInductance = 2515;
constexpr WORD kSelIronLoss = 2517;

using namespace qv::strings;

// ---- 2609: linear two-winding transformer.
constexpr TransformerField kLinearFields[] = {
    {.id = 2477, .selector = 2514}, {.id = 2479, .selector = 2527}, {.id = 2480, .selector = 2515},
    {.id = 2483, .selector = 2516}, {.id = 2485, .selector = 2521}, {.id = 2112, .selector = 2517},
};
constexpr TransformerRatio kSingleRatio[] = {{.edit = kIdRatio, .usePin = kIdRatioPin}};
constexpr TransformerOutput kFourOutputs[] = {
    {.check = 2371, .ids = {2371, 0, 0}}, {.check = 2372, .ids = {2372, 0, 0}},
    {.check = 2373, .ids = {2373, 0, 0}}, {.check = 2374, .ids = {2374, 0, 0}},
};
constexpr TransformerLayoutCode kLinearLayout[] = {
    {.id = 2000, .code = 5},  {.id = 2001, .code = 69}, {.id = 2002, .code = 20}, {.id = 2020, .code = 6},
    {.id = 2072, .code = 15}, {.id = 2476, .code = 33}, {.id = 2478, .code = 33}, {.id = 2481, .code = 33},
    {.id = 2488, .code = 33}, {.id = 2477, .code = 97}, {.id = 2479, .code = 97}, {.id = 2480, .code = 97},
    {.id = 2482, .code = 48}, {.id = 2484, .code = 48}, {.id = 2111, .code = 48}, {.id = 2483, .code = 98},
    {.id = 2485, .code = 98}, {.id = 2112, .code = 98}, {.id = 2331, .code = 33}, {.id = 2486, .code = 97},
    {.id = 2487, .code = 48}, {.id = 2514, .code = 48}, {.id = 2527, .code = 48}, {.id = 2515, .code = 48},
    {.id = 2516, .code = 34}, {.id = 2521, .code = 34}, {.id = 2517, .code = 34}, {.id = 2017, .code = 11},
    {.id = 2371, .code = 9},  {.id = 2372, .code = 24}, {.id = 2373, .code = 24}, {.id = 2374, .code = 24},
};
constexpr TransformerPageShape kLinearShape = {.templateId = 2609, .fields = kLinearFields, .ratios = kSingleRatio,
                                               .outputs = kFourOutputs, .groupOutputs = false,
                                               .layout = kLinearLayout};

// ---- 2610: two-winding transformer referred to one side.
constexpr TransformerField kOneSideFields[] = {
    {.id = 2477, .selector = 2514}, {.id = 2480, .selector = 2515},
    {.id = 2483, .selector = 2516}, {.id = 2112, .selector = 2517},
};
constexpr TransformerOutput kTwoOutputs[] = {
    {.check = 2371, .ids = {2371, 0, 0}}, {.check = 2372, .ids = {2372, 0, 0}},
};
constexpr TransformerLayoutCode kOneSideLayout[] = {
    {.id = 2000, .code = 5},  {.id = 2001, .code = 69}, {.id = 2002, .code = 20}, {.id = 2020, .code = 6},
    {.id = 2072, .code = 15}, {.id = 2476, .code = 33}, {.id = 2481, .code = 33}, {.id = 2488, .code = 33},
    {.id = 2477, .code = 97}, {.id = 2480, .code = 97}, {.id = 2482, .code = 48}, {.id = 2111, .code = 48},
    {.id = 2483, .code = 98}, {.id = 2112, .code = 98}, {.id = 2331, .code = 33}, {.id = 2486, .code = 97},
    {.id = 2487, .code = 48}, {.id = 2514, .code = 48}, {.id = 2515, .code = 48}, {.id = 2516, .code = 48},
    {.id = 2517, .code = 48}, {.id = 2017, .code = 11}, {.id = 2371, .code = 9},  {.id = 2372, .code = 24},
};
constexpr TransformerPageShape kOneSideShape = {.templateId = 2610, .fields = kOneSideFields,
                                                .ratios = kSingleRatio, .outputs = kTwoOutputs,
                                                .groupOutputs = false, .layout = kOneSideLayout};

// ---- 2611: three-phase transformer.
constexpr TransformerField kThreePhaseFields[] = {
    {.id = 2477, .selector = 2514}, {.id = 2479, .selector = 2527}, {.id = 2490, .selector = 2526},
    {.id = 2483, .selector = 2516}, {.id = 2485, .selector = 2521}, {.id = 2492, .selector = 2522},
    {.id = 2494, .selector = 2518}, {.id = 2498, .selector = 2519}, {.id = 2502, .selector = 2520},
    {.id = 2496, .selector = 2523}, {.id = 2500, .selector = 2524}, {.id = 2504, .selector = 2525},
    {.id = 2480, .selector = 2515}, {.id = 2112, .selector = 2517},
};
constexpr TransformerOutput kFourGroups[] = {
    {.check = 2371, .ids = {2371, 1013, 1014}}, {.check = 2372, .ids = {2372, 1015, 1016}},
    {.check = 2373, .ids = {2373, 1017, 1018}}, {.check = 2374, .ids = {2374, 1019, 1020}},
};
constexpr TransformerLayoutCode kThreePhaseLayout[] = {
    {.id = 2000, .code = 5},   {.id = 2001, .code = 69},  {.id = 2002, .code = 20},  {.id = 2020, .code = 6},
    {.id = 2072, .code = 15},  {.id = 2073, .code = 131}, {.id = 2074, .code = 131}, {.id = 2476, .code = 33},
    {.id = 2478, .code = 33},  {.id = 2489, .code = 33},  {.id = 2493, .code = 33},  {.id = 2497, .code = 33},
    {.id = 2501, .code = 33},  {.id = 2481, .code = 33},  {.id = 2488, .code = 33},  {.id = 2477, .code = 97},
    {.id = 2479, .code = 97},  {.id = 2490, .code = 97},  {.id = 2494, .code = 97},  {.id = 2498, .code = 97},
    {.id = 2502, .code = 97},  {.id = 2480, .code = 97},  {.id = 2482, .code = 48},  {.id = 2484, .code = 48},
    {.id = 2491, .code = 48},  {.id = 2495, .code = 48},  {.id = 2499, .code = 48},  {.id = 2503, .code = 48},
    {.id = 2111, .code = 48},  {.id = 2483, .code = 98},  {.id = 2485, .code = 98},  {.id = 2492, .code = 98},
    {.id = 2496, .code = 98},  {.id = 2500, .code = 98},  {.id = 2504, .code = 98},  {.id = 2112, .code = 98},
    {.id = 2331, .code = 33},  {.id = 2486, .code = 97},  {.id = 2487, .code = 48},  {.id = 2517, .code = 48},
    {.id = 2516, .code = 48},  {.id = 2521, .code = 48},  {.id = 2522, .code = 48},  {.id = 2523, .code = 48},
    {.id = 2524, .code = 48},  {.id = 2525, .code = 48},  {.id = 2515, .code = 48},  {.id = 2514, .code = 48},
    {.id = 2527, .code = 48},  {.id = 2526, .code = 48},  {.id = 2518, .code = 48},  {.id = 2519, .code = 48},
    {.id = 2520, .code = 48},  {.id = 2017, .code = 11},  {.id = 2371, .code = 9},   {.id = 2372, .code = 24},
    {.id = 2373, .code = 24},  {.id = 2374, .code = 24},
};
constexpr TransformerPageShape kThreePhaseShape = {.templateId = 2611, .fields = kThreePhaseFields,
                                                   .ratios = kSingleRatio, .outputs = kFourGroups,
                                                   .groupOutputs = true, .layout = kThreePhaseLayout};

// ---- 2612: three-phase transformer referred to one side.
constexpr TransformerField kThreePhaseOneSideFields[] = {
    {.id = 2477, .selector = 2514}, {.id = 2479, .selector = 2527}, {.id = 2490, .selector = 2526},
    {.id = 2480, .selector = 2515}, {.id = 2483, .selector = 2516}, {.id = 2485, .selector = 2521},
    {.id = 2492, .selector = 2522}, {.id = 2112, .selector = 2517},
};
constexpr TransformerRatio kFourRatios[] = {
    {.edit = 2486, .usePin = 2487}, {.edit = 2493, .usePin = 2494},
    {.edit = 2496, .usePin = 2497}, {.edit = 2499, .usePin = 2500},
};
constexpr TransformerOutput kTwoGroups[] = {
    {.check = 2371, .ids = {2371, 1013, 1014}}, {.check = 2372, .ids = {2372, 1015, 1016}},
};
constexpr TransformerLayoutCode kThreePhaseOneSideLayout[] = {
    {.id = 2000, .code = 5},  {.id = 2001, .code = 69}, {.id = 2002, .code = 20}, {.id = 2020, .code = 6},
    {.id = 2072, .code = 15}, {.id = 2476, .code = 33}, {.id = 2478, .code = 33}, {.id = 2489, .code = 33},
    {.id = 2481, .code = 33}, {.id = 2488, .code = 33}, {.id = 2495, .code = 33}, {.id = 2498, .code = 33},
    {.id = 2501, .code = 33}, {.id = 2477, .code = 97}, {.id = 2479, .code = 97}, {.id = 2490, .code = 97},
    {.id = 2480, .code = 97}, {.id = 2482, .code = 48}, {.id = 2484, .code = 48}, {.id = 2491, .code = 48},
    {.id = 2111, .code = 48}, {.id = 2483, .code = 98}, {.id = 2485, .code = 98}, {.id = 2492, .code = 98},
    {.id = 2112, .code = 98}, {.id = 2331, .code = 33}, {.id = 2486, .code = 97}, {.id = 2493, .code = 97},
    {.id = 2496, .code = 97}, {.id = 2499, .code = 97}, {.id = 2487, .code = 48}, {.id = 2494, .code = 48},
    {.id = 2497, .code = 48}, {.id = 2500, .code = 48}, {.id = 2517, .code = 48}, {.id = 2516, .code = 48},
    {.id = 2521, .code = 48}, {.id = 2522, .code = 48}, {.id = 2515, .code = 48}, {.id = 2514, .code = 48},
    {.id = 2527, .code = 48}, {.id = 2526, .code = 48}, {.id = 2017, .code = 11}, {.id = 2371, .code = 9},
    {.id = 2372, .code = 24},
};
constexpr TransformerPageShape kThreePhaseOneSideShape = {.templateId = 2612, .fields = kThreePhaseOneSideFields,
                                                          .ratios = kFourRatios, .outputs = kTwoGroups,
                                                          .groupOutputs = true, .layout = kThreePhaseOneSideLayout};

} // namespace

// ---------------------------------------------------------------------------------------
// Steps the pages of this generation share.

BOOL CPropPassiveTransformerBase::ApplyWithOneCommit(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange) {
    if (exchange == nullptr || !qv::pages::RefuseBlankValueField(*this, exchange)) return FALSE;
    UpdateData(TRUE);
    WriteNameAndFlag();
    WriteValues();
    if (!CommitExchange(RequestTarget(static_cast<const CWizardBaseCommon*>(wizard)), exchange)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

void CPropPassiveTransformerBase::RefreshOnActivate(size_t ratioRows) {
    ShowOutputStates();
    ReadRatioPins();
    UpdateData(FALSE);
    for (int pass = 0; pass < 2; ++pass)
        for (size_t row = 0; row < ratioRows; ++row) ApplyRatioPin(row);
    SetModified(FALSE);
    EnableFieldsByPin();
}

CPropPassiveTransformerPage3::CPropPassiveTransformerPage3(const TransformerPageShape& shape, bool selectorShowsData)
    : CPropPassiveTransformerBase(shape) {
    m_bSelectorShowsData = selectorShowsData;
}

CPropPassiveTransformerPage3::CPropPassiveTransformerPage3(const TransformerPageShape& shape, bool selectorShowsData,
                                                           CWizardBase3* wizard,
                                                           CWizardSchematicDataExchange3* exchange)
    : CPropPassiveTransformerBase(shape, wizard, exchange), m_pWizard(wizard), m_pExchange(exchange) {
    m_bSelectorShowsData = selectorShowsData;
}

void CPropPassiveTransformerPage3::ShowParameters() {
    InitNameAndSymbol();
    LoadParameters();
    UpdateData(FALSE);
}

BOOL CPropPassiveTransformerPage3::OnSetActive() {
    RefreshOnActivate(m_shape.ratios.size());
    return CPropPassiveTransformerBase::OnSetActive();
}

BOOL CPropPassiveTransformerPage3::OnApply() { return ApplyWithOneCommit(m_pWizard, m_pExchange); }

// ---------------------------------------------------------------------------------------
// 2609

CPropPassive2WTrafoLinear::CPropPassive2WTrafoLinear() : CPropPassiveTransformerPage3(kLinearShape, false) {}

CPropPassive2WTrafoLinear::CPropPassive2WTrafoLinear(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CPropPassiveTransformerPage3(kLinearShape, false, wizard, exchange) {}

BOOL CPropPassive2WTrafoLinear::OnInitDialog() {
    ShowParameters();
    return FinishInitWithUnitCaptions();
}

BOOL CPropPassive2WTrafoLinear::OnApply() {
    // Without the data-exchange object there is nothing to write into: nothing is written. A
    // blank value field is refused as on the other transformer pages (ApplyWithOneCommit).
    if (m_pExchange == nullptr || !qv::pages::RefuseBlankValueField(*this, m_pExchange)) return FALSE;
    UpdateData(TRUE);
    WriteNameAndFlag();
    const RequestTarget target(static_cast<const CWizardBaseCommon*>(m_pWizard));
    if (!target.HasReceiver()) return FALSE;
    // The editor takes the name first; a refusal leaves the values unwritten.
    if (!CommitExchange(target, m_pExchange)) return FALSE;
    WriteValues();
    if (!CommitExchange(target, m_pExchange)) return FALSE;
    SetModified(FALSE);
    return CPropertyPage::OnApply();
}

// ---------------------------------------------------------------------------------------
// 2610

CPropPassive2WTrafoPriSecSide::CPropPassive2WTrafoPriSecSide() : CPropPassiveTransformerPage3(kOneSideShape, false) {}

CPropPassive2WTrafoPriSecSide::CPropPassive2WTrafoPriSecSide(CWizardBase3* wizard,
                                                             CWizardSchematicDataExchange3* exchange)
    : CPropPassiveTransformerPage3(kOneSideShape, false, wizard, exchange) {}

BOOL CPropPassive2WTrafoPriSecSide::OnInitDialog() {
    ShowParameters();
    if (m_dwShuntBranch == 0)
        HideControls({kCtlMainInductanceLabel, kIdMainInductance, kSelMainInductance, kCtlIronLossLabel,
                      kIdIronLossResistance, kSelIronLoss});
    else
        HideControls({kTrafoCtlPicture, kCtlRatioLabel, kIdRatio, kIdRatioPin});
    return FinishInitWithUnitCaptions();
}

// ---------------------------------------------------------------------------------------
// 2611

CPropPassive6WTrafo3Phase::CPropPassive6WTrafo3Phase() : CPropPassiveTransformerPage3(kThreePhaseShape, true) {}

CPropPassive6WTrafo3Phase::CPropPassive6WTrafo3Phase(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange)
    : CPropPassiveTransformerPage3(kThreePhaseShape, true, wizard, exchange) {}

BOOL CPropPassive6WTrafo3Phase::OnInitDialog() {
    ShowParameters();
    // Only the first output of a group gives the box its unit.
    return FinishInitDialog([this](const TransformerOutput& output) {
        CString caption;
        GetDlgItemText(output.check, caption);
        SetOutputCaption(output.check, caption, output.ids[0]);
    });
}

// ---------------------------------------------------------------------------------------
// 2612

CPropPassive6WTrafo3PhasePriSecSide::CPropPassive6WTrafo3PhasePriSecSide()
    : CPropPassiveTransformerPage3(kThreePhaseOneSideShape, true) {}

CPropPassive6WTrafo3PhasePriSecSide::CPropPassive6WTrafo3PhasePriSecSide(CWizardBase3* wizard,
                                                                         CWizardSchematicDataExchange3* exchange)
    : CPropPassiveTransformerPage3(kThreePhaseOneSideShape, true, wizard, exchange) {}

BOOL CPropPassive6WTrafo3PhasePriSecSide::OnInitDialog() {
    ShowParameters();
    {
        CResourceSwitch resources;
        if (m_dwShuntBranch == 0) {
            HideControls({kCtlMainInductanceLabel, kIdMainInductance, kSelMainInductance, kCtlIronLossLabel,
                          kIdIronLossResistance, kSelIronLoss});
            SetDlgItemText(kCtlRatioLabel, LoadLibraryString(kStrRatio0));
        } else {
            HideControls({kTrafoCtlPicture, kCtlRatio4Label, 2499, 2500});
            SetDlgItemText(kCtlRatioLabel, LoadLibraryString(kStrRatio1));
            SetDlgItemText(kCtlRatio2Label, LoadLibraryString(kStrRatio2));
            SetDlgItemText(kCtlRatio3Label, LoadLibraryString(kStrRatio3));
        }
    }
    // Only the first ratio is enabled here; the page's activation runs all four rows.
    return FinishInitDialog([this](const TransformerOutput& output) {
        CResourceSwitch resources;
        CString caption;
        if (m_dwShuntBranch == 0)
            caption = LoadLibraryString(output.check == 2371 ? kStrSecondaryVoltagePhases : kStrSecondaryCurrentPhases);
        else
            GetDlgItemText(output.check, caption);
        SetOutputCaption(output.check, caption, output.ids[0]);
    });
}
