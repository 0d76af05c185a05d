#include "afx/file.h"
#include "win32/paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)
IMPLEMENT_DYNAMIC(CStdioFile, CFile)

// ---------------------------------------------------------------- CFile

CFile::CFile() = default;

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_pStream)
        std::fclose(m_pStream);
    m_pStream = nullptr;
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();
    const auto fail = [&](int err) {
        if (pError) {
            pError->m_cause = CFileException::OsErrorToException(err);
            pError->m_lOsError = err;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    };
    if (!lpszFileName || !*lpszFileName)
        return fail(ENOENT);

    int flags = 0;
    const char* mode = "rb";
    switch (nOpenFlags & 3) {
    case modeRead:
        flags = O_RDONLY;
        mode = "rb";
        break;
    case modeWrite:
        flags = O_WRONLY;
        mode = "wb";
        break;
    case modeReadWrite:
        flags = O_RDWR;
        mode = "r+b";
        break;
    default:
        return fail(EINVAL);
    }
    if (nOpenFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(nOpenFlags & modeNoTruncate))
            flags |= O_TRUNC;
    }
    flags |= O_CLOEXEC;

    const int fd = ::open(qv::DiskPath(lpszFileName).c_str(), flags, 0666);
    if (fd < 0)
        return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return fail(err);
    }
    // fdopen with "wb" does not truncate: truncation was decided by the open flags above.
    FILE* stream = ::fdopen(fd, mode);
    if (!stream) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    m_pStream = stream;
    m_strFileName = lpszFileName;
    m_bText = false;
    m_bLastWasRead = m_bLastWasWrite = false;
    if (pError) {
        pError->m_cause = CFileException::none;
        pError->m_lOsError = 0;
    }
    return TRUE;
}

void CFile::Close()
{
    if (!m_pStream)
        return;
    FILE* stream = m_pStream;
    m_pStream = nullptr;
    if (std::fclose(stream) != 0)
        ThrowOsError(errno);
}

void CFile::Abort()
{
    if (m_pStream)
        std::fclose(m_pStream);
    m_pStream = nullptr;
}

void CFile::ThrowOsError(int err) const
{
    AfxThrowFileException(CFileException::OsErrorToException(err), err, m_strFileName);
}

void CFile::PrepareFor(bool writing)
{
    if (!m_pStream)
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    // A stdio stream needs a positioning call between reading and writing.
    if ((writing && m_bLastWasRead) || (!writing && m_bLastWasWrite))
        std::fseek(m_pStream, 0, SEEK_CUR);
    m_bLastWasWrite = writing;
    m_bLastWasRead = !writing;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    PrepareFor(false);
    if (nCount == 0)
        return 0;
    const size_t n = std::fread(lpBuf, 1, nCount, m_pStream);
    if (n < nCount && std::ferror(m_pStream)) {
        std::clearerr(m_pStream);
        ThrowOsError(errno ? errno : EIO);
    }
    return static_cast<UINT>(n);
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    PrepareFor(true);
    if (nCount == 0)
        return;
    if (std::fwrite(lpBuf, 1, nCount, m_pStream) != nCount) {
        const int err = errno ? errno : ENOSPC;
        std::clearerr(m_pStream);
        ThrowOsError(err);
    }
}

LONG CFile::Seek(LONG lOff, UINT nFrom)
{
    if (!m_pStream)
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    long long base = 0;
    switch (nFrom) {
    case begin: base = 0; break;
    case current: base = static_cast<long long>(GetPosition()); break;
    case end: base = static_cast<long long>(GetLength()); break;
    default: AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
    }
    const long long target = base + lOff;
    if (target < 0 || target > static_cast<long long>(UINT32_MAX))
        AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
    if (::fseeko(m_pStream, static_cast<off_t>(target), SEEK_SET) != 0)
        ThrowOsError(errno);
    m_bLastWasRead = m_bLastWasWrite = false;
    return static_cast<LONG>(target);
}

