#include "framework/data_classes.h"

#include <algorithm>

#include "framework/byte_cursor.h"
#include "framework/module.h"
#include "wizard/copa.h"

IMPLEMENT_SERIAL(CCopaObjectCompare, CObject, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CCopaObjectCompare)
IMPLEMENT_SERIAL(CDataPoint, CObject, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(CDataPoint)
IMPLEMENT_SERIAL(C3DDataPoint, CDataPoint, VERSIONABLE_SCHEMA | kDataClassVersion)
PARVEL_VERSIONED_CLASS(C3DDataPoint)

namespace {

constexpr DWORD kTypeNoSnapshot = 0x2;

// Each data class writes its class reference and the data version before its members.
void StoreHead(CArchive& ar, CRuntimeClass* cls) {
    ar.SerializeClass(cls);
    ar << kDataClassVersion;
}

// Reads what StoreHead wrote; data without a class record (schema 0) has no version either.
void LoadHead(CArchive& ar, CRuntimeClass* cls) {
    if (ReadClassReferenceOrRewind(ar, cls) >= 1) {
        DWORD version = 0;
        ar >> version;
    }
}

} // namespace

UINT ReadClassReferenceOrRewind(CArchive& ar, CRuntimeClass* cls) {
    // Flushing makes the file's position the archive's logical position (the place where
    // the reference begins), whether or not the archive reads ahead.
    ar.Flush();
    CFile* file = ar.GetFile();
    const DWORD start = file->GetPosition();
    try {
        ar.SerializeClass(cls);
    } catch (CArchiveException* e) {
        // Data written without a class record: read it again from the start as schema 0.
        e->Delete();
        ar.Flush();
        file->Seek(static_cast<LONG>(start), CFile::begin);
        return 0;
    }
    const UINT schema = ar.GetObjectSchema();
    return schema == static_cast<UINT>(-1) ? 0 : schema;
}

DWORD ReadPageRecordVersion(CArchive& ar, CRuntimeClass* cls) {
    DWORD version = 0;
    if (ReadClassReferenceOrRewind(ar, cls) != 0) ar >> version;
    return version;
}

CCopaObjectCompare::CCopaObjectCompare(const CCopaObjectCompare& other)
    : CObject(), m_strName(other.m_strName), m_dwExtType(other.m_dwExtType), m_dwType(other.m_dwType) {}

CCopaObjectCompare& CCopaObjectCompare::operator=(const CCopaObjectCompare& other) {
    m_strName = other.m_strName;
    m_dwExtType = other.m_dwExtType;
    m_dwType = other.m_dwType;
    return *this;
}

void CCopaObjectCompare::SetFrom(const CWizardCopaObject3* param) {
    if (param == nullptr) return;
    m_strName = param->GetName();
    m_dwType = param->GetType();
    m_dwExtType = param->GetExtType();
}

BOOL CCopaObjectCompare::IsSame(const CWizardCopaObject3* param) const {
    if (param == nullptr) return 0;
    return param->GetName() == m_strName && (param->GetType() & kTypeNoSnapshot) == 0;
}

CCopaObjectCompare* CCopaObjectCompare::Assign(const CCopaObjectCompare* other) {
    return other ? new CCopaObjectCompare(*other) : nullptr;
}

void CCopaObjectCompare::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreHead(ar, RUNTIME_CLASS(CCopaObjectCompare));
        ar << m_strName;
        // Type goes before ExtType, the reverse of the declaration order.
        ar << m_dwType;
        ar << m_dwExtType;
        return;
    }
    LoadHead(ar, RUNTIME_CLASS(CCopaObjectCompare));
    ar >> m_strName;
    ar >> m_dwType;
    ar >> m_dwExtType;
}

void CDataPoint::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreHead(ar, RUNTIME_CLASS(CDataPoint));
        ar << x;
        ar << y;
        return;
    }
    LoadHead(ar, RUNTIME_CLASS(CDataPoint));
    ar >> x;
    ar >> y;
}

void C3DDataPoint::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StoreHead(ar, RUNTIME_CLASS(C3DDataPoint));
        ar << x;
        ar << y;
        ar << z;
        return;
    }
    LoadHead(ar, RUNTIME_CLASS(C3DDataPoint));
    ar >> x;
    ar >> y;
    ar >> z;
}

// ---------------------------------------------------------------------------------------
// Byte-buffer forms

size_t DataPointsBufferSize(const CPtrArray* points, const CString& text1, const CString& text2,
                            const CString& text3, const CString& text4) {
    const size_t count = points ? static_cast<size_t>(points->GetSize()) : 0;
    return 4 + count * 16 + qv::bytes::TextSize(text1) + qv::bytes::TextSize(text2) + qv::bytes::TextSize(text3) +
           qv::bytes::TextSize(text4);
}

