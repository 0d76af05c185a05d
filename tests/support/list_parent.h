// A dialog-like parent window for the list-control tests: it holds one editable list as its
// child and records the notifications the list sends it, in the order they come.
#pragma once

#include "toolkit/tb_edit_list.h"

#include <vector>

namespace qv_test {

struct ListMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class ListParent : public CWnd {
public:
    std::vector<ListMessage> got;
    // When set, the parent closes the list's edit as soon as an edit starts.
    bool closeOnStart = false;

    // Makes the parent window and the list as its child with this control ID.
    bool Open(CTBEditListCtrl& list, UINT listId);
    // Destroys the list's window and the parent's.
    void Close();
    // The codes of the messages received so far.
    std::vector<UINT> Codes() const;

    LRESULT OnCellEdited(WPARAM w, LPARAM l);
    LRESULT OnSelChanged(WPARAM w, LPARAM l);
    LRESULT OnEditStarting(WPARAM w, LPARAM l);
    DECLARE_MESSAGE_MAP()

private:
    CTBEditListCtrl* list_ = nullptr;
};

} // namespace qv_test