DWORD CFile::GetLength() const
{
    if (!m_pStream)
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    if (m_bLastWasWrite)
        std::fflush(m_pStream);
    struct stat st {};
    if (::fstat(::fileno(m_pStream), &st) != 0)
        ThrowOsError(errno);
    if (st.st_size > static_cast<off_t>(UINT32_MAX))
        AfxThrowFileException(CFileException::badSeek, EFBIG, m_strFileName);
    return static_cast<DWORD>(st.st_size);
}

void CFile::SetLength(DWORD dwNewLen)
{
    if (!m_pStream)
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    std::fflush(m_pStream);
    if (::ftruncate(::fileno(m_pStream), static_cast<off_t>(dwNewLen)) != 0)
        ThrowOsError(errno);
}

DWORD CFile::GetPosition() const
{
    if (!m_pStream)
        AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    const off_t pos = ::ftello(m_pStream);
    if (pos < 0)
        ThrowOsError(errno);
    if (pos > static_cast<off_t>(UINT32_MAX))
        AfxThrowFileException(CFileException::badSeek, EFBIG, m_strFileName);
    return static_cast<DWORD>(pos);
}

void CFile::Flush()
{
    if (m_pStream && std::fflush(m_pStream) != 0)
        ThrowOsError(errno);
}

CString CFile::GetFileName() const
{
    const std::string& path = m_strFileName.str();
    const size_t p = path.find_last_of("/\\");
    return CString(p == std::string::npos ? std::string_view(path) : std::string_view(path).substr(p + 1));
}

CString CFile::GetFileTitle() const
{
    CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

void CFile::Remove(LPCTSTR lpszFileName)
{
    if (!lpszFileName || std::remove(qv::DiskPath(lpszFileName).c_str()) != 0) {
        const int err = lpszFileName ? errno : ENOENT;
        AfxThrowFileException(CFileException::OsErrorToException(err), err, lpszFileName);
    }
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName)
{
    if (!lpszOldName || !lpszNewName ||
        std::rename(qv::DiskPath(lpszOldName).c_str(), qv::DiskPath(lpszNewName).c_str()) != 0) {
        const int err = (lpszOldName && lpszNewName) ? errno : ENOENT;
        AfxThrowFileException(CFileException::OsErrorToException(err), err, lpszOldName);
    }
}

// ---------------------------------------------------------------- CMemFile

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes) { Attach(lpBuffer, nBufferSize, nGrowBytes); }

CMemFile::~CMemFile() { Reset(); }

void CMemFile::Reset()
{
    if (m_bOwnsBuffer)
        std::free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    m_nPosition = 0;
    m_bOwnsBuffer = false;
}

void CMemFile::Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes)
{
    Reset();
    m_lpBuffer = lpBuffer;
    m_nBufferSize = lpBuffer ? nBufferSize : 0;
    m_nFileSize = static_cast<DWORD>(m_nBufferSize);
    m_nGrowBytes = nGrowBytes;
    m_bOwnsBuffer = false;
}

BYTE* CMemFile::Detach()
{
    BYTE* buffer = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_bOwnsBuffer = false;
    Reset();
    return buffer;
}

BOOL CMemFile::Open(LPCTSTR, UINT, CFileException* pError)
{
    if (pError) {
        pError->m_cause = CFileException::generic;
        pError->m_lOsError = EINVAL;
    }
    return FALSE;
}

void CMemFile::Close()
{
    // Bytes of the caller's stay attached, so that Detach after Close still hands them back
    // (the system closes, then detaches a block it keeps). Bytes of the file's own go.
    if (m_bOwnsBuffer) {
        Reset();
        return;
    }
    m_nPosition = 0;
}

void CMemFile::Abort() { Reset(); }

