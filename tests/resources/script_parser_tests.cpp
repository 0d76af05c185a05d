// The resource-script parser: syntax of the accepted subset, implied control classes and
// styles, list entries, menus, bitmaps, and refusal of malformed scripts with their line.
#include "win32/resource_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using qv::ParseResourceScript;
using qv::ResourceScriptError;

constexpr DWORD kChildVisible = 0x50000000;
constexpr DWORD kGroup = 0x00020000;
constexpr DWORD kTabStop = 0x00010000;
constexpr DWORD kBorder = 0x00800000;

// Parses a one-dialog script with the given controls and returns that dialog.
qv::RcDialog DialogWith(const std::string& controls, const std::string& extra = "") {
    qv::ResourceScript script = ParseResourceScript("1 DIALOG 0, 0, 100, 100\nBEGIN\n" + controls + "\nEND\n" + extra);
    return script.dialogs.at(1);
}

int ErrorLine(const std::string& text) {
    try {
        ParseResourceScript(text);
    } catch (const ResourceScriptError& error) {
        EXPECT_NE(std::string(error.what()).find("line " + std::to_string(error.line())), std::string::npos);
        return error.line();
    }
    ADD_FAILURE() << "no error for:\n" << text;
    return -1;
}

TEST(ResourceScriptParser, StringEscapesAndEmbeddedQuotes) {
    qv::ResourceScript script = ParseResourceScript(
        "STRINGTABLE\nBEGIN\n"
        "  1, \"a\\nb\\tc\\\\d\\\"e\\rf\"\n"
        "  2 \"say \"\"hi\"\"\"\n"
        "  3, \"\\xB0C and \\xb7\"\n"
        "  4, \"\\x41\\x4a2\"\n"
        "  5, \"\"\n"
        "  6, \"\\101\\0629\"\n"
        "END\n");
    EXPECT_EQ(script.strings.at(1), "a\nb\tc\\d\"e\rf");
    EXPECT_EQ(script.strings.at(2), "say \"hi\"");
    EXPECT_EQ(script.strings.at(3), "\xB0" "C and \xB7");
    EXPECT_EQ(script.strings.at(4), "AJ2"); // \x takes at most two digits
    EXPECT_EQ(script.strings.at(5), "");
    EXPECT_EQ(script.strings.at(6), "A29");
}

TEST(ResourceScriptParser, RawWindows1252BytesAreKept) {
    qv::ResourceScript script = ParseResourceScript("STRINGTABLE { 7 \"50\xB0\" }");
    EXPECT_EQ(script.strings.at(7), "50\xB0");
}

TEST(ResourceScriptParser, CommentsDefinesAndSkippedDirectives) {
    qv::ResourceScript script = ParseResourceScript(
        "// heading\n"
        "#include \"resource.h\"\n"
        "#define IDS_BASE 100 // trailing comment\n"
        "#define IDS_NEXT (IDS_BASE + 0x10) /* block */\n"
        "#define FLAG\n"
        "#ifdef SOMETHING\n"
        "#pragma code_page(1252)\n"
        "#endif\n"
        "/* a block\n comment over\n lines */\n"
        "LANGUAGE 9, 1\n"
        "STRINGTABLE DISCARDABLE\n"
        "BEGIN\n"
        "  IDS_BASE \"base\"\n"
        "  IDS_NEXT, \"next\" // after\n"
        "  IDS_LATE \"defined below\"\n"
        "END\n"
        "#define IDS_LATE 300\n");
    EXPECT_EQ(script.symbols.at("IDS_NEXT"), 116);
    EXPECT_EQ(script.strings.at(100), "base");
    EXPECT_EQ(script.strings.at(116), "next");
    EXPECT_EQ(script.strings.at(300), "defined below");
    EXPECT_EQ(script.symbols.count("FLAG"), 0u);
}

