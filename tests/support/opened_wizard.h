// A new element's wizard with its pages open, as the user finds it when the editor opens the
// element's properties.
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

// The wizard, initialised and with its pages open on a sheet; a test takes it apart as
// `auto [wizard, open, page] = OpenedWizard(NewWizard<...>(...));`. The sheet closes before
// the wizard goes.
template <class Wizard>
struct OpenedWizard {
    explicit OpenedWizard(std::unique_ptr<Wizard> made)
        : wizard(Initialized(std::move(made))), open(*wizard), page(open.Page()) {}

    std::unique_ptr<Wizard> wizard;
    OpenPage<Wizard> open;
    decltype(std::declval<Wizard&>().GetPage()) page;
};

} // namespace qv_test
