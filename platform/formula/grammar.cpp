// Parser of the expression language: a lexer that reads the text once, left to right, and a
// recursive-descent parser whose depth is limited (kMaxNesting), so that texts of millions of
// characters parse in time and memory linear in their length and deep nesting is an error
// record instead of a stack overflow.
#include "formula/grammar.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cfloat>
#include <cstring>
#include <unordered_set>

namespace qv::formula {

namespace {

struct Palette {
    const char* name;
    int places;
};

constexpr std::array<Palette, 29> kPalette{{
    {"SIN", 1}, {"SQU", 1}, {"DEGEL", 2}, {"COS", 1}, {"MOD", 2}, {"TAN", 1}, {"SQRT", 1},
    {"INT", 1}, {"ASIN", 1}, {"ROOT", 2}, {"FRAC", 1}, {"ACOS", 1}, {"EXP", 1}, {"SGN", 1},
    {"ATAN", 1}, {"ABS", 1}, {"SINH", 1}, {"LN", 1}, {"RE", 1}, {"COSH", 1}, {"LOG", 2},
    {"IM", 1}, {"TANH", 1}, {"INTEG", 1}, {"ARG", 1}, {"DEG", 1}, {"ATAN2", 2}, {"RAD", 1},
    {"LOOKUP", 2},
}};

// The scale prefixes of typed numbers, compared without regard to case.
struct Prefix {
    const char* shortForm;
    const char* longForm;
    int power;
};
constexpr std::array<Prefix, 8> kPrefixes{{
    {"f", "fem", -15}, {"p", "pik", -12}, {"n", "nan", -9}, {"u", "mik", -6},
    {"m", "mil", -3}, {"k", "kil", 3}, {"g", "gig", 9}, {"t", "ter", 12},
}};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return IsLetter(c) || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

const char* Message(int code) {
    switch (code) {
    case kErrCharacter: return "Unexpected character";
    case kErrNumber: return "Invalid number";
    case kErrFunction: return "Unknown function";
    case kErrArguments: return "Wrong number of arguments";
    case kErrParenthesis: return "Closing parenthesis expected";
    case kErrOperand: return "Operand expected";
    case kErrNesting: return "Nesting too deep";
    case kErrToken: return "Unexpected token";
    case kErrEmpty: return "Empty formula";
    case kErrOneFormula: return "Only one formula allowed";
    case kErrCondition: return "IF is not allowed in a formula";
    case kErrOpenBrace: return "'{' expected";
    case kErrCloseBrace: return "'}' expected";
    case kErrTarget: return "A name must stand left of ':=' and '##'";
    case kErrName: return "Invalid name";
    case kErrElse: return "ELSE without IF";
    default: return "Error";
    }
}

enum class Tok {
    End, Newline, Semicolon, Number, Name, If, Else,
    LParen, RParen, LBrace, RBrace, Comma, Assign, Hash,
    Plus, Minus, Star, Slash, Caret, Eq, Ne, Lt, Le, Gt, Ge, AndAnd, OrOr, Bang,
    Error,
};

struct Token {
    Tok type = Tok::End;
    size_t pos = 0;
    size_t len = 0;
    double number = 0.0;
    int error = 0;  // Tok::Error: the error number
};

// Reads one token at a time. Line breaks are statement separators only outside parentheses;
// inside them they are blanks.
class Lexer {
public:
    // `modelValue`: numbers as a model text's values hold them (ParseMode::Value).
    Lexer(std::string_view text, bool modelValue) : m_text(text), m_modelValue(modelValue) {}

