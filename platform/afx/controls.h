// The standard controls: buttons, edits, statics, combo and list boxes, report list views,
// their header, up-down controls and image lists.
//
// Each class is a view of the window record behind its handle; the state (text, check,
// entries, selection, rows) lives in the record, so a layer-made object and a page member
// attached by DDX_Control show the same state. The member functions act directly and send no
// notification; the user actions in qv::ui (user_script.h) are what notify parents.
//
// Deliberate differences from the original platform: an edit places its characters on a
// fixed grid, 6 pixels per character and 13 pixels per line, so CharFromPos and PosFromChar
// map between character indexes and points by plain arithmetic (a point one pixel right of a
// character's position still names that character, as with real fonts); the positions of
// list-view rows and columns come from fixed sizes (rows 16 pixels high below a 20-pixel
// header, columns as wide as set).
#pragma once

#include "afx/wnd.h"

#include <string>
#include <vector>

class CDC;
class CBitmap;

namespace qv {
// What buttons and statics share: one bitmap that they show, and owner drawing. The parent's
// WM_DRAWITEM handler draws an owner-drawn control or, when the parent leaves it to the
// default, the control's own DrawItem override does.
class BitmapControl : public CWnd {
public:
    // Shows a new bitmap and repaints; returns the one shown before.
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const { return m_hBitmap; }
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    HBITMAP m_hBitmap = nullptr;
};
} // namespace qv

class CButton : public qv::BitmapControl {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    using CWnd::Create;
    virtual BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCheck() const;
    void SetCheck(int nCheck);
    UINT GetState() const;
    void SetState(BOOL bHighlight);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
};

class CStatic : public qv::BitmapControl {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
    using CWnd::Create;
    virtual BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() = default;
    using CWnd::Create;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Selection as character indexes; nEndChar -1 means the end of the text.
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    DWORD GetSel() const;
    void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE);
    void Clear() { ReplaceSel(""); }
    void LimitText(int nChars = 0);
    void SetLimitText(UINT nMax) { LimitText(static_cast<int>(nMax)); }
    UINT GetLimitText() const;
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    BOOL GetModify() const;
    void SetModify(BOOL bModified = TRUE);
    int GetLineCount() const;
    // The character boundary nearest to a point: index in the low word, line in the high word.
    int CharFromPos(CPoint pt) const;
    // The place of a character; (-1, -1) for an index at or past the end of the text, as on
    // the original.
    CPoint PosFromChar(UINT nChar) const;
};

namespace qv {
// The window class of a combo box or a list box, and the messages by which both do the same
// things to their entries.
struct EntryBoxMessages {
    const char* windowClass;
    UINT getCount, getCurSel, setCurSel, addString, insertString, deleteString, resetContent;
    UINT getText, getTextLen, setItemData, getItemData, findString, findStringExact, selectString;
};
inline constexpr EntryBoxMessages kComboBoxMessages{"ComboBox",
    CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL, CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
    CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_SETITEMDATA, CB_GETITEMDATA, CB_FINDSTRING, CB_FINDSTRINGEXACT, CB_SELECTSTRING};
inline constexpr EntryBoxMessages kListBoxMessages{"ListBox",
    LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL, LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
    LB_GETTEXT, LB_GETTEXTLEN, LB_SETITEMDATA, LB_GETITEMDATA, LB_FINDSTRING, LB_FINDSTRINGEXACT, LB_SELECTSTRING};

// The entry operations that combo and list boxes offer alike, each box through its own
// messages. The boxes name the reading of an entry's text differently, so that part is
// protected here and published by each box under its own name.
template <const EntryBoxMessages& M>
class EntryBox : public CWnd {
public:
    using CWnd::Create;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CWnd::Create(M.windowClass, "", dwStyle, rect, pParentWnd, nID);
    }

    int GetCount() const { return Send(M.getCount, 0, 0); }
    // CB_ERR (equal to LB_ERR) for a box that has no window.
    int GetCurSel() const { return m_hWnd ? Send(M.getCurSel, 0, 0) : CB_ERR; }
    int SetCurSel(int nSelect) { return Send(M.setCurSel, nSelect, 0); }
    int AddString(LPCTSTR lpszString) { return SendText(M.addString, 0, lpszString); }
    int InsertString(int nIndex, LPCTSTR lpszString) { return SendText(M.insertString, nIndex, lpszString); }
    int DeleteString(UINT nIndex) { return Send(M.deleteString, nIndex, 0); }
    void ResetContent() { Send(M.resetContent, 0, 0); }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) { return Send(M.setItemData, nIndex, static_cast<LPARAM>(dwItemData)); }
    DWORD_PTR GetItemData(int nIndex) const
    {
        return static_cast<DWORD_PTR>(SendMessageA(m_hWnd, M.getItemData, static_cast<WPARAM>(nIndex), 0));
    }
    // Case-insensitive prefix search after nStartAfter (-1: from the start), wrapping round.
    int FindString(int nStartAfter, LPCTSTR lpszString) const { return SendText(M.findString, nStartAfter, lpszString); }
    // Case-insensitive whole-text search, wrapping round like FindString.
    int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const { return SendText(M.findStringExact, nIndexStart, lpszFind); }
    // Selects the first entry found by FindString; CB_ERR (selection unchanged) when none.
    int SelectString(int nStartAfter, LPCTSTR lpszString) { return SendText(M.selectString, nStartAfter, lpszString); }

