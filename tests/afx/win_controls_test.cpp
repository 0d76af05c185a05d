// The standard controls' own behaviour, on controls built in code.
#include "afx/afxwin.h"
#include "tests/afx/win_user_script_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every notification it gets from its children.
class CRecorder : public CWnd {
public:
    std::vector<std::string> log;
    LRESULT answerNotify = 0;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        log.push_back("cmd " + std::to_string(LOWORD(wParam)) + ":" + std::to_string(HIWORD(wParam)));
        return TRUE;
    }
    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) override
    {
        const auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        std::string entry = "notify " + std::to_string(hdr->idFrom) + ":" + std::to_string(static_cast<int>(hdr->code));
        if (hdr->code == LVN_ITEMCHANGED || hdr->code == LVN_ITEMCHANGING) {
            const auto* lv = reinterpret_cast<const NMLISTVIEW*>(hdr);
            entry += " row " + std::to_string(lv->iItem) + " " + std::to_string(lv->uOldState) + "->" +
                     std::to_string(lv->uNewState);
        }
        if (hdr->code == UDN_DELTAPOS) {
            const auto* ud = reinterpret_cast<const NMUPDOWN*>(hdr);
            entry += " pos " + std::to_string(ud->iPos) + " delta " + std::to_string(ud->iDelta);
        }
        log.push_back(entry);
        *pResult = hdr->code == LVN_ITEMCHANGING || hdr->code == UDN_DELTAPOS ? answerNotify : 0;
        return TRUE;
    }
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parent.CreateMessageWindow()); }
    qv::test::UserScriptGuard guard;
    CRecorder parent;
};

std::string Cmd(int id, int code) { return "cmd " + std::to_string(id) + ":" + std::to_string(code); }

TEST_F(Controls, ComboEntriesSearchAndSelectionFollowTheOriginal)
{
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWN | CBS_SORT, CRect(0, 0, 50, 100), &parent, 10));
    for (const char* s : {"beta", "Alpha", "gamma", "alphabet"})
        combo.AddString(s);
    // Sorted case-insensitively.
    CString text;
    combo.GetLBText(0, text);
    EXPECT_STREQ(text, "Alpha");
    combo.GetLBText(1, text);
    EXPECT_STREQ(text, "alphabet");
    EXPECT_EQ(combo.GetLBTextLen(9), CB_ERR);

    // Prefix search without case, after the start index, wrapping round.
    EXPECT_EQ(combo.FindString(-1, "ALP"), 0);
    EXPECT_EQ(combo.FindString(0, "alp"), 1);
    EXPECT_EQ(combo.FindString(1, "alp"), 0);
    EXPECT_EQ(combo.FindString(-1, "delta"), CB_ERR);
    EXPECT_EQ(combo.FindStringExact(-1, "ALPHABET"), 1);
    EXPECT_EQ(combo.FindStringExact(-1, "alph"), CB_ERR);

    // A failed SelectString keeps the selection; a drop-down's text follows the selection.
    EXPECT_EQ(combo.SelectString(-1, "gam"), 3);
    EXPECT_EQ(combo.SelectString(-1, "zzz"), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), 3);
    combo.GetWindowText(text);
    EXPECT_STREQ(text, "gamma");

    combo.SetItemData(2, 77);
    EXPECT_EQ(combo.GetItemData(2), 77u);
    EXPECT_EQ(combo.SetItemData(9, 1), CB_ERR);

    // Deleting entries before the selection moves it; deleting the selection clears it.
    EXPECT_EQ(combo.DeleteString(0), 3);
    EXPECT_EQ(combo.GetCurSel(), 2);
    combo.DeleteString(2);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.DeleteString(7), CB_ERR);
    EXPECT_EQ(combo.InsertString(5, "far"), CB_ERR);
    EXPECT_EQ(combo.SetCurSel(5), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);

    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.GetWindowTextLength(), 0);
    EXPECT_TRUE(parent.log.empty()); // nothing of this came from the user
}

