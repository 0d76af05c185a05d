// Runs every "label text" line of a file through CFormulaSimplifier and writes
// "label ok TEXT" when the text simplified and its result simplifies to itself, "label unstable
// TEXT" when the result changes again, and "label failed" when the simplifier refused it. The
// oracle formula_simplifier_oracle.py evaluates both sides.
#include "framework/formula_simplifier.h"
#include "formula_simplifier_support.h"

#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CASES\n", argv[0]);
        return 2;
    }
    CFormulaSimplifier simplifier;
    if (!simplifier.Load()) {
        std::fprintf(stderr, "the formula modules could not be loaded\n");
        return 1;
    }
    for (const auto& [label, text] : simplifier_test::ReadCases(argv[1])) {
        CString s(text.c_str());
        if (!simplifier.Simplify(&s)) {
            std::cout << label << " failed\n";
            continue;
        }
        CString again = s;
        const bool stable = simplifier.Simplify(&again) && again == s;
        std::cout << label << (stable ? " ok " : " unstable ") << s.str() << "\n";
    }
    return 0;
}
