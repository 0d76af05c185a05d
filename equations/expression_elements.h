// Initial-values element (wizard ID 80) and equation element (wizard ID 81): free expressions
// that set start values (80) or are evaluated at one point of the simulation step (81). Both
// keep one variable parameter per assigned variable, write their expression lists into the
// model text and convert expressions of the older form (name and value apart) into
// "name:=value". One page (dialog 2578) serves both through two variants.
//
// Parameters (value ID):
//
// | Value ID | Role                                                                           |
// |----------|--------------------------------------------------------------------------------|
// | 2132     | initial-value expressions (80); Type bit 0x2 marks the template                 |
// | 2751     | expressions "Before Analog Solver" (81); bit 0x2: the template of the group     |
// | 2752     | expressions "Before State Graph" (81); bit 0x2: the template of the group       |
// | 2753     | expressions "After State Graph" (81); bit 0x2: the template of the group        |
// | 2056     | variables the expressions define (output bit 0x8); bit 0x2: the template        |
//
// Archive (sheet version 4): WORD schema 0, DWORD show errors, DWORD convert flag, DWORD
// converted. Older data: DWORD, DWORD, DWORD n and n bytes not used, DWORD m and m bytes of
// page state (DWORD version, from version 8 DWORD show errors).
#pragma once

#include "equations/equation_block.h"
#include "framework/page_overrides.h"
#include "framework/page_wizard.h"
#include "framework/param_set_page.h"
#include "framework/sheet_serialize.h"

#include <memory>
#include <new>
#include <span>
#include <vector>

namespace qv::equations {
constexpr WORD kIdInitialValue = 2132;
constexpr WORD kIdBeforeAnalog = 2751;
constexpr WORD kIdBeforeStateGraph = 2752;
constexpr WORD kIdAfterStateGraph = 2753;
constexpr WORD kIdExpressionVariable = 2056;
constexpr UINT kExpressionPageTemplate = 2578;

// What tells the two page variants apart.
struct ExpressionVariant {
    std::span<const WORD> groups;   // expression value IDs; the first is the group of new rows
    std::span<const WORD> foreign;  // the other variant's expression value IDs
    std::span<const UINT> columns;  // column captions (string IDs)
    const char* profileKey;
    bool sequence;                  // column 1 chooses the group ("Calculation Sequence")
};
} // namespace qv::equations

class CPropInitialValuesEquation : public CExpressionListPage {
    DECLARE_SERIAL(CPropInitialValuesEquation)
public:
    CPropInitialValuesEquation();
    CPropInitialValuesEquation(CWizardBase4* wizard, DWORD_PTR cookie, const qv::equations::ExpressionVariant& variant);

    PARVEL_PAGE_OVERRIDES
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    // The page-family operations the variants shape.
    virtual void FillList();
    virtual void StoreList();
    virtual void SetupColumns();
    virtual void AdoptForeignParams();
    virtual void UpdateParamDescriptions();
    virtual void DeleteSelected();
    virtual void DeleteAll();

    void SetSettings(BOOL showErrors, BOOL convert);
    // A page used without being shown (conversions, refreshes) shows no message boxes.
    // The block of the older wizard generation (layout in the header above).
    void ConvertWizard3Data(const void* data, long length);

    // The check of one row (1: accepted or empty). output, onPin and object shape the
    // variables this call creates; a check that only checks passes 0, 0, 0.
    BOOL TestExpressions(int row, const CString& text, CString& errorText, BOOL output, BOOL onPin, CObject* object);

    CEditVarListCtrl& List() { return m_list; }
    int OutputColumn() const { return static_cast<int>(m_variant.columns.size()) - 1; }

    void OnNew();
    void OnDelete() { DeleteSelected(); }
    void OnDeleteAll() { DeleteAll(); }
    void OnMoveUp() { MoveRow(-1); }
    void OnMoveDown() { MoveRow(1); }

protected:
    int GroupOf(WORD valueID) const;
    // A parameter of the other variant joins `valueID` on the first group's template; without
    // that template it is deleted instead (false).
    bool AdoptForeignAs(CWizardCopaObject3* param, WORD valueID);
    int InfoColumn() const { return OutputColumn() - 1; }
    CString SequenceText(int group) const;
    CString InfoText(const CWizardCopaObject3* param) const;
    // A row for an expression parameter: its record, image 1, sequence, info and an empty
    // output cell.
    int AppendRow(CWizardCopaObject3* param, const CString& text, int group);
    int ExpressionOutputColumn() const override { return OutputColumn(); }
    // Makes the new-form parameter of an older expression and its row, checked at once;
    // true when the check passed.
    bool ConvertRow(CWizardCopaObject3* old, int group);
    BOOL CheckAllRows(bool show);
    void DeleteRow(int row);
    void MoveRow(int delta);
    void EnableRowButtons();

    LRESULT OnCellEdited(WPARAM wParam, LPARAM lParam);
    void OnListFocus(NMHDR* pNMHDR, LRESULT* pResult);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    void OnUpdateNeedsSelection(CCmdUI* pCmdUI);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    DECLARE_MESSAGE_MAP()

    qv::equations::ExpressionVariant m_variant{};
    // The template of each group, in the order of the variant's groups.
    CWizardCopaObject3* m_templates[3] = {};
    // Expression parameters of the other variant found in the set.
    std::vector<CWizardCopaObject3*> m_foreign;
    // Parameters adopted from the other variant whose rows have no record.
    std::vector<CWizardCopaObject3*> m_adopted;
    CEditVarListCtrl m_list;
};