TEST_F(Controls, DropDownListShowsOnlyItsSelection)
{
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 50, 100), &parent, 11));
    combo.AddString("One");
    combo.AddString("Two");
    EXPECT_EQ(combo.GetWindowTextLength(), 0);
    combo.SetWindowText("two"); // names an entry: selects it
    EXPECT_EQ(combo.GetCurSel(), 1);
    combo.SetWindowText("Three"); // names none: nothing changes
    CString text;
    combo.GetWindowText(text);
    EXPECT_STREQ(text, "Two");
    // A drop-down list cannot be typed into.
    const auto failures = qv::test::UserScriptGuard::CollectFailures([&] { EXPECT_FALSE(qv::ui::TypeText(&combo, "x")); });
    EXPECT_EQ(failures.size(), 1u);
}

TEST_F(Controls, ChoosingAnEntryNotifiesLikeAMouseChoice)
{
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 50, 100), &parent, 12));
    combo.AddString("One");
    combo.AddString("Two");
    ASSERT_TRUE(qv::ui::ChooseEntry(&combo, "Two"));
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(parent.log, (std::vector<std::string>{Cmd(12, CBN_SETFOCUS), Cmd(12, CBN_DROPDOWN), Cmd(12, CBN_SELENDOK),
                                                    Cmd(12, CBN_CLOSEUP), Cmd(12, CBN_SELCHANGE)}));
}

TEST_F(Controls, EditSelectionReplaceLimitAndPositions)
{
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | ES_MULTILINE, CRect(0, 0, 50, 50), &parent, 20));
    edit.SetWindowText("hello world");
    int start = -1, end = -1;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);

    edit.SetSel(6, -1); // to the end
    edit.ReplaceSel("there");
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "hello there");
    edit.GetSel(start, end);
    EXPECT_EQ(start, 11);
    EXPECT_EQ(end, 11);
    EXPECT_TRUE(edit.GetModify());

    edit.SetSel(8, 2); // reversed and clamped
    edit.GetSel(start, end);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 8);
    edit.SetSel(3, 99);
    edit.GetSel(start, end);
    EXPECT_EQ(end, 11);

    // The limit cuts what is typed or inserted, not what code sets.
    edit.LimitText(12);
    edit.SetSel(11, 11);
    edit.ReplaceSel("!!!");
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "hello there!");

    // Characters sit on a grid of 6 x 13 pixels.
    edit.SetWindowText("ab\ncde");
    EXPECT_EQ(edit.GetLineCount(), 2);
    EXPECT_EQ(edit.PosFromChar(4), CPoint(6, 13));
    EXPECT_EQ(edit.PosFromChar(5), CPoint(12, 13));
    EXPECT_EQ(edit.PosFromChar(6), CPoint(-1, -1)); // just past the end: no position
    EXPECT_EQ(edit.CharFromPos(CPoint(6 + 1, 13)), MAKELONG(4, 1)); // a pixel into the character
    EXPECT_EQ(LOWORD(edit.CharFromPos(CPoint(6 + 4, 13))), 5);      // nearer the next boundary
    EXPECT_EQ(LOWORD(edit.CharFromPos(CPoint(500, 0))), 2);         // past the end of line 0
    EXPECT_EQ(LOWORD(edit.CharFromPos(CPoint(-5, 0))), 0);
    EXPECT_EQ(HIWORD(edit.CharFromPos(CPoint(0, 900))), 1);         // below the last line

    edit.SetReadOnly(TRUE);
    EXPECT_TRUE(edit.GetStyle() & ES_READONLY);
    EXPECT_TRUE(parent.log.empty());
}

