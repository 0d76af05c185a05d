#include "editor/model_text_check.h"

#include "formula/grammar.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qv {

namespace {

// A line longer than this is shown around its fault.
constexpr size_t kShownLine = 160;
constexpr size_t kShownAround = 70;

constexpr const char* kUnquotable = "holds a name that cannot be quoted (a double quote or a line break in it)";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
// The characters that end a keyword or name of a statement, and the bytes no text may hold.
bool EndsWord(char c) {
    return IsBlank(c) || c == '\0' || std::string_view(";(){},\":=@").find(c) != std::string_view::npos;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// What the expression language finds wrong with a value that holds no quote and no "@":
// the words and where they point (an offset into the value); "" when it reads as one finite
// value.
std::string ReadAsValue(std::string_view value, size_t& at) {
    const formula::ParseResult read = formula::Parse(value, formula::ParseMode::Value);
    at = 0;
    if (read.result != 0) {
        const formula::ErrorInfo& error = read.errors.front();
        at = static_cast<size_t>(std::max(error.position, 0));
        // A number too large for a double is read as none.
        if (error.code == formula::kErrNumber && std::isinf(std::strtod(error.token.c_str(), nullptr)))
            return "is no finite number";
        return "the expression language does not read (" + error.message +
               (error.token.empty() ? "" : " at " + Quoted(error.token)) + ")";
    }
    if (!formula::NumbersStayFinite(read.upn)) return "is no finite number";
    return std::string();
}

// Reads a model text once, from left to right; the first fault ends the reading.
class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    std::string Run() {
        size_t pos = 0;
        Statements(pos, m_text.size());
        return m_fault;
    }

private:
    // The statements between `pos` and `end`: keywords and names, each statement's lists and
    // equations after them, separated by ";".
    bool Statements(size_t& pos, size_t end) {
        bool statementStart = true;
        while (pos < end) {
            const char c = m_text[pos];
            if (IsBlank(c)) {
                ++pos;
            } else if (c == ';') {
                ++pos;
                statementStart = true;
            } else if (c == '@') {
                return Macro(pos);
            } else if (c == '(' || c == '{') {
                // A list or equations belong to the keyword and name before them.
                if (statementStart)
                    return Fail(pos, c == '(' ? "has a list that follows no keyword" : "has equations that follow no keyword");
                if (!(c == '(' ? List(pos) : Equations(pos))) return false;
            } else if (!EndsWord(c)) {
                while (pos < end && !EndsWord(m_text[pos])) ++pos;
                // A label ("DST:") ends in a colon.
                if (pos < end && m_text[pos] == ':' && m_text.compare(pos, 2, ":=") != 0) ++pos;
                statementStart = false;
            } else {
                return Fail(pos, "has an unexpected " + Quoted(std::string_view(&m_text[pos], 1)));
            }
        }
        return true;
    }

    bool Fail(size_t at, const std::string& what) {
        m_fault = "its model text " + what + ": " + LineAt(at);
        return false;
    }

    // The line of the text that holds `at`, without its line end; a long line around `at`.
    std::string LineAt(size_t at) const {
        at = std::min(at, m_text.size());
        size_t begin = 0;
        if (at > 0)
            if (const size_t end = m_text.rfind('\n', at - 1); end != std::string_view::npos) begin = end + 1;
        size_t end = std::min(m_text.find('\n', at), m_text.size());
        if (end > begin && m_text[end - 1] == '\r') --end;
        if (end - begin <= kShownLine) return std::string(m_text.substr(begin, end - begin));
        const size_t from = std::max(begin, at > kShownAround ? at - kShownAround : 0);
        const size_t to = std::min(end, from + 2 * kShownAround);
        return (from > begin ? "..." : "") + std::string(m_text.substr(from, to - from)) + (to < end ? "..." : "");
    }

    // An "@" left in the text: a macro the editor did not expand ("@ListCoPa(...)"), or a
    // placeholder that names no parameter ("@Y0[1]").
    bool Macro(size_t at) {
        size_t end = at + 1;
        while (end < m_text.size() && IsNameChar(m_text[end])) ++end;
        if (end == at + 1) return Fail(at, "holds an \"@\" that stands for nothing");
        if (end < m_text.size() && m_text[end] == '(')
            return Fail(at, "keeps the macro " + Quoted(m_text.substr(at, end - at)) + ", which the editor does not expand");
        if (end < m_text.size() && m_text[end] == '[') {
            const size_t close = m_text.find_first_of("]\n", end);
            if (close != std::string_view::npos && m_text[close] == ']') end = close + 1;
        }
        return Fail(at, "keeps " + Quoted(m_text.substr(at, end - at)) + ", which names no parameter of the element");
    }

    // A list in parentheses, `pos` at its "(": entries "name := value" or a value alone,
    // separated by ",".
    bool List(size_t& pos) {
        const size_t open = pos++;
        bool afterComma = false;
        for (;;) {
            while (pos < m_text.size() && IsBlank(m_text[pos])) ++pos;
            if (pos >= m_text.size()) return Fail(open, "has a list that is not closed");
            if (m_text[pos] == ')' || m_text[pos] == ',') {
                if (m_text[pos] == ',' || afterComma) return Fail(pos, "has an empty list entry");
                ++pos;
                return true;
            }
            size_t valueStart = pos;
            std::string_view target;
            size_t word = pos;
            while (word < m_text.size() && (IsNameChar(m_text[word]) || m_text[word] == '.' || m_text[word] == '[' ||
                                             m_text[word] == ']'))
                ++word;
            size_t assign = word;
            while (assign < m_text.size() && (m_text[assign] == ' ' || m_text[assign] == '\t')) ++assign;
            if (m_text.compare(assign, 2, ":=") == 0) {
                if (word == pos) return Fail(pos, "assigns to no name");
                target = m_text.substr(pos, word - pos);
                valueStart = assign + 2;
            }
            // The value runs to the "," or ")" that ends the entry; quoted names and the
            // parentheses of the value are passed over.
            size_t end = valueStart;
            int depth = 0;
            for (; end < m_text.size(); ++end) {
                const char c = m_text[end];
                if (c == '"') {
                    const size_t close = m_text.find_first_of("\"\n", end + 1);
                    if (close == std::string_view::npos || m_text[close] != '"') return Fail(end, kUnquotable);
                    end = close;
                } else if (c == '(') {
                    ++depth;
                } else if (c == ')') {
                    if (depth == 0) break;
                    --depth;
                } else if (c == ',' && depth == 0) {
                    break;
                } else if (c == ';' || c == '{' || c == '}') {
                    break;
                }
            }
            if (depth > 0)
                return Fail(valueStart, (target.empty() ? std::string("has a list entry") : "gives " + Quoted(target) + " a value") +
                                            " whose parentheses are not closed");
            if (end >= m_text.size()) return Fail(open, "has a list that is not closed");
            if (m_text[end] != ',' && m_text[end] != ')')
                return Fail(end, "has a list that is not closed before " + Quoted(std::string_view(&m_text[end], 1)));
            if (!Value(target, valueStart, end)) return false;
            pos = end + 1;
            if (m_text[end] == ')') return true;
            afterComma = true;
        }
    }

    // The value of a list entry, between `start` and `end`; `target` is the name it is given
    // ("" for a value alone).
    bool Value(std::string_view target, size_t start, size_t end) {
        while (start < end && IsBlank(m_text[start])) ++start;
        while (end > start && IsBlank(m_text[end - 1])) --end;
        // The words are made only for a fault: most values have none.
        const auto given = [target] { return target.empty() ? std::string() : "gives " + Quoted(target) + " "; };
        if (start == end) return Fail(start, target.empty() ? "has an empty list entry" : given() + "no value");
        const std::string_view value = m_text.substr(start, end - start);
        if (value.find('"') != std::string_view::npos) {
            // A quoted name stands alone, and only its own two quotes are in it.
            if (value.size() < 2 || value.front() != '"' || value.back() != '"' || value.find('"', 1) != value.size() - 1)
                return Fail(start, kUnquotable);
            const std::string_view name = value.substr(1, value.size() - 2);
            if (name.empty()) return Fail(start, target.empty() ? "has an empty quoted name" : given() + "no value");
            // The user's name may hold an "@" ("run@R.mdx"); the placeholder alone is a template's.
            if (name.size() > 1 && name.front() == '@' &&
                std::all_of(name.begin() + 1, name.end(), [](char c) { return IsNameChar(c) || c == '[' || c == ']'; }))
                return Macro(start + 1);
            return true;
        }
        if (const size_t at = value.find('@'); at != std::string_view::npos) return Macro(start + at);
        size_t at = 0;
        const std::string fault = ReadAsValue(value, at);
        if (fault.empty()) return true;
        return Fail(start + at, (target.empty() ? std::string("has a list entry that ") : given() + "a value that ") + fault);
    }

    // Equations in braces, `pos` at the "{": statements of the expression language.
    bool Equations(size_t& pos) {
        const size_t open = pos;
        int depth = 0;
        size_t close = open;
        for (; close < m_text.size(); ++close) {
            const char c = m_text[close];
            if (c == '@') return Macro(close);
            if (c == '{') ++depth;
            if (c == '}' && --depth == 0) break;
        }
        if (close >= m_text.size()) return Fail(open, "has equations whose braces are not closed");
        // A statement that begins with a label ("DST: SIM(Type:=SSGM, Sequ:=PRE );") tells the
        // simulator how to run the equations: it is read as the model text's own statements and
        // is left out of what the expression language reads.
        std::string equations(m_text.substr(open + 1, close - open - 1));
        bool statementStart = true;
        for (size_t i = 0; i < equations.size(); ++i) {
            const char c = equations[i];
            if (c == '\n' || c == ';' || c == '{' || c == '}') {
                statementStart = true;
                continue;
            }
            if (IsBlank(c)) continue;
            if (statementStart && IsNameChar(c)) {
                size_t colon = i;
                while (colon < equations.size() && IsNameChar(equations[colon])) ++colon;
                while (colon < equations.size() && (equations[colon] == ' ' || equations[colon] == '\t')) ++colon;
                if (colon < equations.size() && equations[colon] == ':' && equations.compare(colon, 2, ":=") != 0) {
                    size_t stop = colon;
                    for (int depth = 0; stop < equations.size() && !(equations[stop] == ';' && depth <= 0); ++stop)
                        depth += equations[stop] == '(' ? 1 : equations[stop] == ')' ? -1 : 0;
                    size_t from = open + 1 + i;
                    if (!Statements(from, open + 1 + stop)) return false;
                    std::fill(equations.begin() + static_cast<std::ptrdiff_t>(i),
                              equations.begin() + static_cast<std::ptrdiff_t>(stop), ' ');
                    i = stop - 1;
                    continue;
                }
            }
            statementStart = false;
        }
        const formula::ParseResult read = formula::Parse(equations, formula::ParseMode::Block);
        if (read.result != 0) {
            const formula::ErrorInfo& error = read.errors.front();
            return Fail(open + 1 + static_cast<size_t>(std::max(error.position, 0)),
                        "has equations that the expression language does not read (" + error.message +
                            (error.token.empty() ? "" : " at " + Quoted(error.token)) + ")");
        }
        if (!formula::NumbersStayFinite(read.upn)) return Fail(open, "has equations with a value that is no finite number");
        // An expression standing alone as a statement assigns nothing: the simulator would
        // define nothing with it, and the pages that check equations refuse it.
        if (std::any_of(read.upn.begin(), read.upn.end(), [](const UpnItem& item) { return item.op == UpnOp::Expr; }))
            return Fail(open, "has equations with a statement that assigns nothing (an expression alone)");
        pos = close + 1;
        return true;
    }

    std::string_view m_text;
    std::string m_fault;
};

} // namespace

