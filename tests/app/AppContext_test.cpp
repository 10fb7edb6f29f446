// The settings store and the per-user data folder, on real folders and real
// INI files in a temporary folder. The shell's folder lookup is redirected
// there, except in the one case that checks the real application-data folder.

#include "app/AppContext.h"
#include "common/Boxes.h"
#include "common/Files.h"
#include "common/Seams.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <shlobj.h>
#include <windows.h>

namespace
{

std::string g_appData;   // answers for CSIDL_APPDATA; empty fails
std::string g_documents; // answers for CSIDL_PERSONAL; empty fails
std::vector<int> g_asked;

HRESULT WINAPI FakeFolderPath(HWND, int csidl, HANDLE, DWORD, LPSTR path)
{
    g_asked.push_back(csidl);
    const std::string& answer =
        (csidl & ~CSIDL_FLAG_CREATE) == CSIDL_APPDATA ? g_appData : g_documents;
    if (answer.empty())
        return E_FAIL;
    lstrcpynA(path, answer.c_str(), MAX_PATH);
    return S_OK;
}

class SettingsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        g_appData = m_dir + "\\AppData";
        g_documents = m_dir + "\\Documents";
        ASSERT_TRUE(::CreateDirectoryA(g_appData.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(g_documents.c_str(), nullptr));
        g_asked.clear();
        m_seams.Set(GetAppContextSeam().pGetFolderPath, FakeFolderPath);
    }

    TempDir m_temp{"tolvane-settings"};
    const std::string m_dir = m_temp.Path();
    SeamOverrides m_seams;
    RecordedBoxes m_recorded;
    std::vector<ShownBox>& m_boxes = RecordedBoxes::Shown();
};

TEST_F(SettingsTest, DataFolderIsCreatedUnderApplicationDataAndReusedSilently)
{
    const std::string expected = g_appData + "\\Orbelin software\\Tolvane";
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round == 0 ? "first start" : "folders already there");
        g_asked.clear();
        AppContext context;
        EXPECT_EQ(expected, context.m_strUserDataFolder.c_str());
        EXPECT_EQ(g_documents, context.m_strDocumentsFolder.c_str());
        EXPECT_TRUE(IsDir(expected));
        EXPECT_EQ(expected + "\\Tolvane.ini", context.GetSettingsFilePath().c_str());
        EXPECT_EQ((std::vector<int>{CSIDL_APPDATA | CSIDL_FLAG_CREATE,
                                    CSIDL_PERSONAL | CSIDL_FLAG_CREATE}),
                  g_asked);
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SettingsTest, AFileInTheWayIsReportedAndTheBareFileNameUsed)
{
    struct Row
    {
        const char* what;
        std::string folder, file;
    };
    const Row rows[] = {
        {"Orbelin software is a file", "", "Orbelin software"},
        {"Tolvane is a file", "Orbelin software", "Orbelin software\\Tolvane"},
    };
    CWinApp app;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        RemoveTree(g_appData);
        ASSERT_TRUE(::CreateDirectoryA(g_appData.c_str(), nullptr));
        if (!row.folder.empty())
        {
            ASSERT_TRUE(::CreateDirectoryA((g_appData + "\\" + row.folder).c_str(), nullptr));
        }
        WriteText(g_appData + "\\" + row.file, "in the way");
        m_boxes.clear();

        AppContext context;
        EXPECT_TRUE(context.m_strUserDataFolder.IsEmpty());
        EXPECT_EQ("Tolvane.ini", std::string(context.GetSettingsFilePath()));
        ASSERT_EQ(1u, m_boxes.size());
        EXPECT_EQ("Can't create user data folder ", m_boxes[0].text);
        EXPECT_EQ(app.m_pszAppName, m_boxes[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), m_boxes[0].type);
        EXPECT_FALSE(context.InitUserDataFolder());
    }
}

