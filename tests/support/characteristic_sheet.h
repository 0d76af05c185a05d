// What a user does in the characteristic's own sheet, which many element pages open for their
// table: a reference to a table element's values, a table variable named inline, or data pairs
// typed into the table.
#pragma once

#include "afx/afxwin.h"
#include "afx/user_script.h"

#include <gtest/gtest.h>

namespace qv_test {

// Two new rows in the table page's list; the second point becomes (x, y).
inline void TypeTwoPairs(CPropertyPage* table, const char* x, const char* y) {
    ASSERT_TRUE(qv::ui::Click(table, 2397));
    ASSERT_TRUE(qv::ui::Click(table, 1122));
    ASSERT_TRUE(qv::ui::Click(table, 1122));
    CWnd* list = table->GetDlgItem(2121);
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 1, x));
    ASSERT_TRUE(qv::ui::EditListCell(list, 1, 2, y));
}

// The sheet's table page as a look-up table of the points (0, 0) and (1, y).
inline void EnterPairs(CPropertySheet& inner, const char* y) {
    CPropertyPage* table = inner.GetActivePage();
    ASSERT_NE(nullptr, table);
    ASSERT_TRUE(qv::ui::Click(table, 2114));
    TypeTwoPairs(table, "1", y);
}

// The sheet's table page as a file reference named by the variable.
inline void EnterReference(CPropertySheet& inner, const char* variable) {
    CPropertyPage* table = inner.GetActivePage();
    ASSERT_NE(nullptr, table);
    ASSERT_TRUE(qv::ui::Click(table, 2114));
    ASSERT_TRUE(qv::ui::Click(table, 2330));
    ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2395), variable));
}

// How the table is given: a reference to a table element's values, a table variable named
// inline, or two data pairs typed in (0/0 and 1/1m).
enum class CharacteristicForm { Reference, Inline, DataPairs };

// `name` is the reference or the variable's name.
inline void EnterCharacteristic(CPropertySheet& inner, CharacteristicForm form, const char* name = "") {
    if (form == CharacteristicForm::Inline) return EnterReference(inner, name);
    if (form == CharacteristicForm::DataPairs) return EnterPairs(inner, "1m");
    CPropertyPage* table = inner.GetActivePage();
    ASSERT_NE(nullptr, table);
    ASSERT_TRUE(qv::ui::Click(table, 2111));
    ASSERT_TRUE(qv::ui::TypeText(table->GetDlgItem(2113), name));
}

} // namespace qv_test
