// Message-map entries for many controls that share one handler. A page whose edit fields (or
// check boxes, or unit lists) all do the same when they change, typically marking the page
// modified, lists their IDs once in a table instead of writing one message-map line each.
#pragma once

#include "afx/afxwin.h"

namespace qv::pages {

// TRUE when control `id` stands in the table `ids`.
template <class Ids>
constexpr bool IsListedControl(const Ids& ids, UINT id) {
    for (const auto listed : ids)
        if (static_cast<UINT>(listed) == id) return true;
    return false;
}

} // namespace qv::pages

// One message-map entry for the notification `nCode` of every control whose ID stands in the
// table `ids` (an array with static storage): the handler is called for a listed control. The
// notification of any other control passes on to the following entries and the base classes'
// maps, as if this entry were not there.
#define ON_LISTED_CONTROLS(nCode, ids, memberFxn)                                     \
    {WM_COMMAND, (UINT)(nCode), 0u, ~0u,                                               \
     QV_THUNK(if (!qv::pages::IsListedControl(ids, qv_args.id)) return FALSE;          \
              (qv_self->*(memberFxn))(); return TRUE)},
