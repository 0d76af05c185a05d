// Drawing: GDI objects and a device context that records what is drawn.
//
// There is no screen. A CDC keeps a display list (afx/svg.h) of every line, shape, text and
// picture in device coordinates, that is after the mapping mode, window and viewport the code
// set up. A window's paint DC hands its list to the window's record when it is destroyed, so
// tests and the host can read or render what the window painted last. Deliberate differences
// from the original platform: there are no device pixels to read back, text is measured with a
// fixed average character width (half the font height), clipping is recorded with the items
// instead of applied, and the background of text drawn in OPAQUE mode is not filled.
#pragma once

#include "afx/afx.h"
#include "afx/geometry.h"
#include "afx/svg.h"
#include "win32/winuser.h"

#include <string>
#include <vector>

class CWnd;
class CDC;

typedef void* HGDIOBJ;

// ---------------------------------------------------------------------------------------
// GDI constants (standard values)
#ifndef PS_SOLID
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#endif

#ifndef WHITE_BRUSH
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17
#endif

#ifndef TRANSPARENT
#define TRANSPARENT 1
#define OPAQUE 2
#endif

#ifndef MM_TEXT
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8
#endif

#ifndef SRCCOPY
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#endif

#ifndef FW_DONTCARE
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_BOLD 700
#endif

#ifndef LOGPIXELSX
#define HORZRES 8
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#endif

#ifndef LF_FACESIZE
#define LF_FACESIZE 32
#endif

#ifndef OBJ_PEN
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#endif

struct LOGFONT {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONT LOGFONTA;
typedef LOGFONT* LPLOGFONT;

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// The fixed colours of the stand-in's one colour scheme.
DWORD GetSysColor(int nIndex);

// ---------------------------------------------------------------------------------------
// GDI objects. Each holds its own description; a DC copies the description when the object
// is selected, so the object may be deleted after it has been selected out again.
class CGdiObject : public CObject {
public:
    CGdiObject() = default;
    ~CGdiObject() override = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Non-null while the object holds a created pen, brush, font, bitmap or region.
    HGDIOBJ m_hObject = nullptr;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    BOOL DeleteObject();
    // A stock pen, brush or font; FALSE for an index that names none.
    BOOL CreateStockObject(int nIndex);
    int GetObjectType() const { return m_type; }

    // Description of the object as the recorder uses it.
    int m_type = 0;           // OBJ_PEN, OBJ_BRUSH, ... or 0 when empty
    qv::DrawPen m_pen;
    qv::DrawBrush m_brush;
    LOGFONT m_logFont{};
    int m_bitmapId = 0;       // resource ID of a loaded bitmap, 0 for a created one
    SIZE m_bitmapSize{0, 0};
    RECT m_region{0, 0, 0, 0};

protected:
    void MarkCreated(int type) { m_type = type; m_hObject = this; }
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    BOOL CreatePenIndirect(const LOGPEN* lp);
    int GetLogPen(LOGPEN* lp) const;
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    BOOL CreateSolidBrush(COLORREF crColor);
    BOOL CreateSysColorBrush(int nIndex) { return CreateSolidBrush(GetSysColor(nIndex)); }
};

class CFont : public CGdiObject {
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename);
    // Point size in tenths of a point; the height becomes pixels at 96 pixels per inch.
    BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC = nullptr);
    int GetLogFont(LOGFONT* pLogFont) const;
};

class CBitmap : public CGdiObject {
public:
    CBitmap() = default;
    // Looks the bitmap up in the resources of AfxGetResourceHandle(), then in those of the
    // extension modules; FALSE when none has it.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP* pBitMap) const;
    CSize GetBitmapDimension() const { return CSize(m_bitmapSize.cx, m_bitmapSize.cy); }
};

