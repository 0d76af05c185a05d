// Collections: arrays, lists and hash maps shaped like the original framework's.
//
// Index errors are programming errors: an index outside the array stops the program with
// a message naming the container (qv::IndexOutOfRange), never undefined behaviour. A list
// or map POSITION is only valid for the container that gave it and until its element is
// removed. Maps iterate in insertion order (GetStartPosition/GetNextAssoc), which is
// deterministic; the original's order was that of its hash buckets, which no caller may
// rely on.
#pragma once

#include "afx/cstring.h"
#include "afx/exceptions.h"
#include "afx/object.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

// An opaque iteration handle of a list or map (names with two leading underscores are the
// compiler's, so the tag has a name of its own).
struct QvPositionTag {};
typedef QvPositionTag* POSITION;

// ---------------------------------------------------------------- arrays

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() = default;
    CArray(const CArray&) = default;
    CArray& operator=(const CArray&) = default;
    ~CArray() override = default;

    int GetSize() const { return static_cast<int>(m_data.size()); }
    int GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty(); }
    int GetUpperBound() const { return GetSize() - 1; }
    // New elements are value-initialised (0 for numbers and pointers). nGrowBy is a hint.
    void SetSize(int nNewSize, int /*nGrowBy*/ = -1)
    {
        if (nNewSize < 0)
            qv::IndexOutOfRange("CArray::SetSize", nNewSize, GetSize());
        qv::GrowOrThrow([&] { m_data.resize(static_cast<size_t>(nNewSize)); });
    }
    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    TYPE GetAt(int nIndex) const { return m_data[Check(nIndex, "CArray::GetAt")]; }
    void SetAt(int nIndex, ARG_TYPE newElement) { m_data[Check(nIndex, "CArray::SetAt")] = newElement; }
    TYPE& ElementAt(int nIndex) { return m_data[Check(nIndex, "CArray::ElementAt")]; }
    const TYPE& ElementAt(int nIndex) const { return m_data[Check(nIndex, "CArray::ElementAt")]; }
    TYPE& operator[](int nIndex) { return ElementAt(nIndex); }
    TYPE operator[](int nIndex) const { return GetAt(nIndex); }
    const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
    TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

    // Grows the array when nIndex is past its end; a negative index stops the program.
    void SetAtGrow(int nIndex, ARG_TYPE newElement)
    {
        if (nIndex < 0)
            qv::IndexOutOfRange("CArray::SetAtGrow", nIndex, GetSize());
        TYPE copy = newElement;  // the argument may refer into the array
        if (nIndex >= GetSize())
            qv::GrowOrThrow([&] { m_data.resize(static_cast<size_t>(nIndex) + 1); });
        m_data[static_cast<size_t>(nIndex)] = std::move(copy);
    }
    int Add(ARG_TYPE newElement)
    {
        TYPE copy = newElement;
        qv::GrowOrThrow([&] { m_data.push_back(std::move(copy)); });
        return GetUpperBound();
    }
    int Append(const CArray& src)
    {
        const int old = GetSize();
        if (&src == this) {
            std::vector<TYPE> copy(m_data);
            m_data.insert(m_data.end(), copy.begin(), copy.end());
        } else {
            m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end());
        }
        return old;
    }
    void Copy(const CArray& src)
    {
        if (&src != this)
            m_data = src.m_data;
    }
    // Inserts nCount copies at nIndex; an index past the end grows the array first.
    void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1)
    {
        if (nIndex < 0 || nCount < 0)
            qv::IndexOutOfRange("CArray::InsertAt", nIndex, GetSize());
        TYPE copy = newElement;
        qv::GrowOrThrow([&] {
            if (nIndex > GetSize())
                m_data.resize(static_cast<size_t>(nIndex));
            m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), copy);
        });
    }
    void InsertAt(int nStartIndex, const CArray* pNewArray)
    {
        if (!pNewArray || pNewArray->IsEmpty())
            return;
        if (nStartIndex < 0)
            qv::IndexOutOfRange("CArray::InsertAt", nStartIndex, GetSize());
        std::vector<TYPE> copy(pNewArray->m_data);
        if (nStartIndex > GetSize())
            m_data.resize(static_cast<size_t>(nStartIndex));
        m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end());
    }
    // Removes nCount elements from nIndex; a range outside the array stops the program.
    void RemoveAt(int nIndex, int nCount = 1)
    {
        if (nIndex < 0 || nCount < 0 || nIndex + static_cast<long long>(nCount) > GetSize())
            qv::IndexOutOfRange("CArray::RemoveAt", static_cast<long long>(nIndex) + nCount - 1, GetSize());
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
    }

private:
    size_t Check(int nIndex, const char* where) const
    {
        if (nIndex < 0 || nIndex >= GetSize())
            qv::IndexOutOfRange(where, nIndex, GetSize());
        return static_cast<size_t>(nIndex);
    }

    std::vector<TYPE> m_data;
};

