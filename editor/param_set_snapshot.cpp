#include "editor/param_set_snapshot.h"

#include <functional>
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

template <class Key, class ArgKey>
bool SameMap(const CMap<Key, ArgKey, CString, LPCTSTR>& a, const CMap<Key, ArgKey, CString, LPCTSTR>& b) {
    // Copies of an entry share its maps until one of them changes a map.
    if (&a == &b) return true;
    if (a.GetCount() != b.GetCount()) return false;
    POSITION pos = a.GetStartPosition();
    while (pos != nullptr) {
        Key key{};
        CString value;
        CString other;
        a.GetNextAssoc(pos, key, value);
        if (!b.Lookup(key, other) || !(other == value)) return false;
    }
    return true;
}

// A field of `into` takes the value it has in `after` where that differs from `before`.
template <class Get, class Set>
void TakeField(CWizardCopaObject3& into, const CWizardCopaObject3& before, const CWizardCopaObject3& after, Get get,
               Set set) {
    if (!(std::invoke(get, before) == std::invoke(get, after))) std::invoke(set, into, std::invoke(get, after));
}

template <class Get, class Set>
void TakeMap(CWizardCopaObject3& into, const CWizardCopaObject3& before, const CWizardCopaObject3& after, Get get,
             Set set) {
    if (!SameMap(std::invoke(get, before), std::invoke(get, after))) std::invoke(set, into, std::invoke(get, after));
}

void TakeChangedFields(CWizardCopaObject3& into, const CWizardCopaObject3& before, const CWizardCopaObject3& after) {
    using E = CWizardCopaObject3;
    TakeField(into, before, after, &E::GetName, [](E& e, const CString& v) { e.SetName(v); });
    TakeField(into, before, after, &E::GetValue, [](E& e, const CString& v) { e.SetValue(v); });
    TakeField(into, before, after, &E::GetUnit, [](E& e, const CString& v) { e.SetUnit(v); });
    TakeField(into, before, after, &E::GetNatureOrDatatype, [](E& e, const CString& v) { e.SetNatureOrDatatype(v); });
    TakeMap(into, before, after, &E::GetInfoMap, &E::SetInfoMap);
    TakeMap(into, before, after, &E::GetDescriptionMap, &E::SetDescriptionMap);
    TakeMap(into, before, after, &E::GetAccessMap, &E::SetAccessMap);
    TakeMap(into, before, after, &E::GetDefaultValueMap, &E::SetDefaultValueMap);
    // The type word holds independent bits (the pin among them): only those that changed go.
    if (before.GetType() != after.GetType())
        into.SetType((into.GetType() & ~(before.GetType() ^ after.GetType())) |
                     (after.GetType() & (before.GetType() ^ after.GetType())));
    TakeField(into, before, after, &E::GetExtType, &E::SetExtType);
    TakeField(into, before, after, &E::GetVctIndex, &E::SetVctIndex);
    TakeField(into, before, after, &E::GetNameID, &E::SetNameID);
    TakeField(into, before, after, &E::GetValueID, &E::SetValueID);
    TakeField(into, before, after, &E::GetInfoID, &E::SetInfoID);
    TakeField(into, before, after, &E::GetTypeID, &E::SetTypeID);
    TakeField(into, before, after, &E::GetExtTypeID, &E::SetExtTypeID);
    TakeField(into, before, after, &E::GetUnitID, &E::SetUnitID);
    TakeField(into, before, after, &E::GetNatureOrDataTypeID, &E::SetNatureOrDataTypeID);
    TakeField(into, before, after, &E::GetDefaultValueID, &E::SetDefaultValueID);
    TakeField(into, before, after, &E::GetOnSheetMode, &E::SetOnSheetMode);
    TakeField(into, before, after, &E::GetDataString, [](E& e, const CString& v) { e.SetDataString(v); });
    TakeField(into, before, after, &E::IsDeletable, &E::SetDeletable);
    if (before.IsDeleted() != after.IsDeleted()) {
        if (after.IsDeleted()) {
            const BOOL deletable = into.IsDeletable();
            into.SetDeletable(TRUE);
            into.Delete();
            into.SetDeletable(deletable);
        } else {
            into.Undelete();
        }
    }
    TakeField(into, before, after, &E::GetCopaObject, &E::SetCopaObject);
    TakeField(into, before, after, &E::GetTemplateObject, &E::SetTemplateObject);
    TakeField(into, before, after, &E::GetNodeObject, &E::SetNodeObject);
    TakeField(into, before, after, &E::GetNodeWizName, [](E& e, const CString& v) { e.SetNodeWizName(v); });
    TakeField(into, before, after, &E::GetNodeWizID, &E::SetNodeWizID);
    TakeField(into, before, after, &E::GetUsedUnit, [](E& e, const CString& v) { e.SetUsedUnit(v); });
    TakeField(into, before, after, &E::GetQuantity, [](E& e, const CString& v) { e.SetQuantity(v); });
    TakeField(into, before, after, &E::GetUsedUnitID, &E::SetUsedUnitID);
    TakeField(into, before, after, &E::GetQuantityID, &E::SetQuantityID);
    TakeField(into, before, after, &E::GetTolState, &E::SetTolState);
    TakeField(into, before, after, &E::GetTolMin, [](E& e, const CString& v) { e.SetTolMin(v); });
    TakeField(into, before, after, &E::GetTolMax, [](E& e, const CString& v) { e.SetTolMax(v); });
    TakeField(into, before, after, &E::GetTolMeanVal, [](E& e, const CString& v) { e.SetTolMeanVal(v); });
    TakeField(into, before, after, &E::GetTolStdDev, [](E& e, const CString& v) { e.SetTolStdDev(v); });
    TakeField(into, before, after, &E::GetTolTolerance, [](E& e, const CString& v) { e.SetTolTolerance(v); });
    TakeField(into, before, after, &E::GetFileNameCharacteristics,
              [](E& e, const CString& v) { e.SetFileNameCharacteristics(v); });
}