TEST_F(Controls, TheFocusedEditCarriesTheCaretAtItsSelectionEnd)
{
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 50, 20), &parent, 22));
    edit.SetWindowText("abcdef");
    edit.SetSel(2, 4);
    ASSERT_TRUE(qv::ui::SetFocusTo(&edit));
    EXPECT_EQ(CWnd::GetCaretPos(), CPoint(24, 0));
    edit.SetSel(1, 1);
    POINT caret{};
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(CPoint(caret), CPoint(6, 0));
    ASSERT_TRUE(qv::ui::TypeChars(&edit, "xy"));
    EXPECT_EQ(CWnd::GetCaretPos(), CPoint(18, 0));
    // Moving the caret leaves the selection alone.
    CWnd::SetCaretPos(CPoint(30, 0));
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(end, 3);
    EXPECT_EQ(LOWORD(edit.CharFromPos(CWnd::GetCaretPos() + CSize(1, 0))), 5);
    parent.log.clear();
}

TEST_F(Controls, TypingNotifiesOncePerActionOrPerCharacter)
{
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 50, 20), &parent, 21));
    edit.SetWindowText("old");
    ASSERT_TRUE(qv::ui::TypeText(&edit, "new"));
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "new");
    EXPECT_EQ(parent.log, (std::vector<std::string>{Cmd(21, EN_SETFOCUS), Cmd(21, EN_UPDATE), Cmd(21, EN_CHANGE)}));

    parent.log.clear();
    ASSERT_TRUE(qv::ui::TypeChars(&edit, "ab"));
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "newab");
    EXPECT_EQ(parent.log, (std::vector<std::string>{Cmd(21, EN_CHANGE), Cmd(21, EN_CHANGE)}));

    parent.log.clear();
    edit.SetReadOnly(TRUE);
    // The user cannot type into a read-only or disabled field: that is a test mistake.
    const auto failures = qv::test::UserScriptGuard::CollectFailures([&] {
        EXPECT_FALSE(qv::ui::TypeText(&edit, "x"));
        edit.SetReadOnly(FALSE);
        edit.EnableWindow(FALSE);
        EXPECT_FALSE(qv::ui::TypeText(&edit, "x"));
    });
    EXPECT_EQ(failures.size(), 2u);
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "newab");
    EXPECT_TRUE(parent.log.empty());
}

TEST_F(Controls, SingleLineFieldsRefuseControlCharactersMultiLineEditsTakeThem)
{
    struct Case {
        DWORD style;
        const char* text;
        bool taken;
    } cases[] = {
        {0, "a\nb", false},
        {0, "a\r\nb", false},
        {0, "a\tb", false},
        {0, "\x7F", false},
        {0, "\x1B", false},
        {0, "a b \xE4", true},   // blanks and characters beyond ASCII are text
        {ES_MULTILINE, "a\r\nb", true},
        {ES_MULTILINE, "a\tb", true},
    };
    int id = 40;
    for (const Case& c : cases) {
        for (bool chars : {false, true}) {
            CEdit edit;
            ASSERT_TRUE(edit.Create(WS_CHILD | c.style, CRect(0, 0, 50, 20), &parent, ++id));
            edit.SetWindowText("old");
            parent.log.clear();
            bool done = false;
            const auto failures = qv::test::UserScriptGuard::CollectFailures(
                [&] { done = chars ? qv::ui::TypeChars(&edit, c.text) : qv::ui::TypeText(&edit, c.text); });
            EXPECT_EQ(c.taken, done) << c.text;
            EXPECT_EQ(c.taken ? 0u : 1u, failures.size()) << c.text;
            CString text;
            edit.GetWindowText(text);
            // Typed characters go in at the caret, which SetWindowText left at the start.
            const std::string expected = !c.taken ? "old" : chars ? std::string(c.text) + "old" : c.text;
            EXPECT_EQ(expected, std::string(text)) << c.text;
            if (!c.taken) {
                EXPECT_TRUE(parent.log.empty()) << "a refused text sends no notification";
            }
        }
    }
}

