// Indexed parameter families: several parameters of one value ID whose names end in a
// bracket index ("Q[0]", "Q[1]", ...), made from the family's template (the member without a
// bracket index, which wizards also know by Type bit 0x02). Every family that grows and
// shrinks with an order or a count is kept through these helpers.
#pragma once

#include "afx/afx.h"
#include "wizard/paramholder.h"

#include <vector>

namespace qv::family {

// No family holds more members than this; larger orders and counts are refused.
constexpr int kMaxMembers = 10000;

// The order typed into an order field: the integer part of the text's number (truncated
// toward zero). A negative order means no member (-1 is returned for every negative one).
// FALSE when the order would need more than kMaxMembers members (index 0 to order).
BOOL OrderFromText(const CString& text, int* order);
// The number of members typed into a count field: the integer part of the text's number, 0 for
// a negative one. FALSE for a number that is not finite or above kMaxMembers.
bool CountFromText(const CString& text, int* count);

// The template's name up to its first "[" (the whole name without one) followed by "[i]".
CString IndexedName(const CString& templateName, int index);

// A new member of the family: a copy of the template (value included), deletable, Type bit
// 0x02 cleared, its template link the template's own object link, no own object link, named
// with the index and described from the template's descriptions. It is appended to the set.
// Null for a null holder or template.
CWizardCopaObject3* AppendMember(ParamHolder* holder, const CWizardCopaObject3* templ, int index);

// Brings a page's member array (position = index) to the indexes 0 to order: the indexes
// from the array's end up to the order are made from the template (none without one), the
// members beyond the order are retired and leave the array. Gaps stay null.
void ResizeFamily(ParamHolder* holder, const CWizardCopaObject3* templ, CPtrArray& members, int order);

// Marks a member deleted when it may be deleted; it stays in the set.
void RetireMember(CWizardCopaObject3* member);

// The fields of a comma-separated list as strtok finds them: runs of commas are one
// separator and empty fields do not count; blanks stay part of the fields.
std::vector<CString> SplitFields(const CString& list);

} // namespace qv::family
