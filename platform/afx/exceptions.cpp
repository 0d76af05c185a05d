#include "afx/exceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

namespace {

BOOL CopyMessage(const char* text, LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0)
        return FALSE;
    std::snprintf(lpszError, nMaxError, "%s", text);
    return TRUE;
}

const char* ArchiveCauseText(int cause)
{
    switch (cause) {
    case CArchiveException::none: return "no archive error";
    case CArchiveException::readOnly: return "archive is loading and cannot store";
    case CArchiveException::endOfFile: return "archive data ends too early";
    case CArchiveException::writeOnly: return "archive is storing and cannot load";
    case CArchiveException::badIndex: return "archive holds an unknown object or class index";
    case CArchiveException::badClass: return "archive names an unknown or unexpected class";
    case CArchiveException::badSchema: return "archive holds an unsupported class version";
    default: return "archive error";
    }
}

const char* FileCauseText(int cause)
{
    switch (cause) {
    case CFileException::none: return "no file error";
    case CFileException::fileNotFound: return "file not found";
    case CFileException::badPath: return "invalid path";
    case CFileException::tooManyOpenFiles: return "too many open files";
    case CFileException::accessDenied: return "access denied";
    case CFileException::invalidFile: return "invalid file handle";
    case CFileException::removeCurrentDir: return "cannot remove the current folder";
    case CFileException::directoryFull: return "folder is full";
    case CFileException::badSeek: return "seek failed";
    case CFileException::hardIO: return "input/output error";
    case CFileException::sharingViolation: return "file is in use";
    case CFileException::lockViolation: return "file is locked";
    case CFileException::diskFull: return "disk full";
    case CFileException::endOfFile: return "end of file";
    default: return "file error";
    }
}

} // namespace

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (lpszError && nMaxError > 0)
        lpszError[0] = '\0';
    return FALSE;
}

BOOL qv::FixedTextException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    return CopyMessage(m_text, lpszError, nMaxError, pnHelpContext);
}

BOOL CArchiveException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    CString text(ArchiveCauseText(m_cause));
    if (!m_strFileName.IsEmpty())
        text += " (" + m_strFileName + ")";
    return CopyMessage(text, lpszError, nMaxError, pnHelpContext);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    CString text(FileCauseText(m_cause));
    if (!m_strFileName.IsEmpty())
        text += " (" + m_strFileName + ")";
    return CopyMessage(text, lpszError, nMaxError, pnHelpContext);
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST: return accessDenied;
    case EBADF: return invalidFile;
    case EBUSY: return sharingViolation;
    case ESPIPE:
    case EINVAL: return badSeek;
    case EIO: return hardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    default: return generic;
    }
}

void AfxThrowMemoryException() { throw new CMemoryException(); }
void AfxThrowNotSupportedException() { throw new CNotSupportedException(); }
void AfxThrowResourceException() { throw new CResourceException(); }
void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName) { throw new CArchiveException(cause, lpszArchiveName); }
void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}
