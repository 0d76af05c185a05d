// The archive over a memory file copies straight to and from the file's memory; over any other
// file it goes through the file's Read and Write. These tests hold the two ways to the same
// bytes, the same positions and the same refusals.
#include "afx/afx.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// A memory file that takes the virtual Read and Write (it is not exactly a CMemFile).
class CVirtualMemFile : public CMemFile {
public:
    using CMemFile::CMemFile;
    UINT Read(void* lpBuf, UINT nCount) override
    {
        ++reads;
        return CMemFile::Read(lpBuf, nCount);
    }
    void Write(const void* lpBuf, UINT nCount) override
    {
        ++writes;
        CMemFile::Write(lpBuf, nCount);
    }
    int reads = 0;
    int writes = 0;
};

void Append(Bytes& out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out.push_back(static_cast<BYTE>(b));
}

void AppendText(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

const int kTextLengths[] = {0, 1, 254, 255, 256, 65533, 65534, 65535, 70000};

std::string TextOf(int length)
{
    std::string s(static_cast<size_t>(length), 'a');
    for (int i = 0; i < length; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
    return s;
}

// The sample record written by WriteSample, built by hand from the byte rules.
Bytes SampleBytes()
{
    Bytes out;
    Append(out, {0xAB});                    // BYTE
    Append(out, {0x34, 0x12});              // WORD 0x1234
    Append(out, {0xFB, 0xFF, 0xFF, 0xFF});  // LONG -5
    Append(out, {0x78, 0x56, 0x34, 0x12});  // DWORD 0x12345678
    Append(out, {0x00, 0x00, 0xC0, 0x3F});  // float 1.5
    Append(out, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0});  // double -2.5
    Append(out, {0xFE, 0xFF});              // short -2
    Append(out, {0x7A});                    // char 'z'
    for (int length : kTextLengths) {
        if (length < 0xFF) {
            Append(out, {length});
        } else if (length < 0xFFFE) {
            Append(out, {0xFF, length & 0xFF, length >> 8});
        } else {
            Append(out, {0xFF, 0xFF, 0xFF, length & 0xFF, (length >> 8) & 0xFF, (length >> 16) & 0xFF, length >> 24});
        }
        AppendText(out, TextOf(length));
    }
    return out;
}

void WriteSample(CArchive& ar)
{
    ar << static_cast<BYTE>(0xAB) << static_cast<WORD>(0x1234) << static_cast<LONG>(-5)
       << static_cast<DWORD>(0x12345678) << 1.5f << -2.5 << static_cast<short>(-2) << 'z';
    for (int length : kTextLengths)
        ar << CString(TextOf(length).c_str());
}

// Reads the sample field by field, recording the file position after each field, until the
// data ends (then the exception's cause is kept).
struct LoadTrace {
    std::vector<DWORD> positions;
    std::vector<std::string> values;
    int cause = -1;  // CArchiveException cause, or -1 when everything was read
};

LoadTrace ReadSample(CFile& file)
{
    LoadTrace trace;
    CArchive ar(&file, CArchive::load);
    auto field = [&](const std::function<std::string()>& read) {
        trace.values.push_back(read());
        trace.positions.push_back(file.GetPosition());
    };
    try {
        field([&] { BYTE v; ar >> v; return std::to_string(v); });
        field([&] { WORD v; ar >> v; return std::to_string(v); });
        field([&] { LONG v; ar >> v; return std::to_string(v); });
        field([&] { DWORD v; ar >> v; return std::to_string(v); });
        field([&] { float v; ar >> v; return std::to_string(v); });
        field([&] { double v; ar >> v; return std::to_string(v); });
        field([&] { short v; ar >> v; return std::to_string(v); });
        field([&] { char v; ar >> v; return std::string(1, v); });
        for (size_t i = 0; i < std::size(kTextLengths); ++i)
            field([&] { CString v("untouched"); ar >> v; return std::string(v.str()); });
    } catch (CArchiveException* e) {
        trace.cause = e->m_cause;
        trace.positions.push_back(file.GetPosition());
        e->Delete();
    }
    return trace;
}

TEST(ArchiveOverMemory, EveryKindOfFileGetsTheSameBytes)
{
    const Bytes expected = SampleBytes();
    struct Case {
        const char* name;
        std::function<Bytes()> write;
    };
    const Case cases[] = {
        {"growing memory file",
         [] {
             CMemFile file(16);
             CArchive ar(&file, CArchive::store);
             WriteSample(ar);
             ar.Close();
             return Bytes(file.Data(), file.Data() + file.GetLength());
         }},
        {"memory file over the caller's bytes, grown",
         [] {
             Bytes room(10, 0xEE);
             CMemFile file(room.data(), static_cast<UINT>(room.size()), 64);
             file.SetLength(0);
             CArchive ar(&file, CArchive::store);
             WriteSample(ar);
             ar.Close();
             return Bytes(file.Data(), file.Data() + file.GetLength());
         }},
        {"memory file of a derived class",
         [] {
             CVirtualMemFile file;
             CArchive ar(&file, CArchive::store);
             WriteSample(ar);
             ar.Close();
             EXPECT_GT(file.writes, 0);  // the derived class's Write saw every piece
             return Bytes(file.Data(), file.Data() + file.GetLength());
         }},
        {"file on disk",
         [] {
             const std::string path = testing::TempDir() + "afx_archive_memory_" + std::to_string(::getpid()) + ".bin";
             {
                 CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
                 CArchive ar(&file, CArchive::store);
                 WriteSample(ar);
                 ar.Close();
                 file.Close();
             }
             CFile file(path.c_str(), CFile::modeRead);
             Bytes bytes(file.GetLength());
             EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
             file.Close();
             CFile::Remove(path.c_str());
             return bytes;
         }},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.write(), expected) << c.name;
}

// Every cut of the sample: the direct copies and the virtual reads stop at the same field with
// the same cause, with the file at the same position after every field (the archive never reads
// ahead), and a string that does not fit keeps its earlier text.
TEST(ArchiveOverMemory, LoadingStopsAtTheSameFieldAndPositionAsTheVirtualReads)
{
    const Bytes whole = SampleBytes();
    const std::vector<size_t> cuts = [&] {
        std::vector<size_t> c;
        for (size_t n = 0; n < 40; ++n)
            c.push_back(n);
        for (size_t n = 40; n < whole.size(); n += 997)
            c.push_back(n);
        c.push_back(whole.size() - 1);
        c.push_back(whole.size());
        return c;
    }();
    for (size_t cut : cuts) {
        Bytes direct(whole.begin(), whole.begin() + static_cast<long>(cut));
        Bytes viaVirtual = direct;
        CMemFile directFile(direct.data(), static_cast<UINT>(direct.size()));
        CVirtualMemFile virtualFile(viaVirtual.data(), static_cast<UINT>(viaVirtual.size()));
        const LoadTrace a = ReadSample(directFile);
        const LoadTrace b = ReadSample(virtualFile);
        EXPECT_EQ(a.values, b.values) << cut;
        EXPECT_EQ(a.positions, b.positions) << cut;
        EXPECT_EQ(a.cause, b.cause) << cut;
        if (cut < whole.size())
            EXPECT_EQ(a.cause, CArchiveException::endOfFile) << cut;
        else
            EXPECT_EQ(a.cause, -1);
    }
}

TEST(ArchiveOverMemory, PositionAfterEveryFieldIsTheBytesConsumed)
{
    Bytes bytes = SampleBytes();
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    const LoadTrace trace = ReadSample(file);
    ASSERT_EQ(trace.cause, -1);
    const std::vector<DWORD> numbers(trace.positions.begin(), trace.positions.begin() + 8);
    EXPECT_EQ(numbers, (std::vector<DWORD>{1, 3, 7, 11, 15, 23, 25, 26}));
    EXPECT_EQ(trace.values[2], "-5");
    EXPECT_EQ(trace.values[5], "-2.500000");
    EXPECT_EQ(trace.values.back(), TextOf(70000));
    EXPECT_EQ(trace.positions.back(), bytes.size());
}

// The direct copies must not get past the checks of the archive's mode and state.
TEST(ArchiveOverMemory, ModeAndClosedArchiveAreStillRefused)
{
    struct Case {
        const char* name;
        UINT mode;
        bool closeFirst;
        std::function<void(CArchive&)> use;
        int cause;
    };
    const Case cases[] = {
        {"number read from a storing archive", CArchive::store, false, [](CArchive& ar) { double d; ar >> d; },
         CArchiveException::writeOnly},
        {"text read from a storing archive", CArchive::store, false, [](CArchive& ar) { CString s; ar >> s; },
         CArchiveException::writeOnly},
        {"number written to a loading archive", CArchive::load, false, [](CArchive& ar) { ar << 1.0; },
         CArchiveException::readOnly},
        {"text written to a loading archive", CArchive::load, false, [](CArchive& ar) { ar << CString("x"); },
         CArchiveException::readOnly},
        {"number written after Close", CArchive::store, true, [](CArchive& ar) { ar << static_cast<DWORD>(1); },
         CArchiveException::generic},
        {"number read after Close", CArchive::load, true, [](CArchive& ar) { WORD w; ar >> w; },
         CArchiveException::generic},
    };
    for (const Case& c : cases) {
        Bytes bytes(64, 0x01);
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()), 16);
        CArchive ar(&file, c.mode);
        if (c.closeFirst)
            ar.Close();
        int cause = -1;
        try {
            c.use(ar);
        } catch (CArchiveException* e) {
            cause = e->m_cause;
            e->Delete();
        }
        EXPECT_EQ(cause, c.cause) << c.name;
        EXPECT_EQ(file.GetPosition(), 0u) << c.name;
        EXPECT_EQ(bytes, Bytes(64, 0x01)) << c.name;
    }
}