class CPtrArray : public CArray<void*, void*> {};
class CObArray : public CArray<CObject*, CObject*> {};
class CStringArray : public CArray<CString, LPCTSTR> {
public:
    // Also takes a CString without a detour through its text, so embedded NULs survive.
    using CArray<CString, LPCTSTR>::Add;
    using CArray<CString, LPCTSTR>::SetAt;
    using CArray<CString, LPCTSTR>::SetAtGrow;
    using CArray<CString, LPCTSTR>::InsertAt;
    int Add(const CString& s)
    {
        CString copy(s);  // s may be an element that moves when the array grows
        CArray<CString, LPCTSTR>::Add("");
        ElementAt(GetUpperBound()) = std::move(copy);
        return GetUpperBound();
    }
    void SetAt(int nIndex, const CString& s) { ElementAt(nIndex) = s; }
    void SetAtGrow(int nIndex, const CString& s)
    {
        CString copy(s);
        CArray<CString, LPCTSTR>::SetAtGrow(nIndex, "");
        ElementAt(nIndex) = copy;
    }
    void InsertAt(int nIndex, const CString& s, int nCount = 1)
    {
        CString copy(s);
        CArray<CString, LPCTSTR>::InsertAt(nIndex, "", nCount);
        for (int i = 0; i < nCount; ++i)
            ElementAt(nIndex + i) = copy;
    }
};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};

// A pointer array that hands out its elements as TYPE (a pointer type).
template <class BASE_CLASS, class TYPE>
class CTypedPtrArray : public BASE_CLASS {
public:
    TYPE GetAt(int nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
    TYPE& ElementAt(int nIndex) { return reinterpret_cast<TYPE&>(BASE_CLASS::ElementAt(nIndex)); }
    void SetAt(int nIndex, TYPE ptr) { BASE_CLASS::SetAt(nIndex, ptr); }
    void SetAtGrow(int nIndex, TYPE newElement) { BASE_CLASS::SetAtGrow(nIndex, newElement); }
    int Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
    int Append(const CTypedPtrArray& src) { return BASE_CLASS::Append(src); }
    void Copy(const CTypedPtrArray& src) { BASE_CLASS::Copy(src); }
    void InsertAt(int nIndex, TYPE newElement, int nCount = 1) { BASE_CLASS::InsertAt(nIndex, newElement, nCount); }
    TYPE operator[](int nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](int nIndex) { return ElementAt(nIndex); }
};

// ---------------------------------------------------------------- lists

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
    struct CNode : QvPositionTag {
        CNode* pNext = nullptr;
        CNode* pPrev = nullptr;
        TYPE data{};
    };

public:
    CList() = default;
    explicit CList(int /*nBlockSize*/) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() override { RemoveAll(); }

    int GetCount() const { return m_nCount; }
    int GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    // The head or tail of an empty list stops the program.
    TYPE& GetHead() { return NodeOf(m_pHead, "CList::GetHead")->data; }
    const TYPE& GetHead() const { return NodeOf(m_pHead, "CList::GetHead")->data; }
    TYPE& GetTail() { return NodeOf(m_pTail, "CList::GetTail")->data; }
    const TYPE& GetTail() const { return NodeOf(m_pTail, "CList::GetTail")->data; }