TEST(ResourceScriptParser, ImpliedClassesAndStyles) {
    qv::RcDialog dialog = DialogWith(
        "LTEXT \"l\", 10, 0, 0, 10, 10\n"
        "RTEXT \"r\", 11, 0, 0, 10, 10\n"
        "CTEXT \"c\", 12, 0, 0, 10, 10\n"
        "PUSHBUTTON \"p\", 13, 0, 0, 10, 10\n"
        "DEFPUSHBUTTON \"d\", 14, 0, 0, 10, 10\n"
        "CHECKBOX \"k\", 15, 0, 0, 10, 10\n"
        "AUTOCHECKBOX \"a\", 16, 0, 0, 10, 10\n"
        "STATE3 \"s\", 17, 0, 0, 10, 10\n"
        "AUTO3STATE \"t\", 18, 0, 0, 10, 10\n"
        "RADIOBUTTON \"o\", 19, 0, 0, 10, 10\n"
        "AUTORADIOBUTTON \"u\", 20, 0, 0, 10, 10\n"
        "GROUPBOX \"g\", 21, 0, 0, 10, 10\n"
        "EDITTEXT 22, 0, 0, 10, 10\n"
        "COMBOBOX 23, 0, 0, 10, 10\n"
        "LISTBOX 24, 0, 0, 10, 10\n"
        "SCROLLBAR 25, 0, 0, 10, 10\n"
        "ICON 7, 26, 0, 0\n");
    struct Expected {
        int id;
        const char* cls;
        DWORD style;
    };
    const Expected expected[] = {
        {10, "Static", kChildVisible | kGroup | 0x0},  {11, "Static", kChildVisible | kGroup | 0x2},
        {12, "Static", kChildVisible | kGroup | 0x1},  {13, "Button", kChildVisible | kTabStop | 0x0},
        {14, "Button", kChildVisible | kTabStop | 0x1}, {15, "Button", kChildVisible | kTabStop | 0x2},
        {16, "Button", kChildVisible | kTabStop | 0x3}, {17, "Button", kChildVisible | kTabStop | 0x5},
        {18, "Button", kChildVisible | kTabStop | 0x6}, {19, "Button", kChildVisible | kTabStop | 0x4},
        {20, "Button", kChildVisible | kTabStop | 0x9}, {21, "Button", kChildVisible | 0x7},
        {22, "Edit", kChildVisible | kBorder | kTabStop}, {23, "ComboBox", kChildVisible | kTabStop | 0x1},
        {24, "ListBox", kChildVisible | kBorder | 0x1}, {25, "ScrollBar", kChildVisible},
        {26, "Static", kChildVisible | 0x3},
    };
    ASSERT_EQ(dialog.controls.size(), std::size(expected));
    for (const Expected& e : expected) {
        const qv::RcControl* control = dialog.FindControl(e.id);
        ASSERT_NE(control, nullptr) << e.id;
        EXPECT_EQ(control->windowClass, e.cls) << control->statement;
        EXPECT_EQ(control->style, e.style) << control->statement;
    }
    EXPECT_EQ(dialog.FindControl(26)->imageId, 7);
    EXPECT_EQ(dialog.FindControl(10)->text, "l");
}

TEST(ResourceScriptParser, StyleExpressionsAddAndRemoveBits) {
    qv::RcDialog dialog = DialogWith(
        "PUSHBUTTON \"p\", 1, 0, 0, 10, 10, NOT WS_TABSTOP | WS_DISABLED\n"
        "EDITTEXT 2, 0, 0, 10, 10, ES_AUTOHSCROLL | NOT WS_BORDER, WS_EX_CLIENTEDGE\n"
        "LTEXT \"x\", 3, 0, 0, 10, 10, SS_NOTIFY NOT WS_GROUP\n"
        "CONTROL \"\", 4, \"SysListView32\", LVS_REPORT | (WS_BORDER | WS_TABSTOP), 1, 2, 3, 4\n"
        "CONTROL \"b\", 5, button, BS_AUTOCHECKBOX + WS_TABSTOP, 0, 0, 1, 1\n"
        "CONTROL \"\", 6, \"STATIC\", SS_BLACKFRAME | NOT WS_VISIBLE, 0, 0, 1, 1\n"
        "CONTROL \"\", 7, \"msctls_updown32\", ~0 & UDS_ARROWKEYS, 0, 0, 1, 1\n"
        "CONTROL \"\", IDC_STATIC, \"Static\", SS_ETCHEDHORZ, 0, 0, 1, 1\n");
    EXPECT_EQ(dialog.FindControl(1)->style, kChildVisible | 0x08000000u);
    EXPECT_EQ(dialog.FindControl(2)->style, kChildVisible | kTabStop | 0x80);
    EXPECT_EQ(dialog.FindControl(2)->exStyle, 0x200u);
    EXPECT_EQ(dialog.FindControl(3)->style, kChildVisible | 0x100);
    const qv::RcControl* list = dialog.FindControl(4);
    EXPECT_EQ(list->windowClass, "SysListView32");
    EXPECT_EQ(list->style, kChildVisible | kBorder | kTabStop | 0x1);
    EXPECT_EQ(list->x, 1);
    EXPECT_EQ(list->cy, 4);
    EXPECT_EQ(dialog.FindControl(5)->windowClass, "Button");
    EXPECT_EQ(dialog.FindControl(5)->style, kChildVisible | kTabStop | 0x3);
    EXPECT_EQ(dialog.FindControl(6)->windowClass, "Static");
    EXPECT_EQ(dialog.FindControl(6)->style, 0x40000007u);
    // "~0 & x" is evaluated left to right on top of the implied bits.
    EXPECT_EQ(dialog.FindControl(7)->style, 0x20u);
    EXPECT_EQ(dialog.FindControl(-1)->style, kChildVisible | 0x10);
}