protected:
    int EntryText(int nIndex, LPTSTR lpszText) const { return SendText(M.getText, nIndex, lpszText); }
    int EntryTextLen(int nIndex) const { return Send(M.getTextLen, nIndex, 0); }
    // The entry's text; empty for no such entry.
    CString EntryText(int nIndex) const
    {
        const int n = EntryTextLen(nIndex);
        if (n < 0)
            return CString();
        std::string buffer(static_cast<size_t>(n) + 1, '\0');
        EntryText(nIndex, buffer.data());
        return CString(buffer.data(), n);
    }

private:
    // Sends one of the box's messages; an index goes out sign-extended, a text as its address.
    int Send(UINT message, INT_PTR wParam, LPARAM lParam) const
    {
        return static_cast<int>(SendMessageA(m_hWnd, message, static_cast<WPARAM>(wParam), lParam));
    }
    int SendText(UINT message, INT_PTR wParam, LPCTSTR text) const { return Send(message, wParam, reinterpret_cast<LPARAM>(text)); }
};
} // namespace qv

class CComboBox : public qv::EntryBox<qv::kComboBoxMessages> {
    DECLARE_DYNAMIC(CComboBox)
public:
    CComboBox() = default;

    int GetLBText(int nIndex, LPTSTR lpszText) const { return EntryText(nIndex, lpszText); }
    void GetLBText(int nIndex, CString& rString) const { rString = EntryText(nIndex); }
    int GetLBTextLen(int nIndex) const { return EntryTextLen(nIndex); }
    int SetItemDataPtr(int nIndex, void* pData) { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    void* GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    void ShowDropDown(BOOL bShowIt = TRUE);
    BOOL GetDroppedState() const;
    BOOL LimitText(int nMaxChars);
    DWORD GetEditSel() const;
    BOOL SetEditSel(int nStartChar, int nEndChar);
};

class CListBox : public qv::EntryBox<qv::kListBoxMessages> {
    DECLARE_DYNAMIC(CListBox)
public:
    CListBox() = default;

    int GetText(int nIndex, LPTSTR lpszBuffer) const { return EntryText(nIndex, lpszBuffer); }
    void GetText(int nIndex, CString& rString) const { rString = EntryText(nIndex); }
    int GetTextLen(int nIndex) const { return EntryTextLen(nIndex); }
    int GetSel(int nIndex) const;
    int SetSel(int nIndex, BOOL bSelect = TRUE);
    int GetSelCount() const;
};

// A list box with a check box per entry (check state 0, 1 or 2 per entry).
class CCheckListBox : public CListBox {
    DECLARE_DYNAMIC(CCheckListBox)
public:
    CCheckListBox() = default;
    void SetCheckStyle(UINT nStyle) { m_nStyle = nStyle; }
    UINT GetCheckStyle() const { return m_nStyle; }
    void SetCheck(int nIndex, int nCheck);
    int GetCheck(int nIndex) const;
    void Enable(int nIndex, BOOL bEnabled = TRUE);
    BOOL IsEnabled(int nIndex) const;

protected:
    UINT m_nStyle = BS_AUTOCHECKBOX;
};

class CImageList {
public:
    CImageList() = default;
    virtual ~CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // A bitmap resource cut into images of the list's width (cx of the bitmap's height when
    // cx is 0); FALSE when the bitmap is not in the resources of AfxGetResourceHandle().
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    BOOL DeleteImageList();
    // Each adds the bitmap cut into images of the list's width; returns the first new index.
    int Add(CBitmap* pbmImage, CBitmap* pbmMask);
    int Add(CBitmap* pbmImage, COLORREF crMask);
    // Adds the images of a bitmap resource of the resources of AfxGetResourceHandle().
    int AddBitmapResource(UINT nBitmapID);
    int Add(HICON hIcon);
    BOOL Remove(int nImage);
    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    BOOL GetImageSize(SIZE* size) const;
    UINT_PTR GetSafeHandle() const { return m_created ? reinterpret_cast<UINT_PTR>(this) : 0; }
    // Records the image into the DC's display list; FALSE for an index out of range.
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);

    // The bitmap resource ID and index within it of each image (0 for images without one).
    struct Image {
        int bitmapId;
        int index;
    };
    const std::vector<Image>& Images() const { return m_images; }

protected:
    // Appends the images of a bitmap strip `width` pixels wide (one per image width, at least
    // one); returns the index of the first.
    int AddStrip(int bitmapId, int width);

    bool m_created = false;
    int m_cx = 0;
    int m_cy = 0;
    std::vector<Image> m_images;
};

