// Parser of the resource-script subset described in docs/resource-script.md.
//
// The script is read in one pass: a tokenizer that also handles comments and preprocessor
// lines, and a recursive-descent parser over the tokens. Everything works on bytes: texts
// keep their Windows-1252 bytes unchanged. Every error throws ResourceScriptError with the
// line where it was found; numbers, nesting depth and sizes are bounded so that no input
// can overflow, recurse without limit or allocate without limit.
#include "resource_script.h"

#include "winuser.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

namespace qv {
namespace {

// Limits that keep hostile input harmless.
constexpr std::size_t kMaxScriptSize = 4u * 1024u * 1024u;
constexpr std::size_t kMaxTokens = 1000000; // bounds the memory a hostile script can claim
constexpr int kMaxExpressionDepth = 64;
constexpr int kMaxMenuDepth = 16;
constexpr std::size_t kMaxStringLength = 65535;

// Window style bits the statements imply.
constexpr DWORD kWsChild = WS_CHILD;
constexpr DWORD kWsVisible = WS_VISIBLE;
constexpr DWORD kWsPopup = WS_POPUP;
constexpr DWORD kWsBorder = WS_BORDER;
constexpr DWORD kWsCaption = WS_CAPTION;
constexpr DWORD kWsSysMenu = WS_SYSMENU;
constexpr DWORD kWsGroup = WS_GROUP;
constexpr DWORD kWsTabStop = WS_TABSTOP;
constexpr DWORD kDsSetFont = DS_SETFONT;

struct NamedValue {
    const char* name;
    DWORD value;
};

// The names a script may use without defining them: window, dialog and control styles,
// extended styles, menu flags and the standard dialog command IDs. Values come from the
// platform header; the scroll bar, track bar and extended-menu names, which no code of the
// system uses, carry their standard values here.
#define QV_NAMED(name) NamedValue{#name, static_cast<DWORD>(name)}
constexpr NamedValue kBuiltinNames[] = {
    // Window styles.
    QV_NAMED(WS_OVERLAPPED), QV_NAMED(WS_TILED), QV_NAMED(WS_POPUP),
    QV_NAMED(WS_CHILD), QV_NAMED(WS_CHILDWINDOW), QV_NAMED(WS_MINIMIZE),
    QV_NAMED(WS_ICONIC), QV_NAMED(WS_VISIBLE), QV_NAMED(WS_DISABLED),
    QV_NAMED(WS_CLIPSIBLINGS), QV_NAMED(WS_CLIPCHILDREN), QV_NAMED(WS_MAXIMIZE),
    QV_NAMED(WS_CAPTION), QV_NAMED(WS_BORDER), QV_NAMED(WS_DLGFRAME),
    QV_NAMED(WS_VSCROLL), QV_NAMED(WS_HSCROLL), QV_NAMED(WS_SYSMENU),
    QV_NAMED(WS_THICKFRAME), QV_NAMED(WS_SIZEBOX), QV_NAMED(WS_GROUP),
    QV_NAMED(WS_TABSTOP), QV_NAMED(WS_MINIMIZEBOX), QV_NAMED(WS_MAXIMIZEBOX),
    QV_NAMED(WS_OVERLAPPEDWINDOW), QV_NAMED(WS_TILEDWINDOW), QV_NAMED(WS_POPUPWINDOW),
    // Extended window styles.
    QV_NAMED(WS_EX_DLGMODALFRAME), QV_NAMED(WS_EX_NOPARENTNOTIFY),
    QV_NAMED(WS_EX_TOPMOST), QV_NAMED(WS_EX_ACCEPTFILES), QV_NAMED(WS_EX_TRANSPARENT),
    QV_NAMED(WS_EX_TOOLWINDOW), QV_NAMED(WS_EX_WINDOWEDGE), QV_NAMED(WS_EX_CLIENTEDGE),
    QV_NAMED(WS_EX_CONTEXTHELP), QV_NAMED(WS_EX_RIGHT), QV_NAMED(WS_EX_LEFT),
    QV_NAMED(WS_EX_RTLREADING), QV_NAMED(WS_EX_LTRREADING),
    QV_NAMED(WS_EX_LEFTSCROLLBAR), QV_NAMED(WS_EX_RIGHTSCROLLBAR),
    QV_NAMED(WS_EX_CONTROLPARENT), QV_NAMED(WS_EX_STATICEDGE), QV_NAMED(WS_EX_APPWINDOW),
    // Dialog styles.
    QV_NAMED(DS_ABSALIGN), QV_NAMED(DS_SYSMODAL), QV_NAMED(DS_3DLOOK), QV_NAMED(DS_FIXEDSYS),
    QV_NAMED(DS_NOFAILCREATE), QV_NAMED(DS_LOCALEDIT), QV_NAMED(DS_SETFONT),
    QV_NAMED(DS_MODALFRAME), QV_NAMED(DS_NOIDLEMSG), QV_NAMED(DS_SETFOREGROUND),
    QV_NAMED(DS_CONTROL), QV_NAMED(DS_CENTER), QV_NAMED(DS_CENTERMOUSE),
    QV_NAMED(DS_CONTEXTHELP), QV_NAMED(DS_SHELLFONT),
    // Button styles.
    QV_NAMED(BS_PUSHBUTTON), QV_NAMED(BS_DEFPUSHBUTTON), QV_NAMED(BS_CHECKBOX),
    QV_NAMED(BS_AUTOCHECKBOX), QV_NAMED(BS_RADIOBUTTON), QV_NAMED(BS_3STATE),
    QV_NAMED(BS_AUTO3STATE), QV_NAMED(BS_GROUPBOX), QV_NAMED(BS_USERBUTTON),
    QV_NAMED(BS_AUTORADIOBUTTON), QV_NAMED(BS_OWNERDRAW), QV_NAMED(BS_LEFTTEXT),
    QV_NAMED(BS_RIGHTBUTTON), QV_NAMED(BS_TEXT), QV_NAMED(BS_ICON), QV_NAMED(BS_BITMAP),
    QV_NAMED(BS_LEFT), QV_NAMED(BS_RIGHT), QV_NAMED(BS_CENTER), QV_NAMED(BS_TOP),
    QV_NAMED(BS_BOTTOM), QV_NAMED(BS_VCENTER), QV_NAMED(BS_PUSHLIKE), QV_NAMED(BS_MULTILINE),
    QV_NAMED(BS_NOTIFY), QV_NAMED(BS_FLAT),
    // Edit styles.
    QV_NAMED(ES_LEFT), QV_NAMED(ES_CENTER), QV_NAMED(ES_RIGHT), QV_NAMED(ES_MULTILINE),
    QV_NAMED(ES_UPPERCASE), QV_NAMED(ES_LOWERCASE), QV_NAMED(ES_PASSWORD),
    QV_NAMED(ES_AUTOVSCROLL), QV_NAMED(ES_AUTOHSCROLL), QV_NAMED(ES_NOHIDESEL),
    QV_NAMED(ES_OEMCONVERT), QV_NAMED(ES_READONLY), QV_NAMED(ES_WANTRETURN), QV_NAMED(ES_NUMBER),
    // Static styles.
    QV_NAMED(SS_LEFT), QV_NAMED(SS_CENTER), QV_NAMED(SS_RIGHT), QV_NAMED(SS_ICON),
    QV_NAMED(SS_BLACKRECT), QV_NAMED(SS_GRAYRECT), QV_NAMED(SS_WHITERECT),
    QV_NAMED(SS_BLACKFRAME), QV_NAMED(SS_GRAYFRAME), QV_NAMED(SS_WHITEFRAME),
    QV_NAMED(SS_USERITEM), QV_NAMED(SS_SIMPLE), QV_NAMED(SS_LEFTNOWORDWRAP),
    QV_NAMED(SS_OWNERDRAW), QV_NAMED(SS_BITMAP), QV_NAMED(SS_ENHMETAFILE),
    QV_NAMED(SS_ETCHEDHORZ), QV_NAMED(SS_ETCHEDVERT), QV_NAMED(SS_ETCHEDFRAME),
    QV_NAMED(SS_TYPEMASK), QV_NAMED(SS_NOPREFIX), QV_NAMED(SS_NOTIFY),
    QV_NAMED(SS_CENTERIMAGE), QV_NAMED(SS_RIGHTJUST), QV_NAMED(SS_REALSIZEIMAGE),
    QV_NAMED(SS_SUNKEN), QV_NAMED(SS_ENDELLIPSIS), QV_NAMED(SS_PATHELLIPSIS),
    QV_NAMED(SS_WORDELLIPSIS),
    // Combo box styles.
    QV_NAMED(CBS_SIMPLE), QV_NAMED(CBS_DROPDOWN), QV_NAMED(CBS_DROPDOWNLIST),
    QV_NAMED(CBS_OWNERDRAWFIXED), QV_NAMED(CBS_OWNERDRAWVARIABLE), QV_NAMED(CBS_AUTOHSCROLL),
    QV_NAMED(CBS_OEMCONVERT), QV_NAMED(CBS_SORT), QV_NAMED(CBS_HASSTRINGS),
    QV_NAMED(CBS_NOINTEGRALHEIGHT), QV_NAMED(CBS_DISABLENOSCROLL), QV_NAMED(CBS_UPPERCASE),
    QV_NAMED(CBS_LOWERCASE),
    // List box styles.
    QV_NAMED(LBS_NOTIFY), QV_NAMED(LBS_SORT), QV_NAMED(LBS_NOREDRAW), QV_NAMED(LBS_MULTIPLESEL),
    QV_NAMED(LBS_OWNERDRAWFIXED), QV_NAMED(LBS_OWNERDRAWVARIABLE), QV_NAMED(LBS_HASSTRINGS),
    QV_NAMED(LBS_USETABSTOPS), QV_NAMED(LBS_NOINTEGRALHEIGHT), QV_NAMED(LBS_MULTICOLUMN),
    QV_NAMED(LBS_WANTKEYBOARDINPUT), QV_NAMED(LBS_EXTENDEDSEL), QV_NAMED(LBS_DISABLENOSCROLL),
    QV_NAMED(LBS_NODATA), QV_NAMED(LBS_NOSEL), QV_NAMED(LBS_STANDARD),
    // Scroll bar styles.
    {"SBS_HORZ", 0x0000}, {"SBS_VERT", 0x0001}, {"SBS_TOPALIGN", 0x0002}, {"SBS_LEFTALIGN", 0x0002},
    {"SBS_BOTTOMALIGN", 0x0004}, {"SBS_RIGHTALIGN", 0x0004}, {"SBS_SIZEBOX", 0x0008},
    {"SBS_SIZEGRIP", 0x0010},
    // List view styles.
    QV_NAMED(LVS_ICON), QV_NAMED(LVS_REPORT), QV_NAMED(LVS_SMALLICON), QV_NAMED(LVS_LIST),
    QV_NAMED(LVS_SINGLESEL), QV_NAMED(LVS_SHOWSELALWAYS), QV_NAMED(LVS_SORTASCENDING),
    QV_NAMED(LVS_SORTDESCENDING), QV_NAMED(LVS_SHAREIMAGELISTS), QV_NAMED(LVS_NOLABELWRAP),
    QV_NAMED(LVS_AUTOARRANGE), QV_NAMED(LVS_EDITLABELS), QV_NAMED(LVS_OWNERDRAWFIXED),
    QV_NAMED(LVS_ALIGNTOP), QV_NAMED(LVS_ALIGNLEFT), QV_NAMED(LVS_OWNERDATA),
    QV_NAMED(LVS_NOSCROLL), QV_NAMED(LVS_NOCOLUMNHEADER), QV_NAMED(LVS_NOSORTHEADER),
    // Up-down (spin) styles.
    QV_NAMED(UDS_WRAP), QV_NAMED(UDS_SETBUDDYINT), QV_NAMED(UDS_ALIGNRIGHT),
    QV_NAMED(UDS_ALIGNLEFT), QV_NAMED(UDS_AUTOBUDDY), QV_NAMED(UDS_ARROWKEYS),
    QV_NAMED(UDS_HORZ), QV_NAMED(UDS_NOTHOUSANDS), QV_NAMED(UDS_HOTTRACK),
    // Track bar styles.
    {"TBS_AUTOTICKS", 0x0001}, {"TBS_VERT", 0x0002}, {"TBS_HORZ", 0x0000}, {"TBS_TOP", 0x0004},
    {"TBS_BOTTOM", 0x0000}, {"TBS_LEFT", 0x0004}, {"TBS_RIGHT", 0x0000}, {"TBS_BOTH", 0x0008},
    {"TBS_NOTICKS", 0x0010}, {"TBS_ENABLESELRANGE", 0x0020}, {"TBS_FIXEDLENGTH", 0x0040},
    {"TBS_NOTHUMB", 0x0080}, {"TBS_TOOLTIPS", 0x0100},
    // Menu item types and states (extended menus).
    {"MFT_STRING", 0x0000}, {"MFT_MENUBARBREAK", 0x0020}, {"MFT_MENUBREAK", 0x0040},
    {"MFT_SEPARATOR", 0x0800}, {"MFS_ENABLED", 0x0000}, {"MFS_UNCHECKED", 0x0000},
    {"MFS_GRAYED", 0x0003}, {"MFS_DISABLED", 0x0003}, {"MFS_CHECKED", 0x0008},
    {"MFS_HILITE", 0x0080}, {"MFS_DEFAULT", 0x1000},
    // Standard dialog command IDs.
    QV_NAMED(IDOK), QV_NAMED(IDCANCEL), QV_NAMED(IDABORT), QV_NAMED(IDRETRY), QV_NAMED(IDIGNORE), QV_NAMED(IDYES),
    QV_NAMED(IDNO), QV_NAMED(IDCLOSE), QV_NAMED(IDHELP), QV_NAMED(IDC_STATIC),
};

constexpr DWORD kMftSeparator = 0x0800;
constexpr DWORD kMftMenuBarBreak = 0x0020;
constexpr DWORD kMfsGrayed = 0x0003;
constexpr DWORD kMfsChecked = 0x0008;

// ---------------------------------------------------------------------------------------
// Tokens

enum class Tok { End, Number, String, Name, Punct };

struct Token {
    Tok kind = Tok::End;
    std::string text;   // name, punctuation character, or the string's bytes
    DWORD number = 0;
    int line = 0;
};

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// Splits the script into tokens. Preprocessor lines are handed to the callback (with the
// line number) instead of becoming tokens.
class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    template <typename OnDirective>
    std::vector<Token> Run(OnDirective&& onDirective) {
        std::vector<Token> tokens;
        bool lineStart = true;
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                lineStart = true;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
                continue;
            }
            if (c == '/' && Peek(1) == '/') {
                SkipLineComment();
                continue;
            }
            if (c == '/' && Peek(1) == '*') {
                SkipBlockComment();
                continue;
            }
            if (c == '#' && lineStart) {
                int directiveLine = line_;
                onDirective(ReadDirective(), directiveLine);
                continue;
            }
            lineStart = false;
            Token token;
            token.line = line_;
            if (c == '"') {
                token.kind = Tok::String;
                token.text = ReadString();
            } else if (IsDigit(c)) {
                token.kind = Tok::Number;
                token.number = ReadNumber();
            } else if (IsNameStart(c)) {
                token.kind = Tok::Name;
                std::size_t start = pos_;
                while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
                token.text = std::string(text_.substr(start, pos_ - start));
            } else if (std::string_view(",|()+-~&{}").find(c) != std::string_view::npos) {
                token.kind = Tok::Punct;
                token.text = std::string(1, c);
                ++pos_;
            } else {
                char buffer[64];
                std::snprintf(buffer, sizeof buffer, "unexpected character 0x%02X",
                              static_cast<unsigned>(static_cast<unsigned char>(c)));
                throw ResourceScriptError(line_, buffer);
            }
            if (tokens.size() >= kMaxTokens) throw ResourceScriptError(line_, "script too large");
            tokens.push_back(std::move(token));
        }
        Token end;
        end.line = line_;
        tokens.push_back(end);
        return tokens;
    }

    // Reads one number at the cursor: decimal or 0x-hexadecimal, an optional L/U suffix.
    DWORD ReadNumber() {
        uint64_t value = 0;
        bool any = false;
        if (text_[pos_] == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
            pos_ += 2;
            while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
                value = value * 16 + uint64_t(HexValue(text_[pos_]));
                if (value > 0xFFFFFFFFull) throw ResourceScriptError(line_, "number too large");
                any = true;
                ++pos_;
            }
        } else {
            while (pos_ < text_.size() && IsDigit(text_[pos_])) {
                value = value * 10 + uint64_t(text_[pos_] - '0');
                if (value > 0xFFFFFFFFull) throw ResourceScriptError(line_, "number too large");
                any = true;
                ++pos_;
            }
        }
        if (!any) throw ResourceScriptError(line_, "malformed number");
        while (pos_ < text_.size() && (text_[pos_] == 'L' || text_[pos_] == 'l' ||
                                       text_[pos_] == 'U' || text_[pos_] == 'u'))
            ++pos_;
        if (pos_ < text_.size() && IsNameChar(text_[pos_]))
            throw ResourceScriptError(line_, "malformed number");
        return static_cast<DWORD>(value);
    }

