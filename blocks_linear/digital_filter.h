// The digital-filter block (wizard ID 54): the page (dialog 2560) on which the user picks the
// filter kind and type, the order and the cut-offs, and the wizard that keeps these settings
// with the schematic. The page designs the filter (blocks_linear/digital_filter_design.h) on
// apply and when it is left, and writes the coefficients into the indexed parameters.
//
// Parameters (value ID = dialog control where the page edits them):
//
// | Value ID | Role                                                                        |
// |----------|-----------------------------------------------------------------------------|
// | 2186     | input signal ("Use Pin" 2073)                                               |
// | 2202     | sample time, used unit from 2400 ("Use Pin" 2074)                           |
// | 2188     | number of numerator coefficients N (written by the design)                  |
// | 2193     | number of denominator coefficients N (written by the design)                |
// | 2194     | numerator template and "Q[i]", the coefficient of z^-i, i = 0..N-1          |
// | 2195     | denominator template and "P[i]", "P[0]" = "1"                               |
// | 2056     | block output ("SDB" entry)                                                  |
//
// A design that cannot be the filter asked for is refused: nothing is written, and on apply
// a message says why (sample time, band edges, or an order too high for the cut-off and the
// sample rate, when the multiplied-out polynomials no longer hold a stable filter with the
// prototype's gain).
#pragma once

#include "afx/afxwin.h"
#include "blocks_linear/digital_filter_design.h"
#include "framework/block_page_fields.h"
#include "framework/element_page.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <memory>
#include <vector>

namespace qv::blocks {
constexpr UINT kDigitalFilterTemplate = 2560;
constexpr int kCtlFilterKind = 2236;
constexpr int kCtlFilterType = 2238;
constexpr int kCtlFilterOrder = 2240;
constexpr int kCtlCutOffLabel = 2241;
constexpr int kCtlUpperCutOffLabel = 2242;
constexpr int kCtlCutOff = 2243;
constexpr int kCtlUpperCutOff = 2244;
constexpr DWORD kDigitalFilterPageVersion = 10;

// What the formula path needs of the formula simplifier: loading its modules, and a
// simplification that replaces a text by an equivalent one or leaves it unchanged.
class FilterTextSimplifier {
public:
    virtual ~FilterTextSimplifier() = default;
    virtual BOOL Load() = 0;
    virtual BOOL Simplify(CString* formula) = 0;
};
using FilterSimplifierFactory = std::unique_ptr<FilterTextSimplifier> (*)();
// The simplifier the pages make on their first formula design (the formula simplifier of the
// shared services unless replaced; null passes back to it); returns the previous maker.
FilterSimplifierFactory SetFilterSimplifierFactory(FilterSimplifierFactory factory);
} // namespace qv::blocks

class CDigitalFilterWizard4;

class CPropDigitalFilterBlock : public TBlockPageFields<TElementPage<CDigitalFilterWizard4>> {
    DECLARE_SERIAL(CPropDigitalFilterBlock)
public:
    CPropDigitalFilterBlock();
    CPropDigitalFilterBlock(CDigitalFilterWizard4* wizard, DWORD_PTR cookie);
    ~CPropDigitalFilterBlock() override;

    // Storing writes the class record only; loading reads kind, type, order, cut-off and
    // upper cut-off after it.
    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    void SetDesign(DWORD kind, DWORD type, const CString& order, const CString& cutOff, const CString& upperCutOff);
    // Older additional wizard data (see the .cpp); ends by handing the settings to the wizard.
    void LoadWizard3Data(const void* data, long length);

    // Rewrites the order and the cut-offs that are plain numbers: order at most 10 (at least 3
    // for a band stop), cut-offs above 0 (else 1). Texts that are not plain numbers stay.
    void CheckInputs();
    // Designs with the page's texts (numeric path or formula path), the sample time read in the
    // unit the page shows, and writes the coefficients. FALSE when the design was refused; then nothing was written, and the
    // message that says why is shown when showMessage is set.
    BOOL DesignFilter(bool showMessage);
    void UpdateCoefficientDescriptions();

