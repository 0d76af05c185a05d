// What every transformer page shares: value fields with their unit selectors, turns ratios
// with a "Use Pin" box each, the default-output check boxes (one output per box, or a group
// of three phase outputs per box), the element name, the symbol in frame 2020, and the steps
// that load, enable and write them. A page describes its controls in a TransformerPageShape;
// the steps walk that description, so each page says only what it does differently.
//
// The page edits the parameter set it was given (the data-exchange object of an older-base
// wizard, or the cookie of a newer-base wizard); how it commits is the page's own business.
#pragma once

#include "afx/afxwin.h"
#include "framework/page_parts.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_unit_combo.h"
#include "wizard/wizardbase.h"

#include <memory>
#include <span>
#include <vector>

namespace qv::passive {

// A value field (its control ID is its parameter's value ID) and its unit selector.
struct TransformerField {
    WORD id;
    WORD selector;
};

// A turns ratio: its edit (= value ID) and its "Use Pin" box.
struct TransformerRatio {
    WORD edit;
    WORD usePin;
};

// A default-output check box and the value IDs of the outputs it switches: one for a box of
// its own (then the check's ID), three for a group of phase outputs (the rest are zero).
struct TransformerOutput {
    WORD check;
    WORD ids[3];
};

// Layout code of a control for the toolkit.
struct TransformerLayoutCode {
    WORD id;
    WORD code;
};

struct TransformerPageShape {
    UINT templateId;
    std::span<const TransformerField> fields;
    std::span<const TransformerRatio> ratios;
    std::span<const TransformerOutput> outputs;
    bool groupOutputs;  // three-state group boxes instead of two-state boxes of one output
    std::span<const TransformerLayoutCode> layout;
};

// Controls every transformer page has.
constexpr int kTrafoCtlName = 2001;
constexpr int kTrafoCtlShowName = 2002;
constexpr int kTrafoCtlSymbolFrame = 2020;
constexpr int kTrafoCtlPicture = 2331;

// Value IDs of the shunt branch: its presence decides the variant of the one-side pages.
constexpr WORD kIdMainInductance = 2480;
constexpr WORD kIdIronLossResistance = 2112;

// Group state of a three-state box: all on, none on, some on.
constexpr int kGroupAllOn = BST_CHECKED;
constexpr int kGroupNoneOn = BST_UNCHECKED;
constexpr int kGroupSomeOn = BST_INDETERMINATE;

} // namespace qv::passive

class CPropPassiveTransformerBase : public CTBPropertyPage {
    DECLARE_DYNAMIC(CPropPassiveTransformerBase)
public:
    ~CPropPassiveTransformerBase() override;

    void DoDataExchange(CDataExchange* pDX) override;

    ParamHolder* GetParams() const { return m_pParams; }
    DWORD_PTR GetCookie() const { return reinterpret_cast<DWORD_PTR>(m_pParams); }
    const qv::passive::TransformerPageShape& Shape() const { return m_shape; }
    // The shown texts and flags, by value ID (empty / FALSE for an ID the page does not have).
    CString FieldText(WORD id) const;
    BOOL RatioUsesPin(WORD editId) const;

protected:
    // No owner and no parameters; no layout codes registered (the runtime-class factory).
    explicit CPropPassiveTransformerBase(const qv::passive::TransformerPageShape& shape);
    // With owner and parameter set; registers the layout codes of the shape.
    CPropPassiveTransformerBase(const qv::passive::TransformerPageShape& shape, CWizardBaseCommon* owner,
                                ParamHolder* params);