TEST_F(Controls, ListCellsRefuseControlCharacters)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 200, 84), &parent, 60));
    list.InsertColumn(0, "a", LVCFMT_LEFT, 50);
    list.InsertItem(0, "old");
    for (const char* text : {"1\n2", "\t", "\r"}) {
        const auto failures =
            qv::test::UserScriptGuard::CollectFailures([&] { EXPECT_FALSE(qv::ui::EditListCell(&list, 0, 0, text)); });
        EXPECT_EQ(1u, failures.size()) << text;
        EXPECT_STREQ("old", list.GetItemText(0, 0)) << text;
    }
    EXPECT_TRUE(qv::ui::EditListCell(&list, 0, 0, "new one"));
    EXPECT_STREQ("new one", list.GetItemText(0, 0));
}

TEST_F(Controls, ReportListColumnsRowsStateAndGeometry)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT | LVS_SINGLESEL, CRect(0, 0, 200, 84), &parent, 30));
    EXPECT_EQ(list.InsertColumn(0, "Name", LVCFMT_LEFT, 80), 0);
    EXPECT_EQ(list.InsertColumn(5, "Value", LVCFMT_LEFT, 60), 1); // past the end: appended
    EXPECT_EQ(list.GetHeaderCtrl()->GetItemCount(), 2);
    EXPECT_EQ(list.InsertItem(0, "a"), 0);
    EXPECT_EQ(list.InsertItem(9, "c"), 1);
    EXPECT_EQ(list.InsertItem(1, "b"), 1);
    EXPECT_TRUE(list.SetItemText(1, 1, "2"));
    EXPECT_FALSE(list.SetItemText(1, 2, "x")); // no such column
    EXPECT_FALSE(list.SetItemText(3, 0, "x")); // no such row
    EXPECT_STREQ(list.GetItemText(1, 0), "b");
    EXPECT_STREQ(list.GetItemText(1, 1), "2");
    EXPECT_STREQ(list.GetItemText(7, 0), "");

    // One selected row in a single-selection list, one focused row.
    list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED | LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 0);
    EXPECT_EQ(list.GetNextItem(2, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetNextItem(2, LVNI_ABOVE), 1);
    EXPECT_EQ(list.GetSelectedCount(), 1u);

    // Rows 16 pixels high below a 20-pixel header; columns as wide as set.
    CRect cell;
    ASSERT_TRUE(list.GetSubItemRect(1, 1, LVIR_LABEL, cell));
    EXPECT_EQ(cell, CRect(80, 36, 140, 52));
    LVHITTESTINFO hit{};
    hit.pt = CPoint(100, 40);
    EXPECT_EQ(list.SubItemHitTest(&hit), 1);
    EXPECT_EQ(hit.iSubItem, 1);
    hit.pt = CPoint(100, 5);
    EXPECT_EQ(list.SubItemHitTest(&hit), -1);
    hit.pt = CPoint(150, 40);
    EXPECT_EQ(list.HitTest(CPoint(150, 40)), -1); // right of the columns

    // Only four rows fit: making row 5 visible scrolls.
    for (int i = 3; i < 8; ++i)
        list.InsertItem(i, "x");
    EXPECT_EQ(list.GetCountPerPage(), 4);
    list.EnsureVisible(6, FALSE);
    EXPECT_EQ(list.GetTopIndex(), 3);
    EXPECT_EQ(list.HitTest(CPoint(10, 21)), 3);

    EXPECT_TRUE(list.DeleteColumn(0));
    EXPECT_STREQ(list.GetItemText(1, 0), "2");
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_TRUE(parent.log.empty());
}