    TYPE RemoveHead()
    {
        CNode* node = NodeOf(m_pHead, "CList::RemoveHead");
        TYPE value = node->data;
        Unlink(node);
        return value;
    }
    TYPE RemoveTail()
    {
        CNode* node = NodeOf(m_pTail, "CList::RemoveTail");
        TYPE value = node->data;
        Unlink(node);
        return value;
    }
    POSITION AddHead(ARG_TYPE newElement) { return InsertBefore(m_pHead, newElement); }
    POSITION AddTail(ARG_TYPE newElement) { return InsertAfter(m_pTail, newElement); }
    void AddHead(CList* pNewList)
    {
        if (!pNewList)
            return;
        std::vector<TYPE> copy;
        for (CNode* n = pNewList->m_pTail; n; n = n->pPrev)
            copy.push_back(n->data);
        for (const TYPE& v : copy)
            AddHead(v);
    }
    void AddTail(CList* pNewList)
    {
        if (!pNewList)
            return;
        std::vector<TYPE> copy;
        for (CNode* n = pNewList->m_pHead; n; n = n->pNext)
            copy.push_back(n->data);
        for (const TYPE& v : copy)
            AddTail(v);
    }
    void RemoveAll()
    {
        CNode* n = m_pHead;
        while (n) {
            CNode* next = n->pNext;
            delete n;
            n = next;
        }
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return m_pHead; }
    POSITION GetTailPosition() const { return m_pTail; }
    // Returns the element at rPosition and moves rPosition on (null after the last).
    TYPE& GetNext(POSITION& rPosition)
    {
        CNode* node = NodeOf(rPosition, "CList::GetNext");
        rPosition = node->pNext;
        return node->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const
    {
        CNode* node = NodeOf(rPosition, "CList::GetNext");
        rPosition = node->pNext;
        return node->data;
    }
    TYPE& GetPrev(POSITION& rPosition)
    {
        CNode* node = NodeOf(rPosition, "CList::GetPrev");
        rPosition = node->pPrev;
        return node->data;
    }
    const TYPE& GetPrev(POSITION& rPosition) const
    {
        CNode* node = NodeOf(rPosition, "CList::GetPrev");
        rPosition = node->pPrev;
        return node->data;
    }
    TYPE& GetAt(POSITION position) { return NodeOf(position, "CList::GetAt")->data; }
    const TYPE& GetAt(POSITION position) const { return NodeOf(position, "CList::GetAt")->data; }
    void SetAt(POSITION pos, ARG_TYPE newElement) { NodeOf(pos, "CList::SetAt")->data = newElement; }
    void RemoveAt(POSITION position) { Unlink(NodeOf(position, "CList::RemoveAt")); }

    // A null position inserts at the head (InsertBefore) or tail (InsertAfter).
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement)
    {
        CNode* before = position ? NodeOf(position, "CList::InsertBefore") : m_pHead;
        CNode* node = new CNode;
        node->data = newElement;
        node->pNext = before;
        node->pPrev = before ? before->pPrev : nullptr;
        if (!before) {
            m_pHead = m_pTail = node;
        } else {
            if (before->pPrev)
                before->pPrev->pNext = node;
            else
                m_pHead = node;
            before->pPrev = node;
        }
        ++m_nCount;
        return node;
    }
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement)
    {
        CNode* after = position ? NodeOf(position, "CList::InsertAfter") : m_pTail;
        CNode* node = new CNode;
        node->data = newElement;
        node->pPrev = after;
        node->pNext = after ? after->pNext : nullptr;
        if (!after) {
            m_pHead = m_pTail = node;
        } else {
            if (after->pNext)
                after->pNext->pPrev = node;
            else
                m_pTail = node;
            after->pNext = node;
        }
        ++m_nCount;
        return node;
    }

    // Searching: null when not found or when the index is outside the list.
    POSITION FindIndex(int nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        CNode* n = m_pHead;
        while (nIndex-- > 0)
            n = n->pNext;
        return n;
    }
    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const
    {
        CNode* n = startAfter ? NodeOf(startAfter, "CList::Find")->pNext : m_pHead;
        for (; n; n = n->pNext)
            if (n->data == searchValue)
                return n;
        return nullptr;
    }

private:
    static CNode* NodeOf(POSITION pos, const char* where)
    {
        if (!pos)
            qv::IndexOutOfRange(where, -1, 0);
        return static_cast<CNode*>(pos);
    }
    void Unlink(CNode* node)
    {
        if (node->pPrev)
            node->pPrev->pNext = node->pNext;
        else
            m_pHead = node->pNext;
        if (node->pNext)
            node->pNext->pPrev = node->pPrev;
        else
            m_pTail = node->pPrev;
        delete node;
        --m_nCount;
    }

    CNode* m_pHead = nullptr;
    CNode* m_pTail = nullptr;
    int m_nCount = 0;
};

class CPtrList : public CList<void*, void*> {
public:
    using CList<void*, void*>::CList;
};
class CObList : public CList<CObject*, CObject*> {
public:
    using CList<CObject*, CObject*>::CList;
};
class CStringList : public CList<CString, LPCTSTR> {
public:
    using CList<CString, LPCTSTR>::CList;
};

// ---------------------------------------------------------------- maps

template <class KEY>
inline UINT HashKey(const KEY& key)
{
    if constexpr (std::is_pointer_v<KEY>)
        return static_cast<UINT>(reinterpret_cast<uintptr_t>(key) >> 4);
    else
        return static_cast<UINT>(key);
}
template <>
inline UINT HashKey<CString>(const CString& key)
{
    UINT h = 0;
    for (unsigned char c : key.view())
        h = (h << 5) + h + c;
    return h;
}
template <>
inline UINT HashKey<LPCTSTR>(const LPCTSTR& key)
{
    UINT h = 0;
    for (const char* p = key; p && *p; ++p)
        h = (h << 5) + h + static_cast<unsigned char>(*p);
    return h;
}

