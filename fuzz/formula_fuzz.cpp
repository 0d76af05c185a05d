// Feeds arbitrary texts to the pre-compiler's exports: the first byte chooses "Fml2Upn" (even)
// or "UbhvBlock2Upn" (odd), the rest is the text. Every accepted text must print through
// "UpnToSimplifyString" (unless it holds a number that only a scale can write) as a text that reads back to a form that simplifies like the first one
// and prints the same again; a rejected one must leave exactly one error record and an empty
// formula. Every text is also read as a model text's value.
#include "formula/formel.h"
#include "formula/grammar.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int Fml2Upn(const char* text, CFormel* formula, CPtrArray* errors);
extern "C" int UbhvBlock2Upn(const char* text, CFormel* formula, int* kind, CStringArray* names, CPtrArray* errors);
extern "C" int UpnToSimplifyString(CString* out, CFormel* formula);

namespace {

int Translate(bool block, const char* text, CFormel* formula, CPtrArray* errors, int* kind) {
    CStringArray names;
    return block ? UbhvBlock2Upn(text, formula, kind, &names, errors) : Fml2Upn(text, formula, errors);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool block = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    // The same text as a model text's value: one error record or a form whose numbers the
    // finiteness check walks.
    const qv::formula::ParseResult value = qv::formula::Parse(text, qv::formula::ParseMode::Value);
    if (value.result != 0 ? value.errors.size() != 1 || !value.upn.empty() : !value.errors.empty() || value.upn.empty())
        std::abort();
    qv::formula::NumbersStayFinite(value.upn);
    CMod model(eModTypeBlock, 0);
    CFormel* first = model.AddFormel();
    CPtrArray errors;
    int kind = 0;
    const int result = Translate(block, text.c_str(), first, &errors, &kind);
    if (result != 0) {
        if (errors.GetSize() != 1 || first->HasUpn()) std::abort();
        qv::formula::FormatScanError(*static_cast<ScanError*>(errors[0]));
        qv::formula::FreeScanErrors(errors);
        return 0;
    }
    if (errors.GetSize() != 0) std::abort();
    if (!first->HasUpn()) return 0;  // a blank block
    CString printed;
    if (UpnToSimplifyString(&printed, first) != 0) {
        // Only a number that a scale alone can write (1e299G is 1e308) has no text to print.
        for (const UpnItem& item : first->GetUpn())
            if (item.op == UpnOp::Number && !qv::formula::NumberInRange(item.number)) return 0;
        std::abort();
    }
    CFormel* second = model.AddFormel();
    int kind2 = 0;
    if (Translate(block, printed, second, &errors, &kind2) != 0) std::abort();
    // The printed text is the simplified form: read back, it simplifies to the same items.
    std::vector<UpnItem> simplerFirst, simplerSecond;
    if (!qv::formula::SimplifyUpn(first->GetUpn(), simplerFirst) ||
        !qv::formula::SimplifyUpn(second->GetUpn(), simplerSecond))
        std::abort();
    if (simplerFirst != simplerSecond || first->GetAssignedName() != second->GetAssignedName() || kind != kind2)
        std::abort();
    CString again;
    if (UpnToSimplifyString(&again, second) != 0 || again != printed) std::abort();
    return 0;
}
