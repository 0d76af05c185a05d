// CArchive: the persistent byte format of the system's saved data.
//
// Numbers are little-endian: BYTE 1, WORD/short 2, DWORD/LONG/int/BOOL/float 4 and double 8
// bytes (IEEE 754). A CString is its length (one BYTE below 255; else 0xFF and a WORD below
// 0xFFFE; else 0xFF, 0xFFFF and a DWORD) followed by its bytes. Classes and objects share
// one index counter per archive, starting at 1; a class is written the first time as WORD
// 0xFFFF, WORD schema, WORD name length, the name, and afterwards as WORD 0x8000|index (from
// index 0x7FFF on as WORD 0x7FFF and DWORD 0x80000000|index). An object seen before is
// written as its index (WORD, or WORD 0x7FFF and DWORD from 0x7FFF on); a null object is
// WORD 0.
//
// Differences from the original platform, deliberate:
// - The archive keeps no buffer of its own: it reads from and writes to the file exactly
//   what it consumes or produces. The file position is therefore always the archive's
//   logical position, which the system's readers rely on when they seek back after a
//   failed class reference; Flush is harmless in both modes. The buffer arguments of the
//   constructor are accepted and ignored. Over a CMemFile (exactly that class, not one
//   derived from it) numbers and strings are copied straight from or into the file's memory,
//   which moves the file's position as a Read or Write would; only that is faster.
// - A loaded class reference reports the schema stored with the class, every time the
//   class is referenced in the archive (not only the first time).
// - A reference to an index that holds a class where an object is expected (or the reverse)
//   is refused with badIndex; a length read from the data that exceeds what remains in the
//   file is refused with endOfFile before any memory is allocated for it.
// - An object whose Serialize throws while it is loaded is deleted before the exception
//   travels on, so nothing leaks.
// - Objects nested deeper than kMaxObjectDepth inside each other's data are refused with
//   CArchiveException::generic, so crafted data cannot exhaust the stack.
// - ForgetObject, which the original lacks, lets an owner destroy an object while the archive
//   stays open without a later object at the same address being taken for it.
#pragma once

#include "afx/cstring.h"
#include "afx/exceptions.h"
#include "afx/file.h"
#include "afx/object.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

class CDocument;

class CArchive {
public:
    static constexpr int kMaxObjectDepth = 256;

    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    BOOL IsByteSwapping() const { return FALSE; }
    CFile* GetFile() const { return m_pFile; }

    // Raw bytes. Read returns the number of bytes actually read (fewer at the end).
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);

    // Text lines. WriteString writes the text without a terminator. ReadString(CString&)
    // returns one line without its line end ("\n" or "\r\n"), FALSE at the end.
    // ReadString(LPTSTR, nMax) reads at most nMax characters up to and without the line end
    // into a buffer of at least nMax+1 characters, and returns NULL at the end.
    void WriteString(LPCTSTR lpsz);
    BOOL ReadString(CString& rString);
    LPTSTR ReadString(LPTSTR lpsz, UINT nMax);

    // Objects and classes.
    void WriteObject(const CObject* pOb);
    CObject* ReadObject(const CRuntimeClass* pClass);
    void WriteClass(const CRuntimeClass* pClassRef);
    // Reads a class reference. With pSchema the stored schema goes there, else it is kept for
    // GetObjectSchema. With pObTag an object tag is returned there (and null returned);
    // without, an object tag raises badIndex. A class not derived from pClassRefRequested
    // raises badClass.
    CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = nullptr, UINT* pSchema = nullptr,
                             DWORD* pObTag = nullptr);
    void SerializeClass(const CRuntimeClass* pClassRef);
    // The schema of the last class reference read, once; (UINT)-1 afterwards, and also
    // after a class reference that could not be read.
    UINT GetObjectSchema();
    void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }
    // Gives an object an index without writing it, so later references to it are written as
    // that index (storing) or resolve to it (loading).
    void MapObject(const CObject* pOb);
    // Forgets an object written, read or mapped before, which its owner is about to destroy.
    // Its index stays taken; an object later at the same address is written anew, and a later
    // reference to an object forgotten while loading reads as null. A caller streaming many
    // objects forgets each when done with it, so none has to outlive its use.
    void ForgetObject(const CObject* pOb);

    void Flush();
    void Close();
    void Abort();

    // The numbers are written and read inline: over a memory file they cost a copy each.
    CArchive& operator<<(BYTE by) { return StoreNumber(by); }
    CArchive& operator<<(WORD w) { return StoreNumber(w); }
    // LONG is int and DWORD is UINT on this platform, so these also serve int, BOOL and UINT.
    CArchive& operator<<(LONG l) { return StoreNumber(static_cast<DWORD>(l)); }
    CArchive& operator<<(DWORD dw) { return StoreNumber(dw); }
    CArchive& operator<<(float f) { return StoreNumber(std::bit_cast<DWORD>(f)); }
    CArchive& operator<<(double d) { return StoreNumber(std::bit_cast<uint64_t>(d)); }
    CArchive& operator<<(short w) { return *this << static_cast<WORD>(w); }
    CArchive& operator<<(char ch) { return *this << static_cast<BYTE>(ch); }
    CArchive& operator<<(const CString& s);
    CArchive& operator<<(const CObject* pOb)
    {
        WriteObject(pOb);
        return *this;
    }

    CArchive& operator>>(BYTE& by) { return LoadNumber(by); }
    CArchive& operator>>(WORD& w) { return LoadNumber(w); }
    CArchive& operator>>(LONG& l) { return LoadAs<DWORD>(l); }
    CArchive& operator>>(DWORD& dw) { return LoadNumber(dw); }
    CArchive& operator>>(float& f) { return LoadAs<DWORD>(f); }
    CArchive& operator>>(double& d) { return LoadAs<uint64_t>(d); }
    CArchive& operator>>(short& w) { return LoadAs<WORD>(w); }
    CArchive& operator>>(char& ch) { return LoadAs<BYTE>(ch); }
    CArchive& operator>>(CString& s);
    CArchive& operator>>(CObject*& pOb)
    {
        pOb = ReadObject(nullptr);
        return *this;
    }
    CArchive& operator>>(const CObject*& pOb)
    {
        pOb = ReadObject(nullptr);
        return *this;
    }

    CDocument* m_pDocument = nullptr;
    CString m_strFileName;

