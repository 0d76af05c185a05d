// The fields every block page on a parameter set shows alike: the element name and its "Show
// Name" check, the signal input with its "Use Pin" box, the sample time's "Use Pin" box and
// unit list, and the block-output switch. The pages of the transfer functions, the dead time,
// the digital filter, the nonlinear characteristic and the simple blocks derive from
// TBlockPageFields<Base>, where Base is their own page base (CParamSetPage, a TElementPage or
// CTBPropertyPage); the class adds data members and helpers only, no virtual function.
#pragma once

#include "afx/afxwin.h"
#include "framework/field_exchange.h"
#include "framework/older_base_block.h"
#include "framework/param_access.h"
#include "framework/param_set_page.h"
#include "framework/shown_unit.h"
#include "toolkit/tb_unit_combo.h"

template <class Base>
class TBlockPageFields : public Base {
public:
    using Base::Base;

protected:
    // Exchanges the fields with the dialog; the page exchanges its own controls beside them.
    void ExchangeBlockFields(CDataExchange* pDX) {
        using namespace qv::blocks;
        DDX_Control(pDX, kCtlUnit, m_cmbUnit);
        qv::pages::ExchangeChecks(pDX, {{kCtlShowName, m_bShowName}, {kCtlInputPin, m_bInputPin},
                                        {kCtlSampleTimePin, m_bSampleTimePin}, {kIdBlockOutput, m_bOutput}});
        qv::pages::ExchangeTexts(pDX, {{kIdInputSignal, m_strInput}, {kCtlName, m_strName}});
    }
    // The page shows: the output switch and the input's and sample time's "Use Pin" boxes take
    // the element's state and the boxes are brought into line. The sample time's parameter is
    // `sampleTimeID`; its field is the control `sampleTimeField` where that is another.
    void ShowBlockSwitchesAndPins(ParamHolder* params, WORD sampleTimeID, int sampleTimeField = 0) {
        qv::pages::ShowSwitchesAndPins(*this, params, {{&m_bOutput, qv::blocks::kIdBlockOutput}},
                                       {{&m_bInputPin, qv::blocks::kIdInputSignal},
                                        {&m_bSampleTimePin, sampleTimeID, sampleTimeField}});
    }

    // A text of the sample-time field (2202) as the page shows it: with its parameter's quantity
    // and unit, in the unit the list shows. A design or conversion reads and writes the sample
    // time through it, so that its numbers are made for the time the element describes.
    TypedValue SampleTimeAsShown(ParamHolder* params, const CString& text) const {
        return qv::pages::TypedAsShown(FindParamByValueID(params, qv::blocks::kIdSampleTimeField), text, &m_cmbUnit);
    }

    // An edit or choice marks the page modified, with the dialog's state taken over.
    void OnMarkModified() {
        this->UpdateData(TRUE);
        this->SetModified(TRUE);
    }

    CTBUnitComboBox m_cmbUnit;
    BOOL m_bShowName = FALSE;
    BOOL m_bInputPin = FALSE;
    BOOL m_bSampleTimePin = FALSE;
    CString m_strInput;
    CString m_strName;
    BOOL m_bOutput = FALSE;
};