void CMemFile::GrowFile(size_t dwNewLen)
{
    if (dwNewLen <= m_nBufferSize)
        return;
    if (m_nGrowBytes == 0 || dwNewLen > UINT32_MAX)
        AfxThrowMemoryException();
    // Grow by whole steps of the grow size, and by at least half the current size, so
    // that writing a large archive in small pieces does not copy it over and over.
    size_t newSize = m_nBufferSize + ((dwNewLen - m_nBufferSize + m_nGrowBytes - 1) / m_nGrowBytes) * m_nGrowBytes;
    newSize = std::max(newSize, m_nBufferSize + m_nBufferSize / 2);
    newSize = std::min<size_t>(std::max(newSize, dwNewLen), UINT32_MAX);
    BYTE* grown = nullptr;
    if (m_bOwnsBuffer) {
        grown = static_cast<BYTE*>(std::realloc(m_lpBuffer, newSize));
    } else {
        grown = static_cast<BYTE*>(std::malloc(newSize));
        if (grown && m_nFileSize)
            std::memcpy(grown, m_lpBuffer, m_nFileSize);
    }
    if (!grown)
        AfxThrowMemoryException();
    m_lpBuffer = grown;
    m_nBufferSize = newSize;
    m_bOwnsBuffer = true;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount)
{
    if (m_nPosition >= m_nFileSize || nCount == 0)
        return 0;
    const UINT n = std::min<UINT>(nCount, m_nFileSize - m_nPosition);
    std::memcpy(lpBuf, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return n;
}

void CMemFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    const size_t end = static_cast<size_t>(m_nPosition) + nCount;
    if (end > UINT32_MAX)
        AfxThrowMemoryException();
    GrowFile(end);
    if (m_nPosition > m_nFileSize)
        std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    std::memcpy(m_lpBuffer + m_nPosition, lpBuf, nCount);
    m_nPosition = static_cast<DWORD>(end);
    if (m_nPosition > m_nFileSize)
        m_nFileSize = m_nPosition;
}

LONG CMemFile::Seek(LONG lOff, UINT nFrom)
{
    long long base = 0;
    switch (nFrom) {
    case begin: base = 0; break;
    case current: base = m_nPosition; break;
    case end: base = m_nFileSize; break;
    default: AfxThrowFileException(CFileException::badSeek, EINVAL);
    }
    const long long target = base + lOff;
    if (target < 0 || target > static_cast<long long>(UINT32_MAX))
        AfxThrowFileException(CFileException::badSeek, EINVAL);
    m_nPosition = static_cast<DWORD>(target);
    return static_cast<LONG>(target);
}

void CMemFile::SetLength(DWORD dwNewLen)
{
    if (dwNewLen > m_nFileSize) {
        GrowFile(dwNewLen);
        std::memset(m_lpBuffer + m_nFileSize, 0, dwNewLen - m_nFileSize);
    }
    m_nFileSize = dwNewLen;
    if (m_nPosition > dwNewLen)
        m_nPosition = dwNewLen;
}

// ---------------------------------------------------------------- CStdioFile

CStdioFile::CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (!CFile::Open(lpszFileName, nOpenFlags, pError))
        return FALSE;
    m_bText = !(nOpenFlags & typeBinary);
    return TRUE;
}

int CStdioFile::GetChar()
{
    int c = std::getc(m_pStream);
    if (c == '\r' && m_bText) {
        const int next = std::getc(m_pStream);
        if (next == '\n')
            return '\n';
        if (next != EOF)
            std::ungetc(next, m_pStream);
    }
    if (c == EOF && std::ferror(m_pStream)) {
        std::clearerr(m_pStream);
        ThrowOsError(errno ? errno : EIO);
    }
    return c;
}

LPTSTR CStdioFile::ReadString(LPTSTR lpsz, UINT nMax)
{
    // With room for the terminator only nothing could ever be read; answering NULL keeps a
    // caller's read loop from spinning forever.
    if (!lpsz || nMax <= 1)
        return nullptr;
    PrepareFor(false);
    UINT n = 0;
    while (n + 1 < nMax) {
        const int c = GetChar();
        if (c == EOF)
            break;
        lpsz[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    lpsz[n] = '\0';
    return n ? lpsz : nullptr;
}

BOOL CStdioFile::ReadString(CString& rString)
{
    rString.Empty();
    PrepareFor(false);
    std::string line;
    bool any = false;
    for (;;) {
        const int c = GetChar();
        if (c == EOF)
            break;
        any = true;
        if (c == '\n')
            break;
        line.push_back(static_cast<char>(c));
    }
    // A line from a Windows file read in binary mode still carries its "\r".
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    rString = CString(std::string_view(line));
    return any ? TRUE : FALSE;
}

void CStdioFile::WriteString(LPCTSTR lpsz)
{
    if (lpsz)
        Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}
