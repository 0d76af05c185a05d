// The parameter set of one element, as the editor lends it to a wizard.
//
// One type serves both wizard bases: a CWizardBase4 wizard receives a ParamHolder as the
// cookie of request 23; a CWizardBase3 wizard receives a CWizardSchematicDataExchange3,
// which is a ParamHolder with the older base's extra data. The holder owns every object in
// its three arrays and deletes them with itself.
#pragma once

#include "afx/afx.h"
#include "wizard/copa.h"

#include <cstddef>
#include <vector>

class ParamHolder {
public:
    ParamHolder();
    virtual ~ParamHolder();
    ParamHolder(const ParamHolder&) = delete;
    ParamHolder& operator=(const ParamHolder&) = delete;

    // Typed access to the arrays; entries may be null, and so is an index out of range. Inline:
    // the editor and the wizards walk the parameters of a set many times per element.
    int GetParamCount() const { return static_cast<int>(m_Params.GetSize()); }
    CWizardCopaObject3* GetParam(int index) const { return EntryAt(m_Params, index); }
    int GetOutputTemplateCount() const { return static_cast<int>(m_OutputTemplates.GetSize()); }
    CWizardCopaObject3* GetOutputTemplate(int index) const { return EntryAt(m_OutputTemplates, index); }
    int GetOutputInstanceCount() const { return static_cast<int>(m_OutputInstances.GetSize()); }
    CWizardCopaObject3* GetOutputInstance(int index) const { return EntryAt(m_OutputInstances, index); }

    // Appends an entry (the holder takes it over) and returns its index.
    int AddParam(CWizardCopaObject3* param) { return static_cast<int>(m_Params.Add(param)); }
    int AddOutputTemplate(CWizardCopaObject3* templ) { return static_cast<int>(m_OutputTemplates.Add(templ)); }
    int AddOutputInstance(CWizardCopaObject3* entry) { return static_cast<int>(m_OutputInstances.Add(entry)); }

    // Deletes the parameters and output entries that are marked deleted and closes the gaps.
    // The editor calls this only when no wizard or page holds the set. Returns how many went.
    int PurgeDeleted();

    // Deletes every object of the three arrays and empties them.
    void DeleteAll();

    CString m_strModelText;          // the element's model text
    CPtrArray m_Params;              // CWizardCopaObject3*, the element's parameters in editor order
    CPtrArray m_ObjectTemplates;     // CWizardCopaObject3*, templates the element's parameters were made from
    CPtrArray m_OutputTemplates;     // CWizardCopaObject3*, templates of result outputs ("SDB")
    CPtrArray m_OutputInstances;     // CWizardCopaObject3*, the output entries of this element
    CString m_strElementName;        // the element's name (page field "Name")
    DWORD m_dwShowName = 0;          // the pages' "Show Name" check
    CLanguageTextMap m_SymbolTexts;  // the element symbol's text per language
    BYTE m_bySymbolVariant = 0;      // the shown variant of the symbol (1 shifted by the form)

private:
    static CWizardCopaObject3* EntryAt(const CPtrArray& array, int index) {
        if (index < 0 || index >= static_cast<int>(array.GetSize())) return nullptr;
        return static_cast<CWizardCopaObject3*>(array.GetAt(index));
    }
};

// The data-exchange object of the older wizard base: the parameter set plus the wizard's
// additional data block, a byte buffer that the editor keeps with the element.
class CWizardSchematicDataExchange3 : public ParamHolder {
public:
    CWizardSchematicDataExchange3();
    ~CWizardSchematicDataExchange3() override;

    // Copies the block (null or size 0 clears it).
    void SetAdditionalData(const BYTE* data, size_t size);
    const BYTE* GetAdditionalData() const { return m_AdditionalData.empty() ? nullptr : m_AdditionalData.data(); }
    size_t GetAdditionalDataSize() const { return m_AdditionalData.size(); }

    std::vector<BYTE> m_AdditionalData;
    WORD m_wActiveState = 0;  // a state graph's state: 1 when it is the active state, else 0
};
