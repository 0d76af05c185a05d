// The editable list: cell edits and their one notification, edit types, rows, column widths
// in the per-user profile; the unit selector.
#include "toolkit/tb_edit_list.h"
#include "toolkit/tb_unit_combo.h"
#include "toolkit/tb_units.h"
#include "afx/user_script.h"
#include "win32/profile.h"

#include "tests/support/list_parent.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>
#include <unistd.h>

namespace {

const UINT kListId = 2121;

using qv_test::ListMessage;
using qv_test::ListParent;

// A per-user profile file of the test's own.
class ProfileFile {
public:
    ProfileFile() : path_(NewFile()), env_("QV_USER_PROFILE", path_) {}
    ~ProfileFile() { std::remove(path_.c_str()); }
    std::string Read() const {
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    static std::string NewFile() {
        std::string tmpl = qv_test::TempFolder() + "/qv_ui_profile_XXXXXX";
        int fd = mkstemp(tmpl.data());
        if (fd >= 0) close(fd);
        return tmpl;
    }
    std::string path_;
    qv_test::ScopedEnv env_;
};

class EditListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.Open(list, kListId));
        list.InsertEditColumn(0, "No.", LVCFMT_LEFT, 50, 0);
        list.InsertEditColumn(1, "x-axis : ", LVCFMT_LEFT, 50, 0);
        list.InsertEditColumn(2, "y-axis : ", LVCFMT_LEFT, 50, 0);
        list.InitializeCtrl(1, 1);
        for (int i = 0; i < 3; ++i) {
            CString n;
            n.Format("%i", i + 1);
            ASSERT_EQ(list.InsertEditItem(i, n, TB_EDIT_NONE, "", 0), i);
            list.SetEditItemText(i, 1, "0", TB_EDIT_NUMBER, "");
            list.SetEditItemText(i, 2, "0", TB_EDIT_NUMBER, "");
        }
    }
    void TearDown() override { parent.Close(); }
    ListParent parent;
    CTBEditListCtrl list;
};

TEST_F(EditListTest, CellEditStoresTheTextAndSendsTheOneNotification) {
    ASSERT_TRUE(list.UserEditCell(2, 1, "3.5k"));
    EXPECT_EQ(list.GetItemText(2, 1), "3.5k");
    // The editor opened (edit starting), then the edit was reported once.
    ASSERT_EQ(parent.got.size(), 2u);
    EXPECT_EQ(parent.got[0].message, static_cast<UINT>(TBLM_EDITSTARTING));
    const ListMessage& m = parent.got[1];
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1000));
    EXPECT_EQ(m.wParam, kListId);
    EXPECT_EQ(LOWORD(m.lParam), 2);
    EXPECT_EQ(HIWORD(m.lParam), 1);
    EXPECT_FALSE(list.IsEditing());

    // An unchanged text is no change; nothing is reported.
    parent.got.clear();
    EXPECT_TRUE(list.UserEditCell(2, 1, "3.5k"));
    EXPECT_EQ(parent.got.size(), 1u);
}

