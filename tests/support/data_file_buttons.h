// The dialogs behind a table page's data-file buttons: import (2118) and save as (2119).
#pragma once

#include "afx/afxwin.h"
#include "afx/user_script.h"
#include "tests/support/text_files.h"
#include "toolkit/tb_edits.h"

#include <gtest/gtest.h>

#include <filesystem>
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

// "Save as" (2119, enabled) writes the table under the name the writers give the answered one
// ("x.data" and "x.csv" become "x.mdx", "x" gets the format's ".mdx"): when a file of that name
// is there, which the dialog did not ask about, it is replaced only after a yes to the question
// about it, and the file-name edit (2117) then shows the name written, `shown` in front of it.
inline void ExpectSaveAsAsksBeforeReplacingTheFileItWrites(CWnd* page, const std::filesystem::path& folder,
                                                           const std::string& shown) {
    const std::string kept = "MDX 1\nchannels 2\nitems 1\nchannel \"volt\" \"\"\nchannel \"amp\" \"\"\ndata\n1 2\nend\n";
    const struct {
        const char* answer;
        const char* written;
        bool there;  // the written file is there before
        int reply;   // to the question; 0: none is asked
    } cases[] = {
        {"saved.data", "saved.mdx", true, IDNO},
        {"saved.data", "saved.mdx", true, IDYES},
        {"picked", "picked.mdx", true, IDYES},
        {"fresh.csv", "fresh.mdx", false, 0},
    };
    auto& script = qv::UserScript::Instance();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.answer) + " " + std::to_string(c.reply));
        const std::filesystem::path written = folder / c.written;
        if (c.there) WriteFile(written, kept);
        CString before;
        page->GetDlgItem(2117)->GetWindowText(before);
        script.ExpectFileDialog((folder / c.answer).string());
        if (c.reply != 0) script.ExpectMessageBox(c.reply, std::string(c.written) + " already exists.\nDo you want to replace it?");
        ASSERT_TRUE(qv::ui::Click(page, 2119));
        EXPECT_FALSE(std::filesystem::exists(folder / c.answer));
        CString after;
        page->GetDlgItem(2117)->GetWindowText(after);
        if (c.reply == IDNO) {
            EXPECT_EQ(kept, ReadFile(written));
            EXPECT_EQ(before, after);
            continue;
        }
        const std::string table = ReadFile(written);
        EXPECT_NE(kept, table);
        EXPECT_EQ(0u, table.rfind("MDX 1\n", 0)) << table;
        EXPECT_EQ(shown + c.written, after.str());
    }
}

// A file of four channels, which no table page reads.
inline const std::string kFourChannels = "MDX 1\nchannels 4\nitems 1\nchannel \"a\" \"\"\nchannel \"b\" \"\"\n"
                                        "channel \"c\" \"\"\nchannel \"d\" \"\"\ndata\n1 2 3 4\nend\n";

// The sheet of a page that refused, as it opened, the file its file-name parameter named: an
// apply writes over that file only after a yes to the question about it, and a no refuses it.
inline void ExpectApplyAsksBeforeReplacingTheRefusedFile(CPropertySheet& sheet, const std::filesystem::path& file) {
    const std::string refused = ReadFile(file);
    for (int reply : {IDNO, IDYES}) {
        qv::UserScript::Instance().ExpectMessageBox(reply, file.filename().string() +
                                                               " already exists.\nDo you want to replace it?");
        EXPECT_EQ(reply == IDYES, qv::ui::Apply(&sheet)) << reply;
        EXPECT_EQ(reply == IDNO, ReadFile(file) == refused) << reply;
    }
}

} // namespace qv_test
