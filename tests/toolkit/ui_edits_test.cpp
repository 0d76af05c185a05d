// The browse edit's completions for a typed file name.
#include "toolkit/tb_edits.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

TEST(BrowseEdit, CompletesTheLastPartOfTheTypedPath) {
    std::string tmpl = qv_test::TempFolder() + "/qv_browse_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    std::string dir = tmpl;
    for (const char* name : {"alpha.mdx", "alps.txt", "beta.mdx"}) {
        FILE* f = std::fopen((dir + "/" + name).c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }

    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "#32770", "", 0, CRect(0, 0, 200, 100), nullptr, 0));
    CTBBrowseEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | ES_AUTOHSCROLL, CRect(0, 0, 100, 20), &parent, 2117));
    edit.SetWindowText((dir + "/al").c_str());
    CStringArray out;
    edit.GetCompletions(out);
    EXPECT_EQ(out.GetSize(), 0); // auto-completion is off
    edit.AutoComplete(TRUE);
    edit.GetCompletions(out);
    ASSERT_EQ(out.GetSize(), 2);
    EXPECT_EQ(std::string((LPCTSTR)out[0]), dir + "/alpha.mdx");
    EXPECT_EQ(std::string((LPCTSTR)out[1]), dir + "/alps.txt");
    // A folder written with backslashes is found too; a missing folder offers nothing.
    edit.SetWindowText((dir + "\\b").c_str());
    edit.GetCompletions(out);
    ASSERT_EQ(out.GetSize(), 1);
    edit.SetWindowText("/no/such/folder/x");
    edit.GetCompletions(out);
    EXPECT_EQ(out.GetSize(), 0);

    edit.DestroyWindow();
    parent.DestroyWindow();
    for (const char* name : {"alpha.mdx", "alps.txt", "beta.mdx"}) std::remove((dir + "/" + name).c_str());
    rmdir(dir.c_str());
}

} // namespace
