// Transfer functions: the page every transfer-function element uses (dialog 2540), its
// continuous variant, the "Initial Values" dialog (2543) and the continuous transfer-function
// wizard (wizard IDs 33 and 330).
//
// Parameters (value ID = dialog control; the page reads and writes live input parameters):
//
// | Value ID | Role                                                                        |
// |----------|-----------------------------------------------------------------------------|
// | 2188     | numerator order N (integer part of the number; negative: no coefficient)    |
// | 2193     | denominator order M                                                          |
// | 2194     | numerator coefficients "Q[i]", i = 0..N; the member without index (or, for  |
// |          | the wizard, with Type bit 0x02) is the family's template                     |
// | 2195     | denominator coefficients "P[i]", i = 0..M, template likewise                |
// | 2198     | initial values of the input, index k from 1 (template without index)        |
// | 2199     | initial values of the output, likewise                                      |
// | 2183     | sample time in the list 2183 ("0" and "0.0" show "System"), unit in 2400    |
// | 2202     | sample time as a field (variants that show 2202 instead of the list)        |
// | 2186     | input signal                                                                 |
// | 2200     | initial delay (label and field shown only when the parameter exists)        |
// | 2056     | block output ("SDB" entry)                                                   |
//
// A family never holds more than 10,000 members: a larger order is refused with "Invalid
// value!" on a shown page, and runs without a page (model text, change notification,
// conversions) then create nothing.
#pragma once

#include "afx/afxwin.h"
#include "framework/block_page_fields.h"
#include "framework/page_overrides.h"
#include "framework/page_parts.h"
#include "framework/page_wizard.h"
#include "framework/param_set_page.h"
#include "framework/string_ids.h"
#include "toolkit/tb_dialog.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <vector>

namespace qv::blocks {
constexpr WORD kIdNumeratorOrder = 2188;
constexpr WORD kIdDenominatorOrder = 2193;
constexpr WORD kIdNumerator = 2194;
constexpr WORD kIdDenominator = 2195;
constexpr WORD kIdInitialX = 2198;
constexpr WORD kIdInitialY = 2199;
constexpr WORD kIdInitialDelay = 2200;
constexpr UINT kTransferFunctionTemplate = 2540;
constexpr UINT kInitialValuesTemplate = 2543;
// Controls and texts the continuous and the discrete transfer-function pages share.
constexpr int kCtlNumeratorLabel = 2191;
constexpr int kCtlDenominatorLabel = 2192;
constexpr int kCtlFromGs = 2196;
constexpr int kCtlInitialValues = 2197;
using namespace qv::strings;
} // namespace qv::blocks

class CPropTransferFunctionBlock : public TBlockPageFields<CParamSetPage> {
    DECLARE_SERIAL(CPropTransferFunctionBlock)
public:
    CPropTransferFunctionBlock();
    CPropTransferFunctionBlock(CWizardBase4* wizard, DWORD_PTR cookie, DWORD mode);

    // The page has no archived state.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;

    // Sizes the coefficient families and lists to the orders (the variants do it).
    virtual void BuildCoefficientLists(int numerator, int denominator);
    // Keeps the old-data block of an older wizard generation (see the .cpp for its layout).
    virtual int ConvertWizard3Data(const void* data, long size);

    // Gives the page another wizard and parameter set (the cookie the page now holds).
    // A page without a window on a sheet shows no message boxes.
    DWORD GetMode() const { return m_dwMode; }

    const CPtrArray& GetNumerators() const { return m_Numerators; }
    const CPtrArray& GetDenominators() const { return m_Denominators; }
    const CPtrArray& GetInitialX() const { return m_InitialX; }
    const CPtrArray& GetInitialY() const { return m_InitialY; }
    const std::vector<BYTE>& GetOldData() const { return m_OldData; }

protected:
    void ReadParameters();
    BOOL WriteParameters();
    // Checks made before anything is written: orders within the family limit and a leading
    // denominator coefficient that is not zero.
    BOOL CheckBeforeWriting();
    static int EnsureListRow(CTBEditListCtrl& list, int index, const CString& name);
    void UpdateIndexedDescriptions();
    // Sizes one family and its list to the order typed into its field.
    void SizeFamily(const CString& orderText, CWizardCopaObject3* templ, CPtrArray& members, CTBEditListCtrl& list);

    // Whether leaving an order field sizes its family to the text typed.
    bool TypedOrderSizes(const CString& text) const;
    void OnNumeratorOrderDone();
    void OnDenominatorOrderDone();
    void OnDenominatorOrderChanged();
    void OnSampleTimeDropDown();
    void OnSampleTimeKillFocus();
    void OnSampleTimeChosen();
    void OnListChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnOutput();
    void OnInputPin();
    void OnSampleTimePin();
    void OnInitialValues();
    DECLARE_MESSAGE_MAP()

