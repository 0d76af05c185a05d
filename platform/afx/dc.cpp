// The recording device context and its GDI objects.
#include "afx/dc.h"

#include "afx/wnd.h"
#include "win32/resources.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <iterator>
#include <map>
#include <set>

namespace {

const char kDefaultFace[] = "MS Sans Serif";
const int kDefaultFontHeight = 13; // device pixels of the default font's cell
const int kPixelsPerInch = 96;

LONG ClampLong(double v) {
    if (!(v == v)) return 0;
    if (v > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    if (v < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(std::llround(v));
}

// One axis of the mapping between logical and device coordinates, either way:
// (v - from origin) * to extent / from extent + to origin.
LONG MapAxis(LONG v, LONG fromOrg, LONG fromExt, LONG toOrg, LONG toExt) {
    return ClampLong((static_cast<double>(v) - fromOrg) * toExt / fromExt + toOrg);
}

// A length on one axis: scaled by the sizes of the extents, whatever their signs.
LONG ScaleAxis(LONG v, LONG toExt, LONG fromExt) {
    return ClampLong(static_cast<double>(v) * std::abs(static_cast<double>(toExt)) /
                     std::abs(static_cast<double>(fromExt)));
}

// The rectangle with left <= right and top <= bottom.
RECT Normalized(const RECT& r) {
    CRect n(r);
    n.NormalizeRect();
    return n;
}

std::set<const CDC*>& LiveDCs() {
    static std::set<const CDC*> live;
    return live;
}

void SetFace(LOGFONT& lf, const char* face) {
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
}

LOGFONT DefaultLogFont() {
    LOGFONT lf{};
    lf.lfHeight = -kDefaultFontHeight;
    lf.lfWeight = FW_NORMAL;
    SetFace(lf, kDefaultFace);
    return lf;
}

// The stock objects live for the whole process; DCs return them as "previously selected".
struct StockObjects {
    CBrush brushes[6];
    CPen pens[3];
    CFont fonts[3]; // ANSI_VAR_FONT, SYSTEM_FONT, DEFAULT_GUI_FONT
    StockObjects() {
        for (int i = 0; i < 6; ++i) brushes[i].CreateStockObject(i);
        for (int i = 0; i < 3; ++i) pens[i].CreateStockObject(WHITE_PEN + i);
        fonts[0].CreateStockObject(ANSI_VAR_FONT);
        fonts[1].CreateStockObject(SYSTEM_FONT);
        fonts[2].CreateStockObject(DEFAULT_GUI_FONT);
    }
};

StockObjects& Stock() {
    static StockObjects stock;
    return stock;
}

} // namespace

DWORD GetSysColor(int nIndex) {
    switch (nIndex) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: case COLOR_BTNTEXT: case COLOR_MENUTEXT: case COLOR_CAPTIONTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: case COLOR_MENU: return RGB(212, 208, 200);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT: return RGB(10, 36, 106);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BACKGROUND: return RGB(58, 110, 165);
    default: return RGB(192, 192, 192);
    }
}

// ---------------------------------------------------------------------------------------
// GDI objects

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    m_hObject = nullptr;
    m_type = 0;
    return TRUE;
}