private:
    char Peek(std::size_t ahead) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    void SkipLineComment() {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
    }

    void SkipBlockComment() {
        int startLine = line_;
        pos_ += 2;
        while (pos_ < text_.size()) {
            if (text_[pos_] == '*' && Peek(1) == '/') {
                pos_ += 2;
                return;
            }
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        throw ResourceScriptError(startLine, "unterminated comment");
    }

    // The directive's text without the '#', comments removed, continuation lines joined.
    std::string ReadDirective() {
        ++pos_;
        std::string out;
        while (pos_ < text_.size() && text_[pos_] != '\n') {
            char c = text_[pos_];
            if (c == '\\' && (Peek(1) == '\n' || (Peek(1) == '\r' && Peek(2) == '\n'))) {
                pos_ += Peek(1) == '\n' ? 2 : 3;
                ++line_;
                out += ' ';
                continue;
            }
            if (c == '/' && Peek(1) == '/') {
                SkipLineComment();
                break;
            }
            if (c == '/' && Peek(1) == '*') {
                SkipBlockComment();
                out += ' ';
                continue;
            }
            out += c;
            ++pos_;
        }
        return out;
    }

    std::string ReadString() {
        int startLine = line_;
        ++pos_;
        std::string out;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n')
                throw ResourceScriptError(startLine, "unterminated string");
            char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    out += '"';
                    ++pos_;
                    continue;
                }
                break;
            }
            if (c == '\\') {
                if (pos_ >= text_.size()) throw ResourceScriptError(startLine, "unterminated string");
                char e = text_[pos_++];
                switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'a': out += '\a'; break;
                case '\\': out += '\\'; break;
                case '"': out += '"'; break;
                case '\'': out += '\''; break;
                case 'x': {
                    int value = 0, digits = 0;
                    while (digits < 2 && pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
                        value = value * 16 + HexValue(text_[pos_++]);
                        ++digits;
                    }
                    if (digits == 0) throw ResourceScriptError(line_, "\\x without hexadecimal digits");
                    out += static_cast<char>(value);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        int value = e - '0', digits = 1;
                        while (digits < 3 && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '7') {
                            value = value * 8 + (text_[pos_++] - '0');
                            ++digits;
                        }
                        if (value > 0xFF) throw ResourceScriptError(line_, "octal escape out of range");
                        out += static_cast<char>(value);
                        break;
                    }
                    throw ResourceScriptError(line_, std::string("unknown escape \\") +
                                                         (e >= 0x20 && e < 0x7F ? std::string(1, e) : "?"));
                }
            } else {
                out += c;
            }
            if (out.size() > kMaxStringLength) throw ResourceScriptError(startLine, "string too long");
        }
        return out;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// ---------------------------------------------------------------------------------------
