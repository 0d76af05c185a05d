// Point, size and rectangle helpers of the windows layer, thin wrappers over the POINT, SIZE
// and RECT records of the platform types.
#pragma once

#include "win32/wintypes.h"

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int cx_, int cy_) : SIZE{cx_, cy_} {}
    CSize(const SIZE& s) : SIZE(s) {}
    bool operator==(const SIZE& o) const { return cx == o.cx && cy == o.cy; }
    bool operator!=(const SIZE& o) const { return !(*this == o); }
    CSize operator+(const SIZE& o) const { return CSize(cx + o.cx, cy + o.cy); }
    CSize operator-(const SIZE& o) const { return CSize(cx - o.cx, cy - o.cy); }
};

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x_, int y_) : POINT{x_, y_} {}
    CPoint(const POINT& p) : POINT(p) {}
    // A point packed into an LPARAM (x in the low word, y in the high word, both signed).
    explicit CPoint(LPARAM packed) : POINT{(short)LOWORD(packed), (short)HIWORD(packed)} {}
    void Offset(int dx, int dy) { x += dx; y += dy; }
    bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
    bool operator!=(const POINT& o) const { return !(*this == o); }
    CPoint operator+(const SIZE& s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(const SIZE& s) const { return CPoint(x - s.cx, y - s.cy); }
    CSize operator-(const POINT& p) const { return CSize(x - p.x, y - p.y); }
    CPoint& operator+=(const SIZE& s) { x += s.cx; y += s.cy; return *this; }
    CPoint& operator-=(const SIZE& s) { x -= s.cx; y -= s.cy; return *this; }
};

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    CRect(const RECT* r) : RECT(r ? *r : RECT{0, 0, 0, 0}) {}
    CRect(POINT topLeft, SIZE size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    CRect(POINT topLeft, POINT bottomRight) : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
    void InflateRect(int dx, int dy) { left -= dx; right += dx; top -= dy; bottom += dy; }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void NormalizeRect() {
        if (left > right) { LONG t = left; left = right; right = t; }
        if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
    }
    BOOL IntersectRect(const RECT* a, const RECT* b) {
        left = a->left > b->left ? a->left : b->left;
        top = a->top > b->top ? a->top : b->top;
        right = a->right < b->right ? a->right : b->right;
        bottom = a->bottom < b->bottom ? a->bottom : b->bottom;
        if (IsRectEmpty()) { SetRectEmpty(); return FALSE; }
        return TRUE;
    }
    BOOL UnionRect(const RECT* a, const RECT* b) {
        left = a->left < b->left ? a->left : b->left;
        top = a->top < b->top ? a->top : b->top;
        right = a->right > b->right ? a->right : b->right;
        bottom = a->bottom > b->bottom ? a->bottom : b->bottom;
        return !IsRectEmpty();
    }
    bool operator==(const RECT& o) const { return left == o.left && top == o.top && right == o.right && bottom == o.bottom; }
    bool operator!=(const RECT& o) const { return !(*this == o); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};
