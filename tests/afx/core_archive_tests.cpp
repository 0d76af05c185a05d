#include "afx/afx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

// Small serialisable classes for the archive tests.
class CTestPoint : public CObject {
    DECLARE_SERIAL(CTestPoint)
public:
    double x = 0, y = 0;
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << x << y;
        else
            ar >> x >> y;
    }
};
IMPLEMENT_SERIAL(CTestPoint, CObject, 1)

class CTestVersioned : public CObject {
    DECLARE_SERIAL(CTestVersioned)
public:
    UINT loadedSchema = 0;
    DWORD value = 0;
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar << value;
        } else {
            loadedSchema = ar.GetObjectSchema();
            ar >> value;
        }
    }
};
IMPLEMENT_SERIAL(CTestVersioned, CObject, VERSIONABLE_SCHEMA | 2)

// Owns the object that follows it in the archive.
class CTestChain : public CObject {
    DECLARE_SERIAL(CTestChain)
public:
    CObject* next = nullptr;
    ~CTestChain() override { delete next; }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << next;
        else
            ar >> next;
    }
};
IMPLEMENT_SERIAL(CTestChain, CObject, 1)

namespace {

using Bytes = std::vector<BYTE>;

Bytes Contents(CMemFile& file)
{
    const BYTE* p = file.Data();
    return Bytes(p, p + file.GetLength());
}

Bytes Le16(WORD w) { return {static_cast<BYTE>(w), static_cast<BYTE>(w >> 8)}; }
Bytes Le32(DWORD d)
{
    return {static_cast<BYTE>(d), static_cast<BYTE>(d >> 8), static_cast<BYTE>(d >> 16), static_cast<BYTE>(d >> 24)};
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes DoubleBytes(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    Bytes out;
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<BYTE>(bits >> (8 * i)));
    return out;
}

// Runs the action and returns the cause of the archive exception it raised (-1: none).
int ArchiveCause(const std::function<void()>& action)
{
    try {
        action();
    } catch (CException* e) {
        int cause = -2;
        if (auto* ae = DYNAMIC_DOWNCAST(CArchiveException, e))
            cause = ae->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

// A loading archive over a copy of the bytes; the file and archive live as long as this.
struct Loader {
    explicit Loader(const Bytes& bytes) : data(bytes), file(data.data(), static_cast<UINT>(data.size())), ar(&file, CArchive::load) {}
    Bytes data;
    CMemFile file;
    CArchive ar;
};

TEST(CArchiveTest, NumbersAreLittleEndianWithFixedWidths)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << static_cast<BYTE>(0x12) << static_cast<WORD>(0x3456) << static_cast<DWORD>(0x789ABCDE)
           << static_cast<LONG>(-2) << static_cast<int>(1) << static_cast<BOOL>(TRUE) << static_cast<short>(-1)
           << 'c' << 1.5f << 0.1;
        ar.Close();
    }
    const Bytes expected = Cat({{0x12}, Le16(0x3456), Le32(0x789ABCDE), Le32(0xFFFFFFFE), Le32(1), Le32(1),
                                Le16(0xFFFF), {'c'}, Le32(0x3FC00000), DoubleBytes(0.1)});
    EXPECT_EQ(Contents(file), expected);

    Loader in(expected);
    BYTE b; WORD w; DWORD d; LONG l; int i; BOOL bo; short s; char c; float f; double db;
    in.ar >> b >> w >> d >> l >> i >> bo >> s >> c >> f >> db;
    EXPECT_EQ(b, 0x12);
    EXPECT_EQ(w, 0x3456);
    EXPECT_EQ(d, 0x789ABCDEu);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(bo, TRUE);
    EXPECT_EQ(s, -1);
    EXPECT_EQ(c, 'c');
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(db, 0.1);
}

TEST(CArchiveTest, StringLengthPrefixes)
{
    struct Case {
        int length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, Cat({{0xFF}, Le16(255)})},
        {65533, Cat({{0xFF}, Le16(0xFFFD)})},
        {65534, Cat({{0xFF}, Le16(0xFFFF), Le32(65534)})},
        {70000, Cat({{0xFF}, Le16(0xFFFF), Le32(70000)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string body(static_cast<size_t>(c.length), 'x');
        if (c.length > 2)
            body[1] = '\0';  // stored unchanged, NUL included
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar << CString(body.data(), c.length);
        }
        EXPECT_EQ(Contents(file), Cat({c.prefix, Text(body)}));

        Loader in(Contents(file));
        CString back;
        in.ar >> back;
        EXPECT_EQ(back.str(), body);
    }
}

TEST(CArchiveTest, ClassesAndObjectsShareOneIndexCounter)
{
    CTestPoint p1, p2;
    p1.x = 1;
    p1.y = 2;
    p2.x = 3;
    p2.y = 4;
    CTestVersioned v;
    v.value = 7;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << &p1;                                    // class 1, object 2
        ar << &p1;                                    // object 2 again
        ar << &p2;                                    // class 1 again, object 3
        ar << static_cast<CObject*>(nullptr);         // null object
        ar.SerializeClass(RUNTIME_CLASS(CTestPoint)); // class 1 again
        ar.WriteObject(&v);                           // new class 4, object 5
        ar.WriteClass(RUNTIME_CLASS(CTestVersioned)); // class 4 again
    }
    const Bytes expected = Cat({Le16(0xFFFF), Le16(1), Le16(10), Text("CTestPoint"), DoubleBytes(1), DoubleBytes(2),
                                Le16(0x0002),
                                Le16(0x8001), DoubleBytes(3), DoubleBytes(4),
                                Le16(0x0000),
                                Le16(0x8001),
                                Le16(0xFFFF), Le16(2), Le16(14), Text("CTestVersioned"), Le32(7),
                                Le16(0x8004)});
    EXPECT_EQ(Contents(file), expected);

    Loader in(expected);
    CTestPoint* a = nullptr;
    CTestPoint* b = nullptr;
    CTestPoint* c = nullptr;
    CObject* n = &p1;
    in.ar >> a >> b >> c >> n;
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);  // the second reference is the same object
    EXPECT_EQ(a->y, 2);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->x, 3);
    EXPECT_EQ(n, nullptr);
    in.ar.SerializeClass(RUNTIME_CLASS(CTestPoint));
    EXPECT_EQ(in.ar.GetObjectSchema(), 1u);
    CTestVersioned* lv = nullptr;
    in.ar >> lv;
    ASSERT_NE(lv, nullptr);
    EXPECT_EQ(lv->value, 7u);
    EXPECT_EQ(lv->loadedSchema, 2u);
    EXPECT_EQ(in.ar.ReadClass(), RUNTIME_CLASS(CTestVersioned));
    delete a;
    delete c;
    delete lv;
}

