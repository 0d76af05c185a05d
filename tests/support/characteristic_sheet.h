// A user's steps in the characteristic sheet that a page opens for its table, answered in the
// tests of every element that takes a characteristic.
#pragma once

#include "afx/afxwin.h"
#include "afx/user_script.h"

#include <gtest/gtest.h>

namespace qv_test {

// How the table is given: a reference to a table element's values, a table variable named
// inline, or two data pairs typed in (0/0 and 1/1m).
enum class CharacteristicForm { Reference, Inline, DataPairs };

// `name` is the reference or the variable's name.
inline void EnterCharacteristic(CPropertySheet& inner, CharacteristicForm form, const char* name = "") {
    CPropertyPage* table = inner.GetActivePage();
    ASSERT_NE(nullptr, table);
    if (form == CharacteristicForm::Reference) {
        ASSERT_TRUE(qv::ui::Click(table, 2111));
        ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2113), name));
        return;
    }
    ASSERT_TRUE(qv::ui::Click(table, 2114));
    if (form == CharacteristicForm::Inline) {
        ASSERT_TRUE(qv::ui::Click(table, 2330));
        ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2395), name));
        return;
    }
    ASSERT_TRUE(qv::ui::Click(table, 2397));
    ASSERT_TRUE(qv::ui::Click(table, 1122));
    ASSERT_TRUE(qv::ui::Click(table, 1122));
    CWnd* list = table->GetDlgItem(2121);
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 1, "1"));
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 2, "1m"));
}

} // namespace qv_test
