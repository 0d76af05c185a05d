// Simplification of postfix forms (docs/formula-language.md, "Simplification"). One pass over
// the items builds a tree bottom-up and applies the rules while each node is made, so every
// node is final when its parent sees it; a second pass writes the tree back in postfix order
// with an explicit stack. Both passes are linear in the number of items and never recurse,
// whatever the depth or length of the expression.
#include "formula/grammar.h"

#include <cmath>
#include <cstring>
#include <strings.h>

namespace qv::formula {

namespace {

struct Node {
    UpnItem item;
    size_t firstKid = 0;     // into Simplifier::m_kids
    bool constant = false;   // a number whose value the rules may use
    double value = 0.0;
};

// Elementary functions of one or two numbers that carry no state and read no data; INTEG,
// LOOKUP, the complex parts and the functions whose rounding or argument order the simulator
// defines (INT, FRAC, MOD, ROOT, LOG, DEGEL, DEG, RAD) are never folded.
bool Evaluate(const std::string& name, const double* a, int argc, double& out) {
    if (argc == 1) {
        const double x = a[0];
        if (name == "SIN") out = std::sin(x);
        else if (name == "COS") out = std::cos(x);
        else if (name == "TAN") out = std::tan(x);
        else if (name == "ASIN") out = std::asin(x);
        else if (name == "ACOS") out = std::acos(x);
        else if (name == "ATAN") out = std::atan(x);
        else if (name == "SINH") out = std::sinh(x);
        else if (name == "COSH") out = std::cosh(x);
        else if (name == "TANH") out = std::tanh(x);
        else if (name == "EXP") out = std::exp(x);
        else if (name == "LN") out = std::log(x);
        else if (name == "SQRT") out = std::sqrt(x);
        else if (name == "SQU") out = x * x;
        else if (name == "ABS") out = std::fabs(x);
        else if (name == "SGN") out = x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0);
        else return false;
        return true;
    }
    if (argc == 2 && name == "ATAN2") {
        out = std::atan2(a[0], a[1]);
        return true;
    }
    return false;
}

class Simplifier {
public:
    explicit Simplifier(const std::vector<UpnItem>& in) : m_in(in) { m_nodes.reserve(in.size()); }

    bool Run(std::vector<UpnItem>& out) {
        out.clear();
        out.reserve(m_in.size());
        std::vector<int> values;
        for (const UpnItem& item : m_in) {
            if (IsValueItem(item.op)) {
                const int n = OperandCount(item);
                if (n < 0 || static_cast<size_t>(n) > values.size()) return false;
                const size_t first = values.size() - static_cast<size_t>(n);
                const int id = Reduce(item, values.data() + first, n);
                values.resize(first);
                values.push_back(id);
                continue;
            }
            // A statement takes the values made since the one before it.
            for (int v : values) Emit(v, out);
            values.clear();
            out.push_back(item);
        }
        for (int v : values) Emit(v, out);
        return true;
    }

private:
    static bool IsValueItem(UpnOp op) {
        return op != UpnOp::Assign && op != UpnOp::Action && op != UpnOp::Expr && op != UpnOp::If &&
               op != UpnOp::Else && op != UpnOp::End;
    }
    static int OperandCount(const UpnItem& item) {
        switch (item.op) {
        case UpnOp::Number: case UpnOp::Name: return 0;
        case UpnOp::Neg: case UpnOp::Not: return 1;
        case UpnOp::Call: return item.argc;
        default: return 2;
        }
    }

    int Make(const UpnItem& item, const int* kids, int n) {
        Node node;
        node.item = item;
        node.firstKid = m_kids.size();
        m_kids.insert(m_kids.end(), kids, kids + n);
        m_nodes.push_back(std::move(node));
        return static_cast<int>(m_nodes.size() - 1);
    }
    int MakeNumber(double value) {
        UpnItem item;
        item.op = UpnOp::Number;
        item.number = value;
        const int id = Make(item, nullptr, 0);
        m_nodes[static_cast<size_t>(id)].constant = true;
        m_nodes[static_cast<size_t>(id)].value = value;
        return id;
    }
    bool IsConstant(int id, double& value) const {
        const Node& node = m_nodes[static_cast<size_t>(id)];
        value = node.value;
        return node.constant;
    }
    bool Is(int id, double wanted) const {
        const Node& node = m_nodes[static_cast<size_t>(id)];
        return node.constant && node.value == wanted;
    }

    int Reduce(const UpnItem& item, const int* kids, int n) {
        switch (item.op) {
        case UpnOp::Number:
            // A number no plain text reads back as (a scaled one such as 1e299G, or one not
            // finite) is kept as it stands for the printer to refuse.
            if (item.argc == 0 && NumberInRange(item.number)) return MakeNumber(item.number);
            return Make(item, kids, n);
        case UpnOp::Neg: {
            double a = 0.0;
            if (IsConstant(kids[0], a)) return MakeNumber(-a);
            return Make(item, kids, n);
        }
        case UpnOp::Add: case UpnOp::Sub: case UpnOp::Mul: case UpnOp::Div: case UpnOp::Pow:
            return Arithmetic(item, kids);
        case UpnOp::Call: {
            if (n < 1 || n > 2 || FunctionPlaces(item.text) != n) return Make(item, kids, n);
            double args[2] = {0.0, 0.0};
            for (int i = 0; i < n; ++i)
                if (!IsConstant(kids[i], args[i])) return Make(item, kids, n);
            double r = 0.0;
            if (Evaluate(item.text, args, n, r) && NumberInRange(r)) return MakeNumber(r);
            return Make(item, kids, n);
        }
        default:
            return Make(item, kids, n);
        }
    }