// Parser

// How a control statement is written and what it implies.
struct ControlKind {
    const char* statement;
    const char* windowClass;
    DWORD style;       // implied bits beside WS_CHILD | WS_VISIBLE
    bool hasText;      // first argument is the caption
};

constexpr ControlKind kControlKinds[] = {
    {"LTEXT", "Static", SS_LEFT | kWsGroup, true},
    {"RTEXT", "Static", SS_RIGHT | kWsGroup, true},
    {"CTEXT", "Static", SS_CENTER | kWsGroup, true},
    {"PUSHBUTTON", "Button", BS_PUSHBUTTON | kWsTabStop, true},
    {"DEFPUSHBUTTON", "Button", BS_DEFPUSHBUTTON | kWsTabStop, true},
    {"CHECKBOX", "Button", BS_CHECKBOX | kWsTabStop, true},
    {"AUTOCHECKBOX", "Button", BS_AUTOCHECKBOX | kWsTabStop, true},
    {"STATE3", "Button", BS_3STATE | kWsTabStop, true},
    {"AUTO3STATE", "Button", BS_AUTO3STATE | kWsTabStop, true},
    {"RADIOBUTTON", "Button", BS_RADIOBUTTON | kWsTabStop, true},
    {"AUTORADIOBUTTON", "Button", BS_AUTORADIOBUTTON | kWsTabStop, true},
    {"GROUPBOX", "Button", BS_GROUPBOX, true},
    {"EDITTEXT", "Edit", ES_LEFT | kWsBorder | kWsTabStop, false},
    {"COMBOBOX", "ComboBox", CBS_SIMPLE | kWsTabStop, false},
    {"LISTBOX", "ListBox", LBS_NOTIFY | kWsBorder, false},
    {"SCROLLBAR", "ScrollBar", 0x0000 /* SBS_HORZ */, false},
    {"ICON", "Static", SS_ICON, true},
};