// Rectangular regions only, in the coordinates they are given in.
class CRgn : public CGdiObject {
public:
    CRgn() = default;
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRectRgnIndirect(LPCRECT lpRect);
    void SetRectRgn(int x1, int y1, int x2, int y2) { CreateRectRgn(x1, y1, x2, y2); }
    int GetRgnBox(LPRECT lpRect) const;
};

// ---------------------------------------------------------------------------------------
class CDC : public CObject {
public:
    CDC();
    ~CDC() override;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // The handle of a DC is the DC itself; FromHandle gives null for a handle of no live DC.
    HDC m_hDC;
    HDC GetSafeHdc() const { return m_hDC; }
    static CDC* FromHandle(HDC hDC);

    // A memory DC: drawing a bitmap selected into it with BitBlt records an image reference.
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    // Objects. Each returns the object of the same kind selected before.
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    CGdiObject* SelectObject(CGdiObject* pObject);
    int SelectObject(CRgn* pRgn) { return SelectClipRgn(pRgn); }
    CGdiObject* SelectStockObject(int nIndex);
    CPen* GetCurrentPen() const { return m_pCurPen; }
    CBrush* GetCurrentBrush() const { return m_pCurBrush; }
    CFont* GetCurrentFont() const { return m_pCurFont; }
    CBitmap* GetCurrentBitmap() const { return m_pCurBitmap; }

    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const { return m_bkColor; }
    int SetBkMode(int nBkMode);
    int GetBkMode() const { return m_bkMode; }

    // Mapping. Logical coordinates go to device coordinates as
    //   device = (logical - window origin) * viewport extent / window extent + viewport origin.
    int SetMapMode(int nMapMode);
    int GetMapMode() const { return m_mapMode; }
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
    CPoint GetWindowOrg() const { return m_windowOrg; }
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
    CPoint GetViewportOrg() const { return m_viewportOrg; }
    CPoint OffsetViewportOrg(int nWidth, int nHeight);
    CPoint OffsetWindowOrg(int nWidth, int nHeight);
    // Extents take effect only in MM_ISOTROPIC and MM_ANISOTROPIC; a zero extent is refused.
    CSize SetWindowExt(int cx, int cy);
    CSize SetWindowExt(SIZE size) { return SetWindowExt(size.cx, size.cy); }
    CSize GetWindowExt() const { return m_windowExt; }
    CSize SetViewportExt(int cx, int cy);
    CSize SetViewportExt(SIZE size) { return SetViewportExt(size.cx, size.cy); }
    CSize GetViewportExt() const { return m_viewportExt; }
    void LPtoDP(LPPOINT lpPoints, int nCount = 1) const;
    void LPtoDP(LPRECT lpRect) const;
    void LPtoDP(SIZE* lpSize) const;
    void DPtoLP(LPPOINT lpPoints, int nCount = 1) const;
    void DPtoLP(LPRECT lpRect) const;
    void DPtoLP(SIZE* lpSize) const;

    // Saved states are numbered from 1; RestoreDC(-1) restores the last one.
    int SaveDC();
    BOOL RestoreDC(int nSavedDC);