BOOL WriteDataPointsToBuffer(BYTE** cursor, size_t* remaining, const CPtrArray* points, const CString& text1,
                             const CString& text2, const CString& text3, const CString& text4) {
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr || points == nullptr) return 0;
    const int count = points->GetSize();
    for (int i = 0; i < count; ++i)
        if (points->GetAt(i) == nullptr) return 0;
    if (DataPointsBufferSize(points, text1, text2, text3, text4) > *remaining) return 0;

    qv::bytes::Writer out(*cursor, *remaining);
    out.WriteDword(static_cast<DWORD>(count));
    for (int i = 0; i < count; ++i) {
        const CDataPoint* point = static_cast<const CDataPoint*>(points->GetAt(i));
        out.WriteDouble(point->x);
        out.WriteDouble(point->y);
    }
    out.WriteText(text1);
    out.WriteText(text2);
    out.WriteText(text3);
    out.WriteText(text4);
    *cursor = out.Position();
    *remaining = out.Remaining();
    return 1;
}

namespace {

bool IsThreeColumnTable(const CPtrArray* columns, const CStringArray* textsA, const CStringArray* textsB) {
    if (columns == nullptr || textsA == nullptr || textsB == nullptr) return false;
    if (columns->GetSize() != 3 || textsA->GetSize() != 3 || textsB->GetSize() != 3) return false;
    for (int i = 0; i < 3; ++i)
        if (columns->GetAt(i) == nullptr) return false;
    return true;
}

CDoubleColumn* Column(const CPtrArray* columns, int i) { return static_cast<CDoubleColumn*>(columns->GetAt(i)); }

size_t RowCount(const CPtrArray* columns) {
    return static_cast<size_t>(std::min({Column(columns, 0)->GetSize(), Column(columns, 1)->GetSize(),
                                         Column(columns, 2)->GetSize()}));
}

} // namespace

size_t ThreeColumnsBufferSize(const CPtrArray* columns, const CStringArray* textsA, const CStringArray* textsB) {
    if (!IsThreeColumnTable(columns, textsA, textsB)) return 0;
    size_t size = 4 + RowCount(columns) * 24;
    for (int i = 0; i < 3; ++i) size += qv::bytes::TextSize(textsA->GetAt(i)) + qv::bytes::TextSize(textsB->GetAt(i));
    return size;
}

BOOL WriteThreeColumnsToBuffer(BYTE** cursor, size_t* remaining, const CPtrArray* columns,
                               const CStringArray* textsA, const CStringArray* textsB) {
    if (!IsThreeColumnTable(columns, textsA, textsB)) return 0;
    if (cursor == nullptr || *cursor == nullptr || remaining == nullptr) return 0;
    const size_t rows = RowCount(columns);
    if (rows > 0xFFFFFFFF) return 0;
    if (ThreeColumnsBufferSize(columns, textsA, textsB) > *remaining) return 0;

    qv::bytes::Writer out(*cursor, *remaining);
    out.WriteDword(static_cast<DWORD>(rows));
    for (size_t r = 0; r < rows; ++r)
        for (int c = 0; c < 3; ++c) out.WriteDouble(Column(columns, c)->GetAt(static_cast<int>(r)));
    for (int i = 0; i < 3; ++i) out.WriteText(textsA->GetAt(i));
    for (int i = 0; i < 3; ++i) out.WriteText(textsB->GetAt(i));
    *cursor = out.Position();
    *remaining = out.Remaining();
    return 1;
}

BOOL ReadThreeColumnsFromBuffer(const BYTE** cursor, size_t* remaining, CPtrArray* columns, CStringArray* textsA,
                                CStringArray* textsB) {
    if (!IsThreeColumnTable(columns, textsA, textsB)) return 0;
    if (cursor == nullptr || remaining == nullptr) return 0;
    qv::bytes::Reader in(*cursor, *remaining);

    // The old table never survives, even when not even the count can be read.
    for (int c = 0; c < 3; ++c) Column(columns, c)->RemoveAll();
    textsA->RemoveAll();
    textsB->RemoveAll();

    DWORD rows = 0;
    if (in.ReadDword(rows)) {
        // Only rows that fit whole are read; a count larger than the data cannot make the
        // reader allocate or read beyond the block. A row that does not fit ends the reading:
        // its remaining bytes are no texts.
        bool allRows = true;
        for (DWORD r = 0; r < rows; ++r) {
            if (!in.Fits(24)) {
                allRows = false;
                break;
            }
            for (int c = 0; c < 3; ++c) {
                double value = 0.0;
                in.ReadDouble(value);
                Column(columns, c)->Add(value);
            }
        }
        for (int t = 0; allRows && t < 6; ++t) {
            CString text;
            if (!in.ReadText(text)) break;
            (t < 3 ? textsA : textsB)->Add(text);
        }
    }
    *cursor = in.Position();
    *remaining = in.Remaining();
    return 1;
}
