#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/CString.h"
#include "common/Log.h"

namespace
{

TEST(CStringTest, KeepsEveryByte)
{
    CString s("\x80\xC4\xE4\xFF\\");
    s += CString("\0x", 2); // a counted string may hold a zero byte
    EXPECT_EQ(StdString(s), std::string("\x80\xC4\xE4\xFF\\\0x", 7));
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    s = static_cast<LPCSTR>(s); // assignment from its own characters
    EXPECT_EQ(s, "\x80\xC4\xE4\xFF\\");

    const CString t("Tolvane");
    EXPECT_EQ("x" + t + "!", "xTolvane!");
    EXPECT_TRUE(CString("a") != "A");
}

TEST(CStringTest, EveryFormOfEqualityComparesTheSameBytes)
{
    const struct
    {
        CString a, b;
        bool equal;
    } rows[] = {
        {"abc", "abc", true},
        {"abc", "abd", false},
        {"abc", "ab", false},
        {"\x80\xFF", "\x80\xFF", true},
        {"\x80", "\x7F", false},
        {CString("a\0b", 3), CString("a\0b", 3), true},
        {CString("a\0b", 3), CString("a\0c", 3), false},
        {CString("a\0b", 3), "a", false}, // a zero byte inside is a byte too
        {CString("\0", 1), "", false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::PrintToString(StdString(row.a)) + " and " +
                     ::testing::PrintToString(StdString(row.b)));
        EXPECT_EQ(row.equal, row.a == row.b);
        EXPECT_EQ(row.equal, row.b == row.a);
        EXPECT_EQ(!row.equal, row.a != row.b);
        // Against a C string: only b's that are one.
        if (std::strlen(row.b.c_str()) != static_cast<size_t>(row.b.GetLength()))
            continue;
        const char* text = row.b.c_str();
        EXPECT_EQ(row.equal, row.a == text);
        EXPECT_EQ(row.equal, text == row.a);
        EXPECT_EQ(!row.equal, row.a != text);
        EXPECT_EQ(!row.equal, text != row.a);
    }
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
}

} // namespace
