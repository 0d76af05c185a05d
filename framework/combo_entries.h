// Entries of the editable lists (combo boxes) that several pages offer, such as the sample time.
#pragma once

#include "afx/afxwin.h"

namespace qv::pages {

// The entry that the list's text stands for: the selected entry, or else the entry whose label
// the typed text is, case and blanks around it aside ("system" is the entry "System"); CB_ERR
// when the text names no entry. A typed label is the entry itself, so that it is stored as the
// entry is and never as the label's text.
inline int EntryNamedByText(const CComboBox& list) {
    CString text;
    list.GetWindowText(text);
    // Blanks around a typed label are no part of it: " system" is the entry "System".
    text.Trim();
    auto label = [&list](int entry) {
        CString shown;
        list.GetLBText(entry, shown);
        shown.Trim();
        return shown;
    };
    // The selected entry holds when the list still shows it (an entry may repeat another's
    // label, as a stored value does that the page added).
    const int selected = list.GetCurSel();
    if (selected >= 0 && label(selected) == text) return selected;
    if (text.IsEmpty()) return CB_ERR;
    for (int entry = 0; entry < list.GetCount(); ++entry)
        if (label(entry).CompareNoCase(text) == 0) return entry;
    return CB_ERR;
}

// Whether a text names the first entry of the sample-time lists, the system's own sample time,
// blanks around it and case aside ("system", " SYSTEM"). Typed, chosen or stored, the text
// means what the entry means: the number 0, which the lists store for it.
inline bool NamesSystemSampleTime(CString text) {
    text.Trim();
    return text.CompareNoCase("System") == 0;
}

// Selects the entry that a typed label names (see EntryNamedByText), so that the list shows
// the entry's own label; false when the text names none.
inline bool SelectNamedEntry(CComboBox& list) {
    const int entry = EntryNamedByText(list);
    if (entry < 0) return false;
    if (list.GetCurSel() != entry) list.SetCurSel(entry);
    return true;
}

// A text typed into an editable list becomes an entry of its own, and the selected one,
// unless the text is empty or names an entry, which is then selected.
inline void KeepTypedTextAsEntry(CComboBox& list) {
    CString text;
    list.GetWindowText(text);
    if (text.IsEmpty() || SelectNamedEntry(list)) return;
    list.SetCurSel(list.AddString(text));
}

} // namespace qv::pages
