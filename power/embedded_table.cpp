#include "power/embedded_table.h"

#include "framework/characteristic_description.h"
#include "framework/characteristic_sheet.h"
#include "framework/data_file_places.h"
#include "framework/module.h"
#include "framework/path_parts.h"
#include "framework/table_writers.h"
#include "toolkit/tb_sheet.h"
#include "win32/paths.h"

namespace qv::power {

INT_PTR EditEmbeddedTable(CPropCharacteristicXYTable& table, CWizardBase4* owner, CWnd* page, TableSheetTexts& texts,
                          UINT xDefault, UINT yDefault) {
    CResourceSwitch resources;
    CTBPropertySheet sheet(texts.componentName, page);
    table.SetOwnerWizard(owner);
    if (texts.xAxisLabel.IsEmpty()) texts.xAxisLabel = LoadLibraryString(xDefault);
    if (texts.yAxisLabel.IsEmpty()) texts.yAxisLabel = LoadLibraryString(yDefault);
    const INT_PTR result = qv::characteristic::RunTableSheet(sheet, table, [&] {
        qv::characteristic::NameTableFor(table, texts.componentName, texts.fileName);
        table.SetVariableName(texts.variableName);
        table.SetXAxisLabel(texts.xAxisLabel);
        table.SetYAxisLabel(texts.yAxisLabel);
    });
    if (result == IDOK) {
        texts.variableName = table.GetVariableName();
        texts.fileName = table.GetFileName();
    }
    return result;
}

void WriteEmbeddedTableFile(ParamHolder* holder, CWizardBase4* wizard, CFile* description, WORD fileParamID,
                            CPropCharacteristicXYTable& table, CString x0, CString y0, CString x1, CString y1) {
    qv::characteristic::PutDataFilesBesideDescription(description);
    CPtrArray none;
    CPtrArray* points = &none;
    table.GetPoints(&points);
    WriteParamCharacteristicFile(holder, wizard, fileParamID, points, x0, y0, x1, y1);
}

} // namespace qv::power
