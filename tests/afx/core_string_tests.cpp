#include "afx/afx.h"

#include <gtest/gtest.h>

#include "tests/support/decimal_comma_locale.h"

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

TEST(CStringTest, HoldsEmbeddedNulsAndCp1252Bytes)
{
    const char raw[] = {'a', '\0', 'b', '\xB0'};
    CString s(raw, 4);
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_EQ(s.GetAt(1), '\0');
    EXPECT_EQ(s.GetAt(3), '\xB0');
    CString copy = s + CString("c");
    EXPECT_EQ(copy.GetLength(), 5);
    EXPECT_EQ(copy.Mid(2, 2), CString("b\xB0"));
    // Comparison sees the whole content, not only the part before the NUL.
    EXPECT_NE(s, CString("a"));
    EXPECT_GT(CString("\xB0"), CString("z"));  // unsigned byte order
}

TEST(CStringTest, ConcatenationAndComparisonCombinations)
{
    CString s("ab");
    EXPECT_EQ(s + "c", "abc");
    EXPECT_EQ("c" + s, "cab");
    EXPECT_EQ(s + 'c', "abc");
    EXPECT_EQ('c' + s, "cab");
    s += 'x';
    s += "yz";
    EXPECT_EQ(s, "abxyz");
    EXPECT_TRUE("abc" < CString("abd"));
    EXPECT_TRUE(CString("abc") <= "abc");
    EXPECT_TRUE(CString("b") >= CString("a"));
    EXPECT_EQ(CString("Hello").CompareNoCase("hELLO"), 0);
    EXPECT_LT(CString("ab").Compare("abc"), 0);
    // Assigning a string's own text to it keeps the text.
    s = static_cast<LPCTSTR>(s);
    EXPECT_EQ(s, "abxyz");
}

TEST(CStringTest, ExtractionClipsOutOfRangeArguments)
{
    CString s("abcdef");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Mid(4), "ef");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Mid(2, 100), "cdef");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(100), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(100), "abcdef");
    EXPECT_EQ(CString("123abc").SpanIncluding("0123456789"), "123");
    EXPECT_EQ(CString("abc;def").SpanExcluding(";,"), "abc");
}

TEST(CStringTest, Searching)
{
    CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('.', 99), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("b", -5), 2);
    EXPECT_EQ(s.Find("x"), -1);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.FindOneOf("cb"), 2);
    EXPECT_EQ(s.FindOneOf(""), -1);
}

TEST(CStringTest, ReplaceIsOneForwardPass)
{
    CString s("@R @R1 @R");
    // The inserted text contains the pattern; it must not be replaced again.
    EXPECT_EQ(s.Replace("@R", "@R@R"), 3);
    EXPECT_EQ(s, "@R@R @R@R1 @R@R");

    CString t("aaa");
    EXPECT_EQ(t.Replace("aa", "b"), 1);  // non-overlapping, left to right
    EXPECT_EQ(t, "ba");

    CString u("abc");
    EXPECT_EQ(u.Replace("", "x"), 0);
    EXPECT_EQ(u.Replace(nullptr, "x"), 0);
    EXPECT_EQ(u, "abc");
    EXPECT_EQ(u.Replace("b", ""), 1);
    EXPECT_EQ(u, "ac");
    EXPECT_EQ(u.Replace('a', 'z'), 1);
    EXPECT_EQ(u, "zc");
}

TEST(CStringTest, EditingOperations)
{
    CString s("hello");
    EXPECT_EQ(s.Insert(0, 'X'), 6);
    EXPECT_EQ(s.Insert(100, "!"), 7);  // past the end appends
    EXPECT_EQ(s, "Xhello!");
    EXPECT_EQ(s.Delete(0), 6);
    EXPECT_EQ(s.Delete(3, 100), 3);
    EXPECT_EQ(s, "hel");
    EXPECT_EQ(s.Remove('l'), 1);
    s.MakeUpper();
    EXPECT_EQ(s, "HE");
    s.MakeReverse();
    EXPECT_EQ(s, "EH");
    CString accented("\xC4x");
    accented.MakeLower();  // only ASCII letters change in the "C" locale
    EXPECT_EQ(accented, "\xC4x");

    CString t(" \t value \r\n");
    EXPECT_EQ(t.Trim(), "value");
    CString u("xxvalxx");
    EXPECT_EQ(u.TrimLeft('x'), "valxx");
    EXPECT_EQ(u.TrimRight("x"), "val");
    CString all("xxx");
    EXPECT_EQ(all.TrimRight("x"), "");
}

TEST(CStringTest, BufferAccess)
{
    CString s("abc");
    char* p = s.GetBuffer(10);
    std::snprintf(p, 11, "%s", "0123456789");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "0123456789");

    p = s.GetBuffer(0);  // never shorter than the current text
    p[0] = 'X';
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "X12");

    p = s.GetBufferSetLength(2);
    EXPECT_EQ(s.GetLength(), 2);
    p[1] = 'y';
    s.ReleaseBuffer();
    EXPECT_EQ(s, "Xy");
}

TEST(CStringTest, FormatGrowsBeyondSmallBuffer)
{
    CString s;
    const std::string longText(1000, 'q');
    s.Format("<%s>%d", longText.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 1004);
    EXPECT_EQ(s.Right(3), ">42");
    s.Format("%.15g", 0.1);
    EXPECT_EQ(s, "0.1");
}

TEST(CStringTest, FormatUsesTheCLocale)
{
    char probe[32];
    CString s;
    {
        qv_test::DecimalCommaLocale locale;
        if (!locale.active())
            GTEST_SKIP() << "no locale with a decimal comma is available";
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        s.Format("%.15g|%.2f", 2.5, 1234.5);
    }
    EXPECT_STREQ(probe, "1,5") << "the locale does not use a decimal comma";
    EXPECT_EQ(s, "2.5|1234.50");
}

TEST(CStringTest, LoadStringOfMissingIdIsEmpty)
{
    CString s("old");
    EXPECT_FALSE(s.LoadString(65000));
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringDeathTest, IndexOutsideStopsCleanly)
{
    CString s("ab");
    EXPECT_DEATH(s.GetAt(2), "CString::GetAt");
    EXPECT_DEATH(s.SetAt(-1, 'x'), "CString::SetAt");
}

} // namespace
