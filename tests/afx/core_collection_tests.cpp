#include "afx/afx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CArrayTest, GrowInsertRemove)
{
    CArray<int, int> a;
    a.SetSize(3);
    EXPECT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[2], 0);  // new elements are zero
    a.SetAtGrow(5, 7);
    EXPECT_EQ(a.GetUpperBound(), 5);
    EXPECT_EQ(a[4], 0);
    a.InsertAt(0, 9, 2);
    EXPECT_EQ(a.GetSize(), 8);
    EXPECT_EQ(a[0], 9);
    EXPECT_EQ(a[1], 9);
    a.RemoveAt(0, 2);
    EXPECT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a[5], 7);
    a.InsertAt(10, 1);  // past the end: grows first
    EXPECT_EQ(a.GetSize(), 11);
    EXPECT_EQ(a[10], 1);

    CArray<int, int> b;
    b.Add(1);
    b.Append(b);  // appending to itself doubles the content
    EXPECT_EQ(b.GetSize(), 2);
    b.Copy(a);
    EXPECT_EQ(b.GetSize(), 11);
    b.RemoveAll();
    EXPECT_EQ(b.GetData(), nullptr);
}

TEST(CArrayTest, AddOfOwnElementSurvivesReallocation)
{
    CStringArray a;
    a.Add("first");
    for (int i = 0; i < 100; ++i)
        a.Add(a[0]);
    EXPECT_EQ(a[100], "first");
    CString withNul("a\0b", 3);
    a.SetAtGrow(200, withNul);
    EXPECT_EQ(a[200].GetLength(), 3);
}

TEST(CArrayTest, TypedPtrArrayGivesTypedElements)
{
    CTypedPtrArray<CPtrArray, std::string*> a;
    std::string x("x"), y("y");
    a.Add(&x);
    a.Add(&y);
    EXPECT_EQ(*a[1], "y");
    a[0] = &y;
    EXPECT_EQ(a.GetAt(0), &y);
}

TEST(CArrayDeathTest, OutOfRangeStopsCleanly)
{
    CPtrArray a;
    a.Add(nullptr);
    EXPECT_DEATH(a.GetAt(1), "CArray::GetAt");
    EXPECT_DEATH(a.RemoveAt(0, 2), "CArray::RemoveAt");
    EXPECT_DEATH(a.SetAtGrow(-1, nullptr), "CArray::SetAtGrow");
}

TEST(CListTest, PositionsIterateAndEdit)
{
    CStringList l;
    l.AddTail("b");
    l.AddHead("a");
    POSITION pc = l.AddTail("c");
    l.InsertBefore(pc, "b2");
    l.InsertAfter(pc, "d");
    std::vector<std::string> seen;
    for (POSITION p = l.GetHeadPosition(); p;)
        seen.push_back(static_cast<LPCTSTR>(l.GetNext(p)));
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "b2", "c", "d"}));
    EXPECT_EQ(l.Find("b2"), l.FindIndex(2));
    l.RemoveAt(l.Find("b2"));
    EXPECT_EQ(l.GetCount(), 4);
    EXPECT_EQ(l.RemoveHead(), "a");
    EXPECT_EQ(l.RemoveTail(), "d");
    POSITION back = l.GetTailPosition();
    EXPECT_EQ(l.GetPrev(back), "c");
    EXPECT_EQ(l.GetAt(back), "b");
    EXPECT_EQ(l.FindIndex(5), nullptr);
    l.RemoveAll();
    EXPECT_TRUE(l.IsEmpty());
    EXPECT_EQ(l.GetHeadPosition(), nullptr);
}

TEST(CMapTest, LookupSetRemoveAndDeterministicOrder)
{
    CMapStringToString m;
    m.SetAt("one", "1");
    m["two"] = "2";
    m.SetAt("three", "3");
    m.SetAt("one", "uno");  // replaces, keeps its place
    EXPECT_EQ(m.GetCount(), 3);
    CString v;
    EXPECT_TRUE(m.Lookup("one", v));
    EXPECT_EQ(v, "uno");
    EXPECT_FALSE(m.Lookup("four", v));
    EXPECT_TRUE(m.RemoveKey("two"));
    EXPECT_FALSE(m.RemoveKey("two"));

    std::vector<std::string> keys;
    CString k;
    for (POSITION p = m.GetStartPosition(); p;) {
        m.GetNextAssoc(p, k, v);
        keys.push_back(static_cast<LPCTSTR>(k));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"one", "three"}));
}

TEST(CMapTest, ManyEntriesAndRehash)
{
    CMapWordToPtr m;
    m.InitHashTable(7);
    EXPECT_EQ(m.GetHashTableSize(), 7u);
    for (WORD i = 0; i < 1000; ++i)
        m[i] = reinterpret_cast<void*>(static_cast<uintptr_t>(i) + 1);
    for (WORD i = 0; i < 1000; i += 2)
        ASSERT_TRUE(m.RemoveKey(i));
    EXPECT_EQ(m.GetCount(), 500);
    void* v = nullptr;
    EXPECT_TRUE(m.Lookup(999, v));
    EXPECT_EQ(v, reinterpret_cast<void*>(1000));
    EXPECT_FALSE(m.Lookup(998, v));
    m.InitHashTable(31);  // keeps what is there
    EXPECT_TRUE(m.Lookup(1, v));
    WORD first = 0;
    POSITION p = m.GetStartPosition();
    m.GetNextAssoc(p, first, v);
    EXPECT_EQ(first, 1);  // insertion order
    m.RemoveAll();
    EXPECT_TRUE(m.IsEmpty());
    EXPECT_FALSE(m.Lookup(1, v));
}

} // namespace
