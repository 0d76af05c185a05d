// Polynomial source (wizard ID 31): a voltage or current source whose value is a polynomial
// in n control quantities x1 ... xn up to a given order, with AC parameters on a second page.
// The wizard and its page (dialog 2538) with the two editable lists.
//
// Parameters the element expects (value ID = dialog control):
//
// | Value ID | Name       | Type      | Role                                                    |
// |----------|------------|-----------|---------------------------------------------------------|
// | 2163     | "ORDER"    | 0x4       | order of the polynomial                                 |
// | 2166     | "COEFF"    | 0x4 | 0x2 | coefficient template; members COEFF[k], one per monomial |
// | 2172     | "QUANT"    | 0x4 | 0x2 | control-quantity template; members QUANT[i]             |
// | 2472     | "SPC"      | 0x4       | "Spice compatible" (voltage source)                     |
// | 2425..2434 | "AC_*"   | 0x4       | AC page                                                 |
// | 2018, 2019, 2056 |    | 0x8       | default outputs ("SDB")                                 |
//
// The model text carries "@TYPE" ("E_POLY " or "I_POLY "), "@LIST" (the coefficients and
// control quantities as "NAME := value," items) and "@PARAMLIST".
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_page_wizard.h"
#include "framework/element_page.h"
#include "framework/list_controls.h"
#include "sources/vco_source.h"
#include "toolkit/tb_edit_list.h"

#include <vector>

namespace qv::sources {
constexpr WORD kIdOrder = 2163;
constexpr WORD kIdCoefficients = 2166;
constexpr WORD kIdQuantities = 2172;
constexpr WORD kIdOutputSourceValue = 2056;
constexpr UINT kPolynomialTemplate = 2538;
// No polynomial has more coefficients than this.
constexpr long long kMaxCoefficients = 10000;

// The number of monomials of n variables up to the order, C(n + order, n); 0 for a negative
// order, -1 when it exceeds kMaxCoefficients (or n is negative).
long long CountMonomials(int variables, int order);
// Display names of the monomials, index = coefficient number: by total degree, descending
// lexicographically within one degree; "Constant" for k = 0, else "x%d^%d" for every
// variable with a non-zero exponent joined by " \xB7 ". Empty when CountMonomials refuses.
std::vector<CString> EnumerateMonomials(int variables, int order);
} // namespace qv::sources

class CPolynomSourceWizard4;

class CPropPolynomSource : public TSourceTypePage<CPolynomSourceWizard4> {
    DECLARE_DYNCREATE(CPropPolynomSource)
public:
    PARVEL_ELEMENT_PAGE_CONSTRUCTORS(CPropPolynomSource, CPolynomSourceWizard4)

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    // A hidden page shows no message box.
    void SetHidden(BOOL hidden) { m_bHidden = hidden; }

    void BuildCompareList();
    void StoreToWizard(int mode);
    void ConvertWizard3Data(const void* data, long length);

    // Monomials of the quantity rows up to the order field, then the coefficient rows follow.
    // FALSE (the previous order returns) when the polynomial would have too many coefficients.
    BOOL RebuildCoefficients();
    void AddQuantity();
    void DeleteQuantity();
    void DeleteAllQuantities();
    void MoveQuantityDown();
    void MoveQuantityUp();

    CEditVarListCtrl& QuantityList() { return m_lstQuantities; }
    CTBEditListCtrl& CoefficientList() { return m_lstCoefficients; }
    const CString& GetOrderText() const { return m_strOrder; }
    const CString& GetMonomialText() const { return m_strMonomial; }

protected:
    void ShowError(UINT stringID);
    void LoadParameters();
    void StoreParameters();
    void UpdateParamDescriptions();
    void SyncCoefficientRows();
    void EnsureRows(int index, bool coefficients);
    void SetQuantityRow(int row, CWizardCopaObject3* param);
    CWizardCopaObject3* NewMember(const CWizardCopaObject3* templ, int index);
    CWizardCopaObject3* RowParam(const CTBEditListCtrl& list, int row) const;
    void EnableRowButtons();
    void SwapQuantityTexts(int row, int other);

    void OnSelchangeSourceType();
    void OnOrderChanged();
    void OnOrderKillFocus();
    void OnOrderSpin(NMHDR* pNMHDR, LRESULT* pResult);
    void OnQuantityFocus(NMHDR* pNMHDR, LRESULT* pResult);
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    LRESULT OnListSelection(WPARAM wParam, LPARAM lParam);
    void OnOutputValue();
    void OnContextMenu(CWnd* pWnd, CPoint point);
    // The row-list menu's update rule on the quantity list.
    void OnUpdateRowCommand(CCmdUI* pCmdUI);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    CWizardCopaObject3* m_pCoefficientTemplate = nullptr;  // not owned
    CWizardCopaObject3* m_pQuantityTemplate = nullptr;     // not owned
    std::vector<CString> m_MonomialNames;
    int m_nAcceptedOrder = 0;  // the order the coefficient rows were last built for
    CEditVarListCtrl m_lstQuantities;   // 2172
    CTBEditListCtrl m_lstCoefficients;  // 2166
    CString m_strOrder;
    CString m_strMonomial;
    BOOL m_bOutputValue = FALSE;
    BOOL m_bInitialised = FALSE;
    BOOL m_bHidden = FALSE;
};

class CPolynomSourceWizard4
    : public qv::wizards::TACPageWizard4<CPropPolynomSource, CPolynomSourceWizard4, CSourceTypeWizardBase4> {
    DECLARE_DYNAMIC(CPolynomSourceWizard4)
public:
    CPolynomSourceWizard4() = default;
    explicit CPolynomSourceWizard4(const CPolynomSourceWizard4* other) : TACPageWizard4(other) {}

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    BOOL WantChangeNotification() override;
    // A new order (change type 3 of parameter 2163) rebuilds the coefficient parameters on a
    // hidden page with the wizard's own settings and commits them.
    void NotifyChanged(int changeType, CWizardCopaObject3* param) override;
    BOOL Initialize(int argument) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;

    // A page of an earlier call gives its cookie back and goes; the new page starts from the
    // wizard's source type and list.
    static constexpr bool kReplaceEarlierPage = true;
    void GiveSettingsToPage(CPropPolynomSource& page) { page.SetSourceSettings(m_nSourceType, &m_Snapshots); }

private:
    // The hidden page's work with the wizard's source type and AC mode handed over first.
    void Reinitialise();
};

namespace qv::sources {
// The "@LIST" text: one "NAME := value" item per live coefficient and control-quantity
// member (value without leading blanks), in the order of the set, separated by ",".
CString BuildPolynomialList(ParamHolder* holder);
} // namespace qv::sources
