#include "framework/characteristic_description.h"

#include "framework/data_file_places.h"
#include "framework/path_parts.h"

namespace qv::characteristic {

void PrepareCharacteristicDataFile(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                                   const CWizardBaseCommon* wizard, WORD fileID, bool userFile, CFile* file) {
    if (!userFile) {
        SetParamValue(holder, fileID, MakeDocumentFileName(wizard, CString()));
        CommitParamSet(target, cookie);
    }
    PutDataFilesBesideDescription(file);
}

void PutDataFilesBesideDescription(CFile* file) {
    CString folder = file ? file->GetFilePath() : CString();
    if (folder.IsEmpty()) {
        char buffer[MAX_PATH] = {};
        const DWORD written = GetTempPathA(MAX_PATH, buffer);
        if (written > 0 && written < MAX_PATH) folder = buffer;
    }
    int last = -1;
    for (int i = 0; i < folder.GetLength(); ++i)
        if (IsPathSeparator(folder[i])) last = i;
    if (last >= 0) SetModelOutputDir(folder.Left(last + 1));
}

} // namespace qv::characteristic
