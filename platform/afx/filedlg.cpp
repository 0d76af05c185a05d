// File dialogs.
#include "afx/filedlg.h"
#include "afx/user_script.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

namespace {

// The part after the last separator ('/' or '\\').
std::string NamePart(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The filter as the dialog was given it: its NUL-separated parts joined by '|' again, without
// the closing empty part.
std::string JoinedFilter(const char* filter)
{
    std::string joined;
    for (const char* part = filter; part != nullptr && *part != 0; part += std::strlen(part) + 1) {
        if (!joined.empty())
            joined += '|';
        joined += part;
    }
    return joined;
}

} // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CDialog(static_cast<UINT>(0), pParentWnd), m_ofn{}, m_bOpenFileDialog(bOpenFileDialog)
{
    m_szFileName[0] = 0;
    m_szFileTitle[0] = 0;
    m_ofn.lStructSize = sizeof(OPENFILENAME);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
    m_ofn.nFilterIndex = 1;
    if (lpszDefExt) {
        m_defExt = lpszDefExt;
        m_ofn.lpstrDefExt = m_defExt.c_str();
    }
    if (lpszFileName) {
        std::strncpy(m_szFileName, lpszFileName, sizeof m_szFileName - 1);
        m_szFileName[sizeof m_szFileName - 1] = 0;
    }
    if (lpszFilter) {
        // "a|b|c|d||" becomes "a\0b\0c\0d\0\0".
        m_filter = lpszFilter;
        for (char& c : m_filter)
            if (c == '|')
                c = '\0';
        m_filter.push_back('\0');
        m_ofn.lpstrFilter = m_filter.c_str();
    }
}

INT_PTR CFileDialog::DoModal()
{
    std::string title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : (m_bOpenFileDialog ? "Open" : "Save As");
    std::string path;
    DWORD filterIndex = m_ofn.nFilterIndex;
    const std::string initialDir = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "";
    const std::string initialName = m_ofn.lpstrFile ? m_ofn.lpstrFile : "";
    if (!qv::UserScript::Instance().AnswerFileDialog(title, initialDir, initialName, JoinedFilter(m_ofn.lpstrFilter),
                                                     m_ofn.Flags, path, filterIndex))
        return IDCANCEL;
    m_ofn.nFilterIndex = filterIndex;
    const std::string name = NamePart(path);
    if (!m_defExt.empty() && !name.empty() && name.find('.') == std::string::npos)
        path += "." + m_defExt;
    if (path.size() >= m_ofn.nMaxFile) {
        qv::UserScript::Instance().ReportFailure("file dialog: the chosen path does not fit the dialog's buffer");
        return IDCANCEL;
    }
    std::memcpy(m_ofn.lpstrFile, path.c_str(), path.size() + 1);
    const size_t offset = path.size() - NamePart(path).size();
    m_ofn.nFileOffset = static_cast<WORD>(offset);
    const size_t dot = path.find_last_of('.');
    m_ofn.nFileExtension = static_cast<WORD>(dot != std::string::npos && dot >= offset ? dot + 1 : path.size());
    std::strncpy(m_szFileTitle, path.c_str() + offset, sizeof m_szFileTitle - 1);
    m_szFileTitle[sizeof m_szFileTitle - 1] = 0;
    return IDOK;
}

CString CFileDialog::GetPathName() const { return CString(m_ofn.lpstrFile); }

CString CFileDialog::GetFileName() const { return CString(NamePart(m_ofn.lpstrFile).c_str()); }

CString CFileDialog::GetFileExt() const
{
    const std::string name = NamePart(m_ofn.lpstrFile);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? CString() : CString(name.substr(dot + 1).c_str());
}

CString CFileDialog::GetFileTitle() const
{
    const std::string name = NamePart(m_ofn.lpstrFile);
    const size_t dot = name.find_last_of('.');
    return CString(name.substr(0, dot).c_str());
}

CString CFileDialog::GetFolderPath() const
{
    const std::string path = m_ofn.lpstrFile;
    return CString(path.substr(0, path.size() - NamePart(path).size()).c_str());
}
