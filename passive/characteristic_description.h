// The model text of an element whose characteristic may be a table of points (resistor and
// conductance, capacitor and inductor, the controlled sources): the steps they share, with
// what differs (which forms carry a table, how that table is written, the "@TYPE" keyword)
// handed in by the caller.
#pragma once

#include "afx/afx.h"
#include "framework/model_text_builders.h"
#include "framework/param_access.h"
#include "framework/param_list.h"
#include "framework/placeholders.h"
#include "framework/requests.h"
#include "passive/passive_bases.h"

namespace qv::passive {

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

    const DWORD form = PassiveFormOf(modeWord);
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
        const CString tableKeyword = reference ? "CH_STRG" : "CH_FILE";
        BuildInternXYTable(&modelText, pending, holder, &wizard, reference ? 1 : 0, CString(),
                           hasFileParam ? tableKeyword : CString(), CString(), 1);
        // The pending list owns the snapshot: it leaves the list before it is deleted.
        g_PlaceholderList.Discard(pending);
    }
    return 4;
}

} // namespace qv::passive
