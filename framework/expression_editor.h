// The expression editor: a dialog for longer expressions and conditional model texts. Its
// menu button appends an IF, ELSE IF or ELSE section of the library's template file to the
// expression; its palette button opens the modeless "Standard Mathematical Functions"
// palette, whose buttons insert a function call with its parentheses and argument places at
// the caret, or around the selected text. The library offers the dialog to callers; what OK
// does with the expression is theirs.
#pragma once

#include "afx/afxwin.h"
#include "toolkit/tb_dialog.h"
#include "toolkit/tb_edits.h"

class CWizardBase4;
class CDlgExpressionEditor;

// Message that closes the editor as Cancel does (answer 0).
constexpr UINT kCloseExpressionEditorMessage = WM_USER + 1006;

// One palette button: its control, the text it inserts and whether the function takes two
// arguments.
struct MathFunctionButton {
    int id;
    const char* name;
    bool twoPlaces;
};
inline constexpr MathFunctionButton kMathFunctionButtons[] = {
    {.id = 1170, .name = " SIN", .twoPlaces = false},   {.id = 1171, .name = " SQU", .twoPlaces = false},
    {.id = 1172, .name = " DEGEL", .twoPlaces = true},  {.id = 1173, .name = " COS", .twoPlaces = false},
    {.id = 1174, .name = " X^Y", .twoPlaces = false},   {.id = 1175, .name = " MOD", .twoPlaces = true},
    {.id = 1176, .name = " TAN", .twoPlaces = false},   {.id = 1177, .name = " SQRT", .twoPlaces = false},
    {.id = 1178, .name = " INT", .twoPlaces = false},   {.id = 1179, .name = " ASIN", .twoPlaces = false},
    {.id = 1180, .name = " ROOT", .twoPlaces = true},   {.id = 1181, .name = " FRAC", .twoPlaces = false},
    {.id = 1182, .name = " ACOS", .twoPlaces = false},  {.id = 1183, .name = " EXP", .twoPlaces = false},
    {.id = 1184, .name = " SGN", .twoPlaces = false},   {.id = 1185, .name = " ATAN", .twoPlaces = false},
    {.id = 1186, .name = " ABS", .twoPlaces = false},   {.id = 1188, .name = " SINH", .twoPlaces = false},
    {.id = 1189, .name = " LN", .twoPlaces = false},    {.id = 1190, .name = " RE", .twoPlaces = false},
    {.id = 1191, .name = " COSH", .twoPlaces = false},  {.id = 1192, .name = " LOG", .twoPlaces = true},
    {.id = 1193, .name = " IM", .twoPlaces = false},    {.id = 1194, .name = " TANH", .twoPlaces = false},
    {.id = 1195, .name = " INTEG", .twoPlaces = false}, {.id = 1196, .name = " ARG", .twoPlaces = false},
    {.id = 1197, .name = " DEG", .twoPlaces = false},   {.id = 1199, .name = " ATAN2", .twoPlaces = true},
    {.id = 1200, .name = " RAD", .twoPlaces = false},   {.id = 1202, .name = " LOOKUP", .twoPlaces = true},
};

// The palette of mathematical functions, opened modeless by its editor.
class CDlgMathFunctions : public CTBDialog {
public:
    enum { IDD = 161 };

    explicit CDlgMathFunctions(CDlgExpressionEditor* owner);
    ~CDlgMathFunctions() override;

    // Makes the window from template 161, with the editor as parent.
    BOOL CreateModeless();
    CDlgExpressionEditor* GetOwnerEditor() const { return m_pOwner; }

protected:
    void OnFunctionButton(UINT id);
    // Closing the palette destroys only its window; the editor keeps the object.
    void OnCancel() override;
    void OnOK() override;

    CDlgExpressionEditor* m_pOwner;

    DECLARE_MESSAGE_MAP()
};

class CDlgExpressionEditor : public CTBDialog {
public:
    enum { IDD = 2606 };

    CDlgExpressionEditor();
    explicit CDlgExpressionEditor(CWizardBase4* wizard);
    ~CDlgExpressionEditor() override;
    CDlgExpressionEditor(const CDlgExpressionEditor&) = delete;
    CDlgExpressionEditor& operator=(const CDlgExpressionEditor&) = delete;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    // Inserts name + " ( " + (selection) + (" , " with two places) + " ) " at the caret, or
    // around the selected text; then gives the edit its selection back.
    void InsertFunction(const char* name, BOOL twoPlaces);

    const CString& GetExpression() const { return m_strExpression; }
    void SetExpression(const CString& text) { m_strExpression = text; }
    const CString& GetErrorText() const { return m_strErrorText; }
    void SetErrorText(const CString& text) { m_strErrorText = text; }
    CDlgMathFunctions* GetPalette() const { return m_pMathFunctions; }
    CWizardBase4* GetWizard() const { return m_pWizard; }

protected:
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnConditionMenu();
    void OnSectionIf();
    void OnSectionElseIf();
    void OnSectionElse();
    void OnUpdateSection(CCmdUI* pCmdUI);
    void OnPalette();
    void OnSetFocusExpression();
    void OnHelpButton();
    LRESULT OnCloseRequest(WPARAM wParam, LPARAM lParam);

    void AppendSection(const char* key);
    void InsertAtCaret(const CString& inserted);
    void RestoreSelection();

    CDlgMathFunctions* m_pMathFunctions = nullptr;
    CWizardBase4* m_pWizard = nullptr;
    CTBOwnEdit m_editExpression;
    CString m_strErrorText;
    CString m_strExpression;

    DECLARE_MESSAGE_MAP()
};
