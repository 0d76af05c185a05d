// The display list that a device context records, and its rendering as SVG.
//
// There is no screen: everything a window paints is kept as a list of drawing items in
// device coordinates (pixels of the window's client area, after the mapping that the
// drawing code set up). Tests read the list directly; the host renders it as an SVG picture.
#pragma once

#include "win32/wintypes.h"

#include <string>
#include <vector>

namespace qv {

struct DrawPen {
    COLORREF color = 0;   // RGB() value
    int width = 1;        // in device pixels, at least 1
    int style = 0;        // PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL
};

struct DrawBrush {
    COLORREF color = 0xFFFFFF;
    bool hollow = false;  // a null brush fills nothing
};

struct DrawFont {
    std::string face;     // Windows-1252 bytes
    int height = 13;      // cell height in device pixels
    int weight = 400;
    bool italic = false;
    bool underline = false;
};

enum class DrawKind {
    Line,       // points[0] -> points[1]
    Polyline,   // points, open
    Polygon,    // points, closed, filled with the brush
    Rectangle,  // rect, outlined with the pen, filled with the brush
    Ellipse,    // ellipse inscribed in rect
    Arc,        // part of the ellipse in rect, counter-clockwise from the ray to points[0]
                // to the ray to points[1] (the whole ellipse when both rays coincide)
    Text,       // text in rect with DrawText format flags (TextOut: rect is the origin point)
    Fill,       // rect filled with brush.color, no outline
    Image,      // a bitmap or image-list picture drawn into rect
};

struct DrawItem {
    DrawKind kind = DrawKind::Line;
    std::vector<POINT> points;
    RECT rect{0, 0, 0, 0};
    DrawPen pen;
    DrawBrush brush;
    DrawFont font;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = 2;            // OPAQUE
    std::string text;          // Windows-1252 bytes
    UINT format = 0;           // DT_* flags of DrawText
    bool textOut = false;      // placed by TextOut at rect.left/rect.top
    std::string imageSource;   // "bitmap" or "imagelist"
    int imageId = 0;           // bitmap resource ID (0 when unknown)
    int imageIndex = -1;       // index into an image list, -1 for a whole bitmap
    bool clipped = false;      // drawing is limited to clip
    RECT clip{0, 0, 0, 0};
};

struct DisplayList {
    int width = 0;    // size of the drawing surface in pixels; 0 = take the extent of the items
    int height = 0;
    std::vector<DrawItem> items;
};

// The SVG document of a display list: valid XML, UTF-8, with width, height and viewBox.
std::string RenderSvg(const DisplayList& list);

// Windows-1252 bytes to UTF-8; characters that XML cannot carry become U+FFFD.
std::string Cp1252ToUtf8(const std::string& text);

} // namespace qv
