#include "passive/passive_bases.h"

#include "framework/data_classes.h"

IMPLEMENT_DYNAMIC(CPassiveResAndConWizardBase4, CWizardBase4)
IMPLEMENT_DYNAMIC(CPassiveCapAndIndWizardBase4, CWizardBase4)

// ---------------------------------------------------------------------------------------

CPassiveResAndConWizardBase4::CPassiveResAndConWizardBase4() = default;

CPassiveResAndConWizardBase4::CPassiveResAndConWizardBase4(const CPassiveResAndConWizardBase4* other)
    : CWizardBase4(other) {
    if (other != nullptr) m_State.CopyFrom(&other->m_State);
}

CPassiveResAndConWizardBase4::~CPassiveResAndConWizardBase4() = default;

int CPassiveResAndConWizardBase4::GetWizardKind() { return 3; }

void CPassiveResAndConWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version == eSheetVersion4) m_State.Serialize(ar);
}

// ---------------------------------------------------------------------------------------

CPassiveCapAndIndWizardBase4::CPassiveCapAndIndWizardBase4() = default;

CPassiveCapAndIndWizardBase4::CPassiveCapAndIndWizardBase4(const CPassiveCapAndIndWizardBase4* other)
    : CWizardBase4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_dwModeWord = other->m_dwModeWord;
    m_dwLookUp1 = other->m_dwLookUp1;
    m_dwLookUp2 = other->m_dwLookUp2;
    for (int i = 0; i < 4; ++i) m_strTexts1[i] = other->m_strTexts1[i];
    m_Characteristic1.CopyFrom(&other->m_Characteristic1);
    m_Characteristic2.CopyFrom(&other->m_Characteristic2);
    qv::passive::CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CPassiveCapAndIndWizardBase4::~CPassiveCapAndIndWizardBase4() { qv::passive::DeleteSnapshots(m_Snapshots); }

int CPassiveCapAndIndWizardBase4::GetWizardKind() { return 3; }

void CPassiveCapAndIndWizardBase4::StoreModeAndCompareList(DWORD kind1, DWORD kind2, DWORD modeWord,
                                                           CString xAxisLabel1, CString yAxisLabel1,
                                                           CString xAxisLabel2, CString yAxisLabel2,
                                                           const CPtrArray* snapshots) {
    m_dwLookUp1 = kind1;
    m_dwLookUp2 = kind2;
    m_dwModeWord = modeWord;
    m_strTexts1[0] = xAxisLabel1;
    m_strTexts1[1] = yAxisLabel1;
    m_strTexts2[0] = xAxisLabel2;
    m_strTexts2[1] = yAxisLabel2;
    qv::passive::CopySnapshots(m_Snapshots, snapshots);
}

const CString& CPassiveCapAndIndWizardBase4::GetTableText(int table, int index) const {
    static const CString empty;
    if (index < 0 || index >= 4) return empty;
    if (table == 1) return m_strTexts1[index];
    if (table == 2) return m_strTexts2[index];
    return empty;
}

void CPassiveCapAndIndWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_dwModeWord << m_dwLookUp1 << m_dwLookUp2;
        for (const CString& text : m_strTexts1) ar << text;
        m_Characteristic1.Serialize(ar);
        m_Characteristic2.Serialize(ar);
        qv::passive::StoreSnapshots(ar, m_Snapshots);
        return;
    }
    ar >> m_wSchema;
    if (m_wSchema != 0) return;
    ar >> m_dwModeWord >> m_dwLookUp1 >> m_dwLookUp2;
    for (CString& text : m_strTexts1) ar >> text;
    m_Characteristic1.Serialize(ar);
    m_Characteristic2.Serialize(ar);
    qv::passive::LoadSnapshots(ar, m_Snapshots);
}
