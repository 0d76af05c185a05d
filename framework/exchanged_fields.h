// A page's text fields and check boxes exchanged with their controls from a table of (control,
// member) each, so that DoDataExchange names its fields once as data instead of one call each.
#pragma once

#include "afx/afxwin.h"

#include <cstddef>

namespace qv::pages {

// Control `control` shows and gives back the page's member `member`.
template <class Page, class Value>
struct ExchangedField {
    int control;
    Value Page::*member;
};
template <class Page>
using TextField = ExchangedField<Page, CString>;
template <class Page>
using CheckField = ExchangedField<Page, BOOL>;

// DDX_Text for every text field of the table, in its order.
template <class Page, std::size_t N>
void ExchangeTexts(CDataExchange* pDX, Page& page, const TextField<Page> (&fields)[N]) {
    for (const TextField<Page>& field : fields) DDX_Text(pDX, field.control, page.*field.member);
}

// DDX_Check for every check box of the table, in its order.
template <class Page, std::size_t N>
void ExchangeChecks(CDataExchange* pDX, Page& page, const CheckField<Page> (&fields)[N]) {
    for (const CheckField<Page>& field : fields) DDX_Check(pDX, field.control, page.*field.member);
}

} // namespace qv::pages
