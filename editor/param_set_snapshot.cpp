#include "editor/param_set_snapshot.h"

#include <unordered_map>
#include <unordered_set>

namespace qv {

namespace {

void CopyTexts(CLanguageTextMap& to, const CLanguageTextMap& from) {
    to.RemoveAll();
    POSITION pos = from.GetStartPosition();
    while (pos != nullptr) {
        WORD key = 0;
        CString value;
        from.GetNextAssoc(pos, key, value);
        to.SetAt(key, value);
    }
}

void Collect(const CPtrArray& array, std::unordered_set<const void*>& into) {
    for (int i = 0; i < static_cast<int>(array.GetSize()); ++i)
        if (array.GetAt(i) != nullptr) into.insert(array.GetAt(i));
}

} // namespace

void ParamSetSnapshot::TakeArray(const CPtrArray& array, Entries& into) {
    into.clear();
    into.reserve(static_cast<size_t>(array.GetSize()));
    for (int i = 0; i < static_cast<int>(array.GetSize()); ++i) {
        const auto* entry = static_cast<const CWizardCopaObject3*>(array.GetAt(i));
        Entry& kept = into.emplace_back();
        kept.original = entry;
        if (entry != nullptr) kept.fields = *entry;
    }
}

void ParamSetSnapshot::Take(const ParamHolder& holder) {
    TakeArray(holder.m_Params, m_params);
    TakeArray(holder.m_ObjectTemplates, m_objectTemplates);
    TakeArray(holder.m_OutputTemplates, m_outputTemplates);
    TakeArray(holder.m_OutputInstances, m_outputInstances);
    m_modelText = holder.m_strModelText;
    m_elementName = holder.m_strElementName;
    m_showName = holder.m_dwShowName;
    CopyTexts(m_symbolTexts, holder.m_SymbolTexts);
    m_symbolVariant = holder.m_bySymbolVariant;
    const auto* exchange = dynamic_cast<const CWizardSchematicDataExchange3*>(&holder);
    m_isExchange = exchange != nullptr;
    if (exchange != nullptr) {
        m_additionalData = exchange->m_AdditionalData;
        m_activeState = exchange->m_wActiveState;
    }
    m_taken = true;
}

void ParamSetSnapshot::RestoreInto(ParamHolder& holder) const {
    if (!m_taken) return;
    // The entries the set holds now; those the snapshot names again are kept (with the
    // snapshot's fields), the others go.
    std::unordered_set<const void*> present;
    for (const CPtrArray* array :
         {&holder.m_Params, &holder.m_ObjectTemplates, &holder.m_OutputTemplates, &holder.m_OutputInstances})
        Collect(*array, present);

    // Where each entry of the snapshot stands afterwards.
    std::unordered_map<const void*, CWizardCopaObject3*> standsFor;
    std::unordered_set<const void*> reused;
    auto rebuild = [&](const Entries& entries, CPtrArray& array) {
        CPtrArray rebuilt;
        for (const Entry& entry : entries) {
            CWizardCopaObject3* object = nullptr;
            if (entry.original != nullptr) {
                if (present.count(entry.original) != 0 && reused.insert(entry.original).second) {
                    object = const_cast<CWizardCopaObject3*>(entry.original);
                    *object = entry.fields;
                } else {
                    object = new CWizardCopaObject3(entry.fields);
                }
                standsFor[entry.original] = object;
            }
            rebuilt.Add(object);
        }
        array.RemoveAll();
        for (int i = 0; i < static_cast<int>(rebuilt.GetSize()); ++i) array.Add(rebuilt.GetAt(i));
    };
    // Entries the snapshot does not name are deleted once no array holds them any more.
    std::vector<CWizardCopaObject3*> gone;
    for (const CPtrArray* array :
         {&holder.m_Params, &holder.m_ObjectTemplates, &holder.m_OutputTemplates, &holder.m_OutputInstances})
        for (int i = 0; i < static_cast<int>(array->GetSize()); ++i)
            gone.push_back(static_cast<CWizardCopaObject3*>(array->GetAt(i)));

    rebuild(m_params, holder.m_Params);
    rebuild(m_objectTemplates, holder.m_ObjectTemplates);
    rebuild(m_outputTemplates, holder.m_OutputTemplates);
    rebuild(m_outputInstances, holder.m_OutputInstances);
    for (CWizardCopaObject3* object : gone)
        if (object != nullptr && reused.count(object) == 0) {
            reused.insert(object);   // an entry held twice is deleted once
            delete object;
        }

    // Links to entries of the set follow the entries that stand for them now.
    auto relink = [&standsFor](CObject* link) -> CObject* {
        auto it = standsFor.find(link);
        return it == standsFor.end() ? link : it->second;
    };
    for (const auto& [original, object] : standsFor) {
        object->SetTemplateObject(relink(object->GetTemplateObject()));
        object->SetCopaObject(relink(object->GetCopaObject()));
        object->SetNodeObject(relink(object->GetNodeObject()));
    }

    holder.m_strModelText = m_modelText;
    holder.m_strElementName = m_elementName;
    holder.m_dwShowName = m_showName;
    CopyTexts(holder.m_SymbolTexts, m_symbolTexts);
    holder.m_bySymbolVariant = m_symbolVariant;
    if (auto* exchange = dynamic_cast<CWizardSchematicDataExchange3*>(&holder); exchange != nullptr && m_isExchange) {
        exchange->m_AdditionalData = m_additionalData;
        exchange->m_wActiveState = m_activeState;
    }
}

} // namespace qv
