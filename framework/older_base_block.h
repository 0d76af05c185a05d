// What every block wizard of the older base shares: the block-page frame (owning wizard,
// data-exchange object, element name, symbol, "Use Pin" boxes, output switches, commit with
// request code 0), the wizard template such blocks are made from, and the sample-time list
// the block pages show. The linear, mathematical, time-function, measurement and equation
// blocks are built on it.
#pragma once

#include "afx/afxwin.h"
#include "framework/dialog_controls.h"
#include "framework/module.h"
#include "framework/page_steps.h"
#include "framework/page_wizard.h"
#include "framework/param_access.h"
#include "framework/param_set_page.h"
#include "framework/shown_unit.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <initializer_list>
#include <span>

namespace qv::blocks {
constexpr WORD kIdSampleTime = 2183;
constexpr WORD kIdSampleTimeField = 2202;
constexpr WORD kIdInputSignal = 2186;
constexpr WORD kIdBlockOutput = 2056;

// Controls of the block-page frame that carry no parameter.
using qv::dialog::kCtlName;
using qv::dialog::kCtlShowName;
using qv::dialog::kCtlSymbolFrame;
constexpr int kCtlUnit = 2400;
constexpr int kCtlInputPin = 2073;
constexpr int kCtlSampleTimePin = 2074;

// How a page shows a stored sample time in its list ("System", "1m", added entries).
enum class SampleTimeRule {
    // Block pages: "0" shows "System"; a number (the whole text) worth exactly 0.001 shows
    // "1m"; every other text (also "0.0", "1m/2") is added to the list as typed.
    Block,
    // Transfer-function pages: "0" and "0.0" show "System"; every other text is added.
    // On both, "System" in any case shows the entry "System".
    TransferFunction,
};
// Selects or adds the entry for the stored value.
void ShowSampleTime(CComboBox& combo, const CString& value, SampleTimeRule rule);
// A sample-time parameter shown on a page: the "Use Pin" flag is set when the parameter is on
// a pin, the list shows its value and the unit list its quantity's units, the used one chosen.
void ShowSampleTimeParam(CWizardCopaObject3* param, CComboBox& list, CTBUnitComboBox& unitList, BOOL& pinned,
                         SampleTimeRule rule = SampleTimeRule::Block);
// A typed entry label (any case) selects that entry; any other text the user typed becomes an
// entry (and is selected) unless it is empty or the beginning of an entry (any case).
void TakeOverTypedSampleTime(CComboBox& combo);
// What is stored for the list's state: "System", chosen or typed in any case, stores "0";
// another entry its label, anything else its text.
CString StoredSampleTime(const CComboBox& combo);
// What is stored for the list's state where its second entry is a millisecond: "System" stores
// "0", the second entry "1m", anything else its text.
CString StoredSampleTimeWithMilli(const CComboBox& list);
// Writes that into the sample-time parameter, which takes the unit shown in `unitList`.
void WriteListSampleTime(CWizardCopaObject3* param, const CComboBox& list, const CWnd& unitList);
// Writes `value` into the sample-time parameter, which takes the unit shown in `unitList`.
void WriteSampleTime(CWizardCopaObject3* param, const CString& value, const CWnd& unitList);
using qv::pages::ShowUnitsOf;
// A text of a page and the parameter it is written to.
struct TextOf {
    const CString* text;
    WORD valueID;
};
// Writes each text into the page's input parameters (qv::pages::IsLiveInput) of its value ID;
// the sample time (list or field) also takes the unit shown in `unitList`.
void WritePageTexts(ParamHolder* params, std::initializer_list<TextOf> texts, const CWnd* unitList = nullptr);

} // namespace qv::blocks

// What every older-base block page shares: the owning wizard, the data-exchange object, the
// element symbol, painting and the commit with request code 0.
class COlderBaseBlockPage : public CTBPropertyPage {
public:
    explicit COlderBaseBlockPage(UINT templateID);
    // A page for the editor's sheet; `layout` holds the layout flags of the dialog's own controls
    // (the element frame's are registered before them).
    COlderBaseBlockPage(UINT templateID, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange,
                        std::span<const qv::pages::ControlLayout> layout);
    ~COlderBaseBlockPage() override;

    // The dialog's name and "Show Name" into and out of m_strName and m_bShowName; a page
    // exchanges its own controls after calling this.
    void DoDataExchange(CDataExchange* pDX) override;

