// Steps that every wizard with a page of parameters takes in the same way: registering the
// page's control layout, binding the page
// to the parameter set of a fresh request 23 (and giving back the cookie of an earlier call),
// handing the page's cookie back when editing ends, making a hidden page of its own for work
// the sheet must not see, and reading an archived block of older data in whole fields.
// Header-only: the steps are templates over the page class.
#pragma once

#include "afx/afx.h"
#include "afx/afxwin.h"
#include "framework/control_layout.h"
#include "framework/module.h"
#include "framework/requests.h"

#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <vector>

namespace qv::pages {

// Gives back the cookie a page holds (its parameter set of request 23).
template <class Page>
void ReleasePageCookie(const RequestTarget& target, const Page& page) {
    ReleaseParamSet(target, reinterpret_cast<DWORD_PTR>(page.GetParams()));
}

// Binds `page` to the parameter set behind `cookie`. A page that is still there from an
// earlier call holds a cookie of its own: it is given back before the page is rebound to the
// new set, so that no cookie is lost or given back twice. Without a page, `make(holder)`
// builds one. When no page results, the new cookie goes back at once. Returns the page.
template <class Page, class Wizard, class Make>
Page* BindPageToCookie(Wizard& wizard, Page*& page, const RequestTarget& target, DWORD_PTR cookie, Make make) {
    if (page != nullptr) {
        ReleasePageCookie(target, *page);
        page->Rebind(&wizard, HolderFromCookie(cookie));
    } else {
        page = make(HolderFromCookie(cookie));
    }
    if (page == nullptr) ReleaseParamSet(target, cookie);
    return page;
}

// The same with the usual page constructor Page(wizard, params).
template <class Page, class Wizard>
Page* BindPageToCookie(Wizard& wizard, Page*& page, const RequestTarget& target, DWORD_PTR cookie) {
    return BindPageToCookie(wizard, page, target, cookie,
                            [&wizard](ParamHolder* params) { return new (std::nothrow) Page(&wizard, params); });
}

// For pages that are made anew on every call: a page of an earlier call gives its cookie
// back and is deleted; then `make(holder)` builds the new one. When that fails, the new
// cookie goes back at once. Returns the page.
template <class Page, class Make>
Page* ReplacePageForCookie(Page*& page, const RequestTarget& target, DWORD_PTR cookie, Make make) {
    if (page != nullptr) {
        ReleasePageCookie(target, *page);
        delete page;
        page = nullptr;
    }
    page = make(HolderFromCookie(cookie));
    if (page == nullptr) ReleaseParamSet(target, cookie);
    return page;
}

// Ends editing on a page: it gives its cookie back and is deleted.
template <class Page>
void ReleaseAndDeletePage(const RequestTarget& target, Page*& page) {
    if (page == nullptr) return;
    ReleasePageCookie(target, *page);
    delete page;
    page = nullptr;
}

// Takes a page made for hidden work (Initialize, conversions) and creates its window hidden
// from `templateID`, so that its OnInitDialog runs as on the sheet. Null when the page could
// not be made or its window not created; the page on the editor's sheet is never used.
template <class Page>
std::unique_ptr<Page> CreateHiddenPage(Page* made, UINT templateID) {
    std::unique_ptr<Page> page(made);
    if (page == nullptr) return page;
    CResourceSwitch resources;
    if (!page->Create(templateID, nullptr)) return nullptr;
    page->ShowWindow(SW_HIDE);
    return page;
}

// Reads an archived block of older data from a copy of its bytes, so that the archive never
// reads past the block; archive and memory errors end the reading and keep what was read
// before.
template <class Read>
void ReadArchivedBlock(const BYTE* data, size_t length, Read read) {
    if (data == nullptr || length == 0 || length > 0xFFFFFFFFu) return;
    std::vector<BYTE> copy(data, data + length);
    CMemFile file(copy.data(), static_cast<UINT>(copy.size()), 0);
    CArchive ar(&file, CArchive::load, 4096);
    try {
        read(ar);
    } catch (CException* e) {
        e->Delete();
    }
}

} // namespace qv::pages