BOOL CGdiObject::CreateStockObject(int nIndex) {
    switch (nIndex) {
    case WHITE_BRUSH: case LTGRAY_BRUSH: case GRAY_BRUSH: case DKGRAY_BRUSH: case BLACK_BRUSH: {
        static const COLORREF colours[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                           RGB(64, 64, 64), RGB(0, 0, 0)};
        m_brush = qv::DrawBrush{colours[nIndex], false};
        MarkCreated(OBJ_BRUSH);
        return TRUE;
    }
    case NULL_BRUSH:
        m_brush = qv::DrawBrush{0, true};
        MarkCreated(OBJ_BRUSH);
        return TRUE;
    case WHITE_PEN: m_pen = qv::DrawPen{RGB(255, 255, 255), 1, PS_SOLID}; MarkCreated(OBJ_PEN); return TRUE;
    case BLACK_PEN: m_pen = qv::DrawPen{RGB(0, 0, 0), 1, PS_SOLID}; MarkCreated(OBJ_PEN); return TRUE;
    case NULL_PEN: m_pen = qv::DrawPen{0, 1, PS_NULL}; MarkCreated(OBJ_PEN); return TRUE;
    case ANSI_VAR_FONT: case SYSTEM_FONT: case DEFAULT_GUI_FONT:
        m_logFont = DefaultLogFont();
        if (nIndex == SYSTEM_FONT) m_logFont.lfWeight = FW_BOLD;
        MarkCreated(OBJ_FONT);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    if (nPenStyle < PS_SOLID || nPenStyle > PS_INSIDEFRAME) return FALSE;
    // The original draws styled pens wider than one pixel as solid lines.
    if (nWidth > 1 && nPenStyle != PS_NULL && nPenStyle != PS_INSIDEFRAME) nPenStyle = PS_SOLID;
    m_pen = qv::DrawPen{crColor, nWidth < 0 ? 0 : nWidth, nPenStyle == PS_INSIDEFRAME ? PS_SOLID : nPenStyle};
    MarkCreated(OBJ_PEN);
    return TRUE;
}

BOOL CPen::CreatePenIndirect(const LOGPEN* lp) {
    if (!lp) return FALSE;
    return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

int CPen::GetLogPen(LOGPEN* lp) const {
    if (!lp || m_type != OBJ_PEN) return 0;
    lp->lopnStyle = static_cast<UINT>(m_pen.style);
    lp->lopnWidth = POINT{m_pen.width, 0};
    lp->lopnColor = m_pen.color;
    return sizeof(LOGPEN);
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
    m_brush = qv::DrawBrush{crColor, false};
    MarkCreated(OBJ_BRUSH);
    return TRUE;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
    if (!lpLogFont) return FALSE;
    m_logFont = *lpLogFont;
    m_logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    MarkCreated(OBJ_FONT);
    return TRUE;
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename) {
    LOGFONT lf{};
    lf.lfHeight = nHeight;
    lf.lfWidth = nWidth;
    lf.lfEscapement = nEscapement;
    lf.lfOrientation = nOrientation;
    lf.lfWeight = nWeight;
    lf.lfItalic = bItalic;
    lf.lfUnderline = bUnderline;
    lf.lfStrikeOut = cStrikeOut;
    lf.lfCharSet = nCharSet;
    lf.lfOutPrecision = nOutPrecision;
    lf.lfClipPrecision = nClipPrecision;
    lf.lfQuality = nQuality;
    lf.lfPitchAndFamily = nPitchAndFamily;
    SetFace(lf, lpszFacename);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC*) {
    LOGFONT lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(nPointSize / 10.0 * kPixelsPerInch / 72.0));
    lf.lfWeight = FW_NORMAL;
    SetFace(lf, lpszFaceName);
    return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONT* pLogFont) const {
    if (!pLogFont || m_type != OBJ_FONT) return 0;
    *pLogFont = m_logFont;
    return sizeof(LOGFONT);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    // The framework's resource search: the resource module first, then the modules of the
    // extension chain (their resources, then the modules themselves).
    std::vector<HMODULE> modules{AfxGetResourceHandle()};
    for (int i = 0; i < qv::DynLinkLibraryCount(); ++i)
        if (CDynLinkLibrary* lib = qv::DynLinkLibraryAt(i)) {
            modules.push_back(lib->m_hResource);
            modules.push_back(lib->m_hModule);
        }
    for (HMODULE module : modules) {
        const qv::ResourceScript* rs = module ? qv::GetModuleResources(module) : nullptr;
        if (!rs) continue;
        auto it = rs->bitmaps.find(static_cast<int>(nIDResource));
        if (it == rs->bitmaps.end()) continue;
        m_bitmapId = static_cast<int>(nIDResource);
        m_bitmapSize = SIZE{it->second.width, it->second.height};
        MarkCreated(OBJ_BITMAP);
        return TRUE;
    }
    return FALSE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int nWidth, int nHeight) {
    if (nWidth < 0 || nHeight < 0) return FALSE;
    m_bitmapId = 0;
    m_bitmapSize = SIZE{nWidth, nHeight};
    MarkCreated(OBJ_BITMAP);
    return TRUE;
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    if (!pBitMap || m_type != OBJ_BITMAP) return 0;
    *pBitMap = BITMAP{};
    pBitMap->bmWidth = m_bitmapSize.cx;
    pBitMap->bmHeight = m_bitmapSize.cy;
    pBitMap->bmWidthBytes = ((m_bitmapSize.cx * 24 + 31) / 32) * 4;
    pBitMap->bmPlanes = 1;
    pBitMap->bmBitsPixel = 24;
    return sizeof(BITMAP);
}

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2) {
    m_region = Normalized(RECT{x1, y1, x2, y2});
    MarkCreated(OBJ_REGION);
    return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect) {
    if (!lpRect) return FALSE;
    return CreateRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CRgn::GetRgnBox(LPRECT lpRect) const {
    if (!lpRect || m_type != OBJ_REGION) return 0;
    *lpRect = m_region;
    return CRect(m_region).IsRectEmpty() ? 1 : 2;
}

// ---------------------------------------------------------------------------------------
// CDC

CDC::CDC()
    : m_hDC(reinterpret_cast<HDC>(this)),
      m_pCurPen(&Stock().pens[BLACK_PEN - WHITE_PEN]),
      m_pCurBrush(&Stock().brushes[WHITE_BRUSH]),
      m_pCurFont(&Stock().fonts[2]),
      m_pCurBitmap(nullptr),
      m_penDesc(m_pCurPen->m_pen),
      m_brushDesc(m_pCurBrush->m_brush),
      m_fontDesc(DefaultLogFont()) {
    LiveDCs().insert(this);
}

CDC::~CDC() { LiveDCs().erase(this); }

CDC* CDC::FromHandle(HDC hDC) {
    CDC* p = reinterpret_cast<CDC*>(hDC);
    return LiveDCs().count(p) ? p : nullptr;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
    m_memoryDC = true;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    m_memoryDC = false;
    m_pCurBitmap = nullptr;
    return TRUE;
}

CPen* CDC::SelectObject(CPen* pPen) {
    if (!pPen || pPen->m_type != OBJ_PEN) return nullptr;
    CPen* old = m_pCurPen;
    m_pCurPen = pPen;
    m_penDesc = pPen->m_pen;
    return old;
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
    if (!pBrush || pBrush->m_type != OBJ_BRUSH) return nullptr;
    CBrush* old = m_pCurBrush;
    m_pCurBrush = pBrush;
    m_brushDesc = pBrush->m_brush;
    return old;
}

CFont* CDC::SelectObject(CFont* pFont) {
    if (!pFont || pFont->m_type != OBJ_FONT) return nullptr;
    CFont* old = m_pCurFont;
    m_pCurFont = pFont;
    m_fontDesc = pFont->m_logFont;
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    if (!pBitmap || pBitmap->m_type != OBJ_BITMAP) return nullptr;
    CBitmap* old = m_pCurBitmap;
    m_pCurBitmap = pBitmap;
    return old;
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    if (!pObject) return nullptr;
    switch (pObject->m_type) {
    case OBJ_PEN: return SelectObject(static_cast<CPen*>(pObject));
    case OBJ_BRUSH: return SelectObject(static_cast<CBrush*>(pObject));
    case OBJ_FONT: return SelectObject(static_cast<CFont*>(pObject));
    case OBJ_BITMAP: return SelectObject(static_cast<CBitmap*>(pObject));
    default: return nullptr;
    }
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
    StockObjects& s = Stock();
    if (nIndex >= WHITE_BRUSH && nIndex <= NULL_BRUSH) return SelectObject(&s.brushes[nIndex]);
    if (nIndex >= WHITE_PEN && nIndex <= NULL_PEN) return SelectObject(&s.pens[nIndex - WHITE_PEN]);
    if (nIndex == ANSI_VAR_FONT) return SelectObject(&s.fonts[0]);
    if (nIndex == SYSTEM_FONT) return SelectObject(&s.fonts[1]);
    if (nIndex == DEFAULT_GUI_FONT) return SelectObject(&s.fonts[2]);
    return nullptr;
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
    COLORREF old = m_textColor;
    m_textColor = crColor;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
    COLORREF old = m_bkColor;
    m_bkColor = crColor;
    return old;
}

int CDC::SetBkMode(int nBkMode) {
    if (nBkMode != TRANSPARENT && nBkMode != OPAQUE) return 0;
    int old = m_bkMode;
    m_bkMode = nBkMode;
    return old;
}

// ---------------------------------------------------------------------------------------
// Mapping

int CDC::SetMapMode(int nMapMode) {
    // Metric modes: 96 device pixels per inch, y grows upwards.
    struct Preset { int mode; int units; };
    static const Preset presets[] = {{MM_LOMETRIC, 254}, {MM_HIMETRIC, 2540}, {MM_LOENGLISH, 100},
                                     {MM_HIENGLISH, 1000}, {MM_TWIPS, 1440}};
    if (nMapMode < MM_TEXT || nMapMode > MM_ANISOTROPIC) return 0;
    int old = m_mapMode;
    m_mapMode = nMapMode;
    if (nMapMode == MM_TEXT) {
        m_windowExt = CSize(1, 1);
        m_viewportExt = CSize(1, 1);
    } else if (nMapMode == MM_ISOTROPIC) {
        // Like the original, an isotropic mapping starts from the low-metric extents.
        m_windowExt = CSize(254, 254);
        m_viewportExt = CSize(kPixelsPerInch, -kPixelsPerInch);
    } else if (nMapMode != MM_ANISOTROPIC) {
        for (const Preset& p : presets)
            if (p.mode == nMapMode) {
                m_windowExt = CSize(p.units, p.units);
                m_viewportExt = CSize(kPixelsPerInch, -kPixelsPerInch);
            }
    }
    // MM_ANISOTROPIC keeps the extents of the mode before it.
    return old;
}

CPoint CDC::SetWindowOrg(int x, int y) {
    CPoint old = m_windowOrg;
    m_windowOrg = CPoint(x, y);
    return old;
}

CPoint CDC::SetViewportOrg(int x, int y) {
    CPoint old = m_viewportOrg;
    m_viewportOrg = CPoint(x, y);
    return old;
}

CPoint CDC::OffsetViewportOrg(int nWidth, int nHeight) {
    return SetViewportOrg(m_viewportOrg.x + nWidth, m_viewportOrg.y + nHeight);
}

CPoint CDC::OffsetWindowOrg(int nWidth, int nHeight) {
    return SetWindowOrg(m_windowOrg.x + nWidth, m_windowOrg.y + nHeight);
}

void CDC::AdjustIsotropic() {
    if (m_mapMode != MM_ISOTROPIC) return;
    // Equal scales on both axes: the viewport extent of the axis with the larger scale is
    // reduced, keeping its sign.
    double sx = std::fabs(static_cast<double>(m_viewportExt.cx) / m_windowExt.cx);
    double sy = std::fabs(static_cast<double>(m_viewportExt.cy) / m_windowExt.cy);
    if (sx > sy) {
        LONG v = std::max<LONG>(1, ClampLong(std::fabs(static_cast<double>(m_windowExt.cx)) * sy));
        m_viewportExt.cx = m_viewportExt.cx < 0 ? -v : v;
    } else if (sy > sx) {
        LONG v = std::max<LONG>(1, ClampLong(std::fabs(static_cast<double>(m_windowExt.cy)) * sx));
        m_viewportExt.cy = m_viewportExt.cy < 0 ? -v : v;
    }
}

CSize CDC::SetWindowExt(int cx, int cy) {
    CSize old = m_windowExt;
    if ((m_mapMode != MM_ISOTROPIC && m_mapMode != MM_ANISOTROPIC) || cx == 0 || cy == 0) return old;
    m_windowExt = CSize(cx, cy);
    AdjustIsotropic();
    return old;
}

CSize CDC::SetViewportExt(int cx, int cy) {
    CSize old = m_viewportExt;
    if ((m_mapMode != MM_ISOTROPIC && m_mapMode != MM_ANISOTROPIC) || cx == 0 || cy == 0) return old;
    m_viewportExt = CSize(cx, cy);
    AdjustIsotropic();
    return old;
}

POINT CDC::ToDevice(int x, int y) const {
    return POINT{MapAxis(x, m_windowOrg.x, m_windowExt.cx, m_viewportOrg.x, m_viewportExt.cx),
                 MapAxis(y, m_windowOrg.y, m_windowExt.cy, m_viewportOrg.y, m_viewportExt.cy)};
}

RECT CDC::ToDevice(const RECT& r) const {
    POINT a = ToDevice(r.left, r.top), b = ToDevice(r.right, r.bottom);
    return RECT{a.x, a.y, b.x, b.y};
}

int CDC::ScaleX(int v) const { return ScaleAxis(v, m_viewportExt.cx, m_windowExt.cx); }

int CDC::ScaleY(int v) const { return ScaleAxis(v, m_viewportExt.cy, m_windowExt.cy); }

void CDC::LPtoDP(LPPOINT lpPoints, int nCount) const {
    if (!lpPoints) return;
    for (int i = 0; i < nCount; ++i) lpPoints[i] = ToDevice(lpPoints[i].x, lpPoints[i].y);
}

void CDC::LPtoDP(LPRECT lpRect) const {
    if (lpRect) *lpRect = ToDevice(*lpRect);
}

void CDC::LPtoDP(SIZE* lpSize) const {
    if (!lpSize) return;
    lpSize->cx = ScaleX(lpSize->cx);
    lpSize->cy = ScaleY(lpSize->cy);
}

void CDC::DPtoLP(LPPOINT lpPoints, int nCount) const {
    if (!lpPoints) return;
    for (int i = 0; i < nCount; ++i) {
        lpPoints[i] = POINT{MapAxis(lpPoints[i].x, m_viewportOrg.x, m_viewportExt.cx, m_windowOrg.x, m_windowExt.cx),
                            MapAxis(lpPoints[i].y, m_viewportOrg.y, m_viewportExt.cy, m_windowOrg.y, m_windowExt.cy)};
    }
}

void CDC::DPtoLP(LPRECT lpRect) const {
    if (!lpRect) return;
    POINT p[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
    DPtoLP(p, 2);
    *lpRect = RECT{p[0].x, p[0].y, p[1].x, p[1].y};
}

void CDC::DPtoLP(SIZE* lpSize) const {
    if (!lpSize) return;
    lpSize->cx = ScaleAxis(lpSize->cx, m_windowExt.cx, m_viewportExt.cx);
    lpSize->cy = ScaleAxis(lpSize->cy, m_windowExt.cy, m_viewportExt.cy);
}

// ---------------------------------------------------------------------------------------
// States and clipping

CDC::State CDC::SaveState() const {
    return State{m_pCurPen, m_pCurBrush, m_pCurFont, m_pCurBitmap, m_penDesc, m_brushDesc, m_fontDesc,
                 m_textColor, m_bkColor, m_bkMode, m_mapMode, m_windowOrg, m_viewportOrg, m_windowExt,
                 m_viewportExt, m_clipped, m_clip, m_curPos};
}

void CDC::LoadState(const State& s) {
    m_pCurPen = s.pen; m_pCurBrush = s.brush; m_pCurFont = s.font; m_pCurBitmap = s.bitmap;
    m_penDesc = s.penDesc; m_brushDesc = s.brushDesc; m_fontDesc = s.fontDesc;
    m_textColor = s.textColor; m_bkColor = s.bkColor; m_bkMode = s.bkMode;
    m_mapMode = s.mapMode; m_windowOrg = s.windowOrg; m_viewportOrg = s.viewportOrg;
    m_windowExt = s.windowExt; m_viewportExt = s.viewportExt;
    m_clipped = s.clipped; m_clip = s.clip; m_curPos = s.curPos;
}

int CDC::SaveDC() {
    m_saved.push_back(SaveState());
    return static_cast<int>(m_saved.size());
}

BOOL CDC::RestoreDC(int nSavedDC) {
    int n = static_cast<int>(m_saved.size());
    int level = nSavedDC < 0 ? n + 1 + nSavedDC : nSavedDC;
    if (n == 0 || level < 1 || level > n) return FALSE;
    LoadState(m_saved[static_cast<size_t>(level - 1)]);
    m_saved.resize(static_cast<size_t>(level - 1));
    return TRUE;
}

int CDC::SelectClipRgn(CRgn* pRgn) {
    if (!pRgn) {
        m_clipped = false;
        return 2; // SIMPLEREGION: the whole surface
    }
    if (pRgn->m_type != OBJ_REGION) return 0;
    m_clipped = true;
    m_clip = pRgn->m_region;
    return CRect(m_clip).IsRectEmpty() ? 1 : 2;
}

int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) {
    CRect r(Normalized(ToDevice(RECT{x1, y1, x2, y2})));
    if (m_clipped) {
        CRect both;
        both.IntersectRect(&r, &m_clip);
        r = both;
    }
    m_clipped = true;
    m_clip = r;
    return r.IsRectEmpty() ? 1 : 2;
}

int CDC::GetClipBox(LPRECT lpRect) const {
    if (!lpRect) return 0;
    RECT r = m_clipped ? m_clip : RECT{0, 0, m_list.width, m_list.height};
    DPtoLP(&r);
    const CRect n(Normalized(r));
    *lpRect = n;
    return n.IsRectEmpty() ? 1 : 2;
}

// ---------------------------------------------------------------------------------------
// Recording

qv::DrawItem CDC::NewItem(qv::DrawKind kind) const {
    qv::DrawItem it;
    it.kind = kind;
    it.pen = m_penDesc;
    it.pen.width = std::max(1, ScaleX(m_penDesc.width));
    it.brush = m_brushDesc;
    it.font.face = m_fontDesc.lfFaceName;
    int h = std::abs(ScaleY(m_fontDesc.lfHeight));
    it.font.height = h > 0 ? h : kDefaultFontHeight;
    it.font.weight = m_fontDesc.lfWeight ? m_fontDesc.lfWeight : FW_NORMAL;
    it.font.italic = m_fontDesc.lfItalic != 0;
    it.font.underline = m_fontDesc.lfUnderline != 0;
    it.textColor = m_textColor;
    it.bkColor = m_bkColor;
    it.bkMode = m_bkMode;
    it.clipped = m_clipped;
    it.clip = m_clip;
    return it;
}

void CDC::Record(qv::DrawItem item) {
    // Drawing into a memory DC changes only its bitmap, which is not kept.
    if (m_memoryDC) return;
    m_list.items.push_back(std::move(item));
}

qv::DisplayList CDC::TakeDisplayList() {
    qv::DisplayList out = std::move(m_list);
    m_list = qv::DisplayList{};
    m_list.width = out.width;
    m_list.height = out.height;
    return out;
}

CPoint CDC::MoveTo(int x, int y) {
    CPoint old = m_curPos;
    m_curPos = CPoint(x, y);
    return old;
}

BOOL CDC::LineTo(int x, int y) {
    qv::DrawItem it = NewItem(qv::DrawKind::Line);
    it.points = {ToDevice(m_curPos.x, m_curPos.y), ToDevice(x, y)};
    Record(std::move(it));
    m_curPos = CPoint(x, y);
    return TRUE;
}

BOOL CDC::RecordPoints(qv::DrawKind kind, const POINT* lpPoints, int nCount) {
    if (!lpPoints || nCount < 2) return FALSE;
    qv::DrawItem it = NewItem(kind);
    it.points.reserve(static_cast<size_t>(nCount));
    for (int i = 0; i < nCount; ++i) it.points.push_back(ToDevice(lpPoints[i].x, lpPoints[i].y));
    Record(std::move(it));
    return TRUE;
}

BOOL CDC::Polyline(const POINT* lpPoints, int nCount) { return RecordPoints(qv::DrawKind::Polyline, lpPoints, nCount); }

BOOL CDC::Polygon(const POINT* lpPoints, int nCount) { return RecordPoints(qv::DrawKind::Polygon, lpPoints, nCount); }

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
    qv::DrawItem it = NewItem(qv::DrawKind::Rectangle);
    it.rect = Normalized(ToDevice(RECT{x1, y1, x2, y2}));
    Record(std::move(it));
    return TRUE;
}

BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) {
    qv::DrawItem it = NewItem(qv::DrawKind::Ellipse);
    it.rect = Normalized(ToDevice(RECT{x1, y1, x2, y2}));
    Record(std::move(it));
    return TRUE;
}

BOOL CDC::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    qv::DrawItem it = NewItem(qv::DrawKind::Arc);
    it.rect = Normalized(ToDevice(RECT{x1, y1, x2, y2}));
    it.points = {ToDevice(x3, y3), ToDevice(x4, y4)};
    Record(std::move(it));
    return TRUE;
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
    if (!lpRect) return;
    qv::DrawItem it = NewItem(qv::DrawKind::Fill);
    if (pBrush && pBrush->m_type == OBJ_BRUSH) it.brush = pBrush->m_brush;
    if (it.brush.hollow) return;
    it.rect = Normalized(ToDevice(*lpRect));
    Record(std::move(it));
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    if (!lpRect) return;
    // As on the original, the background colour becomes the fill colour.
    SetBkColor(clr);
    qv::DrawItem it = NewItem(qv::DrawKind::Fill);
    it.brush = qv::DrawBrush{clr, false};
    it.rect = Normalized(ToDevice(*lpRect));
    Record(std::move(it));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, clr);
}

void CDC::DrawFocusRect(LPCRECT lpRect) {
    if (!lpRect) return;
    qv::DrawItem it = NewItem(qv::DrawKind::Rectangle);
    it.pen = qv::DrawPen{RGB(0, 0, 0), 1, PS_DOT};
    it.brush = qv::DrawBrush{0, true};
    it.rect = Normalized(ToDevice(*lpRect));
    Record(std::move(it));
}

