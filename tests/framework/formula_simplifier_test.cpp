// The formula simplifier: loading and its failures, the simplification rules through the real
// modules, the digital filter's coefficient texts and their products of several million
// characters, and texts the modules refuse.
#include "framework/formula_simplifier.h"
#include "formula_simplifier_support.h"

#include "win32/module.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace {

// Names other modules, and reaches the handles and entry points that Load sets.
class TestSimplifier : public CFormulaSimplifier {
public:
    TestSimplifier() = default;
    TestSimplifier(const char* simplifier, const char* precompiler) {
        m_pszSimplifierModule = simplifier;
        m_pszPrecompilerModule = precompiler;
    }
    bool NothingLoaded() const {
        return m_hSimplifier == nullptr && m_hPrecompiler == nullptr && m_pfnSimplify == nullptr &&
               m_pfnFml2Upn == nullptr;
    }
    void SetFml2Upn(Fml2UpnFunc f) { m_pfnFml2Upn = f; }
    void SetSimplify(UpnToSimplifyStringFunc f) { m_pfnSimplify = f; }
};

CString Simplified(CFormulaSimplifier& s, const char* text) {
    CString t(text);
    EXPECT_TRUE(s.Simplify(&t)) << text;
    return t;
}

TEST(FormulaSimplifier, WithoutModulesNothingChanges) {
    TestSimplifier notLoaded;
    CString text("1.0 * x");
    EXPECT_FALSE(notLoaded.Simplify(&text));
    EXPECT_EQ(CString("1.0 * x"), text);
    EXPECT_FALSE(notLoaded.Simplify(nullptr));

    struct Fake {
        const char* simplifier;
        const char* precompiler;
    };
    const Fake fakes[] = {
        {"NoSuchSimplifier.dll", "Pravent.dll"},  // no simplifier module
        {"Ombrix.dll", "NoSuchPrecompiler.dll"},  // no pre-compiler module
        {"Pravent.dll", "Pravent.dll"},           // no "UpnToSimplifyString"
        {"Ombrix.dll", "Ombrix.dll"},             // no "Fml2Upn"
    };
    for (const Fake& f : fakes) {
        TestSimplifier s(f.simplifier, f.precompiler);
        EXPECT_FALSE(s.Load()) << f.simplifier << " " << f.precompiler;
        EXPECT_TRUE(s.NothingLoaded()) << f.simplifier << " " << f.precompiler;
        EXPECT_EQ(nullptr, GetModuleHandleA("Ombrix.dll")) << f.simplifier << " " << f.precompiler;
        EXPECT_EQ(nullptr, GetModuleHandleA("Pravent.dll")) << f.simplifier << " " << f.precompiler;
        EXPECT_FALSE(s.Simplify(&text));
        EXPECT_EQ(CString("1.0 * x"), text);
    }
}

TEST(FormulaSimplifier, LoadsBothModulesAndFreesThemWhenDestroyed) {
    {
        CFormulaSimplifier s;
        ASSERT_TRUE(s.Load());
        EXPECT_NE(nullptr, GetModuleHandleA("Ombrix.dll"));
        EXPECT_NE(nullptr, GetModuleHandleA("Pravent.dll"));
        EXPECT_TRUE(s.Load());  // a second Load keeps the modules it holds
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("Ombrix.dll"));
    EXPECT_EQ(nullptr, GetModuleHandleA("Pravent.dll"));
}

