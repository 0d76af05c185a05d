// A wizard a test made, with its pages open on a sheet as the editor opens them: the opening
// most page tests start with, in one declaration. The pages close before the wizard goes.
#pragma once

#include "tests/support/open_sheet.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace qv_test {

// The wizard, initialised as the editor does before it opens the pages.
template <class Wizard>
std::unique_ptr<Wizard> Initialized(std::unique_ptr<Wizard> wizard) {
    EXPECT_TRUE(wizard->Initialize(0));
    return wizard;
}

// Used through its accessors (`wizard->`, `wizard.Page()`), or taken apart as
// `auto [wizard, open, page] = OpenedWizard(...)`; `page` is the page as it was at opening.
template <class Wizard>
struct WizardOnSheet {
    explicit WizardOnSheet(std::unique_ptr<Wizard> made)
        : wizard(std::move(made)), open(*wizard), page(open.Page()) {}

    Wizard* operator->() const { return wizard.get(); }
    Wizard& operator*() const { return *wizard; }
    auto* Page() { return open.Page(); }
    auto* AC() { return open.AC(); }
    CPropertySheet& Sheet() { return open.Sheet(); }

    std::unique_ptr<Wizard> wizard;
    OpenPage<Wizard> open;
    decltype(std::declval<Wizard&>().GetPage()) page;
};

// The wizard, initialised and with its pages open on a sheet.
template <class Wizard>
WizardOnSheet<Wizard> OpenedWizard(std::unique_ptr<Wizard> made) {
    return WizardOnSheet<Wizard>(Initialized(std::move(made)));
}

} // namespace qv_test