// A number cell keeps the exact value behind its rounded text only while it shows that text
// and no user typed into it, even should the user type the same text back.
TEST_F(EditListTest, NumberCellKeepsItsExactValueWhileItShowsItsText) {
    const double third = 1.0 / 3.0;
    struct Case {
        const char* what;
        std::vector<const char*> typed;
        bool kept;
    } cases[] = {
        {"as set", {}, true},
        {"the shown text confirmed", {"0.333333333333333"}, true},
        {"another text typed", {"0.25"}, false},
        {"the shown text typed back", {"0.25", "0.333333333333333"}, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(list.SetEditItemNumber(1, 1, "0.333333333333333", third)) << c.what;
        for (const char* text : c.typed) ASSERT_TRUE(list.UserEditCell(1, 1, text)) << c.what;
        double value = 0.0;
        EXPECT_EQ(c.kept, list.GetEditItemNumber(1, 1, value) != FALSE) << c.what;
        if (c.kept) {
            EXPECT_EQ(third, value) << c.what;
        }
    }
    double value = 0.0;
    list.SetEditItemText(1, 1, "0.333333333333333", TB_EDIT_NUMBER);
    EXPECT_FALSE(list.GetEditItemNumber(1, 1, value)) << "a text set anew keeps no value";
    EXPECT_FALSE(list.GetEditItemNumber(2, 1, value)) << "a cell never given a value";
}

TEST_F(EditListTest, CellsRefuseWhatTheirTypeDoesNotAllow) {
    // Fixed cells, cells out of range and texts that do not fit change nothing and send no
    // change notification.
    EXPECT_FALSE(list.UserEditCell(0, 0, "9"));
    EXPECT_FALSE(list.UserEditCell(7, 1, "1"));
    EXPECT_FALSE(list.UserEditCell(0, 9, "1"));
    EXPECT_FALSE(list.UserEditCell(0, 1, "abc"));
    EXPECT_FALSE(list.UserEditCell(0, 1, "0x10"));
    // A number cell takes one number, with a unit at most: never a number that only begins
    // the text, which would be read as that number.
    for (const char* text : {"1k, G := 5", "1/(0)", "1,5", "1k); X Y ( Z := 1", "2 +", "1e400", "nan", "1 2"})
        EXPECT_FALSE(list.UserEditCell(0, 1, text)) << text;
    EXPECT_EQ(list.GetItemText(0, 1), "0");

    list.SetEditItemText(0, 2, "min", TB_EDIT_CHOICE, "min, max,sum");
    EXPECT_FALSE(list.UserEditCell(0, 2, "avg"));
    EXPECT_TRUE(list.UserEditCell(0, 2, "sum"));
    list.SetEditItemText(1, 2, "V", TB_EDIT_UNIT, "Voltage");
    EXPECT_FALSE(list.UserEditCell(1, 2, "A"));
    EXPECT_TRUE(list.UserEditCell(1, 2, "MV"));
    list.SetEditItemText(2, 2, "x", TB_EDIT_NAME, "");
    EXPECT_FALSE(list.UserEditCell(2, 2, ""));
    EXPECT_FALSE(list.UserEditCell(2, 2, "a b"));
    EXPECT_TRUE(list.UserEditCell(2, 2, "x1"));

    int edits = 0;
    for (const ListMessage& m : parent.got) edits += m.message == TBLM_CELLEDITED;
    EXPECT_EQ(edits, 3);

    // A disabled list edits nothing.
    list.EnableWindow(FALSE);
    EXPECT_FALSE(list.UserEditCell(1, 1, "5"));
}

TEST_F(EditListTest, CheckCellsToggleAndTheParentMayCloseAnEditAsItStarts) {
    list.SetEditItemText(1, 2, "Use Pin", TB_EDIT_CHECK, "");
    EXPECT_FALSE(list.GetItemChecked(1, 2));
    EXPECT_FALSE(list.UserEditCell(1, 2, "x")); // a check box has no text editor
    ASSERT_TRUE(list.UserToggleCheck(1, 2));
    EXPECT_TRUE(list.GetItemChecked(1, 2));
    ASSERT_EQ(parent.got.size(), 1u);
    EXPECT_EQ(parent.got[0].message, static_cast<UINT>(TBLM_CELLEDITED));
    EXPECT_EQ(parent.got[0].lParam, MAKELPARAM(1, 2));
    EXPECT_FALSE(list.UserToggleCheck(1, 1)); // not a check cell

    parent.got.clear();
    parent.closeOnStart = true;
    EXPECT_FALSE(list.UserEditCell(0, 1, "4"));
    EXPECT_EQ(list.GetItemText(0, 1), "0");
    ASSERT_EQ(parent.got.size(), 1u);
    EXPECT_EQ(parent.got[0].message, static_cast<UINT>(TBLM_EDITSTARTING));
}

TEST_F(EditListTest, TypesFollowTheirRowsAndPointsFindCells) {
    list.SetEditItemType(1, 2, TB_EDIT_TEXT);
    ASSERT_EQ(list.InsertEditItem(0, "new", TB_EDIT_NAME, "", 77), 0);
    EXPECT_EQ(list.GetItemData(0), 77u);
    EXPECT_EQ(list.GetEditItemType(0, 0), TB_EDIT_NAME);
    EXPECT_EQ(list.GetEditItemType(2, 2), TB_EDIT_TEXT); // moved down with its row
    ASSERT_TRUE(list.DeleteEditItem(1));
    EXPECT_EQ(list.GetEditItemType(1, 2), TB_EDIT_TEXT);
    EXPECT_EQ(list.GetItemCount(), 3);
    // Rows inserted through the plain list's forms keep the types in step too.
    ASSERT_EQ(list.InsertItem(LVIF_TEXT | LVIF_PARAM, 1, "mid", 0, 0, 0, 5), 1);
    EXPECT_EQ(list.GetEditItemType(1, 2), TB_EDIT_NONE);
    EXPECT_EQ(list.GetEditItemType(2, 2), TB_EDIT_TEXT);
    ASSERT_TRUE(list.DeleteItem(1));
    EXPECT_FALSE(list.DeleteEditItem(3));
    EXPECT_EQ(list.GetEditItemType(5, 0), -1);
    // Unknown edit types are fixed text.
    list.SetEditItemType(2, 1, 3);
    EXPECT_EQ(list.GetEditItemType(2, 1), TB_EDIT_NONE);

    // Rows lie below the header, columns side by side with their widths.
    int row = -2, col = -2;
    CRect cell;
    ASSERT_TRUE(list.GetSubItemRect(1, 2, LVIR_BOUNDS, cell));
    EXPECT_EQ(list.FindItem(cell.CenterPoint(), row, col), TB_EDIT_TEXT);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(list.FindItem(CPoint(5, 2), row, col), -1);
    EXPECT_EQ(row, -1);
    EXPECT_EQ(col, -1);

    // Deleting the row of an open edit ends the edit without storing anything.
    EXPECT_FALSE(list.DoEdit(1, 2)); // that cell became fixed text above
    ASSERT_TRUE(list.DoEdit(2, 1));
    ASSERT_TRUE(list.DeleteEditItem(1));
    EXPECT_FALSE(list.IsEditing());
    ASSERT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetEditItemType(0, 0), -1);
}

