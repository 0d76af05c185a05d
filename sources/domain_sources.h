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
#include "sources/linear_sources.h"
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

// What both wizards share: the settings that are no parameters of the element and the list
// of the parameters the chosen form writes.
class CLinearDomainsSourceWizardBase4 : public CACWizardBase4 {
    DECLARE_DYNAMIC(CLinearDomainsSourceWizardBase4)
public:
    CLinearDomainsSourceWizardBase4();
    // The copy used by Clone; a null source gives the defaults.
    explicit CLinearDomainsSourceWizardBase4(const CLinearDomainsSourceWizardBase4* other);
    ~CLinearDomainsSourceWizardBase4() override;

    int GetWizardKind() override;
    CWizardBase4* Clone() override = 0;
    BOOL WantChangeNotification() override;
    // A changed frequency or trapezoid time derives the period (unless it is given).
    void NotifyChanged(int changeType, CWizardCopaObject3* param) override;
    // Sheet version 4: WORD schema 2, DWORD form, DWORD time-form index, DWORD period given,
    // CString RMS text, DWORD amplitude given, DWORD n, n snapshots, the AC base's block
    // (schema 1 and up), DWORD AC use (schema 2).
    PARVEL_SHEET_SERIALIZE

    // The page's state; the snapshots are copied (none for a null list).
    void SetSettings(int form, BOOL amplitudeGiven, CString rmsText, BOOL periodGiven, int timeFormIndex,
                     const CPtrArray* snapshots, BOOL acUse);

    WORD GetSchema() const { return m_wSchema; }
    int GetForm() const { return m_nForm; }
    BOOL GetAmplitudeGiven() const { return m_bAmplitudeGiven; }
    const CString& GetRMSText() const { return m_strRMS; }
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    int GetTimeFormIndex() const { return m_nTimeFormIndex; }
    BOOL GetACUse() const { return m_bACUse; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    CPtrArray& GetSnapshots() { return m_Snapshots; }

protected:
    WORD m_wSchema = qv::sources::kDomainSourceSchema;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned, in writing order
    int m_nForm = qv::sources::kKindConstant;
    BOOL m_bAmplitudeGiven = TRUE;
    CString m_strRMS;
    BOOL m_bPeriodGiven = FALSE;
    int m_nTimeFormIndex = 0;
    BOOL m_bACUse = FALSE;
};

class CPropLinearDomainsSource : public TElementPage<CLinearDomainsSourceWizardBase4> {
    DECLARE_SERIAL(CPropLinearDomainsSource)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropLinearDomainsSource();
    CPropLinearDomainsSource(CLinearDomainsSourceWizardBase4* wizard, ParamHolder* params);
    CPropLinearDomainsSource(CLinearDomainsSourceWizardBase4* wizard, DWORD_PTR cookie) : CPropLinearDomainsSource(wizard, HolderFromCookie(cookie)) {}

    // Page block: class record, DWORD page version, DWORD amplitude given, CString RMS text,
    // DWORD period given, DWORD phase unit (versions 1 to 9 only), DWORD selection of the form
    // list (from version 9 on).
    void Serialize(CArchive& ar) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    // The parameters the form writes into the model text; supplied by the variants.
    virtual void BuildCompareList(int form);
    virtual void UpdateTypeControls();
    virtual void UpdateInputControls();

    // Hidden work gives the page an AC page of its own, which it then uses as its wizard's.
    void UseACPage(CPropACParameters* page) { m_pOwnACPage = page; }
    CPropACParameters* ACPage() const;

    // The wizard's settings before the dialog exists; the snapshots are copied.
    void SetSettings(int form, BOOL amplitudeGiven, CString rmsText, BOOL periodGiven, int timeFormIndex,
                     const CPtrArray* snapshots, BOOL acUse);
    // Form from the controls and the list of that form; with handOver 1 the settings, the
    // list and the AC page's mode go to the wizard.
    void StoreSettings(int handOver);
    // Marks the parameters the form does not use (ExtType bit 0x20000).
    void MarkUnusedParameters();
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);
    void UpdatePeriod();
    void UpdateAmplitudeFromRMS();
    void EnablePinnedFields();

