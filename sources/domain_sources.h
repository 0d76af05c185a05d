// Linear sources of other physical domains (wizard IDs 104 and 105): a constant value or one
// of six periodic time functions, with AC parameters on a second page. The quantity the
// source drives (a force, a temperature, ...) is named by the editor's parameter set: the
// page shows the editor's description texts. The two IDs behave alike; each has its own
// wizard and page class.
//
// Parameters the elements expect (value ID = dialog control of page 2608):
//
// | Value ID | Name      | Type | Role                                                    |
// |----------|-----------|------|---------------------------------------------------------|
// | 2028     | "VALUE"   | 0x4  | constant value; an output while time-controlled         |
// | 2034     | "AMPL"    | 0x4  | amplitude                                               |
// | 2036     | "FREQ"    | 0x4  | frequency                                               |
// | 2038     | "TPERIO"  | 0x4  | period (derived unless "Period" is ticked)              |
// | 2040     | "TDELAY"  | 0x4  | delay                                                   |
// | 2042     | "PHASE"   | 0x4  | phase                                                   |
// | 2047     | "OFF"     | 0x4  | offset                                                  |
// | 2049     | "PERIO"   | 0x4  | periodical: "1" or "0"                                  |
// | 2051     | "TRISE"   | 0x4  | rise time (trapezoid)                                   |
// | 2053     | "TFALL"   | 0x4  | fall time (trapezoid)                                   |
// | 2055     | "PWIDTH"  | 0x4  | pulse width (trapezoid)                                 |
// | 2058     | "DAMPING" | 0x4  | damping factor of the sine (optional)                   |
// | 2096     | -         | 0x4  | initial value (optional; shown only when present)       |
// | 2425/2434/2430/2432 | "AC_MAG", "AC_PHASE", "AC_RE", "AC_IM" | 0x4 | AC page            |
// | 2018, 2019 | outputs | 0x8  | the two default outputs ("SDB"); their descriptions caption the boxes |
//
// The model text carries "@TYPE" and "@PARAMLIST"; "@TYPE" becomes the bare keyword of the
// time function ("SINE ", ...), with no element prefix, or nothing for the constant.
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_parameters.h"
#include "framework/element_page.h"
#include "framework/sheet_serialize.h"
#include "framework/template_wizard.h"
#include "sources/linear_sources.h"
#include "sources/time_source_page.h"
#include "sources/time_source_wizard.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::sources {
constexpr WORD kIdDamping = 2058;
constexpr WORD kIdInitialValue = 2096;
constexpr UINT kDomainSourceTemplate = 2608;
// Schema of the wizard's archived block.
constexpr WORD kDomainSourceSchema = 2;
} // namespace qv::sources

class CPropLinearDomainsSource;

// The other-domain sources' wizard base: the shared settings with the amplitude and the
// period given or not, archived in this family's layout.
class CLinearDomainsSourceWizardBase4 : public CTimeSourceWizardBase4 {
    DECLARE_DYNAMIC(CLinearDomainsSourceWizardBase4)
public:
    CLinearDomainsSourceWizardBase4() = default;
    // The copy used by Clone; a null source gives the defaults.
    explicit CLinearDomainsSourceWizardBase4(const CLinearDomainsSourceWizardBase4* other);

    CWizardBase4* Clone() override = 0;
    // Sheet version 4: WORD schema 2, DWORD form, DWORD time-form index, DWORD period given,
    // CString RMS text, DWORD amplitude given, DWORD n, n snapshots, the AC base's block
    // (schema 1 and up), DWORD AC use (schema 2).
    PARVEL_SHEET_SERIALIZE

    // The page's state; the snapshots are copied (none for a null list).
    void SetSettings(int form, BOOL amplitudeGiven, CString rmsText, BOOL periodGiven, int timeFormIndex,
                     const CPtrArray* snapshots, BOOL acUse) {
        TakeSettings(form, static_cast<DWORD>(amplitudeGiven), rmsText, periodGiven, timeFormIndex, snapshots, acUse);
    }

