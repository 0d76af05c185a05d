#include "afx/archive.h"

#include <cstring>
#include <string>
#include <typeinfo>

namespace {

constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kBigClassTag = 0x80000000;
// Indexes stay below this so that an index never collides with the class flag.
constexpr DWORD kMaxMapCount = 0x3FFFFFFE;
// Class names are short identifiers; a longer stored name is corrupt data.
constexpr WORD kMaxClassNameLength = 1024;

} // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int, void*) : m_pFile(pFile), m_nMode(nMode)
{
    if (m_pFile)
        m_strFileName = m_pFile->GetFilePath();
    // A class derived from CMemFile may do more in Read and Write; it gets the virtual calls.
    if (m_pFile && typeid(*m_pFile) == typeid(CMemFile)) {
        CMemFile* mem = static_cast<CMemFile*>(m_pFile);
        (IsLoading() ? m_pLoadMem : m_pStoreMem) = mem;
    }
    // Index 0 is the null object.
    m_loadArray.push_back(LoadEntry{});
}

CArchive::~CArchive()
{
    // Nothing is buffered, so there is nothing to lose here; only the link to the file ends.
    m_pFile = nullptr;
}

void CArchive::CheckStoring()
{
    if (!m_pFile)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (IsLoading())
        AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
}

void CArchive::CheckLoading()
{
    if (!m_pFile)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (IsStoring())
        AfxThrowArchiveException(CArchiveException::writeOnly, m_strFileName);
}

UINT CArchive::Read(void* lpBuf, UINT nMax)
{
    CheckLoading();
    if (nMax == 0)
        return 0;
    return m_pFile->Read(lpBuf, nMax);
}

void CArchive::Write(const void* lpBuf, UINT nMax)
{
    CheckStoring();
    if (nMax == 0)
        return;
    m_pFile->Write(lpBuf, nMax);
}

void CArchive::ReadExact(void* lpBuf, UINT nCount)
{
    CheckLoading();
    if (nCount == 0)
        return;
    if (m_pFile->Read(lpBuf, nCount) != nCount)
        AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
}

void CArchive::RequireRemaining(DWORD nCount)
{
    // A short read needs no look at the file (two system calls): reading it raises the end of
    // the file just as well, and the buffer made for it is small whatever the data says. Only a
    // long count is checked against what remains before memory is taken for it.
    constexpr DWORD kUncheckedBytes = 4096;
    if (nCount <= kUncheckedBytes)
        return;
    const DWORD length = m_pFile->GetLength();
    const DWORD position = m_pFile->GetPosition();
    const DWORD remaining = position < length ? length - position : 0;
    if (nCount > remaining)
        AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
}

// ---------------------------------------------------------------- strings

CArchive& CArchive::operator<<(const CString& s)
{
    const DWORD len = static_cast<DWORD>(s.GetLength());
    if (len < 0xFF) {
        // The common short text: its length byte and its bytes in one piece.
        if (m_pStoreMem != nullptr) {
            if (BYTE* p = m_pStoreMem->MakeRoom(len + 1)) {
                *p = static_cast<BYTE>(len);
                if (len > 0)
                    std::memcpy(p + 1, s.str().data(), len);
                return *this;
            }
        }
        *this << static_cast<BYTE>(len);
    } else if (len < 0xFFFE) {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(len);
    } else {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << len;
    }
    Write(s.str().data(), len);
    return *this;
}

CArchive& CArchive::operator>>(CString& s)
{
    BYTE b;
    *this >> b;
    DWORD len = b;
    if (b == 0xFF) {
        WORD w;
        *this >> w;
        len = w;
        if (w == 0xFFFF)
            *this >> len;
    }
    // The length comes from the data: check it against what remains before allocating.
    if (m_pLoadMem != nullptr && len > 0 && len <= 0x7FFFFFFF) {
        const BYTE* p = m_pLoadMem->TakeBytes(len);
        if (p == nullptr)
            AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
        // Into the string's own buffer, which a string read before may already provide. When
        // it cannot grow, the text stays unread, as when the check above fails.
        try {
            std::memcpy(s.GetBufferSetLength(static_cast<int>(len)), p, len);
        } catch (...) {
            m_pLoadMem->Seek(-static_cast<LONG>(len), CFile::current);
            throw;
        }
        return *this;
    }
    RequireRemaining(len);
    std::string text(len, '\0');
    const UINT got = len == 0 ? 0 : m_pFile->Read(text.data(), len);
    if (got != len) {
        // A text cut short stays unread, as when the check of a long one fails: the file is
        // left where the text begins.
        m_pFile->Seek(-static_cast<LONG>(got), CFile::current);
        AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
    }
    s = CString(std::string_view(text));
    return *this;
}