    // Clipping: regions are in device coordinates, IntersectClipRect in logical ones.
    int SelectClipRgn(CRgn* pRgn);
    int IntersectClipRect(int x1, int y1, int x2, int y2);
    int IntersectClipRect(LPCRECT lpRect) { return IntersectClipRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    int GetClipBox(LPRECT lpRect) const;

    // Lines and shapes (logical coordinates).
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    CPoint GetCurrentPosition() const { return m_curPos; }
    BOOL Polyline(const POINT* lpPoints, int nCount);
    BOOL Polygon(const POINT* lpPoints, int nCount);
    BOOL Rectangle(int x1, int y1, int x2, int y2);
    BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Ellipse(int x1, int y1, int x2, int y2);
    BOOL Ellipse(LPCRECT lpRect) { return Ellipse(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    BOOL Arc(LPCRECT lpRect, POINT ptStart, POINT ptEnd) {
        return Arc(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom, ptStart.x, ptStart.y, ptEnd.x, ptEnd.y);
    }
    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    void DrawFocusRect(LPCRECT lpRect);

    // Text (logical coordinates). DrawText returns the height of the text in logical units.
    BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount);
    BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, (LPCTSTR)str, str.GetLength()); }
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
        return DrawText((LPCTSTR)str, str.GetLength(), lpRect, nFormat);
    }
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const { return GetTextExtent((LPCTSTR)str, str.GetLength()); }

    // Pictures.
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    // Records a picture reference: source "bitmap" or "imagelist", the bitmap resource ID and
    // the image index (-1 for a whole bitmap), drawn into the logical rectangle. The image list
    // of the windows layer draws through this.
    void DrawImageRef(const char* source, int id, int index, const RECT& logicalRect);

    int GetDeviceCaps(int nIndex) const;

    // The recording.
    const qv::DisplayList& GetDisplayList() const { return m_list; }
    qv::DisplayList TakeDisplayList();
    void SetDeviceSize(int cx, int cy) { m_list.width = cx; m_list.height = cy; }
    std::string RenderSvg() const { return qv::RenderSvg(m_list); }

protected:
    struct State {
        CPen* pen; CBrush* brush; CFont* font; CBitmap* bitmap;
        qv::DrawPen penDesc; qv::DrawBrush brushDesc; LOGFONT fontDesc;
        COLORREF textColor, bkColor; int bkMode;
        int mapMode; CPoint windowOrg, viewportOrg; CSize windowExt, viewportExt;
        bool clipped; RECT clip; CPoint curPos;
    };
    State SaveState() const;
    void LoadState(const State& s);
    void Record(qv::DrawItem item);
    qv::DrawItem NewItem(qv::DrawKind kind) const;
    // Records a polyline or polygon of at least two points; FALSE for fewer.
    BOOL RecordPoints(qv::DrawKind kind, const POINT* lpPoints, int nCount);
    POINT ToDevice(int x, int y) const;
    RECT ToDevice(const RECT& r) const;
    int ScaleX(int v) const;
    int ScaleY(int v) const;
    void AdjustIsotropic();

    qv::DisplayList m_list;
    bool m_memoryDC = false;

    CPen* m_pCurPen;
    CBrush* m_pCurBrush;
    CFont* m_pCurFont;
    CBitmap* m_pCurBitmap;
    qv::DrawPen m_penDesc;
    qv::DrawBrush m_brushDesc;
    LOGFONT m_fontDesc;
    COLORREF m_textColor = 0;
    COLORREF m_bkColor = 0xFFFFFF;
    int m_bkMode = OPAQUE;
    int m_mapMode = MM_TEXT;
    CPoint m_windowOrg, m_viewportOrg;
    CSize m_windowExt{1, 1}, m_viewportExt{1, 1};
    bool m_clipped = false;
    RECT m_clip{0, 0, 0, 0};
    CPoint m_curPos;
    std::vector<State> m_saved;
};

#ifndef QV_HAVE_PAINTSTRUCT
#define QV_HAVE_PAINTSTRUCT
struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};
#endif

// The DC of a WM_PAINT handler: device size = the window's client area; when it is destroyed
// its list becomes the window's painting and the window counts as validated.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    CWnd* m_pWnd;
};

// A DC that draws into a window outside WM_PAINT: its items are added to the window's painting.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    CWnd* m_pWnd;
};

namespace qv {
// What a window painted last (its paint DC's list plus what client DCs drew after it), or
// null when it never painted. Forgotten when the window is destroyed (ForgetPainting).
const DisplayList* GetLastPainting(const CWnd* pWnd);
void ForgetPainting(const CWnd* pWnd);
// Stores a list as the window's painting (replace) or adds its items (append).
void StorePainting(const CWnd* pWnd, const DisplayList& list, bool append);
} // namespace qv
