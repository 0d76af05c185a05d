#include "framework/characteristic_sheet.h"

#include "framework/module.h"
#include "framework/xy_table.h"
#include "toolkit/tb_sheet.h"

void qv::characteristic::RunCharacteristicSheet(CPropertyPage& page, const CString& name,
                                                CPropCharacteristicXYTable& table, const SheetFields& fields) {
    CResourceSwitch resources;
    CTBPropertySheet sheet(name, &page);
    page.UpdateData(TRUE);
    // The table is edited in place while the sheet is open (its points, file name and mode):
    // what it held before is kept, so that the sheet's Cancel gives it back unchanged.
    CPropCharacteristicXYTable kept;
    kept.CopyFrom(&table);
    const CString keptDirectory = table.GetFileDirectory();
    sheet.AddPage(&table);
    table.SetComponentName(name);
    table.SetReference(fields.reference);
    table.SetVariableName(fields.variableName);
    table.SetFileName(fields.fileName);
    table.SetXAxisLabel(fields.xAxisLabel);
    table.SetYAxisLabel(fields.yAxisLabel);
    table.SetMode(fields.kind);
    if (sheet.DoModal() == IDOK) {
        fields.kind = table.GetMode();
        fields.reference = table.GetReference();
        fields.variableName = table.GetVariableName();
        fields.fileName = table.GetFileName();
    } else {
        table.CopyFrom(&kept);
        table.SetFileDirectory(keptDirectory);
    }
    sheet.RemovePage(&table);
}
