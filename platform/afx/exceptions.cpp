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
    case CArchiveException::none: return "No error occurred.";
    case CArchiveException::readOnly: return "Tried to write to an archive opened for loading.";
    case CArchiveException::endOfFile: return "Reached end of file while reading an object.";
    case CArchiveException::writeOnly: return "Tried to read from an archive opened for storing.";
    case CArchiveException::badIndex: return "Invalid file format.";
    case CArchiveException::badClass: return "Tried to read an object into an object of the wrong type.";
    case CArchiveException::badSchema: return "Tried to read an object with a different version of the class.";
    default: return "Unspecified error in the archive.";
    }
}

const char* FileCauseText(int cause)
{
    switch (cause) {
    case CFileException::none: return "No error occurred.";
    case CFileException::fileNotFound: return "The file could not be located.";
    case CFileException::badPath: return "All or part of the path is invalid.";
    case CFileException::tooManyOpenFiles: return "Too many open files.";
    case CFileException::accessDenied: return "The file could not be accessed.";
    case CFileException::invalidFile: return "The file handle is invalid.";
    case CFileException::removeCurrentDir: return "The current directory cannot be removed.";
    case CFileException::directoryFull: return "There are no more directory entries.";
    case CFileException::badSeek: return "Error trying to set the file pointer.";
    case CFileException::hardIO: return "A hardware error occurred.";
    case CFileException::sharingViolation: return "A sharing violation occurred.";
    case CFileException::lockViolation: return "A locking violation occurred.";
    case CFileException::diskFull: return "The disk is full.";
    case CFileException::endOfFile: return "The end of file was reached.";
    default: return "An unspecified error occurred.";
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

BOOL CMemoryException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    return CopyMessage("Out of memory.", lpszError, nMaxError, pnHelpContext);
}

BOOL CNotSupportedException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    return CopyMessage("Unsupported operation was attempted.", lpszError, nMaxError, pnHelpContext);
}

BOOL CResourceException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    return CopyMessage("A required resource was unavailable.", lpszError, nMaxError, pnHelpContext);
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
