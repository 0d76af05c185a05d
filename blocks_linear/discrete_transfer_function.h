// The discrete transfer function G(z) (wizard IDs 34 and 340): the "Convert G(s)" dialog
// (2541), the discrete variant of the transfer-function page and the wizard, which owns the
// dialog and a zero-order-hold discretizer.
//
// Parameters (value IDs as on the transfer-function page; dimensions are numbers of
// coefficients):
//
// | Value ID | Role                                                                         |
// |----------|------------------------------------------------------------------------------|
// | 2188     | numerator dimension N (integer part of the number)                           |
// | 2193     | denominator dimension D                                                      |
// | 2194     | numerator coefficients, index 0..N-1, plus their template                    |
// | 2195     | denominator coefficients, index 0..D-1, plus their template                  |
// | 2198     | initial input values, index 1..N-1: "Q0[i]" (mode 1) or "num0[i]" (mode 0)   |
// | 2199     | initial output values, index 1..D-1: "P0[i]" (mode 1) or "den0[i]" (mode 0)  |
// | 2202     | sample time                                                                  |
//
// Row i of both coefficient lists holds the coefficient of z^-i.
#pragma once

#include "blocks_linear/tf_discretizer.h"
#include "blocks_linear/transfer_function.h"
#include "framework/page_wizard.h"

#include <memory>
#include <vector>

namespace qv::blocks {
constexpr UINT kConvertGsTemplate = 2541;
// Highest order the conversion takes (the discretizer's fixed storage).
constexpr int kMaxConvertOrder = CTransferFunctionDiscretizer::kMaxOrder;
} // namespace qv::blocks

// "Convert G(s)": numerator and denominator of G(s) by order and coefficient texts, and a
// sample time; OK converts them with the discretizer. Its state (the two text lists, whose
// counts carry the orders) is kept with the wizard's data.
class CDlgConvertGs : public CTBDialog {
public:
    explicit CDlgConvertGs(CWnd* parent = nullptr);
    CDlgConvertGs(CTransferFunctionDiscretizer* discretizer, CWnd* parent, int mode);
    ~CDlgConvertGs() override;

    void SetDiscretizer(CTransferFunctionDiscretizer* discretizer) { m_pDiscretizer = discretizer; }
    void SetMode(int mode) { m_nMode = mode; }

    // DWORD 10, DWORD count and the numerator texts, DWORD count and the denominator texts.
    // Loading refuses (CArchiveException) a count above 101 and keeps the old state then;
    // a count of 0 leaves the order text as it is.
    void Serialize(CArchive& ar) override;
    void SaveToData();
    void LoadFromData();
    void SetData(const void* bytes, long length);
    const std::vector<BYTE>& GetData() const { return m_State; }

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    const CString& GetNumeratorOrderText() const { return m_strNumeratorOrder; }
    const CString& GetDenominatorOrderText() const { return m_strDenominatorOrder; }
    const CString& GetSampleTimeText() const { return m_strSampleTime; }
    const CStringArray& GetNumeratorTexts() const { return m_NumeratorTexts; }
    const CStringArray& GetDenominatorTexts() const { return m_DenominatorTexts; }
    // The old G(s) block's values (orders and coefficient texts).
    void SetState(int numeratorOrder, int denominatorOrder, const std::vector<CString>& numerator,
                  const std::vector<CString>& denominator);

protected:
    void OnKillFocusNumeratorOrder();
    void OnKillFocusDenominatorOrder();
    // Brings the list's rows to 0..order (new rows "0"); FALSE for an order outside 0..100.
    BOOL SyncRows(CTBEditListCtrl& list, const CString& orderText, bool numerator);
    CString RowName(bool numerator, int index) const;
    void Message(const CString& text);
    DECLARE_MESSAGE_MAP()

    CString m_strDenominatorOrder = "2";
    CString m_strNumeratorOrder = "1";
    CString m_strSampleTime = "1m";
    CStringArray m_DenominatorTexts;
    CStringArray m_NumeratorTexts;
    CTBEditListCtrl m_lstNumerator;
    CTBEditListCtrl m_lstDenominator;
    int m_nMode = 1;
    CTransferFunctionDiscretizer* m_pDiscretizer = nullptr;
    std::vector<BYTE> m_State;
};

class CDiscreteTransferFunctionWizard4;

// The discrete variant of the transfer-function page: "Dimension" labels, the sample-time
// field, "From G(s)" and "Initial Values".
class CPropTransferFunctionBlockZ : public CPropTransferFunctionBlock {
public:
    CPropTransferFunctionBlockZ(CDiscreteTransferFunctionWizard4* wizard, DWORD_PTR cookie, DWORD mode);
    BOOL OnInitDialog() override;
    void BuildCoefficientLists(int numerator, int denominator) override;
    int ConvertWizard3Data(const void* data, long size) override;

protected:
    void OnFromGs();
    void SizeSide(const CString& dimensionText, CWizardCopaObject3* coefficientTemplate, CPtrArray& coefficients,
                  CWizardCopaObject3* initialTemplate, CPtrArray& initials, const char* initialPattern,
                  CTBEditListCtrl& list);
    DECLARE_MESSAGE_MAP()

    CDiscreteTransferFunctionWizard4* m_pDiscreteWizard = nullptr;
};

class CDiscreteTransferFunctionWizard4
    : public TTransferFunctionWizard4<CPropTransferFunctionBlockZ, CDiscreteTransferFunctionWizard4> {
    DECLARE_DYNAMIC(CDiscreteTransferFunctionWizard4)
public:
    explicit CDiscreteTransferFunctionWizard4(int mode = 1);
    explicit CDiscreteTransferFunctionWizard4(const CDiscreteTransferFunctionWizard4* other);

    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    void Serialize(CArchive& ar, ESheetVersion version) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    BOOL DoConversionFrom4x() override;

    CDlgConvertGs& GetConvertDialog() { return m_Dialog; }
    CTransferFunctionDiscretizer& GetDiscretizer() { return *m_pDiscretizer; }
    const char* InitialXPattern() const { return GetMode() == 1 ? "Q0[%i]" : "num0[%i]"; }
    const char* InitialYPattern() const { return GetMode() == 1 ? "P0[%i]" : "den0[%i]"; }

private:
    void ConvertFrom4x(DWORD_PTR cookie, const void* data, long length);

    WORD m_wSchema = 0;
    CDlgConvertGs m_Dialog;
    // The discretizer's fixed storage is large: it lives on the heap.
    std::unique_ptr<CTransferFunctionDiscretizer> m_pDiscretizer;
};

namespace qv::blocks {
// The old G(s) block: short m, short n, m+1 doubles, n+1 doubles, the sample time (all
// little-endian). Read only when its size covers all of it and both orders are in 0..100.
struct OldGsBlock {
    int numeratorOrder = 0;
    int denominatorOrder = 0;
    std::vector<double> numerator;
    std::vector<double> denominator;
    double sampleTime = 0.0;
};
bool ReadOldGsBlock(const void* data, long length, OldGsBlock* block);
} // namespace qv::blocks