TEST(ResourceScriptParser, DialogHeaderStatements) {
    qv::ResourceScript script = ParseResourceScript(
        "5 DIALOG DISCARDABLE 1, 2, 300, 200\n"
        "CAPTION \"Plain\"\n"
        "FONT 8, \"MS Sans Serif\"\n"
        "BEGIN\nEND\n"
        "6 DIALOGEX 0, 0, 10, 20, 99\n"
        "STYLE DS_SETFONT | WS_CHILD\n"
        "EXSTYLE WS_EX_CONTROLPARENT\n"
        "MENU 7\n"
        "CLASS \"MyDialog\"\n"
        "FONT 9, \"Tahoma\", 400, 0, 0x1\n"
        "{\n"
        "  EDITTEXT 10, 1, 1, 5, 5, ES_NUMBER, 0, 1234\n"
        "}\n");
    const qv::RcDialog& plain = script.dialogs.at(5);
    EXPECT_FALSE(plain.extended);
    // No STYLE: a bordered popup with system menu, plus the caption and font bits.
    EXPECT_EQ(plain.style, 0x80000000u | 0x00800000u | 0x00080000u | 0x00C00000u | 0x40u);
    EXPECT_EQ(plain.caption, "Plain");
    EXPECT_EQ(plain.fontSize, 8);
    EXPECT_EQ(plain.fontName, "MS Sans Serif");
    EXPECT_EQ(plain.x, 1);
    EXPECT_EQ(plain.cy, 200);
    const qv::RcDialog& ex = script.dialogs.at(6);
    EXPECT_TRUE(ex.extended);
    EXPECT_EQ(ex.style, 0x40000040u);
    EXPECT_EQ(ex.exStyle, 0x10000u);
    EXPECT_EQ(ex.menuId, 7);
    EXPECT_EQ(ex.windowClass, "MyDialog");
    EXPECT_EQ(ex.fontName, "Tahoma");
    ASSERT_EQ(ex.controls.size(), 1u);
    EXPECT_EQ(ex.controls[0].style, kChildVisible | kBorder | kTabStop | 0x2000);
}

TEST(ResourceScriptParser, DialogInitStandardAndReadableForms) {
    // "One" (4 bytes with the terminator, two words), "Three" (6 bytes, three words),
    // "Go" given with an odd length of 3 bytes (two words), then the readable form.
    qv::RcDialog dialog = DialogWith(
        "COMBOBOX 10, 0, 0, 10, 50, CBS_DROPDOWNLIST\n"
        "LISTBOX 11, 0, 0, 10, 50\n",
        "1 DLGINIT\nBEGIN\n"
        "  10, 0x403, 4, 0\n  0x6e4f, 0x0065,\n"
        "  10, 0x403, 6, 0\n  0x6854, 0x6572, 0x0065,\n"
        "  11, 0x403, 3, 0\n  0x6f47, 0x00,\n"
        "  11, 0x403, \"Readable \\xB0\",\n"
        "  0\nEND\n");
    EXPECT_EQ(dialog.FindControl(10)->items, (std::vector<std::string>{"One", "Three"}));
    EXPECT_EQ(dialog.FindControl(11)->items, (std::vector<std::string>{"Go", "Readable \xB0"}));
}

