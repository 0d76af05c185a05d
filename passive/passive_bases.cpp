#include "passive/passive_bases.h"

#include "framework/data_classes.h"

IMPLEMENT_DYNAMIC(CPassiveResAndConWizardBase4, CCharacteristicStateWizardBase4)
IMPLEMENT_DYNAMIC(CPassiveCapAndIndWizardBase4, CCharacteristicStateWizardBase4)

// ---------------------------------------------------------------------------------------

CPassiveCapAndIndWizardBase4::CPassiveCapAndIndWizardBase4() = default;

CPassiveCapAndIndWizardBase4::CPassiveCapAndIndWizardBase4(const CPassiveCapAndIndWizardBase4* other)
    : CCharacteristicStateWizardBase4(other) {
    if (other == nullptr) return;
    m_dwLookUp2 = other->m_dwLookUp2;
    m_Characteristic2.CopyFrom(&other->m_Characteristic2);
}

CPassiveCapAndIndWizardBase4::~CPassiveCapAndIndWizardBase4() = default;

void CPassiveCapAndIndWizardBase4::StoreModeAndCompareList(DWORD kind1, DWORD kind2, DWORD modeWord,
                                                           CString xAxisLabel1, CString yAxisLabel1,
                                                           CString xAxisLabel2, CString yAxisLabel2,
                                                           const CPtrArray* snapshots) {
    StoreState(kind1, modeWord, xAxisLabel1, yAxisLabel1, snapshots);
    m_dwLookUp2 = kind2;
    m_strTexts2[0] = xAxisLabel2;
    m_strTexts2[1] = yAxisLabel2;
}

const CString& CPassiveCapAndIndWizardBase4::GetTableText(int table, int index) const {
    static const CString empty;
    if (index < 0 || index >= 4) return empty;
    if (table == 1) {
        const CString* texts[] = {&GetXAxisLabel(), &GetYAxisLabel(), &GetThirdText(), &GetFourthText()};
        return *texts[index];
    }
    if (table == 2) return m_strTexts2[index];
    return empty;
}

void CPassiveCapAndIndWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    const CharacteristicWizardState::SecondCharacteristic second{m_dwLookUp2, m_Characteristic2};
    if (version == eSheetVersion4) m_State.Serialize(ar, &second);
}
