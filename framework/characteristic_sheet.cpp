#include "framework/characteristic_sheet.h"

#include "framework/data_file_places.h"
#include "framework/module.h"
#include "framework/xy_table.h"
#include "toolkit/tb_sheet.h"
#include "wizard/wizardbase.h"

INT_PTR qv::characteristic::RunTableSheet(CPropertySheet& sheet, CPropCharacteristicXYTable& table,
                                          const std::function<void()>& fill) {
    // The table is edited in place while the sheet is open (its points, file name and mode):
    // what it held before is kept, so that the sheet's Cancel gives it back unchanged.
    CPropCharacteristicXYTable kept;
    kept.CopyFrom(&table);
    const CString keptDirectory = table.GetFileDirectory();
    // The page takes its folder from the document's as it opens.
    if (table.GetOwnerWizard() != nullptr)
        TakeDocumentDir(table.GetOwnerWizard());
    else if (table.GetOwnerWizard3() != nullptr)
        TakeDocumentDir(table.GetOwnerWizard3());
    sheet.AddPage(&table);
    if (fill) fill();
    const INT_PTR result = sheet.DoModal();
    if (result != IDOK) {
        table.CopyFrom(&kept);
        table.SetFileDirectory(keptDirectory);
    }
    sheet.RemovePage(&table);
    return result;
}

void qv::characteristic::NameTableFor(CPropCharacteristicXYTable& table, const CString& name, const CString& fileName) {
    const CWizardBaseCommon* owner = table.GetOwnerWizard();
    if (owner == nullptr) owner = table.GetOwnerWizard3();
    table.SetFileName(table.GetUserFileFlag() ? FileNameFollowingRename(owner, fileName, table.GetComponentName(), name,
                                                                        table.GetDefaultNameSuffix())
                                              : fileName);
    table.SetComponentName(name);
}

void qv::characteristic::RunCharacteristicSheet(CPropertyPage& page, const CString& name,
                                                CPropCharacteristicXYTable& table, const SheetFields& fields) {
    CResourceSwitch resources;
    CTBPropertySheet sheet(name, &page);
    page.UpdateData(TRUE);
    const INT_PTR result = RunTableSheet(sheet, table, [&] {
        NameTableFor(table, name, fields.fileName);
        table.SetReference(fields.reference);
        table.SetVariableName(fields.variableName);
        table.SetXAxisLabel(fields.xAxisLabel);
        table.SetYAxisLabel(fields.yAxisLabel);
        table.SetMode(fields.kind);
    });
    if (result == IDOK) {
        fields.kind = table.GetMode();
        fields.reference = table.GetReference();
        fields.variableName = table.GetVariableName();
        fields.fileName = table.GetFileName();
    }
}
