#include "framework/characteristic_wizard_state.h"

#include "framework/snapshot_lists.h"

void qv::characteristic::TakeSettings(const SettingsRefs& to, DWORD kind, DWORD modeWord, const CString& xAxisLabel,
                                      const CString& yAxisLabel, const CPtrArray* snapshots) {
    to.kind = kind;
    to.modeWord = modeWord;
    to.xAxisLabel = xAxisLabel;
    to.yAxisLabel = yAxisLabel;
    if (snapshots != &to.snapshots) qv::snapshots::CopySnapshots(to.snapshots, snapshots);
}

CharacteristicWizardState::~CharacteristicWizardState() { qv::snapshots::DeleteSnapshots(snapshots); }

void CharacteristicWizardState::CopyFrom(const CharacteristicWizardState* other) {
    if (other == nullptr) return;
    schema = other->schema;
    modeWord = other->modeWord;
    kind = other->kind;
    xAxisLabel = other->xAxisLabel;
    yAxisLabel = other->yAxisLabel;
    thirdText = other->thirdText;
    fourthText = other->fourthText;
    characteristic.CopyFrom(&other->characteristic);
    qv::snapshots::CopySnapshots(snapshots, &other->snapshots);
}

void CharacteristicWizardState::Store(DWORD newKind, DWORD newModeWord, CString newXAxisLabel,
                                      CString newYAxisLabel, const CPtrArray* newSnapshots) {
    qv::characteristic::TakeSettings({kind, modeWord, xAxisLabel, yAxisLabel, snapshots}, newKind, newModeWord,
                                     newXAxisLabel, newYAxisLabel, newSnapshots);
}

void CharacteristicWizardState::Serialize(CArchive& ar, const SecondCharacteristic* second) {
    if (ar.IsStoring()) {
        schema = 0;
        ar << schema << modeWord << kind;
        if (second != nullptr) ar << second->kind;
        ar << xAxisLabel << yAxisLabel << thirdText << fourthText;
        characteristic.Serialize(ar);
        if (second != nullptr) second->table.Serialize(ar);
        qv::snapshots::StoreSnapshots(ar, snapshots);
        return;
    }
    ar >> schema;
    if (schema != 0) return;
    ar >> modeWord >> kind;
    if (second != nullptr) ar >> second->kind;
    ar >> xAxisLabel >> yAxisLabel >> thirdText >> fourthText;
    characteristic.Serialize(ar);
    if (second != nullptr) second->table.Serialize(ar);
    qv::snapshots::LoadSnapshots(ar, snapshots);
}
