// What a wizard writes into a model text under a template, for the checks that the writing
// asks the editor nothing.
#pragma once

#include "editor/schematic_editor.h"
#include "platform/wizard/wizardbase.h"

#include <gtest/gtest.h>

#include <string>

namespace qv_test {

// The text the wizard makes of `model` under the template; it must answer 4 and send no
// request to the editor.
inline std::string WrittenAskingNothing(CWizardBase4& wizard, const qv::SchematicEditor& editor, const char* templ,
                                        const char* model) {
    CString text = model;
    EXPECT_EQ(4, wizard.WriteSimDescr(nullptr, templ, text));
    EXPECT_TRUE(editor.Requests().empty());
    return text.str();
}

} // namespace qv_test
