#include "afx/cstring.h"

#include "afx/exceptions.h"
#include "afx/module_state.h"
#include "win32/resources.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>
#include <stdexcept>

namespace qv {
void IndexOutOfRange(const char* where, long long index, long long size)
{
    std::fprintf(stderr, "%s: index %lld outside 0..%lld\n", where, index, size - 1);
    std::fflush(stderr);
    std::abort();
}
}

namespace {

std::string_view ViewOf(const char* psz) { return psz ? std::string_view(psz) : std::string_view(); }

int CompareBytes(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    const int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (r != 0)
        return r < 0 ? -1 : 1;
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int CompareFolded(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const unsigned char cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Makes the calling thread use the "C" locale while it lives, so that printf-style
// formatting never writes a decimal comma or grouping of the user's locale.
class CLocaleScope {
public:
    CLocaleScope()
    {
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        if (cLocale)
            m_old = uselocale(cLocale);
    }
    ~CLocaleScope()
    {
        if (m_old)
            uselocale(m_old);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_old = static_cast<locale_t>(nullptr);
};

} // namespace

CString::CString(const char* psz) : m_str(ViewOf(psz)) {}
CString::CString(char ch, int nRepeat)
{
    if (nRepeat > 0)
        qv::GrowOrThrow([&] { m_str.assign(static_cast<size_t>(nRepeat), ch); });
}
CString::CString(const char* pch, int nLength)
{
    if (pch && nLength > 0)
        m_str.assign(pch, static_cast<size_t>(nLength));
}
CString::CString(const unsigned char* psz) : CString(reinterpret_cast<const char*>(psz)) {}

char CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        qv::IndexOutOfRange("CString::GetAt", nIndex, GetLength());
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
        qv::IndexOutOfRange("CString::SetAt", nIndex, GetLength());
    m_str[static_cast<size_t>(nIndex)] = ch;
}

CString& CString::operator=(const char* psz)
{
    // psz may point into this string; build the new value first.
    std::string tmp(ViewOf(psz));
    m_str.swap(tmp);
    return *this;
}
CString& CString::operator=(const unsigned char* psz) { return *this = reinterpret_cast<const char*>(psz); }
CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}
CString& CString::operator+=(const CString& s)
{
    qv::GrowOrThrow([&] { m_str.append(s.m_str); });
    return *this;
}
CString& CString::operator+=(const char* psz)
{
    std::string tmp(ViewOf(psz));
    qv::GrowOrThrow([&] { m_str.append(tmp); });
    return *this;
}
CString& CString::operator+=(char ch)
{
    m_str.push_back(ch);
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, const char* b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(char a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

int CString::Compare(const char* psz) const { return CompareBytes(m_str, ViewOf(psz)); }
int CString::Compare(const CString& s) const { return CompareBytes(m_str, s.m_str); }
int CString::CompareNoCase(const char* psz) const { return CompareFolded(m_str, ViewOf(psz)); }
int CString::CompareNoCase(const CString& s) const { return CompareFolded(m_str, s.m_str); }

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
bool operator>(const char* a, const CString& b) { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, const char* b) { return a.Compare(b) <= 0; }
bool operator<=(const char* a, const CString& b) { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, const char* b) { return a.Compare(b) >= 0; }
bool operator>=(const char* a, const CString& b) { return b.Compare(a) <= 0; }

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const
{
    const int len = GetLength();
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0 || nFirst >= len)
        return CString();
    if (nCount > len - nFirst)
        nCount = len - nFirst;
    return CString(std::string_view(m_str).substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const
{
    const int len = GetLength();
    if (nCount <= 0)
        return CString();
    if (nCount > len)
        nCount = len;
    return Mid(len - nCount, nCount);
}

CString CString::SpanIncluding(const char* pszCharSet) const
{
    const size_t n = m_str.find_first_not_of(ViewOf(pszCharSet));
    return CString(std::string_view(m_str).substr(0, n));
}

CString CString::SpanExcluding(const char* pszCharSet) const
{
    const size_t n = m_str.find_first_of(ViewOf(pszCharSet));
    return CString(std::string_view(m_str).substr(0, n));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0)
        nStart = 0;
    if (nStart >= GetLength())
        return -1;
    const size_t p = m_str.find(ch, static_cast<size_t>(nStart));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (nStart < 0)
        nStart = 0;
    if (nStart > GetLength())
        return -1;
    const size_t p = m_str.find(ViewOf(pszSub), static_cast<size_t>(nStart));
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char ch) const
{
    const size_t p = m_str.rfind(ch);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char* pszCharSet) const
{
    const std::string_view set = ViewOf(pszCharSet);
    if (set.empty())
        return -1;
    const size_t p = m_str.find_first_of(set);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Replace(char chOld, char chNew)
{
    int n = 0;
    if (chOld == chNew)
        return 0;
    for (char& c : m_str)
        if (c == chOld) {
            c = chNew;
            ++n;
        }
    return n;
}

int CString::Replace(const char* pszOld, const char* pszNew)
{
    const std::string from(ViewOf(pszOld));
    const std::string to(ViewOf(pszNew));
    if (from.empty())
        return 0;
    std::string out;
    int n = 0;
    size_t pos = 0;
    qv::GrowOrThrow([&] {
        for (;;) {
            const size_t hit = m_str.find(from, pos);
            if (hit == std::string::npos)
                break;
            out.append(m_str, pos, hit - pos);
            out.append(to);
            pos = hit + from.size();
            ++n;
        }
        out.append(m_str, pos, std::string::npos);
    });
    if (n == 0)
        return 0;
    m_str.swap(out);
    return n;
}

int CString::Remove(char ch)
{
    const size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, char ch)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    m_str.insert(static_cast<size_t>(nIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, const char* psz)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    const std::string tmp(ViewOf(psz));
    qv::GrowOrThrow([&] { m_str.insert(static_cast<size_t>(nIndex), tmp); });
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nCount > 0 && nIndex < GetLength())
        m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
    return GetLength();
}

void CString::MakeUpper()
{
    for (char& c : m_str)
        c = AsciiUpper(c);
}

void CString::MakeLower()
{
    for (char& c : m_str)
        c = AsciiLower(c);
}

void CString::MakeReverse() { std::reverse(m_str.begin(), m_str.end()); }

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < m_str.size() && IsCSpace(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimLeft(char chTarget)
{
    size_t i = 0;
    while (i < m_str.size() && m_str[i] == chTarget)
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimLeft(const char* pszTargets)
{
    const size_t i = m_str.find_first_not_of(ViewOf(pszTargets));
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_str.size();
    while (n > 0 && IsCSpace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::TrimRight(char chTarget)
{
    size_t n = m_str.size();
    while (n > 0 && m_str[n - 1] == chTarget)
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::TrimRight(const char* pszTargets)
{
    const size_t p = m_str.find_last_not_of(ViewOf(pszTargets));
    m_str.resize(p == std::string::npos ? 0 : p + 1);
    return *this;
}

void CString::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args)
{
    if (!pszFormat) {
        m_str.clear();
        return;
    }
    CLocaleScope cLocale;
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, pszFormat, copy);
    va_end(copy);
    if (n < 0) {
        // An encoding error: leave an empty string rather than half a result.
        m_str.clear();
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        m_str.assign(small, static_cast<size_t>(n));
        return;
    }
    std::string big = qv::GrowOrThrow([&] { return std::string(static_cast<size_t>(n) + 1, '\0'); });
    va_copy(copy, args);
    std::vsnprintf(big.data(), big.size(), pszFormat, copy);
    va_end(copy);
    big.resize(static_cast<size_t>(n));
    m_str.swap(big);
}

BOOL CString::LoadString(UINT nID)
{
    std::string text;
    if (!qv::LoadStringResource(AfxGetResourceHandle(), nID, text)) {
        m_str.clear();
        return FALSE;
    }
    m_str.swap(text);
    return TRUE;
}

char* CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        qv::GrowOrThrow([&] { m_str.resize(static_cast<size_t>(nMinBufLength)); });
    return m_str.data();
}

char* CString::GetBufferSetLength(int nNewLength)
{
    qv::GrowOrThrow([&] { m_str.resize(nNewLength > 0 ? static_cast<size_t>(nNewLength) : 0); });
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(std::strlen(m_str.c_str()));
    if (static_cast<size_t>(nNewLength) < m_str.size())
        m_str.resize(static_cast<size_t>(nNewLength));
}