    Token Next() {
        SkipBlanks();
        Token t;
        t.pos = m_pos;
        if (m_pos >= m_text.size()) {
            t.type = Tok::End;
            return t;
        }
        const char c = m_text[m_pos];
        if (c == '\n') return Single(t, Tok::Newline);
        if (IsDigit(c) || (c == '.' && m_pos + 1 < m_text.size() && IsDigit(m_text[m_pos + 1])))
            return LexNumber(t);
        if (IsNameStart(c)) return LexName(t);
        const char n = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : '\0';
        switch (c) {
        case ';': return Single(t, Tok::Semicolon);
        case '(': ++m_depth; return Single(t, Tok::LParen);
        case ')': if (m_depth > 0) --m_depth; return Single(t, Tok::RParen);
        case '{': return Single(t, Tok::LBrace);
        case '}': return Single(t, Tok::RBrace);
        case ',': return Single(t, Tok::Comma);
        case '+': return Single(t, Tok::Plus);
        case '-': return Single(t, Tok::Minus);
        case '*': return Single(t, Tok::Star);
        case '/': return Single(t, Tok::Slash);
        case '^': return Single(t, Tok::Caret);
        case ':': if (n == '=') return Double(t, Tok::Assign); break;
        case '#': if (n == '#') return Double(t, Tok::Hash); break;
        case '=': return n == '=' ? Double(t, Tok::Eq) : Single(t, Tok::Eq);
        case '!': return n == '=' ? Double(t, Tok::Ne) : Single(t, Tok::Bang);
        case '<':
            if (n == '=') return Double(t, Tok::Le);
            if (n == '>') return Double(t, Tok::Ne);
            return Single(t, Tok::Lt);
        case '>': return n == '=' ? Double(t, Tok::Ge) : Single(t, Tok::Gt);
        case '&': if (n == '&') return Double(t, Tok::AndAnd); break;
        case '|': if (n == '|') return Double(t, Tok::OrOr); break;
        default: break;
        }
        t.type = Tok::Error;
        t.error = kErrCharacter;
        t.len = 1;
        m_pos = m_text.size();  // nothing after an error is read
        return t;
    }

private:
    void SkipBlanks() {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || (c == '\n' && m_depth > 0))
                ++m_pos;
            else
                break;
        }
    }
    Token Single(Token& t, Tok type) {
        t.type = type;
        t.len = 1;
        ++m_pos;
        return t;
    }
    Token Double(Token& t, Tok type) {
        t.type = type;
        t.len = 2;
        m_pos += 2;
        return t;
    }
    Token Fail(Token& t, int error) {
        t.type = Tok::Error;
        t.error = error;
        t.len = m_pos - t.pos;
        m_pos = m_text.size();
        return t;
    }

    Token LexNumber(Token& t) {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && IsDigit(m_text[m_pos])) ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            while (m_pos < m_text.size() && IsDigit(m_text[m_pos])) ++m_pos;
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            size_t p = m_pos + 1;
            if (p < m_text.size() && (m_text[p] == '+' || m_text[p] == '-')) ++p;
            if (p < m_text.size() && IsDigit(m_text[p])) {
                while (p < m_text.size() && IsDigit(m_text[p])) ++p;
                m_pos = p;
            }
        }
        const size_t numberEnd = m_pos;
        while (m_pos < m_text.size() && IsLetter(m_text[m_pos])) ++m_pos;
        const std::string_view suffix = m_text.substr(numberEnd, m_pos - numberEnd);
        if (m_pos < m_text.size() && (IsNameChar(m_text[m_pos]) || m_text[m_pos] == '.')) {
            while (m_pos < m_text.size() && (IsNameChar(m_text[m_pos]) || m_text[m_pos] == '.')) ++m_pos;
            return Fail(t, kErrNumber);
        }
        int power = 0;
        if (!suffix.empty()) {
            bool found = false;
            for (const Prefix& p : kPrefixes) {
                if (EqualNoCase(suffix, p.shortForm) || EqualNoCase(suffix, p.longForm)) {
                    power = p.power;
                    found = true;
                    break;
                }
            }
            // The simulator reads mega as the number texts of the toolkit write it.
            if (!found && m_modelValue && EqualNoCase(suffix, "meg")) {
                power = 6;
                found = true;
            }
            if (!found) return Fail(t, kErrNumber);
        }
        double value = 0.0;
        const auto r = std::from_chars(m_text.data() + start, m_text.data() + numberEnd, value,
                                       std::chars_format::general);
        if (r.ec != std::errc() || r.ptr != m_text.data() + numberEnd || !std::isfinite(value))
            return Fail(t, kErrNumber);
        // The typed-number rule of the pages: number and scale together must stay within the
        // range of a double's exponent; the scale is applied by steps of a thousand. A model
        // text's value only has to be a finite number.
        if (!m_modelValue && !NumberInRange(value, power)) return Fail(t, kErrNumber);
        for (; power > 0; power -= 3) value *= 1000.0;
        for (; power < 0; power += 3) value *= 0.001;
        if (!std::isfinite(value)) return Fail(t, kErrNumber);
        t.type = Tok::Number;
        t.number = value;
        t.len = m_pos - start;
        return t;
    }

    Token LexName(Token& t) {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && IsNameChar(m_text[m_pos])) ++m_pos;
        bool plain = true;
        while (m_pos < m_text.size() && m_text[m_pos] == '.') {
            if (m_pos + 1 < m_text.size() && IsNameStart(m_text[m_pos + 1])) {
                ++m_pos;
                while (m_pos < m_text.size() && IsNameChar(m_text[m_pos])) ++m_pos;
                plain = false;
            } else {
                ++m_pos;
                return Fail(t, kErrName);
            }
        }
        if (m_pos < m_text.size() && m_text[m_pos] == '[') {
            ++m_pos;
            const size_t digits = m_pos;
            while (m_pos < m_text.size() && IsDigit(m_text[m_pos])) ++m_pos;
            if (m_pos == digits || m_pos >= m_text.size() || m_text[m_pos] != ']') {
                while (m_pos < m_text.size() && m_text[m_pos] != ']' && m_text[m_pos] != '\n') ++m_pos;
                if (m_pos < m_text.size() && m_text[m_pos] == ']') ++m_pos;
                return Fail(t, kErrName);
            }
            ++m_pos;
            plain = false;
        }
        t.len = m_pos - start;
        const std::string_view word = m_text.substr(start, t.len);
        if (plain && EqualNoCase(word, "IF")) t.type = Tok::If;
        else if (plain && EqualNoCase(word, "ELSE")) t.type = Tok::Else;
        else t.type = Tok::Name;
        return t;
    }

    std::string_view m_text;
    bool m_modelValue = false;
    size_t m_pos = 0;
    int m_depth = 0;
};