    WORD GetSchema() const { return m_wSchema; }
    int GetForm() const { return m_nKind; }
    BOOL GetAmplitudeGiven() const { return static_cast<BOOL>(m_dwAmplitude); }
    int GetTimeFormIndex() const { return m_nListSelection; }

protected:
    WORD m_wSchema = qv::sources::kDomainSourceSchema;
};

class CPropLinearDomainsSource : public TTimeSourcePage<CLinearDomainsSourceWizardBase4> {
    DECLARE_SERIAL(CPropLinearDomainsSource)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropLinearDomainsSource, CLinearDomainsSourceWizardBase4)

    // Page block: class record, DWORD page version, DWORD amplitude given, CString RMS text,
    // DWORD period given, DWORD phase unit (versions 1 to 9 only), DWORD selection of the form
    // list (from version 9 on).
    PARVEL_TIME_SOURCE_PAGE_OVERRIDES

    // The wizard's settings before the dialog exists; the snapshots are copied.
    void SetSettings(int form, BOOL amplitudeGiven, CString rmsText, BOOL periodGiven, int timeFormIndex,
                     const CPtrArray* snapshots, BOOL acUse) {
        TakeSettings(form, amplitudeGiven, rmsText, periodGiven, timeFormIndex, snapshots, acUse);
    }
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);

    int GetForm() const { return m_nKind; }
    BOOL GetAmplitudeGiven() const { return m_bAmplitudeGiven; }
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    int GetTimeFormIndex() const { return m_nListSelection; }
    BOOL HasDamping() const { return m_bDampingPresent; }

protected:
    void ApplyAmplitudeRule();
    // The list both variants write.
    void FillCompareList(int form);
    std::span<CTBUnitComboBox> UnitLists() override { return m_cmbUnits; }

    void OnOutputFirst();
    void OnOutputSecond();
    void OnFormSelected();
    DECLARE_MESSAGE_MAP()

    BOOL m_bInitialValuePresent = FALSE;
    BOOL m_bDampingPresent = FALSE;
    // qv::sources::kTimeUnitLists, then 2511 (the initial value's)
    CTBUnitComboBox m_cmbUnits[11];
    CString m_strDamping;
    CString m_strInitialValue;
};

// The pages of wizard IDs 104 ('A') and 105 ('B'): each wizard has a page class of its own,
// and both behave alike. They caption the value choice with the editor's text of the value
// parameter, list the parameters each form writes and show the damping factor only for the
// sine.
template <char Tag>
class CPropLinearDomainsSourceVariant : public CPropLinearDomainsSource {
public:
    using CPropLinearDomainsSource::CPropLinearDomainsSource;
    BOOL OnInitDialog() override;
    void BuildCompareList(int form) override;
    void UpdateTypeControls() override;
    void UpdateInputControls() override;
};
using CPropLinearDomainsSourceA = CPropLinearDomainsSourceVariant<'A'>;
using CPropLinearDomainsSourceB = CPropLinearDomainsSourceVariant<'B'>;
extern template class CPropLinearDomainsSourceVariant<'A'>;
extern template class CPropLinearDomainsSourceVariant<'B'>;

namespace qv::sources {
struct DomainSourceFamily;  // the family's steps, in domain_sources.cpp
} // namespace qv::sources

PARVEL_TEMPLATE_WIZARD(CLinearDomainsSourceAWizard4,
    TTimeSourceWizard<CPropLinearDomainsSourceA, CLinearDomainsSourceAWizard4, CLinearDomainsSourceWizardBase4,
                      qv::sources::DomainSourceFamily>)

PARVEL_TEMPLATE_WIZARD(CLinearDomainsSourceBWizard4,
    TTimeSourceWizard<CPropLinearDomainsSourceB, CLinearDomainsSourceBWizard4, CLinearDomainsSourceWizardBase4,
                      qv::sources::DomainSourceFamily>)

