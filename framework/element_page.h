// What the element pages of the newer wizard base keep alike: the wizard and the parameter
// set they are bound to, the element symbol's drawer and text, and the list of parameters the
// chosen form writes. A page derives from TElementPage<its wizard class> and adds only its
// own controls and rules.
#pragma once

#include "afx/afxwin.h"
#include "framework/module.h"
#include "framework/page_parts.h"
#include "framework/requests.h"
#include "framework/snapshot_lists.h"
#include "toolkit/tb_draw_symbol.h"
#include "toolkit/tb_page.h"

template <class Wizard>
class TElementPage : public CTBPropertyPage {
public:
    ParamHolder* GetParams() const { return m_pParams; }
    // Gives the page another wizard and parameter set (the caller has given the old cookie back).
    void Rebind(Wizard* wizard, ParamHolder* params) {
        m_pWizard = wizard;
        m_pParams = params;
    }
    // The same by the cookie of request 23, as the shared wizard templates hand it over.
    void Rebind(Wizard* wizard, DWORD_PTR cookie) { Rebind(wizard, HolderFromCookie(cookie)); }
    DWORD_PTR GetCookie() const { return reinterpret_cast<DWORD_PTR>(m_pParams); }
    const CPtrArray& GetSnapshots() const { return m_Snapshots; }

protected:
    explicit TElementPage(UINT templateID) : CTBPropertyPage(templateID) {}
    TElementPage(UINT templateID, Wizard* wizard, ParamHolder* params)
        : CTBPropertyPage(templateID), m_pWizard(wizard), m_pParams(params) {}
    ~TElementPage() override {
        qv::snapshots::DeleteSnapshots(m_Snapshots);
        delete m_pSymbol;
        m_pSymbol = nullptr;
    }

    // The dialog's own start, with the library's resources (its templates and strings).
    void InitDialogWithLibraryResources() {
        CResourceSwitch resources;
        CTBPropertyPage::OnInitDialog();
    }
    void EnableControl(int id, BOOL enable) { qv::pages::EnableDlgControl(*this, id, enable); }
    void ShowControl(int id, BOOL show) { qv::pages::ShowDlgControl(*this, id, show); }
    // The editor's description of the parameter with its unit, as a check box's caption.
    CString DescriptionWithUnit(WORD valueID) {
        return qv::pages::ParamDescriptionWithUnit(m_pWizard, m_pParams, valueID);
    }

    Wizard* m_pWizard = nullptr;
    ParamHolder* m_pParams = nullptr;  // the cookie of request 23
    CPtrArray m_Snapshots;             // CCopaObjectCompare*, owned, in writing order
    CTBDrawSymbol* m_pSymbol = nullptr;
    CString m_strSymbolText;
};

// The constructors every element page of the newer base declares: for the runtime-class
// factory (no wizard, no parameters, no layout information), on a wizard and a parameter set,
// and on the cookie of request 23, as the shared wizard templates make it.
#define PARVEL_ELEMENT_PAGE_CONSTRUCTORS(Page, Wizard)      \
    Page();                                                 \
    Page(Wizard* wizard, ParamHolder* params);              \
    Page(Wizard* wizard, DWORD_PTR cookie) : Page(wizard, HolderFromCookie(cookie)) {}