// Class names a CONTROL statement may give as a keyword; quoted names of these classes are
// written in the same canonical spelling so that later lookups need not fold case.
constexpr const char* kStandardClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};

const char* const kMemoryOptions[] = {"DISCARDABLE", "MOVEABLE", "FIXED", "PURE", "IMPURE",
                                      "PRELOAD", "LOADONCALL", "SHARED", "NONSHARED"};

class Parser {
public:
    Parser(std::vector<Token> tokens, std::map<std::string, long>& symbols, const std::string& bitmapDir)
        : tokens_(std::move(tokens)), symbols_(symbols), bitmapDir_(bitmapDir) {}

    void Run(ResourceScript& script) {
        while (Cur().kind != Tok::End) {
            if (IsName("LANGUAGE")) {
                SkipLanguage();
            } else if (IsName("STRINGTABLE")) {
                ParseStringTable(script);
            } else {
                ParseResource(script);
            }
        }
        ApplyDialogInit(script);
    }

    // The value of a #define: one expression and nothing after it.
    DWORD EvaluateDefine() {
        DWORD value = Expression();
        if (Cur().kind != Tok::End) Fail("unexpected " + Describe() + " in #define");
        return value;
    }

private:
    struct DialogInitEntry {
        int dialogId;
        int controlId;
        std::string text;
        int line;
    };

