// Elements whose characteristic may be a table of points (resistor and conductance,
// capacitor and inductor, the nonlinear transformer, the controlled sources): the bits of
// their mode word and the steps of their model text, with what differs (which forms carry a
// table, how that table is written, the "@TYPE" keyword) handed in by the caller.
#pragma once

#include "afx/afx.h"
#include "framework/model_text_builders.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/requests.h"

// Bits of the mode word beside the element form.
constexpr DWORD kModeFileReference = 0x4000;  // the active table is a File Reference ("CH_STRG", no data file)
constexpr DWORD kModeUserFile = 0x8000;       // the user chose the data file: keep its name
constexpr DWORD kModeFlagBits = kModeFileReference | kModeUserFile;

// The element form of a mode word: the word without the two flag bits.
constexpr DWORD FormOfModeWord(DWORD modeWord) { return modeWord & ~kModeFlagBits; }

namespace qv::characteristic {

// Before a model text quotes a characteristic that is kept as a data file: unless the user
// chose the file, the file parameter `fileID` is named after the document and committed;
// the data file then goes into the folder of the description file, or into the temporary
// folder when that has no path. The caller writes the table's points afterwards.
void PrepareCharacteristicDataFile(const RequestTarget& target, DWORD_PTR cookie, ParamHolder* holder,
                                   const CWizardBaseCommon* wizard, WORD fileID, bool userFile, CFile* file);
// Data files go into the folder of the description file `file`, or into the temporary folder
// when that has no path.
void PutDataFilesBesideDescription(CFile* file);

// The parameters of the characteristic: its value (the table or a reference) and, where the
// element has one, the data file's name.
struct CharacteristicParams {
    WORD value;
    WORD file;
};

// Only a template that carries "IMMANENT" gets a model text. Without a list the wizard
// initialises itself first. The pin assignment is built; a characteristic of a table form
// (`hasTable(form)`) that is neither on a pin nor a File Reference is written as a data file
// (`writeTable(holder, fileID, form)` after the file's name and folder are set); "@TYPE"
// becomes `keyword(form)`; a pending table placeholder is replaced by the table's keyword.
template <class Wizard, class HasTable, class WriteTable, class Keyword>
int WriteCharacteristicDescription(Wizard& wizard, CFile* file, const CString& templ, CString& modelText,
                                   CharacteristicParams ids, HasTable hasTable, WriteTable writeTable,
                                   Keyword keyword) {
    if (templ.Find("IMMANENT") < 0) return 4;
    if (wizard.GetSnapshots().GetSize() == 0) wizard.Initialize(0);

    const RequestTarget target(&wizard);
    ScopedParamSet params(target);
    ParamHolder* holder = params.Holder();
    CCopaObjectCompare* pending = nullptr;
    const DWORD modeWord = wizard.GetModeWord();
    BuildPinAssignmentList(modelText, &const_cast<CPtrArray&>(wizard.GetSnapshots()), modeWord, holder, &pending);

    const DWORD form = FormOfModeWord(modeWord);
    const bool reference = (modeWord & kModeFileReference) != 0;
    const bool userFile = (modeWord & kModeUserFile) != 0;
    const bool hasFileParam = HasParamWithValueID(holder, ids.file) != 0;
    const WORD fileID = hasFileParam ? ids.file : ids.value;

    BOOL characteristicOnPin = FALSE;
    GetParamUsePin(holder, ids.value, &characteristicOnPin);
    if (hasTable(form) && HasParamWithValueID(holder, ids.value) && !characteristicOnPin && pending != nullptr &&
        !reference) {
        PrepareCharacteristicDataFile(target, params.Cookie(), holder, &wizard, fileID, userFile, file);
        writeTable(holder, fileID, form);
    }

    ReplacePlaceholder(modelText, "@TYPE", keyword(form), 0);

    if (pending != nullptr) {
        // The table is named by its own parameter; an element definition without it keeps
        // the name in the characteristic's parameter, as the page's snapshot does.
        const CString tableKeyword = reference ? "CH_STRG" : "CH_FILE";
        const bool hasTableParam = FindParamByName(holder, tableKeyword) != nullptr;
        BuildInternXYTable(&modelText, pending, holder, &wizard, reference ? 1 : 0, CString(),
                           hasTableParam ? tableKeyword : CString(), CString(), 1);
        // The pending list owns the snapshot: it leaves the list before it is deleted.
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}

} // namespace qv::characteristic
