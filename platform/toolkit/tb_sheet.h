// Property sheets that the library opens itself.
#pragma once

#include "afx/afxwin.h"

class CTBPropertySheet : public CPropertySheet {
    DECLARE_DYNAMIC(CTBPropertySheet)
public:
    // Made as a plain sheet is: empty, or with a caption text or string ID.
    using CPropertySheet::CPropertySheet;
};