TEST_F(Controls, ListClicksAndChecksNotifyAndCanBeRefused)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 200, 100), &parent, 31));
    list.InsertColumn(0, "Name", LVCFMT_LEFT, 80);
    list.InsertItem(0, "a");
    list.InsertItem(1, "b");
    list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    EXPECT_FALSE(list.GetCheck(0));
    list.SetCheck(1, TRUE);
    EXPECT_TRUE(list.GetCheck(1));
    EXPECT_TRUE(parent.log.empty());

    const UINT unchecked = INDEXTOSTATEIMAGEMASK(1);
    const UINT checked = INDEXTOSTATEIMAGEMASK(2);
    ASSERT_TRUE(qv::ui::ClickListItem(&list, 1));
    const std::string changing = std::to_string(static_cast<int>(LVN_ITEMCHANGING));
    const std::string changed = std::to_string(static_cast<int>(LVN_ITEMCHANGED));
    const std::string sel = std::to_string(checked | LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(parent.log,
              (std::vector<std::string>{"notify 31:" + std::to_string(static_cast<int>(NM_SETFOCUS)),
                                        "notify 31:" + changing + " row 1 " + std::to_string(checked) + "->" + sel,
                                        "notify 31:" + changed + " row 1 " + std::to_string(checked) + "->" + sel,
                                        "notify 31:" + std::to_string(static_cast<int>(NM_CLICK))}));
    EXPECT_EQ(list.GetSelectionMark(), 1);

    parent.log.clear();
    ASSERT_TRUE(qv::ui::ToggleListCheck(&list, 0));
    EXPECT_TRUE(list.GetCheck(0));
    EXPECT_EQ(parent.log.back(),
              "notify 31:" + changed + " row 0 " + std::to_string(unchecked) + "->" + std::to_string(checked));

    // A plain list takes an edited cell's text as it is, without telling anyone.
    parent.log.clear();
    EXPECT_TRUE(qv::ui::EditListCell(&list, 1, 0, "renamed"));
    EXPECT_STREQ(list.GetItemText(1, 0), "renamed");
    EXPECT_TRUE(parent.log.empty());

    // LVN_ITEMCHANGING answered non-zero refuses the change.
    parent.answerNotify = 1;
    parent.log.clear();
    EXPECT_FALSE(qv::ui::ToggleListCheck(&list, 0));
    EXPECT_TRUE(list.GetCheck(0));
    EXPECT_EQ(parent.log.size(), 1u);
}

TEST_F(Controls, SpinMovesWithinItsRangeUnlessTheParentRefuses)
{
    CEdit buddy;
    ASSERT_TRUE(buddy.Create(WS_CHILD, CRect(0, 0, 30, 20), &parent, 40));
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_CHILD | UDS_SETBUDDYINT, CRect(30, 0, 40, 20), &parent, 41));
    spin.SetBuddy(&buddy);
    spin.SetRange32(0, 3);
    spin.SetPos(2);
    CString text;
    buddy.GetWindowText(text);
    EXPECT_STREQ(text, "2");
    EXPECT_TRUE(parent.log.empty());

    ASSERT_TRUE(qv::ui::ClickSpin(&spin, +1));
    EXPECT_EQ(spin.GetPos32(), 3);
    ASSERT_TRUE(qv::ui::ClickSpin(&spin, +1)); // clamped at the top
    EXPECT_EQ(spin.GetPos32(), 3);
    const std::string delta = std::to_string(static_cast<int>(UDN_DELTAPOS));
    EXPECT_EQ(parent.log[0], "notify 41:" + delta + " pos 2 delta 1");
    EXPECT_EQ(parent.log[1], Cmd(40, EN_CHANGE)); // the buddy's text changed through the user

    // The position follows what the user typed into the buddy.
    buddy.SetWindowText("1");
    EXPECT_EQ(spin.GetPos32(), 1);
    parent.answerNotify = 1;
    EXPECT_FALSE(qv::ui::ClickSpin(&spin, -1));
    EXPECT_EQ(spin.GetPos32(), 1);
    buddy.SetWindowText("junk");
    BOOL error = FALSE;
    EXPECT_EQ(spin.GetPos32(&error), 1);
    EXPECT_TRUE(error);
}

