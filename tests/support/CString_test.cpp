#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/CString.h"

namespace
{

TEST(CStringTest, KeepsEveryByteAndTreatsNullAsEmpty)
{
    const char high[] = "\x80\xC4\xE4\xFF\\";
    CString s(high);
    s += CString("\0x", 2); // a counted string may hold a zero byte
    EXPECT_EQ(s.GetLength(), 7);
    EXPECT_EQ(s.str(), std::string(high) + std::string("\0x", 2));
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x80u);

    CString fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.IsEmpty());
    CString assigned("x");
    assigned = static_cast<const char*>(nullptr);
    EXPECT_TRUE(assigned.IsEmpty());
    assigned += static_cast<const char*>(nullptr);
    EXPECT_STREQ(static_cast<LPCSTR>(assigned), "");
}

TEST(CStringTest, ConcatenatesAndCompares)
{
    CString path("C:");
    path += '\\';
    path += "dir";
    const CString full = path + "\\" + CString("file") + '.' + "txt";
    EXPECT_EQ(full, "C:\\dir\\file.txt");
    EXPECT_EQ("x" + CString("y"), "xy");
    EXPECT_TRUE(CString("abc") < "abd");
    EXPECT_TRUE("abd" > CString("abc"));
    EXPECT_TRUE(CString("b") >= CString("b"));
    EXPECT_TRUE(CString("a") != "A");
    EXPECT_EQ(CString("a").CompareNoCase("A"), 0);
    EXPECT_LT(CString("a").Compare("b"), 0);
    EXPECT_GT(CString("a").Compare(nullptr), 0);
    // Self-assignment through the character pointer.
    CString self("keep");
    self = static_cast<LPCSTR>(self);
    EXPECT_EQ(self, "keep");
}

TEST(CStringTest, ExtractsWithClippedRanges)
{
    const CString s("Tolvane");
    const struct
    {
        CString got;
        const char* expected;
    } rows[] = {
        {s.Left(3), "Tol"},    {s.Left(-1), ""},          {s.Left(100), "Tolvane"},
        {s.Right(4), "vane"},  {s.Right(100), "Tolvane"}, {s.Right(-2), ""},
        {s.Mid(3), "vane"},    {s.Mid(3, 2), "va"},       {s.Mid(100), ""},
        {s.Mid(-2, 3), "Tol"}, {s.Mid(5, 100), "ne"},     {s.Mid(2, -1), ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(row.got, row.expected);
    }
    EXPECT_EQ(s.Find('v'), 3);
    EXPECT_EQ(s.Find('a', 4), 4);
    EXPECT_EQ(s.Find('n', 5), 5);
    EXPECT_EQ(s.Find('T', 1), -1);
    EXPECT_EQ(s.Find("van"), 3);
    EXPECT_EQ(s.Find("x"), -1);
    EXPECT_EQ(s.Find("", 7), 7);
    EXPECT_EQ(CString("a\\b\\c").ReverseFind('\\'), 3);
    EXPECT_EQ(s.ReverseFind('x'), -1);
}

TEST(CStringTest, EditsInPlace)
{
    CString s("  \tKey=Value \r\n");
    s.Trim();
    EXPECT_EQ(s, "Key=Value");
    s.MakeLower();
    EXPECT_EQ(s, "key=value");
    s.MakeUpper();
    EXPECT_EQ(s, "KEY=VALUE");
    EXPECT_EQ(s.Replace("VALUE", "v"), 1);
    EXPECT_EQ(s, "KEY=v");
    EXPECT_EQ(s.Replace('E', 'e'), 1);
    EXPECT_EQ(s.Insert(0, "/"), 6);
    EXPECT_EQ(s.Insert(100, '!'), 7);
    EXPECT_EQ(s, "/KeY=v!");
    EXPECT_EQ(s.Delete(1, 3), 4);
    EXPECT_EQ(s, "/=v!");
    CString quoted("\"\"x\"");
    quoted.TrimLeft('"');
    quoted.TrimRight("\"");
    EXPECT_EQ(quoted, "x");
    CString blanks("   ");
    blanks.TrimRight();
    EXPECT_TRUE(blanks.IsEmpty());
}

TEST(CStringTest, FormatsAnyLengthAndItsOwnText)
{
    CString s;
    s.Format("%s:%d:%llu", "Tolvane", -12, 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(s, "Tolvane:-12:18446744073709551615");
    s.Format("%X.WipeFile", 0x1Au);
    EXPECT_EQ(s, "1A.WipeFile");
    const std::string longText(5000, 'w');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    s = "abc";
    s.Format("%s%s", s.c_str(), s.c_str());
    EXPECT_EQ(s, "abcabc");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, BufferAccessForSystemCalls)
{
    CString path;
    char* buffer = path.GetBuffer(MAX_PATH);
    const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
    path.ReleaseBuffer();
    EXPECT_GT(length, 0u);
    EXPECT_EQ(path.GetLength(), static_cast<int>(length));

    CString text("abcdef");
    char* chars = text.GetBuffer(2); // a smaller request keeps the text
    EXPECT_STREQ(chars, "abcdef");
    chars[1] = 'X';
    text.ReleaseBuffer(3);
    EXPECT_EQ(text, "aXc");
    std::memcpy(text.GetBufferSetLength(4), "wxyz", 4);
    text.ReleaseBuffer();
    EXPECT_EQ(text, "wxyz");
}

} // namespace
