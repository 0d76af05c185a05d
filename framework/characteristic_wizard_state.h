// What a wizard whose characteristic may be a table of points keeps from one edit to the
// next: the mode word, the characteristic kind, the four texts of the table's channels, the
// embedded table itself and the list of parameters the chosen form writes. The wizards of the
// resistor and conductance, of the nonlinear sources and of the nonlinear characteristic block
// each hold one, so that copying, applying and archiving that state is written once.
#pragma once

#include "afx/afx.h"
#include "framework/xy_table.h"

namespace qv::characteristic {
// Where a wizard's state or its page keeps the settings of a characteristic that may be a table.
struct SettingsRefs {
    DWORD& kind;
    DWORD& modeWord;
    CString& xAxisLabel;
    CString& yAxisLabel;
    CPtrArray& snapshots;
};
// Takes kind, mode word, the two axis labels and a copy of the snapshot list (the old entries
// are deleted; handing over the list held keeps it; a null list leaves it empty).
void TakeSettings(const SettingsRefs& to, DWORD kind, DWORD modeWord, const CString& xAxisLabel,
                  const CString& yAxisLabel, const CPtrArray* snapshots);
} // namespace qv::characteristic

class CharacteristicWizardState {
public:
    CharacteristicWizardState() = default;
    CharacteristicWizardState(const CharacteristicWizardState&) = delete;
    CharacteristicWizardState& operator=(const CharacteristicWizardState&) = delete;
    ~CharacteristicWizardState();

    // Takes a copy of everything `other` holds; a null source leaves the defaults.
    void CopyFrom(const CharacteristicWizardState* other);
    // The page's state on apply: kind, mode word, the two axis labels and a copy of its
    // snapshot list (the old entries are deleted; handing over this state's own list keeps it).
    void Store(DWORD newKind, DWORD newModeWord, CString newXAxisLabel, CString newYAxisLabel,
               const CPtrArray* newSnapshots);
    // A second characteristic that an element keeps beside this state's own (the capacitor's
    // and the inductor's second form).
    struct SecondCharacteristic {
        DWORD& kind;
        CPropCharacteristicXYTable& table;
    };
    // The archived form: schema word (always 0 when writing), mode word, kind, the four texts,
    // the table and the snapshots; a second characteristic puts its kind after the kind and its
    // table after the table. A block of another schema is not ours to read: the state stays as
    // it was, apart from the schema read. The snapshot list read replaces the one held.
    void Serialize(CArchive& ar, const SecondCharacteristic* second = nullptr);

    WORD schema = 0;
    DWORD modeWord = 0;
    DWORD kind = CPropCharacteristicXYTable::kKindLookUp;
    CPropCharacteristicXYTable characteristic;
    CPtrArray snapshots;  // CCopaObjectCompare*, owned, in writing order
    CString xAxisLabel;
    CString yAxisLabel;
    CString thirdText;   // the x channel's second text in the data file
    CString fourthText;  // the y channel's second text in the data file
};

// The getters and setters every wizard that holds a CharacteristicWizardState offers, written
// once. `Wizard` keeps its state in a member `m_State` and names this class a friend. The
// class has no data member and no virtual function, so deriving from it changes neither a
// wizard's layout nor the order of its virtual slots.
template <class Wizard>
class TCharacteristicStateAccess {
public:
    void SetThirdText(CString text) { State().thirdText = text; }
    void SetFourthText(CString text) { State().fourthText = text; }
    // The page hands its mode word over after a conversion.
    void SetModeWord(DWORD modeWord) { State().modeWord = modeWord; }

    WORD GetSchema() const { return State().schema; }
    DWORD GetModeWord() const { return State().modeWord; }
    DWORD GetKind() const { return State().kind; }
    const CString& GetXAxisLabel() const { return State().xAxisLabel; }
    const CString& GetYAxisLabel() const { return State().yAxisLabel; }
    const CString& GetThirdText() const { return State().thirdText; }
    const CString& GetFourthText() const { return State().fourthText; }
    const CPtrArray& GetSnapshots() const { return State().snapshots; }
    // The model-text writer renames snapshots whose parameter is on a pin.
    CPtrArray& GetSnapshots() { return State().snapshots; }
    CPropCharacteristicXYTable& GetCharacteristic() { return State().characteristic; }

private:
    CharacteristicWizardState& State() { return static_cast<Wizard*>(this)->m_State; }
    const CharacteristicWizardState& State() const { return static_cast<const Wizard*>(this)->m_State; }
};
