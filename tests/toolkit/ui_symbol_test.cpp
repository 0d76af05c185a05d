// The symbol language: drawing into a rectangle, variants by mask, and malformed texts.
#include "toolkit/tb_draw_symbol.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const char kResistor[] =
    "# resistor\n"
    "line 0 50 25 50; line 75 50 100 50\n"
    "rect 25 40 75 60\r\n"
    "[0] line 30 70 70 30\n"
    "[0] polygon 70 30 64 32 68 36\n"
    "[!0] text 50 25 \"R; #1\"\n";

std::vector<qv::DrawKind> Kinds(const CDC& dc) {
    std::vector<qv::DrawKind> k;
    for (const auto& it : dc.GetDisplayList().items) k.push_back(it.kind);
    return k;
}

TEST(Symbol, MapsTheBoxUniformlyAndCentred) {
    CTBDrawSymbol sym(CRect(10, 20, 210, 120)); // 200 x 100: scale 1, box centred in x
    ASSERT_TRUE(sym.LoadSymbols(CString("line 0 0 100 100\ncircle 50 50 10")));
    CDC dc;
    sym.Draw(&dc);
    const auto& items = dc.GetDisplayList().items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].points[0].x, 60);
    EXPECT_EQ(items[0].points[0].y, 20);
    EXPECT_EQ(items[0].points[1].x, 160);
    EXPECT_EQ(items[0].points[1].y, 120);
    EXPECT_EQ(items[1].kind, qv::DrawKind::Ellipse);
    EXPECT_EQ(CRect(items[1].rect), CRect(100, 60, 120, 80));
    EXPECT_TRUE(items[1].brush.hollow); // outlines are not filled

    // The rectangle given to Draw wins over the constructor's; an empty one draws nothing.
    CDC dc2;
    sym.Draw(&dc2, CRect(0, 0, 0, 0));
    EXPECT_TRUE(dc2.GetDisplayList().items.empty());
    sym.Draw(nullptr);
}

TEST(Symbol, UprightInARectangleWithYUpwards) {
    // A rectangle converted into MM_LOMETRIC has its top above its bottom in value.
    CTBDrawSymbol sym(CRect(0, 0, 100, -100));
    ASSERT_TRUE(sym.LoadSymbols(CString("line 0 10 0 90")));
    CDC dc;
    sym.Draw(&dc);
    const auto& pts = dc.GetDisplayList().items.at(0).points;
    EXPECT_EQ(pts[0].y, -10);
    EXPECT_EQ(pts[1].y, -90);
}

TEST(Symbol, MaskSelectsTheVariant) {
    CTBDrawSymbol sym(CRect(0, 0, 100, 100));
    ASSERT_TRUE(sym.LoadSymbols(CString(kResistor))) << (LPCTSTR)sym.GetErrorText();
    EXPECT_EQ(sym.GetCommandCount(), 6);

    CDC linear;
    sym.Draw(&linear); // mask 0
    using K = qv::DrawKind;
    EXPECT_EQ(Kinds(linear), (std::vector<K>{K::Line, K::Line, K::Rectangle, K::Text}));
    EXPECT_EQ(linear.GetDisplayList().items.back().text, "R; #1"); // ';' and '#' inside quotes

    sym.SetCurMask(1);
    CDC nonlinear;
    sym.Draw(&nonlinear);
    EXPECT_EQ(Kinds(nonlinear), (std::vector<K>{K::Line, K::Line, K::Rectangle, K::Line, K::Polygon}));
    // The arrow head is filled in the pen's colour.
    CPen blue(PS_SOLID, 1, RGB(0, 0, 255));
    CDC coloured;
    coloured.SelectObject(&blue);
    sym.Draw(&coloured);
    EXPECT_EQ(coloured.GetDisplayList().items.back().brush.color, RGB(0, 0, 255));
    EXPECT_FALSE(coloured.GetDisplayList().items.back().brush.hollow);

    // Several bits: shown when any is set; kinds selected with 1 << kind.
    ASSERT_TRUE(sym.LoadSymbols(CString("[1,3] line 0 0 1 1\n[!1,3] rect 0 0 5 5\n[31] line 1 1 2 2")));
    CDC d2, d4, d8, dTop;
    sym.SetCurMask(1u << 2);
    sym.Draw(&d2);
    EXPECT_EQ(Kinds(d2), (std::vector<K>{K::Rectangle}));
    sym.SetCurMask(1u << 3);
    sym.Draw(&d8);
    EXPECT_EQ(Kinds(d8), (std::vector<K>{K::Line}));
    sym.SetCurMask(0x80000000u);
    sym.Draw(&dTop);
    EXPECT_EQ(Kinds(dTop), (std::vector<K>{K::Rectangle, K::Line}));
}

