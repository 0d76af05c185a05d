// The symbol language reader and drawer. The reader checks everything before it keeps
// anything, so a malformed symbol text leaves an empty symbol, never half a picture.
#include "toolkit/tb_draw_symbol.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "afx/message_text.h"
#include "toolkit/text_util.h"

namespace {

const size_t kMaxTextBytes = 64 * 1024;
const size_t kMaxCommands = 1000;
const size_t kMaxPoints = 1000;

struct ParseError {
    std::string what;
};

using qv::text::IsBlank;

// Splits a symbol text into commands at line ends and ';' outside quotes, dropping comments.
std::vector<std::string> SplitCommands(const std::string& text, std::string& error) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, comment = false;
    auto flush = [&]() {
        size_t b = 0;
        while (b < cur.size() && IsBlank(cur[b])) ++b;
        if (b < cur.size()) out.push_back(cur);
        cur.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (comment) {
            if (c == '\n') { comment = false; flush(); }
            continue;
        }
        if (quoted) {
            if (c == '\n') {
                error = "command " + std::to_string(out.size() + 1) + ": unterminated text";
                return {};
            }
            cur += c;
            if (c == '\\' && i + 1 < text.size() && text[i + 1] != '\n') cur += text[++i];
            else if (c == '"') quoted = false;
            continue;
        }
        if (c == '"') { quoted = true; cur += c; }
        else if (c == '#') comment = true;
        else if (c == '\n' || c == ';') flush();
        else cur += c;
    }
    if (quoted) {
        error = "command " + std::to_string(out.size() + 1) + ": unterminated text";
        return {};
    }
    flush();
    return out;
}

// A decimal number: optional sign, digits, optional fraction; at least one digit.
bool ParseNumber(const std::string& tok, double& v) {
    size_t i = 0;
    if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) ++i;
    size_t digits = 0;
    while (i < tok.size() && std::isdigit(static_cast<unsigned char>(tok[i]))) { ++i; ++digits; }
    if (i < tok.size() && tok[i] == '.') {
        ++i;
        while (i < tok.size() && std::isdigit(static_cast<unsigned char>(tok[i]))) { ++i; ++digits; }
    }
    if (digits == 0 || i != tok.size()) return false;
    const char* b = tok.data();
    if (*b == '+') ++b;
    auto res = std::from_chars(b, tok.data() + tok.size(), v);
    return res.ec == std::errc() && res.ptr == tok.data() + tok.size() && std::isfinite(v);
}

} // namespace

CTBDrawSymbol::CTBDrawSymbol(const CRect& rect) : m_rect(rect) {}

