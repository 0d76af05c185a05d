// Steps of wizards whose element has an AC page as well: the page the AC page follows, hidden
// pages of their own, and the AC page's block at the end of older element data. Header-only.
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_parameters.h"
#include "framework/byte_cursor.h"
#include "framework/element_page.h"
#include "framework/module.h"

#include <memory>
#include <new>

// An element page that its wizard's AC page follows on the sheet. Hidden work gives the page an
// AC page of its own (HiddenACPages below), which it then uses as its wizard's.
template <class Wizard>
class TACFollowedPage : public TElementPage<Wizard> {
public:
    void UseACPage(CPropACParameters* page) { m_pOwnACPage = page; }
    CPropACParameters* ACPage() const {
        if (m_pOwnACPage != nullptr) return m_pOwnACPage;
        return this->m_pWizard ? this->m_pWizard->GetACPage() : nullptr;
    }

protected:
    using TElementPage<Wizard>::TElementPage;

    // The AC page's mode to the wizard; without an AC page the wizard keeps its own.
    void HandOverACMode() {
        if (CPropACParameters* ac = ACPage(); ac != nullptr && this->m_pWizard != nullptr)
            this->m_pWizard->SetACMode(ac->GetMode());
    }

    CPropACParameters* m_pOwnACPage = nullptr;  // not owned; set for hidden work only
};

namespace qv::pages {

// Hidden work (Initialize, conversions, a WriteSimDescr that rebuilds its list) runs on
// pages of its own: the page and AC page on the editor's sheet (if any) are never touched,
// and no cookie of theirs is taken. The hidden page uses the hidden AC page as its wizard's.
template <class Page>
struct HiddenACPages {
    std::unique_ptr<CPropACParameters> ac;
    std::unique_ptr<Page> page;
    UINT templateID;

    // Both pages on `params`; the page is made as Page(&wizard, params).
    template <class Wizard>
    HiddenACPages(Wizard& wizard, ParamHolder* params, UINT pageTemplate)
        : ac(new (std::nothrow) CPropACParameters(&wizard, params)), page(new (std::nothrow) Page(&wizard, params)),
          templateID(pageTemplate) {
        if (Ready()) page->UseACPage(ac.get());
    }
    ~HiddenACPages() {
        if (page != nullptr && page->GetSafeHwnd() != nullptr) page->DestroyWindow();
    }
    HiddenACPages(const HiddenACPages&) = delete;
    HiddenACPages& operator=(const HiddenACPages&) = delete;

    bool Ready() const { return ac != nullptr && page != nullptr; }
    // Creates the page's window hidden, so that its OnInitDialog runs as on the sheet.
    bool CreateWindow() {
        CResourceSwitch resources;
        if (!page->Create(templateID, nullptr)) return false;
        page->ShowWindow(SW_HIDE);
        return true;
    }
};

// The AC page's block at the end of older element data: read into the AC page when there is
// one (the reader moves past what it took), else skipped as a DWORD length and that many
// bytes.
inline void ReadOlderACBlock(qv::bytes::Reader& in, CPropACParameters* ac) {
    if (ac != nullptr) {
        const BYTE* cursor = in.Position();
        size_t consumed = 0;
        if (LoadObjectFromBuffer(ac, &cursor, in.Remaining(), &consumed)) in.SkipBytes(consumed);
    } else {
        DWORD blockLength = 0;
        if (in.ReadDword(blockLength)) in.SkipBytes(blockLength);
    }
}

} // namespace qv::pages