struct ParseError {
    ErrorInfo info;
};

class Parser {
public:
    Parser(std::string_view text, ParseMode mode) : m_text(text), m_lexer(text, mode == ParseMode::Value), m_mode(mode) {}

    ParseResult Run() {
        ParseResult r;
        try {
            Advance();
            if (m_mode == ParseMode::Formula) ParseFormula();
            else if (m_mode == ParseMode::Value) ParseValue();
            else ParseBlock();
            r.upn = std::move(m_upn);
            r.names = std::move(m_names);
            if (m_mode == ParseMode::Value) {
                r.kind = kExpressionBare;
            } else if (m_mode == ParseMode::Formula) {
                r.assigned = m_assigned;
                r.kind = m_assigned.empty() ? kExpressionBare : kExpressionAssignment;
            } else if (m_bare || m_statements == 0) {
                r.kind = kExpressionBare;
                r.names.clear();
            } else {
                r.kind = m_hasIf ? kExpressionCondition : kExpressionAssignment;
            }
        } catch (const ParseError& e) {
            r = ParseResult{};
            r.result = 1;
            r.errors.push_back(e.info);
        }
        return r;
    }

private:
    // --- tokens
    void Advance() {
        m_tok = m_lexer.Next();
        if (m_tok.type == Tok::Error) Fail(m_tok.error, m_tok);
    }
    Token PeekNext() {
        Lexer copy = m_lexer;
        return copy.Next();
    }
    std::string_view TokenText(const Token& t) const { return m_text.substr(t.pos, t.len); }

    [[noreturn]] void Fail(int code, const Token& at) {
        ParseError e;
        e.info.code = code;
        e.info.message = Message(code);
        e.info.position = static_cast<int>(std::min<size_t>(at.pos, 0x7fffffff));
        std::string_view token = TokenText(at);
        if (token.size() > 40) token = token.substr(0, 40);
        e.info.token = std::string(token);
        throw e;
    }
    [[noreturn]] void FailNoPosition(int code) {
        ParseError e;
        e.info.code = code;
        e.info.message = Message(code);
        throw e;
    }
    void Expect(Tok type, int code) {
        if (m_tok.type != type) Fail(code, m_tok);
        Advance();
    }
    void Enter() {
        if (++m_nesting > kMaxNesting) Fail(kErrNesting, m_tok);
    }
    void Leave() { --m_nesting; }
    bool IsSeparator() const { return m_tok.type == Tok::Newline || m_tok.type == Tok::Semicolon; }
    void SkipSeparators() {
        while (IsSeparator()) Advance();
    }
    void Emit(UpnOp op, int argc = 0, std::string text = {}, double number = 0.0) {
        UpnItem item;
        item.op = op;
        item.argc = argc;
        item.text = std::move(text);
        item.number = number;
        m_upn.push_back(std::move(item));
    }
    void NoteName(std::string_view name) {
        // The set keeps the look-up constant however many statements a text holds; the
        // vector keeps the order.
        if (m_known.insert(std::string(name)).second) m_names.emplace_back(name);
    }