TEST_F(EditListTest, UserActionsReachTheList) {
    ASSERT_TRUE(qv::ui::EditListCell(&list, 1, 2, "7"));
    EXPECT_EQ(list.GetItemText(1, 2), "7");
    ASSERT_FALSE(parent.got.empty());
    EXPECT_EQ(parent.got.back().message, static_cast<UINT>(TBLM_CELLEDITED));
    EXPECT_EQ(parent.got.back().lParam, MAKELPARAM(1, 2));

    list.SetEditItemText(0, 2, "Use Pin", TB_EDIT_CHECK, "");
    ASSERT_TRUE(qv::ui::EditListCell(&list, 0, 2, "1"));
    EXPECT_TRUE(list.GetItemChecked(0, 2));

    parent.got.clear();
    ASSERT_TRUE(qv::ui::ClickListItem(&list, 2));
    ASSERT_EQ(parent.got.size(), 1u);
    EXPECT_EQ(parent.got[0].message, static_cast<UINT>(TBLM_SELCHANGED));
    EXPECT_EQ(parent.got[0].lParam, 2);
}

// A table longer than a 16-bit row index: each edit reaches its own row, and the parent is
// told that row (and not the one 65,536 rows above it).
TEST_F(EditListTest, RowsPastSixteenBitsAreEditedAndReportedAsThemselves) {
    constexpr int kRows = 70000;
    for (int row = list.GetItemCount(); row < kRows; ++row) {
        list.InsertEditItem(row, "", TB_EDIT_NONE);
        list.SetEditItemText(row, 1, "0", TB_EDIT_NUMBER);
    }
    for (int row : {65535, 65536, 69999}) {
        const CString typed = std::to_string(row).c_str();
        ASSERT_TRUE(qv::ui::EditListCell(&list, row, 1, typed)) << row;
        EXPECT_EQ(list.GetItemText(row, 1), typed) << row;
        EXPECT_EQ(list.GetItemText(row & 0xffff, 1), (row & 0xffff) == 65535 ? CString(typed) : CString("0")) << row;
        ASSERT_FALSE(parent.got.empty());
        EXPECT_EQ(parent.got.back().message, static_cast<UINT>(TBLM_CELLEDITED));
        EXPECT_EQ(ListCellRow(parent.got.back().lParam), row);
        EXPECT_EQ(ListCellColumn(parent.got.back().lParam), 1);
    }
}

