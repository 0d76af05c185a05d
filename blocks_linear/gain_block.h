// Block wizards of the older base and the gain block (wizard ID 32): the wizard template every
// older-base block wizard is made from, the page behaviour such blocks share (name, symbol,
// sample-time list, "Use Pin" boxes, output switch, commit of the data-exchange object), and
// the gain page (dialog 2539) with the parameters it addresses.
//
// Parameters of the gain block (value ID = dialog control; only input parameters, Type bit
// 0x04, are shown and written; a value ID found twice is read twice and the last one wins):
//
// | Value ID | Role                          | Pin box |
// |----------|-------------------------------|---------|
// | 2181     | gain (number, variable, expression) | 2071 |
// | 2183     | sample time, used unit in 2400 | 2074   |
// | 2186     | input signal                  | 2073    |
// | 2056     | block output ("SDB" entry; its unit ends the caption) | - |
#pragma once

#include "afx/afxwin.h"
#include "framework/module.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <new>

namespace qv::blocks {
constexpr WORD kIdGain = 2181;
constexpr WORD kIdSampleTime = 2183;
constexpr WORD kIdSampleTimeField = 2202;
constexpr WORD kIdInputSignal = 2186;
constexpr WORD kIdBlockOutput = 2056;
constexpr UINT kGainTemplate = 2539;

// Controls of the block-page frame that carry no parameter.
constexpr int kCtlName = 2001;
constexpr int kCtlShowName = 2002;
constexpr int kCtlSymbolFrame = 2020;
constexpr int kCtlUnit = 2400;
constexpr int kCtlGainPin = 2071;
constexpr int kCtlInputPin = 2073;
constexpr int kCtlSampleTimePin = 2074;

// How a page shows a stored sample time in its list ("System", "1m", added entries).
enum class SampleTimeRule {
    // Block pages: "0" shows "System"; a value worth exactly 0.001 shows "1m"; every other
    // text (also "0.0") is added to the list as typed.
    Block,
    // Transfer-function pages: "0" and "0.0" show "System"; every other text is added.
    TransferFunction,
};
// Selects or adds the entry for the stored value.
void ShowSampleTime(CComboBox& combo, const CString& value, SampleTimeRule rule);
// The text the user typed becomes an entry (and is selected) unless it is empty or the
// beginning of an entry (any case).
void TakeOverTypedSampleTime(CComboBox& combo);
// What is stored for the list's state: "System" stores "0", anything else its text.
CString StoredSampleTime(const CComboBox& combo);

// A parameter the page reads and writes: live, with the input bit.
bool IsPageInput(const CWizardCopaObject3* param);
} // namespace qv::blocks

// What every older-base block page shares: the owning wizard, the data-exchange object, the
// element symbol, painting and the commit with request code 0.
class COlderBaseBlockPage : public CTBPropertyPage {
public:
    explicit COlderBaseBlockPage(UINT templateID);
    COlderBaseBlockPage(UINT templateID, CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);
    ~COlderBaseBlockPage() override;

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
    // An output switch was clicked: the new state is the opposite of the one shown before,
    // switched in the element at once and shown as ticked or clear only.
    void ToggleOutputSwitch(BOOL& flag, int controlID, WORD valueID);
    // The caption of an output switch followed by the unit of its parameter.
    void AppendOutputUnit(int controlID, WORD valueID);
    void OnMarkModified();
    void OnPaint();
    DECLARE_MESSAGE_MAP()

    CWizardBase3* m_pWizard = nullptr;
    CWizardSchematicDataExchange3* m_pExchange = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
};

class CPropGainBlock : public COlderBaseBlockPage {
    DECLARE_DYNCREATE(CPropGainBlock)
public:
    CPropGainBlock();
    CPropGainBlock(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    BOOL OnSetActive() override;

protected:
    void OnGainPin();
    void OnInputPin();
    void OnSampleTimePin();
    void OnOutput();
    void OnSampleTimeTyped();
    void OnSampleTimeChosen();
    DECLARE_MESSAGE_MAP()

    CTBUnitComboBox m_cmbUnit;
    CComboBox m_cmbSampleTime;
    BOOL m_bGainPin = FALSE;
    BOOL m_bInputPin = FALSE;
    CString m_strGain;
    CString m_strInput;
    CString m_strName;
    BOOL m_bShowName = FALSE;
    BOOL m_bSampleTimePin = FALSE;
    BOOL m_bOutput = FALSE;
};

// The wizard of an older-base block: it keeps no block data, puts its page (made with the
// wizard and the data-exchange object) on the editor's sheet for mode 1 and deletes it again
// when the editing ends. Self is the concrete wizard class (for Clone).
template <class Page, class Self>
class TOlderBaseBlockWizard : public CWizardBase3 {
public:
    TOlderBaseBlockWizard() = default;
    explicit TOlderBaseBlockWizard(const Self* other) : CWizardBase3(other) {}
    ~TOlderBaseBlockWizard() override { DeletePage(); }

    int GetWizardKind() override { return 3; }

    BOOL DoEditProperties(CPropertySheet& sheet, CWizardSchematicDataExchange3* exchange, UINT mode) override {
        if (mode != 1) return CWizardBase3::DoEditProperties(sheet, exchange, mode);
        CResourceSwitch resources;
        // A page left from an earlier editing that was never ended goes first.
        DeletePage();
        m_pPage = new (std::nothrow) Page(this, exchange);
        if (m_pPage == nullptr) return FALSE;
        sheet.AddPage(m_pPage);
        return TRUE;
    }

    // Deletes the page, then the base's objects; a second call finds nothing left to delete.
    void EndEditProperties() override {
        DeletePage();
        DeleteOwnedObjects();
    }

    // A copy of the base data that never shares the page.
    CWizardBase3* Clone() override { return new (std::nothrow) Self(static_cast<const Self*>(this)); }

    Page* GetPage() const { return m_pPage; }

private:
    void DeletePage() {
        delete m_pPage;
        m_pPage = nullptr;
    }
    Page* m_pPage = nullptr;
};

class CGainBlockWizard : public TOlderBaseBlockWizard<CPropGainBlock, CGainBlockWizard> {
    DECLARE_DYNAMIC(CGainBlockWizard)
public:
    CGainBlockWizard() = default;
    explicit CGainBlockWizard(const CGainBlockWizard* other) : TOlderBaseBlockWizard(other) {}
};
