// Recording device context: display list contents, mapping modes, saved states and the SVG
// rendering (parsed back with a strict XML reader).
#include "afx/dc.h"
#include "dc_xml.h"

#include <gtest/gtest.h>

#include <sstream>

using qvtest::XmlNode;
using qvtest::XmlReader;

namespace {

std::vector<std::pair<long, long>> ParsePoints(const std::string& s) {
    std::vector<std::pair<long, long>> out;
    std::istringstream in(s);
    std::string pair;
    while (in >> pair) {
        size_t comma = pair.find(',');
        out.emplace_back(std::stol(pair.substr(0, comma)), std::stol(pair.substr(comma + 1)));
    }
    return out;
}

TEST(DcSvg, PolylineRendersWithItsDevicePointsAndPen) {
    CDC dc;
    dc.SetDeviceSize(200, 120);
    CPen red(PS_SOLID, 2, RGB(255, 0, 0));
    CPen* old = dc.SelectObject(&red);
    POINT pts[] = {{20, 100}, {100, 60}, {180, 20}};
    ASSERT_TRUE(dc.Polyline(pts, 3));
    dc.SelectObject(old);
    dc.MoveTo(0, 0);
    dc.LineTo(10, 10); // after the old pen is back: black, width 1

    auto svg = XmlReader::Parse(dc.RenderSvg());
    EXPECT_EQ(svg->name, "svg");
    EXPECT_EQ(svg->attrs["xmlns"], "http://www.w3.org/2000/svg");
    EXPECT_EQ(svg->attrs["width"], "200");
    EXPECT_EQ(svg->attrs["height"], "120");
    EXPECT_EQ(svg->attrs["viewBox"], "0 0 200 120");

    auto polylines = svg->All("polyline");
    ASSERT_EQ(polylines.size(), 1u);
    auto p = polylines[0]->attrs;
    EXPECT_EQ(ParsePoints(p["points"]), (std::vector<std::pair<long, long>>{{20, 100}, {100, 60}, {180, 20}}));
    EXPECT_EQ(p["stroke"], "#ff0000");
    EXPECT_EQ(p["stroke-width"], "2");
    EXPECT_EQ(p["fill"], "none");

    auto lines = svg->All("line");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->attrs.at("stroke"), "#000000");
    EXPECT_EQ(lines[0]->attrs.at("x2"), "10");
}

TEST(DcSvg, DegeneratePolylinesAreRefused) {
    CDC dc;
    POINT one[] = {{1, 1}};
    EXPECT_FALSE(dc.Polyline(one, 1));
    EXPECT_FALSE(dc.Polyline(nullptr, 3));
    EXPECT_FALSE(dc.Polyline(one, -5));
    EXPECT_TRUE(dc.GetDisplayList().items.empty());
    // An empty list still renders a valid document with a non-zero size.
    auto svg = XmlReader::Parse(dc.RenderSvg());
    EXPECT_EQ(svg->attrs["width"], "1");
}

TEST(DcSvg, TextIsEscapedAndConvertedToUtf8) {
    CDC dc;
    dc.SetTextColor(RGB(0, 0, 255));
    dc.TextOut(5, 6, CString("a<b & \"c\" 20\xB0" "C \x80 \x01"));
    RECT box{0, 0, 100, 20};
    dc.DrawText(CString("x-axis"), &box, DT_SINGLELINE | DT_CENTER);

    std::string out = dc.RenderSvg();
    auto svg = XmlReader::Parse(out);
    auto texts = svg->All("text");
    ASSERT_EQ(texts.size(), 2u);
    // Degree sign U+00B0, euro sign U+20AC, and a control byte that XML cannot carry.
    EXPECT_EQ(texts[0]->text, "a<b & \"c\" 20\xC2\xB0" "C \xE2\x82\xAC \xEF\xBF\xBD");
    EXPECT_EQ(texts[0]->attrs.at("fill"), "#0000ff");
    EXPECT_EQ(texts[0]->attrs.at("x"), "5");
    EXPECT_EQ(texts[1]->attrs.at("text-anchor"), "middle");
    EXPECT_EQ(texts[1]->attrs.at("x"), "50");
    EXPECT_EQ(out.find('\x01'), std::string::npos);
}