// Whether the two entries hold the same in every field TakeChangedFields carries over.
bool SameFields(const CWizardCopaObject3& a, const CWizardCopaObject3& b) {
    return a.GetName() == b.GetName() && a.GetValue() == b.GetValue() && a.GetUnit() == b.GetUnit() &&
           a.GetNatureOrDatatype() == b.GetNatureOrDatatype() && SameMap(a.GetInfoMap(), b.GetInfoMap()) &&
           SameMap(a.GetDescriptionMap(), b.GetDescriptionMap()) && SameMap(a.GetAccessMap(), b.GetAccessMap()) &&
           SameMap(a.GetDefaultValueMap(), b.GetDefaultValueMap()) && a.GetType() == b.GetType() &&
           a.GetExtType() == b.GetExtType() && a.GetVctIndex() == b.GetVctIndex() && a.GetNameID() == b.GetNameID() &&
           a.GetValueID() == b.GetValueID() && a.GetInfoID() == b.GetInfoID() && a.GetTypeID() == b.GetTypeID() &&
           a.GetExtTypeID() == b.GetExtTypeID() && a.GetUnitID() == b.GetUnitID() &&
           a.GetNatureOrDataTypeID() == b.GetNatureOrDataTypeID() && a.GetDefaultValueID() == b.GetDefaultValueID() &&
           a.GetOnSheetMode() == b.GetOnSheetMode() && a.GetDataString() == b.GetDataString() &&
           a.IsDeletable() == b.IsDeletable() && a.IsDeleted() == b.IsDeleted() && a.GetCopaObject() == b.GetCopaObject() &&
           a.GetTemplateObject() == b.GetTemplateObject() && a.GetNodeObject() == b.GetNodeObject() &&
           a.GetNodeWizName() == b.GetNodeWizName() && a.GetNodeWizID() == b.GetNodeWizID() &&
           a.GetUsedUnit() == b.GetUsedUnit() && a.GetQuantity() == b.GetQuantity() &&
           a.GetUsedUnitID() == b.GetUsedUnitID() && a.GetQuantityID() == b.GetQuantityID() &&
           a.GetTolState() == b.GetTolState() && a.GetTolMin() == b.GetTolMin() && a.GetTolMax() == b.GetTolMax() &&
           a.GetTolMeanVal() == b.GetTolMeanVal() && a.GetTolStdDev() == b.GetTolStdDev() &&
           a.GetTolTolerance() == b.GetTolTolerance() && a.GetFileNameCharacteristics() == b.GetFileNameCharacteristics();
}

} // namespace

