// The steps that every wizard with one page of parameters takes alike, written once as class
// templates between the wizard's base and the wizard itself:
//
// - TPageWizard4 (CWizardBase4 and bases made from it): the page works on a parameter set of
//   request 23 (a cookie). DoEditProperties fetches the set, binds the page to it (a page of
//   an earlier call gives its old cookie back first), hands the page the wizard's settings and
//   puts it on the sheet; EndEditProperties gives the page's cookie back and deletes it; Clone
//   copies the wizard through its copy constructor; hidden work (Initialize, conversions) runs
//   on a page of the wizard's own, never on the one on the editor's sheet.
// - TPageWizard3 (CWizardBase3): the page works on the editor's data-exchange object; the
//   wizard is of kind 3.
//
// Both only override the base's virtual operations, so the wizard keeps the base's slot order.
// What differs per wizard is named on the wizard class itself (found through `Self`); the
// template's defaults apply where the wizard names nothing:
//
//   Page* MakePage(DWORD_PTR cookie);         // a new page (default: new Page(this, cookie))
//   void PrepareEditing();                    // after the set is fetched, before the page binds
//                                             // (older base: before the page is made)
//   void GiveSettingsToPage(Page& page);      // the wizard's own settings to a bound page
//   static constexpr bool kReplaceEarlierPage // true: a page of an earlier call is deleted and
//                                             // made anew instead of rebound (default false)
//   static constexpr UINT kPageTemplate;      // the page's dialog (for hidden work)
#pragma once

#include "afx/afxwin.h"
#include "framework/module.h"
#include "framework/requests.h"
#include "wizard/wizardbase.h"

#include <memory>
#include <new>
#include <type_traits>

namespace qv::wizards {

// A page made for hidden work: its window is created hidden from the dialog template, so that
// its OnInitDialog runs as on the sheet, and destroyed again when the work is done.
template <class Page>
class THiddenPage {
public:
    explicit THiddenPage(Page* made) : m_page(made) {}
    THiddenPage(THiddenPage&&) noexcept = default;
    THiddenPage& operator=(THiddenPage&&) = delete;
    ~THiddenPage() {
        if (m_page != nullptr && m_page->GetSafeHwnd() != nullptr) m_page->DestroyWindow();
    }
    // Creates the hidden window; false when there is no page or no window could be made.
    bool Open(UINT templateID) {
        if (m_page == nullptr) return false;
        {
            CResourceSwitch resources;
            if (!m_page->Create(templateID, nullptr)) return false;
        }
        m_page->ShowWindow(SW_HIDE);
        return true;
    }
    Page* operator->() const { return m_page.get(); }
    Page& operator*() const { return *m_page; }
    explicit operator bool() const { return m_page != nullptr; }

private:
    std::unique_ptr<Page> m_page;
};

template <class Page, class Self, class Base = CWizardBase4>
class TPageWizard4 : public Base {
public:
    TPageWizard4() = default;
    // The copy Clone makes: the base from the source, no page.
    explicit TPageWizard4(const Self* other) : Base(other) {}
    TPageWizard4(const TPageWizard4&) = delete;
    TPageWizard4& operator=(const TPageWizard4&) = delete;
    ~TPageWizard4() override {
        delete m_pPage;
        m_pPage = nullptr;
    }

    // Mode 1 puts the page on the sheet, bound to a fresh parameter set; every other mode is
    // the base's.
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override {
        if (mode != 1) return Base::DoEditProperties(sheet, mode);
        CResourceSwitch resources;
        const RequestTarget target(this);
        const DWORD_PTR cookie = FetchParamSet(target);
        Self& self = Wizard();
        self.PrepareEditing();
        if (m_pPage != nullptr) {
            // The page's old cookie goes back before it takes the new one.
            ReleaseParamSet(target, m_pPage->GetCookie());
            if constexpr (Self::kReplaceEarlierPage) {
                delete m_pPage;
                m_pPage = self.MakePage(cookie);
            } else {
                m_pPage->Rebind(&self, cookie);
            }
        } else {
            m_pPage = self.MakePage(cookie);
        }
        if (m_pPage == nullptr) {
            ReleaseParamSet(target, cookie);
            return FALSE;
        }
        self.GiveSettingsToPage(*m_pPage);
        sheet.AddPage(m_pPage);
        return TRUE;
    }

