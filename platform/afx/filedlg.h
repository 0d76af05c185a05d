// File dialogs, answered by the user script with a path or a cancel.
#pragma once

#include "afx/dialog.h"

#include <string>

struct OPENFILENAME {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCTSTR lpstrFilter;      // pairs of description and pattern, each ended by a NUL
    LPTSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;       // 1-based index of the chosen pair
    LPTSTR lpstrFile;
    DWORD nMaxFile;
    LPTSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCTSTR lpstrInitialDir;
    LPCTSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCTSTR lpstrDefExt;
};
typedef OPENFILENAME* LPOPENFILENAME;

class CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // The filter is written as "Text files (*.txt)|*.txt|All files (*.*)|*.*||".
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    // IDOK with the chosen path, IDCANCEL when the user cancelled. A chosen name without an
    // extension gets the default extension.
    virtual INT_PTR DoModal();

    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    CString GetFolderPath() const;
    BOOL IsOpenDialog() const { return m_bOpenFileDialog; }

    OPENFILENAME m_ofn;

protected:
    BOOL m_bOpenFileDialog;
    std::string m_filter;     // with the NUL separators m_ofn points to
    std::string m_defExt;
    char m_szFileName[MAX_PATH * 4];
    char m_szFileTitle[MAX_PATH];
};
