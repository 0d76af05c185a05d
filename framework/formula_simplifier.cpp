#include "framework/formula_simplifier.h"

#include "afx/module_state.h"
#include "win32/module.h"

#include <cstring>
#include <memory>

CFormulaSimplifier::CFormulaSimplifier() = default;

CFormulaSimplifier::~CFormulaSimplifier() {
    if (m_hSimplifier != nullptr) AfxFreeLibrary(m_hSimplifier);
    if (m_hPrecompiler != nullptr) AfxFreeLibrary(m_hPrecompiler);
}

BOOL CFormulaSimplifier::Load() {
    // A second Load keeps what the first one loaded rather than taking a second reference.
    if (m_hSimplifier != nullptr && m_hPrecompiler != nullptr) return TRUE;
    m_hSimplifier = AfxLoadLibrary(m_pszSimplifierModule);
    if (m_hSimplifier == nullptr) return FALSE;
    m_hPrecompiler = AfxLoadLibrary(m_pszPrecompilerModule);
    if (m_hPrecompiler == nullptr) {
        AfxFreeLibrary(m_hSimplifier);
        m_hSimplifier = nullptr;
        return FALSE;
    }
    m_pfnSimplify = reinterpret_cast<UpnToSimplifyStringFunc>(GetProcAddress(m_hSimplifier, "UpnToSimplifyString"));
    m_pfnFml2Upn = reinterpret_cast<Fml2UpnFunc>(GetProcAddress(m_hPrecompiler, "Fml2Upn"));
    if (m_pfnSimplify == nullptr || m_pfnFml2Upn == nullptr) {
        AfxFreeLibrary(m_hSimplifier);
        AfxFreeLibrary(m_hPrecompiler);
        m_hSimplifier = nullptr;
        m_hPrecompiler = nullptr;
        m_pfnSimplify = nullptr;
        m_pfnFml2Upn = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL CFormulaSimplifier::Simplify(CString* formula) {
    if (formula == nullptr || m_hSimplifier == nullptr || m_hPrecompiler == nullptr || m_pfnSimplify == nullptr ||
        m_pfnFml2Upn == nullptr)
        return FALSE;
    // The model owns nothing here: the formula is made on its own and only points at it, and
    // both are freed on every way out.
    auto model = std::make_unique<CMod>(eModTypeBlock, 0);
    auto work = std::make_unique<CFormel>(515, -1);
    work->m_pMod = model.get();
    CString text = *formula;
    // The pre-compiler reads up to the first NUL: a text holding one would be replaced by the
    // simplified form of its first part only.
    if (std::strlen(text) != static_cast<size_t>(text.GetLength())) return FALSE;
    // The modules answer every failure with a result, but a replacement module may throw;
    // nothing of it reaches the caller, whose text stays as it was.
    try {
        if (m_pfnFml2Upn(text.GetBuffer(0), work.get(), nullptr) != 0) return FALSE;
        text.ReleaseBuffer();
        if (m_pfnSimplify(&text, work.get()) != 0) return FALSE;
    } catch (...) {
        return FALSE;
    }
    *formula = text;
    return TRUE;
}