private:
    // Unsigned numbers of 1, 2, 4 or 8 bytes, little-endian in the archive.
    template <class T>
    static void ToLittleEndian(T value, BYTE* out)
    {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &value, sizeof value);
        } else {
            for (size_t i = 0; i < sizeof value; ++i)
                out[i] = static_cast<BYTE>(value >> (8 * i));
        }
    }
    template <class T>
    static T FromLittleEndian(const BYTE* in)
    {
        T value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, in, sizeof value);
        } else {
            for (size_t i = sizeof value; i-- > 0;)
                value = static_cast<T>((value << 8) | in[i]);
        }
        return value;
    }
    template <class T>
    CArchive& StoreNumber(T value)
    {
        if (m_pStoreMem != nullptr) {
            if (BYTE* p = m_pStoreMem->MakeRoom(sizeof value)) {
                ToLittleEndian(value, p);
                return *this;
            }
        }
        BYTE bytes[sizeof value];
        ToLittleEndian(value, bytes);
        Write(bytes, sizeof bytes);
        return *this;
    }
    template <class T>
    CArchive& LoadNumber(T& value)
    {
        if (m_pLoadMem != nullptr) {
            if (const BYTE* p = m_pLoadMem->TakeBytes(sizeof value)) {
                value = FromLittleEndian<T>(p);
                return *this;
            }
        }
        BYTE bytes[sizeof value];
        ReadExact(bytes, sizeof bytes);
        value = FromLittleEndian<T>(bytes);
        return *this;
    }
    // Reads the unsigned number of the same width and takes its bits.
    template <class Stored, class T>
    CArchive& LoadAs(T& value)
    {
        static_assert(sizeof(Stored) == sizeof(T));
        Stored stored;
        LoadNumber(stored);
        value = std::bit_cast<T>(stored);
        return *this;
    }

    void CheckStoring();
    void CheckLoading();
    // Reads exactly nCount bytes or raises endOfFile.
    void ReadExact(void* lpBuf, UINT nCount);
    // Raises endOfFile unless nCount more bytes remain in the file.
    void RequireRemaining(DWORD nCount);
    void WriteIndexTag(DWORD index, bool isClass);

    struct LoadEntry {
        const CRuntimeClass* pClass = nullptr;  // set for a class entry
        CObject* pObject = nullptr;             // set for an object entry (may be null)
        UINT nSchema = 0;                       // stored schema of a class entry
        bool isClass = false;
    };

    CFile* m_pFile;
    // The file again when it is a CMemFile, for the direct copies: the one for storing set only
    // in an archive that stores, the other only in one that loads.
    CMemFile* m_pStoreMem = nullptr;
    CMemFile* m_pLoadMem = nullptr;
    UINT m_nMode;
    UINT m_nObjectSchema = static_cast<UINT>(-1);
    DWORD m_nMapCount = 1;
    int m_nObjectDepth = 0;
    std::unordered_map<const void*, DWORD> m_storeClasses;
    std::unordered_map<const void*, DWORD> m_storeObjects;
    std::vector<LoadEntry> m_loadArray;
};
