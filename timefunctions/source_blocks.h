// Source blocks of a block diagram: the constant block (wizard ID 55), the step-function
// block (56) and the random block (57), each followed by the AC page, and the constant
// block's page (dialog 2561).
//
// Parameters of the constant block (value ID = dialog control; only input parameters, Type
// bit 0x04, are shown and written):
//
// | Value ID | Name     | Role                                                  | Pin box |
// |----------|----------|-------------------------------------------------------|---------|
// | 2028     | CONST    | the block's value                                     | 2090    |
// | 2183     | TS       | sample time ("0" the system's), used unit in 2400     | 2074    |
// | 2425     | AC_MAG   | AC magnitude (AC page)                                |         |
// | 2434     | AC_PHASE | AC phase (AC page)                                    |         |
// | 2430     | AC_RE    | AC real part (AC page)                                |         |
// | 2432     | AC_IM    | AC imaginary part (AC page)                           |         |
// | 2056     | OUT      | block output ("SDB" entry; its unit ends the caption) |         |
//
// The model text carries "@PARAMLIST": the page's snapshot list names what it lists, and the
// AC entries whose values the wizard computes stay placeholders until WriteSimDescr fills
// them.
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_page_wizard.h"
#include "framework/ac_parameters.h"
#include "framework/older_base_block.h"
#include "framework/requests.h"
#include "framework/sheet_serialize.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"

namespace qv::timefunctions {
constexpr WORD kIdBlockValue = 2028;
using qv::blocks::kIdBlockOutput;
using qv::blocks::kIdSampleTime;
constexpr UINT kConstantTemplate = 2561;

// Element data of the older wizard generation as the constant, step-function and random
// pages left it, all numbers little-endian DWORDs: a word that is not used, the snapshot
// count n, a length L1 and L1 bytes of archived snapshots, a length L2 and L2 bytes of the
// page's block (the page stores nothing), two more blocks (length and bytes) that are
// skipped, then the AC page's block. Only whole fields are read and every length is checked
// against what remains; n snapshots are read only as far as L1 holds them, into `snapshots`
// (emptied first). A part that does not fit ends the reading. The AC block goes to `ac`
// when there is one.
void ReadOlderSourcePageData(const void* data, long length, CPtrArray& snapshots, CPropACParameters* ac);
} // namespace qv::timefunctions

class CPropConstantBlock;

class CSourceBlockWizardBase4 : public CACWizardBase4 {
    DECLARE_DYNAMIC(CSourceBlockWizardBase4)
public:
    CSourceBlockWizardBase4();
    // The copy used by Clone: schema, AC mode, snapshots and AC use; never a page.
    explicit CSourceBlockWizardBase4(const CSourceBlockWizardBase4* other);
    ~CSourceBlockWizardBase4() override;

    int GetWizardKind() override { return 3; }
    CWizardBase4* Clone() override = 0;
    // Sheet version 4: the AC base's block, WORD schema 1, DWORD n, n snapshots (each by its
    // own Serialize), DWORD AC use.
    PARVEL_SHEET_SERIALIZE

    // The page's list (copied; none for a null list) and AC use.
    void SetACParameters(const CPtrArray* snapshots, DWORD acUse);
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }
    DWORD GetACUse() const { return m_dwACUse; }
    WORD GetSchema() const { return m_wSchema; }

protected:
    // Fills "@PARAMLIST" and the AC placeholders; `valuePlaceholders` says whether
    // "@AC_MAG_VAL" and "@AC_PHASE_VAL" are this element's to fill.
    int WriteDescription(const CString& templ, CString& modelText, bool valuePlaceholders);

    WORD m_wSchema = 1;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned
    DWORD m_dwACUse = 0;
};

// What the pages of the three source blocks share: name, symbol, the sample time with its
// unit and pin, the default output, the snapshot list that names what the model text lists,
// and the AC page whose mode goes to the wizard with the list.
class CSourceBlockPage : public CTBPropertyPage {
public:
    explicit CSourceBlockPage(UINT templ) : CTBPropertyPage(templ) {}
    CSourceBlockPage(UINT templ, CSourceBlockWizardBase4* wizard, ParamHolder* params)
        : CTBPropertyPage(templ), m_pWizard(wizard), m_pParams(params) {}
    ~CSourceBlockPage() override;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnSetActive() override;

    void Rebind(CSourceBlockWizardBase4* wizard, ParamHolder* params);
    void Rebind(CSourceBlockWizardBase4* wizard, DWORD_PTR cookie) { Rebind(wizard, HolderFromCookie(cookie)); }
    ParamHolder* GetParams() const { return m_pParams; }
    DWORD_PTR GetCookie() const { return reinterpret_cast<DWORD_PTR>(m_pParams); }
    // Hidden work gives the page an AC page of its own, which it then uses as its wizard's.
    void UseACPage(CPropACParameters* page) { m_pOwnACPage = page; }
    CPropACParameters* ACPage() const;
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }

    virtual void BuildCompareList() {}
    // Mode 1: the list, the AC page's mode and AC use go to the wizard.
    void WriteDefaults(int mode);

