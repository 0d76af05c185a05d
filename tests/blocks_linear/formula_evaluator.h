// A small evaluator of formula texts for the digital-filter tests: numbers, names given
// numbers, + - * / ^, parentheses and the functions the coefficient texts use. It is written
// apart from the formula modules so that it can check what they print.
#pragma once

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

namespace filter_test {

class Evaluator {
public:
    Evaluator(const std::string& text, const std::map<std::string, double>& names) : m_text(text), m_names(names) {}
    long double Run() {
        const long double value = Sum();
        Blank();
        if (m_at != m_text.size()) m_failed = true;
        return value;
    }
    bool Failed() const { return m_failed; }

private:
    void Blank() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
    }
    bool Take(char c) {
        Blank();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    long double Sum() {
        long double value = Product();
        for (;;) {
            if (Take('+')) {
                value += Product();
            } else if (Take('-')) {
                value -= Product();
            } else {
                return value;
            }
        }
    }
    long double Product() {
        long double value = Unary();
        for (;;) {
            if (Take('*')) {
                value *= Unary();
            } else if (Take('/')) {
                value /= Unary();
            } else {
                return value;
            }
        }
    }
    long double Unary() {
        if (Take('-')) return -Unary();
        if (Take('+')) return Unary();
        const long double base = Atom();
        if (Take('^')) return std::pow(base, Unary());
        return base;
    }
    long double Atom() {
        Blank();
        if (Take('(')) {
            const long double value = Sum();
            if (!Take(')')) m_failed = true;
            return value;
        }
        if (m_at < m_text.size() && (std::isdigit(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '.')) {
            char* end = nullptr;
            const long double value = std::strtold(m_text.c_str() + m_at, &end);
            m_at = static_cast<size_t>(end - m_text.c_str());
            return value;
        }
        std::string name;
        while (m_at < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '_'))
            name += m_text[m_at++];
        std::string upper;
        for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "SIN" || upper == "COS" || upper == "TAN" || upper == "SQU" || upper == "SQRT" || upper == "EXP") {
            if (!Take('(')) m_failed = true;
            const long double x = Sum();
            if (!Take(')')) m_failed = true;
            if (upper == "SIN") return std::sin(x);
            if (upper == "COS") return std::cos(x);
            if (upper == "TAN") return std::tan(x);
            if (upper == "SQU") return x * x;
            if (upper == "SQRT") return std::sqrt(x);
            return std::exp(x);
        }
        auto found = m_names.find(name);
        if (found == m_names.end()) {
            m_failed = true;
            return 0;
        }
        return found->second;
    }
    std::string m_text;
    const std::map<std::string, double>& m_names;
    size_t m_at = 0;
    bool m_failed = false;
};

} // namespace filter_test
