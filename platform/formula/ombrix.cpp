// The simplifier module "Ombrix": simplifies the postfix form of a formula and prints it back
// as text that the pre-compiler reads. C export; no exception leaves it.
#include "formula/grammar.h"

extern "C" {

__attribute__((visibility("default"))) int UpnToSimplifyString(CString* out, CFormel* formula) {
    try {
        // A formula that holds no postfix form (never translated, or a blank text) has nothing
        // to print; an empty answer would wipe the caller's text.
        if (out == nullptr || formula == nullptr || !formula->HasUpn()) return 1;
        std::vector<UpnItem> simpler;
        if (!qv::formula::SimplifyUpn(formula->GetUpn(), simpler)) return 1;
        std::string text;
        if (!qv::formula::PrintUpn(simpler, text)) return 1;
        *out = CString(std::string_view(text));
        return 0;
    } catch (...) {
        return 2;
    }
}

} // extern "C"
