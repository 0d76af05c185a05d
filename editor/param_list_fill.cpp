#include "editor/param_list_fill.h"


namespace qv {

std::string FillLeftParamList(const ParamHolder& holder, const std::string& text) {
    static const std::string kPlaceholder = "@PARAMLIST";
    const size_t at = text.find(kPlaceholder);
    if (at == std::string::npos) return text;
    std::string list;
    for (int i = 0; i < holder.GetParamCount(); ++i) {
        const CWizardCopaObject3* param = holder.GetParam(i);
        if (param == nullptr || param->IsDeleted() || !param->IsInput() || (param->GetType() & 0x2) != 0 ||
            (param->GetExtType() & 0x20000) != 0)
            continue;
        const std::string name = param->GetName().str();
        if (!list.empty()) list += ", ";
        const bool quoted = (param->GetType() & 0x100000) != 0;
        list += name + " := " + (quoted ? "\"@" + name + "\"" : "@" + name);
    }
    if (!list.empty()) list += " ";
    return text.substr(0, at) + list + text.substr(at + kPlaceholder.size());
}

} // namespace qv
