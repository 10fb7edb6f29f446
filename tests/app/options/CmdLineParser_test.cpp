#include "app/CmdLineParser.h"

#include <gtest/gtest.h>

#include <mbctype.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Pairs = std::vector<std::pair<std::string, std::string>>;

// The parser holds exactly these keys with these values.
void ExpectExactly(const CCmdLineParser& parser, const Pairs& expected)
{
    EXPECT_EQ(static_cast<int>(expected.size()), parser.GetCount());
    for (const auto& [key, value] : expected)
    {
        SCOPED_TRACE("key " + key);
        EXPECT_TRUE(parser.ContainsKey(key.c_str()));
        const char* found = parser.FindValue(key.c_str());
        ASSERT_NE(nullptr, found);
        EXPECT_EQ(value, found);
    }
}

// What a case-blind parser makes of `cmdLine`.
void ExpectParsed(const char* cmdLine, const Pairs& expected)
{
    SCOPED_TRACE(cmdLine);
    ExpectExactly(CCmdLineParser(cmdLine), expected);
}

struct Example
{
    const char* cmdLine;
    Pairs expected;
};

TEST(CmdLineParserTest, DocumentedExamples)
{
    const Example examples[] = {
        {R"("C:\Program Files\App\app.exe" /P:D:\ /R /B)", {{"p", R"(D:\)"}, {"r", ""}, {"b", ""}}},
        {R"(app.exe -p:"E:\My Data" -T)", {{"p", R"(E:\My Data)"}, {"t", ""}}},
        {R"(/P:E:\My Data)", {{"p", R"(E:\My)"}}},
        {R"("C:\Tools\x-y\app.exe" /P:C:\)", {{R"(y\app.exe")", ""}, {"p", R"(C:\)"}}},
        {R"(/P:C:\ /P:D:\)", {{"p", R"(C:\)"}}},
        {R"(/P:D:\x-a /B)", {{"p", R"(D:\x-a)"}, {"b", ""}}}, // no switch inside a value
        {R"(/P D:\)", {{"p", ""}}},
        {R"(/p:c:\Temp)", {{"p", R"(c:\Temp)"}}},
        {R"(-P:c:\Temp)", {{"p", R"(c:\Temp)"}}},
        {R"(/P:"C:\My Data)", {{"p", R"(C:\My Data)"}}},
        {R"(/P:")", {{"p", ""}}},
        {"/B:0", {{"b", "0"}}},
        {"/B/T", {{"b/t", ""}}},
        {"/B:", {{"b", ""}}},
        {"/", {}},
        {"/:x /B", {{"b", ""}}},
        {"/P:D:\\\t/B", {{"p", "D:\\\t/B"}}},
        {"", {}},
        {R"(/P:"a b" /C:"" -t)", {{"p", "a b"}, {"c", ""}, {"t", ""}}},
    };
    for (const Example& example : examples)
        ExpectParsed(example.cmdLine, example.expected);
}

TEST(CmdLineParserTest, LookupsFoldTheKeyAndTellAbsentFromEmpty)
{
    CCmdLineParser parser("/P D:\\ /b:0");
    EXPECT_STREQ("", parser.FindValue("P"));
    EXPECT_STREQ("", parser.FindValue("p"));
    EXPECT_STREQ("0", parser.FindValue("B"));
    EXPECT_TRUE(parser.ContainsKey("B"));
    EXPECT_EQ(nullptr, parser.FindValue("T"));
    EXPECT_FALSE(parser.ContainsKey("T"));
    EXPECT_FALSE(parser.ContainsKey(nullptr));
    EXPECT_EQ(nullptr, parser.FindValue(nullptr));
    // /B/T is one key: neither B nor T is given.
    CCmdLineParser joined("/B/T");
    EXPECT_FALSE(joined.ContainsKey("B"));
    EXPECT_FALSE(joined.ContainsKey("T"));
}

TEST(CmdLineParserTest, CaseSensitiveParserKeepsKeysApart)
{
    CCmdLineParser parser("/P:x /p:y", true);
    ExpectExactly(parser, {{"P", "x"}, {"p", "y"}});
}

TEST(CmdLineParserTest, ScanReplacesTheResultAndNullChangesNothing)
{
    CCmdLineParser parser(nullptr);
    EXPECT_EQ(0, parser.GetCount());
    parser.Scan("/A /P:x");
    parser.Scan(nullptr);
    ExpectExactly(parser, {{"a", ""}, {"p", "x"}});
    parser.Scan("/B");
    ExpectExactly(parser, {{"b", ""}});
}

// Checks what must hold for any input: every stored key is non-empty and
// there are never more keys than switch characters.
void ExpectSane(const std::string& cmdLine)
{
    SCOPED_TRACE(cmdLine.substr(0, 40));
    CCmdLineParser parser(cmdLine.c_str());
    int switches = 0;
    for (char c : cmdLine)
        switches += (c == '/' || c == '-') ? 1 : 0;
    EXPECT_LE(parser.GetCount(), switches);
    EXPECT_FALSE(parser.ContainsKey(""));
}

TEST(CmdLineParserTest, MalformedCommandLinesAreScannedSafely)
{
    std::string longValue = "/P:\"" + std::string(1 << 20, 'x');
    std::string manySwitches;
    for (int i = 0; i < 20000; ++i)
        manySwitches += "/k" + std::to_string(i) + ":v ";
    const std::string rows[] = {
        longValue,
        manySwitches,
        std::string(100000, '/'),
        std::string(100000, '-'),
        "- / - / -",
        "/ / /",
        "::::",
        "\"\"\"",
        "/P:\"\"\"\" /B",
        "/:",
        "/:\"",
        "/ :",
        "-:\t",
        "/P:\t\t\t",
        "\t/B\t",
        std::string(5000, '"') + "/P:" + std::string(5000, ':'),
    };
    for (const std::string& row : rows)
        ExpectSane(row);
    CCmdLineParser many(manySwitches.c_str());
    EXPECT_EQ(20000, many.GetCount());
    EXPECT_STREQ("v", many.FindValue("K19999"));

    // Random bytes of every value but zero, from a fixed seed.
    std::mt19937 random(170);
    std::uniform_int_distribution<int> byte(1, 255);
    for (int round = 0; round < 300; ++round)
    {
        std::string text(static_cast<size_t>(round * 7 % 400), ' ');
        for (char& c : text)
            c = static_cast<char>(byte(random) % 3 == 0 ? "/-: \"\t"[byte(random) % 6]
                                                        : byte(random));
        SCOPED_TRACE(round);
        ExpectSane(text);
    }
}

// Runs the rows under a multibyte code page of the C runtime and puts the
// process's own back afterwards.
class DoubleByteCodePageTest : public ::testing::Test
{
protected:
    void TearDown() override { _setmbcp(_MB_CP_ANSI); }
    bool Use(int codePage) { return _setmbcp(codePage) == 0 && _getmbcp() == codePage; }
};

struct DbcsRow
{
    const char* cmdLine;
    Pairs in932;  // Japanese Shift-JIS: 0x81 and 0x83 are lead bytes
    Pairs in1252; // single-byte: every byte stands alone
};

TEST_F(DoubleByteCodePageTest, TrailBytesAreNeverSwitchesSeparatorsQuotesOrFolded)
{
    const DbcsRow rows[] = {
        // 0x81 followed by '/' is one character, not a switch.
        {"\x81/B", {}, {{"b", ""}}},
        // ... followed by a blank, it does not end the value.
        {"/P:ab\x81 /B", {{"p", "ab\x81 /B"}}, {{"p", "ab\x81"}, {"b", ""}}},
        // ... followed by a quote, it does not close it.
        {"/P:\"x\x81\"y\" /C", {{"p", "x\x81\"y"}, {"c", ""}}, {{"p", "x\x81"}, {"c", ""}}},
        // ... followed by a colon, it does not start a value.
        {"/K\x81:v", {{"k\x81:v", ""}}, {{"k\x81", "v"}}},
        // The second byte of 0x83 0x41 is not the letter A: folding keeps it.
        {"/\x83\x41:v", {{"\x83\x41", "v"}}, {{"\x83\x61", "v"}}},
    };
    if (!Use(932))
        GTEST_SKIP() << "code page 932 is not available to the C runtime";
    for (const DbcsRow& row : rows)
        ExpectParsed(row.cmdLine, row.in932);
    CCmdLineParser katakana("/\x83\x41:v");
    EXPECT_FALSE(katakana.ContainsKey("\x83\x61"));

    ASSERT_TRUE(Use(1252));
    for (const DbcsRow& row : rows)
        ExpectParsed(row.cmdLine, row.in1252);
}

TEST_F(DoubleByteCodePageTest, ALeadByteAtTheEndIsNotReadPast)
{
    if (!Use(932))
        GTEST_SKIP() << "code page 932 is not available to the C runtime";
    for (const char* row : {"/\x81", "/P:\x81", "/P:\"\x81", "/P \x81", "\x81", "/P:x\x81"})
        ExpectSane(row);
}
} // namespace
