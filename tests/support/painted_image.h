// What a picture button shows: the image its last painting drew.
#pragma once

#include "afx/afxwin.h"
#include "afx/dc.h"

#include <utility>

namespace qv_test {

// Paints the control anew; the image it drew as (bitmap ID, image index), or (0, -1) when its
// painting drew none.
inline std::pair<int, int> PaintedImage(CWnd* control) {
    control->Invalidate();
    control->UpdateWindow();
    const qv::DisplayList* picture = qv::GetLastPainting(control);
    std::pair<int, int> image{0, -1};
    if (picture != nullptr)
        for (const auto& item : picture->items)
            if (item.kind == qv::DrawKind::Image) image = {item.imageId, item.imageIndex};
    return image;
}

} // namespace qv_test
