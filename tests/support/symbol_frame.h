// The element symbol that a page paints into its symbol frame (control 2020).
#pragma once

#include "afx/afxwin.h"
#include "afx/dc.h"
#include "editor/catalogue.h"
#include "wizard/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qv_test {

// What an item covers: the points of a line or polyline, the rectangle of anything else.
inline CRect DrawnExtent(const qv::DrawItem& item) {
    if (item.points.empty()) return CRect(item.rect.left, item.rect.top, item.rect.right, item.rect.bottom);
    CRect extent(item.points[0].x, item.points[0].y, item.points[0].x, item.points[0].y);
    for (const POINT& p : item.points) {
        extent.left = std::min(extent.left, p.x);
        extent.top = std::min(extent.top, p.y);
        extent.right = std::max(extent.right, p.x);
        extent.bottom = std::max(extent.bottom, p.y);
    }
    return extent;
}

// Paints the page and checks that it draws the element's symbol, items of these kinds in this
// order (one rectangle unless told otherwise), each inside frame 2020 with a solid black pen
// one pixel wide.
inline void ExpectSymbolInFrame(CWnd* page, const std::vector<qv::DrawKind>& kinds = {qv::DrawKind::Rectangle}) {
    page->Invalidate();
    page->UpdateWindow();
    const qv::DisplayList* painting = qv::GetLastPainting(page);
    ASSERT_NE(nullptr, painting);
    ASSERT_EQ(kinds.size(), painting->items.size());
    CRect frame;
    page->GetDlgItem(2020)->GetWindowRect(&frame);
    for (size_t i = 0; i < kinds.size(); ++i) {
        const qv::DrawItem& item = painting->items[i];
        EXPECT_EQ(kinds[i], item.kind) << i;
        const CRect extent = DrawnExtent(item);
        EXPECT_GE(extent.left, frame.left) << i;
        EXPECT_LE(extent.right, frame.right) << i;
        EXPECT_GE(extent.top, frame.top) << i;
        EXPECT_LE(extent.bottom, frame.bottom) << i;
        EXPECT_EQ(0u, item.pen.color) << i;
        EXPECT_EQ(1, item.pen.width) << i;
        EXPECT_EQ(PS_SOLID, item.pen.style) << i;
    }
}

// The English symbol text that a file of the element catalogue gives the element of this ID.
inline CString CatalogueSymbol(const char* file, unsigned id) {
    qv::Catalogue catalogue;
    std::string error;
    EXPECT_TRUE(catalogue.LoadFile(std::string(PARVEL_SOURCE_DIR "/editor/catalogue/") + file, error)) << error;
    const qv::CatalogueElement* element = catalogue.Find(id);
    EXPECT_NE(nullptr, element) << file << " " << id;
    return element != nullptr ? CString(element->SymbolText(kLanguageEnglish).c_str()) : CString();
}

} // namespace qv_test