void CArchive::WriteString(LPCTSTR lpsz)
{
    if (lpsz)
        Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}

BOOL CArchive::ReadString(CString& rString)
{
    CheckLoading();
    std::string line;
    bool any = false;
    char c;
    while (m_pFile->Read(&c, 1) == 1) {
        any = true;
        if (c == '\n')
            break;
        line.push_back(c);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    rString = CString(std::string_view(line));
    return any ? TRUE : FALSE;
}

LPTSTR CArchive::ReadString(LPTSTR lpsz, UINT nMax)
{
    CheckLoading();
    if (!lpsz)
        return nullptr;
    UINT n = 0;
    bool any = false;
    char c;
    while (n < nMax && m_pFile->Read(&c, 1) == 1) {
        any = true;
        if (c == '\n')
            break;
        lpsz[n++] = c;
    }
    if (n > 0 && lpsz[n - 1] == '\r')
        --n;
    lpsz[n] = '\0';
    return any ? lpsz : nullptr;
}

// ---------------------------------------------------------------- classes and objects

void CArchive::WriteIndexTag(DWORD index, bool isClass)
{
    if (index < kBigObjectTag) {
        *this << static_cast<WORD>(isClass ? (kClassTag | index) : index);
    } else {
        *this << kBigObjectTag << (isClass ? (kBigClassTag | index) : index);
    }
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef)
{
    CheckStoring();
    // A class without a schema (not declared serialisable) cannot be read back.
    if (!pClassRef || pClassRef->m_wSchema == 0xFFFF || !pClassRef->m_lpszClassName)
        AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
    auto it = m_storeClasses.find(pClassRef);
    if (it != m_storeClasses.end()) {
        WriteIndexTag(it->second, true);
        return;
    }
    if (m_nMapCount >= kMaxMapCount)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    const size_t nameLength = std::strlen(pClassRef->m_lpszClassName);
    *this << kNewClassTag << static_cast<WORD>(pClassRef->m_wSchema) << static_cast<WORD>(nameLength);
    Write(pClassRef->m_lpszClassName, static_cast<UINT>(nameLength));
    m_storeClasses.emplace(pClassRef, m_nMapCount++);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema, DWORD* pObTag)
{
    CheckLoading();
    // A read that fails must not leave the schema of an earlier class reference behind for
    // GetObjectSchema to report.
    if (!pSchema)
        m_nObjectSchema = static_cast<UINT>(-1);
    WORD wTag;
    *this >> wTag;
    DWORD obTag;
    if (wTag == kBigObjectTag)
        *this >> obTag;
    else
        obTag = (static_cast<DWORD>(wTag & kClassTag) << 16) | (wTag & ~kClassTag);

    if (!(obTag & kBigClassTag)) {
        // An object tag where a class was asked for.
        if (!pObTag)
            AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
        *pObTag = obTag;
        return nullptr;
    }

    CRuntimeClass* pClassRef = nullptr;
    UINT nSchema = 0;
    if (wTag == kNewClassTag) {
        WORD wSchema;
        WORD nameLength;
        *this >> wSchema >> nameLength;
        if (nameLength == 0 || nameLength > kMaxClassNameLength)
            AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
        std::string name(nameLength, '\0');
        ReadExact(name.data(), nameLength);
        if (name.find('\0') != std::string::npos)
            AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
        pClassRef = CRuntimeClass::FromName(name.c_str());
        if (!pClassRef)
            AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
        nSchema = wSchema;
        if ((pClassRef->m_wSchema & ~VERSIONABLE_SCHEMA) != nSchema && !(pClassRef->m_wSchema & VERSIONABLE_SCHEMA))
            AfxThrowArchiveException(CArchiveException::badSchema, m_strFileName);
        if (m_nMapCount >= kMaxMapCount)
            AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
        LoadEntry entry;
        entry.pClass = pClassRef;
        entry.nSchema = nSchema;
        entry.isClass = true;
        m_loadArray.push_back(entry);
        ++m_nMapCount;
    } else {
        const DWORD index = obTag & ~kBigClassTag;
        if (index == 0 || index >= m_loadArray.size() || !m_loadArray[index].isClass)
            AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
        pClassRef = const_cast<CRuntimeClass*>(m_loadArray[index].pClass);
        nSchema = m_loadArray[index].nSchema;
    }

    if (pClassRefRequested && !pClassRef->IsDerivedFrom(pClassRefRequested))
        AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
    if (pSchema)
        *pSchema = nSchema;
    else
        m_nObjectSchema = nSchema;
    return pClassRef;
}

void CArchive::SerializeClass(const CRuntimeClass* pClassRef)
{
    if (IsStoring())
        WriteClass(pClassRef);
    else
        ReadClass(pClassRef);
}

UINT CArchive::GetObjectSchema()
{
    const UINT nSchema = m_nObjectSchema;
    m_nObjectSchema = static_cast<UINT>(-1);
    return nSchema;
}

void CArchive::WriteObject(const CObject* pOb)
{
    CheckStoring();
    if (!pOb) {
        *this << kNullTag;
        return;
    }
    auto it = m_storeObjects.find(pOb);
    if (it != m_storeObjects.end()) {
        WriteIndexTag(it->second, false);
        return;
    }
    WriteClass(pOb->GetRuntimeClass());
    if (m_nMapCount >= kMaxMapCount)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    m_storeObjects.emplace(pOb, m_nMapCount++);
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested)
{
    CheckLoading();
    UINT nSchema = 0;
    DWORD obTag = 0;
    CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, &nSchema, &obTag);
    if (!pClassRef) {
        // A reference to an object read before (or the null object).
        if (obTag >= m_loadArray.size() || m_loadArray[obTag].isClass)
            AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
        CObject* pOb = m_loadArray[obTag].pObject;
        if (pOb && pClassRefRequested && !pOb->IsKindOf(pClassRefRequested))
            AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
        return pOb;
    }

    if (m_nObjectDepth >= kMaxObjectDepth)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    CObject* pOb = pClassRef->CreateObject();
    if (!pOb)
        AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
    if (m_nMapCount >= kMaxMapCount) {
        delete pOb;
        AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
    }
    // Mapped before its data is read, so that the object's own data may refer to it.
    const size_t slot = m_loadArray.size();
    LoadEntry entry;
    entry.pObject = pOb;
    m_loadArray.push_back(entry);
    ++m_nMapCount;
    m_nObjectSchema = nSchema;
    ++m_nObjectDepth;
    try {
        pOb->Serialize(*this);
        --m_nObjectDepth;
    } catch (...) {
        --m_nObjectDepth;
        // The object and whatever it loaded are gone: no later reference may reach them.
        for (size_t i = slot; i < m_loadArray.size(); ++i)
            if (!m_loadArray[i].isClass)
                m_loadArray[i].pObject = nullptr;
        delete pOb;
        throw;
    }
    m_nObjectSchema = static_cast<UINT>(-1);
    return pOb;
}

