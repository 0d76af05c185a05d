// Static nonlinear blocks on the older wizard base: negator (wizard ID 59, dialog 2564),
// limiter (60, 2565), comparator (61, 2566), two-point element (62, 2567) and discretization
// element (63, 2568). Their pages differ only in the block parameters they add and in their
// layout, so one page class, driven by a table per dialog, does the work; the function
// blocks reuse it for their own dialogs.
//
// Parameters (value ID = dialog control; only input parameters, Type bit 0x04, are read and
// written; nothing is validated, values are stored as typed):
//
// | Value ID | Role                              | Dialogs           |
// |----------|-----------------------------------|-------------------|
// | 2151     | upper limit                       | 2565              |
// | 2152     | lower limit                       | 2565              |
// | 2251     | threshold T                       | 2566              |
// | 2254     | value A1                          | 2566, 2567        |
// | 2255     | value A2                          | 2566, 2567        |
// | 2259     | threshold T1                      | 2567              |
// | 2257     | threshold T2                      | 2567              |
// | 2187     | initial value                     | 2567              |
// | 2028     | discretization quantity           | 2568              |
// | 2183     | sample time, used unit in 2400, "Use Pin" 2074 | all  |
// | 2186     | input signal, "Use Pin" 2073      | all               |
// | 2056     | block output ("SDB" entry)        | all               |
//
// A block parameter whose pin bit is set shows a disabled edit; its value is still written.
#pragma once

#include "afx/afxwin.h"
#include "framework/block_page_fields.h"
#include "framework/older_base_block.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <span>
#include <utility>
#include <vector>

namespace qv::blocks {

using qv::pages::ControlLayout;

// What distinguishes one simple block page from another.
struct SimpleBlockPageSpec {
    UINT templateID;
    // SetControlInfo calls of the constructor, in call order.
    std::span<const ControlLayout> layout;
    // The block parameters' text members in dialog-exchange order (their edits are enabled by
    // IsParamNotOnPin); name and input are the page's own fields.
    std::span<const WORD> texts = {};
    // Caption string of static 2246 (0: the template's caption stays).
    UINT parameterCaption = 0;
    // The input's unit combo 2519 (angle unit of the trigonometric page).
    bool inputUnit = false;
    // Newer base: the page works on the set behind a cookie and commits with code 25.
    bool newerBase = false;
    // A typed sample time that becomes an entry also marks the page modified.
    bool typedSampleTimeMarks = false;
    // Block-parameter edits follow the pin bits of their parameters.
    bool enableByPin = true;
};

constexpr int kCtlInputUnit = 2519;
constexpr int kCtlParameterCaption = 2246;

} // namespace qv::blocks

// The page shared by the simple block dialogs: name, "Show Name", the symbol, the block
// parameters of its table, sample time with unit and "Use Pin", input with "Use Pin" and the
// block output. It works on the data-exchange object of the older base (commit code 0) or on
// the parameter set of a newer-base wizard (commit code 25), as its table says.
class CSimpleBlockPage : public TBlockPageFields<CTBPropertyPage> {
public:
    explicit CSimpleBlockPage(const qv::blocks::SimpleBlockPageSpec& spec);
    // Older base: the wizard and the editor's data-exchange object.
    CSimpleBlockPage(const qv::blocks::SimpleBlockPageSpec& spec, CWizardBase3* wizard,
                     CWizardSchematicDataExchange3* exchange);
    // Newer base: the wizard and the cookie of its parameter set.
    CSimpleBlockPage(const qv::blocks::SimpleBlockPageSpec& spec, CWizardBase4* wizard, DWORD_PTR cookie);
    ~CSimpleBlockPage() override;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    BOOL OnSetActive() override;

    // Newer base: the page takes another wizard and cookie (the caller gave the old one back).
    void Rebind(CWizardBase4* wizard, DWORD_PTR cookie);
    DWORD_PTR GetCookie() const { return m_cookie; }
    ParamHolder* GetHolder() const { return m_pHolder; }
    const CString& GetSymbolText() const { return m_strSymbolText; }
    CString* BlockText(WORD id);

protected:
    void EnableBlockParameters();
    BOOL Commit();
    // Writes the name, the texts of the table and the sample time into the parameters.
    void StoreFields();
    // The parameter half of StoreFields: the fields' texts, the sample time and the units go
    // into their parameters; the element's name and show-name flag stay as they are.
    void StoreFieldParameters();
    // Runs on apply after the parameters are written and before the commit.
    virtual void BeforeCommit() {}

    void OnInputPin();
    void OnSampleTimePin();
    void OnOutput();
    void OnSampleTimeTyped();
    void OnSampleTimeChosen();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    const qv::blocks::SimpleBlockPageSpec& m_spec;
    CWizardBaseCommon* m_pWizard = nullptr;
    ParamHolder* m_pHolder = nullptr;
    DWORD_PTR m_cookie = 0;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    CTBUnitComboBox m_cmbInputUnit;
    CComboBox m_cmbSampleTime;
    // Text members of the block parameters by control ID, in exchange order.
    std::vector<std::pair<WORD, CString>> m_texts;
};

#define QV_SIMPLE_BLOCK_PAGE(Page)                                                     \
    class Page : public CSimpleBlockPage {                                             \
        DECLARE_DYNCREATE(Page)                                                        \
    public:                                                                            \
        Page();                                                                        \
        Page(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);           \
    };

#define QV_SIMPLE_BLOCK_PAGE_IMPL(Page, Spec)                                                                  \
    IMPLEMENT_DYNCREATE(Page, CTBPropertyPage)                                                                 \
    Page::Page() : CSimpleBlockPage(Spec) {}                                                                   \
    Page::Page(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange) : CSimpleBlockPage(Spec, wizard, exchange) {}

QV_SIMPLE_BLOCK_PAGE(CPropNegatorBlock)
QV_SIMPLE_BLOCK_PAGE(CPropLimiterBlock)
QV_SIMPLE_BLOCK_PAGE(CPropComparatorBlock)
QV_SIMPLE_BLOCK_PAGE(CPropTwoPointElementBlock)
QV_SIMPLE_BLOCK_PAGE(CPropDiscretizationElementBlock)

PARVEL_OLDER_BASE_BLOCK_WIZARD(CNegatorBlockWizard, CPropNegatorBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CLimiterBlockWizard, CPropLimiterBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CComparatorBlockWizard, CPropComparatorBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CTwoPointElementWizard, CPropTwoPointElementBlock)
PARVEL_OLDER_BASE_BLOCK_WIZARD(CDiscretizationElementWizard, CPropDiscretizationElementBlock)
