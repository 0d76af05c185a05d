#include "wizard/copa.h"

CWizardCopaObject3::CWizardCopaObject3() = default;

// A copy takes every field as it is (the text maps are shared until one side changes them),
// member by member: each text is made as a copy at once rather than made empty and then
// assigned, which counts when a parameter set copies the catalogue's entries by the thousand.
CWizardCopaObject3::CWizardCopaObject3(const CWizardCopaObject3& other) = default;

CWizardCopaObject3::CWizardCopaObject3(const CWizardCopaObject3* other) {
    if (other != nullptr) *this = *other;
}

CWizardCopaObject3& CWizardCopaObject3::operator=(const CWizardCopaObject3& other) = default;

CWizardCopaObject3::~CWizardCopaObject3() = default;

CWizardCopaObject3* CWizardCopaObject3::CreateWizCopa(const CWizardCopaObject3* templ) {
    if (templ == nullptr) return nullptr;
    auto* entry = new CWizardCopaObject3(*templ);
    entry->m_Deleted = FALSE;
    entry->m_CopaObject = nullptr;
    entry->m_TemplateObject = const_cast<CWizardCopaObject3*>(templ);
    return entry;
}
