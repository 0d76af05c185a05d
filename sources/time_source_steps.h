// The wizard steps that the two families of time-function sources take alike: the linear
// voltage and current sources (wizard IDs 3 and 4) and the linear sources of other domains
// (wizard IDs 104 and 105). The settings go between wizard and page through the shared wizard
// base (GiveSettingsTo, TakeList); each family names what differs in a small description:
//
//   struct Family {
//       using Wizard = ...;                        // the family's wizard base
//       static constexpr UINT kTemplate = ...;     // the page's dialog template
//       static CString TypeKeyword(int kind);      // what "@TYPE" becomes
//   };
#pragma once

#include "afx/afxwin.h"
#include "framework/ac_parameters.h"
#include "framework/ac_page_steps.h"
#include "framework/immanent_template.h"
#include "framework/model_text_builders.h"
#include "framework/module.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "sources/linear_sources.h"
#include "sources/time_function_texts.h"

#include <new>

namespace qv::sources::steps {

// "@TYPE" keywords of the six time functions, by kind; the families put their own prefix
// (or none) before them.
inline constexpr const char* kTimeFunctionKeywords[kKindCount] = {"SINE ",   "PULSE ",   "TRIANG ",
                                                                  "TRAPEZ ", "ST_RISE ", "ST_FALL "};

// Hidden pages of its own; the AC page starts in the wizard's AC mode.
template <class Family, class Page>
struct HiddenPages : qv::pages::HiddenACPages<Page> {
    HiddenPages(typename Family::Wizard& wizard, ParamHolder* params)
        : qv::pages::HiddenACPages<Page>(wizard, params, Family::kTemplate) {
        if (this->Ready()) this->ac->SetMode(wizard.GetACMode());
    }
};

// Argument 0 lets a hidden page store its defaults; otherwise the wizard's own settings build
// the list on a hidden page, which then marks the unused parameters.
template <class Family, class Page>
BOOL InitializeWith(typename Family::Wizard& wizard, int argument) {
    const RequestTarget target(&wizard);
    ScopedParamSet params(target);
    HiddenPages<Family, Page> hidden(wizard, params.Holder());
    if (!hidden.Ready()) return TRUE;
    if (argument != 0) wizard.GiveSettingsTo(*hidden.page);
    if (!hidden.CreateWindow()) return TRUE;
    if (argument == 0) {
        hidden.page->StoreSettings(1);
        return TRUE;
    }
    hidden.page->BuildCompareList(wizard.GetKind());
    wizard.TakeList(hidden.page->GetSnapshots());
    hidden.page->MarkUnusedParameters();
    CommitParamSet(target, params.Cookie());
    return TRUE;
}

// The wizard's own settings through a hidden page into a list: what WriteSimDescr needs when
// the wizard has none yet, without resetting a configured element to the page's defaults.
template <class Family, class Page>
void RebuildListFromSettings(typename Family::Wizard& wizard) {
    ScopedParamSet params{RequestTarget(&wizard)};
    HiddenPages<Family, Page> hidden(wizard, params.Holder());
    if (!hidden.Ready()) return;
    wizard.GiveSettingsTo(*hidden.page);
    if (!hidden.CreateWindow()) return;
    hidden.page->StoreSettings(1);
}

template <class Family, class Page>
BOOL ConvertWith(typename Family::Wizard& wizard, const void* data, long length) {
    ScopedParamSet params{RequestTarget(&wizard)};
    HiddenPages<Family, Page> hidden(wizard, params.Holder());
    if (!hidden.Ready() || !hidden.CreateWindow()) return TRUE;
    hidden.page->ConvertWizard3Data(data, length);
    hidden.page->MarkUnusedParameters();
    return TRUE;
}

template <class Family, class Page>
int WriteDescription(typename Family::Wizard& wizard, const CString& templ, CString& modelText) {
    // Only a template that carries "IMMANENT" gets a model text.
    if (!qv::modeltext::IsImmanentTemplate(templ)) return 4;
    if (wizard.GetSnapshots().GetSize() == 0) RebuildListFromSettings<Family, Page>(wizard);

    const RequestTarget target(&wizard);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    const int kind = wizard.GetKind();
    // The kind stands in the place of the mode word: -1 carries the file-reference bit, so
    // the constant quotes no value.
    BuildPinAssignmentList(modelText, &wizard.GetSnapshots(), static_cast<DWORD>(kind), holder, nullptr);
    ReplacePlaceholder(modelText, "@TYPE", Family::TypeKeyword(kind), 0);

    if (!wizard.GetPeriodGiven()) {
        CString period;
        // Every kind but the trapezoid (the constant included) takes the period from the frequency.
        if (DerivePeriodFromParams(holder, kind == kKindTrapezoid, &period) && SetParamValue(holder, kIdPeriod, period))
            CommitParamSet(target, params.Cookie());
    }

    ResolveSourcePlaceholders(target, params.Cookie(), holder, modelText);
    return 4;
}

} // namespace qv::sources::steps

template <class Page, class Self, class Base, class Family>
int TTimeSourceWizard<Page, Self, Base, Family>::WriteSimDescr(CFile*, const CString& templ, CString& modelText) {
    return qv::sources::steps::WriteDescription<Family, Page>(*this, templ, modelText);
}

template <class Page, class Self, class Base, class Family>
BOOL TTimeSourceWizard<Page, Self, Base, Family>::Initialize(int argument) {
    return qv::sources::steps::InitializeWith<Family, Page>(*this, argument);
}

template <class Page, class Self, class Base, class Family>
BOOL TTimeSourceWizard<Page, Self, Base, Family>::DoConvertWizard3Data(const void* data, long length) {
    return qv::sources::steps::ConvertWith<Family, Page>(*this, data, length);
}