TEST_F(SettingsTest, WithoutApplicationDataTheDocumentsFolderOrNothingIsUsed)
{
    struct Row
    {
        const char* what;
        const char* dll;
        bool appData, documents;
        std::string folder;
    };
    const Row rows[] = {
        {"documents only", "SHFOLDER.DLL", false, true, g_documents},
        {"no folder at all", "SHFOLDER.DLL", false, false, ""},
        {"no SHFOLDER.DLL", "tolvane-no-such-library.dll", true, true, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        m_seams.Set(GetAppContextSeam().pszFolderDll, row.dll);
        if (!row.appData)
            g_appData.clear();
        if (!row.documents)
            g_documents.clear();
        AppContext context;
        EXPECT_EQ(row.folder, context.m_strUserDataFolder.c_str());
        EXPECT_FALSE(context.InitUserDataFolder());
        EXPECT_FALSE(IsDir(row.folder + "\\Orbelin software"));
        EXPECT_TRUE(m_boxes.empty());
        g_appData = m_dir + "\\AppData";
        g_documents = m_dir + "\\Documents";
    }
}

TEST_F(SettingsTest, SettingsAreSavedInTheirSectionAndReadBackAsStored)
{
    AppContext context;
    CWinApp app;
    const std::string ini = std::string(context.GetSettingsFilePath());
    app.SetProfileName(ini.c_str());

    context.m_boolWipeInBackground = 1;
    context.m_boolWipeTwice = 0;
    context.m_boolCheckForErrors = 7;
    context.m_boolRandom = 0;
    context.SaveSettings(app);
    EXPECT_EQ("[Wipe Settings]\r\nm_boolWipeInBackground=1\r\nm_boolWipeTwice=0\r\n"
              "m_boolCheckForErrors=7\r\nm_boolRandom=0\r\n",
              ReadText(ini));

    struct Row
    {
        const char* content;
        BOOL background, twice, check, random;
    };
    const Row rows[] = {
        {nullptr, 0, 0, 0, 0}, // no file
        {"[Wipe Settings]\r\nm_boolWipeInBackground=1\r\nm_boolWipeTwice=7\r\n"
         "m_boolCheckForErrors=x\r\n",
         1, 7, 0, 0},
        {"[Other]\r\nm_boolRandom=1\r\n[Wipe Settings]\r\nm_boolRandom=1\r\n", 0, 0, 0, 1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.content ? row.content : "no file");
        ::DeleteFileA(ini.c_str());
        if (row.content)
            WriteText(ini, row.content);
        context.m_boolWipeInBackground = context.m_boolWipeTwice = 5;
        context.m_boolCheckForErrors = context.m_boolRandom = 5;
        context.LoadSettings(app);
        EXPECT_EQ(row.background, context.m_boolWipeInBackground);
        EXPECT_EQ(row.twice, context.m_boolWipeTwice);
        EXPECT_EQ(row.check, context.m_boolCheckForErrors);
        EXPECT_EQ(row.random, context.m_boolRandom);
    }
}

bool PlantedLibraryRan()
{
    char trace[16] = {};
    return ::GetEnvironmentVariableA("TOLVANE_PLANTED_SHFOLDER", trace, sizeof trace) != 0;
}

// The one case on the prefix's real application-data folder, through the
// real SHFOLDER.DLL. The folders are the program's own; they are removed
// afterwards only if this test made them and they are still empty.
//
// A planted SHFOLDER.DLL sits beside this test program, and the test runs
// with the Windows search order for it (program folder first): loaded by
// its bare name, the planted copy would run.
TEST(RealDataFolder, IsMadeUnderTheUsersApplicationDataFolder)
{
    {
        HMODULE byName = ::LoadLibraryA("SHFOLDER.DLL");
        ASSERT_NE(nullptr, byName);
        ::FreeLibrary(byName);
        ASSERT_TRUE(PlantedLibraryRan()) << "the planted library is not in the way here";
        ::SetEnvironmentVariableA("TOLVANE_PLANTED_SHFOLDER", nullptr);
    }

    char appData[MAX_PATH] = {};
    ASSERT_EQ(S_OK, ::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData));
    const std::string orbelin = std::string(appData) + "\\Orbelin software";
    const std::string tolvane = orbelin + "\\Tolvane";
    const bool existed = IsDir(tolvane);
    const bool orbelinExisted = IsDir(orbelin);
    {
        AppContext context;
        EXPECT_EQ(tolvane, context.m_strUserDataFolder.c_str());
        EXPECT_TRUE(IsDir(tolvane));
    }
    EXPECT_FALSE(PlantedLibraryRan());
    if (!existed)
        ::RemoveDirectoryA(tolvane.c_str());
    if (!orbelinExisted)
        ::RemoveDirectoryA(orbelin.c_str());
}

TEST(AppContextLifetime, CreateAndDestroyManageTheGlobalContext)
{
    SeamOverrides seams;
    seams.Set(GetAppContextSeam().pszFolderDll, "tolvane-no-such-library.dll");
    CreateAppContext();
    ASSERT_NE(nullptr, g_pAppContext);
    EXPECT_EQ(&g_pAppContext->m_Messages, AttachedLog());
    PostToLog("posted through the context", 2);
    EXPECT_EQ(1u, g_pAppContext->m_Messages.m_arrMessages.GetSize());
    DestroyAppContext();
    EXPECT_EQ(nullptr, g_pAppContext);
    EXPECT_EQ(nullptr, AttachedLog()) << "a post now would reach a destroyed log";
    PostToLog("after the context", 2); // goes nowhere
}

} // namespace