BOOL CDC::TextOut(int x, int y, LPCTSTR lpszString, int nCount) {
    if (!lpszString || nCount < 0) return FALSE;
    qv::DrawItem it = NewItem(qv::DrawKind::Text);
    POINT p = ToDevice(x, y);
    it.rect = RECT{p.x, p.y, p.x, p.y};
    // The text ends at the count or at a terminating null, whichever comes first.
    it.text.assign(lpszString, strnlen(lpszString, static_cast<size_t>(nCount)));
    it.textOut = true;
    Record(std::move(it));
    return TRUE;
}

CSize CDC::GetTextExtent(LPCTSTR lpszString, int nCount) const {
    if (!lpszString || nCount <= 0) {
        CSize z(0, 0);
        return z;
    }
    // Device size from the font (average character width half the cell height), then back
    // into logical units.
    int h = std::abs(ScaleY(m_fontDesc.lfHeight));
    if (h == 0) h = kDefaultFontHeight;
    int cw = m_fontDesc.lfWidth ? std::max(1, std::abs(ScaleX(m_fontDesc.lfWidth))) : std::max(1, h / 2);
    SIZE s{static_cast<LONG>(std::min<long>(static_cast<long>(cw) * nCount, 1L << 30)), h};
    DPtoLP(&s);
    return CSize(s.cx, s.cy);
}