    DWORD m_dwMode = 1;
    CWizardCopaObject3* m_pNumeratorTemplate = nullptr;
    CWizardCopaObject3* m_pDenominatorTemplate = nullptr;
    CWizardCopaObject3* m_pInitialXTemplate = nullptr;
    CWizardCopaObject3* m_pInitialYTemplate = nullptr;
    CPtrArray m_Numerators;
    CPtrArray m_Denominators;
    CPtrArray m_InitialX;
    CPtrArray m_InitialY;
    std::vector<BYTE> m_OldData;
    BOOL m_bInitialDelay = FALSE;
    CTBEditListCtrl m_lstNumerator;
    CTBEditListCtrl m_lstDenominator;
    CComboBox m_cmbSampleTime;
    CString m_strDenominatorOrder;
    CString m_strNumeratorOrder;
    CString m_strSampleTime;
    CString m_strInitialDelay;
    // What the two order fields hold: orders here, numbers of coefficients on the discrete
    // variant, whose fields are dimensions.
    qv::pages::NumberNeeded m_orderKind = qv::pages::NumberNeeded::Order;
};

// The continuous variant: "Order" labels, the sample-time list, no initial values.
class CPropTransferFunctionBlockS : public CPropTransferFunctionBlock {
public:
    CPropTransferFunctionBlockS(CWizardBase4* wizard, DWORD_PTR cookie, DWORD mode)
        : CPropTransferFunctionBlock(wizard, cookie, mode) {}
    BOOL OnInitDialog() override;
    void BuildCoefficientLists(int numerator, int denominator) override;
};

// Initial values of input (X) and output (Y), edited on the page's arrays. Rows stand for the
// initial-value parameters that exist; OK writes their values back, Cancel changes nothing.
class CDlgInitialValuesXY : public CTBDialog {
public:
    explicit CDlgInitialValuesXY(CWnd* parent = nullptr);
    void SetArrays(const CPtrArray* x, const CPtrArray* y) {
        m_pX = x;
        m_pY = y;
    }
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void OnResetX();
    void OnResetY();
    DECLARE_MESSAGE_MAP()

    const CPtrArray* m_pX = nullptr;
    const CPtrArray* m_pY = nullptr;
    CTBEditListCtrl m_lstX;
    CTBEditListCtrl m_lstY;
};

// What the continuous and the discrete transfer-function wizards share: the form (mode) of
// the function their page shows, and the hidden page of their own that sizes the coefficient
// families when an order changes and converts the older wizard's data.
template <class Page, class Self>
class TTransferFunctionWizard4 : public qv::wizards::TPageWizard4<Page, Self> {
public:
    explicit TTransferFunctionWizard4(int mode) : m_dwMode(static_cast<DWORD>(mode)) {}
    // Fresh base data; the other wizard's mode (1 without one); no page.
    explicit TTransferFunctionWizard4(const Self* other)
        : qv::wizards::TPageWizard4<Page, Self>(other), m_dwMode(other != nullptr ? other->GetMode() : 1) {}

    int GetWizardKind() override { return 3; }
    // The page shows the wizard's form of the transfer function.
    Page* MakePage(DWORD_PTR cookie) { return new (std::nothrow) Page(&static_cast<Self&>(*this), cookie, m_dwMode); }
    BOOL WantChangeNotification() override { return 1; }
    // A changed order sizes the families through the hidden page, and the set is committed.
    void NotifyChanged(int changeType, CWizardCopaObject3* param) override {
        if (changeType != 3 || param == nullptr) return;
        ScopedParamSet params{RequestTarget(this)};
        if (param->GetValueID() != qv::blocks::kIdNumeratorOrder &&
            param->GetValueID() != qv::blocks::kIdDenominatorOrder)
            return;
        if (auto page = OpenHiddenPage(params.Cookie())) {
            page->DestroyWindow();
            CommitParamSet(RequestTarget(this), params.Cookie());
        }
    }
    BOOL DoConvertWizard3Data(const void* data, long length) override {
        ScopedParamSet params{RequestTarget(this)};
        if (auto page = OpenHiddenPage(params.Cookie())) page->ConvertWizard3Data(data, length);
        return TRUE;
    }

    DWORD GetMode() const { return m_dwMode; }

private:
    // A page of the wizard's own, created hidden so that its initialisation sizes the
    // families; the page on the editor's sheet is never touched.
    qv::wizards::THiddenPage<Page> OpenHiddenPage(DWORD_PTR cookie) {
        auto page = this->MakeHiddenPage(cookie);
        if (!page) return page;
        page->SetHidden(true);
        if (!page.Open(qv::blocks::kTransferFunctionTemplate)) return qv::wizards::THiddenPage<Page>(nullptr);
        return page;
    }

    DWORD m_dwMode = 1;
};

class CTransferFunctionWizard4 : public TTransferFunctionWizard4<CPropTransferFunctionBlockS, CTransferFunctionWizard4> {
    DECLARE_DYNAMIC(CTransferFunctionWizard4)
public:
    explicit CTransferFunctionWizard4(int mode = 1) : TTransferFunctionWizard4(mode) {}
    explicit CTransferFunctionWizard4(const CTransferFunctionWizard4* other) : TTransferFunctionWizard4(other) {}

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    BOOL DoConversionFrom4x() override;
};

namespace qv::blocks {
// Turns the comma-separated coefficient lists that 4.x versions kept in the templates' values
// into indexed coefficients and commits them (code 25). Nothing happens without both
// templates or with an order beyond the family limit.
void ConvertFrom4xLists(CWizardBase4* wizard, DWORD_PTR cookie);
// Creates the coefficients 0..N and 0..M that no live member holds and commits once (code
// 25) when both templates exist.
void CreateMissingCoefficients(CWizardBase4* wizard, DWORD_PTR cookie);
} // namespace qv::blocks
