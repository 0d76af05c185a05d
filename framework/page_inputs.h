// The walk over the parameters a block page reads and writes, for pages that hold a parameter
// set of their own rather than the older base's data-exchange object.
#pragma once

#include "framework/older_base_block.h"

namespace qv::blocks {

// Calls `visit(param)` for every parameter of the set that the page reads and writes
// (qv::pages::IsLiveInput), in the set's order; a null set has none.
template <class Visit>
void ForEachPageInput(ParamHolder* holder, Visit visit) {
    for (int i = 0; holder != nullptr && i < holder->GetParamCount(); ++i) {
        CWizardCopaObject3* param = holder->GetParam(i);
        if (qv::pages::IsLiveInput(param)) visit(param);
    }
}

} // namespace qv::blocks
