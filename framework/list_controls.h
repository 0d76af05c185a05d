// The two list controls that pages of several element families share.
//
// CEditVarListCtrl: an editable list whose rows stand for parameters of the element; it keeps,
// beside the rows, which parameter each row defines and which parameters each row uses, so
// that a parameter leaves the set (marked deleted, when it may be deleted) exactly when its
// last row leaves it. One class serves pages of both wizard bases: the data-exchange object
// of the older base is a parameter set too.
//
// CBitmapListCtrl: an owner-drawn editable list whose first column shows a small picture for
// the kind of each row, whose rows carry a record (parameter, kind, editable flag) that the
// list owns, and which opens a cell editor on a click only where the row allows it.
//
// Both keep the toolkit list's notifications to the parent (wParam: the list's control ID):
// WM_USER+1000 when the user ends a cell edit or clicks a check cell, WM_USER+1002 when the
// user selects a row, WM_USER+1003 when an edit starts (lParam: row in the low word, column
// in the high word). Changes made by code send none.
#pragma once

#include "afx/afxwin.h"
#include "framework/dialog_controls.h"
#include "toolkit/tb_edit_list.h"
#include "wizard/paramholder.h"

#include <vector>

class CWizardBaseCommon;
class CCmdUI;

namespace qv::rowlist {
// The commands of the row-list menu that several pages share (defined with the other shared
// dialog IDs), the menu itself and the images of the list's row buttons and of the file
// buttons beside it.
using qv::dialog::kCmdDelete;
using qv::dialog::kCmdDeleteAll;
using qv::dialog::kCmdMoveDown;
using qv::dialog::kCmdMoveUp;
using qv::dialog::kCmdNew;
constexpr UINT kListMenu = 2547;
constexpr UINT kListButtonImages = 138;
constexpr UINT kFileButtonImages = 135;
} // namespace qv::rowlist

// The update rule of the row-list menu (New 40005, Delete 40001, Delete All 40002, Move down
// 40003, Move up 40004) that several pages share: the commands that act on the selected row
// are enabled only while the list has one; New and Delete All always are.
void UpdateRowListCommand(CCmdUI* cmd, const CTBEditListCtrl& list);
// The row buttons of the same pages: Delete (1123), Move up (1125) and Move down (1126) of
// `page` are enabled while the list has a selected row and disabled otherwise.
void EnableRowButtons(CWnd& page, const CTBEditListCtrl& list);
// Draws the image of an owner-drawn list or file button: image (control - first) of the
// bitmap's 16-pixel images, moved on by a third of the images when the button is pressed and
// by two thirds when it is disabled.
void DrawButtonImage(UINT bitmap, int first, int control, LPDRAWITEMSTRUCT item);

class CEditVarListCtrl : public CTBEditListCtrl {
public:
    CEditVarListCtrl() = default;
    ~CEditVarListCtrl() override;

    // Keeps the wizard and the set, forgets every link of an earlier filling and turns tool
    // tips on. The older base's pages pass a text that is not used.
    void Init(CWizardBaseCommon* wizard, ParamHolder* holder);
    void Init(CWizardBaseCommon* wizard, ParamHolder* holder, CString unused) { Init(wizard, holder); }

    // Makes the parameter known (with no rows yet) unless it is known.
    void AddParam(CWizardCopaObject3* param);
    // The first known, live parameter of that exact name.
    BOOL FindLinkedParam(const CString& name, CWizardCopaObject3** out) const;
    // The parameter the row defines (null when none).
    CWizardCopaObject3* GetItemParam(DWORD_PTR key) const;
    // Link rule: the row (by index, through its item data, or by key) defines the parameter
    // from now on; a row that defined another one is released from it, and when that one's
    // result output was on, the new parameter's output is switched on.
    BOOL AssignParamToItem(CWizardCopaObject3* param, int row);
    BOOL AssignParamToItemData(CWizardCopaObject3* param, DWORD_PTR key);
    // Records the row as the parameter's definer without releasing anything.
    void SetItemParam(CWizardCopaObject3* param, DWORD_PTR key);
    // Release rule: the row no longer uses the parameter; its last row gone, the parameter is
    // marked deleted when it may be deleted.
    BOOL ReleaseParamFromItem(CWizardCopaObject3* param, DWORD_PTR key);
    BOOL ReleaseParamFromRow(CWizardCopaObject3* param, int row);
    // Marks every known parameter that no row uses deleted (where it may be deleted).
    void PurgeUnusedParams();
    // The row uses the parameter as a variable.
    BOOL LinkVariable(CWizardCopaObject3* param, DWORD_PTR key);
    int GetItemVarCount(DWORD_PTR key) const;
    CWizardCopaObject3* GetItemVar(DWORD_PTR key, int index) const;
    // Releases every variable of the row whose name is not in the list.
    void SyncItemVars(DWORD_PTR key, const CStringArray& names);
    // Forgets the row's variables and the row.
    BOOL RemoveItem(DWORD_PTR key);

