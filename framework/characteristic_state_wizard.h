// The wizard base of elements that keep one CharacteristicWizardState from one edit to the next
// (the resistor and conductance with the nonlinear transformer, the controlled nonlinear
// sources): the state is copied by Clone's copy, archived with sheet version 4 and reached
// through the getters of TCharacteristicStateAccess. A family's base derives from it, names
// its own runtime class and adds what it calls the page's hand-over.
#pragma once

#include "afx/afx.h"
#include "framework/characteristic_wizard_state.h"
#include "framework/sheet_serialize.h"
#include "wizard/wizardbase.h"

class CCharacteristicStateWizardBase4 : public CWizardBase4,
                                        public TCharacteristicStateAccess<CCharacteristicStateWizardBase4> {
    DECLARE_DYNAMIC(CCharacteristicStateWizardBase4)
public:
    CCharacteristicStateWizardBase4();
    // The copy used by Clone; a null source gives the defaults. A page is never copied.
    explicit CCharacteristicStateWizardBase4(const CCharacteristicStateWizardBase4* other);
    ~CCharacteristicStateWizardBase4() override;

    int GetWizardKind() override;
    CWizardBase4* Clone() override = 0;
    // Only sheet version 4 carries wizard data: the state's archived form.
    PARVEL_SHEET_SERIALIZE

protected:
    // The page's state on apply: kind, mode word, labels and a copy of its snapshot list.
    void StoreState(DWORD kind, DWORD modeWord, CString xAxisLabel, CString yAxisLabel, const CPtrArray* snapshots) {
        m_State.Store(kind, modeWord, xAxisLabel, yAxisLabel, snapshots);
    }

    friend class TCharacteristicStateAccess<CCharacteristicStateWizardBase4>;
    CharacteristicWizardState m_State;
};
