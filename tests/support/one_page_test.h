// A fixture for tests that mostly drive the page of one wizard: OpenWizardPage attaches a
// wizard of the rows to a new element of the base fixture and opens its page; both live until
// the test ends or the next call, which closes the page before it lets the wizard go.
#pragma once

#include "tests/support/open_sheet.h"

#include <memory>

namespace qv_test {

template <class Wizard, class Base>
class OnePageTest : public Base {
protected:
    template <class Rows>
    auto* OpenWizardPage(const Rows& rows) {
        open.reset();
        wizard = this->template NewWizard<Wizard>(rows, &element);
        return OpenTheWizardsPage();
    }
    // For base fixtures whose elements are made under a name.
    template <class Rows>
    auto* OpenWizardPage(const Rows& rows, const char* name) {
        open.reset();
        wizard = this->template NewWizard<Wizard>(rows, name, &element);
        return OpenTheWizardsPage();
    }
    void TearDown() override {
        open.reset();
        wizard.reset();
        Base::TearDown();
    }
    DWORD element = 0;
    std::unique_ptr<Wizard> wizard;
    std::unique_ptr<OpenPage<Wizard>> open;

private:
    auto* OpenTheWizardsPage() {
        open = std::make_unique<OpenPage<Wizard>>(*wizard);
        return open->Page();
    }
};

} // namespace qv_test