protected:
    // What AC use the page hands over with its list.
    virtual DWORD ACUseToHandOver() const { return 0; }
    // The pins of the page's own values: read from the parameters on activation, then shown.
    virtual void ReadValuePins() {}
    virtual void ShowValuePins() {}
    // The dialog made, with the name, show-name flag and symbol from the parameter set.
    void InitDialogStart();
    // The default output's state and caption (with the output's unit); the page unmodified.
    void InitDialogEnd();
    // The sample-time parameter shown: its pin, its text in the list and its unit list.
    void ShowSampleTime(CWizardCopaObject3* param);
    // Name and show-name flag into the parameter set, the members from the windows.
    void StoreName();
    // The sample time chosen ("0" the system's, "1m", or the typed text) and its unit.
    void WriteSampleTime(CWizardCopaObject3* param);
    // The list, the hand-over to the wizard and the commit.
    BOOL CommitAndFinish();
    void AppendSnapshot(const char* name, const char* rename);
    // The AC part of the list: "AC_RE"/"AC_IM" as "@AC_PHASE"/"@AC_MAG" when the AC page is in
    // Real && Imaginary mode, else "AC_PHASE" and "AC_MAG".
    void AppendACSnapshots();
    void HandOverSettings();
    void EnableControl(int id, BOOL enable);
    void OnFieldChanged();
    void OnMarkModified();
    void OnSampleTimeLeft();
    void OnOutput();
    void OnSampleTimePin();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CSourceBlockWizardBase4* m_pWizard = nullptr;
    ParamHolder* m_pParams = nullptr;  // the cookie of request 23
    CPropACParameters* m_pOwnACPage = nullptr;  // not owned; set for hidden work only
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    CPtrArray m_Snapshots;  // CCopaObjectCompare*, owned
    CTBUnitComboBox m_cmbUnit;     // 2400
    CComboBox m_cmbSampleTime;     // 2183
    BOOL m_bShowName = FALSE;
    BOOL m_bSampleTimePin = FALSE;  // 2074
    CString m_strName;
    BOOL m_bOutput = FALSE;  // 2056
};

class CPropConstantBlock : public CSourceBlockPage {
    DECLARE_DYNCREATE(CPropConstantBlock)
public:
    // For the runtime-class factory: no wizard, no parameters, no layout information.
    CPropConstantBlock();
    CPropConstantBlock(CSourceBlockWizardBase4* wizard, ParamHolder* params);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnKillActive() override;
    BOOL OnApply() override;

    // The wizard's list and AC use before the dialog exists; the snapshots are copied.
    void SetSettings(const CPtrArray* snapshots, BOOL acUse);

    void BuildCompareList() override;
    // Reads element data of the older wizard generation (see the .cpp for the layout).
    void ConvertWizard3Data(const void* data, long length);

    BOOL GetACUse() const { return m_bACUse; }

protected:
    DWORD ACUseToHandOver() const override { return m_bACUse ? 1 : 0; }
    void ReadValuePins() override;
    void ShowValuePins() override;
    void OnValuePin();
    DECLARE_MESSAGE_MAP()

    BOOL m_bValuePin = FALSE;       // 2090
    CString m_strValue;
    BOOL m_bACUse = FALSE;   // 2520
};

// The source blocks' wizards: their own page on a fetched parameter set, then the AC page.
// The page starts from the wizard's settings (GiveSettingsToPage); hidden work runs on pages
// of the wizard's own, with an AC page of their own, so that a re-initialisation never resets
// a configured element and the pages on the editor's sheet are never touched.
template <class Page, class Self>
class TSourceBlockWizard4 : public qv::wizards::TACPageWizard4<Page, Self, CSourceBlockWizardBase4> {
    using Editing = qv::wizards::TACPageWizard4<Page, Self, CSourceBlockWizardBase4>;

public:
    using Editing::Editing;
    int WriteSimDescr(CFile*, const CString& templ, CString& modelText) override {
        return this->WriteDescription(templ, modelText, Self::kValuePlaceholders);
    }
    // Argument 0: the default snapshot list.
    BOOL Initialize(int argument) override {
        if (argument == 0) OnHiddenPage([](Page& page) { page.WriteDefaults(1); });
        return TRUE;
    }
    BOOL DoConvertWizard3Data(const void* data, long length) override {
        OnHiddenPage([data, length](Page& page) { page.ConvertWizard3Data(data, length); });
        return TRUE;
    }
    Page* MakePage(DWORD_PTR cookie) { return new (std::nothrow) Page(this, HolderFromCookie(cookie)); }

private:
    template <class Work>
    void OnHiddenPage(Work work) {
        ScopedParamSet params{RequestTarget(this)};
        std::unique_ptr<CPropACParameters> ac(new (std::nothrow) CPropACParameters(this, params.Holder()));
        auto page = this->MakeHiddenPage(params.Cookie());
        if (ac == nullptr || !page) return;
        ac->SetMode(this->GetACMode());
        page->UseACPage(ac.get());
        static_cast<Self*>(this)->GiveSettingsToPage(*page);
        if (page.Open(Self::kPageTemplate)) work(*page);
    }
};

class CConstantBlockWizard4 : public TSourceBlockWizard4<CPropConstantBlock, CConstantBlockWizard4> {
    DECLARE_DYNAMIC(CConstantBlockWizard4)
public:
    static constexpr UINT kPageTemplate = qv::timefunctions::kConstantTemplate;
    // "@AC_MAG_VAL" and "@AC_PHASE_VAL" are the constant block's to fill.
    static constexpr bool kValuePlaceholders = true;
    CConstantBlockWizard4() = default;
    explicit CConstantBlockWizard4(const CConstantBlockWizard4* other) : TSourceBlockWizard4(other) {}
    void GiveSettingsToPage(CPropConstantBlock& page) { page.SetSettings(&m_Snapshots, m_dwACUse != 0); }
};

// The step-function and random blocks: their wizards are declared after their page, so that
// every source-block wizard is known wherever this header is included.
#include "timefunctions/step_random_pages.h"