    CWizardBase3* GetWizard() const { return m_pWizard; }
    CWizardSchematicDataExchange3* GetExchange() const { return m_pExchange; }
    const CString& GetSymbolText() const { return m_strSymbolText; }

protected:
    // The toolkit's initialisation with the library's resources, then name, "Show Name",
    // symbol text and symbol drawer.
    void InitHeader(CString& name, BOOL& showName);
    // Name and "Show Name" into the exchange object.
    void StoreHeader(const CString& name, BOOL showName);
    // Sends the exchange object with request code 0; TRUE when the editor accepted it.
    BOOL CommitExchangeObject();
    // A "Use Pin" box was clicked (or is brought into line): its fields follow it and the
    // parameter's pin bit takes it at once.
    void ApplyPinBox(BOOL pinned, std::initializer_list<int> fields, WORD valueID);
    // A "Use Pin" box of a parameter whose field has the parameter's ID was clicked: the
    // dialog's state is taken over and the box applied.
    void ClickPinBox(BOOL& pinned, WORD valueID);
    using SwitchOf = qv::pages::SwitchOf;
    // What a block page does when it shows: its output switches and "Use Pin" boxes take the
    // element's state, then every box is brought into line (as if clicked); the page is not
    // modified by that.
    void ShowSwitchesAndPins(std::initializer_list<SwitchOf> outputs, std::initializer_list<SwitchOf> pins);
    // The start of OnApply: FALSE without a data-exchange object (nothing to write into);
    // otherwise the dialog's state is taken over and name and "Show Name" are stored.
    bool BeginApply(const CString& name, const BOOL& showName);
    // Calls `write(param)` for every parameter the page reads and writes (qv::pages::IsLiveInput).
    template <class Write>
    void ForEachPageInput(Write write) {
        const int count = m_pExchange != nullptr ? m_pExchange->GetParamCount() : 0;
        for (int i = 0; i < count; ++i) {
            CWizardCopaObject3* param = m_pExchange->GetParam(i);
            if (qv::pages::IsLiveInput(param)) write(param);
        }
    }
    using TextOf = qv::blocks::TextOf;
    // Writes each text into the page's input parameter (qv::pages::IsLiveInput) with its value ID; the
    // sample time (list or field) also takes the unit shown in `unitList`.
    void WritePageTexts(std::initializer_list<TextOf> texts, const CWnd* unitList = nullptr);
    // The end of OnApply: the exchange object is committed; FALSE when a value field is blank
    // (qv::pages::RefuseBlankValueField) or the editor refused it.
    BOOL EndApply();
    // An output switch was clicked: the new state is the opposite of the one shown before,
    // switched in the element at once and shown as ticked or clear only.
    void ToggleOutputSwitch(BOOL& flag, int controlID, WORD valueID);
    // The caption of an output switch followed by the unit of its parameter.
    void AppendOutputUnit(int controlID, WORD valueID);
    void OnMarkModified();
    void OnPaint();
    // The sample-time list of a page that shows one (m_cmbSampleTime): a typed text becomes an
    // entry when the list drops down or loses the focus; a choice marks the page modified.
    void OnSampleTimeTyped();
    void OnSampleTimeChosen();
    DECLARE_MESSAGE_MAP()

    CComboBox m_cmbSampleTime;
    CString m_strName;
    BOOL m_bShowName = FALSE;

    CWizardBase3* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
};

// An older-base block page with a signal input: the input's text and "Use Pin" box, exchanged
// with the dialog and kept in line with the parameter when the box is clicked, and the state of
// the block-output switch for pages that show one. Edits of the name or the input mark the page
// modified.
class COlderBaseInputBlockPage : public COlderBaseBlockPage {
public:
    using COlderBaseBlockPage::COlderBaseBlockPage;

    // The frame's controls, then the input text and its "Use Pin" box.
    void DoDataExchange(CDataExchange* pDX) override;

protected:
    // The input signal's parameter read into the page: its text, and the "Use Pin" box ticked
    // when it is on a pin.
    void TakeInputParam(const CWizardCopaObject3* param);
    // The end of reading the parameters: the dialog filled, the block-output switch in the
    // element's state and its caption followed by the output's unit.
    void ShowBlockOutput();
    void OnInputPin();
    // The block-output switch was clicked.
    void OnOutput();
    DECLARE_MESSAGE_MAP()

    CString m_strInput;
    BOOL m_bInputPin = FALSE;
    BOOL m_bOutput = FALSE;
};

// The wizard of an older-base block: it keeps no block data, puts its page (made with the
// wizard and the data-exchange object) on the editor's sheet for mode 1 and deletes it again
// when the editing ends. Self is the concrete wizard class (for Clone).
template <class Page, class Self>
class TOlderBaseBlockWizard : public qv::wizards::TPageWizard3<Page, Self> {
public:
    TOlderBaseBlockWizard() = default;
    explicit TOlderBaseBlockWizard(const Self* other) : qv::wizards::TPageWizard3<Page, Self>(other) {}
};

// The message-map entries of a block page's sample-time list (kIdSampleTime) for a page with
// the handlers OnSampleTimeTyped (the list drops down or loses the focus) and
// OnSampleTimeChosen (an entry is chosen).
#define ON_SAMPLE_TIME_LIST()                                                         \
    ON_CBN_DROPDOWN(qv::blocks::kIdSampleTime, &ThisClass::OnSampleTimeTyped)       \
    ON_CBN_KILLFOCUS(qv::blocks::kIdSampleTime, &ThisClass::OnSampleTimeTyped)      \
    ON_CBN_SELCHANGE(qv::blocks::kIdSampleTime, &ThisClass::OnSampleTimeChosen)

// Declares the wizard `Wizard` of an older-base block whose page is `Page` and that adds nothing
// to the template but a runtime class of its own, by which the factories' callers tell which
// element a wizard serves.
#define PARVEL_OLDER_BASE_BLOCK_WIZARD(Wizard, Page)           \
    class Wizard : public TOlderBaseBlockWizard<Page, Wizard> { \
        DECLARE_DYNAMIC(Wizard)                                 \
    public:                                                     \
        using TOlderBaseBlockWizard::TOlderBaseBlockWizard;     \
    };