TEST_F(EditListTest, SelectingARowSelectsOnlyThatRow) {
    ASSERT_TRUE(list.UserSelectRow(2));
    ASSERT_TRUE(list.UserSelectRow(1));
    EXPECT_EQ(list.GetSelectedCount(), 1u);
    EXPECT_EQ(list.GetSelectedItem(), 1);
    ASSERT_EQ(parent.got.size(), 2u);
    EXPECT_EQ(parent.got[1].message, static_cast<UINT>(TBLM_SELCHANGED));
    EXPECT_EQ(parent.got[1].lParam, 1);
    EXPECT_FALSE(list.UserSelectRow(3));
}

class CountingList : public CTBEditListCtrl {
public:
    int drawn = 0;
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
        ++drawn;
        CTBEditListCtrl::DrawItem(lpDrawItemStruct);
    }
};

TEST(EditListPaint, OwnerDrawnListDrawsEveryRowThroughDrawItem) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "#32770", "", 0, CRect(0, 0, 400, 300), nullptr, 0));
    CountingList list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT | LVS_OWNERDRAWFIXED, CRect(0, 0, 300, 200), &parent, kListId));
    list.InsertEditColumn(0, "Name", LVCFMT_LEFT, 100, 0);
    list.InsertEditColumn(1, "Use Pin", LVCFMT_LEFT, 100, 0);
    list.InsertEditItem(0, "R1");
    list.InsertEditItem(1, "R2");
    list.SetEditItemText(1, 1, "on pin", TB_EDIT_CHECK, "");
    list.SetItemChecked(1, 1, TRUE);
    list.SelectItem(1);
    list.Invalidate();
    list.UpdateWindow();
    EXPECT_EQ(list.drawn, 2);
    const qv::DisplayList* pic = qv::GetLastPainting(&list);
    ASSERT_NE(pic, nullptr);
    std::vector<std::string> texts;
    for (const auto& it : pic->items)
        if (it.kind == qv::DrawKind::Text) texts.push_back(it.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"R1", "", "R2", "[x] on pin"}));
    EXPECT_EQ(pic->items.back().pen.style, PS_DOT); // the selected row's focus frame
    list.DestroyWindow();
    parent.DestroyWindow();
}

TEST(EditListWidths, ColumnWidthsPersistInTheUserProfile) {
    ProfileFile profile;
    ListParent parent;
    ASSERT_TRUE(parent.CreateEx(0, "#32770", "", 0, CRect(0, 0, 400, 300), nullptr, 0));
    {
        CTBEditListCtrl list;
        ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 300, 200), &parent, kListId));
        for (int c = 0; c < 3; ++c) list.InsertEditColumn(c, "h", LVCFMT_LEFT, 50, 0);
        list.InitializeColumnSize(0, "WIZColumnWidths", "XYTable"); // nothing stored yet
        EXPECT_EQ(list.GetColumnWidth(1), 50);
        list.SetColumnWidth(1, 123);
        list.DestroyWindow(); // widths are stored when the list goes
    }
    EXPECT_NE(profile.Read().find("XYTable=50,123,50"), std::string::npos) << profile.Read();

    CTBEditListCtrl again;
    ASSERT_TRUE(again.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 300, 200), &parent, kListId));
    for (int c = 0; c < 3; ++c) again.InsertEditColumn(c, "h", LVCFMT_LEFT, 50, 0);
    again.InitializeColumnSize(0, "WIZColumnWidths", "XYTable");
    EXPECT_EQ(again.GetColumnWidth(1), 123);

    // A malformed stored value changes nothing.
    WriteProfileStringA("WIZColumnWidths", "XYTable", "70,abc,80");
    again.SetColumnWidth(0, 44);
    EXPECT_FALSE(again.LoadColumnWidths());
    EXPECT_EQ(again.GetColumnWidth(0), 44);
    WriteProfileStringA("WIZColumnWidths", "XYTable", "70,99999");
    EXPECT_FALSE(again.LoadColumnWidths());
    // Only the columns from the first sized one on are kept.
    again.InitializeColumnSize(1, "WIZColumnWidths", "Other");
    EXPECT_TRUE(again.SaveColumnWidths());
    EXPECT_NE(profile.Read().find("Other=123,50"), std::string::npos) << profile.Read();
    again.DestroyWindow();
    parent.DestroyWindow();
}

