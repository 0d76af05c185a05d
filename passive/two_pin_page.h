// What the pages of the two-pin passive elements with a characteristic (resistor and
// conductance, capacitor and inductor) add to every characteristic page: a third default-output
// switch for the element's value, and all three switches shown as the toolkit's unit check
// boxes, the voltage's and the current's captioned with their parameters' units.
#pragma once

#include "framework/characteristic_element_page.h"
#include "framework/page_parts.h"
#include "toolkit/tb_unit_combo.h"

template <class Wizard>
class TTwoPinCharacteristicPage : public TCharacteristicElementPage<Wizard> {
public:
    // The value's switch stands for the element's value parameter.
    static constexpr WORD kOutputValueSwitch = 2056;
    static constexpr WORD kValue = 2028;

protected:
    using Base = TCharacteristicElementPage<Wizard>;
    using Base::Base;

    void ExchangeOutputSwitchControls(CDataExchange* pDX) {
        DDX_Control(pDX, kOutputValueSwitch, m_chkOutputValue);
        DDX_Control(pDX, Base::kOutputVoltage, m_chkOutputVoltage);
        DDX_Control(pDX, Base::kOutputCurrent, m_chkOutputCurrent);
    }
    void CreateOutputSwitches() {
        m_chkOutputValue.CreateDialogControl();
        m_chkOutputVoltage.CreateDialogControl();
        m_chkOutputCurrent.CreateDialogControl();
    }
    void ReadOutputSwitches() {
        GetSDBOutput(this->m_pParams, kValue, &m_bOutputValue);
        Base::ReadOutputSwitches();
    }
    void CaptionVoltageAndCurrentSwitches() {
        for (WORD id : {Base::kOutputVoltage, Base::kOutputCurrent})
            if (HasParamWithValueID(this->m_pParams, id)) this->SetDlgItemText(id, this->DescriptionWithUnit(id));
    }
    void OnOutputValue() {
        qv::pages::ClickOutputBox(*this, this->m_pParams, m_bOutputValue, kOutputValueSwitch, kValue);
    }

    CTBUnitCheckBox m_chkOutputValue;
    CTBUnitCheckBox m_chkOutputVoltage;
    CTBUnitCheckBox m_chkOutputCurrent;
    BOOL m_bOutputValue = FALSE;
};
