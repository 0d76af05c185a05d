// The wizard steps that the VCO and the polynomial source (both on CSourceTypeWizardBase4)
// take alike on hidden pages of their own. `Hidden` is the family's set of hidden pages: made
// from the wizard and the fetched parameter set, it offers Ready(), CreateWindow(), the page
// and its AC page (see qv::pages::HiddenACPages).
#pragma once

#include "framework/requests.h"

namespace qv::sources::source_type {

// Argument 0 (a new element) lets a hidden page store its defaults, a voltage source with
// phase and magnitude; any other argument is returned as it is.
template <class Hidden, class Wizard>
BOOL InitializeNew(Wizard& wizard, int argument) {
    if (argument != 0) return argument;
    ScopedParamSet params{RequestTarget(&wizard)};
    Hidden hidden(wizard, params.Holder());
    if (!hidden.Ready() || !hidden.CreateWindow()) return TRUE;
    hidden.page->StoreToWizard(1);
    return TRUE;
}

// The list rebuilt on a hidden page from the wizard's own source type and AC mode: a
// configured current source stays one.
template <class Hidden, class Wizard>
void RebuildList(Wizard& wizard) {
    ScopedParamSet params{RequestTarget(&wizard)};
    Hidden hidden(wizard, params.Holder());
    if (!hidden.Ready()) return;
    hidden.ac->SetMode(wizard.GetACMode());
    hidden.page->SetSourceSettings(wizard.GetSourceType(), nullptr);
    if (hidden.CreateWindow()) hidden.page->StoreToWizard(1);
}

// Element data of the older wizard generation read by a hidden page.
template <class Hidden, class Wizard>
BOOL ConvertOlderData(Wizard& wizard, const void* data, long length) {
    ScopedParamSet params{RequestTarget(&wizard)};
    Hidden hidden(wizard, params.Holder());
    if (!hidden.Ready() || !hidden.CreateWindow()) return TRUE;
    hidden.page->ConvertWizard3Data(data, length);
    return TRUE;
}

} // namespace qv::sources::source_type
