// A wizard a test made, with its pages open on a sheet as the editor opens them: the opening
// most page tests start with, in one declaration. The pages close before the wizard goes.
#pragma once

#include "tests/support/open_sheet.h"

#include <memory>
#include <utility>

namespace qv_test {

template <class Wizard>
class WizardOnSheet {
public:
    explicit WizardOnSheet(std::unique_ptr<Wizard> wizard) : m_wizard(std::move(wizard)), m_open(*m_wizard) {}

    Wizard* operator->() const { return m_wizard.get(); }
    Wizard& operator*() const { return *m_wizard; }
    auto* Page() { return m_open.Page(); }
    auto* AC() { return m_open.AC(); }
    CPropertySheet& Sheet() { return m_open.Sheet(); }

private:
    std::unique_ptr<Wizard> m_wizard;
    OpenPage<Wizard> m_open;
};

} // namespace qv_test