    // --- statements
    void ParseFormula() {
        SkipSeparators();
        if (m_tok.type == Tok::End) FailNoPosition(kErrEmpty);
        if (m_tok.type == Tok::If) Fail(kErrCondition, m_tok);
        ParseStatement();
        if (!IsSeparator() && m_tok.type != Tok::End) Fail(kErrToken, m_tok);
        SkipSeparators();
        if (m_tok.type != Tok::End) Fail(kErrOneFormula, m_tok);
    }

    void ParseValue() {
        if (m_tok.type == Tok::End) FailNoPosition(kErrEmpty);
        ParseExpression();
        if (m_tok.type != Tok::End) Fail(kErrToken, m_tok);
    }

    void ParseBlock() {
        ParseStatements(false);
        if (m_tok.type != Tok::End) Fail(kErrToken, m_tok);
    }

    // Statements up to the end of the text, or up to the "}" of an IF branch.
    void ParseStatements(bool inBraces) {
        for (;;) {
            SkipSeparators();
            if (m_tok.type == Tok::End) {
                if (inBraces) Fail(kErrCloseBrace, m_tok);
                return;
            }
            if (m_tok.type == Tok::RBrace) {
                if (inBraces) return;
                Fail(kErrToken, m_tok);
            }
            ParseStatement();
            if (IsSeparator() || m_tok.type == Tok::End) continue;
            if (m_tok.type == Tok::RBrace && inBraces) continue;
            if (m_afterIf) continue;  // an IF's closing brace ends its statement
            Fail(kErrToken, m_tok);
        }
    }

    void ParseStatement() {
        m_afterIf = false;
        ++m_statements;
        if (m_tok.type == Tok::If) {
            ParseIf();
            m_afterIf = true;
            return;
        }
        if (m_tok.type == Tok::Else) Fail(kErrElse, m_tok);
        if (m_tok.type == Tok::Name) {
            const Token next = PeekNext();
            if (next.type == Tok::Assign || next.type == Tok::Hash) {
                const std::string target(TokenText(m_tok));
                Advance();
                if (m_tok.type == Tok::Assign) {
                    Advance();
                    ParseExpression();
                    if (m_tok.type == Tok::Hash) {
                        Advance();
                        ParseExpression();
                        Emit(UpnOp::Action, 2, target);
                    } else {
                        Emit(UpnOp::Assign, 1, target);
                    }
                } else {
                    Advance();
                    ParseExpression();
                    Emit(UpnOp::Action, 1, target);
                }
                NoteName(target);
                if (m_assigned.empty()) m_assigned = target;
                return;
            }
        }
        ParseExpression();
        if (m_tok.type == Tok::Assign || m_tok.type == Tok::Hash) Fail(kErrTarget, m_tok);
        Emit(UpnOp::Expr, 1);
        m_bare = true;
    }

    void SkipNewlines() {
        while (m_tok.type == Tok::Newline) Advance();
    }

    void ParseIf() {
        Enter();
        m_hasIf = true;
        Advance();  // IF
        ParseExpression();
        SkipNewlines();
        Emit(UpnOp::If);
        Expect(Tok::LBrace, kErrOpenBrace);
        ParseStatements(true);
        Expect(Tok::RBrace, kErrCloseBrace);
        // An ELSE may follow on a later line; anything else leaves the line breaks for the
        // statement list.
        Lexer saved = m_lexer;
        const Token savedTok = m_tok;
        SkipNewlines();
        if (m_tok.type == Tok::Else) {
            Advance();
            SkipNewlines();
            Emit(UpnOp::Else);
            if (m_tok.type == Tok::If) {
                ParseIf();
            } else {
                Expect(Tok::LBrace, kErrOpenBrace);
                ParseStatements(true);
                Expect(Tok::RBrace, kErrCloseBrace);
            }
        } else {
            m_lexer = saved;
            m_tok = savedTok;
        }
        Emit(UpnOp::End);
        Leave();
    }