TEST(DcSvg, ClipRectangleIsDefinedAndReferenced) {
    CDC dc;
    dc.IntersectClipRect(10, 10, 50, 40);
    dc.Rectangle(0, 0, 100, 100);
    dc.SelectClipRgn(nullptr);
    dc.Ellipse(0, 0, 20, 10);
    auto svg = XmlReader::Parse(dc.RenderSvg());
    auto clips = svg->All("clipPath");
    ASSERT_EQ(clips.size(), 1u);
    std::string id = clips[0]->attrs.at("id");
    auto rects = svg->All("rect");
    // The clip path's own rectangle and the drawn one.
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0]->attrs.at("width"), "40");
    EXPECT_EQ(rects[1]->attrs.at("clip-path"), "url(#" + id + ")");
    auto ellipses = svg->All("ellipse");
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0]->attrs.count("clip-path"), 0u);
    EXPECT_EQ(ellipses[0]->attrs.at("rx"), "10");
}

TEST(DcSvg, ArcsRunCounterClockwise) {
    CDC dc;
    // Upper half of a circle: from the right (100, 50) counter-clockwise to the left (0, 50).
    dc.Arc(0, 0, 100, 100, 100, 50, 0, 50);
    // Start equal to end: the whole ellipse.
    dc.Arc(0, 0, 40, 20, 40, 10, 40, 10);
    auto svg = XmlReader::Parse(dc.RenderSvg());
    auto paths = svg->All("path");
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0]->attrs.at("d"), "M 100 50 A 50 50 0 0 0 0 50");
    EXPECT_EQ(svg->All("ellipse").size(), 1u);
}

TEST(DcSvg, ImagesAreRecordedAsReferences) {
    CDC dc;
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(&dc));
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateCompatibleBitmap(&dc, 16, 16));
    bmp.m_bitmapId = 2097;
    CBitmap* old = mem.SelectObject(&bmp);
    mem.Rectangle(0, 0, 5, 5); // drawing into a memory DC is not part of any picture
    EXPECT_TRUE(dc.BitBlt(4, 2, 16, 16, &mem, 0, 0, SRCCOPY));
    mem.SelectObject(old);
    dc.DrawImageRef("imagelist", 138, 3, RECT{0, 20, 16, 36});

    EXPECT_TRUE(mem.GetDisplayList().items.empty());
    const auto& items = dc.GetDisplayList().items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].kind, qv::DrawKind::Image);
    EXPECT_EQ(items[0].imageId, 2097);
    EXPECT_EQ(items[0].imageIndex, -1);
    EXPECT_EQ(items[0].rect.left, 4);
    EXPECT_EQ(items[1].imageIndex, 3);

    auto svg = XmlReader::Parse(dc.RenderSvg());
    auto rects = svg->All("rect");
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[1]->attrs.at("data-source"), "imagelist");
    EXPECT_EQ(rects[1]->attrs.at("data-index"), "3");
}

TEST(DcObjects, SelectReturnsThePreviousObjectAndHandlesMapBack) {
    CDC dc;
    CPen pen(PS_DOT, 1, RGB(1, 2, 3));
    CBrush brush(RGB(9, 9, 9));
    CPen* defaultPen = dc.SelectObject(&pen);
    ASSERT_NE(defaultPen, nullptr);
    CBrush* defaultBrush = dc.SelectObject(&brush);
    dc.Rectangle(0, 0, 10, 10);
    EXPECT_EQ(dc.SelectObject(defaultPen), &pen);
    EXPECT_EQ(dc.SelectObject(defaultBrush), &brush);
    const auto& it = dc.GetDisplayList().items.at(0);
    EXPECT_EQ(it.pen.style, PS_DOT);
    EXPECT_EQ(it.pen.color, RGB(1, 2, 3));
    EXPECT_EQ(it.brush.color, RGB(9, 9, 9));

    // An object that was never created cannot be selected.
    CPen empty;
    EXPECT_EQ(dc.SelectObject(&empty), nullptr);
    EXPECT_EQ(CDC::FromHandle(dc.GetSafeHdc()), &dc);
    HDC stale;
    {
        CDC gone;
        stale = gone.GetSafeHdc();
    }
    EXPECT_EQ(CDC::FromHandle(stale), nullptr);
}

TEST(DcObjects, FontHeightAndWeightReachTheText) {
    CDC dc;
    CFont font;
    LOGFONT lf{};
    lf.lfHeight = -18;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Arial");
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    LOGFONT back{};
    ASSERT_EQ(font.GetLogFont(&back), static_cast<int>(sizeof(LOGFONT)));
    EXPECT_EQ(back.lfHeight, -18);
    CFont* old = dc.SelectObject(&font);
    dc.TextOut(0, 0, CString("T"));
    dc.SelectObject(old);
    const auto& t = dc.GetDisplayList().items.at(0);
    EXPECT_EQ(t.font.height, 18);
    EXPECT_EQ(t.font.face, "Arial");
    auto svg = XmlReader::Parse(dc.RenderSvg());
    EXPECT_EQ(svg->All("text").at(0)->attrs.at("font-weight"), "bold");
}

} // namespace
