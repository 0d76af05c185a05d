// Feeds arbitrary texts to CFormulaSimplifier with the formula modules loaded as the digital
// filter loads them. A text it simplifies must simplify to itself; a text it refuses must stay
// as it was.
#include "framework/formula_simplifier.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CFormulaSimplifier* simplifier = [] {
        auto* s = new CFormulaSimplifier;
        if (!s->Load()) std::abort();  // the modules are built beside the fuzz target
        return s;
    }();
    const CString original(reinterpret_cast<const char*>(data), static_cast<int>(size));
    CString text = original;
    if (!simplifier->Simplify(&text)) {
        if (text != original) std::abort();
        return 0;
    }
    CString again = text;
    if (!simplifier->Simplify(&again) || again != text) std::abort();
    return 0;
}
