// Rendering of a display list as an SVG document.
//
// Numbers are written in their shortest round-trip text, which never depends on the process
// locale. Text keeps the system's Windows-1252 bytes in the display list and becomes UTF-8
// only here.
#include "afx/svg.h"
#include "toolkit/shortest_number.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

namespace qv {

namespace {

// Unicode code points of the bytes 0x80..0x9F; 0 marks the five bytes the code page leaves
// undefined.
const unsigned kHighControls[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Escapes a UTF-8 text for use in XML content and in double-quoted attributes.
std::string XmlEscape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string Text(const std::string& cp1252) { return XmlEscape(Cp1252ToUtf8(cp1252)); }

std::string Num(double v) {
    char buf[64];
    // Round to a thousandth so that halves from centre points stay short.
    double r = std::round(v * 1000.0) / 1000.0;
    if (r == 0.0) r = 0.0; // no "-0"
    return std::string(buf, qv::WriteShortestNumber(buf, r));
}

std::string Num(long v) { return std::to_string(v); }

std::string Colour(COLORREF c) {
    static const char* hex = "0123456789abcdef";
    unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    std::string s = "#";
    for (unsigned v : {r, g, b}) {
        s += hex[v >> 4];
        s += hex[v & 0xF];
    }
    return s;
}

// The stroke attributes of a pen (PS_NULL draws no outline).
std::string Stroke(const DrawPen& pen) {
    if (pen.style == 5) return " stroke=\"none\"";
    std::string s = " stroke=\"" + Colour(pen.color) + "\" stroke-width=\"" +
                    Num(static_cast<long>(std::max(1, pen.width))) + "\"";
    switch (pen.style) {
    case 1: s += " stroke-dasharray=\"6,2\""; break;
    case 2: s += " stroke-dasharray=\"1,1\""; break;
    case 3: s += " stroke-dasharray=\"6,2,1,2\""; break;
    case 4: s += " stroke-dasharray=\"6,2,1,2,1,2\""; break;
    default: break;
    }
    return s;
}

std::string Fill(const DrawBrush& brush) {
    if (brush.hollow) return " fill=\"none\"";
    return " fill=\"" + Colour(brush.color) + "\"";
}

std::string Points(const std::vector<POINT>& pts) {
    std::string s;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (i) s += ' ';
        s += Num(static_cast<long>(pts[i].x)) + "," + Num(static_cast<long>(pts[i].y));
    }
    return s;
}

void Extend(int& w, int& h, long x, long y) {
    if (x > w) w = static_cast<int>(std::min<long>(x, 1 << 20));
    if (y > h) h = static_cast<int>(std::min<long>(y, 1 << 20));
}

std::tuple<long, long, long, long> Key(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The point where the ray from the centre of the ellipse towards p meets the ellipse.
void RayOnEllipse(double cx, double cy, double rx, double ry, const POINT& p, double& x, double& y,
                  double& angle) {
    double dx = p.x - cx, dy = p.y - cy;
    if (dx == 0 && dy == 0) dx = 1;
    // Screen y grows downwards; angles are counted counter-clockwise as seen on the screen.
    angle = std::atan2(-dy * rx, dx * ry);
    x = cx + rx * std::cos(angle);
    y = cy - ry * std::sin(angle);
}

std::string TextElement(const DrawItem& it) {
    const DrawFont& f = it.font;
    int size = std::max(1, std::abs(f.height));
    std::string anchor = "start", baseline = "text-before-edge";
    double x = it.rect.left, y = it.rect.top;
    if (!it.textOut) {
        if (it.format & 0x1) { anchor = "middle"; x = (it.rect.left + it.rect.right) / 2.0; }
        else if (it.format & 0x2) { anchor = "end"; x = it.rect.right; }
        if (it.format & 0x20) {
            if (it.format & 0x4) { baseline = "central"; y = (it.rect.top + it.rect.bottom) / 2.0; }
            else if (it.format & 0x8) { baseline = "text-after-edge"; y = it.rect.bottom; }
        }
    }
    std::string s = "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-family=\"" +
                    (f.face.empty() ? std::string("sans-serif") : Text(f.face)) + "\" font-size=\"" +
                    Num(static_cast<long>(size)) + "\"";
    if (f.weight >= 600) s += " font-weight=\"bold\"";
    if (f.italic) s += " font-style=\"italic\"";
    if (f.underline) s += " text-decoration=\"underline\"";
    s += " fill=\"" + Colour(it.textColor) + "\" text-anchor=\"" + anchor +
         "\" dominant-baseline=\"" + baseline + "\" xml:space=\"preserve\"";
    std::vector<std::string> lines;
    if (it.textOut || (it.format & 0x20)) {
        std::string one;
        for (char c : it.text)
            if (c != '\r' && c != '\n') one += c;
        lines.push_back(one);
    } else {
        std::string cur;
        for (char c : it.text) {
            if (c == '\r') continue;
            if (c == '\n') { lines.push_back(cur); cur.clear(); continue; }
            cur += c;
        }
        lines.push_back(cur);
    }
    if (lines.size() == 1) return s + ">" + Text(lines[0]) + "</text>";
    s += ">";
    for (size_t i = 0; i < lines.size(); ++i)
        s += "<tspan x=\"" + Num(x) + "\" dy=\"" + (i ? Num(static_cast<long>(size)) : std::string("0")) + "\">" +
             Text(lines[i]) + "</tspan>";
    return s + "</text>";
}

} // namespace

std::string Cp1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        unsigned cp = c;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') cp = 0xFFFD;
        else if (c >= 0x80 && c < 0xA0) cp = kHighControls[c - 0x80] ? kHighControls[c - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string RenderSvg(const DisplayList& list) {
    int w = list.width, h = list.height;
    if (w <= 0 || h <= 0) {
        int ew = 0, eh = 0;
        for (const DrawItem& it : list.items) {
            for (const POINT& p : it.points) Extend(ew, eh, p.x, p.y);
            Extend(ew, eh, it.rect.left, it.rect.top);
            Extend(ew, eh, it.rect.right, it.rect.bottom);
        }
        if (w <= 0) w = std::max(1, ew + 1);
        if (h <= 0) h = std::max(1, eh + 1);
    }

    std::map<std::tuple<long, long, long, long>, int> clips;
    for (const DrawItem& it : list.items)
        if (it.clipped) clips.emplace(Key(it.clip), static_cast<int>(clips.size()));

    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + Num(static_cast<long>(w)) +
         "\" height=\"" + Num(static_cast<long>(h)) + "\" viewBox=\"0 0 " + Num(static_cast<long>(w)) + " " +
         Num(static_cast<long>(h)) + "\">\n";
    if (!clips.empty()) {
        s += "<defs>\n";
        for (const auto& [r, id] : clips) {
            auto [l, t, rr, b] = r;
            s += "<clipPath id=\"clip" + std::to_string(id) + "\"><rect x=\"" + Num(l) + "\" y=\"" + Num(t) +
                 "\" width=\"" + Num(std::max(0L, rr - l)) + "\" height=\"" + Num(std::max(0L, b - t)) +
                 "\"/></clipPath>\n";
        }
        s += "</defs>\n";
    }

    for (const DrawItem& it : list.items) {
        std::string clip;
        if (it.clipped) clip = " clip-path=\"url(#clip" + std::to_string(clips[Key(it.clip)]) + ")\"";
        const RECT& r = it.rect;
        long rw = std::abs(static_cast<long>(r.right) - r.left), rh = std::abs(static_cast<long>(r.bottom) - r.top);
        long rl = std::min(r.left, r.right), rt = std::min(r.top, r.bottom);
        switch (it.kind) {
        case DrawKind::Line:
            if (it.points.size() < 2) break;
            s += "<line x1=\"" + Num(static_cast<long>(it.points[0].x)) + "\" y1=\"" +
                 Num(static_cast<long>(it.points[0].y)) + "\" x2=\"" + Num(static_cast<long>(it.points[1].x)) +
                 "\" y2=\"" + Num(static_cast<long>(it.points[1].y)) + "\"" + Stroke(it.pen) + clip + "/>\n";
            break;
        case DrawKind::Polyline:
            s += "<polyline points=\"" + Points(it.points) + "\" fill=\"none\"" + Stroke(it.pen) + clip + "/>\n";
            break;
        case DrawKind::Polygon:
            s += "<polygon points=\"" + Points(it.points) + "\"" + Fill(it.brush) + Stroke(it.pen) + clip + "/>\n";
            break;
        case DrawKind::Rectangle:
            s += "<rect x=\"" + Num(rl) + "\" y=\"" + Num(rt) + "\" width=\"" + Num(rw) + "\" height=\"" + Num(rh) +
                 "\"" + Fill(it.brush) + Stroke(it.pen) + clip + "/>\n";
            break;
        case DrawKind::Fill:
            s += "<rect x=\"" + Num(rl) + "\" y=\"" + Num(rt) + "\" width=\"" + Num(rw) + "\" height=\"" + Num(rh) +
                 "\"" + Fill(it.brush) + " stroke=\"none\"" + clip + "/>\n";
            break;
        case DrawKind::Ellipse:
            s += "<ellipse cx=\"" + Num(rl + rw / 2.0) + "\" cy=\"" + Num(rt + rh / 2.0) + "\" rx=\"" +
                 Num(rw / 2.0) + "\" ry=\"" + Num(rh / 2.0) + "\"" + Fill(it.brush) + Stroke(it.pen) + clip + "/>\n";
            break;
        case DrawKind::Arc: {
            if (it.points.size() < 2 || rw == 0 || rh == 0) break;
            double cx = rl + rw / 2.0, cy = rt + rh / 2.0, rx = rw / 2.0, ry = rh / 2.0;
            double x0, y0, a0, x1, y1, a1;
            RayOnEllipse(cx, cy, rx, ry, it.points[0], x0, y0, a0);
            RayOnEllipse(cx, cy, rx, ry, it.points[1], x1, y1, a1);
            double sweep = a1 - a0;
            while (sweep <= 0) sweep += 2 * std::numbers::pi;
            while (sweep > 2 * std::numbers::pi) sweep -= 2 * std::numbers::pi;
            if (std::fabs(sweep - 2 * std::numbers::pi) < 1e-9) {
                // Start and end rays coincide: the whole ellipse.
                s += "<ellipse cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" rx=\"" + Num(rx) + "\" ry=\"" + Num(ry) +
                     "\" fill=\"none\"" + Stroke(it.pen) + clip + "/>\n";
                break;
            }
            // Counter-clockwise on the screen is SVG's negative sweep direction (flag 0).
            s += "<path d=\"M " + Num(x0) + " " + Num(y0) + " A " + Num(rx) + " " + Num(ry) + " 0 " +
                 (sweep > std::numbers::pi ? "1" : "0") + " 0 " + Num(x1) + " " + Num(y1) + "\" fill=\"none\"" + Stroke(it.pen) +
                 clip + "/>\n";
            break;
        }
        case DrawKind::Text:
            s += TextElement(it);
            if (!clip.empty()) s.insert(s.rfind("<text") + 5, clip);
            s += "\n";
            break;
        case DrawKind::Image: {
            std::string ref = it.imageSource + " " + std::to_string(it.imageId);
            if (it.imageIndex >= 0) ref += " #" + std::to_string(it.imageIndex);
            s += "<rect class=\"image\" data-source=\"" + XmlEscape(it.imageSource) + "\" data-id=\"" +
                 std::to_string(it.imageId) + "\" data-index=\"" + std::to_string(it.imageIndex) + "\" x=\"" + Num(rl) +
                 "\" y=\"" + Num(rt) + "\" width=\"" + Num(rw) + "\" height=\"" + Num(rh) +
                 "\" fill=\"#d4d0c8\" stroke=\"#808080\" stroke-width=\"1\"" + clip + "><title>" + XmlEscape(ref) +
                 "</title></rect>\n";
            break;
        }
        }
    }
    s += "</svg>\n";
    return s;
}

} // namespace qv