    int GetKind() const { return m_nKind; }
    int GetType() const { return m_nType; }
    const CString& GetOrderText() const { return m_strOrder; }
    const CString& GetCutOffText() const { return m_strCutOff; }
    const CString& GetUpperCutOffText() const { return m_strUpperCutOff; }
    const CPtrArray& GetNumerators() const { return m_Numerators; }
    const CPtrArray& GetDenominators() const { return m_Denominators; }
    // The refusal of the last numeric design (None after a written one).
    qv::filter::Refusal GetLastRefusal() const { return m_LastRefusal; }

protected:
    int CurrentKind() const;
    int CurrentType() const;
    // Both paths take the sample time as the simulator reads it: in seconds.
    BOOL DesignFilterNumeric(const CString& sampleTime, bool showMessage);
    void DesignFilterText(const CString& sampleTime);
    void WriteCoefficients(int count, const std::vector<CString>& numerator, const std::vector<CString>& denominator);
    void WriteCommonParameters(int count);
    void ReadParameters();

    void OnSelChangeFilterType();
    void OnBlockOutputSignal();
    void OnUseInputPin();
    void OnUseSampleTimePin();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CWizardCopaObject3* m_pNumeratorTemplate = nullptr;
    CWizardCopaObject3* m_pDenominatorTemplate = nullptr;
    CPtrArray m_Numerators;
    CPtrArray m_Denominators;
    CFilterCoefficientTable* m_pTable = nullptr;
    std::unique_ptr<qv::blocks::FilterTextSimplifier> m_pSimplifier;
    bool m_bSimplifierTried = false;
    CComboBox m_cmbType;
    CComboBox m_cmbKind;
    CString m_strCutOff = "50";
    CString m_strUpperCutOff = "1k";
    CString m_strOrder = "1";
    CString m_strSampleTime;
    int m_nKind = 0;
    int m_nType = 0;
    qv::filter::Refusal m_LastRefusal = qv::filter::Refusal::None;
};

class CDigitalFilterWizard4 : public qv::wizards::TPageWizard4<CPropDigitalFilterBlock, CDigitalFilterWizard4> {
    DECLARE_DYNAMIC(CDigitalFilterWizard4)
public:
    CDigitalFilterWizard4();
    // The other wizard's settings (the defaults without one); never its page.
    explicit CDigitalFilterWizard4(const CDigitalFilterWizard4* other);

    int GetWizardKind() override { return 3; }
    // A page of an earlier call gives its cookie back and goes; editing makes a new one.
    static constexpr bool kReplaceEarlierPage = true;
    // The wizard's own settings to the page on the sheet.
    void GiveSettingsToPage(CPropDigitalFilterBlock& page);
    // Sheet version 4: WORD schema 0, DWORD kind, DWORD type, cut-off, upper cut-off, order.
    void Serialize(CArchive& ar, ESheetVersion version) override;
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    BOOL DoConversionFrom4x() override;

    void StoreDesign(DWORD kind, DWORD type, const CString& order, const CString& cutOff, const CString& upperCutOff);
    void ConvertWizard3Data(DWORD_PTR cookie, const void* data, long length);
    void ConvertFrom4x(DWORD_PTR cookie, const void* data, long length);

    DWORD GetKind() const { return m_dwKind; }
    DWORD GetType() const { return m_dwType; }
    const CString& GetOrder() const { return m_strOrder; }
    const CString& GetCutOff() const { return m_strCutOff; }
    const CString& GetUpperCutOff() const { return m_strUpperCutOff; }

private:
    WORD m_wSchema = 0;
    DWORD m_dwKind = 0;
    DWORD m_dwType = 0;
    CString m_strOrder = "1";
    CString m_strCutOff = "50";
    CString m_strUpperCutOff = "1k";
};