    // --- expressions, lowest precedence first
    void ParseExpression() {
        Enter();
        ParseAnd();
        while (m_tok.type == Tok::OrOr) {
            Advance();
            ParseAnd();
            Emit(UpnOp::Or);
        }
        Leave();
    }
    void ParseAnd() {
        ParseComparison();
        while (m_tok.type == Tok::AndAnd) {
            Advance();
            ParseComparison();
            Emit(UpnOp::And);
        }
    }
    void ParseComparison() {
        ParseSum();
        for (;;) {
            UpnOp op;
            switch (m_tok.type) {
            case Tok::Eq: op = UpnOp::Eq; break;
            case Tok::Ne: op = UpnOp::Ne; break;
            case Tok::Lt: op = UpnOp::Lt; break;
            case Tok::Le: op = UpnOp::Le; break;
            case Tok::Gt: op = UpnOp::Gt; break;
            case Tok::Ge: op = UpnOp::Ge; break;
            default: return;
            }
            Advance();
            ParseSum();
            Emit(op);
        }
    }
    void ParseSum() {
        ParseProduct();
        while (m_tok.type == Tok::Plus || m_tok.type == Tok::Minus) {
            const UpnOp op = m_tok.type == Tok::Plus ? UpnOp::Add : UpnOp::Sub;
            Advance();
            ParseProduct();
            Emit(op);
        }
    }
    void ParseProduct() {
        ParseUnary();
        while (m_tok.type == Tok::Star || m_tok.type == Tok::Slash) {
            const UpnOp op = m_tok.type == Tok::Star ? UpnOp::Mul : UpnOp::Div;
            Advance();
            ParseUnary();
            Emit(op);
        }
    }
    void ParseUnary() {
        SkipNewlines();  // an operand is still to come, so a line break continues the statement
        if (m_tok.type == Tok::Minus || m_tok.type == Tok::Plus || m_tok.type == Tok::Bang) {
            const Tok type = m_tok.type;
            Enter();
            Advance();
            ParseUnary();
            if (type == Tok::Minus) Emit(UpnOp::Neg);
            else if (type == Tok::Bang) Emit(UpnOp::Not);
            Leave();
            return;
        }
        ParsePrimary();
        if (m_tok.type == Tok::Caret) {
            Enter();
            Advance();
            ParseUnary();  // right-associative: a^b^c is a^(b^c); a^-b is allowed
            Emit(UpnOp::Pow);
            Leave();
        }
    }
    void ParsePrimary() {
        switch (m_tok.type) {
        case Tok::Number:
            Emit(UpnOp::Number, 0, {}, m_tok.number);
            Advance();
            return;
        case Tok::Name: {
            const Token name = m_tok;
            Advance();
            if (m_tok.type != Tok::LParen) {
                Emit(UpnOp::Name, 0, std::string(TokenText(name)));
                return;
            }
            std::string upper(TokenText(name));
            for (char& c : upper) c = Upper(c);
            // A model text's value may also ask the simulator for a quantity of its own.
            const int places = FunctionPlaces(upper);
            if (places == 0 && m_mode != ParseMode::Value) Fail(kErrFunction, name);
            Advance();  // (
            int argc = 0;
            if (m_tok.type != Tok::RParen) {
                for (;;) {
                    ParseExpression();
                    ++argc;
                    if (m_tok.type != Tok::Comma) break;
                    Advance();
                }
            }
            Expect(Tok::RParen, kErrParenthesis);
            if (places == 0 ? argc == 0 : argc != places) Fail(kErrArguments, name);
            Emit(UpnOp::Call, argc, places == 0 ? std::string(TokenText(name)) : upper);
            return;
        }
        case Tok::LParen:
            Advance();
            ParseExpression();  // counts the level
            Expect(Tok::RParen, kErrParenthesis);
            return;
        default:
            Fail(kErrOperand, m_tok);
        }
    }

    std::string_view m_text;
    Lexer m_lexer;
    ParseMode m_mode;
    Token m_tok;
    int m_nesting = 0;
    int m_statements = 0;
    bool m_hasIf = false;
    bool m_bare = false;
    bool m_afterIf = false;
    std::vector<UpnItem> m_upn;
    std::vector<std::string> m_names;
    std::unordered_set<std::string> m_known;
    std::string m_assigned;
};

} // namespace

int FunctionPlaces(std::string_view upperName) {
    for (const Palette& p : kPalette)
        if (upperName == p.name) return p.places;
    return 0;
}

ParseResult Parse(std::string_view text, ParseMode mode) {
    return Parser(text, mode).Run();
}

bool NumberInRange(double value, int decimalPower) {
    if (!std::isfinite(value)) return false;
    if (value == 0.0) return true;
    int e1 = 0, e2 = 0;
    std::frexp(value, &e1);
    std::frexp(std::pow(10.0, decimalPower), &e2);
    return e1 + e2 >= -1021 && e1 + e2 <= 1024;
}

} // namespace qv::formula
