// Dialog data exchange: moves values between a dialog's members and its controls.
//
// Loading (m_bSaveAndValidate FALSE) writes the members into the controls; saving reads the
// controls into the members and validates. A text that does not parse shows the framework's
// message ("Please enter an integer.", "Please enter a positive integer.", "Please enter a
// number.") in a message box and fails the exchange: UpdateData returns FALSE and the
// member keeps its value. Numbers are read and written in the "C" locale; doubles are
// written with "%.15g". Out-of-range integers are refused like malformed ones.
#pragma once

#include "afx/exceptions.h"
#include "afx/wnd.h"

// Thrown by CDataExchange::Fail; UpdateData catches it.
class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
public:
    CUserException() = default;
};

[[noreturn]] void AfxThrowUserException();

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;

    // The control's handle; a missing control stops the exchange (Fail).
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Ends the exchange as failed: the focus goes back to the last prepared control.
    [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// UINT is also DWORD here.
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// nIDC is the first radio button of a group (the one with WS_GROUP); value is the index of
// the checked button within the group, -1 for none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
// Attaches the member control to the dialog's control (once).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