TEST(CArchiveTest, BigIndexForm)
{
    // Indexes 2..0x7FFE are taken by mapped objects; the next class gets 0x7FFF.
    std::vector<CTestPoint> mapped(0x7FFD);
    CTestPoint late;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteClass(RUNTIME_CLASS(CTestPoint));
        for (const CTestPoint& p : mapped)
            ar.MapObject(&p);
        file.SetLength(0);
        file.SeekToBegin();
        ar.WriteClass(RUNTIME_CLASS(CTestVersioned));  // new, index 0x7FFF
        ar.WriteClass(RUNTIME_CLASS(CTestVersioned));
        ar.WriteObject(&mapped[0]);                    // index 2
        ar.WriteObject(&late);                         // class 1, object 0x8000
        ar.WriteObject(&late);
        ar.WriteClass(RUNTIME_CLASS(CTestPoint));
    }
    const Bytes expected = Cat({Le16(0xFFFF), Le16(2), Le16(14), Text("CTestVersioned"),
                                Le16(0x7FFF), Le32(0x80007FFF),
                                Le16(0x0002),
                                Le16(0x8001), DoubleBytes(0), DoubleBytes(0),
                                Le16(0x7FFF), Le32(0x00008000),
                                Le16(0x8001)});
    EXPECT_EQ(Contents(file), expected);

    // Loading resolves the same indexes when the same objects are mapped first.
    const Bytes classRecord = Cat({Le16(0xFFFF), Le16(1), Le16(10), Text("CTestPoint")});
    Loader in(Cat({classRecord, expected}));
    EXPECT_EQ(in.ar.ReadClass(), RUNTIME_CLASS(CTestPoint));
    for (const CTestPoint& p : mapped)
        in.ar.MapObject(&p);
    EXPECT_EQ(in.ar.ReadClass(), RUNTIME_CLASS(CTestVersioned));
    EXPECT_EQ(in.ar.ReadClass(), RUNTIME_CLASS(CTestVersioned));
    EXPECT_EQ(in.ar.ReadObject(nullptr), &mapped[0]);
    CObject* loaded = in.ar.ReadObject(RUNTIME_CLASS(CTestPoint));
    EXPECT_EQ(in.ar.ReadObject(nullptr), loaded);
    EXPECT_EQ(in.ar.ReadClass(), RUNTIME_CLASS(CTestPoint));
    delete loaded;
}