std::string ModelTextFault(std::string_view text) { return Reader(text).Run(); }

std::string ValueFault(std::string_view value) {
    if (value.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos) return std::string();
    // What would cut the value into several entries or statements is named as such: the
    // language's own message would only say which token it did not expect.
    int depth = 0;
    for (const char c : value) {
        if (c == '"') return "holds a double quote, which would end or begin a quoted name of the model text";
        if (c == '{' || c == '}') return "holds a brace, which would begin or end equations of the model text";
        if (c == '(') ++depth;
        if (c == ')' && --depth < 0) return "would close the list of the model text it stands in (a \")\" too many)";
        if ((c == ',' || c == ';') && depth == 0)
            return std::string("would make more than one entry of the model text (a \"") + c + "\" stands outside parentheses)";
    }
    if (depth > 0) return "has a parenthesis that is not closed";
    if (value.find('@') != std::string_view::npos) return "holds an \"@\", which the model text reads as a placeholder";
    size_t at = 0;
    std::string fault = ReadAsValue(value, at);
    static constexpr std::string_view kNotRead = "the expression language does not read";
    if (fault.starts_with(kNotRead)) fault = "is not read by the expression language" + fault.substr(kNotRead.size());
    return fault;
}

std::string QuotedValueFault(std::string_view value) {
    if (value.find_first_of("\"\r\n") != std::string_view::npos) return "cannot be quoted (a double quote or a line break in it)";
    return std::string();
}

} // namespace qv
