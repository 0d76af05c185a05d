// The two shared list controls: the editable variable list's bookkeeping of rows and
// parameters, the bitmap list's drawing, click rule and row records, and the notifications
// both send to their parent (from the user only, never from code).
#include "framework/list_controls.h"
#include "framework/param_access.h"
#include "win32/module.h"

#include "tests/support/list_parent.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr UINT kListId = 2132;

using qv_test::ListMessage;
using qv_test::ListParent;

CWizardCopaObject3* AddParam(ParamHolder& holder, const char* name, BOOL deletable) {
    auto* param = new CWizardCopaObject3;
    param->SetName(name);
    param->SetValueID(static_cast<WORD>(3000 + holder.GetParamCount()));
    param->SetType(0x4);
    param->SetDeletable(deletable);
    holder.AddParam(param);
    return param;
}

BOOL OutputOn(ParamHolder& holder, CWizardCopaObject3* param) {
    BOOL on = FALSE;
    GetSDBOutputForParam(&holder, param, &on);
    return on;
}

template <class List>
class ListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qv::UserScript::Instance().Reset();
        qv::UserScript::Instance().SetFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
        auto* sdb = new CWizardCopaObject3;
        sdb->SetName("SDB");
        holder.AddOutputTemplate(sdb);
        ASSERT_TRUE(parent.Open(list, kListId));
        list.InsertEditColumn(0, "Name", LVCFMT_LEFT, 50);
        list.InsertEditColumn(1, "Value", LVCFMT_RIGHT, 80);
        list.InsertEditColumn(2, "Use Pin", LVCFMT_LEFT, 60);
    }
    void TearDown() override {
        parent.Close();
        qv::UserScript::Instance().SetFailureHandler(nullptr);
    }
    ParamHolder holder;
    ListParent parent;
    List list;
};

using EditVarList = ListFixture<CEditVarListCtrl>;

TEST_F(EditVarList, AParameterLeavesWithItsLastRowWhenItMayBeDeleted) {
    for (BOOL deletable : {TRUE, FALSE}) {
        CWizardCopaObject3* param = AddParam(holder, "X", deletable);
        list.Init(nullptr, &holder);
        list.AddParam(param);
        EXPECT_TRUE(list.AssignParamToItemData(param, 11));
        EXPECT_TRUE(list.LinkVariable(param, 12));
        EXPECT_EQ(2, list.GetParamRowCount(param));
        EXPECT_TRUE(list.ReleaseParamFromItem(param, 12));
        EXPECT_FALSE(param->IsDeleted());
        EXPECT_TRUE(list.ReleaseParamFromItem(param, 11));
        EXPECT_EQ(deletable, param->IsDeleted());
        EXPECT_EQ(0, list.GetParamRowCount(param));
        // Null arguments and unknown parameters are refused; a parameter without rows is fine.
        EXPECT_FALSE(list.ReleaseParamFromItem(nullptr, 11));
        EXPECT_FALSE(list.ReleaseParamFromItem(param, 0));
        EXPECT_TRUE(list.ReleaseParamFromItem(param, 11));
    }
}

TEST_F(EditVarList, RelinkingARowCarriesTheOutputOver) {
    struct Case {
        BOOL oldOutput;
        BOOL newOutput;
    };
    DWORD_PTR key = 7;
    for (const Case& c : {Case{TRUE, TRUE}, Case{FALSE, FALSE}}) {
        ++key;
        CWizardCopaObject3* q = AddParam(holder, "Q", TRUE);
        CWizardCopaObject3* p = AddParam(holder, "P", TRUE);
        list.Init(nullptr, &holder);
        ASSERT_TRUE(list.AssignParamToItemData(q, key));
        if (c.oldOutput) SetSDBOutputForParam(&holder, q, FALSE);
        ASSERT_TRUE(list.AssignParamToItemData(p, key));
        EXPECT_EQ(p, list.GetItemParam(key));
        EXPECT_EQ(c.newOutput, OutputOn(holder, p));
        EXPECT_TRUE(q->IsDeleted());
        EXPECT_FALSE(p->IsDeleted());
    }
}

TEST_F(EditVarList, LookupsSyncAndPurge) {
    CWizardCopaObject3* a = AddParam(holder, "A", TRUE);
    CWizardCopaObject3* b = AddParam(holder, "B", TRUE);
    CWizardCopaObject3* unused = AddParam(holder, "U", TRUE);
    CWizardCopaObject3* fixed = AddParam(holder, "F", FALSE);
    list.Init(nullptr, &holder, "ignored");
    EXPECT_TRUE(list.ToolTipsEnabled());
    for (CWizardCopaObject3* param : {a, b, unused, fixed}) list.AddParam(param);
    list.LinkVariable(a, 5);
    list.LinkVariable(b, 5);
    list.LinkVariable(a, 5);
    EXPECT_EQ(2, list.GetItemVarCount(5));
    EXPECT_EQ(b, list.GetItemVar(5, 1));
    EXPECT_EQ(nullptr, list.GetItemVar(6, 0));

    CStringArray all;
    all.Add("A");
    all.Add("B");
    list.SyncItemVars(5, all);
    EXPECT_EQ(2, list.GetItemVarCount(5));
    CStringArray onlyA;
    onlyA.Add("A");
    list.SyncItemVars(5, onlyA);
    EXPECT_EQ(1, list.GetItemVarCount(5));
    EXPECT_TRUE(b->IsDeleted());

    CWizardCopaObject3* found = nullptr;
    EXPECT_FALSE(list.FindLinkedParam("B", &found));
    EXPECT_TRUE(list.FindLinkedParam("A", &found));
    EXPECT_EQ(a, found);

    list.PurgeUnusedParams();
    EXPECT_TRUE(unused->IsDeleted());
    EXPECT_FALSE(fixed->IsDeleted());
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_TRUE(list.RemoveItem(5));
    EXPECT_FALSE(list.RemoveItem(5));
    EXPECT_FALSE(list.RemoveItem(0));
}

