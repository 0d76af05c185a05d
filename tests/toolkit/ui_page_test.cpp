// A toolkit page made from a dialog template, as the library's pages use it: member controls
// attached to the template's controls, the editable list's notification reaching the page,
// unit selector filled, layout following WM_SIZE.
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_page.h"
#include "toolkit/tb_sheet.h"
#include "toolkit/tb_unit_combo.h"
#include "afx/user_script.h"
#include "win32/module.h"

#include "win32/profile.h"

#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

const UINT kTestPage = 30000;
const UINT kEdit = 30001, kCombo = 30007, kButton = 30009, kList = 30010;

class TestPage : public CTBPropertyPage {
public:
    CTBEditListCtrl m_list;
    CTBUnitComboBox m_units;
    std::vector<std::pair<WPARAM, LPARAM>> cellEdits;
    int initCount = 0;

    TestPage() : CTBPropertyPage(kTestPage, 0) {
        SetControlInfo(kEdit, TB_LAYOUT_LEFT | TB_LAYOUT_RIGHT | TB_LAYOUT_TOP);
        SetControlInfo(kButton, TB_LAYOUT_RIGHT | TB_LAYOUT_TOP);
        SetControlInfo(kList, TB_LAYOUT_LEFT | TB_LAYOUT_RIGHT | TB_LAYOUT_TOP | TB_LAYOUT_BOTTOM);
    }
    virtual void DoDataExchange(CDataExchange* pDX) {
        CTBPropertyPage::DoDataExchange(pDX);
        DDX_Control(pDX, kList, m_list);
        DDX_Control(pDX, kCombo, m_units);
    }
    virtual BOOL OnInitDialog() {
        ++initCount;
        CTBPropertyPage::OnInitDialog();
        m_list.InsertEditColumn(0, "No.", LVCFMT_LEFT, 50, 0);
        m_list.InsertEditColumn(1, "x-axis : ", LVCFMT_LEFT, 50, 0);
        m_list.InitializeCtrl(1, 1);
        m_list.InitializeColumnSize(0, "WIZColumnWidths", "PageTest");
        m_list.InsertEditItem(0, "1", TB_EDIT_NONE, "", 0);
        m_list.SetEditItemText(0, 1, "0", TB_EDIT_NUMBER, "");
        m_units.DisableFlatLook(TRUE);
        m_units.CreateDialogControl("Voltage");
        m_units.SelectString(-1, "mV");
        return TRUE;
    }
    LRESULT OnCellEdited(WPARAM w, LPARAM l) {
        cellEdits.emplace_back(w, l);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestPage, CTBPropertyPage)
    ON_MESSAGE(WM_USER + 1000, &TestPage::OnCellEdited)
END_MESSAGE_MAP()

class PageTest : public ::testing::Test {
protected:
    void SetUp() {
        module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
        ASSERT_NE(module, nullptr);
        oldResources = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
        // Column widths go to a profile file of the test's own.
        profile = qv_test::TempFolder() + "/page_test_" + std::to_string(getpid()) + ".ini";
        profileVariable.emplace("QV_USER_PROFILE", profile);
    }
    void TearDown() {
        AfxSetResourceHandle(oldResources);
        if (module) FreeLibrary(module);
        profileVariable.reset();
        std::remove(profile.c_str());
    }
    std::string profile;
    std::optional<qv_test::ScopedEnv> profileVariable;
    HMODULE module = nullptr;
    HINSTANCE oldResources = nullptr;
};

TEST_F(PageTest, PageControlsWorkThroughTheTemplate) {
    TestPage page;
    CTBPropertySheet sheet("Characteristic", nullptr, 0);
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    ASSERT_NE(page.GetSafeHwnd(), nullptr);
    EXPECT_EQ(page.initCount, 1);

    // The member list is the template's list: a user's cell edit reaches the page once.
    ASSERT_TRUE(qv::ui::EditListCell(page.GetDlgItem(kList), 0, 1, "2.5"));
    ASSERT_EQ(page.cellEdits.size(), 1u);
    EXPECT_EQ(page.cellEdits[0].first, kList);
    EXPECT_EQ(page.cellEdits[0].second, MAKELPARAM(0, 1));
    EXPECT_EQ(page.m_list.GetItemText(0, 1), "2.5");

    // The unit selector lists the units of the quantity with the used unit selected.
    EXPECT_GT(page.m_units.GetCount(), 1);
    CString unit;
    page.m_units.GetLBText(page.m_units.GetCurSel(), unit);
    EXPECT_EQ(unit, "mV");
    EXPECT_TRUE(page.m_units.IsFlatLookDisabled());

    // Layout: the page grows by 100 x 40 pixels.
    CRect client, edit0, button0, list0;
    page.GetClientRect(&client);
    page.GetDlgItem(kEdit)->GetWindowRect(&edit0);
    page.GetDlgItem(kButton)->GetWindowRect(&button0);
    page.GetDlgItem(kList)->GetWindowRect(&list0);
    page.SendMessage(WM_SIZE, 0, MAKELPARAM(client.Width() + 100, client.Height() + 40));
    CRect edit1, button1, list1;
    page.GetDlgItem(kEdit)->GetWindowRect(&edit1);
    page.GetDlgItem(kButton)->GetWindowRect(&button1);
    page.GetDlgItem(kList)->GetWindowRect(&list1);
    EXPECT_EQ(edit1.Width(), edit0.Width() + 100);
    EXPECT_EQ(button1.left, button0.left + 100);
    EXPECT_EQ(button1.Width(), button0.Width());
    EXPECT_EQ(list1.Height(), list0.Height() + 40);
    EXPECT_EQ(page.GetControlInfo(kButton), TB_LAYOUT_RIGHT | TB_LAYOUT_TOP);

    // Closing the sheet destroys the list, which stores its column widths.
    page.m_list.SetColumnWidth(1, 77);
    sheet.DestroyWindow();
    char widths[64] = {};
    GetProfileStringA("WIZColumnWidths", "PageTest", "", widths, sizeof widths);
    EXPECT_STREQ(widths, "50,77");
}

class TestDialog : public CTBDialog {
public:
    int sizes = 0;
    TestDialog() : CTBDialog(kTestPage, nullptr) { SetControlInfo(kButton, TB_LAYOUT_RIGHT | TB_LAYOUT_BOTTOM); }
    // A dialog that handles WM_SIZE itself and passes it on, as the library's dialogs do.
    void OnSize(UINT nType, int cx, int cy) {
        ++sizes;
        CTBDialog::OnSize(nType, cx, cy);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CTBDialog)
    ON_WM_SIZE()
END_MESSAGE_MAP()

TEST_F(PageTest, DialogLayoutFollowsSizeThroughDerivedHandlers) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create(kTestPage, nullptr));
    CRect client, before, after;
    dlg.GetClientRect(&client);
    dlg.GetDlgItem(kButton)->GetWindowRect(&before);
    dlg.SendMessage(WM_SIZE, 0, MAKELPARAM(client.Width() + 30, client.Height() + 20));
    dlg.GetDlgItem(kButton)->GetWindowRect(&after);
    EXPECT_EQ(dlg.sizes, 1);
    EXPECT_EQ(after.TopLeft(), before.TopLeft() + CSize(30, 20));
    EXPECT_EQ(after.Size(), before.Size());
    dlg.DestroyWindow();
}

TEST_F(PageTest, BitmapsComeFromTheResourcesWithTheirSize) {
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(138));
    BITMAP info{};
    ASSERT_NE(bmp.GetBitmap(&info), 0);
    EXPECT_EQ(info.bmWidth, 240);
    EXPECT_EQ(info.bmHeight, 16);
    CBitmap missing;
    EXPECT_FALSE(missing.LoadBitmap(1));
    EXPECT_EQ(missing.GetSafeHandle(), nullptr);

    CDC dc, mem;
    mem.CreateCompatibleDC(&dc);
    mem.SelectObject(&bmp);
    dc.BitBlt(3, 4, info.bmWidth, info.bmHeight, &mem, 0, 0, SRCCOPY);
    ASSERT_EQ(dc.GetDisplayList().items.size(), 1u);
    EXPECT_EQ(dc.GetDisplayList().items[0].imageId, 138);
    EXPECT_EQ(CRect(dc.GetDisplayList().items[0].rect), CRect(3, 4, 243, 20));
}

} // namespace
