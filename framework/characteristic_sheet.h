// The characteristic table of an element shown on a sheet of its own, as the pages of the
// elements with a characteristic open it from their "Characteristic" button.
#pragma once

#include "afx/afxwin.h"

class CPropCharacteristicXYTable;

namespace qv::characteristic {

// What the table starts with, and what OK gives back to the page: the kind (the table's
// mode), the reference, the variable name and the file name.
struct SheetFields {
    CString& reference;
    CString& variableName;
    CString& fileName;
    DWORD& kind;
    const CString& xAxisLabel;
    const CString& yAxisLabel;
};

// The page takes over its dialog's state first; the sheet's title is the element's name as
// the page held it before. The table stays the wizard's: the sheet only borrows it.
void RunCharacteristicSheet(CPropertyPage& page, const CString& name, CPropCharacteristicXYTable& table,
                            const SheetFields& fields);

} // namespace qv::characteristic
