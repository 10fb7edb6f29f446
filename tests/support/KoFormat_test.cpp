#include <gtest/gtest.h>

#include <climits>

#include "support/KoFormat.h"
#include "common/Log.h"

namespace
{

TEST(FormatBytesTest, ShowsFiveCharactersAndTheUnit)
{
    const struct
    {
        LONGLONG bytes;
        const char* text;
    } rows[] = {{0, "0.000 b"},
                {12, "12.00 b"},
                {999, "999.0 b"},
                {1000, "0.976 Kb"},
                {1023, "0.999 Kb"},
                {1024, "1.000 Kb"},
                {999999, "976.5 Kb"},
                {1000000, "0.953 Mb"},
                {1048576, "1.000 Mb"},
                {123456789, "117.7 Mb"},
                {999999999, "953.6 Mb"},
                {1000000000, "0.931 Gb"},
                {1073741824, "1.000 Gb"},
                {500000000000LL, "465.6 Gb"},
                {999999999999LL, "931.3 Gb"},
                {1000000000000LL, "0.909 Tb"},
                {2000000000000LL, "1.818 Tb"},
                {1099511627776LL, "1.000 Tb"},
                // Large counts stay in Tb and lose decimals, then integer digits, to the cut.
                {1200000000000000LL, "1091. Tb"},
                {109951162777600000LL, "10000 Tb"},
                {LLONG_MAX, "83886 Tb"},
                {-1, "-1.00 b"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.bytes);
        CString out("previous text");
        FormatBytes(out, row.bytes);
        EXPECT_EQ(StdString(out), row.text);
    }
}

TEST(AddBackslashTest, AppendsOnlyWhereMissing)
{
    const struct
    {
        const char* path;
        const char* result;
    } rows[] = {{"C:", "C:\\"},
                {"C:\\", "C:\\"},
                {"C:\\dir", "C:\\dir\\"},
                {"\\\\server\\share", "\\\\server\\share\\"},
                {"C", "C"},
                {"", ""},
                {"\\", "\\"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path);
        CString path(row.path);
        AddBackslash(path);
        EXPECT_EQ(StdString(path), row.result);
    }
}

} // namespace
