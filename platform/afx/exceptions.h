// Exceptions of the stand-in framework.
//
// They are thrown as pointers to heap objects (throw new CArchiveException(...)), caught as
// CException* and released with Delete(), as the system's code expects. Every exception made
// by the AfxThrow... helpers is heap-allocated, so Delete() always frees it.
#pragma once

#include "afx/cstring.h"
#include "afx/object.h"

#include <new>
#include <stdexcept>

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    ~CException() override = default;
    // Frees a heap-allocated exception; an exception made with bAutoDelete FALSE stays.
    void Delete();
    // Copies a short description into the buffer (at most nMaxError-1 characters and a
    // terminator). Returns FALSE when no description exists.
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr);

    BOOL m_bAutoDelete;
};

namespace qv {
// An exception that carries nothing but its kind, described by one fixed text.
class FixedTextException : public CException {
public:
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

protected:
    explicit FixedTextException(const char* text) : m_text(text) {}

private:
    const char* m_text;
};
} // namespace qv

class CMemoryException : public qv::FixedTextException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    CMemoryException() : FixedTextException("out of memory") {}
};

class CNotSupportedException : public qv::FixedTextException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    CNotSupportedException() : FixedTextException("operation not supported") {}
};

class CResourceException : public qv::FixedTextException {
    DECLARE_DYNAMIC(CResourceException)
public:
    CResourceException() : FixedTextException("resource not available") {}
};

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum {
        none,
        generic,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema
    };
    explicit CArchiveException(int cause = CArchiveException::none, LPCTSTR lpszArchiveName = nullptr)
        : m_cause(cause), m_strFileName(lpszArchiveName)
    {
    }
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

    int m_cause;
    CString m_strFileName;
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };
    explicit CFileException(int cause = CFileException::none, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName)
    {
    }
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;
    // The cause that fits an errno value.
    static int OsErrorToException(LONG lOsError);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName = nullptr);
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

namespace qv {
// Runs a step that allocates and gives back its result; running out of memory raises the
// framework's memory exception (caught as CException* like every other failure), never
// std::bad_alloc or std::length_error.
template <class F>
decltype(auto) GrowOrThrow(F&& f)
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    } catch (const std::length_error&) {
        AfxThrowMemoryException();
    }
}
}  // namespace qv
