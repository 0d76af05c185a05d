// What an element's parameter set held at one moment, so that a sheet that ends without
// committing gives the element back as it was.
//
// The snapshot keeps every entry's fields together with the entry it was taken from. Putting
// it back reuses the entries that are still in the set (so that nothing which still points at
// them is left dangling), makes new ones for those a page removed, deletes those a page
// added, and restores the order. Links between entries (an output entry's parameter, a
// parameter's template) are carried over to the entries that stand for them afterwards.
#pragma once

#include "wizard/wizard.h"

#include <vector>

namespace qv {

class ParamSetSnapshot {
public:
    ParamSetSnapshot() = default;
    ParamSetSnapshot(const ParamSetSnapshot&) = delete;
    ParamSetSnapshot& operator=(const ParamSetSnapshot&) = delete;

    void Take(const ParamHolder& holder);
    // Makes the set hold exactly what it held when the snapshot was taken.
    void RestoreInto(ParamHolder& holder) const;
    bool Taken() const { return m_taken; }
    // Whether the set holds now exactly what it held when the snapshot was taken: the same
    // entries in the same order, each with the same fields, and the same fields of the element.
    bool Holds(const ParamHolder& holder) const;
    // Takes into this snapshot what changed in the set since `before` was taken, and nothing
    // else: the fields of an entry that changed, the entries that came (placed after the
    // entry they follow now) and those that went, and the element's own fields that changed.
    // A commit made while one control was handled keeps what that control did; what the page
    // had written into the set before stays the page's pending edit.
    void TakeChanges(const ParamSetSnapshot& before, const ParamHolder& holder);

private:
    struct Entry {
        const CWizardCopaObject3* original = nullptr;   // only compared, never followed
        CWizardCopaObject3 fields;
    };
    using Entries = std::vector<Entry>;

    static void TakeArray(const CPtrArray& array, Entries& into);
    static bool SameEntries(const Entries& entries, const CPtrArray& array);
    static void TakeArrayChanges(const Entries& before, const Entries& after, Entries& into);

    bool m_taken = false;
    Entries m_params;
    Entries m_objectTemplates;
    Entries m_outputTemplates;
    Entries m_outputInstances;
    CString m_modelText;
    CString m_elementName;
    DWORD m_showName = 0;
    CLanguageTextMap m_symbolTexts;
    BYTE m_symbolVariant = 0;
    // The older base's data-exchange object also keeps these.
    bool m_isExchange = false;
    std::vector<BYTE> m_additionalData;
    WORD m_activeState = 0;
};

} // namespace qv