    const Token& Cur() const { return tokens_[pos_]; }
    const Token& Next() const { return tokens_[pos_ + 1 < tokens_.size() ? pos_ + 1 : pos_]; }
    void Advance() {
        if (pos_ + 1 < tokens_.size()) ++pos_;
    }
    [[noreturn]] void Fail(const std::string& message) const { throw ResourceScriptError(Cur().line, message); }

    bool IsName(const char* name) const { return Cur().kind == Tok::Name && Cur().text == name; }
    bool IsPunct(char c) const { return Cur().kind == Tok::Punct && Cur().text[0] == c; }
    bool IsBegin() const { return IsName("BEGIN") || IsPunct('{'); }
    bool IsEnd() const { return IsName("END") || IsPunct('}'); }
    bool AcceptPunct(char c) {
        if (!IsPunct(c)) return false;
        Advance();
        return true;
    }
    void ExpectComma() {
        if (!AcceptPunct(',')) Fail("expected ','");
    }
    void ExpectBegin() {
        if (!IsBegin()) Fail("expected BEGIN");
        Advance();
    }
    std::string ExpectString() {
        if (Cur().kind != Tok::String) Fail("expected a quoted string");
        std::string text = Cur().text;
        Advance();
        return text;
    }
    std::string Describe() const {
        switch (Cur().kind) {
        case Tok::End: return "end of script";
        case Tok::String: return "a string";
        case Tok::Number: return "a number";
        default: return "'" + Cur().text + "'";
        }
    }

    // Value of a name: a #define of the script, else a built-in constant.
    std::optional<DWORD> Lookup(const std::string& name) const {
        auto it = symbols_.find(name);
        if (it != symbols_.end()) return static_cast<DWORD>(it->second);
        for (const NamedValue& named : kBuiltinNames)
            if (name == named.name) return named.value;
        return std::nullopt;
    }

    // expression := term { ('|' | '+' | '-' | '&') term }
    // term       := NOT term | '~' term | '-' term | '(' expression ')' | number | name
    // Evaluation starts from `initial` (the implied style bits for a style), the first term
    // combining with it by OR; "NOT x" clears the bits of x from what was accumulated, which
    // is how a style removes an implied bit. Arithmetic wraps in 32 bits.
    DWORD Expression(DWORD initial = 0, int depth = 0) {
        if (depth > kMaxExpressionDepth) Fail("expression nested too deeply");
        DWORD value = initial;
        char op = '|';
        for (;;) {
            bool negate = false;
            if (IsName("NOT")) {
                negate = true;
                Advance();
            }
            DWORD term = Term(depth);
            if (negate) {
                value &= ~term;
            } else {
                switch (op) {
                case '|': value |= term; break;
                case '+': value = value + term; break;
                case '-': value = value - term; break;
                case '&': value &= term; break;
                }
            }
            if (IsPunct('|') || IsPunct('+') || IsPunct('-') || IsPunct('&')) {
                op = Cur().text[0];
                Advance();
                continue;
            }
            // A NOT term may follow without an operator ("WS_CHILD NOT WS_VISIBLE").
            if (IsName("NOT")) {
                op = '|';
                continue;
            }
            return value;
        }
    }

    DWORD Term(int depth) {
        if (depth > kMaxExpressionDepth) Fail("expression nested too deeply");
        if (AcceptPunct('(')) {
            DWORD value = Expression(0, depth + 1);
            if (!AcceptPunct(')')) Fail("expected ')'");
            return value;
        }
        if (AcceptPunct('~')) return ~Term(depth + 1);
        if (AcceptPunct('-')) return DWORD(0) - Term(depth + 1);
        if (IsName("NOT")) {
            Advance();
            return ~Term(depth + 1);
        }
        if (Cur().kind == Tok::Number) {
            DWORD value = Cur().number;
            Advance();
            return value;
        }
        if (Cur().kind == Tok::Name) {
            std::optional<DWORD> value = Lookup(Cur().text);
            if (!value) Fail("unknown symbol '" + Cur().text + "'");
            Advance();
            return *value;
        }
        Fail("expected a number or a name, found " + Describe());
    }

    // A signed 16-bit quantity (coordinates, sizes, point sizes).
    int Coordinate() {
        int line = Cur().line;
        int32_t value = static_cast<int32_t>(Expression());
        if (value < -32768 || value > 32767) throw ResourceScriptError(line, "value out of range");
        return value;
    }

    // A control ID: 16 bits, where 0xFFFF (and -1) stand for "no ID".
    int ControlId() {
        int line = Cur().line;
        DWORD value = Expression();
        if (value == 0xFFFFFFFF || value == 0xFFFF) return -1;
        if (value > 0xFFFF) throw ResourceScriptError(line, "control ID out of range");
        return static_cast<int>(value);
    }

    // A resource ID: 1..65535 (named resources are not part of the subset).
    int ResourceId() {
        if (Cur().kind == Tok::Name && !Lookup(Cur().text))
            Fail("unknown symbol '" + Cur().text + "' (resources are identified by number)");
        int line = Cur().line;
        DWORD value = Term(0);
        if (value == 0 || value > 0xFFFF) throw ResourceScriptError(line, "resource ID out of range");
        return static_cast<int>(value);
    }

    void SkipMemoryOptions() {
        while (Cur().kind == Tok::Name) {
            bool known = false;
            for (const char* option : kMemoryOptions)
                if (Cur().text == option) known = true;
            if (!known) return;
            Advance();
        }
    }

    void SkipLanguage() {
        Advance();
        Expression();
        ExpectComma();
        Expression();
    }

    // LANGUAGE, CHARACTERISTICS and VERSION inside a resource header carry nothing we keep.
    bool SkipCommonStatement() {
        if (IsName("LANGUAGE")) {
            SkipLanguage();
            return true;
        }
        if (IsName("CHARACTERISTICS") || IsName("VERSION")) {
            Advance();
            Expression();
            return true;
        }
        return false;
    }

