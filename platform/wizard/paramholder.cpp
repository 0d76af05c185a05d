#include "wizard/paramholder.h"

namespace {

void DeleteEntries(CPtrArray& array) {
    for (int i = 0; i < static_cast<int>(array.GetSize()); ++i) delete static_cast<CWizardCopaObject3*>(array.GetAt(i));
    array.RemoveAll();
}

// Removes the entries marked deleted, keeping the order of the others.
int PurgeEntries(CPtrArray& array) {
    int removed = 0;
    for (int i = static_cast<int>(array.GetSize()) - 1; i >= 0; --i) {
        auto* entry = static_cast<CWizardCopaObject3*>(array.GetAt(i));
        if (entry != nullptr && entry->IsDeleted()) {
            array.RemoveAt(i);
            delete entry;
            ++removed;
        }
    }
    return removed;
}

} // namespace

ParamHolder::ParamHolder() = default;

ParamHolder::~ParamHolder() {
    DeleteAll();
}

int ParamHolder::PurgeDeleted() {
    // Output entries first: they may point at parameters through their template link, and a
    // deleted parameter takes its outputs with it.
    int removed = 0;
    for (int i = static_cast<int>(m_OutputInstances.GetSize()) - 1; i >= 0; --i) {
        auto* entry = static_cast<CWizardCopaObject3*>(m_OutputInstances.GetAt(i));
        if (entry == nullptr) continue;
        bool orphaned = false;
        for (int p = 0; p < static_cast<int>(m_Params.GetSize()); ++p) {
            auto* param = static_cast<CWizardCopaObject3*>(m_Params.GetAt(p));
            if (param != nullptr && param->IsDeleted() && entry->GetTemplateObject() == param) orphaned = true;
        }
        if (entry->IsDeleted() || orphaned) {
            m_OutputInstances.RemoveAt(i);
            delete entry;
            ++removed;
        }
    }
    removed += PurgeEntries(m_Params);
    return removed;
}

void ParamHolder::DeleteAll() {
    DeleteEntries(m_Params);
    DeleteEntries(m_ObjectTemplates);
    DeleteEntries(m_OutputTemplates);
    DeleteEntries(m_OutputInstances);
}

CWizardSchematicDataExchange3::CWizardSchematicDataExchange3() = default;
CWizardSchematicDataExchange3::~CWizardSchematicDataExchange3() = default;

void CWizardSchematicDataExchange3::SetAdditionalData(const BYTE* data, size_t size) {
    if (data == nullptr || size == 0) {
        m_AdditionalData.clear();
        return;
    }
    m_AdditionalData.assign(data, data + size);
}