int CDC::DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    if (!lpszString || !lpRect) return 0;
    size_t n = nCount < 0 ? std::strlen(lpszString) : strnlen(lpszString, static_cast<size_t>(nCount));
    std::string text(lpszString, n);
    // Lines and the widest line, for the height and DT_CALCRECT.
    int lines = 1;
    size_t widest = 0, cur = 0;
    for (char c : text) {
        if (c == '\n' && !(nFormat & DT_SINGLELINE)) {
            ++lines;
            widest = std::max(widest, cur);
            cur = 0;
        } else if (c != '\r') {
            ++cur;
        }
    }
    widest = std::max(widest, cur);
    CSize line = GetTextExtent("x", 1);
    int lineHeight = line.cy;
    int height = lineHeight * lines;
    if (nFormat & DT_CALCRECT) {
        CSize ext = GetTextExtent(text.c_str(), static_cast<int>(std::min<size_t>(widest, 1u << 20)));
        lpRect->right = lpRect->left + ext.cx;
        lpRect->bottom = lpRect->top + height;
        return height;
    }
    qv::DrawItem it = NewItem(qv::DrawKind::Text);
    it.rect = Normalized(ToDevice(*lpRect));
    it.text = text;
    it.format = nFormat;
    Record(std::move(it));
    return height;
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int, int, DWORD) {
    if (!pSrcDC) return FALSE;
    CBitmap* bmp = pSrcDC->m_pCurBitmap;
    if (!bmp) return TRUE; // a source without a picture leaves nothing to record
    DrawImageRef("bitmap", bmp->m_bitmapId, -1, RECT{x, y, x + nWidth, y + nHeight});
    return TRUE;
}