    void ParseStringTable(ResourceScript& script) {
        Advance();
        SkipMemoryOptions();
        while (SkipCommonStatement()) {
        }
        ExpectBegin();
        while (!IsEnd()) {
            if (Cur().kind == Tok::End) Fail("STRINGTABLE without END");
            int line = Cur().line;
            DWORD id = Expression();
            if (id > 0xFFFF) throw ResourceScriptError(line, "string ID out of range");
            AcceptPunct(',');
            std::string text = ExpectString();
            if (!script.strings.emplace(static_cast<UINT>(id), std::move(text)).second)
                throw ResourceScriptError(line, "string " + std::to_string(id) + " defined twice");
        }
        Advance();
    }

    void ParseResource(ResourceScript& script) {
        int line = Cur().line;
        int id = ResourceId();
        if (Cur().kind != Tok::Name) Fail("expected a resource type, found " + Describe());
        std::string type = Cur().text;
        Advance();
        if (type == "DIALOG" || type == "DIALOGEX") {
            RcDialog dialog = ParseDialog(id, type == "DIALOGEX");
            if (!script.dialogs.emplace(id, std::move(dialog)).second)
                throw ResourceScriptError(line, "dialog " + std::to_string(id) + " defined twice");
        } else if (type == "MENU" || type == "MENUEX") {
            RcMenu menu;
            menu.id = id;
            SkipMemoryOptions();
            while (SkipCommonStatement()) {
            }
            ParseMenuItems(menu.items, type == "MENUEX", 0);
            if (!script.menus.emplace(id, std::move(menu)).second)
                throw ResourceScriptError(line, "menu " + std::to_string(id) + " defined twice");
        } else if (type == "BITMAP") {
            RcBitmap bitmap = ParseBitmap(id);
            if (!script.bitmaps.emplace(id, std::move(bitmap)).second)
                throw ResourceScriptError(line, "bitmap " + std::to_string(id) + " defined twice");
        } else if (type == "DLGINIT") {
            if (!dialogInitIds_.insert(id).second)
                throw ResourceScriptError(line, "DLGINIT " + std::to_string(id) + " defined twice");
            ParseDialogInit(id);
        } else {
            throw ResourceScriptError(line, "unsupported resource type '" + type + "'");
        }
    }

    RcDialog ParseDialog(int id, bool extended) {
        RcDialog dialog;
        dialog.id = id;
        dialog.extended = extended;
        SkipMemoryOptions();
        dialog.x = Coordinate();
        ExpectComma();
        dialog.y = Coordinate();
        ExpectComma();
        dialog.cx = Coordinate();
        ExpectComma();
        dialog.cy = Coordinate();
        if (extended && AcceptPunct(',')) Expression(); // help ID
        bool styleGiven = false, hasCaption = false, hasFont = false;
        for (;;) {
            if (IsName("STYLE")) {
                Advance();
                dialog.style = Expression();
                styleGiven = true;
            } else if (IsName("EXSTYLE")) {
                Advance();
                dialog.exStyle = Expression();
            } else if (IsName("CAPTION")) {
                Advance();
                dialog.caption = ExpectString();
                hasCaption = true;
            } else if (IsName("FONT")) {
                Advance();
                dialog.fontSize = Coordinate();
                ExpectComma();
                dialog.fontName = ExpectString();
                // Weight, italic flag and character set of an extended dialog's font.
                for (int i = 0; extended && i < 3 && AcceptPunct(','); ++i) Expression();
                hasFont = true;
            } else if (IsName("MENU")) {
                Advance();
                dialog.menuId = ResourceId();
            } else if (IsName("CLASS")) {
                Advance();
                if (Cur().kind == Tok::String)
                    dialog.windowClass = ExpectString();
                else
                    dialog.windowClass = "#" + std::to_string(ResourceId());
            } else if (!SkipCommonStatement()) {
                break;
            }
        }
        // Without STYLE a dialog is a bordered popup with a system menu; a caption and a font
        // add their bits as the resource compiler does.
        if (!styleGiven) dialog.style = kWsPopup | kWsBorder | kWsSysMenu;
        if (hasCaption) dialog.style |= kWsCaption;
        if (hasFont) dialog.style |= kDsSetFont;

        ExpectBegin();
        while (!IsEnd()) {
            if (Cur().kind == Tok::End) Fail("DIALOG without END");
            RcControl control = ParseControl(extended);
            dialog.controls.push_back(std::move(control));
        }
        Advance();
        return dialog;
    }

    // Caption of a control: a string, or a resource number/name (icons, bitmaps).
    void ControlText(RcControl& control) {
        if (Cur().kind == Tok::String) {
            control.text = ExpectString();
            return;
        }
        int line = Cur().line;
        DWORD value = Term(0);
        if (value > 0xFFFF) throw ResourceScriptError(line, "resource ID out of range");
        control.imageId = static_cast<int>(value);
    }

    void Rectangle(RcControl& control) {
        control.x = Coordinate();
        ExpectComma();
        control.y = Coordinate();
        ExpectComma();
        control.cx = Coordinate();
        ExpectComma();
        control.cy = Coordinate();
    }

    // The optional tail "[, style [, exstyle [, helpID]]]".
    void StyleTail(RcControl& control, bool extended) {
        if (!AcceptPunct(',')) return;
        control.style = Expression(control.style);
        if (!AcceptPunct(',')) return;
        control.exStyle = Expression();
        if (extended && AcceptPunct(',')) Expression();
    }