TEST(ArchiveOverMemory, FixedCallerBufferRefusesToGrowAndKeepsWhatFits)
{
    Bytes room(6, 0);
    CMemFile file(room.data(), static_cast<UINT>(room.size()));
    file.SetLength(0);
    CArchive ar(&file, CArchive::store);
    ar << static_cast<DWORD>(0x04030201);
    bool refused = false;
    try {
        ar << static_cast<DWORD>(0x08070605);
    } catch (CMemoryException* e) {
        refused = true;
        e->Delete();
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(file.GetPosition(), 4u);
    EXPECT_EQ(file.Data(), room.data());
    EXPECT_EQ(room, (Bytes{1, 2, 3, 4, 0, 0}));
}

TEST(CMemFileTest, TakeBytesAndMakeRoomMoveThePositionOnlyWhenTheyAnswer)
{
    struct Case {
        DWORD size;      // bytes of content
        LONG position;   // where the file stands
        UINT count;
        bool taken;      // TakeBytes answers
        bool roomMade;   // MakeRoom answers (the buffer holds 16 bytes)
        DWORD sizeAfterRoom;
    };
    const Case cases[] = {
        {8, 0, 8, true, true, 8},     // exactly the content
        {8, 0, 9, false, true, 9},    // one more than the content, within the buffer
        {8, 4, 4, true, true, 8},     // the rest
        {8, 8, 1, false, true, 9},    // at the end: nothing to take, room to append
        {8, 9, 1, false, false, 8},   // beyond the end: Write fills the gap, not MakeRoom
        {16, 12, 4, true, true, 16},  // the buffer's last bytes
        {16, 12, 5, false, false, 16},  // more than the buffer holds
        {8, 2, 0, false, false, 8},   // nothing asked for
    };
    for (const Case& c : cases) {
        Bytes buffer(16);
        for (size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<BYTE>(i);
        CMemFile file(buffer.data(), 16);
        file.SetLength(c.size);
        // Both calls give the bytes at the position and move past them, or give null and stay.
        auto expectAtPosition = [&](const BYTE* given, bool expected) {
            EXPECT_EQ(given != nullptr, expected) << c.size << " " << c.position << " " << c.count;
            if (given != nullptr) {
                EXPECT_EQ(given, buffer.data() + c.position);
            }
            EXPECT_EQ(file.GetPosition(), static_cast<DWORD>(c.position) + (given != nullptr ? c.count : 0));
        };
        file.Seek(c.position, CFile::begin);
        expectAtPosition(file.TakeBytes(c.count), c.taken);
        file.Seek(c.position, CFile::begin);
        expectAtPosition(file.MakeRoom(c.count), c.roomMade);
        EXPECT_EQ(file.GetLength(), c.sizeAfterRoom) << c.size << " " << c.position << " " << c.count;
    }
}

} // namespace