TEST_F(Controls, ASpinWithoutARangeRunsFromHundredDownToZero)
{
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_CHILD, CRect(0, 0, 10, 20), &parent, 43));
    int lower = 0, upper = 0;
    spin.GetRange(lower, upper);
    EXPECT_EQ(lower, 100);
    EXPECT_EQ(upper, 0);
    EXPECT_EQ(spin.GetRange(), static_cast<DWORD>(MAKELONG(0, 100)));
    // The up arrow moves toward the maximum, 0: the parent hears a negative delta.
    spin.SetPos(5);
    const std::string delta = std::to_string(static_cast<int>(UDN_DELTAPOS));
    struct Step {
        int arrow;
        const char* heard;
        int pos;
    } steps[] = {{+1, " pos 5 delta -1", 4}, {-1, " pos 4 delta 1", 5}};
    for (const Step& step : steps) {
        parent.log.clear();
        ASSERT_TRUE(qv::ui::ClickSpin(&spin, step.arrow));
        ASSERT_FALSE(parent.log.empty());
        EXPECT_EQ(parent.log[0], "notify 43:" + delta + step.heard);
        EXPECT_EQ(spin.GetPos32(), step.pos);
    }
    spin.SetPos(0);
    ASSERT_TRUE(qv::ui::ClickSpin(&spin, +1)); // at the maximum it stays
    EXPECT_EQ(spin.GetPos32(), 0);
}

TEST_F(Controls, WrappingSpinGoesRoundItsRange)
{
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_CHILD | UDS_WRAP, CRect(0, 0, 10, 20), &parent, 42));
    spin.SetRange32(1, 3);
    spin.SetPos(3);
    ASSERT_TRUE(qv::ui::ClickSpin(&spin, +1));
    EXPECT_EQ(spin.GetPos32(), 1);
    ASSERT_TRUE(qv::ui::ClickSpin(&spin, -1));
    EXPECT_EQ(spin.GetPos32(), 3);
    spin.SetPos(99); // code is clamped too
    EXPECT_EQ(spin.GetPos32(), 3);
    int lower = 0, upper = 0;
    spin.GetRange(lower, upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 3);
}

TEST_F(Controls, ListBoxSingleAndMultipleSelection)
{
    CListBox single;
    ASSERT_TRUE(single.Create(WS_CHILD | LBS_NOTIFY, CRect(0, 0, 50, 50), &parent, 50));
    single.AddString("x");
    single.AddString("y");
    EXPECT_EQ(single.SetCurSel(1), 1);
    EXPECT_EQ(single.GetSel(1), 1);
    EXPECT_EQ(single.SetSel(0), LB_ERR); // only for multiple selection
    ASSERT_TRUE(qv::ui::ChooseEntry(&single, 0));
    EXPECT_EQ(parent.log.back(), Cmd(50, LBN_SELCHANGE));

    CListBox multi;
    ASSERT_TRUE(multi.Create(WS_CHILD | LBS_MULTIPLESEL, CRect(0, 0, 50, 50), &parent, 51));
    for (const char* s : {"a", "b", "c"})
        multi.AddString(s);
    multi.SetSel(-1, TRUE);
    EXPECT_EQ(multi.GetSelCount(), 3);
    multi.SetSel(1, FALSE);
    EXPECT_EQ(multi.GetSelCount(), 2);
    EXPECT_EQ(multi.SetCurSel(0), LB_ERR);
}

