// Files: CFile (a file on disk), CMemFile (a file in memory), CStdioFile (text lines).
//
// Differences from the original platform, deliberate for the POSIX port:
// - Sharing flags are accepted and ignored (POSIX has no share modes).
// - GetFilePath returns the path as it was given to Open, not an expanded full path.
// - Text mode changes reading only: a "\r\n" line end (files may come from Windows) reads
//   as "\n". Writing in text mode writes "\n" unchanged.
// - Sizes and positions are 32-bit as on the original platform; a file that does not fit is
//   refused with CFileException::badSeek instead of being read with a wrapped position.
#pragma once

#include "afx/cstring.h"
#include "afx/exceptions.h"
#include "afx/object.h"

#include <cstdio>

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = static_cast<int>(0x8000)
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    CFile();
    // Opens the file or throws CFileException.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE on failure, with the cause in *pError when given.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    virtual void Close();
    // Closes without throwing, whatever state the file is in.
    virtual void Abort();
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    // Returns the new position. A position before the start throws CFileException::badSeek.
    virtual LONG Seek(LONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    DWORD SeekToEnd() { return static_cast<DWORD>(Seek(0, end)); }
    virtual DWORD GetLength() const;
    virtual void SetLength(DWORD dwNewLen);
    virtual DWORD GetPosition() const;
    virtual void Flush();
    BOOL IsOpen() const { return m_pStream != nullptr; }

    CString GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;   // the part after the last '/' or '\\'
    CString GetFileTitle() const;  // the file name without its extension

    static void Remove(LPCTSTR lpszFileName);
    static void Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);

protected:
    [[noreturn]] void ThrowOsError(int err) const;
    void PrepareFor(bool writing);

    FILE* m_pStream = nullptr;
    CString m_strFileName;
    bool m_bText = false;

private:
    bool m_bLastWasWrite = false;
    bool m_bLastWasRead = false;
};

class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)
public:
    // An empty growable file; it grows by nGrowBytes steps as it is written.
    explicit CMemFile(UINT nGrowBytes = 1024);
    // A file over the caller's bytes (nBufferSize bytes are the file's content). With
    // nGrowBytes 0 writing past the end throws CMemoryException; otherwise the content is
    // moved to a buffer of the file's own when it must grow. The caller's bytes are never
    // freed or reallocated by the file.
    CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0);
    // Gives up the buffer and returns it; the file is empty afterwards. A buffer that the
    // file allocated itself must be released by the caller with free().
    BYTE* Detach();

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    // Frees a buffer of the file's own. The caller's bytes stay attached (only the position
    // goes back to the start), so Detach after Close still returns them.
    void Close() override;
    void Abort() override;
    // Reads fewer bytes (possibly 0) when the end comes first.
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    // A position past the end is allowed; writing there fills the gap with zeros.
    LONG Seek(LONG lOff, UINT nFrom) override;
    DWORD GetLength() const override { return m_nFileSize; }
    void SetLength(DWORD dwNewLen) override;
    DWORD GetPosition() const override { return m_nPosition; }
    void Flush() override {}

    // Stand-in extra: the file's bytes without copying (valid until the next write).
    const BYTE* Data() const { return m_lpBuffer; }

    // Stand-in extras for CArchive, which reads and writes a memory file through these
    // instead of a virtual call for every number. TakeBytes returns the nCount bytes at the
    // position and moves the position past them, or returns null (and changes nothing) when
    // fewer remain. MakeRoom returns where nCount bytes are to be written at the position and
    // moves the position (and the end of the file, when it passes it) past them, or returns
    // null (and changes nothing) when the buffer would first have to grow or the position
    // lies beyond the end; Write does those cases. nCount 0 always gives null.
    const BYTE* TakeBytes(UINT nCount)
    {
        if (nCount == 0 || m_nPosition >= m_nFileSize || m_nFileSize - m_nPosition < nCount)
            return nullptr;
        const BYTE* p = m_lpBuffer + m_nPosition;
        m_nPosition += nCount;
        return p;
    }
    BYTE* MakeRoom(UINT nCount)
    {
        if (nCount == 0 || m_nPosition > m_nFileSize || m_nBufferSize - m_nPosition < nCount)
            return nullptr;
        BYTE* p = m_lpBuffer + m_nPosition;
        m_nPosition += nCount;
        if (m_nPosition > m_nFileSize)
            m_nFileSize = m_nPosition;
        return p;
    }

private:
    void Reset();
    void GrowFile(size_t dwNewLen);

    BYTE* m_lpBuffer = nullptr;
    size_t m_nBufferSize = 0;
    DWORD m_nFileSize = 0;
    DWORD m_nPosition = 0;
    UINT m_nGrowBytes = 1024;
    bool m_bOwnsBuffer = false;
};

class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)
public:
    CStdioFile() = default;
    // Opens the file or throws CFileException. Text mode unless typeBinary is given.
    CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags);

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    // Like fgets: at most nMax-1 characters, the line end "\n" kept, a terminator added.
    // NULL when nothing is left to read.
    virtual LPTSTR ReadString(LPTSTR lpsz, UINT nMax);
    // One line without its line end; FALSE when nothing is left to read.
    virtual BOOL ReadString(CString& rString);
    virtual void WriteString(LPCTSTR lpsz);

private:
    // The next character with "\r\n" read as "\n" in text mode; EOF at the end.
    int GetChar();
};
