// The fixture of the families whose tests make each wizard on a new element of a row table
// and a name, in a document titled "Demo". A family's fixture adds its scratch folder and
// what else its tests share.
#pragma once

#include "tests/support/param_rows.h"
#include "tests/support/plugin_editor_test.h"

#include <memory>
#include <vector>

namespace qv_test {

template <class Row>
class NamedElementTest : public PluginEditorTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PluginEditorTest::SetUp());
        editor->Document().SetTitle("Demo");
    }

    template <class Wizard>
    std::unique_ptr<Wizard> NewWizard(const std::vector<Row>& rows, const char* name, DWORD* element = nullptr) {
        return Attached<Wizard>(MakeHolder(rows, name), element);
    }
};

} // namespace qv_test
