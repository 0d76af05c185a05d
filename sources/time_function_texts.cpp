#include "sources/time_function_texts.h"

#include "framework/ac_parameters.h"
#include "framework/data_classes.h"
#include "framework/model_text_builders.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/prefixed_numbers.h"
#include "sources/linear_sources.h"
#include "toolkit/tb_numbers.h"

#include <cmath>

namespace qv::sources {

bool ParseFinite(const CString& text, double* value) {
    return ParseValueWithPrefix(text, value) && std::isfinite(*value);
}

void ResolveSourcePlaceholders(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                               CString& modelText) {
    for (int i = static_cast<int>(g_PlaceholderList.GetSize()) - 1; i >= 0; --i) {
        CCopaObjectCompare* entry = g_PlaceholderList.GetEntry(i);
        if (entry == nullptr) continue;
        const CString name = entry->GetName();
        if (name == "@PHASE") {
            if (CWizardCopaObject3* phase = FindParamByValueID(holder, kIdPhase)) phase->SetUsedUnit("rad");
            CommitParamSet(target, cookie);
            ReplacePlaceholder(modelText, "@PHASE", "PHASE", 0);
        } else if (name == "@AC_PHASE_PHI") {
            if (CWizardCopaObject3* phase = FindParamByValueID(holder, qv::ac::kIdPhase)) phase->SetUsedUnit("rad");
            CommitParamSet(target, cookie);
            ReplacePlaceholder(modelText, "@AC_PHASE_PHI", "@AC_PHASE", 0);
        } else if (name == "@AC_PHASE") {
            BuildACPhaseExpr(entry, holder, qv::ac::kIdReal, qv::ac::kIdImaginary, &modelText);
        } else if (name == "@AC_MAG") {
            BuildACMagnitudeExpr(entry, holder, qv::ac::kIdReal, qv::ac::kIdImaginary, &modelText);
        } else if (name == "@AC_MAG_VAL") {
            ReplaceACMagnitude(holder, &modelText, qv::ac::kIdMagnitude, kIdValue);
        } else if (name == "@AC_PHASE_VAL") {
            ReplaceACPhase(holder, &modelText, qv::ac::kIdPhase, kIdValue);
        }
        // The list owns its entries: each leaves the list, then it is deleted.
        g_PlaceholderList.DiscardAt(i);
    }
}

} // namespace qv::sources
