// What the pages of newer-base wizards share: the owning wizard, the cookie of the parameter
// set the page works on (request 23), the hidden mark of a page used for work the sheet must
// not see (it shows no message boxes), and the element symbol with its painting.
#pragma once

#include "afx/afxwin.h"
#include "framework/requests.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "wizard/wizardbase.h"

#include <initializer_list>

namespace qv::pages {
// A "Use Pin" box of `page` was clicked: the dialog's state is taken over, the parameter's
// field (the control with its value ID, or `fieldID` where that is another) follows the box
// and the parameter takes it at once.
void ClickPinBox(CPropertyPage& page, ParamHolder* params, const BOOL& pinned, WORD valueID, int fieldID = 0);
// An output switch or a "Use Pin" box, the parameter it stands for and, for a box whose field
// is not the control with the parameter's ID, that field.
struct SwitchOf {
    BOOL* state;
    WORD valueID;
    int fieldID = 0;
};
// What a page does when it shows: its output switches and "Use Pin" boxes take the element's
// state, then every box is brought into line (as if clicked); the page is not modified by that.
void ShowSwitchesAndPins(CPropertyPage& page, ParamHolder* params, std::initializer_list<SwitchOf> outputs,
                         std::initializer_list<SwitchOf> pins);
// An output switch was clicked: it flips, is switched in the element at once and is shown
// ticked or clear.
void FlipOutputSwitch(CWnd& page, ParamHolder* params, BOOL& flag, WORD valueID);
// The same on a page that first takes over the dialog's state and counts as changed: the
// switch flips from what the page showed before the click, whatever the box did itself.
// `controlID` is the box, where it is not the parameter's own control (0).
void ReadAndFlipOutputSwitch(CPropertyPage& page, ParamHolder* params, BOOL& flag, WORD valueID, int controlID = 0);
} // namespace qv::pages

class CParamSetPage : public CTBPropertyPage {
public:
    explicit CParamSetPage(UINT templateID);
    CParamSetPage(UINT templateID, CWizardBase4* wizard, DWORD_PTR cookie);
    ~CParamSetPage() override;

    // The page takes the set of a new request 23 (the caller gave the old cookie back).
    void Rebind(CWizardBase4* wizard, DWORD_PTR cookie);
    DWORD_PTR GetCookie() const { return m_cookie; }
    void SetHidden(bool hidden) { m_bHidden = hidden; }
    ParamHolder* Holder() const { return HolderFromCookie(m_cookie); }

protected:
    // A message box with the text, unless the page is hidden.
    void ShowMessage(const CString& text);
    // Element name, "Show Name" and symbol text from the parameter set (nothing without one).
    void ReadHeader(CString& name, BOOL& showName);
    // Paints the element symbol into the symbol frame (control 2020).
    void OnPaint();
    // The next member of an indexed family, made from the family's template `templ` with the
    // index and named `family[index]`, appended to the set. None without a template, or for an
    // index the family cannot hold, which a message refuses.
    CWizardCopaObject3* AppendNamedMember(const CWizardCopaObject3* templ, int index, const char* family);
    // A member's name typed into a cell of `list`: a name without an index in brackets, with
    // one the family cannot hold, with another name before the bracket than the family's, or
    // with text after the bracket, names no member (the model text would leave the member
    // out, and new members would copy it), and a member the element always has (not
    // deletable) keeps its name; so a message refuses such a name and the cell shows the
    // name of `member` again. True when the typed name stands.
    bool KeepsMemberIndex(CTBEditListCtrl& list, int row, int column, const CWizardCopaObject3* member);
    // The end of OnApply: the set is committed and the page is no longer modified. FALSE when
    // a value field is blank (qv::pages::RefuseBlankValueField), when the editor refused the
    // set, or when members of the family `familyID` (0: none checked)
    // share an index, which a message names.
    BOOL CommitAndEndApply(WORD familyID = 0);

    CWizardBase4* m_pWizard = nullptr;
    DWORD_PTR m_cookie = 0;
    bool m_bHidden = false;
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
};