TEST(Symbol, MalformedTextsAreRefusedAndLeaveAnEmptySymbol) {
    struct Case {
        const char* text;
        const char* error; // part of the error text
    };
    const Case cases[] = {
        {"square 0 0 10 10", "command 1: unknown command \"square\""},
        {"line 0 0 10", "\"line\" needs 4 numbers"},
        {"line 0 0 10 10 10", "\"line\" needs 4 numbers"},
        {"polyline 0 0", "at least 2 points"},
        {"polygon 0 0 1 1 2", "at least 3 points"},
        {"line 0 0 1e2 5", "is not a number"},
        {"line 0 0 nan 5", "is not a number"},
        {"line 0 0 0,5 5", "is not a number"},
        {"line 0 0 0x10 5", "is not a number"},
        {"line 0 0 101 5", "outside 0..100"},
        {"line -1 0 10 5", "outside 0..100"},
        {"circle 5 5 10", "circle radius"},
        {"circle 50 50 0", "circle radius"},
        {"text 5 5", "needs a quoted text"},
        {"text 5 5 \"open", "unterminated text"},
        {"line 0 0 1 1; text 5 5 \"a\" 7", "arguments after the text"},
        {"line 0 0 1 1 \"x\"", "unexpected text"},
        {"[32] line 0 0 1 1", "above 31"},
        {"[1 line 0 0 1 1", "without ']'"},
        {"[a] line 0 0 1 1", "malformed mask"},
        {"[] line 0 0 1 1", "malformed mask"},
        {"[0]", "missing command"},
        {"line 0 0 1 1\nrect 0 0 1", "command 2:"},
    };
    // Each text twice: a text read before is refused alike from its kept parse.
    for (int reading = 0; reading < 2; ++reading)
    for (const Case& c : cases) {
        CTBDrawSymbol sym(CRect(0, 0, 100, 100));
        ASSERT_TRUE(sym.LoadSymbols(CString("line 0 0 1 1")));
        EXPECT_FALSE(sym.LoadSymbols(CString(c.text))) << c.text;
        EXPECT_EQ(sym.GetCommandCount(), 0) << c.text;
        EXPECT_NE(std::string((LPCTSTR)sym.GetErrorText()).find(c.error), std::string::npos)
            << c.text << " gave: " << (LPCTSTR)sym.GetErrorText();
        CDC dc;
        sym.Draw(&dc);
        EXPECT_TRUE(dc.GetDisplayList().items.empty()) << c.text;
    }

    // An empty text and a text of comments are valid, empty symbols.
    CTBDrawSymbol sym;
    EXPECT_TRUE(sym.LoadSymbols(CString("")));
    EXPECT_TRUE(sym.LoadSymbols(CString("# nothing\n  ;; \n")));
    EXPECT_EQ(sym.GetCommandCount(), 0);

    // Limits.
    std::string many;
    for (int i = 0; i < 1001; ++i) many += "line 0 0 1 1;";
    EXPECT_FALSE(sym.LoadSymbols(CString(many.c_str())));
    std::string longLine = "polyline";
    for (int i = 0; i < 1001; ++i) longLine += " 1 1";
    EXPECT_FALSE(sym.LoadSymbols(CString(longLine.c_str())));
    EXPECT_FALSE(sym.LoadSymbols(CString(std::string(70000, ' ').c_str())));
}

TEST(Symbol, RandomBytesNeverCrash) {
    std::mt19937 rng(12345);
    const std::string alphabet = "lineartpoyg cxt[]!,;#\"\\\n0123456789.-+ \t\x80\xFF";
    CTBDrawSymbol sym(CRect(0, 0, 64, 64));
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        size_t n = rng() % 80;
        for (size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
        BOOL ok = sym.LoadSymbols(CString(s.c_str()));
        if (!ok) {
            EXPECT_FALSE(sym.GetErrorText().IsEmpty());
        }
        sym.SetCurMask(rng());
        CDC dc;
        sym.Draw(&dc);
    }
}

} // namespace
