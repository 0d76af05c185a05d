#include "sources/time_source_wizard.h"

#include "framework/model_text_builders.h"
#include "framework/param_access.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "sources/time_function_texts.h"

using namespace qv::sources;

IMPLEMENT_DYNAMIC(CTimeSourceWizardBase4, CACWizardBase4)

CTimeSourceWizardBase4::CTimeSourceWizardBase4(const CTimeSourceWizardBase4* other) : CACWizardBase4(other) {
    if (other == nullptr) return;
    m_nKind = other->m_nKind;
    m_nListSelection = other->m_nListSelection;
    m_bPeriodGiven = other->m_bPeriodGiven;
    m_strRMS = other->m_strRMS;
    m_dwAmplitude = other->m_dwAmplitude;
    m_bACUse = other->m_bACUse;
    qv::snapshots::CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CTimeSourceWizardBase4::~CTimeSourceWizardBase4() { qv::snapshots::DeleteSnapshots(m_Snapshots); }

int CTimeSourceWizardBase4::GetWizardKind() { return 3; }

BOOL CTimeSourceWizardBase4::WantChangeNotification() { return TRUE; }

void CTimeSourceWizardBase4::TakeSettings(int kind, DWORD amplitude, CString rmsText, BOOL periodGiven,
                                          int listSelection, const CPtrArray* snapshots, BOOL acUse) {
    m_nKind = kind;
    m_dwAmplitude = amplitude;
    m_strRMS = rmsText;
    m_bPeriodGiven = periodGiven;
    m_nListSelection = listSelection;
    m_bACUse = acUse;
    if (snapshots != &m_Snapshots) qv::snapshots::CopySnapshots(m_Snapshots, snapshots);
}

void CTimeSourceWizardBase4::TakeList(const CPtrArray& snapshots) {
    if (&snapshots != &m_Snapshots) qv::snapshots::CopySnapshots(m_Snapshots, &snapshots);
}

void CTimeSourceWizardBase4::StoreSettings(CArchive& ar) {
    ar << static_cast<DWORD>(m_nKind);
    ar << static_cast<DWORD>(m_nListSelection);
    ar << static_cast<DWORD>(m_bPeriodGiven);
    ar << m_strRMS;
    ar << m_dwAmplitude;
    qv::snapshots::StoreSnapshots(ar, m_Snapshots);
}

void CTimeSourceWizardBase4::LoadSettings(CArchive& ar, bool amplitudeAsFlag) {
    DWORD kind = 0;
    DWORD selection = 0;
    DWORD given = 0;
    ar >> kind >> selection >> given;
    m_nKind = static_cast<int>(kind);
    m_nListSelection = static_cast<int>(selection);
    m_bPeriodGiven = given != 0;
    ar >> m_strRMS;
    DWORD amplitude = 0;
    ar >> amplitude;
    m_dwAmplitude = amplitudeAsFlag && amplitude != 0 ? 1 : amplitude;
    qv::snapshots::LoadSnapshots(ar, m_Snapshots);
    // A kind beyond the page's list is read as the page reads it when it opens: below it the
    // constant, above it the form the list shows. The stored list was made for no kind the
    // page knows, so it goes, and the description builds the list of the kind read.
    if (m_nKind != kKindConstant && !IsTimeKind(m_nKind)) {
        m_nKind = m_nKind < kKindConstant ? kKindConstant : IsTimeKind(m_nListSelection) ? m_nListSelection : kKindSine;
        qv::snapshots::DeleteSnapshots(m_Snapshots);
    }
}

void CTimeSourceWizardBase4::NotifyChanged(int changeType, CWizardCopaObject3* param) {
    if (changeType != 3 || param == nullptr) return;
    const RequestTarget target(this);
    ScopedParamSet params(target);
    if (m_bPeriodGiven) return;
    const WORD id = param->GetValueID();
    if (id != kIdFrequency && id != kIdRise && id != kIdFall && id != kIdWidth) return;
    // The period is the one the kept form gives, whichever of its sources changed: the
    // trapezoid's from its three times, every other form's (the constant's too) from the
    // frequency, as the description writes it. A trapezoid time typed before the form was
    // changed to a sine never makes the sine's period.
    CString period;
    if (DerivePeriodFromParams(params.Holder(), m_nKind == kKindTrapezoid, &period) &&
        SetParamValue(params.Holder(), kIdPeriod, period))
        CommitParamSet(target, params.Cookie());
}