TEST(ResourceScriptParser, MenusWithPopupsSeparatorsAndOptions) {
    qv::ResourceScript script = ParseResourceScript(
        "10 MENU\nBEGIN\n"
        "  POPUP \"File\"\n  BEGIN\n"
        "    MENUITEM \"&New\", 40005\n"
        "    MENUITEM SEPARATOR\n"
        "    MENUITEM \"Off\", 40006, GRAYED, CHECKED\n"
        "    MENUITEM \"Col\", 40007 INACTIVE MENUBARBREAK\n"
        "    POPUP \"Sub\" { MENUITEM \"Deep\", 40008 }\n"
        "  END\nEND\n"
        "11 MENUEX\nBEGIN\n"
        "  POPUP \"P\", 0, 0, 0, 0\n  BEGIN\n"
        "    MENUITEM \"A\", 1, MFT_STRING, MFS_GRAYED | MFS_CHECKED\n"
        "    MENUITEM \"\", 0, MFT_SEPARATOR\n"
        "  END\nEND\n");
    const qv::RcMenuItem& file = script.menus.at(10).items.at(0);
    EXPECT_TRUE(file.popup);
    ASSERT_EQ(file.children.size(), 5u);
    EXPECT_EQ(file.children[0].text, "&New");
    EXPECT_EQ(file.children[0].id, 40005);
    EXPECT_TRUE(file.children[1].separator);
    EXPECT_TRUE(file.children[2].grayed);
    EXPECT_TRUE(file.children[2].checked);
    EXPECT_TRUE(file.children[3].inactive);
    EXPECT_TRUE(file.children[3].menuBarBreak);
    EXPECT_EQ(file.children[4].children.at(0).id, 40008);
    const qv::RcMenuItem& ex = script.menus.at(11).items.at(0);
    EXPECT_TRUE(ex.children.at(0).grayed);
    EXPECT_TRUE(ex.children.at(0).checked);
    EXPECT_TRUE(ex.children.at(1).separator);
}

TEST(ResourceScriptParser, BitmapSizeFromScriptAndFromFile) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("rc_bitmaps_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    {
        // Headers of a 48 x 16 picture (info header of 40 bytes); no pixels needed.
        unsigned char header[54] = {'B', 'M'};
        header[14] = 40;
        header[18] = 48;
        header[22] = 0xF0; // height -16: a top-down picture
        header[23] = header[24] = header[25] = 0xFF;
        std::ofstream(dir / "pic.bmp", std::ios::binary).write(reinterpret_cast<char*>(header), sizeof header);
        std::ofstream(dir / "bad.bmp", std::ios::binary) << "XX";
    }
    const std::string script = "1 BITMAP \"pic.bmp\"\n2 BITMAP \"none.bmp\" SIZE 20, 10\n3 BITMAP \"bad.bmp\"\n";
    qv::ResourceScript withoutFiles = ParseResourceScript(script);
    EXPECT_EQ(withoutFiles.bitmaps.at(1).width, 0);
    EXPECT_EQ(withoutFiles.bitmaps.at(2).width, 20);
    EXPECT_EQ(withoutFiles.bitmaps.at(2).height, 10);
    qv::ResourceScript withFiles = ParseResourceScript(script, dir.string());
    EXPECT_EQ(withFiles.bitmaps.at(1).file, "pic.bmp");
    EXPECT_EQ(withFiles.bitmaps.at(1).width, 48);
    EXPECT_EQ(withFiles.bitmaps.at(1).height, 16);
    EXPECT_EQ(withFiles.bitmaps.at(3).width, 0);
    // A size in the script that contradicts the file is refused.
    EXPECT_THROW(ParseResourceScript("1 BITMAP \"pic.bmp\" SIZE 16, 16\n", dir.string()), ResourceScriptError);
    std::filesystem::remove_all(dir);
}

