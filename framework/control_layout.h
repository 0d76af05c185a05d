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

} // namespace qv::pages
