// What the wizards of this folder do with the characteristic table they embed: the element
// page opens it in a modal sheet of its own, and the wizard writes its points to a
// two-channel data file beside the model description.
#pragma once

#include "afx/afxwin.h"
#include "framework/xy_table.h"
#include "wizard/wizardbase.h"

namespace qv::power {

// The texts the element page hands to the table's sheet and takes back.
struct TableSheetTexts {
    CString componentName;  // also the sheet's caption
    CString variableName;
    CString fileName;
    CString xAxisLabel;
    CString yAxisLabel;
};

// Opens the table in a modal property sheet with the page as parent; the table is linked to
// the wizard and given the texts. An empty axis label first becomes the library string
// xDefault or yDefault (the label stays so in the texts). On OK the variable and file names
// come back into the texts. The sheet only borrows the table. Returns DoModal's result.
INT_PTR EditEmbeddedTable(CPropCharacteristicXYTable& table, CWizardBase4* owner, CWnd* page, TableSheetTexts& texts,
                          UINT xDefault = 2700, UINT yDefault = 2702);

// Writes the table's points as a two-channel data file named by the value of the parameter
// fileParamID, channel x with the texts x0 and x1, channel y with y0 and y1. Data files
// without a folder go to the description file's folder: the model-output directory becomes
// the part of its path up to the last separator, the temporary folder when the file has no
// path; a path without a separator leaves the directory as it was. A missing parameter or a
// failed write is reported to the editor.
void WriteEmbeddedTableFile(ParamHolder* holder, CWizardBase4* wizard, CFile* description, WORD fileParamID,
                            CPropCharacteristicXYTable& table, CString x0, CString y0, CString x1, CString y1);

} // namespace qv::power