    int Arithmetic(const UpnItem& item, const int* kids) {
        const int left = kids[0];
        const int right = kids[1];
        double a = 0.0, b = 0.0;
        if (IsConstant(left, a) && IsConstant(right, b)) {
            double r = 0.0;
            switch (item.op) {
            case UpnOp::Add: r = a + b; break;
            case UpnOp::Sub: r = a - b; break;
            case UpnOp::Mul: r = a * b; break;
            case UpnOp::Div: r = a / b; break;
            default: r = std::pow(a, b); break;
            }
            // A result that the pre-compiler would refuse as a number (1/0, 1e300*1e8, a
            // subnormal) keeps its text.
            if (NumberInRange(r)) return MakeNumber(r);
        }
        switch (item.op) {
        case UpnOp::Mul:
            if (Is(right, 1.0)) return left;
            if (Is(left, 1.0)) return right;
            break;
        case UpnOp::Div:
            if (Is(right, 1.0)) return left;
            break;
        case UpnOp::Add:
            if (Is(right, 0.0)) return left;
            if (Is(left, 0.0)) return right;
            break;
        case UpnOp::Sub:
            if (Is(right, 0.0)) return left;
            if (Is(left, 0.0)) {
                UpnItem neg;
                neg.op = UpnOp::Neg;
                return Make(neg, &right, 1);
            }
            break;
        default:
            break;
        }
        return Make(item, kids, 2);
    }

    // Post-order walk with an explicit stack: a node's kids first, then the node.
    void Emit(int root, std::vector<UpnItem>& out) {
        m_stack.clear();
        m_stack.push_back({root, false});
        while (!m_stack.empty()) {
            const Step step = m_stack.back();
            m_stack.pop_back();
            const Node& node = m_nodes[static_cast<size_t>(step.node)];
            const int n = OperandCount(node.item);
            if (step.expanded || n == 0) {
                out.push_back(node.item);
                continue;
            }
            m_stack.push_back({step.node, true});
            for (int k = n - 1; k >= 0; --k) m_stack.push_back({m_kids[node.firstKid + static_cast<size_t>(k)], false});
        }
    }

    struct Step {
        int node;
        bool expanded;
    };

    const std::vector<UpnItem>& m_in;
    std::vector<Node> m_nodes;
    std::vector<int> m_kids;
    std::vector<Step> m_stack;
};

} // namespace

bool NumbersStayFinite(const std::vector<UpnItem>& upn) {
    // One slot per value on the stack: whether it is made of numbers alone, and then its value.
    struct Slot {
        bool constant;
        double value;
    };
    std::vector<Slot> stack;
    stack.reserve(upn.size());
    const auto pop = [&stack](int n, double* args) {
        bool constant = true;
        for (int i = n - 1; i >= 0; --i) {
            if (stack.empty()) return false;
            constant = constant && stack.back().constant;
            if (i < 2) args[i] = stack.back().value;
            stack.pop_back();
        }
        return constant;
    };
    for (const UpnItem& item : upn) {
        double args[2] = {0.0, 0.0};
        double r = 0.0;
        switch (item.op) {
        case UpnOp::Number:
            if (!std::isfinite(item.number)) return false;
            stack.push_back({true, item.number});
            continue;
        case UpnOp::Name: {
            const bool notFinite = item.text.size() == 3 && (strncasecmp(item.text.c_str(), "inf", 3) == 0 ||
                                                             strncasecmp(item.text.c_str(), "nan", 3) == 0);
            if (notFinite) return false;
            stack.push_back({false, 0.0});
            continue;
        }
        case UpnOp::Neg:
            if (pop(1, args)) {
                stack.push_back({true, -args[0]});
                continue;
            }
            break;
        case UpnOp::Add: case UpnOp::Sub: case UpnOp::Mul: case UpnOp::Div: case UpnOp::Pow:
            if (pop(2, args)) {
                switch (item.op) {
                case UpnOp::Add: r = args[0] + args[1]; break;
                case UpnOp::Sub: r = args[0] - args[1]; break;
                case UpnOp::Mul: r = args[0] * args[1]; break;
                case UpnOp::Div: r = args[0] / args[1]; break;
                default: r = std::pow(args[0], args[1]); break;
                }
                if (!std::isfinite(r)) return false;
                stack.push_back({true, r});
                continue;
            }
            break;
        case UpnOp::Call:
            if (pop(item.argc, args) && item.argc <= 2 && FunctionPlaces(item.text) == item.argc &&
                Evaluate(item.text, args, item.argc, r)) {
                if (!std::isfinite(r)) return false;
                stack.push_back({true, r});
                continue;
            }
            break;
        case UpnOp::Not:
            pop(1, args);
            break;
        case UpnOp::Assign: case UpnOp::Action: case UpnOp::Expr:
            pop(item.op == UpnOp::Action ? item.argc : 1, args);
            continue;
        case UpnOp::If:
            pop(1, args);
            continue;
        case UpnOp::Else: case UpnOp::End:
            continue;
        default:
            // Comparisons and logical operators are left to the simulator.
            pop(2, args);
            break;
        }
        stack.push_back({false, 0.0});
    }
    return true;
}

bool SimplifyUpn(const std::vector<UpnItem>& upn, std::vector<UpnItem>& out) {
    Simplifier simplifier(upn);
    if (!simplifier.Run(out)) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace qv::formula
