#include "framework/WinApp.h"

#include "common/Files.h"

#include <gtest/gtest.h>

#include <string>

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

struct ShownBox
{
    int count = 0;
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
};
ShownBox g_box;

int RecordBox(HWND owner, const char* text, const char* caption, UINT type)
{
    ++g_box.count;
    g_box.owner = owner;
    g_box.text = text;
    g_box.caption = caption;
    g_box.type = type;
    return IDNO;
}

TEST(WinAppTest, MessageBoxIsCaptionedWithTheApplicationTitle)
{
    CWinApp app("Tolvane");
    g_box = ShownBox();
    AfxMessageBoxFunc previous = AfxSetMessageBoxFunc(&RecordBox);
    const int answer = AfxMessageBox("Can't create user data folder ", MB_YESNO);
    AfxSetMessageBoxFunc(previous);

    EXPECT_EQ(IDNO, answer);
    EXPECT_EQ(1, g_box.count);
    EXPECT_EQ(nullptr, g_box.owner);
    EXPECT_EQ("Can't create user data folder ", g_box.text);
    EXPECT_EQ("Tolvane", g_box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), g_box.type);
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