void CDC::DrawImageRef(const char* source, int id, int index, const RECT& logicalRect) {
    qv::DrawItem it = NewItem(qv::DrawKind::Image);
    it.imageSource = source ? source : "";
    it.imageId = id;
    it.imageIndex = index;
    it.rect = Normalized(ToDevice(logicalRect));
    Record(std::move(it));
}

int CDC::GetDeviceCaps(int nIndex) const {
    switch (nIndex) {
    case LOGPIXELSX: case LOGPIXELSY: return kPixelsPerInch;
    case HORZRES: return m_list.width > 0 ? m_list.width : 1024;
    case VERTRES: return m_list.height > 0 ? m_list.height : 768;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------------------
// Paint and client DCs, and the paintings of windows

namespace {

struct Painting {
    HWND hwnd;
    qv::DisplayList list;
};

std::map<const CWnd*, Painting>& Paintings() {
    static std::map<const CWnd*, Painting> paintings;
    return paintings;
}

void SizeToClient(CDC& dc, CWnd* pWnd, RECT& client) {
    client = RECT{0, 0, 0, 0};
    if (pWnd && pWnd->GetSafeHwnd()) pWnd->GetClientRect(&client);
    dc.SetDeviceSize(client.right - client.left, client.bottom - client.top);
}

} // namespace

namespace qv {

const DisplayList* GetLastPainting(const CWnd* pWnd) {
    auto it = Paintings().find(pWnd);
    // A window object at the address of a destroyed one has a different handle: the old
    // picture is not its own.
    if (it == Paintings().end() || !pWnd || it->second.hwnd != pWnd->GetSafeHwnd()) return nullptr;
    return &it->second.list;
}

void ForgetPainting(const CWnd* pWnd) {
    // Few windows paint, and what they painted goes with them: while no picture is kept, a
    // window goes without a search.
    auto& paintings = Paintings();
    if (!paintings.empty()) paintings.erase(pWnd);
}

void StorePainting(const CWnd* pWnd, const DisplayList& list, bool append) {
    if (!pWnd) return;
    // Pictures of windows that no longer exist are dropped here, so a long run does not
    // collect them.
    for (auto it = Paintings().begin(); it != Paintings().end();)
        it = IsWindow(it->second.hwnd) ? std::next(it) : Paintings().erase(it);
    HWND hwnd = pWnd->GetSafeHwnd();
    auto it = Paintings().find(pWnd);
    if (!append || it == Paintings().end() || it->second.hwnd != hwnd) {
        Paintings()[pWnd] = Painting{hwnd, list};
        return;
    }
    Painting& p = it->second;
    p.list.items.insert(p.list.items.end(), list.items.begin(), list.items.end());
    p.list.width = list.width;
    p.list.height = list.height;
}

} // namespace qv

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_pWnd(pWnd) {
    m_ps.hdc = m_hDC;
    m_ps.fErase = pWnd ? TRUE : FALSE;
    SizeToClient(*this, pWnd, m_ps.rcPaint);
}

CPaintDC::~CPaintDC() {
    if (!m_pWnd || !m_pWnd->GetSafeHwnd()) return;
    qv::StorePainting(m_pWnd, m_list, false);
    m_pWnd->ValidateRect(nullptr);
}

CClientDC::CClientDC(CWnd* pWnd) : m_pWnd(pWnd) {
    RECT client;
    SizeToClient(*this, pWnd, client);
}

CClientDC::~CClientDC() {
    if (m_pWnd && m_pWnd->GetSafeHwnd()) qv::StorePainting(m_pWnd, m_list, true);
}