BOOL CTBDrawSymbol::Parse(const std::string& text, std::vector<Command>& result, std::string& error) {
    if (text.size() > kMaxTextBytes) {
        error = "symbol text longer than 64 KiB";
        return FALSE;
    }
    if (text.find('\0') != std::string::npos) {
        error = "symbol text contains a null character";
        return FALSE;
    }
    std::string splitError;
    std::vector<std::string> parts = SplitCommands(text, splitError);
    if (!splitError.empty()) {
        error = splitError;
        return FALSE;
    }
    if (parts.size() > kMaxCommands) {
        error = "more than 1000 commands";
        return FALSE;
    }

    std::vector<Command> commands;
    try {
        for (size_t n = 0; n < parts.size(); ++n) {
            const std::string& s = parts[n];
            std::string prefix = "command " + std::to_string(n + 1) + ": ";
            size_t i = 0;
            auto skip = [&]() { while (i < s.size() && IsBlank(s[i])) ++i; };
            Command cmd{};
            skip();
            if (i < s.size() && s[i] == '[') {
                size_t close = s.find(']', i);
                if (close == std::string::npos) throw ParseError{prefix + "mask without ']'"};
                std::string mask = s.substr(i + 1, close - i - 1);
                i = close + 1;
                size_t k = 0;
                while (k < mask.size() && IsBlank(mask[k])) ++k;
                if (k < mask.size() && mask[k] == '!') { cmd.negated = true; ++k; }
                bool any = false;
                while (true) {
                    while (k < mask.size() && IsBlank(mask[k])) ++k;
                    size_t start = k;
                    while (k < mask.size() && std::isdigit(static_cast<unsigned char>(mask[k]))) ++k;
                    if (k == start || k - start > 2) throw ParseError{prefix + "malformed mask " + qv::Quoted("[" + mask + "]")};
                    int bit = std::stoi(mask.substr(start, k - start));
                    if (bit > 31) throw ParseError{prefix + "mask bit " + std::to_string(bit) + " above 31"};
                    cmd.bits |= DWORD(1) << bit;
                    any = true;
                    while (k < mask.size() && IsBlank(mask[k])) ++k;
                    if (k == mask.size()) break;
                    if (mask[k] != ',') throw ParseError{prefix + "malformed mask " + qv::Quoted("[" + mask + "]")};
                    ++k;
                }
                if (!any) throw ParseError{prefix + "empty mask"};
                skip();
            }
            size_t kwStart = i;
            while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
            std::string kw = s.substr(kwStart, i - kwStart);
            for (char& c : kw) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (kw.empty()) throw ParseError{prefix + "missing command"};
            if (i < s.size() && !IsBlank(s[i]) && s[i] != '"')
                throw ParseError{prefix + "unknown command \"" + s.substr(kwStart, std::min<size_t>(s.size() - kwStart, 32)) + "\""};

            int fixed = -1, minPoints = 0;
            if (kw == "line") { cmd.op = Op::Line; fixed = 4; }
            else if (kw == "polyline") { cmd.op = Op::Polyline; minPoints = 2; }
            else if (kw == "polygon") { cmd.op = Op::Polygon; minPoints = 3; }
            else if (kw == "rect") { cmd.op = Op::Rect; fixed = 4; }
            else if (kw == "ellipse") { cmd.op = Op::Ellipse; fixed = 4; }
            else if (kw == "circle") { cmd.op = Op::Circle; fixed = 3; }
            else if (kw == "arc") { cmd.op = Op::Arc; fixed = 8; }
            else if (kw == "text") { cmd.op = Op::Text; fixed = 2; }
            else throw ParseError{prefix + "unknown command " + qv::Quoted(kw)};

            // Arguments: numbers, and for text one quoted string after them.
            bool haveText = false;
            while (true) {
                skip();
                if (i >= s.size()) break;
                if (s[i] == '"') {
                    if (cmd.op != Op::Text || haveText) throw ParseError{prefix + "unexpected text"};
                    ++i;
                    std::string t;
                    bool closed = false;
                    while (i < s.size()) {
                        char c = s[i++];
                        if (c == '\\' && i < s.size() && (s[i] == '"' || s[i] == '\\')) { t += s[i++]; continue; }
                        if (c == '"') { closed = true; break; }
                        t += c;
                    }
                    if (!closed) throw ParseError{prefix + "unterminated text"};
                    if (t.size() > 256) throw ParseError{prefix + "text longer than 256 characters"};
                    cmd.text = t;
                    haveText = true;
                    continue;
                }
                if (haveText) throw ParseError{prefix + "arguments after the text"};
                size_t start = i;
                while (i < s.size() && !IsBlank(s[i]) && s[i] != '"') ++i;
                std::string tok = s.substr(start, i - start);
                double v = 0;
                if (!ParseNumber(tok, v))
                    throw ParseError{prefix + "\"" + tok.substr(0, 32) + "\" is not a number"};
                if (cmd.args.size() >= 2 * kMaxPoints) throw ParseError{prefix + "more than 1000 points"};
                cmd.args.push_back(v);
            }
            if (fixed >= 0 && static_cast<int>(cmd.args.size()) != fixed)
                throw ParseError{prefix + "\"" + kw + "\" needs " + std::to_string(fixed) + " numbers"};
            if (fixed < 0 && (cmd.args.size() % 2 != 0 || static_cast<int>(cmd.args.size()) < 2 * minPoints))
                throw ParseError{prefix + "\"" + kw + "\" needs at least " + std::to_string(minPoints) + " points"};
            if (cmd.op == Op::Text && !haveText) throw ParseError{prefix + "\"text\" needs a quoted text"};

            for (size_t a = 0; a < cmd.args.size(); ++a) {
                if (cmd.op == Op::Circle && a == 2) continue;
                if (cmd.args[a] < 0 || cmd.args[a] > 100) throw ParseError{prefix + "coordinate outside 0..100"};
            }
            if (cmd.op == Op::Circle) {
                double cx = cmd.args[0], cy = cmd.args[1], r = cmd.args[2];
                if (!(r > 0) || cx - r < 0 || cx + r > 100 || cy - r < 0 || cy + r > 100)
                    throw ParseError{prefix + "circle radius not above 0 or outside the box"};
            }
            commands.push_back(std::move(cmd));
        }
    } catch (const ParseError& e) {
        error = e.what;
        return FALSE;
    }
    result = std::move(commands);
    return TRUE;
}

namespace {

// The symbol texts parsed so far and what they gave. Element kinds are few, so the texts are;
// past kMaxCachedSymbols (or kMaxCachedTextBytes for one text) a text is parsed without being
// kept.
struct ParsedSymbol {
    std::shared_ptr<const void> commands;   // the parsed commands; null for a malformed text
    std::string error;
};
constexpr size_t kMaxCachedSymbols = 256;
constexpr size_t kMaxCachedTextBytes = 4096;

} // namespace

