// The dialogs behind a table page's data-file buttons: import (2118) and save as (2119).
#pragma once

#include "afx/afxwin.h"
#include "afx/user_script.h"
#include "toolkit/tb_edits.h"

#include <gtest/gtest.h>

#include <string>

namespace qv_test {

// The data-file name (2117) is the toolkit's browse edit, completing paths as they are typed.
inline void ExpectBrowseFileEdit(CWnd* page) {
    auto* edit = dynamic_cast<CTBBrowseEdit*>(page->GetDlgItem(2117));
    ASSERT_NE(nullptr, edit);
    EXPECT_TRUE(edit->IsAutoComplete());
}

// The file-name edit as ExpectBrowseFileEdit checks it; then clicks import and save as, cancels both dialogs and checks what they offered: every format
// the toolkit reads, and every format it writes, with the entries `readIndex` and `writeIndex`
// (1-based) preselected, both starting at the file `initial`.
inline void ExpectDataFileDialogs(CWnd* page, DWORD readIndex, DWORD writeIndex, const std::string& initial) {
    ExpectBrowseFileEdit(page);
    struct Button {
        int id;
        const char* filter;
        DWORD index;
    };
    const Button buttons[] = {
        {2118, "MDX Files (*.mdx)|*.mdx|Text Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv", readIndex},
        {2119, "MDX Files (*.mdx)|*.mdx", writeIndex},
    };
    auto& script = qv::UserScript::Instance();
    for (const Button& button : buttons) {
        script.ExpectFileDialogCancel();
        ASSERT_TRUE(qv::ui::Click(page, button.id));
        const qv::ShownInteraction& shown = script.Shown().back();
        EXPECT_EQ(button.filter, shown.filter) << button.id;
        EXPECT_EQ(button.index, shown.filterIndex) << button.id;
        EXPECT_EQ(initial, shown.initial) << button.id;
    }
}

} // namespace qv_test
