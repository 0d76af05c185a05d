// A page's plain data exchange written as tables: its controls attached to their members, its
// check boxes with their flags and its edits with their texts, each table in one call. The
// controls send no notification while they are filled, so grouping by kind changes nothing.
#pragma once

#include "afx/afxwin.h"

#include <initializer_list>

namespace qv::pages {

struct ControlField {
    int id;
    CWnd& control;
};
struct CheckField {
    int id;
    BOOL& flag;
};
struct TextField {
    int id;
    CString& text;
};

inline void ExchangeControls(CDataExchange* pDX, std::initializer_list<ControlField> fields) {
    for (const ControlField& field : fields) DDX_Control(pDX, field.id, field.control);
}
inline void ExchangeChecks(CDataExchange* pDX, std::initializer_list<CheckField> fields) {
    for (const CheckField& field : fields) DDX_Check(pDX, field.id, field.flag);
}
inline void ExchangeTexts(CDataExchange* pDX, std::initializer_list<TextField> fields) {
    for (const TextField& field : fields) DDX_Text(pDX, field.id, field.text);
}

} // namespace qv::pages