    RcControl ParseControl(bool extended) {
        if (Cur().kind != Tok::Name) Fail("expected a control statement, found " + Describe());
        RcControl control;
        control.line = Cur().line;
        control.statement = Cur().text;
        Advance();
        const DWORD base = kWsChild | kWsVisible;

        if (control.statement == "CONTROL") {
            ControlText(control);
            ExpectComma();
            control.id = ControlId();
            ExpectComma();
            if (Cur().kind == Tok::String) {
                control.windowClass = ExpectString();
                for (const char* standard : kStandardClasses)
                    if (EqualsNoCase(control.windowClass, standard)) control.windowClass = standard;
            } else if (Cur().kind == Tok::Name) {
                for (const char* standard : kStandardClasses)
                    if (EqualsNoCase(Cur().text, standard)) control.windowClass = standard;
                if (control.windowClass.empty()) Fail("unknown control class '" + Cur().text + "'");
                Advance();
            } else {
                Fail("expected a control class");
            }
            ExpectComma();
            control.style = Expression(base);
            ExpectComma();
            Rectangle(control);
            if (AcceptPunct(',')) {
                control.exStyle = Expression();
                if (extended && AcceptPunct(',')) Expression();
            }
            return control;
        }

        const ControlKind* kind = nullptr;
        for (const ControlKind& candidate : kControlKinds)
            if (control.statement == candidate.statement) kind = &candidate;
        if (!kind) Fail("unknown control statement '" + control.statement + "'");
        control.windowClass = kind->windowClass;
        control.style = base | kind->style;
        if (kind->hasText) {
            ControlText(control);
            ExpectComma();
        }
        control.id = ControlId();
        ExpectComma();
        if (control.statement == "ICON") {
            // ICON text, id, x, y [, cx, cy [, style [, exstyle]]]
            control.x = Coordinate();
            ExpectComma();
            control.y = Coordinate();
            if (AcceptPunct(',')) {
                control.cx = Coordinate();
                ExpectComma();
                control.cy = Coordinate();
                StyleTail(control, extended);
            }
            return control;
        }
        Rectangle(control);
        StyleTail(control, extended);
        return control;
    }

    void ParseMenuItems(std::vector<RcMenuItem>& items, bool extended, int depth) {
        if (depth > kMaxMenuDepth) Fail("menu nested too deeply");
        ExpectBegin();
        while (!IsEnd()) {
            if (Cur().kind == Tok::End) Fail("MENU without END");
            RcMenuItem item;
            if (IsName("MENUITEM")) {
                Advance();
                if (IsName("SEPARATOR")) {
                    Advance();
                    item.separator = true;
                } else {
                    item.text = ExpectString();
                    if (extended) {
                        ExtendedItemTail(item, false);
                    } else {
                        ExpectComma();
                        item.id = ControlId();
                        MenuOptions(item);
                    }
                }
            } else if (IsName("POPUP")) {
                Advance();
                item.popup = true;
                item.text = ExpectString();
                if (extended)
                    ExtendedItemTail(item, true);
                else
                    MenuOptions(item);
                ParseMenuItems(item.children, extended, depth + 1);
            } else {
                Fail("expected MENUITEM or POPUP, found " + Describe());
            }
            items.push_back(std::move(item));
        }
        Advance();
    }

    void MenuOptions(RcMenuItem& item) {
        for (;;) {
            AcceptPunct(',');
            if (IsName("GRAYED")) item.grayed = true;
            else if (IsName("CHECKED")) item.checked = true;
            else if (IsName("INACTIVE")) item.inactive = true;
            else if (IsName("MENUBARBREAK")) item.menuBarBreak = true;
            else return;
            Advance();
        }
    }

    // MENUEX items: "text" [, id [, type [, state [, helpID]]]] (helpID for pop-ups only).
    void ExtendedItemTail(RcMenuItem& item, bool popup) {
        if (!AcceptPunct(',')) return;
        item.id = ControlId();
        if (item.id < 0) item.id = 0;
        if (!AcceptPunct(',')) return;
        DWORD type = Expression();
        item.separator = (type & kMftSeparator) != 0;
        item.menuBarBreak = (type & kMftMenuBarBreak) != 0;
        if (!AcceptPunct(',')) return;
        DWORD state = Expression();
        item.grayed = (state & kMfsGrayed) != 0;
        item.checked = (state & kMfsChecked) != 0;
        if (popup && AcceptPunct(',')) Expression();
    }

    RcBitmap ParseBitmap(int id) {
        RcBitmap bitmap;
        bitmap.id = id;
        SkipMemoryOptions();
        int line = Cur().line;
        bitmap.file = ExpectString();
        // Our own addition: "SIZE width, height" gives the size when the file is not at hand
        // (modules that carry the script but not the pictures).
        bool sizeGiven = false;
        if (IsName("SIZE") && !Lookup("SIZE")) {
            Advance();
            bitmap.width = Coordinate();
            ExpectComma();
            bitmap.height = Coordinate();
            if (bitmap.width < 0 || bitmap.height < 0) throw ResourceScriptError(line, "negative bitmap size");
            sizeGiven = true;
        }
        if (!bitmapDir_.empty()) {
            int width = 0, height = 0;
            if (ReadBitmapSize(bitmapDir_ + "/" + bitmap.file, width, height)) {
                if (sizeGiven && (width != bitmap.width || height != bitmap.height))
                    throw ResourceScriptError(line, "SIZE differs from the size of " + bitmap.file);
                bitmap.width = width;
                bitmap.height = height;
            }
        }
        return bitmap;
    }

    // Width and height from the headers of a .bmp file; false when it cannot be read.
    static bool ReadBitmapSize(const std::string& path, int& width, int& height) {
        std::ifstream in(path, std::ios::binary);
        unsigned char header[26] = {};
        if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
        if (header[0] != 'B' || header[1] != 'M') return false;
        auto u16 = [&](int at) { return uint32_t(header[at]) | uint32_t(header[at + 1]) << 8; };
        auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
        uint32_t infoSize = u32(14);
        if (infoSize == 12) {
            width = int(u16(18));
            height = int(u16(20));
            return true;
        }
        if (infoSize < 40) return false;
        int64_t w = int32_t(u32(18)), h = int32_t(u32(22));
        if (h < 0) h = -h; // top-down bitmap
        if (w < 0 || w > 32767 || h > 32767) return false;
        width = int(w);
        height = int(h);
        return true;
    }

