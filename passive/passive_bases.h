// The two intermediate bases of the passive elements with a characteristic: one for the
// resistor and the conductance, one for the capacitor and the inductor. They keep what an
// element carries from one edit to the next (form and characteristic flags, the embedded
// characteristic tables and their labels, the list of parameters the chosen form writes)
// and copy, destroy and archive it. The derived wizards add the page and everything the
// editor drives.
#pragma once

#include "afx/afx.h"
#include "framework/characteristic_description.h"
#include "framework/characteristic_state_wizard.h"
#include "framework/requests.h"
#include "framework/sheet_serialize.h"
#include "framework/snapshot_lists.h"
#include "framework/xy_table.h"
#include "wizard/wizardbase.h"

class CCopaObjectCompare;
class CPropPassiveResAndCon;
class CPropPassiveCapAndInd;

// Mode words of the passive elements: the form and the bits of the characteristic.
constexpr DWORD PassiveFormOf(DWORD modeWord) { return FormOfModeWord(modeWord); }

// The passive family's code and tests name the snapshot-list helpers by this namespace.
namespace qv::passive {
using qv::snapshots::CopySnapshots;
using qv::snapshots::DeleteSnapshots;
using qv::snapshots::LoadSnapshots;
using qv::snapshots::ReadSnapshotBlock;
using qv::snapshots::StoreSnapshots;
} // namespace qv::passive

class CPassiveResAndConWizardBase4 : public CCharacteristicStateWizardBase4 {
    DECLARE_DYNAMIC(CPassiveResAndConWizardBase4)
public:
    using CCharacteristicStateWizardBase4::CCharacteristicStateWizardBase4;

    // Page state on apply: flags, labels and a copy of the page's snapshot list (none for null).
    void StoreModeAndCompareList(DWORD lookUp, DWORD modeWord, CString xAxisLabel, CString yAxisLabel,
                                 const CPtrArray* snapshots) {
        StoreState(lookUp, modeWord, xAxisLabel, yAxisLabel, snapshots);
    }
    // The passive family's names: the look-up flag is the state's kind, the second texts are
    // its third and fourth texts.
    void SetXSecondText(CString text) { SetThirdText(text); }
    void SetYSecondText(CString text) { SetFourthText(text); }
    DWORD GetLookUpFlag() const { return GetKind(); }
    const CString& GetXSecondText() const { return GetThirdText(); }
    const CString& GetYSecondText() const { return GetFourthText(); }
};

// The capacitor's and the inductor's base: the shared state holds the first characteristic
// (table 1, its kind and its four texts); the second characteristic's kind, table and texts
// are kept beside it.
class CPassiveCapAndIndWizardBase4 : public CCharacteristicStateWizardBase4 {
    DECLARE_DYNAMIC(CPassiveCapAndIndWizardBase4)
public:
    CPassiveCapAndIndWizardBase4();
    // The copy used by Clone; a null source gives the defaults. The table-2 texts are not
    // copied.
    explicit CPassiveCapAndIndWizardBase4(const CPassiveCapAndIndWizardBase4* other);
    ~CPassiveCapAndIndWizardBase4() override;

    // Sheet version 4: the state's block with the second characteristic's kind and table.
    PARVEL_SHEET_SERIALIZE

    DWORD GetLookUpFlag1() const { return GetKind(); }
    DWORD GetLookUpFlag2() const { return m_dwLookUp2; }
    // Texts of table 1 or 2 (1-based): x-axis label, y-axis label, x second text, y second text.
    const CString& GetTableText(int table, int index) const;
    CPropCharacteristicXYTable& GetCharacteristic1() { return GetCharacteristic(); }
    CPropCharacteristicXYTable& GetCharacteristic2() { return m_Characteristic2; }

    // Page state on apply: both kinds, the mode word, the two labels of each table and a copy
    // of the page's snapshot list (none for null).
    void StoreModeAndCompareList(DWORD kind1, DWORD kind2, DWORD modeWord, CString xAxisLabel1, CString yAxisLabel1,
                                 CString xAxisLabel2, CString yAxisLabel2, const CPtrArray* snapshots);
    void SetXSecondText1(CString text) { SetThirdText(text); }
    void SetYSecondText1(CString text) { SetFourthText(text); }
    void SetXSecondText2(CString text) { m_strTexts2[2] = text; }
    void SetYSecondText2(CString text) { m_strTexts2[3] = text; }

protected:
    DWORD m_dwLookUp2 = 1;
    CString m_strTexts2[4];  // x-axis label, y-axis label, x second text, y second text of table 2; not archived
    CPropCharacteristicXYTable m_Characteristic2;
};
