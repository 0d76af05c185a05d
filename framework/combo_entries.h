// Entries of the editable lists (combo boxes) that several pages offer, such as the sample time.
#pragma once

#include "afx/afxwin.h"

namespace qv::pages {

// A text typed into an editable list becomes an entry of its own, and the selected one,
// unless the text is empty or an entry already equals it exactly.
inline void KeepTypedTextAsEntry(CComboBox& list) {
    CString text;
    list.GetWindowText(text);
    if (text.IsEmpty()) return;
    for (int i = 0; i < list.GetCount(); ++i) {
        CString entry;
        list.GetLBText(i, entry);
        if (entry == text) return;
    }
    list.SetCurSel(list.AddString(text));
}

} // namespace qv::pages
