// What the tests of older-base wizards add to a family's fixture: wizards attached to one
// element whose parameters the older base's exchange object holds.
#pragma once

#include "tests/support/param_rows.h"
#include "tests/support/plugin_editor_test.h"

#include <memory>
#include <vector>

namespace qv_test {

// The same parameters as a data-exchange object of the older base.
template <class Row>
std::unique_ptr<ParamHolder> MakeExchange(const std::vector<Row>& rows, const char* name) {
    return MakeHolder<CWizardSchematicDataExchange3>(rows, name);
}

template <class Base>
class OlderElementTest : public Base {
protected:
    template <class Wizard, class Row>
    std::unique_ptr<Wizard> NewOlder(const std::vector<Row>& rows, const char* name) {
        return this->template Attached<Wizard>(MakeExchange(rows, name), &element);
    }
    CWizardSchematicDataExchange3* Exchange() { return this->editor->Exchange(element); }

    DWORD element = 0;
};

// A fixture whose wizards all stand for elements of one name: New<Wizard>(rows).
template <class Base, const char* Name>
class OneNameOlderTest : public Base {
protected:
    template <class Wizard, class Row>
    std::unique_ptr<Wizard> New(const std::vector<Row>& rows) {
        return this->template NewOlder<Wizard>(rows, Name);
    }
};

} // namespace qv_test
