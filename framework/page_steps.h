// Steps that every wizard with a page of parameters takes in the same way: registering the
// page's control layout, making a hidden page of its own for work the sheet must not see, and
// reading an archived block of older data in whole fields. (Binding the page to a fresh
// request 23 and giving its cookie back is the page-wizard template's, framework/page_wizard.h.)
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