class CHeaderCtrl : public CWnd {
    DECLARE_DYNAMIC(CHeaderCtrl)
public:
    CHeaderCtrl() = default;
    // The list view whose columns this header shows.
    int GetItemCount() const;
    BOOL GetItemRect(int nIndex, LPRECT lpRect) const;

    HWND m_hListView = nullptr;
};

struct LVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
};
typedef LVHITTESTINFO* LPLVHITTESTINFO;

// The cell of a list that a message names in its WPARAM or LPARAM: the row in the low word
// and the column in the high word of the low 32 bits, and the row's bits above its low word
// from bit 32 on (both parameters are 64 bits wide), so that a table of more than 65,535 rows
// names each of its rows and a reader of the low word alone still finds the rows below that.
static_assert(sizeof(LPARAM) >= 8 && sizeof(WPARAM) >= 8);
constexpr LPARAM MakeListCell(int row, int column) {
    const auto r = static_cast<uint64_t>(static_cast<uint32_t>(row));
    return static_cast<LPARAM>((r & 0xffff) | (static_cast<uint64_t>(static_cast<WORD>(column)) << 16) | ((r >> 16) << 32));
}
constexpr int ListCellRow(uint64_t cell) {
    return static_cast<int>(static_cast<uint32_t>((cell & 0xffff) | (((cell >> 32) & 0xffff) << 16)));
}
constexpr int ListCellColumn(uint64_t cell) { return static_cast<int>((cell >> 16) & 0xffff); }

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    CListCtrl();
    virtual ~CListCtrl();
    using CWnd::Create;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Columns.
    int InsertColumn(int nCol, LPCTSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    int InsertColumn(int nCol, const LVCOLUMN* pColumn);
    BOOL DeleteColumn(int nCol);
    BOOL SetColumnWidth(int nCol, int cx);
    int GetColumnWidth(int nCol) const;
    BOOL GetColumn(int nCol, LVCOLUMN* pColumn) const;
    BOOL SetColumn(int nCol, const LVCOLUMN* pColumn);
    CHeaderCtrl* GetHeaderCtrl();

    // Items.
    int GetItemCount() const;
    int InsertItem(int nItem, LPCTSTR lpszItem);
    int InsertItem(int nItem, LPCTSTR lpszItem, int nImage);
    int InsertItem(const LVITEM* pItem);
    int InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    BOOL SetItemText(int nItem, int nSubItem, LPCTSTR lpszText);
    CString GetItemText(int nItem, int nSubItem) const;
    int GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItem(const LVITEM* pItem);
    BOOL GetItem(LVITEM* pItem) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    int GetNextItem(int nItem, int nFlags) const;
    UINT GetSelectedCount() const;
    int GetSelectionMark() const;
    int SetSelectionMark(int iIndex);
    BOOL SetCheck(int nItem, BOOL fCheck = TRUE);
    BOOL GetCheck(int nItem) const;
    DWORD SetExtendedStyle(DWORD dwNewStyle);
    DWORD GetExtendedStyle() const;
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);
    int GetTopIndex() const;
    int GetCountPerPage() const;
    BOOL GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const;
    BOOL GetSubItemRect(int iItem, int iSubItem, int nArea, CRect& ref) const;
    int HitTest(CPoint pt, UINT* pFlags = nullptr) const;
    int HitTest(LVHITTESTINFO* pHitTestInfo) const;
    int SubItemHitTest(LVHITTESTINFO* pInfo) const;
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    CImageList* GetImageList(int nImageListType) const;
    BOOL RedrawItems(int nFirst, int nLast) { Invalidate(); return TRUE; }

    // Fixed geometry of the rows (see the note at the top of the header).
    static constexpr int kHeaderHeight = 20;
    static constexpr int kRowHeight = 16;

protected:
    CHeaderCtrl m_header;
};

class CSpinButtonCtrl : public CWnd {
    DECLARE_DYNAMIC(CSpinButtonCtrl)
public:
    CSpinButtonCtrl() = default;
    using CWnd::Create;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    void SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }
    void SetRange32(int nLower, int nUpper);
    DWORD GetRange() const;
    void GetRange(int& lower, int& upper) const;
    void GetRange32(int& lower, int& upper) const { GetRange(lower, upper); }
    int SetPos(int nPos);
    int GetPos() const;
    int SetPos32(int nPos) { return SetPos(nPos); }
    int GetPos32(BOOL* lpbError = nullptr) const;
    CWnd* SetBuddy(CWnd* pWndBuddy);
    CWnd* GetBuddy() const;
    int SetBase(int nBase);
    UINT GetBase() const;
};

class CScrollBar : public CWnd {
    DECLARE_DYNAMIC(CScrollBar)
public:
    CScrollBar() = default;
};

namespace qv {
// The layer-made objects for template controls: a CButton for "Button", a CEdit for "Edit",
// and so on; a plain CWnd for other classes.
CWnd* MakeStandardControl(const std::string& className, DWORD style);
} // namespace qv