    // The page gives its cookie back and goes, then the base ends its editing.
    void EndEditProperties() override {
        ReleasePage();
        Base::EndEditProperties();
    }

    // A copy made by the wizard's copy constructor (what it copies beside the base is its own).
    // An abstract family base leaves Clone to its wizards.
    CWizardBase4* Clone() override {
        if constexpr (std::is_abstract_v<Self>) return Base::Clone();
        else return new (std::nothrow) Self(static_cast<const Self*>(this));
    }

    Page* GetPage() const { return m_pPage; }

    // The defaults of the per-wizard steps named above.
    static constexpr bool kReplaceEarlierPage = false;
    Page* MakePage(DWORD_PTR cookie) { return new (std::nothrow) Page(&Wizard(), cookie); }
    void PrepareEditing() {}
    void GiveSettingsToPage(Page&) {}

protected:
    // A page of the wizard's own on `cookie` for work the sheet must not see, made by the
    // wizard's MakePage; its window is not created yet (Open does that).
    THiddenPage<Page> MakeHiddenPage(DWORD_PTR cookie) { return THiddenPage<Page>(Wizard().MakePage(cookie)); }

    // Gives the cookie of the page on the sheet back and deletes the page.
    void ReleasePage() {
        if (m_pPage == nullptr) return;
        ReleaseParamSet(RequestTarget(this), m_pPage->GetCookie());
        delete m_pPage;
        m_pPage = nullptr;
    }

    Page* m_pPage = nullptr;

private:
    Self& Wizard() { return static_cast<Self&>(*this); }
};

// The wizard of the older base: its page works on the data-exchange object. Mode 1 puts a new
// page on the sheet (a page left from an earlier editing that was never ended goes first,
// unless the wizard rebinds it); EndEditProperties deletes it again.
template <class Page, class Self, class Base = CWizardBase3>
class TPageWizard3 : public Base {
public:
    TPageWizard3() = default;
    explicit TPageWizard3(const Self* other) : Base(other) {}
    ~TPageWizard3() override { DeletePage(); }

    int GetWizardKind() override { return 3; }

    BOOL DoEditProperties(CPropertySheet& sheet, CWizardSchematicDataExchange3* exchange, UINT mode) override {
        if (mode != 1) return Base::DoEditProperties(sheet, exchange, mode);
        CResourceSwitch resources;
        Self& self = static_cast<Self&>(*this);
        self.PrepareEditing();
        if constexpr (Self::kRebindEarlierPage) {
            if (m_pPage != nullptr) m_pPage->Rebind(&self, exchange);
        } else {
            DeletePage();
        }
        if (m_pPage == nullptr) m_pPage = new (std::nothrow) Page(&self, exchange);
        if (m_pPage == nullptr) return FALSE;
        sheet.AddPage(m_pPage);
        return TRUE;
    }

    // Deletes the page, then the base's objects; a second call finds nothing left to delete.
    void EndEditProperties() override {
        DeletePage();
        Base::EndEditProperties();
    }

    // A copy of the base data that never shares the page.
    CWizardBase3* Clone() override { return new (std::nothrow) Self(static_cast<const Self*>(this)); }

    Page* GetPage() const { return m_pPage; }

    // The default of the per-wizard step named above.
    void PrepareEditing() {}
    // true: a page left from an earlier call (a sheet may still hold it) is bound to the new
    // data-exchange object instead of deleted and made anew.
    static constexpr bool kRebindEarlierPage = false;

protected:
    void DeletePage() {
        delete m_pPage;
        m_pPage = nullptr;
    }
    Page* m_pPage = nullptr;
};

} // namespace qv::wizards
