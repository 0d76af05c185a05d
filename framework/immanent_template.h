// An element's model-text template either is the simulator's own or says "IMMANENT": then the
// element's wizard writes the model text itself. WriteSimDescr of such a wizard returns 4 and
// leaves the text alone for any other template.
#pragma once

#include "afx/afx.h"

namespace qv::modeltext {

// True when the wizard writes the element's model text itself.
inline bool IsImmanentTemplate(const CString& templ) { return templ.Find("IMMANENT") >= 0; }

} // namespace qv::modeltext
