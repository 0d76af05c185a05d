// Helpers of the parameter-service tests: parameters and sets built in one line.
#pragma once

#include "wizard/wizard.h"

#include <memory>

namespace services_test {

inline CWizardCopaObject3* MakeParam(ParamHolder& holder, WORD valueID, const char* name, const char* value,
                                     DWORD type = 0x4) {
    auto* param = new CWizardCopaObject3;
    param->SetValueID(valueID);
    param->SetName(name);
    param->SetValue(value);
    param->SetType(type);
    holder.AddParam(param);
    return param;
}

inline CWizardCopaObject3* MakeOutputTemplate(ParamHolder& holder, const char* name) {
    auto* templ = new CWizardCopaObject3;
    templ->SetName(name);
    holder.AddOutputTemplate(templ);
    return templ;
}

} // namespace services_test
