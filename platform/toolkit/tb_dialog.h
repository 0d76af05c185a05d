// Dialogs of the toolkit, and the control layout that dialogs and pages share.
//
// Control layout: a dialog or page registers, for some of its controls, how the control
// follows a change of the window's size (SetControlInfo with the control ID and layout
// flags). The flags are the TB_LAYOUT_ bits below. The positions the controls have when the
// window is initialised are the reference; every later WM_SIZE places the registered
// controls from there.
#pragma once

#include "afx/afxwin.h"

#include <cstdint>
#include <vector>

// The left (right, top, bottom) edge keeps its distance to the window's left (right, top,
// bottom) edge. With both edges of an axis the control stretches; with the far edge alone it
// moves; with neither it stays.
#define TB_LAYOUT_LEFT 0x0001
#define TB_LAYOUT_RIGHT 0x0002
#define TB_LAYOUT_TOP 0x0004
#define TB_LAYOUT_BOTTOM 0x0008
// Without an anchor on the axis: the control moves by its share of the size change (its
// left edge's share of the width, its top edge's share of the height).
#define TB_LAYOUT_MOVE_X 0x0010
#define TB_LAYOUT_MOVE_Y 0x0020
// The control's width grows by its share of the width change.
#define TB_LAYOUT_SIZE_X 0x0040

namespace qv {

struct TBControlInfo {
    WORD id;
    WORD flags;
};

// The registered controls of one window and their reference positions.
class TBLayout {
public:
    void SetControlInfo(WORD id, WORD flags);
    WORD GetControlInfo(WORD id) const;   // 0 for a control never registered
    const std::vector<TBControlInfo>& Controls() const { return m_controls; }
    // Takes the window's client size and the registered controls' rectangles as reference.
    void Capture(CWnd* window);
    // Places the registered controls for a new client size (nothing before Capture).
    void Apply(CWnd* window, int cx, int cy) const;
    void Reset() { m_captured = false; m_rects.clear(); }

private:
    std::vector<TBControlInfo> m_controls;
    // Bit (id % 64) is set for every registered ID: a page registers its dozens of controls
    // one by one as it starts, and most IDs are new, so most need no search for an earlier one.
    uint64_t m_idBits = 0;
    std::vector<RECT> m_rects;   // parallel to m_controls; empty rectangle for missing ones
    std::vector<bool> m_present;
    SIZE m_size{0, 0};
    bool m_captured = false;
};

} // namespace qv

// What the toolkit's dialogs and property pages add to their base alike: the layout of their
// controls, captured when the dialog starts, applied on every resize and reset when the
// window goes.
template <class Base>
class TTBLayoutWindow : public Base {
public:
    using Base::Base;

    BOOL OnInitDialog() override {
        BOOL result = Base::OnInitDialog();
        m_layout.Capture(this);
        return result;
    }
    void SetControlInfo(WORD nID, WORD nFlags) { m_layout.SetControlInfo(nID, nFlags); }
    WORD GetControlInfo(WORD nID) const { return m_layout.GetControlInfo(nID); }
    const std::vector<qv::TBControlInfo>& GetControlInfos() const { return m_layout.Controls(); }
    void Invalidate(BOOL bErase = TRUE) { CWnd::Invalidate(bErase); }

    // Handlers; derived classes that handle the messages themselves call these first.
    void OnSize(UINT nType, int cx, int cy) {
        Base::OnSize(nType, cx, cy);
        m_layout.Apply(this, cx, cy);
    }
    void OnDestroy() {
        Base::OnDestroy();
        m_layout.Reset();
    }

protected:
    qv::TBLayout m_layout;
};

class CTBDialog : public TTBLayoutWindow<CDialog> {
    DECLARE_DYNAMIC(CTBDialog)
public:
    CTBDialog();
    explicit CTBDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CTBDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CTBDialog() override;

protected:
    DECLARE_MESSAGE_MAP()
};
