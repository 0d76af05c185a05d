// The corpus of tests/formula/data/formula_corpus.txt: every text with the result, kind, names,
// postfix form, printed form and error lines the modules give for it. The same file is read by
// the reference parser formula_reference.py, written from docs/formula-language.md alone.
#include "formula_support.h"

#include "formula/grammar.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace formula_test;

namespace {

struct Case {
    int line = 0;
    std::string mode;
    std::string text;      // escaped, as in the file
    std::string expected;  // every line after "text", joined by "\n"
};

std::vector<Case> ReadCorpus() {
    std::ifstream in(PARVEL_TEST_DATA "/formula_corpus.txt", std::ios::binary);
    std::vector<Case> cases;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "mode") {
            cases.push_back({number, value, {}, {}});
        } else if (!cases.empty() && key == "text") {
            cases.back().text = value;
        } else if (!cases.empty()) {
            cases.back().expected += line + "\n";
        }
    }
    return cases;
}

// What the modules answer for one text, in the corpus's lines.
std::string Answer(Modules& m, const std::string& mode, const std::string& text) {
    CMod model(eModTypeBlock, 0);
    CFormel* formula = model.AddFormel();
    CPtrArray errors;
    CStringArray names;
    int kind = -1;
    int result = mode == "formula" ? m.fml2upn(text.c_str(), formula, &errors)
                                   : m.block2upn(text.c_str(), formula, &kind, &names, &errors);
    std::ostringstream out;
    out << "result " << result << "\n";
    if (mode == "formula") {
        if (result == 0) {
            out << "kind " << formula->GetKind() << "\n";
            out << "assigned " << formula->GetAssignedName().str() << "\n";
        }
    } else {
        out << "kind " << kind << "\n";
        out << "names";
        for (int i = 0; i < names.GetSize(); ++i) out << " " << names[i].str();
        out << "\n";
    }
    if (result == 0) {
        out << "upn " << qv::formula::UpnToText(formula->GetUpn()) << "\n";
        // The printer alone, as the simplifier module runs it (which answers a failure for a
        // formula without a postfix form); the simplifier's rules have tests of their own.
        std::string printed;
        if (formula->HasUpn() && qv::formula::PrintUpn(formula->GetUpn(), printed))
            out << "print " << Escape(printed) << "\n";
        else out << "print-failed\n";
    }
    for (int i = 0; i < errors.GetSize(); ++i)
        out << "error " << Escape(qv::formula::FormatScanError(*static_cast<ScanError*>(errors[i])).str()) << "\n";
    qv::formula::FreeScanErrors(errors);
    return out.str();
}

TEST(FormulaCorpus, EveryTextGivesItsRecordedResult) {
    Modules m;
    ASSERT_NE(nullptr, m.fml2upn);
    ASSERT_NE(nullptr, m.block2upn);
    ASSERT_NE(nullptr, m.simplify);
    const std::vector<Case> cases = ReadCorpus();
    ASSERT_GE(cases.size(), 60u);
    for (const Case& c : cases) {
        const std::string actual = Answer(m, c.mode, Unescape(c.text));
        EXPECT_EQ(c.expected, actual) << "corpus line " << c.line << "\nmode " << c.mode << "\ntext " << c.text
                                      << "\n" << actual;
    }
}

// Whatever the modules accept, the printer writes as text that they read back to the same postfix form,
// and reading that text again prints it unchanged.
TEST(FormulaCorpus, AcceptedTextsRoundTripThroughThePrinter) {
    Modules m;
    for (const Case& c : ReadCorpus()) {
        const std::string text = Unescape(c.text);
        CMod model(eModTypeBlock, 0);
        CFormel* first = model.AddFormel();
        CFormel* second = model.AddFormel();
        CStringArray names;
        int kind = 0;
        const bool formula = c.mode == "formula";
        if ((formula ? m.fml2upn(text.c_str(), first, nullptr)
                     : m.block2upn(text.c_str(), first, &kind, &names, nullptr)) != 0)
            continue;
        if (!first->HasUpn()) continue;  // a blank block: nothing to print
        std::string printedText;
        ASSERT_TRUE(qv::formula::PrintUpn(first->GetUpn(), printedText)) << c.text;
        const CString printed{std::string_view(printedText)};
        ASSERT_EQ(0, formula ? m.fml2upn(printed, second, nullptr)
                             : m.block2upn(printed, second, &kind, &names, nullptr))
            << c.text << "\n" << printed.str();
        EXPECT_EQ(first->GetUpn(), second->GetUpn()) << c.text << "\n" << printed.str();
        EXPECT_EQ(first->GetAssignedName(), second->GetAssignedName()) << c.text;
        std::string again;
        ASSERT_TRUE(qv::formula::PrintUpn(second->GetUpn(), again));
        EXPECT_EQ(printedText, again) << c.text;
    }
}

} // namespace
