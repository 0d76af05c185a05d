// Printer of postfix forms: writes an expression with only the parentheses its precedence
// needs, so that the text parses back to the same postfix form. Works with explicit stacks,
// so a long chain (a+b+c+...) of millions of operands prints without deep recursion.
#include "formula/grammar.h"

#include <cmath>

namespace qv::formula {

namespace {

constexpr int kPrecAtom = 8;

// Precedence of the item that makes a value (docs/formula-language.md).
int Precedence(UpnOp op) {
    switch (op) {
    case UpnOp::Or: return 1;
    case UpnOp::And: return 2;
    case UpnOp::Eq: case UpnOp::Ne: case UpnOp::Lt: case UpnOp::Le: case UpnOp::Gt: case UpnOp::Ge: return 3;
    case UpnOp::Add: case UpnOp::Sub: return 4;
    case UpnOp::Mul: case UpnOp::Div: return 5;
    case UpnOp::Neg: case UpnOp::Not: return 6;
    case UpnOp::Pow: return 7;
    default: return kPrecAtom;
    }
}

int Operands(const UpnItem& item) {
    switch (item.op) {
    case UpnOp::Number: case UpnOp::Name: return 0;
    case UpnOp::Neg: case UpnOp::Not: return 1;
    case UpnOp::Call: return item.argc;
    default: return 2;
    }
}

bool IsValue(UpnOp op) {
    return op != UpnOp::Assign && op != UpnOp::Action && op != UpnOp::Expr && op != UpnOp::If &&
           op != UpnOp::Else && op != UpnOp::End;
}

const char* BinaryText(UpnOp op) {
    // The binary operators stand together in UpnOp, from Add to Or.
    return op >= UpnOp::Add && op <= UpnOp::Or ? UpnOperatorText(op) : "?";
}

class Printer {
public:
    explicit Printer(const std::vector<UpnItem>& upn) : m_upn(upn), m_childStart(upn.size(), 0) {}

    bool Run(std::string& out) {
        std::vector<int> values;
        int ifDepth = 0;
        std::vector<bool> elseSeen;
        for (size_t i = 0; i < m_upn.size(); ++i) {
            const UpnItem& item = m_upn[i];
            if (IsValue(item.op)) {
                const int n = Operands(item);
                if (n < 0 || static_cast<size_t>(n) > values.size()) return false;
                if (item.op == UpnOp::Call && (item.argc < 1 || FunctionPlaces(item.text) != item.argc)) return false;
                if ((item.op == UpnOp::Name || item.op == UpnOp::Number) && item.argc != 0) return false;
                if (item.op == UpnOp::Name && item.text.empty()) return false;
                if (item.op == UpnOp::Number && !NumberInRange(item.number)) return false;
                m_childStart[i] = m_kids.size();
                m_kids.insert(m_kids.end(), values.end() - n, values.end());
                values.resize(values.size() - static_cast<size_t>(n));
                values.push_back(static_cast<int>(i));
                continue;
            }
            switch (item.op) {
            case UpnOp::Assign:
            case UpnOp::Expr:
                if (values.size() != 1 || item.argc != 1) return false;
                if (item.op == UpnOp::Assign && item.text.empty()) return false;
                Line(out);
                if (item.op == UpnOp::Assign) out += item.text + " := ";
                Expression(values[0], out);
                break;
            case UpnOp::Action:
                if (item.text.empty() || (item.argc != 1 && item.argc != 2) ||
                    values.size() != static_cast<size_t>(item.argc))
                    return false;
                Line(out);
                out += item.text;
                if (item.argc == 2) {
                    out += " := ";
                    Expression(values[0], out);
                }
                out += " ## ";
                Expression(values.back(), out);
                break;
            case UpnOp::If:
                if (values.size() != 1) return false;
                Line(out);
                out += "IF (";
                Expression(values[0], out);
                out += ") {";
                ++ifDepth;
                elseSeen.push_back(false);
                break;
            case UpnOp::Else:
                if (!values.empty() || ifDepth == 0 || elseSeen.back()) return false;
                elseSeen.back() = true;
                Line(out);
                out += "} ELSE {";
                break;
            case UpnOp::End:
                if (!values.empty() || ifDepth == 0) return false;
                --ifDepth;
                elseSeen.pop_back();
                Line(out);
                out += "}";
                break;
            default:
                return false;
            }
            values.clear();
        }
        return values.empty() && ifDepth == 0;
    }

private:
    void Line(std::string& out) {
        if (!out.empty()) out += "\r\n";
    }

    struct Work {
        int node;         // -1: literal
        const char* literal;
        int minPrec;
    };

    void Expression(int root, std::string& out) {
        std::vector<Work> work;
        work.push_back({root, nullptr, 0});
        while (!work.empty()) {
            const Work w = work.back();
            work.pop_back();
            if (w.node < 0) {
                out += w.literal;
                continue;
            }
            const UpnItem& item = m_upn[static_cast<size_t>(w.node)];
            // A negative constant (never made by the parser, which reads "-2" as a negation)
            // prints like a negation.
            const int prec = item.op == UpnOp::Number && std::signbit(item.number) ? 6 : Precedence(item.op);
            if (prec < w.minPrec) {
                work.push_back({-1, ")", 0});
                work.push_back({w.node, nullptr, 0});
                work.push_back({-1, "(", 0});
                continue;
            }
            const size_t first = m_childStart[static_cast<size_t>(w.node)];
            switch (item.op) {
            case UpnOp::Number: out += ShortestNumber(item.number); break;
            case UpnOp::Name: out += item.text; break;
            case UpnOp::Call:
                out += item.text;
                out += '(';
                work.push_back({-1, ")", 0});
                for (int a = item.argc - 1; a >= 0; --a) {
                    work.push_back({m_kids[first + static_cast<size_t>(a)], nullptr, 0});
                    if (a > 0) work.push_back({-1, ", ", 0});
                }
                break;
            case UpnOp::Neg:
            case UpnOp::Not:
                work.push_back({m_kids[first], nullptr, 6});
                work.push_back({-1, item.op == UpnOp::Neg ? "-" : "!", 0});
                break;
            default: {
                // Left-associative operators take an equal precedence on the left; "^" is
                // right-associative and takes only an atom on the left.
                const int minLeft = item.op == UpnOp::Pow ? kPrecAtom : prec;
                const int minRight = item.op == UpnOp::Pow ? 6 : prec + 1;
                work.push_back({m_kids[first + 1], nullptr, minRight});
                work.push_back({-1, BinaryText(item.op), 0});
                work.push_back({m_kids[first], nullptr, minLeft});
                break;
            }
            }
        }
    }

    const std::vector<UpnItem>& m_upn;
    std::vector<size_t> m_childStart;
    std::vector<int> m_kids;
};

} // namespace

bool PrintUpn(const std::vector<UpnItem>& upn, std::string& out) {
    out.clear();
    Printer printer(upn);
    if (!printer.Run(out)) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace qv::formula