TEST_F(Controls, ComboAndListStringsExchangeByPrefixOrExactly)
{
    CComboBox drop;
    ASSERT_TRUE(drop.Create(WS_CHILD | CBS_DROPDOWN, CRect(0, 0, 50, 100), &parent, 70));
    CComboBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 50, 100), &parent, 71));
    CListBox box;
    ASSERT_TRUE(box.Create(WS_CHILD, CRect(0, 0, 50, 100), &parent, 72));
    for (const char* s : {"mV", "V", "kV"}) {
        drop.AddString(s);
        list.AddString(s);
        box.AddString(s);
    }
    CDataExchange load(&parent, FALSE);
    CString value = "k";
    DDX_CBString(&load, 70, value); // prefix: selects "kV"
    EXPECT_EQ(drop.GetCurSel(), 2);
    value = "V";
    DDX_CBStringExact(&load, 71, value);
    EXPECT_EQ(list.GetCurSel(), 1);
    value = "MV";
    DDX_CBString(&load, 71, value); // the prefix search ignores case
    EXPECT_EQ(list.GetCurSel(), 0);
    value = "GV";
    DDX_CBStringExact(&load, 70, value); // no entry: a drop-down shows the text
    DDX_CBStringExact(&load, 71, value); // a list keeps its selection
    EXPECT_EQ(list.GetCurSel(), 0);
    DDX_LBString(&load, 72, value);
    EXPECT_EQ(box.GetCurSel(), LB_ERR);

    CDataExchange save(&parent, TRUE);
    CString got;
    DDX_CBString(&save, 70, got);
    EXPECT_STREQ(got, "GV");
    DDX_CBString(&save, 71, got);
    EXPECT_STREQ(got, "mV");
    box.SetCurSel(2);
    DDX_LBString(&save, 72, got);
    EXPECT_STREQ(got, "kV");
    int index = -5;
    DDX_LBIndex(&save, 72, index);
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(parent.log.empty());
}

TEST_F(Controls, CheckListBoxKeepsOneCheckPerEntry)
{
    CCheckListBox box;
    ASSERT_TRUE(box.Create(WS_CHILD, CRect(0, 0, 50, 50), &parent, 52));
    box.AddString("a");
    box.AddString("b");
    box.SetCheck(1, 1);
    EXPECT_EQ(box.GetCheck(0), 0);
    EXPECT_EQ(box.GetCheck(1), 1);
    EXPECT_EQ(box.GetCheck(5), 0);
    box.Enable(0, FALSE);
    EXPECT_FALSE(box.IsEnabled(0));
    EXPECT_TRUE(box.IsEnabled(1));
}

class CSelfDrawnButton : public CButton {
public:
    int drawn = 0;
    UINT lastState = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        ++drawn;
        lastState = dis->itemState;
        EXPECT_NE(CDC::FromHandle(dis->hDC), nullptr);
    }
};

class CDrawingParent : public CWnd {
public:
    std::vector<int> drawnIds;
    bool handle = true;
    void OnDrawItem(int id, LPDRAWITEMSTRUCT dis)
    {
        if (!handle) {
            CWnd::OnDrawItem(id, dis); // leaves it to the control
            return;
        }
        drawnIds.push_back(id);
        CDC* dc = CDC::FromHandle(dis->hDC);
        ASSERT_NE(dc, nullptr);
        dc->Rectangle(&dis->rcItem);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDrawingParent, CWnd)
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

TEST(OwnerDraw, TheParentDrawsOrLeavesItToTheControl)
{
    qv::test::UserScriptGuard guard;
    CDrawingParent parent;
    ASSERT_TRUE(parent.CreateMessageWindow());
    CSelfDrawnButton button;
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 40, 20), &parent, 60));
    button.UpdateWindow();
    EXPECT_EQ(parent.drawnIds, (std::vector<int>{60}));
    EXPECT_EQ(button.drawn, 0);
    const qv::DisplayList* painting = qv::GetLastPainting(&button);
    ASSERT_NE(painting, nullptr);
    EXPECT_EQ(painting->items.size(), 1u);

    parent.handle = false;
    button.EnableWindow(FALSE);
    button.Invalidate();
    button.UpdateWindow();
    EXPECT_EQ(button.drawn, 1);
    EXPECT_TRUE(button.lastState & ODS_DISABLED);
    button.UpdateWindow(); // valid again: no drawing
    EXPECT_EQ(button.drawn, 1);
}

} // namespace
