// Checks of the edit cycle that every wizard with a page goes through alike: the editor edits
// an element a second time before it ended the first edit.
#pragma once

#include "afx/user_script.h"
#include "editor/schematic_editor.h"
#include "platform/wizard/wizardbase.h"

#include <gtest/gtest.h>

#include <optional>

namespace qv_test {

// Two edits in mode 1 on two sheets, then the end of the edit: only one parameter set is out
// while the second sheet stands and after both close, and none once the edit ends. With
// `closeFirstSheet` the editor closes the first sheet before it opens the second.
inline void ExpectSecondEditGivesTheFirstSetBack(CWizardBase4& wizard, qv::SchematicEditor& editor,
                                                 bool closeFirstSheet) {
    {
        std::optional<CPropertySheet> first(std::in_place, "Element");
        ASSERT_TRUE(wizard.DoEditProperties(*first, 1));
        if (closeFirstSheet) first.reset();
        CPropertySheet second("Element");
        ASSERT_TRUE(wizard.DoEditProperties(second, 1));
        EXPECT_EQ(1, editor.OutstandingCookies());
    }
    EXPECT_EQ(1, editor.OutstandingCookies());
    wizard.EndEditProperties();
    EXPECT_EQ(0, editor.OutstandingCookies());
}

// Two edits in mode 1 on two created sheets, the first never ended, by a wizard that makes a new
// page for the second: the first sheet no longer holds the page the wizard deleted, and both
// sheets apply. `edit(sheet)` starts one edit and answers whether it succeeded.
template <class Edit>
void ExpectSecondEditLeavesNoDeletedPage(Edit edit) {
    CPropertySheet first("Element");
    ASSERT_TRUE(edit(first));
    ASSERT_TRUE(first.Create());
    CPropertySheet second("Element");
    ASSERT_TRUE(edit(second));
    ASSERT_TRUE(second.Create());
    EXPECT_EQ(0, first.GetPageCount());
    EXPECT_TRUE(qv::ui::Apply(&first));
    EXPECT_TRUE(qv::ui::Apply(&second));
    first.DestroyWindow();
    second.DestroyWindow();
}

} // namespace qv_test
