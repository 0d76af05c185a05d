// The transformers of the older wizard base (wizard IDs 106 to 109): four wizards that only
// show their element's page. The page edits the parameters of the editor's data-exchange
// object and commits them with request 0; model text, element data and conversions stay with
// CWizardBase3, so nothing of these wizards is archived and no cookie is fetched.
//
// | ID  | Wizard                                   | Page (dialog)                               |
// |-----|------------------------------------------|---------------------------------------------|
// | 106 | CLinearTransformerWizard                 | CPropPassive2WTrafoLinear (2609)            |
// | 107 | CTransformerPriSecSideWizard             | CPropPassive2WTrafoPriSecSide (2610)        |
// | 108 | CThreePhaseTransformerWizard             | CPropPassive6WTrafo3Phase (2611)            |
// | 109 | CThreePhaseTransformerPriSecSideWizard   | CPropPassive6WTrafo3PhasePriSecSide (2612)  |
//
// Parameters by value ID (= the control that edits them):
//
// | Value ID | 2609 / 2610                          | 2611 / 2612                                    |
// |----------|--------------------------------------|------------------------------------------------|
// | 2477     | leakage inductance, primary          | leakage inductance, primary phase 1            |
// | 2479     | leakage inductance, secondary (2609) | leakage inductance, primary phase 2            |
// | 2490     | -                                    | leakage inductance, primary phase 3            |
// | 2483     | winding resistance, primary          | winding resistance, primary phase 1            |
// | 2485     | winding resistance, secondary (2609) | winding resistance, primary phase 2            |
// | 2492     | -                                    | winding resistance, primary phase 3            |
// | 2494, 2498, 2502 | -                            | leakage inductances, secondary phases (2611)   |
// | 2496, 2500, 2504 | -                            | winding resistances, secondary phases (2611)   |
// | 2480     | main inductance (shunt branch)       | main inductance (shunt branch)                 |
// | 2112     | iron-loss resistance (shunt branch)  | iron-loss resistance (shunt branch)            |
// | 2486     | turns ratio "KTR" (text, may be a pin) | turns ratio (2612: also 2493, 2496, 2499)    |
// | 2371..2374 | default outputs ("SDB")            | first phase of each output group; phases 2 and 3: 1013..1020 |
//
// The one-side pages (2610, 2612) serve two element variants: a set that holds 2480 or 2112
// has the shunt branch and no single turns ratio picture; one without both has the ratio.
#pragma once

#include "framework/data_file_places.h"
#include "framework/page_wizard.h"
#include "passive/transformer_page.h"

// What the four pages share: the wizard and its data-exchange object they edit, whether a unit
// change shows the page's data again (three-phase pages), activation over every ratio row, and apply with one commit.
class CPropPassiveTransformerPage3 : public CPropPassiveTransformerBase {
public:
    BOOL OnSetActive() override;
    BOOL OnApply() override;
    DWORD GetShuntBranchFlag() const { return m_dwShuntBranch; }

protected:
    // Without wizard and data-exchange object: the runtime-class factory's page.
    CPropPassiveTransformerPage3(const qv::passive::TransformerPageShape& shape, bool selectorShowsData);
    CPropPassiveTransformerPage3(const qv::passive::TransformerPageShape& shape, bool selectorShowsData,
                                 CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
    // The first steps of OnInitDialog: name and symbol, parameters, controls shown.
    void ShowParameters();

    CWizardBase3* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
};

// The linear two-winding transformer page (2609): it commits the name before the values.
class CPropPassive2WTrafoLinear : public CPropPassiveTransformerPage3 {
    DECLARE_SERIAL(CPropPassive2WTrafoLinear)
public:
    CPropPassive2WTrafoLinear();
    CPropPassive2WTrafoLinear(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
};

// The two-winding transformer referred to one side (2610), with or without shunt branch.
class CPropPassive2WTrafoPriSecSide : public CPropPassiveTransformerPage3 {
    DECLARE_SERIAL(CPropPassive2WTrafoPriSecSide)
public:
    CPropPassive2WTrafoPriSecSide();
    CPropPassive2WTrafoPriSecSide(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    BOOL OnInitDialog() override;
};

// The three-phase transformer page (2611) with grouped phase outputs.
class CPropPassive6WTrafo3Phase : public CPropPassiveTransformerPage3 {
    DECLARE_SERIAL(CPropPassive6WTrafo3Phase)
public:
    CPropPassive6WTrafo3Phase();
    CPropPassive6WTrafo3Phase(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    BOOL OnInitDialog() override;
};

// The three-phase transformer referred to one side (2612): four turns ratios, grouped
// outputs, with or without shunt branch.
class CPropPassive6WTrafo3PhasePriSecSide : public CPropPassiveTransformerPage3 {
    DECLARE_SERIAL(CPropPassive6WTrafo3PhasePriSecSide)
public:
    CPropPassive6WTrafo3PhasePriSecSide();
    CPropPassive6WTrafo3PhasePriSecSide(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    BOOL OnInitDialog() override;
};

// The four wizards: the page of mode 1, after the characteristic files have been searched.
template <class Page, class Self>
class CTransformerWizard3 : public qv::wizards::TPageWizard3<Page, Self> {
public:
    using qv::wizards::TPageWizard3<Page, Self>::TPageWizard3;
    void PrepareEditing() { BuildCharacteristicSearchDirs(this); }
};

class CLinearTransformerWizard : public CTransformerWizard3<CPropPassive2WTrafoLinear, CLinearTransformerWizard> {
    DECLARE_DYNAMIC(CLinearTransformerWizard)
public:
    using CTransformerWizard3::CTransformerWizard3;
};

class CTransformerPriSecSideWizard
    : public CTransformerWizard3<CPropPassive2WTrafoPriSecSide, CTransformerPriSecSideWizard> {
    DECLARE_DYNAMIC(CTransformerPriSecSideWizard)
public:
    using CTransformerWizard3::CTransformerWizard3;
};

class CThreePhaseTransformerWizard
    : public CTransformerWizard3<CPropPassive6WTrafo3Phase, CThreePhaseTransformerWizard> {
    DECLARE_DYNAMIC(CThreePhaseTransformerWizard)
public:
    using CTransformerWizard3::CTransformerWizard3;
};

class CThreePhaseTransformerPriSecSideWizard
    : public CTransformerWizard3<CPropPassive6WTrafo3PhasePriSecSide, CThreePhaseTransformerPriSecSideWizard> {
    DECLARE_DYNAMIC(CThreePhaseTransformerPriSecSideWizard)
public:
    using CTransformerWizard3::CTransformerWizard3;
};