void ParamSetSnapshot::TakeArrayChanges(const Entries& before, const Entries& after, Entries& into) {
    std::unordered_map<const void*, const Entry*> was;
    for (const Entry& entry : before)
        if (entry.original != nullptr) was.emplace(entry.original, &entry);
    std::unordered_set<const void*> still;
    for (const Entry& entry : after)
        if (entry.original != nullptr) still.insert(entry.original);
    const auto at = [&into](const void* original) {
        for (size_t i = 0; i < into.size(); ++i)
            if (into[i].original == original) return i;
        return into.size();
    };
    for (size_t i = 0; i < after.size(); ++i) {
        const Entry& entry = after[i];
        if (entry.original == nullptr) continue;
        auto found = was.find(entry.original);
        if (found != was.end()) {
            if (const size_t kept = at(entry.original); kept < into.size())
                TakeChangedFields(into[kept].fields, found->second->fields, entry.fields);
            continue;
        }
        // A new entry follows the nearest entry before it that this snapshot holds too.
        size_t place = 0;
        for (size_t j = i; j-- > 0;)
            if (const size_t kept = at(after[j].original); kept < into.size()) {
                place = kept + 1;
                break;
            }
        into.insert(into.begin() + static_cast<std::ptrdiff_t>(place), entry);
    }
    std::erase_if(into, [&](const Entry& entry) {
        return entry.original != nullptr && was.count(entry.original) != 0 && still.count(entry.original) == 0;
    });
}

void ParamSetSnapshot::TakeChanges(const ParamSetSnapshot& before, const ParamHolder& holder) {
    if (!m_taken || !before.m_taken) {
        Take(holder);
        return;
    }
    ParamSetSnapshot after;
    after.Take(holder);
    TakeArrayChanges(before.m_params, after.m_params, m_params);
    TakeArrayChanges(before.m_objectTemplates, after.m_objectTemplates, m_objectTemplates);
    TakeArrayChanges(before.m_outputTemplates, after.m_outputTemplates, m_outputTemplates);
    TakeArrayChanges(before.m_outputInstances, after.m_outputInstances, m_outputInstances);
    if (!(before.m_modelText == after.m_modelText)) m_modelText = after.m_modelText;
    if (!(before.m_elementName == after.m_elementName)) m_elementName = after.m_elementName;
    if (before.m_showName != after.m_showName) m_showName = after.m_showName;
    if (!SameMap(before.m_symbolTexts, after.m_symbolTexts)) CopyTexts(m_symbolTexts, after.m_symbolTexts);
    if (before.m_symbolVariant != after.m_symbolVariant) m_symbolVariant = after.m_symbolVariant;
    if (before.m_additionalData != after.m_additionalData) m_additionalData = after.m_additionalData;
    if (before.m_activeState != after.m_activeState) m_activeState = after.m_activeState;
}

bool ParamSetSnapshot::SameEntries(const Entries& entries, const CPtrArray& array) {
    if (entries.size() != static_cast<size_t>(array.GetSize())) return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto* entry = static_cast<const CWizardCopaObject3*>(array.GetAt(static_cast<int>(i)));
        if (entries[i].original != entry || (entry != nullptr && !SameFields(entries[i].fields, *entry))) return false;
    }
    return true;
}

bool ParamSetSnapshot::Holds(const ParamHolder& holder) const {
    if (!m_taken) return false;
    // Looked at in place: nothing is copied.
    const auto* exchange = dynamic_cast<const CWizardSchematicDataExchange3*>(&holder);
    return SameEntries(m_params, holder.m_Params) && SameEntries(m_objectTemplates, holder.m_ObjectTemplates) &&
           SameEntries(m_outputTemplates, holder.m_OutputTemplates) &&
           SameEntries(m_outputInstances, holder.m_OutputInstances) && m_modelText == holder.m_strModelText &&
           m_elementName == holder.m_strElementName && m_showName == holder.m_dwShowName &&
           SameMap(m_symbolTexts, holder.m_SymbolTexts) && m_symbolVariant == holder.m_bySymbolVariant &&
           m_isExchange == (exchange != nullptr) &&
           (exchange == nullptr ||
            (m_additionalData == exchange->m_AdditionalData && m_activeState == exchange->m_wActiveState));
}

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
