// What the pages of elements whose form can pick a characteristic table (resistor and
// conductance, capacitor and inductor, the controlled nonlinear source) keep alike beyond every
// element page: the name and "Show Name" fields, the element's mode word, the default-output
// switches for the voltage and the current, and the small handlers that only mark the page
// modified or paint the symbol. A page derives from TCharacteristicElementPage<its wizard base>
// and adds its forms, its characteristics and its own fields. Every page with a characteristic
// table (these, the semiconductors' page, the nonlinear transformer's and the nonlinear DC
// machine's) names the table's data file and follows a characteristic's pin box alike.
#pragma once

#include "framework/data_file_places.h"
#include "framework/dialog_controls.h"
#include "framework/element_page.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/snapshot_lists.h"
#include "framework/symbol_paint.h"
#include "framework/xy_table.h"

namespace qv::characteristic {
// True when the table's points are the page's own (not a data file of the user's, not a File
// Reference): on apply they go to a data file named after the document. False without a table.
inline bool PointsGoToDocumentFile(const CPropCharacteristicXYTable* table) {
    return table != nullptr && !table->GetUserFileFlag() &&
           table->GetDataPairsFlag() != CPropCharacteristicXYTable::kSourceFileReference;
}

// A table file the user named on the table's sheet with the document's default name of the
// name the table was named for there (ticking "File Name" fills that name in) follows the name
// the element's page gives the element, as the default name does where the page names the
// file: under the earlier name it would be another element's file. The table takes the name as
// well; any other name stays. A page calls it once the element's name is committed.
inline void FollowElementName(CPropCharacteristicXYTable* table, const CWizardBaseCommon* wizard, const CString& name,
                              CString& fileName) {
    if (table == nullptr || !table->GetUserFileFlag()) return;
    const CString named = table->GetComponentName();
    if (named.IsEmpty() || named == name) return;
    const CString followed = FileNameFollowingRename(wizard, fileName, named, name, table->GetDefaultNameSuffix());
    if (followed == fileName) return;
    fileName = followed;
    table->SetFileName(fileName);
    table->SetComponentName(name);
}

// After a characteristic's "Use Pin" box: on a pin the characteristic is a reference (kind 0);
// else it takes the kind of its table, and an empty reference text takes the table's reference.
// `table()` gives the table (or null); it is asked only when the box is clear.
template <class GetTable>
void FollowCharacteristicPinBox(BOOL onPin, GetTable table, DWORD& kind, CString& reference) {
    if (onPin) {
        kind = CPropCharacteristicXYTable::kKindReference;
    } else if (CPropCharacteristicXYTable* own = table()) {
        kind = own->GetMode();
        if (reference.IsEmpty()) reference = own->GetReference();
    }
}
} // namespace qv::characteristic

template <class Wizard>
class TCharacteristicElementPage : public TElementPage<Wizard> {
public:
    // The output switches; each control carries the value ID of its parameter.
    static constexpr WORD kOutputVoltage = 2018;
    static constexpr WORD kOutputCurrent = 2019;

    DWORD GetModeWord() const { return m_dwModeWord; }
    // Hands the page's mode word to the wizard (after a conversion).
    void StoreModeWordInWizard() {
        if (this->m_pWizard != nullptr) this->m_pWizard->SetModeWord(m_dwModeWord);
    }

protected:
    using TElementPage<Wizard>::TElementPage;

    // The switches show which default outputs the parameter set has.
    void ReadOutputSwitches() {
        GetSDBOutput(this->m_pParams, kOutputCurrent, &m_bOutputCurrent);
        GetSDBOutput(this->m_pParams, kOutputVoltage, &m_bOutputVoltage);
        this->UpdateData(FALSE);
    }
    void SnapshotOf(const char* name, const char* rename) {
        qv::snapshots::AppendSnapshotOf(this->m_Snapshots, this->m_pParams, name, rename);
    }
    // The look-up table's entry where the model text has "@CH": `keyword` names the table's
    // data file or, for a File Reference, its variable. An element whose definition lacks
    // that parameter keeps the table's name in the characteristic "CH" itself, so that its
    // model text still quotes the table.
    void TableSnapshotOf(const char* keyword) {
        SnapshotOf(FindParamByName(this->m_pParams, keyword) != nullptr ? keyword : "CH", "@CH");
    }

    // A click flips the switch from what the page showed before it and counts as a change.
    void OnOutputCurrent() {
        qv::pages::ClickOutputBox(*this, this->m_pParams, m_bOutputCurrent, kOutputCurrent, kOutputCurrent);
    }
    void OnOutputVoltage() {
        qv::pages::ClickOutputBox(*this, this->m_pParams, m_bOutputVoltage, kOutputVoltage, kOutputVoltage);
    }
    void OnFieldChanged() {
        this->UpdateData(TRUE);
        this->SetModified(TRUE);
    }
    void OnPaint() {
        qv::pages::PaintSymbolInFrame(*this, qv::dialog::kCtlSymbolFrame, this->m_pSymbol, this->m_strSymbolText);
    }

    CString m_strName;
    BOOL m_bShowName = FALSE;
    BOOL m_bOutputCurrent = FALSE;
    BOOL m_bOutputVoltage = FALSE;
    DWORD m_dwModeWord = 0;
};