    // What the control knows, for the owners' checks.
    BOOL IsParamKnown(const CWizardCopaObject3* param) const { return FindKnown(param) != nullptr; }
    // Rows that use the parameter (0 for an unknown one or one without a row list).
    int GetParamRowCount(const CWizardCopaObject3* param) const;

private:
    struct Known {
        CWizardCopaObject3* param = nullptr;
        bool hasRows = false;
        std::vector<DWORD_PTR> rows;
    };
    struct RowLinks {
        DWORD_PTR key = 0;
        CWizardCopaObject3* param = nullptr;
        std::vector<CWizardCopaObject3*> vars;
    };
    Known* FindKnown(const CWizardCopaObject3* param);
    const Known* FindKnown(const CWizardCopaObject3* param) const;
    RowLinks* FindRow(DWORD_PTR key);
    const RowLinks* FindRow(DWORD_PTR key) const;
    RowLinks& RowOf(DWORD_PTR key);
    // Records that the row behind `key` uses the parameter (made known first when it is not).
    void AddRowOfParam(CWizardCopaObject3* param, DWORD_PTR key);
    void MarkDeletedInHolder(CWizardCopaObject3* param);

    CWizardBaseCommon* m_pWizard = nullptr;
    ParamHolder* m_pHolder = nullptr;
    std::vector<Known> m_known;    // in the order they became known
    std::vector<RowLinks> m_rowLinks;
};

// The record of one row of a bitmap list; allocated by the page, owned by the list from
// insertion on.
struct BitmapListRecord {
    CWizardCopaObject3* param = nullptr;
    int kind = 0;
    BOOL editable = FALSE;
};

class CBitmapListCtrl : public CTBEditListCtrl {
public:
    CBitmapListCtrl() = default;
    ~CBitmapListCtrl() override;

    // Keeps wizard and set, turns tool tips on and loads the seven pictures.
    void Init(CWizardBaseCommon* wizard, ParamHolder* holder, CString unused = CString());

    // Rows. The record becomes the list's: it is freed when the row goes, when all rows go
    // and when the window ends, exactly once (also when inserting fails).
    int InsertRecordItem(int row, LPCTSTR text, BitmapListRecord* record);
    BitmapListRecord* GetRecord(int row) const;
    BOOL DeleteEditItem(int row);
    BOOL DeleteItem(int row) { return DeleteEditItem(row); }
    BOOL DeleteAllItems();

    // The bitmap resource shown for a kind of row.
    static UINT BitmapForKind(int kind);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    // Click rule: closes an open editor, selects the row under the point (selected, not
    // focused) and starts editing the cell when the row is editable and its parameter is not
    // taken from a pin.
    void ClickAt(CPoint point);

protected:
    void OnLButtonDown(UINT flags, CPoint point);
    BOOL OnClickReflected(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnUserEditCell(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void FreeAllRecords();
    const CBitmap* BitmapOf(int kind, CSize* size) const;

    CWizardBaseCommon* m_pWizard = nullptr;
    ParamHolder* m_pHolder = nullptr;
    struct Picture {
        UINT id = 0;
        CBitmap bitmap;
        CSize size{0, 0};
        bool loaded = false;
    };
    Picture m_pictures[7];
};

// Message-map entries of a row list's five buttons, New, Delete, Delete All, Move up and Move
// down (the controls first to first + 4, as kCtlNew to kCtlMoveDown are).
#define ON_ROW_LIST_BUTTONS(first, onNew, onDelete, onDeleteAll, onMoveUp, onMoveDown) \
    ON_BN_CLICKED((first), onNew)                                                     \
    ON_BN_CLICKED((first) + 1, onDelete)                                              \
    ON_BN_CLICKED((first) + 2, onDeleteAll)                                           \
    ON_BN_CLICKED((first) + 3, onMoveUp)                                              \
    ON_BN_CLICKED((first) + 4, onMoveDown)
// Message-map entries of the row-list menu's commands that act on the rows (its New command
// differs between pages and has an entry of its own).
#define ON_ROW_LIST_COMMANDS(onDelete, onDeleteAll, onMoveUp, onMoveDown) \
    ON_COMMAND(qv::rowlist::kCmdDelete, onDelete)                         \
    ON_COMMAND(qv::rowlist::kCmdDeleteAll, onDeleteAll)                   \
    ON_COMMAND(qv::rowlist::kCmdMoveUp, onMoveUp)                         \
    ON_COMMAND(qv::rowlist::kCmdMoveDown, onMoveDown)
