// Requests from a wizard to the editor: the request codes (wParam) and the records passed
// as lParam. Every record starts with the element handle. Handle-sized and pointer-sized
// fields are pointer-sized on this platform; nothing stores these records, only the field
// order is shared between sender and editor.
#pragma once

#include "afx/afx.h"


enum EWizardRequest : UINT {
    WIZREQ_COMMIT_EXCHANGE = 0,   // lParam: the CWizardSchematicDataExchange3 itself; 0 = accepted
    WIZREQ_FILE_WRITTEN = 7,      // lParam: WizReqFileRecord (a data file was just written)
    WIZREQ_ERROR_TEXT = 8,        // lParam: WizReqTextRecord (an error text for the user)
    WIZREQ_HELP = 11,             // lParam: the element handle itself
    WIZREQ_NAME_PARTS = 13,       // lParam: WizReqNamePartsRecord
    WIZREQ_UNIQUE_NAME = 14,      // lParam: WizReqTextRecord (candidate); non-zero = name is free
    WIZREQ_GET_PARAMS = 23,       // lParam: WizReqCookieRecord; the editor writes the cookie
    WIZREQ_RELEASE_PARAMS = 24,   // lParam: WizReqCookieRecord with the cookie obtained with 23
    WIZREQ_COMMIT_PARAMS = 25,    // lParam: the cookie itself; 0 = accepted
};

// Code 7.
struct WizReqFileRecord {
    DWORD dwElementHandle;
    CString strFilePath;          // full path of the file just written
};

// Codes 8 and 14.
struct WizReqTextRecord {
    DWORD dwElementHandle;
    CString strText;              // the error text (8) or the candidate name (14)
};

// Code 13.
struct WizReqNamePartsRecord {
    DWORD dwElementHandle;
    CStringArray* pNameParts;     // filled by the editor
    CString strSeparator;         // always "_"
};

// Codes 23 and 24. The cookie is the element's ParamHolder; 0 means none.
struct WizReqCookieRecord {
    DWORD dwElementHandle;
    DWORD_PTR dwCookie;
};
