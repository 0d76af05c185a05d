// What the pages of the two-pin elements whose form can pick a characteristic table (resistor
// and conductance, capacitor and inductor) keep alike beyond every element page: the name and
// "Show Name" fields, the element's mode word, the default-output switches for the voltage, the
// current and the element's value, and the small handlers that only mark the page modified or
// paint the symbol. A page derives from TCharacteristicElementPage<its wizard base> and adds
// its forms, its characteristics and its own fields. Every page with a characteristic table
// (these and the semiconductors' page) names the table's data file alike on apply.
#pragma once

#include "framework/dialog_controls.h"
#include "framework/element_page.h"
#include "framework/page_parts.h"
#include "framework/param_access.h"
#include "framework/snapshot_lists.h"
#include "framework/symbol_paint.h"
#include "framework/xy_table.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::characteristic {
// True when the table's points are the page's own (not a data file of the user's, not a File
// Reference): on apply they go to a data file named after the document. False without a table.
inline bool PointsGoToDocumentFile(const CPropCharacteristicXYTable* table) {
    return table != nullptr && !table->GetUserFileFlag() &&
           table->GetDataPairsFlag() != CPropCharacteristicXYTable::kSourceFileReference;
}
} // namespace qv::characteristic

template <class Wizard>
class TCharacteristicElementPage : public TElementPage<Wizard> {
public:
    // The output switches' controls; the voltage and current switches carry the value IDs of
    // their parameters, the value's switch stands for the element's value parameter.
    static constexpr WORD kOutputVoltage = 2018;
    static constexpr WORD kOutputCurrent = 2019;
    static constexpr WORD kOutputValueSwitch = 2056;
    static constexpr WORD kValue = 2028;

    DWORD GetModeWord() const { return m_dwModeWord; }
    // Hands the page's mode word to the wizard (after a conversion).
    void StoreModeWordInWizard() {
        if (this->m_pWizard != nullptr) this->m_pWizard->SetModeWord(m_dwModeWord);
    }

protected:
    using TElementPage<Wizard>::TElementPage;

    // The three switches are the toolkit's unit check boxes.
    void ExchangeOutputSwitchControls(CDataExchange* pDX) {
        DDX_Control(pDX, kOutputValueSwitch, m_chkOutputValue);
        DDX_Control(pDX, kOutputVoltage, m_chkOutputVoltage);
        DDX_Control(pDX, kOutputCurrent, m_chkOutputCurrent);
    }
    void CreateOutputSwitches() {
        m_chkOutputValue.CreateDialogControl();
        m_chkOutputVoltage.CreateDialogControl();
        m_chkOutputCurrent.CreateDialogControl();
    }
    // The switches show which default outputs the parameter set has.
    void ReadOutputSwitches() {
        GetSDBOutput(this->m_pParams, kOutputCurrent, &m_bOutputCurrent);
        GetSDBOutput(this->m_pParams, kOutputVoltage, &m_bOutputVoltage);
        GetSDBOutput(this->m_pParams, kValue, &m_bOutputValue);
        this->UpdateData(FALSE);
    }
    // The voltage and current switches are captioned with their parameters' descriptions and units.
    void CaptionVoltageAndCurrentSwitches() {
        for (WORD id : {kOutputVoltage, kOutputCurrent})
            if (HasParamWithValueID(this->m_pParams, id)) this->SetDlgItemText(id, this->DescriptionWithUnit(id));
    }
    void SnapshotOf(const char* name, const char* rename) {
        qv::snapshots::AppendSnapshotOf(this->m_Snapshots, this->m_pParams, name, rename);
    }

    // A click flips the switch from what the page showed before it and counts as a change.
    void OnOutputCurrent() {
        qv::pages::ClickOutputBox(*this, this->m_pParams, m_bOutputCurrent, kOutputCurrent, kOutputCurrent);
    }
    void OnOutputVoltage() {
        qv::pages::ClickOutputBox(*this, this->m_pParams, m_bOutputVoltage, kOutputVoltage, kOutputVoltage);
    }
    void OnOutputValue() {
        qv::pages::ClickOutputBox(*this, this->m_pParams, m_bOutputValue, kOutputValueSwitch, kValue);
    }
    void OnFieldChanged() {
        this->UpdateData(TRUE);
        this->SetModified(TRUE);
    }
    void OnPaint() {
        qv::pages::PaintSymbolInFrame(*this, qv::dialog::kCtlSymbolFrame, this->m_pSymbol, this->m_strSymbolText);
    }

    CTBUnitCheckBox m_chkOutputValue;
    CTBUnitCheckBox m_chkOutputVoltage;
    CTBUnitCheckBox m_chkOutputCurrent;
    CString m_strName;
    BOOL m_bShowName = FALSE;
    BOOL m_bOutputCurrent = FALSE;
    BOOL m_bOutputVoltage = FALSE;
    BOOL m_bOutputValue = FALSE;
    DWORD m_dwModeWord = 0;
};