// A forgotten object keeps its index: one written again at the same address is a new object,
// and loading reads a reference to a forgotten object as null, never as the object gone.
TEST(CArchiveTest, ForgottenObjectKeepsItsIndexButIsNoLongerReferenced)
{
    CTestPoint p;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        p.x = 1;
        ar << &p;             // class 1, object 2
        ar.ForgetObject(&p);
        p.x = 3;
        ar << &p << &p;       // object 3, then a reference to it
    }
    const Bytes expected = Cat({Le16(0xFFFF), Le16(1), Le16(10), Text("CTestPoint"), DoubleBytes(1), DoubleBytes(0),
                                Le16(0x8001), DoubleBytes(3), DoubleBytes(0), Le16(0x0003)});
    EXPECT_EQ(Contents(file), expected);

    Loader in(Cat({expected, Le16(0x0002)}));
    CObject* first = in.ar.ReadObject(nullptr);
    in.ar.ForgetObject(first);
    delete first;
    CObject* second = in.ar.ReadObject(nullptr);
    EXPECT_EQ(in.ar.ReadObject(nullptr), second);
    EXPECT_EQ(in.ar.ReadObject(nullptr), nullptr);
    delete second;
}

TEST(CArchiveTest, LoadingRefusesBadData)
{
    const Bytes pointRecord = Cat({Le16(0xFFFF), Le16(1), Le16(10), Text("CTestPoint")});
    const Bytes fullPoint = Cat({pointRecord, DoubleBytes(1), DoubleBytes(2)});

    // Data that ends early, anywhere: inside the tag, the class name or the object's data.
    for (size_t cut : {size_t{0}, size_t{1}, size_t{7}, size_t{20}, fullPoint.size() - 1}) {
        SCOPED_TRACE(cut);
        Loader in(Bytes(fullPoint.begin(), fullPoint.begin() + static_cast<long>(cut)));
        EXPECT_EQ(ArchiveCause([&] { delete in.ar.ReadObject(nullptr); }), CArchiveException::endOfFile);
    }
    {
        Loader in(Cat({Le16(0xFFFF), Le16(1), Le16(5), Text("CNope")}));
        EXPECT_EQ(ArchiveCause([&] { delete in.ar.ReadObject(nullptr); }), CArchiveException::badClass);
    }
    {
        // An object tag (here index 2) where a class is expected.
        Loader in(Cat({Le16(0x0002)}));
        EXPECT_EQ(ArchiveCause([&] { in.ar.SerializeClass(RUNTIME_CLASS(CTestPoint)); }), CArchiveException::badIndex);
    }
    {
        // A class reference to an index that was never given, or that holds an object.
        Loader in(Cat({fullPoint, Le16(0x8005), Le16(0x8002)}));
        delete in.ar.ReadObject(nullptr);
        EXPECT_EQ(ArchiveCause([&] { in.ar.ReadClass(); }), CArchiveException::badIndex);
        EXPECT_EQ(ArchiveCause([&] { in.ar.ReadClass(); }), CArchiveException::badIndex);
    }
    {
        // An object reference to an index that holds a class, or lies beyond the map.
        Loader in(Cat({pointRecord, Le16(0x0001), Le16(0x0009)}));
        in.ar.ReadClass();
        EXPECT_EQ(ArchiveCause([&] { in.ar.ReadObject(nullptr); }), CArchiveException::badIndex);
        EXPECT_EQ(ArchiveCause([&] { in.ar.ReadObject(nullptr); }), CArchiveException::badIndex);
    }
    {
        // A stored schema that differs from a class without the versionable flag.
        Loader in(Cat({Le16(0xFFFF), Le16(5), Le16(10), Text("CTestPoint")}));
        EXPECT_EQ(ArchiveCause([&] { in.ar.ReadClass(); }), CArchiveException::badSchema);
    }
    {
        // An object of another class than the one asked for.
        Loader in(fullPoint);
        EXPECT_EQ(ArchiveCause([&] { delete in.ar.ReadObject(RUNTIME_CLASS(CTestVersioned)); }),
                  CArchiveException::badClass);
    }
    {
        // A string length beyond the data is refused before anything is allocated for it.
        Loader in(Cat({{0xFF}, Le16(0xFFFF), Le32(0xFFFFFFF0), Text("abc")}));
        CString s;
        EXPECT_EQ(ArchiveCause([&] { in.ar >> s; }), CArchiveException::endOfFile);
    }
    {
        // Writing into a loading archive and reading from a storing one.
        Loader in(fullPoint);
        EXPECT_EQ(ArchiveCause([&] { in.ar << static_cast<BYTE>(1); }), CArchiveException::readOnly);
        CMemFile out;
        CArchive ar(&out, CArchive::store);
        BYTE b;
        EXPECT_EQ(ArchiveCause([&] { ar >> b; }), CArchiveException::writeOnly);
    }
}

TEST(CArchiveTest, NestingDepthIsLimited)
{
    for (int depth : {CArchive::kMaxObjectDepth, CArchive::kMaxObjectDepth + 1}) {
        SCOPED_TRACE(depth);
        CTestChain head;
        CTestChain* tail = &head;
        for (int i = 1; i < depth; ++i) {
            tail->next = new CTestChain;
            tail = static_cast<CTestChain*>(tail->next);
        }
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar << &head;
        }
        Loader in(Contents(file));
        CObject* loaded = nullptr;
        const int cause = ArchiveCause([&] { loaded = in.ar.ReadObject(nullptr); });
        // Every object made before the refusal is deleted again (the leak check sees it).
        EXPECT_EQ(cause, depth > CArchive::kMaxObjectDepth ? CArchiveException::generic : -1);
        delete loaded;
    }
}

