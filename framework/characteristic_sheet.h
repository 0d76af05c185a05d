// The characteristic table of an element shown on a sheet of its own, as the pages of the
// elements with a characteristic open it from their "Characteristic" button.
#pragma once

#include "afx/afxwin.h"

#include <functional>

class CPropCharacteristicXYTable;
class CPropertySheet;

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

// Runs the table as the one page of `sheet`, modal: `fill` gives it the texts of the element
// once it is on the sheet. The table is edited in place and gets back what it held when the
// sheet ends otherwise than by OK. A data-file name typed without a folder lies in the folder
// of its owner's document, whichever element's page ran before. The sheet only borrows the
// table. Returns DoModal's result.
INT_PTR RunTableSheet(CPropertySheet& sheet, CPropCharacteristicXYTable& table, const std::function<void()>& fill);

// Gives the table the element's name `name` and the file name `fileName` as a sheet opens on
// it. A file name that is the document's default name of the name the table had when it last
// opened follows the element's new name (FileNameFollowingRename), while the table writes its
// own file: under the earlier name it would be another element's file.
void NameTableFor(CPropCharacteristicXYTable& table, const CString& name, const CString& fileName);

// The page takes over its dialog's state first; the sheet's title is the element's name as
// the page held it before. The table stays the wizard's: the sheet only borrows it.
void RunCharacteristicSheet(CPropertyPage& page, const CString& name, CPropCharacteristicXYTable& table,
                            const SheetFields& fields);

} // namespace qv::characteristic