TEST_F(EditVarList, RowsAreFoundByKeySoMovingKeepsTheLinks) {
    CWizardCopaObject3* a = AddParam(holder, "A", TRUE);
    CWizardCopaObject3* b = AddParam(holder, "B", TRUE);
    list.Init(nullptr, &holder);
    list.InsertEditItem(0, "A", TB_EDIT_NONE, nullptr, 100);
    list.InsertEditItem(1, "B", TB_EDIT_NONE, nullptr, 200);
    ASSERT_TRUE(list.AssignParamToItem(a, 0));
    ASSERT_TRUE(list.AssignParamToItem(b, 1));
    // The rows change places; the links follow the keys.
    list.DeleteEditItem(0);
    list.InsertEditItem(1, "A", TB_EDIT_NONE, nullptr, 100);
    EXPECT_EQ(a, list.GetItemParam(list.GetItemData(1)));
    EXPECT_TRUE(list.ReleaseParamFromRow(b, 0));
    EXPECT_TRUE(b->IsDeleted());
    EXPECT_FALSE(list.AssignParamToItem(a, 5));
}

template <class List>
using ListNotifications = ListFixture<List>;
using BothLists = ::testing::Types<CEditVarListCtrl, CBitmapListCtrl>;
TYPED_TEST_SUITE(ListNotifications, BothLists);

// Rows the bitmap list accepts a click on: an editable record with a parameter not on a pin.
template <class List>
void AddRows(List& list, ParamHolder& holder) {
    for (int row = 0; row < 2; ++row) {
        CWizardCopaObject3* param = AddParam(holder, row == 0 ? "A" : "B", TRUE);
        if constexpr (std::is_same_v<List, CBitmapListCtrl>) {
            list.InsertRecordItem(row, param->GetName(), new BitmapListRecord{.param = param, .kind = 3, .editable = TRUE});
        } else {
            list.InsertEditItem(row, param->GetName(), TB_EDIT_NONE, nullptr, reinterpret_cast<DWORD_PTR>(param));
        }
        list.SetEditItemText(row, 1, "1", TB_EDIT_TEXT);
        list.SetEditItemText(row, 2, "", TB_EDIT_CHECK);
    }
}

TYPED_TEST(ListNotifications, OnlyTheUserCausesNotifications) {
    AddRows(this->list, this->holder);
    // Code: texts, types, checks, selection, rows.
    this->list.SetEditItemText(0, 1, "2", TB_EDIT_TEXT);
    this->list.SetItemChecked(1, 2, TRUE);
    this->list.SelectItem(1);
    this->list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    this->list.InsertEditItem(2, "C", TB_EDIT_NONE);
    this->list.DeleteEditItem(2);
    EXPECT_TRUE(this->parent.got.empty());

    ASSERT_TRUE(qv::ui::EditListCell(&this->list, 1, 1, "4"));
    ASSERT_EQ((std::vector<UINT>{WM_USER + 1003, WM_USER + 1000}), this->parent.Codes());
    for (const ListMessage& m : this->parent.got) {
        EXPECT_EQ(kListId, m.wParam);
        EXPECT_EQ(1, LOWORD(m.lParam));
        EXPECT_EQ(1, HIWORD(m.lParam));
    }
    this->parent.got.clear();
    ASSERT_TRUE(qv::ui::EditListCell(&this->list, 0, 2, "1"));
    ASSERT_EQ((std::vector<UINT>{WM_USER + 1000}), this->parent.Codes());
    EXPECT_EQ(MAKELPARAM(0, 2), this->parent.got[0].lParam);
    this->parent.got.clear();
    ASSERT_TRUE(this->list.UserSelectRow(0));
    ASSERT_EQ((std::vector<UINT>{WM_USER + 1002}), this->parent.Codes());
    EXPECT_EQ(0, LOWORD(this->parent.got[0].lParam));
}

using BitmapList = ListFixture<CBitmapListCtrl>;

