#include "framework/data_file_table_page.h"

#include "framework/data_file_places.h"
#include "framework/module.h"

void CDataFileTablePage::ShowMessage(const CString& text) {
    if (m_bHidden) return;
    CResourceSwitch resources;
    AfxMessageBox(text, MB_OK);
}

void CDataFileTablePage::NormalizeFileName() {
    CString folder = m_strFolder;
    MakeCharacteristicPathRelative(folder, m_strFileName);
    m_strFolder = folder;
    if (GetSafeHwnd() != nullptr) UpdateData(FALSE);
}
