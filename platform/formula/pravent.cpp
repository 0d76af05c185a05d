// The pre-compiler module "Pravent": translates expression texts into the postfix form of a
// formula. C exports; no exception leaves them (an unexpected one answers 2).
#include "formula/grammar.h"

#include <cstring>
#include <new>

namespace {

void AppendErrors(const qv::formula::ParseResult& r, CPtrArray* errors) {
    if (errors == nullptr) return;
    for (const qv::formula::ErrorInfo& e : r.errors) {
        auto* record = new ScanError;
        record->m_nPos = e.position;
        record->m_nCode = e.code;
        record->m_strMessage = CString(std::string_view(e.message));
        record->m_strToken = CString(std::string_view(e.token));
        errors->Add(record);
    }
}

} // namespace

extern "C" {

// One assignment, action value or bare expression. After success the formula holds the postfix
// form and the name it assigns (empty for a bare expression).
__attribute__((visibility("default"))) int Fml2Upn(const char* text, CFormel* formula, CPtrArray* errors) {
    try {
        if (text == nullptr || formula == nullptr) return 1;
        formula->Clear();
        qv::formula::ParseResult r = qv::formula::Parse(std::string_view(text, std::strlen(text)),
                                                        qv::formula::ParseMode::Formula);
        if (r.result != 0) {
            AppendErrors(r, errors);
            return r.result;
        }
        formula->SetUpn(std::move(r.upn), CString(std::string_view(r.assigned)), r.kind);
        return 0;
    } catch (...) {
        return 2;
    }
}

// A block of statements. kind: 1 assignments, 2 with an IF block, 3 a bare expression (no
// record; nothing is defined). names: the names the block assigns, each once, in order.
__attribute__((visibility("default"))) int UbhvBlock2Upn(const char* text, CFormel* formula, int* kind,
                                                        CStringArray* names, CPtrArray* errors) {
    try {
        if (kind != nullptr) *kind = kExpressionNone;
        if (text == nullptr || formula == nullptr) return 1;
        formula->Clear();
        qv::formula::ParseResult r = qv::formula::Parse(std::string_view(text, std::strlen(text)),
                                                        qv::formula::ParseMode::Block);
        if (r.result != 0) {
            AppendErrors(r, errors);
            return r.result;
        }
        if (kind != nullptr) *kind = r.kind;
        if (names != nullptr)
            for (const std::string& name : r.names) names->Add(CString(std::string_view(name)));
        formula->SetUpn(std::move(r.upn), CString(), r.kind);
        return 0;
    } catch (...) {
        return 2;
    }
}

} // extern "C"