TEST(ResourceScriptParser, MalformedScriptsNameTheLine) {
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n 1 \"open\nEND\n"), 3);              // unterminated string
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n 1 \"a\\qb\"\nEND\n"), 3);            // unknown escape
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n\n IDS_X \"a\"\nEND\n"), 4);          // unknown symbol
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n"), 4);      // duplicate ID
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n 70000 \"a\"\nEND\n"), 3);            // ID too large
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n 1 \"a\"\n"), 4);                     // missing END
    EXPECT_EQ(ErrorLine("/* open\n\ncomment"), 1);                                  // unterminated comment
    EXPECT_EQ(ErrorLine("1 DIALOG 0, 0, 10\nBEGIN\nEND\n"), 2);                    // missing coordinate
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,10,10\nBEGIN\n SLIDER 1, 0,0,1,1\nEND\n"), 3); // unknown control
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,10,10\nBEGIN\n EDITTEXT 1 0,0,1,1\nEND\n"), 3);   // missing comma
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,99999,10\nBEGIN\nEND\n"), 1);                // coordinate range
    EXPECT_EQ(ErrorLine("\n1 DIALOG 0,0,4294967296,10\n"), 2);                     // number overflow
    EXPECT_EQ(ErrorLine("1 ACCELERATORS\nBEGIN\nEND\n"), 1);                       // unsupported type
    EXPECT_EQ(ErrorLine("NAMED DIALOG 0,0,1,1\nBEGIN\nEND\n"), 1);                 // named resource
    EXPECT_EQ(ErrorLine("#define A 1\n#define A 2\n"), 2);                         // conflicting define
    EXPECT_EQ(ErrorLine("\n#define M(x) x\n"), 2);                                 // macro with arguments
    EXPECT_EQ(ErrorLine("1 MENU\nBEGIN\n MENUITEM \"a\"\nEND\n"), 4);              // missing ID
    EXPECT_EQ(ErrorLine("1 BITMAP pic.bmp\n"), 1);                                 // unquoted file
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,1,1 BEGIN COMBOBOX 5,0,0,1,1 END\n"
                        "1 DLGINIT\nBEGIN\n 6, 0x403, \"x\"\nEND\n"), 4);          // no such control
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,1,1 BEGIN EDITTEXT 5,0,0,1,1 END\n"
                        "1 DLGINIT\nBEGIN\n 5, 0x403, \"x\"\nEND\n"), 4);          // control is no list
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,1,1 BEGIN COMBOBOX 5,0,0,1,1 END\n"
                        "1 DLGINIT\nBEGIN\n 5, 0x403, 8, 0\n 0x4141\nEND\n"), 6); // data shorter than length
    EXPECT_EQ(ErrorLine("2 DLGINIT\nBEGIN\n 5, 0x403, \"x\"\nEND\n"), 3);          // no such dialog
    EXPECT_EQ(ErrorLine("1 DIALOG 0,0,1,1\nBEGIN\nEND\n\n1 DIALOG 0,0,1,1\nBEGIN\nEND\n"), 5); // duplicate
    EXPECT_EQ(ErrorLine("STRINGTABLE\nBEGIN\n 1 \"a\" @\nEND\n"), 3);              // stray character
}

TEST(ResourceScriptParser, HostileNestingIsRefusedNotRecursedInto) {
    std::string deepExpression = "#define X " + std::string(100000, '(') + "1" + std::string(100000, ')') + "\n";
    EXPECT_THROW(ParseResourceScript(deepExpression), ResourceScriptError);
    std::string deepNot = "STRINGTABLE\nBEGIN\n";
    for (int i = 0; i < 100000; ++i) deepNot += "~";
    deepNot += "1 \"a\"\nEND\n";
    EXPECT_THROW(ParseResourceScript(deepNot), ResourceScriptError);
    std::string deepMenu = "1 MENU\nBEGIN\n";
    for (int i = 0; i < 5000; ++i) deepMenu += "POPUP \"p\"\nBEGIN\n";
    EXPECT_THROW(ParseResourceScript(deepMenu), ResourceScriptError);
    EXPECT_THROW(ParseResourceScript(std::string(5u * 1024u * 1024u, ' ')), ResourceScriptError);
    // Within the size limit, a script of nothing but tokens is refused before it claims much memory.
    EXPECT_THROW(ParseResourceScript(std::string(3u * 1024u * 1024u, ',')), ResourceScriptError);
}

TEST(ResourceScriptParser, ArithmeticWrapsInsteadOfOverflowing) {
    qv::ResourceScript script = ParseResourceScript(
        "#define BIG 0xFFFFFFFF\n#define WRAP (BIG + 2)\n#define NEG (0 - 5)\n#define MINUS -1\n");
    EXPECT_EQ(script.symbols.at("WRAP"), 1);
    EXPECT_EQ(script.symbols.at("NEG"), -5);
    EXPECT_EQ(script.symbols.at("MINUS"), -1);
}

} // namespace
