// The layout flags of a dialog's controls (how each moves and grows with the window), kept
// as a constant table per dialog and handed over in one call.
#pragma once

#include "afx/afx.h"

#include <span>

namespace qv::pages {

// A control of a page's dialog with its layout flags (how it moves and grows with the page).
struct ControlLayout {
    WORD id;
    WORD flags;
};

// Hands the layout flags of every control in the table to the page or dialog.
template <class Page>
void RegisterLayout(Page& page, std::span<const ControlLayout> layout) {
    for (const ControlLayout& entry : layout) page.SetControlInfo(entry.id, entry.flags);
}

// The frame every element page's dialog starts with: the "Name" label and field, "Show Name"
// and the frame the element's symbol is drawn in.
inline constexpr ControlLayout kElementFrameLayout[] = {
    {.id = 2000, .flags = 5}, {.id = 2001, .flags = 69}, {.id = 2002, .flags = 20}, {.id = 2020, .flags = 6}};

// Hands the element frame's layout and then the page's own controls to the page. A control of
// the frame that the page lists again takes the page's flags and keeps its place.
template <class Page>
void RegisterElementLayout(Page& page, std::span<const ControlLayout> own) {
    RegisterLayout(page, kElementFrameLayout);
    RegisterLayout(page, own);
}

} // namespace qv::pages