// The page of the initial-values element: one group (2132); adopted equation expressions
// become rows without a record.
class CPropInitialValues : public CPropInitialValuesEquation {
public:
    CPropInitialValues(CWizardBase4* wizard, DWORD_PTR cookie);
    void AdoptForeignParams() override;
};

// The page of the equation element: three groups, chosen per row in the "Calculation
// Sequence" column; adopted initial values join the first group.
class CPropEquation : public CPropInitialValuesEquation {
public:
    CPropEquation(CWizardBase4* wizard, DWORD_PTR cookie);
    void AdoptForeignParams() override;
};

class CEquationWizardBase4 : public qv::wizards::TPageWizard4<CPropInitialValuesEquation, CEquationWizardBase4> {
    DECLARE_DYNAMIC(CEquationWizardBase4)
public:
    int GetWizardKind() override { return 3; }
    BOOL WantChangeNotification() override { return TRUE; }
    void NotifyChanged(int changeType, CWizardCopaObject3* param) override;
    BOOL Initialize(int argument) override;
    PARVEL_SHEET_SERIALIZE
    BOOL DoConvertWizard3Data(const void* data, long length) override;
    BOOL DoConversionFrom4x(void* data, long length) override;
    BOOL DoConversionFrom4x() override;

    void SetSettings(BOOL showErrors, BOOL convert) {
        m_bShowErrors = showErrors;
        m_bConvert = convert;
    }
    BOOL GetShowErrors() const { return m_bShowErrors; }
    BOOL GetConvertFlag() const { return m_bConvert; }
    BOOL GetConverted() const { return m_bConverted; }
    WORD GetSchema() const { return m_wSchema; }

    // A page of an earlier call gives its cookie back and goes; editing makes a new one of
    // the wizard's variant, with the wizard's settings.
    static constexpr bool kReplaceEarlierPage = true;
    CPropInitialValuesEquation* MakePage(DWORD_PTR cookie) { return NewPage(cookie); }
    void GiveSettingsToPage(CPropInitialValuesEquation& page) { page.SetSettings(m_bShowErrors, m_bConvert); }

protected:
    CEquationWizardBase4() = default;
    // The variant of the page this wizard edits on.
    virtual CPropInitialValuesEquation* NewPage(DWORD_PTR cookie) = 0;
    // The 4.x conversion: the template's value ID, the value IDs of the parameters it
    // collects, and the new OnSheetMode of an old one (the same when it stays).
    virtual WORD ConversionTemplate() const = 0;
    virtual bool CollectsFor4x(WORD valueID) const = 0;
    virtual char RemapOnSheetMode(char mode) const = 0;
    virtual std::span<const WORD> ExpressionIDs() const = 0;
    // Runs a page of its own, not shown, over the set of the cookie (the page on the editor's
    // sheet is never touched); with data, the page converts that older block.
    void RunHiddenPage(DWORD_PTR cookie, BOOL showErrors, BOOL convert, const void* data = nullptr, long length = 0,
                       bool convertBlock = false);
    // A clone starts from its source's base (the editor's links) and settings, without a page.
    CEquationWizardBase4(const CEquationWizardBase4& other)
        : TPageWizard4(&other),
          m_wSchema(other.m_wSchema),
          m_bShowErrors(other.m_bShowErrors),
          m_bConvert(other.m_bConvert),
          m_bConverted(other.m_bConverted) {}
    template <class Wizard> CWizardBase4* CloneAs() const {
        return new (std::nothrow) Wizard(static_cast<const Wizard&>(*this));
    }

    WORD m_wSchema = 0;
    BOOL m_bShowErrors = FALSE;
    BOOL m_bConvert = FALSE;
    BOOL m_bConverted = FALSE;
};

class CInitialValuesWizard4 : public CEquationWizardBase4 {
    DECLARE_DYNAMIC(CInitialValuesWizard4)
public:
    CInitialValuesWizard4() = default;
    CWizardBase4* Clone() override { return CloneAs<CInitialValuesWizard4>(); }
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    CPropInitialValues* GetPage() const { return static_cast<CPropInitialValues*>(m_pPage); }

protected:
    CPropInitialValuesEquation* NewPage(DWORD_PTR cookie) override;
    WORD ConversionTemplate() const override { return qv::equations::kIdInitialValue; }
    bool CollectsFor4x(WORD valueID) const override { return valueID == qv::equations::kIdInitialValue; }
    char RemapOnSheetMode(char mode) const override;
    std::span<const WORD> ExpressionIDs() const override;
};

class CEquationWizard4 : public CEquationWizardBase4 {
    DECLARE_DYNAMIC(CEquationWizard4)
public:
    CEquationWizard4() = default;
    CWizardBase4* Clone() override { return CloneAs<CEquationWizard4>(); }
    int WriteSimDescr(CFile* file, const CString& templ, CString& modelText) override;
    CPropEquation* GetPage() const { return static_cast<CPropEquation*>(m_pPage); }

protected:
    CPropInitialValuesEquation* NewPage(DWORD_PTR cookie) override;
    WORD ConversionTemplate() const override { return qv::equations::kIdBeforeAnalog; }
    bool CollectsFor4x(WORD valueID) const override {
        return valueID == qv::equations::kIdBeforeStateGraph || valueID == qv::equations::kIdAfterStateGraph;
    }
    char RemapOnSheetMode(char mode) const override;
    std::span<const WORD> ExpressionIDs() const override;
};