void CArchive::MapObject(const CObject* pOb)
{
    if (!m_pFile)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (m_nMapCount >= kMaxMapCount)
        AfxThrowArchiveException(CArchiveException::generic, m_strFileName);
    if (IsStoring()) {
        if (pOb && m_storeObjects.emplace(pOb, m_nMapCount).second)
            ++m_nMapCount;
    } else {
        LoadEntry entry;
        entry.pObject = const_cast<CObject*>(pOb);
        m_loadArray.push_back(entry);
        ++m_nMapCount;
    }
}

void CArchive::ForgetObject(const CObject* pOb)
{
    if (pOb == nullptr)
        return;
    if (IsStoring()) {
        m_storeObjects.erase(pOb);
        return;
    }
    // An object is forgotten soon after it was read, so its entry lies near the end: only the
    // classes first met in its data (and the objects it holds) were read after it.
    for (size_t i = m_loadArray.size(); i-- > 1;) {
        if (!m_loadArray[i].isClass && m_loadArray[i].pObject == pOb) {
            m_loadArray[i].pObject = nullptr;
            return;
        }
    }
}

// ---------------------------------------------------------------- closing

void CArchive::Flush()
{
    if (m_pFile && IsStoring())
        m_pFile->Flush();
}

void CArchive::Close()
{
    Flush();
    m_pFile = nullptr;
    m_pStoreMem = m_pLoadMem = nullptr;
}

void CArchive::Abort()
{
    m_pFile = nullptr;
    m_pStoreMem = m_pLoadMem = nullptr;
}