TEST(EditListWidths, AStoredTextIsTakenOrRefusedWhole) {
    ProfileFile profile;
    ListParent parent;
    CTBEditListCtrl list;
    ASSERT_TRUE(parent.CreateEx(0, "#32770", "", 0, CRect(0, 0, 400, 300), nullptr, 0) &&
                list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 300, 200), &parent, kListId));
    list.InsertEditColumn(0, "h", LVCFMT_LEFT, 50, 0);
    list.InitializeColumnSize(0, "WIZColumnWidths", "T");
    const struct { const char* text; int first; } cases[] = {  // 44: refused, nothing changes
        {" 70 , 80", 70}, {"10000,0", 10000}, {"70,", 44}, {",70", 44}, {"7 0", 44},
        {"10001", 44}, {"000070", 44}, {"70;80", 44}, {"70,-1", 44}};
    for (const auto& c : cases) {
        list.SetColumnWidth(0, 44);
        WriteProfileStringA("WIZColumnWidths", "T", c.text);
        EXPECT_EQ(list.LoadColumnWidths() != FALSE, c.first != 44) << c.text;
        EXPECT_EQ(list.GetColumnWidth(0), c.first) << c.text;
    }
    list.DestroyWindow();
    parent.DestroyWindow();
}

TEST(UnitCombo, ListsTheUnitsOfVoltageAndSelectsByExactCase) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "#32770", "", 0, CRect(0, 0, 200, 200), nullptr, 0));
    CTBUnitComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 80, 100), &parent, 2507));
    ASSERT_TRUE(combo.CreateDialogControl("Voltage"));
    CStringArray expected;
    ASSERT_TRUE(qv::UnitsOfQuantity("Voltage", expected));
    ASSERT_EQ(combo.GetCount(), expected.GetSize());
    for (int i = 0; i < combo.GetCount(); ++i) {
        CString s;
        combo.GetLBText(i, s);
        EXPECT_EQ(s, expected[i]);
    }
    CString first;
    combo.GetLBText(0, first);
    EXPECT_EQ(first, "V");
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);

    // "MV" (mega) and "mV" (milli) differ by case only.
    int mega = combo.SelectString(-1, "MV");
    ASSERT_NE(mega, CB_ERR);
    CString chosen;
    combo.GetLBText(combo.GetCurSel(), chosen);
    EXPECT_EQ(chosen, "MV");
    combo.SelectString(-1, "mV");
    combo.GetLBText(combo.GetCurSel(), chosen);
    EXPECT_EQ(chosen, "mV");
    EXPECT_EQ(combo.SelectString(-1, "A"), CB_ERR);
    combo.GetLBText(combo.GetCurSel(), chosen);
    EXPECT_EQ(chosen, "mV"); // a failed search keeps the selection

    // A unit list text instead of a quantity; an unknown name gives an empty list.
    ASSERT_TRUE(combo.CreateDialogControl("s|ms"));
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_FALSE(combo.CreateDialogControl("NoSuchQuantity"));
    EXPECT_EQ(combo.GetCount(), 0);
    combo.DestroyWindow();
    parent.DestroyWindow();
}

} // namespace