    // DLGINIT: a list of entries for the controls of the dialog with the same ID.
    // Standard entry: control ID, message, byte length, 0, then the text as WORDs (two bytes
    // each, low byte first, NUL-terminated). Readable entry: control ID, message, "text".
    // The block may end with a single 0.
    void ParseDialogInit(int dialogId) {
        SkipMemoryOptions();
        ExpectBegin();
        while (!IsEnd()) {
            if (Cur().kind == Tok::End) Fail("DLGINIT without END");
            int line = Cur().line;
            DWORD controlId = Expression();
            AcceptPunct(',');
            if (controlId == 0 && IsEnd()) break;
            if (controlId > 0xFFFF) throw ResourceScriptError(line, "control ID out of range");
            DWORD message = Expression();
            // Add-string messages of combo boxes and list boxes (old and new numbers).
            if (message != 0x403 && message != 0x401 && message != 0x143 && message != 0x180)
                throw ResourceScriptError(line, "unsupported DLGINIT message");
            ExpectComma();
            DialogInitEntry entry{dialogId, controlId == 0xFFFF ? -1 : int(controlId), {}, line};
            if (Cur().kind == Tok::String) {
                entry.text = ExpectString();
            } else {
                DWORD length = Expression();
                ExpectComma();
                DWORD high = Expression();
                if (high != 0 || length > kMaxStringLength)
                    throw ResourceScriptError(line, "DLGINIT text length out of range");
                std::string bytes;
                for (DWORD word = 0; word < (length + 1) / 2; ++word) {
                    // The first word follows the length without a comma in the standard form.
                    AcceptPunct(',');
                    if (IsEnd() || Cur().kind == Tok::End)
                        throw ResourceScriptError(Cur().line, "DLGINIT text shorter than its length");
                    int wordLine = Cur().line;
                    DWORD value = Expression();
                    if (value > 0xFFFF) throw ResourceScriptError(wordLine, "DLGINIT data word out of range");
                    bytes += static_cast<char>(value & 0xFF);
                    bytes += static_cast<char>(value >> 8);
                }
                bytes.resize(length);
                entry.text = bytes.substr(0, bytes.find('\0'));
            }
            AcceptPunct(',');
            dialogInits_.push_back(std::move(entry));
        }
        Advance();
    }

    void ApplyDialogInit(ResourceScript& script) {
        for (DialogInitEntry& entry : dialogInits_) {
            auto dialog = script.dialogs.find(entry.dialogId);
            if (dialog == script.dialogs.end())
                throw ResourceScriptError(entry.line, "DLGINIT for missing dialog " + std::to_string(entry.dialogId));
            RcControl* target = nullptr;
            for (RcControl& control : dialog->second.controls)
                if (control.id == entry.controlId) target = &control;
            if (!target)
                throw ResourceScriptError(entry.line, "DLGINIT for missing control " + std::to_string(entry.controlId));
            if (target->windowClass != "ComboBox" && target->windowClass != "ListBox")
                throw ResourceScriptError(entry.line, "DLGINIT for a control that is no list");
            target->items.push_back(std::move(entry.text));
        }
    }

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    std::map<std::string, long>& symbols_;
    const std::string& bitmapDir_;
    std::vector<DialogInitEntry> dialogInits_;
    std::set<int> dialogInitIds_;
};

// "#define NAME value": the value is an expression over numbers and earlier names. Other
// directives (#include, #if..., #pragma, #undef) are skipped: the script is self-contained.
void HandleDirective(const std::string& directive, int line, std::map<std::string, long>& symbols) {
    std::size_t pos = directive.find_first_not_of(" \t");
    if (pos == std::string::npos || directive.compare(pos, 6, "define") != 0) return;
    pos += 6;
    if (pos < directive.size() && IsNameChar(directive[pos])) return; // e.g. "#defined"
    pos = directive.find_first_not_of(" \t\r", pos);
    if (pos == std::string::npos || !IsNameStart(directive[pos]))
        throw ResourceScriptError(line, "#define without a name");
    std::size_t nameEnd = pos;
    while (nameEnd < directive.size() && IsNameChar(directive[nameEnd])) ++nameEnd;
    std::string name = directive.substr(pos, nameEnd - pos);
    if (nameEnd < directive.size() && directive[nameEnd] == '(')
        throw ResourceScriptError(line, "macros with arguments are not supported");
    std::string rest = directive.substr(nameEnd);
    if (rest.find_first_not_of(" \t\r") == std::string::npos) return; // a bare flag
    Lexer lexer(rest);
    std::vector<Token> tokens = lexer.Run([line](const std::string&, int) {
        throw ResourceScriptError(line, "malformed #define");
    });
    for (Token& token : tokens) token.line = line;
    std::map<std::string, long> valueSymbols = symbols;
    std::string noDir;
    Parser parser(std::move(tokens), valueSymbols, noDir);
    DWORD value = parser.EvaluateDefine();
    auto [it, inserted] = symbols.emplace(name, static_cast<long>(static_cast<int32_t>(value)));
    if (!inserted && it->second != static_cast<long>(static_cast<int32_t>(value)))
        throw ResourceScriptError(line, "'" + name + "' defined twice with different values");
}

} // namespace
} // namespace qv

namespace qv {

ResourceScript ParseResourceScript(const std::string& text, const std::string& bitmapDir) {
    if (text.size() > kMaxScriptSize) throw ResourceScriptError(0, "script too large");
    ResourceScript script;
    Lexer lexer(text);
    std::vector<Token> tokens = lexer.Run([&script](const std::string& directive, int line) {
        HandleDirective(directive, line, script.symbols);
    });
    Parser parser(std::move(tokens), script.symbols, bitmapDir);
    parser.Run(script);
    return script;
}

ResourceScript ParseResourceScript(const std::string& text) {
    return ParseResourceScript(text, std::string());
}

} // namespace qv