TEST(FormulaSimplifier, AppliesItsRules) {
    CFormulaSimplifier s;
    ASSERT_TRUE(s.Load());
    struct Row {
        const char* text;
        const char* simplified;
    };
    const Row rows[] = {
        // Constants fold into the shortest text that reads back to the same double.
        {"1.0 + 2.0", "3"},
        {"(1.0/3.0)", "0.3333333333333333"},
        {"3.14159265358979 * 1.0 / 4.0", "0.7853981633974475"},
        {"sin( 3.14159265358979 * 1.0 / 4.0 )", "0.7071067811865469"},
        {"tan(0.5) * Cos(0) + SQU(3)", "9.546302489843791"},
        {"ATAN2(1, -1)", "2.356194490192345"},
        {"(-2.0) * x", "-2*x"},
        {"x * (-2.0)", "x*-2"},
        {"(-2.0)^x", "(-2)^x"},
        {"2^-1 * x", "0.5*x"},
        {"1e-05 + 0", "1e-05"},
        {"x * 1e300 * 1e300", "x*1e+300*1e+300"},
        {"1.5k * fl", "1500*fl"},
        // Identities.
        {"x * 1", "x"},
        {"1.0 * x", "x"},
        {"x / 1.0", "x"},
        {"x + 0", "x"},
        {"0.0 + x", "x"},
        {"x - 0", "x"},
        {"0 - x", "-x"},
        {"0 - (a + b)", "-(a+b)"},
        {"a - (0 - b)", "a--b"},
        {"((1.0)*(fc*Ts + 0.0))", "fc*Ts"},
        {"y := (2 - 1) * (a + 0)", "y := a"},
        // What the rules leave alone: 0*x (wrong for an infinite x), non-finite results,
        // functions with state, data or a rounding of their own, names with parts and indexes.
        {"0 * x", "0*x"},
        {"x * 0", "x*0"},
        {"1 / 0", "1/0"},
        {"1e300 * 1e300", "1e+300*1e+300"},
        {"SQRT(-1)", "SQRT(-1)"},
        {"LN(0)", "LN(0)"},
        {"1e-300 * 1e-10", "1e-300*1e-10"},
        // Results the pre-compiler would refuse as numbers, at both ends of the exponent range.
        {"1e300*1e8", "1e+300*1e+08"},
        {"1e300*1e8*10", "1e+300*1e+08*10"},
        {"2^1023", "2^1023"},
        {"-2^1023", "-2^1023"},
        {"y := SQU(1e154)", "y := SQU(1e+154)"},
        {"2^-1024", "2^-1024"},
        {"1/0 + SQR-(1T) + 1e301/0 + SQR-(1T) + 1e300*1300*100*1300*10",
         "1/0+SQR-1e+12+1e+301/0+SQR-1e+12+1.3000000000000001e+305*1300*10"},
        // The largest and smallest results it still reads.
        {"(2 - 2^-52) * 2^1022", "8.988465674311579e+307"},
        {"2^-1023", "1.1125369292536007e-308"},
        {"INTEG(1 + 1)", "INTEG(2)"},
        {"LOOKUP(1, 2)", "LOOKUP(1, 2)"},
        {"MOD(5, 3) + INT(2.5) + RE(1)", "MOD(5, 3)+INT(2.5)+RE(1)"},
        {"x ^ 1", "x^1"},
        {"1 < 2", "1<2"},
        {"R1.I * IN[3] * 1", "R1.I*IN[3]"},
        // Only the parentheses that precedence and associativity need.
        {"((a + b)) + (c + d)", "a+b+(c+d)"},
        {"(a - b) - (c - d)", "a-b-(c-d)"},
        {"(a / b) / (c * d)", "a/b/(c*d)"},
        {"(a ^ b) ^ c", "(a^b)^c"},
        {"a ^ (b ^ c)", "a^b^c"},
        {"-(a ^ 2)", "-a^2"},
        {"\tx\t*\t1.0\t", "x"},
        {"x ## NULL * 1", "x ## NULL"},
    };
    for (const Row& r : rows) EXPECT_EQ(CString(r.simplified), Simplified(s, r.text)) << r.text;
    // Every result is a fixed point of the rules.
    for (const Row& r : rows) {
        const CString once = Simplified(s, r.text);
        EXPECT_EQ(once, Simplified(s, once)) << r.text;
    }
}

TEST(FormulaSimplifier, RefusedTextsStayAsTheyWere) {
    CFormulaSimplifier s;
    ASSERT_TRUE(s.Load());
    const char* refused[] = {
        "", "   ", "x +", "(a", "1 := 2", "a := 1; b := 2", "IF (a) { x := 1 }", "FOO(1)", "SIN(1, 2)",
        "1kV", "a $ b", "1e400",
        // 1e308: a number that only a scale writes.
        "1e299G", "x * 1e299G * 1",
    };
    for (const char* text : refused) {
        CString t(text);
        EXPECT_FALSE(s.Simplify(&t)) << text;
        EXPECT_EQ(CString(text), t) << text;
    }
    // A NUL inside the text would hide everything after it from the pre-compiler.
    CString withNul("x * 1", 5);
    withNul += CString("\0+y", 3);
    const CString before = withNul;
    EXPECT_FALSE(s.Simplify(&withNul));
    EXPECT_EQ(before, withNul);
}

