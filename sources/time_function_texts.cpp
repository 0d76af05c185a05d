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

bool PeriodFieldText(bool trapezoid, const CString& rise, const CString& width, const CString& fall,
                     const CString& frequency, CString* period) {
    if (trapezoid) {
        double r = 0.0;
        double w = 0.0;
        double f = 0.0;
        const bool numbers =
            ParseFinite(rise, &r) && ParseFinite(width, &w) && ParseFinite(fall, &f) && std::isfinite(r + w + f);
        // A sum that is no finite number stays the formula, as the model-text writer keeps it.
        *period = numbers ? TBExtended_ftoa(r + w + f, -1, 0, "") : " " + rise + " + " + width + " + " + fall;
        return true;
    }
    double value = 0.0;
    if (!ParseFinite(frequency, &value)) {
        *period = "1/(" + frequency + ")";
        return true;
    }
    if (value == 0.0) return false;
    const double reciprocal = 1.0 / value;
    *period = std::isfinite(reciprocal) ? TBExtended_ftoa(reciprocal, -1, 0, "") : "1/(" + frequency + ")";
    return true;
}

CString AmplitudeFromRMSText(const CString& rms) {
    double value = 0.0;
    const bool number = ParseFinite(rms, &value) && std::isfinite(value * std::sqrt(2.0));
    return number ? TBExtended_ftoa(value * std::sqrt(2.0), -1, 0, "") : rms + " * sqrt(2.0)";
}

BOOL DerivePeriodFromParams(ParamHolder* holder, bool trapezoid, CString* period) {
    if (trapezoid) {
        CString rise;
        CString width;
        CString fall;
        if (!GetParamValue(holder, kIdRise, &rise) || !GetParamValue(holder, kIdWidth, &width) ||
            !GetParamValue(holder, kIdFall, &fall))
            return FALSE;
        *period = MakeSumText(rise, width, fall);
        return TRUE;
    }
    CString frequency;
    if (!GetParamValue(holder, kIdFrequency, &frequency)) return FALSE;
    *period = MakeReciprocalText(frequency);
    return TRUE;
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
