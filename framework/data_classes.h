// Shared serialisable data classes: the parameter snapshot CCopaObjectCompare and the
// characteristic points CDataPoint and C3DDataPoint, with the flat byte-buffer forms that
// wizards keep inside their additional data.
#pragma once

#include "afx/afx.h"

class CWizardCopaObject3;

// Page version written by every serialisable page and data class; the classes' schema is
// this version combined with VERSIONABLE_SCHEMA.
constexpr DWORD kDataClassVersion = 10;

// Snapshot of a parameter's identity: its name (which may be a "@" placeholder) and its
// type bits.
class CCopaObjectCompare : public CObject {
    DECLARE_SERIAL(CCopaObjectCompare)
public:
    CCopaObjectCompare() = default;
    CCopaObjectCompare(const CCopaObjectCompare& other);
    CCopaObjectCompare& operator=(const CCopaObjectCompare& other);
    ~CCopaObjectCompare() override = default;

    // Takes name, Type and ExtType from the parameter; a null pointer changes nothing.
    void SetFrom(const CWizardCopaObject3* param);
    // 1 when the parameter exists, carries the snapshot's name exactly and does not have
    // Type bit 0x2 (parameters that take no part in snapshots).
    BOOL IsSame(const CWizardCopaObject3* param) const;
    void SetName(CString name) { m_strName = name; }
    CString GetName() const { return m_strName; }
    DWORD GetType() const { return m_dwType; }
    void SetType(DWORD type) { m_dwType = type; }
    DWORD GetExtType() const { return m_dwExtType; }
    void SetExtType(DWORD type) { m_dwExtType = type; }
    // A new snapshot equal to other (null for a null argument); the caller owns it.
    static CCopaObjectCompare* Assign(const CCopaObjectCompare* other);

    void Serialize(CArchive& ar) override;

private:
    CString m_strName;
    DWORD m_dwExtType = 0;
    DWORD m_dwType = 0;
};

class CDataPoint : public CObject {
    DECLARE_SERIAL(CDataPoint)
public:
    CDataPoint() = default;
    CDataPoint(double xValue, double yValue) : x(xValue), y(yValue) {}
    ~CDataPoint() override = default;
    void SetX(double value) { x = value; }
    void SetY(double value) { y = value; }
    void Set(CDataPoint point) { x = point.x; y = point.y; }
    void Serialize(CArchive& ar) override;

    double x = 0.0;
    double y = 0.0;

protected:
    CDataPoint(const CDataPoint&) = default;
    CDataPoint& operator=(const CDataPoint&) = default;
};

class C3DDataPoint : public CDataPoint {
    DECLARE_SERIAL(C3DDataPoint)
public:
    C3DDataPoint() = default;
    C3DDataPoint(double xValue, double yValue, double zValue) : CDataPoint(xValue, yValue), z(zValue) {}
    C3DDataPoint(const C3DDataPoint&) = default;
    C3DDataPoint& operator=(const C3DDataPoint&) = default;
    ~C3DDataPoint() override = default;
    void SetZ(double value) { z = value; }
    void Set(C3DDataPoint point) { x = point.x; y = point.y; z = point.z; }
    void Serialize(CArchive& ar) override;

    double z = 0.0;
};

// Reads the class reference of cls. When the data carries none (the reference cannot be
// read), the archive is set back to the logical position where the reference began and
// the schema is 0; otherwise the schema the archive reports. Used by the data classes and
// by pages that store the same kind of record.
UINT ReadClassReferenceOrRewind(CArchive& ar, CRuntimeClass* cls);
// The opening of a page record that starts with the class reference of cls: the page version
// that follows a reference with a schema; 0 for a record without one (read as above).
DWORD ReadPageRecordVersion(CArchive& ar, CRuntimeClass* cls);

// Byte-buffer forms. All numbers little-endian, no padding. Every writer takes a cursor
// and the number of bytes that remain at it; it writes nothing and returns 0 when the
// whole record does not fit, else it advances both and returns 1.

// Bytes needed for a point list with four texts: DWORD n, n x (x, y), 4 x (DWORD L, L bytes).
size_t DataPointsBufferSize(const CPtrArray* points, const CString& text1, const CString& text2,
                            const CString& text3, const CString& text4);
// Writes the point list (CDataPoint pointers) and four texts. 0 for a null cursor or list,
// a null entry, or too little room.
BOOL WriteDataPointsToBuffer(BYTE** cursor, size_t* remaining, const CPtrArray* points, const CString& text1,
                             const CString& text2, const CString& text3, const CString& text4);

// A three-column table: three pointers to CArray<double, double> and two text arrays of
// three entries each.
typedef CArray<double, double> CDoubleColumn;

// Bytes needed for the table: DWORD n (shortest column), n x 24 bytes, 6 texts; 0 when the
// arguments are not three columns and two arrays of three texts.
size_t ThreeColumnsBufferSize(const CPtrArray* columns, const CStringArray* textsA, const CStringArray* textsB);
BOOL WriteThreeColumnsToBuffer(BYTE** cursor, size_t* remaining, const CPtrArray* columns,
                               const CStringArray* textsA, const CStringArray* textsB);
// Reads the table back: the columns and both text arrays are emptied and refilled. Only
// whole fields are read; a row or text that does not fit in what remains ends the
// reading there. 0 (nothing touched) unless there are three columns and two text arrays
// of three entries each.
BOOL ReadThreeColumnsFromBuffer(const BYTE** cursor, size_t* remaining, CPtrArray* columns, CStringArray* textsA,
                                CStringArray* textsB);
