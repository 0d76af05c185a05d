// The order of a parameter set following the rows of a list that the user moves up or down.
#pragma once

#include "framework/param_access.h"

// Moves `moved` to the place that `neighbour` holds in the set; the parameters between them
// shift by one towards the place `moved` left. False, and the set unchanged, when either is
// not in the set.
inline bool MoveParamToNeighbour(ParamHolder* holder, CWizardCopaObject3* moved, const CWizardCopaObject3* neighbour) {
    const int from = IndexOfParam(holder, moved);
    const int to = IndexOfParam(holder, neighbour);
    if (from < 0 || to < 0) return false;
    holder->m_Params.RemoveAt(from);
    holder->m_Params.InsertAt(to, moved);
    return true;
}
