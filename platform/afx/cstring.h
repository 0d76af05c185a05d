// CString: a byte string in the system's 8-bit code page (Windows-1252).
//
// The text is kept as raw bytes and may hold embedded NUL characters; the length is the
// number of bytes. Case mapping, case-insensitive comparison and whitespace trimming
// follow the "C" locale: only ASCII letters change case and only ASCII blanks count as
// whitespace. Comparisons are by unsigned byte value. Formatting always uses the "C"
// locale, whatever locale the process runs in.
#pragma once

#include "win32/wintypes.h"

#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(const char* psz);                 // null gives an empty string
    CString(char ch, int nRepeat = 1);        // nRepeat < 1 gives an empty string
    CString(const char* pch, int nLength);    // exactly nLength bytes (NULs included)
    CString(const unsigned char* psz);
    explicit CString(std::string_view sv) : m_str(sv) {}
    ~CString() = default;

    // Size and element access. GetAt/SetAt/operator[] with an index outside
    // [0, GetLength()) stop the program with a message (never undefined behaviour).
    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCTSTR() const { return m_str.c_str(); }

    // Assignment and concatenation.
    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(const char* psz);
    CString& operator=(const unsigned char* psz);
    CString& operator=(char ch);
    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    // Comparison: negative, 0 or positive like strcmp, by unsigned byte value.
    int Compare(const char* psz) const;
    int Compare(const CString& s) const;
    int CompareNoCase(const char* psz) const;
    int CompareNoCase(const CString& s) const;
    int Collate(const char* psz) const { return Compare(psz); }

    // Extraction. Out-of-range counts and positions are clipped to the string.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(const char* pszCharSet) const;
    CString SpanExcluding(const char* pszCharSet) const;

    // Searching: zero-based index or -1.
    int Find(char ch) const { return Find(ch, 0); }
    int Find(char ch, int nStart) const;
    int Find(const char* pszSub) const { return Find(pszSub, 0); }
    int Find(const char* pszSub, int nStart) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* pszCharSet) const;

    // Changing. Replace works in one forward pass and never rescans inserted text; an
    // empty pattern replaces nothing. Both return the number of replacements.
    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);
    int Remove(char ch);
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, const char* psz);
    int Delete(int nIndex, int nCount = 1);
    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(const char* pszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(const char* pszTargets);
    CString& Trim() { TrimRight(); return TrimLeft(); }
    CString& Trim(char chTarget) { TrimRight(chTarget); return TrimLeft(chTarget); }
    CString& Trim(const char* pszTargets) { TrimRight(pszTargets); return TrimLeft(pszTargets); }

    // printf-style formatting, always in the "C" locale. Pass CString arguments as
    // (LPCTSTR)s: class objects cannot travel through "...".
    void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* pszFormat, va_list args) __attribute__((format(printf, 2, 0)));

    // Loads the string with the given ID from the current resource module
    // (AfxGetResourceHandle()). Returns FALSE and leaves the string empty when absent.
    BOOL LoadString(UINT nID);

    // Direct buffer access. GetBuffer(n) returns a writable buffer of at least n bytes
    // plus a terminator, holding the current text; ReleaseBuffer(-1) takes the length up
    // to the first NUL, ReleaseBuffer(n) takes n bytes (clipped to the buffer).
    char* GetBuffer(int nMinBufLength);
    char* GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);
    void FreeExtra() { m_str.shrink_to_fit(); }

    // Stand-in extras for the port's own code.
    const std::string& str() const { return m_str; }
    std::string_view view() const { return m_str; }

private:
    std::string m_str;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, const char* b);
bool operator>(const char* a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, const char* b);
bool operator<=(const char* a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, const char* b);
bool operator>=(const char* a, const CString& b);

namespace qv {
// Stops the program with a message naming the container and the bad index. Used by the
// containers of the stand-in for index errors, which are programming errors.
[[noreturn]] void IndexOutOfRange(const char* where, long long index, long long size);
}
