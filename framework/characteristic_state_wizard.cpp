#include "framework/characteristic_state_wizard.h"

IMPLEMENT_DYNAMIC(CCharacteristicStateWizardBase4, CWizardBase4)

CCharacteristicStateWizardBase4::CCharacteristicStateWizardBase4() = default;

CCharacteristicStateWizardBase4::CCharacteristicStateWizardBase4(const CCharacteristicStateWizardBase4* other)
    : CWizardBase4(other) {
    if (other != nullptr) m_State.CopyFrom(&other->m_State);
}

CCharacteristicStateWizardBase4::~CCharacteristicStateWizardBase4() = default;

int CCharacteristicStateWizardBase4::GetWizardKind() { return 3; }

void CCharacteristicStateWizardBase4::Serialize(CArchive& ar, ESheetVersion version) {
    if (version == eSheetVersion4) m_State.Serialize(ar);
}
