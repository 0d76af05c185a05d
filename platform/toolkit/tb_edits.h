// Edit fields of the toolkit.
#pragma once

#include "afx/afxwin.h"

// An edit field of the toolkit's look; it behaves as the plain edit field.
class CTBOwnEdit : public CEdit {
    DECLARE_DYNAMIC(CTBOwnEdit)
public:
    CTBOwnEdit() = default;
};

// An edit field for a file name. With auto-completion on, the completions offered for the
// typed text are the files and folders whose names start with the text's last part.
class CTBBrowseEdit : public CTBOwnEdit {
    DECLARE_DYNAMIC(CTBBrowseEdit)
public:
    CTBBrowseEdit() = default;

    void AutoComplete(BOOL bOn = TRUE) { m_autoComplete = bOn != FALSE; }
    BOOL IsAutoComplete() const { return m_autoComplete; }
    // The completions for the field's current text, sorted; none while auto-completion is off.
    void GetCompletions(CStringArray& out) const;

protected:
    bool m_autoComplete = false;
};