    int GetForm() const { return m_nForm; }
    BOOL GetAmplitudeGiven() const { return m_bAmplitudeGiven; }
    const CString& GetRMSText() const { return m_strRMS; }
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    int GetTimeFormIndex() const { return m_nTimeFormIndex; }
    BOOL GetACUse() const { return m_bACUse; }
    BOOL HasDamping() const { return m_bDampingPresent; }

protected:
    void SetLayout();
    // Reads the controls (when the page has a window); a list without a valid selection keeps
    // the stored time-form index.
    void ReadControls();
    // The list's selection when it is one of the six forms, else -1.
    int FormSelection() const;
    // -1 for the constant value, else the list's selection; `fallback` when the radio or the
    // list has no window or the list has no valid selection.
    int FormFromControls(int fallback) const;
    void HandOverSettings();
    void ApplyAmplitudeRule();
    void SyncAmplitudeRadios();
    void SetFieldText(int id, CString& member, const CString& text);
    void AppendSnapshot(const char* name, const char* rename);
    // The list both variants write.
    void FillCompareList(int form);
    void ShowForm(int form);

    void OnUsePin();
    void OnOutputFirst();
    void OnOutputSecond();
    void OnConstant();
    void OnTimeControlled();
    void OnFormSelected();
    void OnAmplitude();
    void OnRmsValue();
    void OnPeriodGiven();
    void OnRmsChanged();
    void OnPeriodSourceChanged();
    void OnFieldChanged();
    void OnACUse();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CPropACParameters* m_pOwnACPage = nullptr;  // not owned; set for hidden work only
    BOOL m_bInitialValuePresent = FALSE;
    BOOL m_bDampingPresent = FALSE;
    BOOL m_bAmplitudeGiven = TRUE;
    int m_nForm = qv::sources::kKindConstant;
    // 2508, 2512, 2509, 2514, 2510, 2513, 2517, 2516, 2515, 2507, 2511
    CTBUnitComboBox m_cmbUnits[11];
    CButton m_radConstant;       // 2027
    CButton m_radTimeControlled; // 2031
    CButton m_radAmplitude;      // 2203
    CButton m_radRms;            // 2204
    CComboBox m_cmbPeriodical;   // 2049
    CComboBox m_cmbForm;         // 2032
    BOOL m_bShowName = FALSE;
    BOOL m_bUsePin = FALSE;
    CString m_strAmplitude;
    CString m_strDelay;
    CString m_strFall;
    CString m_strFrequency;
    CString m_strName;
    CString m_strOffset;
    CString m_strPeriod;
    CString m_strPhase;
    CString m_strWidth;
    CString m_strRise;
    CString m_strValue;
    BOOL m_bPeriodGiven = FALSE;
    CString m_strRMS;
    BOOL m_bOutputSecond = FALSE;  // 2019
    BOOL m_bOutputFirst = FALSE;   // 2018
    CString m_strDamping;
    CString m_strInitialValue;
    int m_nTimeFormIndex = -1;
    BOOL m_bACUse = FALSE;
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

class CLinearDomainsSourceAWizard4
    : public TTimeSourceWizard<CPropLinearDomainsSourceA, CLinearDomainsSourceAWizard4, CLinearDomainsSourceWizardBase4,
                               qv::sources::DomainSourceFamily> {
    DECLARE_DYNAMIC(CLinearDomainsSourceAWizard4)
public:
    CLinearDomainsSourceAWizard4() = default;
    explicit CLinearDomainsSourceAWizard4(const CLinearDomainsSourceAWizard4* other) : TTimeSourceWizard(other) {}
};

class CLinearDomainsSourceBWizard4
    : public TTimeSourceWizard<CPropLinearDomainsSourceB, CLinearDomainsSourceBWizard4, CLinearDomainsSourceWizardBase4,
                               qv::sources::DomainSourceFamily> {
    DECLARE_DYNAMIC(CLinearDomainsSourceBWizard4)
public:
    CLinearDomainsSourceBWizard4() = default;
    explicit CLinearDomainsSourceBWizard4(const CLinearDomainsSourceBWizard4* other) : TTimeSourceWizard(other) {}
};

// Instantiated once, in the family's .cpp, where the family's steps are defined.
extern template class TTimeSourceWizard<CPropLinearDomainsSourceA, CLinearDomainsSourceAWizard4, CLinearDomainsSourceWizardBase4,
                                        qv::sources::DomainSourceFamily>;
extern template class TTimeSourceWizard<CPropLinearDomainsSourceB, CLinearDomainsSourceBWizard4, CLinearDomainsSourceWizardBase4,
                                        qv::sources::DomainSourceFamily>;
