#include "passive/passive_bases.h"

#include "framework/data_classes.h"
#include "framework/data_file_places.h"
#include "framework/page_steps.h"
#include "framework/param_access.h"
#include "framework/path_parts.h"

IMPLEMENT_DYNAMIC(CPassiveResAndConWizardBase4, CWizardBase4)
IMPLEMENT_DYNAMIC(CPassiveCapAndIndWizardBase4, CWizardBase4)

namespace qv::passive {

void PrepareCharacteristicDataFile(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                                   const CWizardBaseCommon* wizard, WORD fileID, bool userFile, CFile* file) {
    if (!userFile) {
        SetParamValue(holder, fileID, MakeDocumentFileName(wizard, CString()));
        CommitParamSet(target, cookie);
    }
    CString folder = file ? file->GetFilePath() : CString();
    if (folder.IsEmpty()) {
        char buffer[MAX_PATH] = {};
        const DWORD written = GetTempPathA(MAX_PATH, buffer);
        if (written > 0 && written < MAX_PATH) folder = buffer;
    }
    int last = -1;
    for (int i = 0; i < folder.GetLength(); ++i)
        if (IsPathSeparator(folder[i])) last = i;
    if (last >= 0) SetModelOutputDir(folder.Left(last + 1));
}

} // namespace qv::passive

// ---------------------------------------------------------------------------------------

CPassiveResAndConWizardBase4::CPassiveResAndConWizardBase4() = default;

CPassiveResAndConWizardBase4::CPassiveResAndConWizardBase4(const CPassiveResAndConWizardBase4* other)
    : CWizardBase4(other) {
    if (other == nullptr) return;
    m_wSchema = other->m_wSchema;
    m_dwModeWord = other->m_dwModeWord;
    m_dwLookUp = other->m_dwLookUp;
    m_strXAxisLabel = other->m_strXAxisLabel;
    m_strYAxisLabel = other->m_strYAxisLabel;
    m_strXSecondText = other->m_strXSecondText;
    m_strYSecondText = other->m_strYSecondText;
    m_Characteristic.CopyFrom(&other->m_Characteristic);
    qv::passive::CopySnapshots(m_Snapshots, &other->m_Snapshots);
}

CPassiveResAndConWizardBase4::~CPassiveResAndConWizardBase4() { qv::passive::DeleteSnapshots(m_Snapshots); }

int CPassiveResAndConWizardBase4::GetWizardKind() { return 3; }

void CPassiveResAndConWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version != eSheetVersion4) return;
    if (ar.IsStoring()) {
        m_wSchema = 0;
        ar << m_wSchema;
        ar << m_dwModeWord;
        ar << m_dwLookUp;
        ar << m_strXAxisLabel << m_strYAxisLabel << m_strXSecondText << m_strYSecondText;
        m_Characteristic.Serialize(ar);
        qv::passive::StoreSnapshots(ar, m_Snapshots);
        return;
    }
    ar >> m_wSchema;
    // A block of another schema is not ours to read; the wizard keeps its state.
    if (m_wSchema != 0) return;
    ar >> m_dwModeWord;
    ar >> m_dwLookUp;
    ar >> m_strXAxisLabel >> m_strYAxisLabel >> m_strXSecondText >> m_strYSecondText;
    m_Characteristic.Serialize(ar);
    qv::passive::LoadSnapshots(ar, m_Snapshots);
}

void CPassiveResAndConWizardBase4::StoreModeAndCompareList(DWORD lookUp, DWORD modeWord, CString xAxisLabel,
                                                           CString yAxisLabel, const CPtrArray* snapshots) {
    m_dwModeWord = modeWord;
    m_dwLookUp = lookUp;
    m_strXAxisLabel = xAxisLabel;
    m_strYAxisLabel = yAxisLabel;
    // Handing over the wizard's own list leaves it as it is.
    if (snapshots == &m_Snapshots) return;
    qv::passive::CopySnapshots(m_Snapshots, snapshots);
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
