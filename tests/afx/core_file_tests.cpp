#include "afx/afx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

namespace {

std::string TempPath(const char* name) { return testing::TempDir() + name; }

void WriteRaw(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The next line as ReadString(CString&) gives it; a failed read fails the test.
std::string NextLine(CStdioFile& file)
{
    CString line;
    EXPECT_TRUE(file.ReadString(line));
    return line.str();
}

int FileCause(const std::function<void()>& action)
{
    try {
        action();
    } catch (CFileException* e) {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

TEST(CMemFileTest, GrowsWhenWritingAndSeeksPastEnd)
{
    CMemFile file(4);
    file.Write("abcdef", 6);
    EXPECT_EQ(file.GetLength(), 6u);
    EXPECT_EQ(file.Seek(10, CFile::begin), 10);
    file.Write("z", 1);  // the gap reads as zeros
    EXPECT_EQ(file.GetLength(), 11u);
    file.SeekToBegin();
    char buf[16] = {};
    EXPECT_EQ(file.Read(buf, 16), 11u);  // fewer bytes at the end
    EXPECT_EQ(std::string(buf, 11), std::string("abcdef\0\0\0\0z", 11));
    EXPECT_EQ(file.Read(buf, 1), 0u);
    EXPECT_EQ(FileCause([&] { file.Seek(-1, CFile::begin); }), CFileException::badSeek);
    file.SetLength(3);
    EXPECT_EQ(file.GetPosition(), 3u);

    const UINT length = file.GetLength();
    BYTE* detached = file.Detach();
    EXPECT_EQ(std::memcmp(detached, "abc", length), 0);
    EXPECT_EQ(file.GetLength(), 0u);
    std::free(detached);
}

TEST(CMemFileTest, CallerBytesAreNeverFreedOrReallocated)
{
    BYTE fixed[4] = {'w', 'x', 'y', 'z'};
    {
        CMemFile file(fixed, 4);  // no growth
        file.Seek(0, CFile::end);
        try {
            file.Write("!", 1);
            ADD_FAILURE() << "writing past a fixed buffer must fail";
        } catch (CMemoryException* e) {
            e->Delete();
        }
        file.SeekToBegin();
        file.Write("W", 1);  // inside the buffer is fine
    }
    EXPECT_EQ(fixed[0], 'W');
    {
        CMemFile file(fixed, 4, 16);  // may grow: moves to a buffer of its own
        file.Seek(0, CFile::end);
        file.Write("!", 1);
        EXPECT_EQ(file.GetLength(), 5u);
        EXPECT_EQ(std::memcmp(file.Data(), "Wxyz!", 5), 0);
    }
    EXPECT_EQ(std::memcmp(fixed, "Wxyz", 4), 0);

    // Closing keeps the caller's bytes attached: detaching afterwards gives them back.
    CMemFile attached;
    attached.Attach(fixed, 4);
    attached.Close();
    EXPECT_EQ(attached.Detach(), fixed);
}

TEST(CFileTest, OpenWriteReadAndNames)
{
    const std::string path = TempPath("afx_core_file.dat");
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
        file.Write("hello world", 11);
        EXPECT_EQ(file.GetLength(), 11u);
        file.Seek(-5, CFile::end);
        char buf[8] = {};
        EXPECT_EQ(file.Read(buf, 8), 5u);
        EXPECT_STREQ(buf, "world");
        file.SeekToBegin();
        file.Write("J", 1);  // switching from reading to writing works
        file.SetLength(5);
        EXPECT_EQ(file.GetFileName(), "afx_core_file.dat");
        EXPECT_EQ(file.GetFileTitle(), "afx_core_file");
        EXPECT_EQ(file.GetFilePath(), path.c_str());
        file.Close();
    }
    {
        CFile file(path.c_str(), CFile::modeRead);
        char buf[8] = {};
        EXPECT_EQ(file.Read(buf, 8), 5u);
        EXPECT_STREQ(buf, "Jello");
    }
    {
        // Creating without truncation keeps the content.
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
        EXPECT_EQ(file.GetLength(), 5u);
    }
    const std::string renamed = TempPath("afx_core_file2.dat");
    CFile::Rename(path.c_str(), renamed.c_str());
    CFile::Remove(renamed.c_str());
    EXPECT_EQ(FileCause([&] { CFile::Remove(renamed.c_str()); }), CFileException::fileNotFound);
}

TEST(CFileTest, FailuresReportCauses)
{
    CFile file;
    CFileException error;
    const std::string missing = TempPath("afx_core_missing/none.dat");
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_strFileName, missing.c_str());
    EXPECT_FALSE(file.Open(testing::TempDir().c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    EXPECT_EQ(FileCause([&] { CFile f(missing.c_str(), CFile::modeRead); }), CFileException::fileNotFound);
    EXPECT_EQ(FileCause([&] { file.Read(nullptr, 1); }), CFileException::invalidFile);
    char text[64];
    EXPECT_TRUE(error.GetErrorMessage(text, sizeof text));
    EXPECT_GT(std::strlen(text), 0u);
}

TEST(CStdioFileTest, LinePiecesAndLineEnds)
{
    const std::string path = TempPath("afx_core_lines.txt");
    WriteRaw(path, "[IF]\r\nIF x THEN\nabcdefghij\r\n\r\nlast");
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::typeText));
    char buf[5];
    // At most n-1 characters per call, "\r\n" read as "\n", the "\n" kept.
    EXPECT_STREQ(file.ReadString(buf, 5), "[IF]");
    EXPECT_STREQ(file.ReadString(buf, 5), "\n");
    EXPECT_STREQ(file.ReadString(buf, 5), "IF x");
    EXPECT_EQ(NextLine(file), " THEN");
    EXPECT_EQ(NextLine(file), "abcdefghij");
    EXPECT_EQ(NextLine(file), "");
    EXPECT_STREQ(file.ReadString(buf, 5), "last");
    EXPECT_EQ(file.ReadString(buf, 5), nullptr);
    CString line;
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_EQ(file.ReadString(buf, 1), nullptr);  // no room: nothing, rather than a loop
    file.Close();

    // In binary mode ReadString(char*) keeps the "\r"; ReadString(CString&) drops it.
    CStdioFile binary(path.c_str(), CFile::modeRead | CFile::typeBinary);
    char wide[16];
    EXPECT_STREQ(binary.ReadString(wide, 16), "[IF]\r\n");
    EXPECT_EQ(NextLine(binary), "IF x THEN");
    EXPECT_EQ(NextLine(binary), "abcdefghij");
    binary.Close();
    CFile::Remove(path.c_str());
}

TEST(CStdioFileTest, WriteStringThenRead)
{
    const std::string path = TempPath("afx_core_write.txt");
    {
        CStdioFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        out.WriteString("a\xB0\n");
        out.WriteString("b\n");
    }
    CStdioFile in(path.c_str(), CFile::modeRead | CFile::typeText);
    EXPECT_EQ(NextLine(in), "a\xB0");
    EXPECT_EQ(NextLine(in), "b");
    CString line;
    EXPECT_FALSE(in.ReadString(line));
    in.Close();
    CFile::Remove(path.c_str());
}

} // namespace