TEST(CArchiveTest, VersionableSchemaIsReportedOnceThenResets)
{
    Loader in(Cat({Le16(0xFFFF), Le16(1), Le16(14), Text("CTestVersioned"), Le32(9), Le16(0x8001)}));
    in.ar.SerializeClass(RUNTIME_CLASS(CTestVersioned));
    EXPECT_EQ(in.ar.GetObjectSchema(), 1u);
    EXPECT_EQ(in.ar.GetObjectSchema(), static_cast<UINT>(-1));
    DWORD value;
    in.ar >> value;
    // A later reference to the class reports the schema stored with it again.
    in.ar.SerializeClass(RUNTIME_CLASS(CTestVersioned));
    EXPECT_EQ(in.ar.GetObjectSchema(), 1u);

    // A schema nobody asked for does not survive a class reference that fails.
    Loader again(Cat({Le16(0xFFFF), Le16(1), Le16(14), Text("CTestVersioned"), Le16(0x0005)}));
    again.ar.SerializeClass(RUNTIME_CLASS(CTestVersioned));
    EXPECT_EQ(ArchiveCause([&] { again.ar.SerializeClass(RUNTIME_CLASS(CTestVersioned)); }),
              CArchiveException::badIndex);
    EXPECT_EQ(again.ar.GetObjectSchema(), static_cast<UINT>(-1));
}

// The readers' pattern for data that may lack a class record: remember the position, try
// the class reference, and on failure seek back and read the fields as schema 0.
void ReadSnapshot(CArchive& ar, UINT& schema, CString& name, DWORD& type, DWORD& extType)
{
    const DWORD pos = ar.GetFile()->GetPosition();
    try {
        ar.SerializeClass(RUNTIME_CLASS(CTestVersioned));
        schema = ar.GetObjectSchema();
    } catch (CException* e) {
        e->Delete();
        ar.Flush();
        ar.GetFile()->Seek(pos, CFile::begin);
        schema = 0;
    }
    if (schema >= 1) {
        DWORD version;
        ar >> version;
    }
    ar >> name >> type >> extType;
}

const Bytes kWithoutRecord = Cat({{2}, Text("R1"), Le32(0x11), Le32(0x22)});
const Bytes kWithRecord = Cat({Le16(0xFFFF), Le16(2), Le16(14), Text("CTestVersioned"), Le32(10), {2}, Text("R2"),
                               Le32(0x33), Le32(0x44)});

void CheckSeekBack(CFile& file)
{
    CArchive ar(&file, CArchive::load);
    UINT schema;
    CString name;
    DWORD type, extType;
    ReadSnapshot(ar, schema, name, type, extType);
    EXPECT_EQ(schema, 0u);
    EXPECT_EQ(name, "R1");
    EXPECT_EQ(type, 0x11u);
    EXPECT_EQ(extType, 0x22u);
    ReadSnapshot(ar, schema, name, type, extType);
    EXPECT_EQ(schema, 2u);
    EXPECT_EQ(name, "R2");
    EXPECT_EQ(type, 0x33u);
    EXPECT_EQ(extType, 0x44u);
    EXPECT_EQ(file.GetPosition(), file.GetLength());
}

TEST(CArchiveTest, SeekBackAfterFailedClassReferenceOverMemFile)
{
    Bytes data = Cat({kWithoutRecord, kWithRecord});
    CMemFile file(data.data(), static_cast<UINT>(data.size()));
    CheckSeekBack(file);
}

TEST(CArchiveTest, SeekBackAfterFailedClassReferenceOverDiskFile)
{
    const std::string path = testing::TempDir() + "afx_core_seekback.bin";
    {
        CFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        const Bytes data = Cat({kWithoutRecord, kWithRecord});
        out.Write(data.data(), static_cast<UINT>(data.size()));
        out.Close();
    }
    CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    CheckSeekBack(file);
    file.Close();
    CFile::Remove(path.c_str());
}

TEST(CArchiveTest, TextLines)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteString("first\r\nsecond\nlast");
    }
    Loader in(Contents(file));
    CString line;
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_EQ(line, "first");
    char buf[4];
    EXPECT_STREQ(in.ar.ReadString(buf, 3), "sec");
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_EQ(line, "ond");
    EXPECT_TRUE(in.ar.ReadString(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(in.ar.ReadString(line));
    EXPECT_EQ(in.ar.ReadString(buf, 3), nullptr);
}

} // namespace