namespace qv {
template <class KEY, class ARG_KEY>
inline bool MapKeysEqual(const KEY& a, ARG_KEY b)
{
    return a == b;
}
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
    struct CAssoc : QvPositionTag {
        CAssoc* pNextInBucket = nullptr;
        CAssoc* pNext = nullptr;  // insertion order
        CAssoc* pPrev = nullptr;
        UINT nHash = 0;
        KEY key{};
        VALUE value{};
    };

public:
    CMap() = default;
    explicit CMap(int /*nBlockSize*/) {}
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    int GetCount() const { return m_nCount; }
    int GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    UINT GetHashTableSize() const { return m_nHashTableSize; }
    // Sets the number of buckets; entries already present are kept. The map doubles its
    // buckets by itself when it holds more than four entries per bucket.
    void InitHashTable(UINT hashSize, BOOL /*bAllocNow*/ = TRUE)
    {
        if (hashSize == 0)
            hashSize = 1;
        m_nHashTableSize = hashSize;
        // An empty map makes its buckets with its first entry: parameters copy four maps
        // each, most of them empty.
        if (m_nCount == 0)
            m_buckets.clear();
        else
            Rehash();
    }

    BOOL Lookup(ARG_KEY key, VALUE& rValue) const
    {
        CAssoc* a = Find(key);
        if (!a)
            return FALSE;
        rValue = a->value;
        return TRUE;
    }
    VALUE& operator[](ARG_KEY key)
    {
        CAssoc* a = Find(key);
        if (a)
            return a->value;
        if (m_buckets.empty())
            Rehash();
        a = new CAssoc;
        a->key = key;
        a->nHash = HashKey<KEY>(a->key);
        CAssoc*& head = m_buckets[a->nHash % m_nHashTableSize];
        a->pNextInBucket = head;
        head = a;
        a->pPrev = m_pTail;
        if (m_pTail)
            m_pTail->pNext = a;
        else
            m_pHead = a;
        m_pTail = a;
        ++m_nCount;
        // Keep chains short as the map fills; the iteration order does not change.
        if (static_cast<UINT>(m_nCount) > 4 * m_nHashTableSize && m_nHashTableSize < 0x10000000) {
            m_nHashTableSize = m_nHashTableSize * 2 + 1;
            Rehash();
        }
        return a->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_buckets.empty())
            return FALSE;
        const UINT h = HashKey<KEY>(KEY(key));
        CAssoc** link = &m_buckets[h % m_nHashTableSize];
        for (CAssoc* a = *link; a; link = &a->pNextInBucket, a = *link) {
            if (a->nHash == h && qv::MapKeysEqual<KEY, ARG_KEY>(a->key, key)) {
                *link = a->pNextInBucket;
                if (a->pPrev)
                    a->pPrev->pNext = a->pNext;
                else
                    m_pHead = a->pNext;
                if (a->pNext)
                    a->pNext->pPrev = a->pPrev;
                else
                    m_pTail = a->pPrev;
                delete a;
                --m_nCount;
                return TRUE;
            }
        }
        return FALSE;
    }
    void RemoveAll()
    {
        CAssoc* a = m_pHead;
        while (a) {
            CAssoc* next = a->pNext;
            delete a;
            a = next;
        }
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
        m_buckets.clear();
    }

    POSITION GetStartPosition() const { return m_pHead; }
    // Returns the entry at rNextPosition and moves it on (null after the last entry).
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const
    {
        if (!rNextPosition)
            qv::IndexOutOfRange("CMap::GetNextAssoc", -1, m_nCount);
        CAssoc* a = static_cast<CAssoc*>(rNextPosition);
        rKey = a->key;
        rValue = a->value;
        rNextPosition = a->pNext;
    }

private:
    CAssoc* Find(ARG_KEY key) const
    {
        if (m_buckets.empty())
            return nullptr;
        const UINT h = HashKey<KEY>(KEY(key));
        for (CAssoc* a = m_buckets[h % m_nHashTableSize]; a; a = a->pNextInBucket)
            if (a->nHash == h && qv::MapKeysEqual<KEY, ARG_KEY>(a->key, key))
                return a;
        return nullptr;
    }
    void Rehash()
    {
        m_buckets.assign(m_nHashTableSize, nullptr);
        for (CAssoc* a = m_pHead; a; a = a->pNext) {
            CAssoc*& head = m_buckets[a->nHash % m_nHashTableSize];
            a->pNextInBucket = head;
            head = a;
        }
    }

    std::vector<CAssoc*> m_buckets;
    UINT m_nHashTableSize = 17;
    CAssoc* m_pHead = nullptr;
    CAssoc* m_pTail = nullptr;
    int m_nCount = 0;
};

class CMapWordToString : public CMap<WORD, WORD, CString, LPCTSTR> {};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {};
class CMapPtrToWord : public CMap<void*, void*, WORD, WORD> {};
class CMapStringToString : public CMap<CString, LPCTSTR, CString, LPCTSTR> {};
class CMapStringToPtr : public CMap<CString, LPCTSTR, void*, void*> {};
class CMapStringToOb : public CMap<CString, LPCTSTR, CObject*, CObject*> {};
