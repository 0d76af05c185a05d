#include "framework/indexed_family.h"

#include "framework/model_text_builders.h"
#include "framework/param_access.h"
#include "toolkit/tb_numbers.h"

#include <cmath>

namespace qv::family {

bool CountFromText(const CString& text, int* count) {
    const double value = TBExtended_atof(text, "");
    if (!std::isfinite(value) || value > kMaxMembers) return false;
    *count = value < 0.0 ? 0 : static_cast<int>(std::trunc(value));
    return true;
}

BOOL OrderFromText(const CString& text, int* order) {
    const double value = std::trunc(TBExtended_atof(text, ""));
    int result = -1;
    if (std::isfinite(value) && value >= 0) {
        if (value > static_cast<double>(kMaxMembers - 1)) return FALSE;
        result = static_cast<int>(value);
    }
    if (order != nullptr) *order = result;
    return TRUE;
}

CString IndexedName(const CString& templateName, int index) {
    const int bracket = templateName.Find('[');
    CString name = bracket >= 0 ? templateName.Left(bracket) : templateName;
    CString suffix;
    suffix.Format("[%i]", index);
    return name + suffix;
}

CWizardCopaObject3* AppendMember(ParamHolder* holder, const CWizardCopaObject3* templ, int index) {
    if (holder == nullptr || templ == nullptr) return nullptr;
    auto* member = new CWizardCopaObject3(templ);
    member->SetDeletable(TRUE);
    member->Undelete();
    member->SetType(member->GetType() & ~kParamTypeNoList);
    member->SetTemplateObject(templ->GetCopaObject());
    member->SetCopaObject(nullptr);
    member->SetName(IndexedName(templ->GetName(), index));
    holder->AddParam(member);
    SetParamDescriptionsByIndex(&templ->GetDescriptionMap(), member);
    return member;
}

void ResizeFamily(ParamHolder* holder, const CWizardCopaObject3* templ, CPtrArray& members, int order) {
    const int count = static_cast<int>(members.GetSize());
    if (count - 1 < order) {
        for (int i = count; i <= order; ++i) {
            CWizardCopaObject3* member = AppendMember(holder, templ, i);
            if (member == nullptr) break;
            members.SetAtGrow(i, member);
        }
    } else if (count - 1 > order) {
        for (int i = count - 1; i > order; --i) {
            auto* member = static_cast<CWizardCopaObject3*>(members.GetAt(i));
            if (member != nullptr && IndexOfParam(holder, member) >= 0) RetireMember(member);
        }
        members.SetSize(order + 1);
    }
}

void RetireMember(CWizardCopaObject3* member) {
    if (member != nullptr && member->IsDeletable()) member->Delete();
}

std::vector<CString> SplitFields(const CString& list) {
    std::vector<CString> fields;
    CString field;
    for (int i = 0; i < list.GetLength(); ++i) {
        if (list[i] == ',') {
            if (!field.IsEmpty()) fields.push_back(field);
            field.Empty();
        } else {
            field += list[i];
        }
    }
    if (!field.IsEmpty()) fields.push_back(field);
    return fields;
}

} // namespace qv::family