int Throwing(const char*, CFormel*, CPtrArray*) { throw std::runtime_error("pre-compiler failure"); }
int ThrowingSimplify(CString*, CFormel*) { throw 7; }
int Failing(CString* out, CFormel*) {
    *out = "half-written";
    return 3;
}

TEST(FormulaSimplifier, AnExceptionOrFailureOfAModuleLeavesTheText) {
    TestSimplifier s;
    ASSERT_TRUE(s.Load());
    CString text("1.0 * x");
    s.SetFml2Upn(&Throwing);
    EXPECT_FALSE(s.Simplify(&text));
    EXPECT_EQ(CString("1.0 * x"), text);

    TestSimplifier t;
    ASSERT_TRUE(t.Load());
    t.SetSimplify(&ThrowingSimplify);
    EXPECT_FALSE(t.Simplify(&text));
    EXPECT_EQ(CString("1.0 * x"), text);
    t.SetSimplify(&Failing);
    EXPECT_FALSE(t.Simplify(&text));
    EXPECT_EQ(CString("1.0 * x"), text);
}

std::vector<std::pair<std::string, std::string>> FilterCases() {
    return simplifier_test::ReadCases(PARVEL_SOURCE_DIR "/tests/data/formula_simplifier/filter_sections.txt");
}

// Every coefficient text of the three filter kinds simplifies, to a text that is a fixed point
// and no longer than the input (the oracle formula_simplifier_oracle.py checks the values).
TEST(FormulaSimplifier, FilterCoefficientTextsSimplify) {
    CFormulaSimplifier s;
    ASSERT_TRUE(s.Load());
    const auto cases = FilterCases();
    ASSERT_EQ(243u, cases.size());
    for (const auto& [label, text] : cases) {
        CString t(text.c_str());
        ASSERT_TRUE(s.Simplify(&t)) << label;
        EXPECT_LT(t.GetLength(), static_cast<int>(text.size())) << label;
        CString again = t;
        ASSERT_TRUE(s.Simplify(&again)) << label;
        EXPECT_EQ(t, again) << label;
    }
    // The prototype constants fold: pi/4 appears as one number, and "1.0 *" is gone.
    const std::map<std::string, std::string> byLabel(cases.begin(), cases.end());
    CString a(byLabel.at("lowpass.names.s1.A").c_str());
    ASSERT_TRUE(s.Simplify(&a));
    EXPECT_EQ(CString("SIN(0.7853981633974475-3.14159265358979*fl/(1/Ts))/"
                      "SIN(0.7853981633974475+3.14159265358979*fl/(1/Ts))"),
              a);
}

// An order-10 band filter multiplies five sections of five texts each: entries of several
// million characters, which parse, simplify and print in one pass each.
TEST(FormulaSimplifier, ProductsOfSeveralMillionCharacters) {
    const auto cases = FilterCases();
    const std::map<std::string, std::string> byLabel(cases.begin(), cases.end());
    std::vector<std::vector<std::string>> sections;
    for (int s = 0; s < 5; ++s)
        sections.push_back(simplifier_test::SectionTexts(
            byLabel, "bandpass.names.s" + std::to_string(s % 3 + 1), true, 5));
    std::vector<std::string> products(21);
    simplifier_test::MultiplySections("1.0", sections, 0, products, 0, 5);
    const std::string& longest = products[10];
    ASSERT_GT(longest.size(), 5'000'000u);

    CFormulaSimplifier simplifier;
    ASSERT_TRUE(simplifier.Load());
    CString text(longest.c_str());
    ASSERT_TRUE(simplifier.Simplify(&text));
    EXPECT_LT(text.GetLength(), static_cast<int>(longest.size()));
    CString again = text;
    ASSERT_TRUE(simplifier.Simplify(&again));
    EXPECT_TRUE(again == text);
}

} // namespace
