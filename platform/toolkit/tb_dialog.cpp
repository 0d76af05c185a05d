// Dialogs of the toolkit and the shared control layout.
#include "toolkit/tb_dialog.h"
#include "afx/wnd_core.h"

#include <algorithm>
#include <cmath>

namespace qv {

void TBLayout::SetControlInfo(WORD id, WORD flags) {
    const uint64_t bit = uint64_t{1} << (id % 64);
    if ((m_idBits & bit) != 0)
        for (TBControlInfo& c : m_controls)
            if (c.id == id) {
                c.flags = flags;
                return;
            }
    m_idBits |= bit;
    // Pages register their controls one by one as they start: room for a page's worth at once.
    if (m_controls.empty()) m_controls.reserve(32);
    m_controls.push_back(TBControlInfo{id, flags});
    // A control registered after the reference was taken has no reference position.
    if (m_captured) {
        m_rects.push_back(RECT{0, 0, 0, 0});
        m_present.push_back(false);
    }
}

WORD TBLayout::GetControlInfo(WORD id) const {
    for (const TBControlInfo& c : m_controls)
        if (c.id == id) return c.flags;
    return 0;
}

void TBLayout::Capture(CWnd* window) {
    m_rects.assign(m_controls.size(), RECT{0, 0, 0, 0});
    m_present.assign(m_controls.size(), false);
    m_captured = false;
    if (!window || !window->GetSafeHwnd()) return;
    RECT client{0, 0, 0, 0};
    window->GetClientRect(&client);
    m_size = SIZE{client.right - client.left, client.bottom - client.top};
    // The controls' places are read from their records: a page takes the places of its few
    // dozen registered controls each time it starts. A control's record holds its rectangle
    // in the window's client area, which is what GetWindowRect and ScreenToClient give.
    const WindowCore* core = window->Core();
    for (size_t i = 0; i < m_controls.size(); ++i) {
        const WindowCore* ctl = core ? core->Child(m_controls[i].id) : nullptr;
        if (!ctl || !ctl->object) continue;
        m_rects[i] = ctl->rect;
        m_present[i] = true;
    }
    m_captured = true;
}

namespace {

// One axis: the new near and far edges of a control.
void PlaceAxis(LONG& nearEdge, LONG& farEdge, bool anchorNear, bool anchorFar, bool moveShare, bool sizeShare,
               int oldSize, int delta) {
    LONG length = farEdge - nearEdge;
    if (anchorNear && anchorFar) {
        farEdge = std::max(nearEdge, farEdge + delta);
        return;
    }
    if (anchorFar) {
        nearEdge += delta;
        farEdge += delta;
        return;
    }
    if (oldSize <= 0) return;
    if (sizeShare) length += static_cast<LONG>(std::lround(static_cast<double>(delta) * length / oldSize));
    if (moveShare && !anchorNear) nearEdge += static_cast<LONG>(std::lround(static_cast<double>(delta) * nearEdge / oldSize));
    farEdge = nearEdge + std::max<LONG>(0, length);
}

} // namespace

void TBLayout::Apply(CWnd* window, int cx, int cy) const {
    if (!m_captured || !window || !window->GetSafeHwnd()) return;
    int dx = cx - m_size.cx, dy = cy - m_size.cy;
    for (size_t i = 0; i < m_controls.size(); ++i) {
        if (!m_present[i]) continue;
        CWnd* ctl = window->GetDlgItem(m_controls[i].id);
        if (!ctl) continue;
        WORD f = m_controls[i].flags;
        RECT r = m_rects[i];
        PlaceAxis(r.left, r.right, f & TB_LAYOUT_LEFT, f & TB_LAYOUT_RIGHT, f & TB_LAYOUT_MOVE_X, f & TB_LAYOUT_SIZE_X,
                  m_size.cx, dx);
        PlaceAxis(r.top, r.bottom, f & TB_LAYOUT_TOP, f & TB_LAYOUT_BOTTOM, f & TB_LAYOUT_MOVE_Y, false, m_size.cy, dy);
        ctl->MoveWindow(&r, FALSE);
    }
}

} // namespace qv

IMPLEMENT_DYNAMIC(CTBDialog, CDialog)

BEGIN_MESSAGE_MAP(CTBDialog, CDialog)
    ON_WM_SIZE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CTBDialog::CTBDialog() = default;
CTBDialog::CTBDialog(UINT nIDTemplate, CWnd* pParentWnd) : TTBLayoutWindow(nIDTemplate, pParentWnd) {}
CTBDialog::CTBDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd) : TTBLayoutWindow(lpszTemplateName, pParentWnd) {}
CTBDialog::~CTBDialog() = default;
