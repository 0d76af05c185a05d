// Wizards on the AC base (`CACWizardBase4`) put the AC page on the sheet in every mode; with
// mode 1 their own page goes first. TACPageWizard4 is the shared page-wizard template with that
// one difference: the AC base's pages follow the wizard's own page whatever the mode.
#pragma once

#include "framework/ac_parameters.h"
#include "framework/page_wizard.h"

namespace qv::wizards {

template <class Page, class Self, class Base = CACWizardBase4>
class TACPageWizard4 : public TPageWizard4<Page, Self, Base> {
    using Editing = TPageWizard4<Page, Self, Base>;

public:
    using Editing::Editing;

    // TRUE when either the wizard's own page or the AC base's pages were added.
    BOOL DoEditProperties(CPropertySheet& sheet, UINT mode) override {
        const BOOL added = mode == 1 && Editing::DoEditProperties(sheet, 1);
        const BOOL acAdded = Base::DoEditProperties(sheet, mode);
        return added || acAdded;
    }
};

} // namespace qv::wizards
