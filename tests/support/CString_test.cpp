#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/CString.h"

namespace
{

TEST(CStringTest, KeepsEveryByteAndClipsRanges)
{
    CString s("\x80\xC4\xE4\xFF\\");
    s += CString("\0x", 2); // a counted string may hold a zero byte
    EXPECT_EQ(s.str(), std::string("\x80\xC4\xE4\xFF\\\0x", 7));
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    s = static_cast<LPCSTR>(s); // assignment from its own characters
    EXPECT_EQ(s, "\x80\xC4\xE4\xFF\\");

    const CString t("Tolvane");
    const struct
    {
        CString got;
        const char* expected;
    } rows[] = {{t.Left(3), "Tol"},    {t.Left(-1), ""},
                {t.Right(4), "vane"},  {t.Right(100), "Tolvane"},
                {t.Mid(3), "vane"},    {t.Mid(3, 2), "va"},
                {t.Mid(100), ""},      {t.Mid(-2, 3), "Tol"},
                {t.Mid(5, 100), "ne"}, {"x" + t + '!', "xTolvane!"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(row.got, row.expected);
    }
    EXPECT_EQ(t.Find('a', 4), 4);
    EXPECT_EQ(t.Find('T', 1), -1);
    EXPECT_EQ(t.Find("van"), 3);
    EXPECT_EQ(CString("a\\b\\c").ReverseFind('\\'), 3);
    EXPECT_TRUE(CString("abc") < "abd" && "abd" > CString("abc") && CString("a") != "A");
    EXPECT_EQ(CString("a").CompareNoCase("A"), 0);
}

TEST(CStringTest, EditsInPlace)
{
    CString s("  \tKey=Value \r\n");
    s.Trim();
    EXPECT_EQ(s, "Key=Value");
    EXPECT_EQ(s.MakeLower(), "key=value");
    EXPECT_EQ(s.MakeUpper(), "KEY=VALUE");
    EXPECT_EQ(s.Replace("VALUE", "v"), 1);
    EXPECT_EQ(s.Insert(0, "/"), 6);
    EXPECT_EQ(s.Delete(1, 3), 3);
    EXPECT_EQ(s, "/=v");
    CString quoted("\"\"x\"");
    EXPECT_EQ(quoted.TrimLeft('"').TrimRight("\""), "x");
}

TEST(CStringTest, FormatsAnyLengthAndFillsBuffers)
{
    CString s;
    s.Format("%s:%d:%llu:%X", "Tolvane", -12, 0xFFFFFFFFFFFFFFFFull, 0x1Au);
    EXPECT_EQ(s, "Tolvane:-12:18446744073709551615:1A");
    const std::string longText(5000, 'w');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    s = "abc";
    s.Format("%s%s", s.c_str(), s.c_str());
    EXPECT_EQ(s, "abcabc");

    CString path;
    const DWORD length = ::GetTempPathA(MAX_PATH, path.GetBuffer(MAX_PATH));
    path.ReleaseBuffer();
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
