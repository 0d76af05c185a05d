#include "tests/support/list_parent.h"

namespace qv_test {

bool ListParent::Open(CTBEditListCtrl& list, UINT listId) {
    list_ = &list;
    return CreateEx(0, "#32770", "", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0) &&
           list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), this, listId);
}

void ListParent::Close() {
    if (list_ != nullptr) list_->DestroyWindow();
    DestroyWindow();
}

std::vector<UINT> ListParent::Codes() const {
    std::vector<UINT> codes;
    for (const ListMessage& m : got) codes.push_back(m.message);
    return codes;
}

LRESULT ListParent::OnCellEdited(WPARAM w, LPARAM l) {
    got.push_back({TBLM_CELLEDITED, w, l});
    return 0;
}

LRESULT ListParent::OnSelChanged(WPARAM w, LPARAM l) {
    got.push_back({TBLM_SELCHANGED, w, l});
    return 0;
}

LRESULT ListParent::OnEditStarting(WPARAM w, LPARAM l) {
    got.push_back({TBLM_EDITSTARTING, w, l});
    if (closeOnStart && list_ != nullptr) list_->CloseEdit(FALSE);
    return 0;
}

BEGIN_MESSAGE_MAP(ListParent, CWnd)
    ON_MESSAGE(TBLM_CELLEDITED, &ListParent::OnCellEdited)
    ON_MESSAGE(TBLM_SELCHANGED, &ListParent::OnSelChanged)
    ON_MESSAGE(TBLM_EDITSTARTING, &ListParent::OnEditStarting)
END_MESSAGE_MAP()

} // namespace qv_test