    // --- steps of OnInitDialog
    // The base dialog set-up with the library's resources; name, show-name flag and symbol
    // text from the parameter set; the symbol drawer; flat look off; UpdateData(FALSE).
    void InitNameAndSymbol();
    // Fields take their parameters' values, selectors the units of the quantities and the
    // used units, ratios their values and pin flags (bit 31 of Type). Sets the shunt-branch
    // flag when 2480 or 2112 is present.
    void LoadParameters();
    // Enables the ratio's edit unless it is on a pin and hands the flag to the parameter;
    // with readControls the flags are read from the controls first (UpdateData(TRUE)).
    void ApplyRatioPin(size_t row, bool readControls = true);
    // Each field enabled iff its parameter is not on a pin.
    void EnableFieldsByPin();
    // Two-state boxes: flags from the outputs, shown. Group boxes: states of the groups shown.
    void ShowOutputStates();
    // The pin flags of the ratios from their parameters (those that exist).
    void ReadRatioPins();
    // Caption of a box: text + " [unit]" of the parameter with the value ID, when the unit is
    // not empty.
    void SetOutputCaption(WORD check, CString text, WORD unitOf);
    // The description of the parameter with that ID, with its unit.
    CString DescriptionWithUnit(WORD valueID);
    void HideControls(std::initializer_list<int> ids);
    // The last steps of OnInitDialog on the pages of the data-exchange generation: controls
    // read, the first ratio row applied, output states shown, each output box captioned by
    // `caption(output)`, the page unmodified and the fields enabled by pin. Returns TRUE.
    template <class Caption>
    BOOL FinishInitDialog(Caption caption) {
        UpdateData(TRUE);
        ApplyRatioPin(0, false);
        ShowOutputStates();
        for (const qv::passive::TransformerOutput& output : m_shape.outputs) caption(output);
        SetModified(FALSE);
        EnableFieldsByPin();
        return TRUE;
    }
    // FinishInitDialog with every box captioned by its parameter's description and unit.
    BOOL FinishInitWithUnitCaptions() {
        return FinishInitDialog([this](const qv::passive::TransformerOutput& output) {
            SetDlgItemText(output.check, DescriptionWithUnit(output.check));
        });
    }

    // --- steps of OnApply
    // Element name and show-name flag into the parameter set.
    void WriteNameAndFlag();
    // Every field of an input parameter: value and the used unit of its selector; every
    // ratio of an input parameter that is not on a pin: value. Other parameters stay.
    void WriteValues();

    // --- steps the pages of the data-exchange generation share
    // Activation: outputs and ratio pins read again and shown, the first `ratioRows` ratio
    // rows applied twice (the second pass sees the state the first one left), fields enabled
    // by pin. The caller then returns the base's OnSetActive.
    void RefreshOnActivate(size_t ratioRows);
    // Apply with a single request 0 after the values; FALSE without a data-exchange object
    // (nothing is written) or when the editor refuses.
    BOOL ApplyWithOneCommit(CWizardBase3* wizard, CWizardSchematicDataExchange3* exchange);

    // The group state of an output box from its outputs (absent parameters count as off).
    int GroupState(const qv::passive::TransformerOutput& output);

    // --- handlers shared by every page
    void OnEditChanged(UINT id);
    void OnSelectorChanged(UINT id);
    void OnButtonClicked(UINT id);
    void OnPaint();
    // Buttons the shape does not describe (a page's own buttons); the default marks the page
    // modified after reading the controls.
    virtual void OnOtherButton(UINT id);
    // A unit change on the three-phase pages shows the page's data again instead of reading it.
    bool m_bSelectorShowsData = false;
    DECLARE_MESSAGE_MAP()

    // Index of the entry with that control ID, or -1.
    int FieldIndex(WORD id) const;
    int RatioIndexOfPin(WORD usePin) const;
    int OutputIndex(WORD check) const;

    qv::passive::TransformerPageShape m_shape;
    CWizardBaseCommon* m_pOwner = nullptr;
    ParamHolder* m_pParams = nullptr;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
    DWORD m_dwShuntBranch = 0;
    BOOL m_bShowName = FALSE;
    CString m_strName;
    std::vector<CString> m_fieldTexts;                        // by field row
    std::vector<std::unique_ptr<CTBUnitComboBox>> m_selectors;  // by field row
    std::vector<CString> m_ratioTexts;                        // by ratio row
    std::vector<int> m_ratioPins;                             // by ratio row
    std::vector<int> m_outputFlags;                           // by output row (two-state boxes)
    std::vector<std::unique_ptr<CButton>> m_outputButtons;    // by output row (group boxes)
};
