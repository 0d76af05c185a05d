// The wizards of the two families of time-function sources (linear voltage and current
// sources, linear sources of other domains): their page ahead of the AC page, the wizard's
// settings handed to it, and the model text, initialisation and conversion by the family's
// steps (sources/time_source_steps.h). `Family` is the family's description there, defined
// in the family's .cpp, where the wizards are instantiated.
#pragma once

#include "framework/ac_page_wizard.h"
#include "sources/time_source_page.h"

// What the wizard bases of both families keep beside the AC part: the settings that are no
// parameters of the element and the list of the parameters the chosen time function writes.
// Each family archives them in its own layout.
class CTimeSourceWizardBase4 : public CACWizardBase4 {
    DECLARE_DYNAMIC(CTimeSourceWizardBase4)
public:
    CTimeSourceWizardBase4() = default;
    // The copy used by Clone; a null source gives the defaults.
    explicit CTimeSourceWizardBase4(const CTimeSourceWizardBase4* other);
    ~CTimeSourceWizardBase4() override;

    int GetWizardKind() override;
    BOOL WantChangeNotification() override;
    // A changed frequency or trapezoid time derives the period (unless it is given) as the
    // kept kind gives it: from the trapezoid's times, or else from the frequency; the values
    // come from the fetched set.
    void NotifyChanged(int changeType, CWizardCopaObject3* param) override;

    // -1 for the constant value, else the time function.
    int GetKind() const { return m_nKind; }
    // The period is given, not derived.
    BOOL GetPeriodGiven() const { return m_bPeriodGiven; }
    const CString& GetRMSText() const { return m_strRMS; }
    BOOL GetACUse() const { return m_bACUse; }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    CPtrArray& GetSnapshots() { return m_Snapshots; }

    // The page's settings; the snapshots are copied (none for a null list; handing over the
    // wizard's own list leaves it as it is).
    void TakeSettings(int kind, DWORD amplitude, CString rmsText, BOOL periodGiven, int listSelection,
                      const CPtrArray* snapshots, BOOL acUse);
    // A page's list of written parameters replaces the wizard's; the settings stay.
    void TakeList(const CPtrArray& snapshots);
    // The wizard's settings and a copy of its list to a page of either family.
    template <class Page>
    void GiveSettingsTo(Page& page) const {
        page.TakeSettings(m_nKind, static_cast<BOOL>(m_dwAmplitude), m_strRMS, m_bPeriodGiven, m_nListSelection,
                          &m_Snapshots, m_bACUse);
    }

protected:
    // The settings both families archive, in this order: DWORD kind, DWORD list selection,
    // DWORD period given, CString RMS text, DWORD amplitude, DWORD n and n snapshots. Loading
    // empties the list first; `amplitudeAsFlag` reads any non-zero amplitude word as 1.
    void StoreSettings(CArchive& ar);
    void LoadSettings(CArchive& ar, bool amplitudeAsFlag);

    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned, in writing order
    int m_nKind = qv::sources::kKindConstant;
    DWORD m_dwAmplitude = 1;  // the amplitude is given (1), not the RMS value (0)
    CString m_strRMS;
    BOOL m_bPeriodGiven = FALSE;
    int m_nListSelection = 0;
    BOOL m_bACUse = FALSE;
};

template <class Page, class Self, class Base, class Family>
class TTimeSourceWizard : public qv::wizards::TACPageWizard4<Page, Self, Base> {
public:
    using qv::wizards::TACPageWizard4<Page, Self, Base>::TACPageWizard4;

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL Initialize(int argument) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    void GiveSettingsToPage(Page& page) { this->GiveSettingsTo(page); }
};
