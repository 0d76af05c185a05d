// An element's parameter set as one text, with the fields the printed schematic leaves out (the
// name the pages hold, the symbol texts, the units each parameter is given in, the older base's
// additional data and active state), so that two sets compare whole.
#pragma once

#include "wizard/wizard.h"

#include <map>
#include <string>

namespace qv_test {

inline std::string ParamSetText(const ParamHolder& holder) {
    std::string text = "name " + std::string(holder.m_strElementName) + " shown " + std::to_string(holder.m_dwShowName) +
                       " variant " + std::to_string(holder.m_bySymbolVariant) + "\nmodel " +
                       std::string(holder.m_strModelText) + "\n";
    // The map's own order depends on how it was filled.
    std::map<WORD, std::string> symbol;
    POSITION pos = holder.m_SymbolTexts.GetStartPosition();
    while (pos != nullptr) {
        WORD language = 0;
        CString value;
        holder.m_SymbolTexts.GetNextAssoc(pos, language, value);
        symbol[language] = std::string(value);
    }
    for (const auto& [language, value] : symbol) text += "symbol " + std::to_string(language) + " " + value + "\n";
    const auto entries = [&text](const char* kind, const CPtrArray& array) {
        for (int i = 0; i < static_cast<int>(array.GetSize()); ++i)
            if (const auto* p = static_cast<const CWizardCopaObject3*>(array.GetAt(i)))
                text += std::string(kind) + " " + std::string(p->GetName()) + "=" + std::string(p->GetValue()) + " unit " +
                        std::string(p->GetUnit()) + " used " + std::string(p->GetUsedUnit()) + " type " +
                        std::to_string(p->GetType()) + (p->IsDeleted() ? " deleted" : "") + "\n";
    };
    entries("param", holder.m_Params);
    entries("output", holder.m_OutputInstances);
    if (const auto* exchange = dynamic_cast<const CWizardSchematicDataExchange3*>(&holder)) {
        text += "active " + std::to_string(exchange->m_wActiveState) + " data";
        for (const BYTE byte : exchange->m_AdditionalData) text += " " + std::to_string(byte);
        text += "\n";
    }
    return text;
}

}  // namespace qv_test