TEST_F(BitmapList, DrawsThePictureOfTheKindAndTheCellsByTheEditableFlag) {
    struct Case {
        int kind;
        BOOL editable;
        BOOL selected;
        UINT bitmap;
        int colour;
    };
    for (const Case& c : {Case{5, FALSE, FALSE, 2097, COLOR_BTNFACE}, Case{3, TRUE, TRUE, 2095, COLOR_WINDOW},
                          Case{1234, TRUE, FALSE, 2908, COLOR_WINDOW}, Case{13, FALSE, TRUE, 2910, COLOR_BTNFACE}}) {
        HMODULE module = LoadLibraryA(PARVEL_MODULE_DIR "/Parvel.dll");
        ASSERT_NE(nullptr, module);
        HINSTANCE old = AfxGetResourceHandle();
        AfxSetResourceHandle(module);
        list.Init(nullptr, &holder);
        AfxSetResourceHandle(old);
        list.DeleteAllItems();
        auto* record = new BitmapListRecord{.param = nullptr, .kind = c.kind, .editable = c.editable};
        ASSERT_EQ(0, list.InsertRecordItem(0, "row", record));
        list.SetEditItemText(0, 1, "value", TB_EDIT_TEXT);
        EXPECT_EQ(c.bitmap, CBitmapListCtrl::BitmapForKind(c.kind));

        CDC dc;
        DRAWITEMSTRUCT item{};
        item.hDC = dc.GetSafeHdc();
        item.itemID = 0;
        item.itemState = c.selected ? ODS_SELECTED : 0;
        item.itemData = reinterpret_cast<DWORD_PTR>(record);
        item.rcItem = CRect(10, 20, 200, 36);
        list.DrawItem(&item);
        const std::vector<qv::DrawItem>& drawn = dc.GetDisplayList().items;
        ASSERT_FALSE(drawn.empty());
        EXPECT_EQ(qv::DrawKind::Image, drawn[0].kind);
        EXPECT_EQ(static_cast<int>(c.bitmap), drawn[0].imageId);
        EXPECT_EQ(10 + (50 - 16 - 4) / 2, drawn[0].rect.left) << c.kind;
        EXPECT_EQ(20, drawn[0].rect.top);
        bool filled = false;
        bool text = false;
        bool frame = false;
        for (const qv::DrawItem& d : drawn) {
            if (d.kind == qv::DrawKind::Fill) {
                filled = true;
                EXPECT_EQ(GetSysColor(c.colour), d.brush.color);
            }
            if (d.kind == qv::DrawKind::Text && d.text == "value") {
                text = true;
                EXPECT_EQ(0x18924u | DT_RIGHT, d.format);
                EXPECT_EQ(60 + 6, d.rect.left);
            }
            if (d.kind == qv::DrawKind::Rectangle) {
                frame = true;
                EXPECT_TRUE(d.brush.hollow);
            }
        }
        EXPECT_TRUE(filled);
        EXPECT_TRUE(text);
        EXPECT_EQ(c.selected != FALSE, frame);
        FreeLibrary(module);
    }
    // An item without a record draws nothing.
    CDC dc;
    DRAWITEMSTRUCT empty{};
    empty.hDC = dc.GetSafeHdc();
    list.DrawItem(&empty);
    EXPECT_TRUE(dc.GetDisplayList().items.empty());
}

TEST_F(BitmapList, AClickEditsOnlyAnEditableRowWhoseParameterIsNotOnAPin) {
    struct Case {
        BOOL editable;
        DWORD type;
        bool withParam;
        bool edits;
    };
    for (const Case& c : {Case{TRUE, 0x4, true, true}, Case{TRUE, 0x80000004u, true, false},
                          Case{FALSE, 0x4, true, false}, Case{TRUE, 0x4, false, false}}) {
        list.DeleteAllItems();
        parent.got.clear();
        CWizardCopaObject3* param = AddParam(holder, "A", TRUE);
        param->SetType(c.type);
        list.InsertRecordItem(0, "A",
                              new BitmapListRecord{.param = c.withParam ? param : nullptr, .kind = 4, .editable = c.editable});
        list.SetEditItemText(0, 1, "1", TB_EDIT_TEXT);
        ASSERT_TRUE(qv::ui::ClickListItem(&list, 0, 1));
        EXPECT_EQ(c.edits, list.IsEditing() != FALSE);
        EXPECT_NE(0u, list.GetItemState(0, LVIS_SELECTED));
        EXPECT_EQ(0u, list.GetItemState(0, LVIS_FOCUSED));
        EXPECT_EQ(c.edits, qv::ui::EditListCell(&list, 0, 1, "9"));
        EXPECT_EQ(c.edits ? "9" : "1", list.GetItemText(0, 1).str());
    }
}

TEST_F(BitmapList, EveryRecordIsFreedOnce) {
    for (int row = 0; row < 4; ++row)
        list.InsertRecordItem(row, "r", new BitmapListRecord{.param = nullptr, .kind = row, .editable = FALSE});
    EXPECT_TRUE(list.DeleteEditItem(1));
    EXPECT_FALSE(list.DeleteEditItem(7));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
    list.InsertRecordItem(0, "r", new BitmapListRecord{});
    // The rest goes with the window; a list without a window frees a record it cannot take.
    list.DestroyWindow();
    CBitmapListCtrl unattached;
    EXPECT_EQ(-1, unattached.InsertRecordItem(0, "r", new BitmapListRecord{}));
}

} // namespace
