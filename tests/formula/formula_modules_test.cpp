// The model classes, the error lines, the modules' handling of bad arguments, very long and
// very deep texts, and the printer's refusal of postfix forms that are not well made.
#include "formula_support.h"

#include "formula/grammar.h"

#include <gtest/gtest.h>

using namespace formula_test;
using qv::formula::FormatScanError;

namespace {

TEST(FormulaErrorLines, FormattedAsTheChecksShowThem) {
    struct Row {
        int pos;
        int code;
        const char* token;
        const char* message;
        const char* line;
    };
    const Row rows[] = {
        {-1, 12, "abc", "Unknown function", "COMP-12: Unknown function\r\n"},
        {7, 12, "abc", "Unknown function", "COMP-12 (  7, abc): Unknown function\r\n"},
        {0, 3, "x", "m", "COMP-3 (   , x): m\r\n"},
        {1234, 5, ")", "m", "COMP-5 (1234, )): m\r\n"},
        // Texts from the record are copied, never used as a format.
        {2, 1, "%s%n", "%d %s", "COMP-1 (  2, %s%n): %d %s\r\n"},
    };
    for (const Row& r : rows) {
        ScanError e;
        e.m_nPos = r.pos;
        e.m_nCode = r.code;
        e.m_strToken = r.token;
        e.m_strMessage = r.message;
        EXPECT_EQ(CString(r.line), FormatScanError(e)) << r.line;
    }
}

TEST(FormulaModel, OwnsItsFormulasAndTestsThem) {
    auto* model = new CMod(eModTypeBlock, 0);
    EXPECT_FALSE(model->TestModel());
    CFormel* a = model->AddFormel();
    CFormel* b = model->AddFormel();
    EXPECT_EQ(model, a->m_pMod);
    EXPECT_EQ(1, b->GetIndex());
    EXPECT_EQ(b, model->GetFormel(1));
    EXPECT_EQ(nullptr, model->GetFormel(2));
    EXPECT_EQ(nullptr, model->GetFormel(-1));
    Modules m;
    ASSERT_EQ(0, m.fml2upn("x := 1", a, nullptr));
    EXPECT_FALSE(model->TestModel());
    ASSERT_EQ(0, m.fml2upn("y := 2", b, nullptr));
    EXPECT_TRUE(model->TestModel());
    delete model;  // frees both formulas (the sanitizer build sees a leak otherwise)
}

// The simplifier's way: a formula made on its own and bound through its model pointer.
TEST(FormulaModel, LoneFormulaBoundThroughItsModelPointer) {
    Modules m;
    CMod model(eModTypeBlock, 0);
    CFormel formula(515, -1);
    formula.m_pMod = &model;
    ASSERT_EQ(0, m.fml2upn("((1.0)*(2*x))", &formula, nullptr));
    CString text;
    ASSERT_EQ(0, m.simplify(&text, &formula));
    EXPECT_EQ(CString("2*x"), text);
    EXPECT_EQ(515, formula.GetType());
}

// The modules and a block model whose formulas the tests parse into.
class FormulaModules : public ::testing::Test {
protected:
    Modules m;
    CMod model{eModTypeBlock, 0};
};

TEST_F(FormulaModules, RefuseNullArgumentsWithoutCrashing) {
    CFormel* f = model.AddFormel();
    CPtrArray errors;
    CStringArray names;
    int kind = 7;
    EXPECT_NE(0, m.fml2upn(nullptr, f, &errors));
    EXPECT_NE(0, m.fml2upn("x := 1", nullptr, &errors));
    EXPECT_NE(0, m.block2upn(nullptr, f, &kind, &names, &errors));
    EXPECT_EQ(0, kind);
    EXPECT_NE(0, m.block2upn("x := 1", nullptr, &kind, &names, &errors));
    EXPECT_EQ(0, m.block2upn("x := 1", f, nullptr, nullptr, nullptr));
    EXPECT_NE(0, m.simplify(nullptr, f));
    CString out("keep");
    EXPECT_NE(0, m.simplify(&out, nullptr));
    CFormel empty;
    EXPECT_NE(0, m.simplify(&out, &empty));
    EXPECT_EQ(CString("keep"), out);
    EXPECT_EQ(0, errors.GetSize());
}

TEST_F(FormulaModules, FailedParseEmptiesTheFormulaAndAppendsToTheRecords) {
    CFormel* f = model.AddFormel();
    ASSERT_EQ(0, m.fml2upn("x := 1", f, nullptr));
    CPtrArray errors;
    ScanError* earlier = new ScanError;
    errors.Add(earlier);
    EXPECT_NE(0, m.fml2upn("x := foo(1)", f, &errors));
    EXPECT_FALSE(f->HasUpn());
    EXPECT_EQ(CString(), f->GetAssignedName());
    ASSERT_EQ(2, errors.GetSize());
    EXPECT_EQ(earlier, errors[0]);
    const auto* e = static_cast<ScanError*>(errors[1]);
    EXPECT_EQ(5, e->m_nPos);
    EXPECT_EQ(CString("foo"), e->m_strToken);
    qv::formula::FreeScanErrors(errors);
    EXPECT_EQ(0, errors.GetSize());
}

TEST_F(FormulaModules, NamesAreListedOnceInTheOrderOfTheirFirstAssignment) {
    CStringArray names;
    int kind = 0;
    ASSERT_EQ(0, m.block2upn("b := 1\nIF (b) { a := 2 } ELSE { b := 3; c := 4 }\na := 5", model.AddFormel(), &kind,
                             &names, nullptr));
    EXPECT_EQ(2, kind);
    ASSERT_EQ(3, names.GetSize());
    EXPECT_EQ(CString("b"), names[0]);
    EXPECT_EQ(CString("a"), names[1]);
    EXPECT_EQ(CString("c"), names[2]);
}

// Coefficient texts of high-order filters reach millions of characters: a sum of products
// several million characters long parses and prints (linear work, no deep recursion on long
// left-associative chains).
TEST_F(FormulaModules, TextsOfMillionsOfCharactersParseAndPrint) {
    std::string text = "q := ";
    const std::string term = "((1.0)*(fc*Ts+0.5))*(3.14159265358979/Ts)";
    while (text.size() < 6'000'000) text += term + "+ ";
    text += "1";
    CFormel* f = model.AddFormel();
    ASSERT_EQ(0, m.fml2upn(text.c_str(), f, nullptr));
    EXPECT_EQ(CString("q"), f->GetAssignedName());
    CString printed;
    ASSERT_EQ(0, m.simplify(&printed, f));
    CFormel* again = model.AddFormel();
    ASSERT_EQ(0, m.fml2upn(printed, again, nullptr));
    std::vector<UpnItem> simpler;
    ASSERT_TRUE(qv::formula::SimplifyUpn(f->GetUpn(), simpler));
    EXPECT_TRUE(simpler == again->GetUpn());
}

// Many statements: every name is listed once, in order, without a look-up that grows with the
// number of names already seen.
TEST_F(FormulaModules, BlocksOfManyAssignments) {
    std::string text;
    const int count = 200000;
    for (int i = 0; i < count; ++i) text += "v" + std::to_string(i) + " := v" + std::to_string(i / 2) + " + 1\n";
    text += "v0 := 1";
    CStringArray names;
    int kind = 0;
    ASSERT_EQ(0, m.block2upn(text.c_str(), model.AddFormel(), &kind, &names, nullptr));
    EXPECT_EQ(1, kind);
    ASSERT_EQ(count, names.GetSize());
    EXPECT_EQ(CString("v0"), names[0]);
    EXPECT_EQ(CString("v199999"), names[count - 1]);
}

TEST_F(FormulaModules, TooDeepNestingIsAnErrorRecord) {
    struct Row {
        const char* open;
        const char* close;
        int depth;
        bool accepted;
    };
    const Row rows[] = {
        {"(", ")", qv::formula::kMaxNesting - 2, true},
        {"(", ")", 100000, false},
        {"-", "", 100000, false},
        {"SIN(", ")", 100000, false},
        {"a^", "", 100000, false},
        {"IF (a) {", "}", 100000, false},
    };
    for (const Row& r : rows) {
        std::string text;
        for (int i = 0; i < r.depth; ++i) text += r.open;
        text += "x := 1";
        if (std::string(r.open) != "IF (a) {") text = "y := " + text.substr(0, text.size() - 6) + "1";
        for (int i = 0; i < r.depth; ++i) text += r.close;
        CMod rowModel(eModTypeBlock, 0);
        CPtrArray errors;
        CStringArray names;
        int kind = 0;
        const int result = m.block2upn(text.c_str(), rowModel.AddFormel(), &kind, &names, &errors);
        EXPECT_EQ(r.accepted, result == 0) << r.open;
        if (!r.accepted) {
            ASSERT_EQ(1, errors.GetSize()) << r.open;
            EXPECT_EQ(qv::formula::kErrNesting, static_cast<ScanError*>(errors[0])->m_nCode) << r.open;
        }
        qv::formula::FreeScanErrors(errors);
    }
}

TEST(FormulaPrinter, RefusesPostfixFormsThatAreNotWellMade) {
    auto num = [](double v) { return UpnItem{UpnOp::Number, 0, v, {}}; };
    auto name = [](const char* n) { return UpnItem{UpnOp::Name, 0, 0.0, n}; };
    auto op = [](UpnOp o, int argc = 0, const char* t = "") { return UpnItem{o, argc, 0.0, t}; };
    std::string empty = "x";
    EXPECT_TRUE(qv::formula::PrintUpn({}, empty));
    EXPECT_EQ("", empty);
    const std::vector<std::vector<UpnItem>> bad = {
        {num(1)},                                             // a value left over
        {op(UpnOp::Add), op(UpnOp::Expr, 1)},                 // operands missing
        {num(1), op(UpnOp::Assign, 1, "")},                   // no target
        {num(1), num(2), op(UpnOp::Assign, 1, "x")},          // two values for one assignment
        {num(1), op(UpnOp::Call, 1, "FOO"), op(UpnOp::Expr, 1)},
        {num(1), op(UpnOp::Call, 2, "SIN"), op(UpnOp::Expr, 1)},
        {name("a"), op(UpnOp::If)},                           // IF never closed
        {op(UpnOp::End)},
        {name("a"), op(UpnOp::If), op(UpnOp::Else), op(UpnOp::Else), op(UpnOp::End)},
        {num(1), op(UpnOp::Action, 3, "x")},
        {num(1), op(UpnOp::Action, 1, "")},
        {name("a"), num(1), op(UpnOp::Name, 1, "b"), op(UpnOp::Add), op(UpnOp::Expr, 1)},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        std::string out = "x";
        EXPECT_FALSE(qv::formula::PrintUpn(bad[i], out)) << i;
        EXPECT_EQ("", out) << i;
    }
}

} // namespace
