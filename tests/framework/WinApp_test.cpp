#include "framework/WinApp.h"

#include "common/Boxes.h"
#include "common/Files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
TEST(WinAppTest, TitleAndDefaultProfileComeFromTheProgramFile)
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string base = path;
    base = base.substr(base.find_last_of('\\') + 1);
    base = base.substr(0, base.rfind('.'));

    CWinApp app;
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(base, app.m_pszAppName);
    EXPECT_EQ(base + ".INI", app.m_pszProfileName);
}

TEST(WinAppTest, NewestApplicationIsCurrentUntilDestroyed)
{
    CWinApp outer("Outer");
    {
        CWinApp inner("Inner");
        EXPECT_EQ(&inner, AfxGetApp());
        EXPECT_STREQ("Inner", inner.m_pszAppName);
    }
    EXPECT_EQ(nullptr, AfxGetApp());
}

TEST(WinAppTest, ProfileIntegersGoToTheNamedFile)
{
    TempDir dir;
    const std::string ini = dir / "Settings.ini";
    CWinApp app;
    {
        std::string name = ini;
        app.SetProfileName(name.c_str());
        name.assign(name.size(), 'x'); // the application keeps its own copy
    }
    EXPECT_EQ(ini, app.m_pszProfileName);

    EXPECT_EQ(3u, app.GetProfileInt("Wipe Settings", "m_boolRandom", 3)); // no file yet
    EXPECT_TRUE(app.WriteProfileInt("Wipe Settings", "m_boolRandom", 1));
    EXPECT_TRUE(app.WriteProfileInt("Wipe Settings", "m_boolWipeTwice", 7));
    EXPECT_EQ("[Wipe Settings]\r\nm_boolRandom=1\r\nm_boolWipeTwice=7\r\n", ReadText(ini));

    struct Row
    {
        const char* stored;
        UINT expected;
    } rows[] = {{"1", 1}, {"7", 7}, {"0", 0}, {"abc", 0}, {"", 0}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.stored);
        ASSERT_TRUE(::WritePrivateProfileStringA("Wipe Settings", "m_boolCheckForErrors",
                                                 row.stored, ini.c_str()));
        EXPECT_EQ(row.expected, app.GetProfileInt("Wipe Settings", "m_boolCheckForErrors", 0));
    }
}

TEST(WinAppTest, MessageBoxIsCaptionedWithTheApplicationTitle)
{
    CWinApp app("Tolvane");
    int answer = 0;
    {
        RecordedBoxes boxes(IDNO);
        answer = AfxMessageBox("Can't create user data folder ", MB_YESNO);
    }

    EXPECT_EQ(IDNO, answer);
    const std::vector<ShownBox>& shown = RecordedBoxes::Shown();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(nullptr, shown[0].owner);
    EXPECT_EQ("Can't create user data folder ", shown[0].text);
    EXPECT_EQ("Tolvane", shown[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), shown[0].type);
}

class InitOnlyApp : public CWinApp
{
public:
    explicit InitOnlyApp(BOOL answer) : m_answer(answer) {}
    BOOL InitInstance() override
    {
        ++m_nInit;
        return m_answer;
    }
    int ExitInstance() override { return 40 + m_nInit; }
    BOOL m_answer;
    int m_nInit = 0;
};

TEST(WinAppTest, EntryPointRunsInitInstanceOnceAndEndsWithoutAMainWindow)
{
    for (BOOL answer : {FALSE, TRUE})
    {
        SCOPED_TRACE(answer);
        InitOnlyApp app(answer);
        EXPECT_EQ(41, AfxWinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW));
        EXPECT_EQ(1, app.m_nInit);
    }
}
} // namespace