BOOL CTBDrawSymbol::LoadSymbols(const CString& symbolText) {
    static std::mutex lock;
    static std::unordered_map<std::string, ParsedSymbol> parsed;
    m_commands.reset();
    m_error.Empty();
    std::string text(static_cast<LPCTSTR>(symbolText), static_cast<size_t>(symbolText.GetLength()));
    {
        std::lock_guard<std::mutex> guard(lock);
        if (const auto found = parsed.find(text); found != parsed.end()) {
            m_commands = std::static_pointer_cast<const std::vector<Command>>(found->second.commands);
            m_error = found->second.error.c_str();
            return m_commands ? TRUE : FALSE;
        }
    }
    std::vector<Command> commands;
    std::string error;
    const BOOL ok = Parse(text, commands, error);
    if (ok) m_commands = std::make_shared<const std::vector<Command>>(std::move(commands));
    m_error = error.c_str();
    std::lock_guard<std::mutex> guard(lock);
    if (parsed.size() < kMaxCachedSymbols && text.size() <= kMaxCachedTextBytes) parsed.emplace(text, ParsedSymbol{m_commands, error});
    return ok;
}

bool CTBDrawSymbol::Shown(const Command& c) const {
    if (c.bits == 0) return true;
    bool hit = (c.bits & m_mask) != 0;
    return c.negated ? !hit : hit;
}

void CTBDrawSymbol::Draw(CDC* pDC) { Draw(pDC, m_rect); }

void CTBDrawSymbol::Draw(CDC* pDC, const CRect& rectIn) {
    if (!pDC) return;
    CRect norm(rectIn);
    norm.NormalizeRect();
    if (norm.IsRectEmpty() || !m_commands || m_commands->empty()) return;

    // One scale for both axes; the 100 x 100 box is centred in the rectangle. The box's top
    // edge goes to the rectangle's top edge as given, so a rectangle taken from device
    // coordinates into a mapping with y upwards still shows the symbol upright.
    double scale = std::min(norm.Width(), norm.Height()) / 100.0;
    double dirX = rectIn.right >= rectIn.left ? 1.0 : -1.0;
    double dirY = rectIn.bottom >= rectIn.top ? 1.0 : -1.0;
    double ox = rectIn.left + dirX * (norm.Width() - 100.0 * scale) / 2.0;
    double oy = rectIn.top + dirY * (norm.Height() - 100.0 * scale) / 2.0;
    auto X = [&](double x) { return static_cast<int>(std::lround(ox + dirX * x * scale)); };
    auto Y = [&](double y) { return static_cast<int>(std::lround(oy + dirY * y * scale)); };

    CBrush* oldBrush = static_cast<CBrush*>(pDC->SelectStockObject(NULL_BRUSH));
    for (const Command& c : *m_commands) {
        if (!Shown(c)) continue;
        const std::vector<double>& a = c.args;
        switch (c.op) {
        case Op::Line:
            pDC->MoveTo(X(a[0]), Y(a[1]));
            pDC->LineTo(X(a[2]), Y(a[3]));
            break;
        case Op::Polyline:
        case Op::Polygon: {
            std::vector<POINT> pts;
            for (size_t k = 0; k + 1 < a.size(); k += 2) pts.push_back(POINT{X(a[k]), Y(a[k + 1])});
            if (c.op == Op::Polyline) {
                pDC->Polyline(pts.data(), static_cast<int>(pts.size()));
            } else {
                COLORREF colour = pDC->GetCurrentPen() ? pDC->GetCurrentPen()->m_pen.color : 0;
                CBrush fill(colour);
                CBrush* prev = pDC->SelectObject(&fill);
                pDC->Polygon(pts.data(), static_cast<int>(pts.size()));
                pDC->SelectObject(prev);
            }
            break;
        }
        case Op::Rect: pDC->Rectangle(X(a[0]), Y(a[1]), X(a[2]), Y(a[3])); break;
        case Op::Ellipse: pDC->Ellipse(X(a[0]), Y(a[1]), X(a[2]), Y(a[3])); break;
        case Op::Circle: pDC->Ellipse(X(a[0] - a[2]), Y(a[1] - a[2]), X(a[0] + a[2]), Y(a[1] + a[2])); break;
        case Op::Arc:
            pDC->Arc(X(a[0]), Y(a[1]), X(a[2]), Y(a[3]), X(a[4]), Y(a[5]), X(a[6]), Y(a[7]));
            break;
        case Op::Text: {
            int x = X(a[0]), y = Y(a[1]);
            CSize ext = pDC->GetTextExtent(c.text.c_str(), static_cast<int>(c.text.size()));
            int hw = std::abs(ext.cx) / 2 + 1, hh = std::abs(ext.cy) / 2 + 1;
            CRect box(x - hw, y - hh, x + hw, y + hh);
            int oldMode = pDC->SetBkMode(TRANSPARENT);
            pDC->DrawText(c.text.c_str(), static_cast<int>(c.text.size()), &box,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
            pDC->SetBkMode(oldMode);
            break;
        }
        }
    }
    if (oldBrush) pDC->SelectObject(oldBrush);
}
