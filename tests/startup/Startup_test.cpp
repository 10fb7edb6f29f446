// The program's whole start-up driven in-process: the application object's
// InitInstance runs on this thread exactly as Tolvane.exe runs it, with its
// data folder in a temporary folder, while a driver thread acts as the user.
// What it checks is the order of the steps: the settings are read before the
// window and written after it, the window is the main window while it runs,
// the folder picker runs in a single-threaded COM apartment, and the
// single-instance mutex is still held while the application context goes.

#include "app/AppContext.h"
#include "engine/KoWipeFile.h"
#include "res/resource.h"
#include "startup/TolvaneApp.h"
#include "support/KoFileSeam.h"
#include "common/Context.h"
#include "common/Files.h"
#include "common/MainWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace
{

const char kMutexName[] = "Orbelin software Tolvane Application";
std::string g_staleFile;

struct Seen
{
    bool pickerShown = false;
    bool singleThreadedApartment = false;
    bool mainWindowIsTheDialog = false;
    int random = -1, twice = -1; // the settings while the window runs
    bool mutexHeldWhileContextGoes = false;
    bool contextWentWithTheFile = false;
};
Seen g_seen;

// The picker runs on the window thread: it looks at what start-up set up,
// changes a setting, leaves a wipe file for the context to delete as it goes,
// and is cancelled.
BOOL RecordingPicker(CString&, HWND owner)
{
    g_seen.pickerShown = true;
    // A thread in a single-threaded apartment cannot join the multithreaded one.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    g_seen.singleThreadedApartment = hr == RPC_E_CHANGED_MODE;
    if (SUCCEEDED(hr))
        ::CoUninitialize();
    CWnd* main = AfxGetMainWnd();
    g_seen.mainWindowIsTheDialog = main != nullptr && main->m_hWnd == owner;
    g_seen.random = g_pAppContext->m_boolRandom;
    g_seen.twice = g_pAppContext->m_boolWipeTwice;
    g_pAppContext->m_boolCheckForErrors = 1;

    WriteText(g_staleFile, "left by a run");
    auto* file = new KoWipeFile;
    file->m_strFilePath = g_staleFile.c_str();
    g_pAppContext->m_Wipe.m_arrWipeFiles.Add(file);
    return FALSE;
}

// The context deletes the wipe files it still holds as it goes: at that
// moment another thread must not be able to take the mutex.
BOOL WINAPI ProbingDelete(LPCSTR path)
{
    if (g_staleFile == path)
    {
        g_seen.contextWentWithTheFile = true;
        std::thread probe(
            []()
            {
                HANDLE mutex = ::OpenMutexA(SYNCHRONIZE, FALSE, kMutexName);
                const DWORD waited = mutex ? ::WaitForSingleObject(mutex, 0) : WAIT_FAILED;
                if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
                    ::ReleaseMutex(mutex);
                g_seen.mutexHeldWhileContextGoes = waited == WAIT_TIMEOUT;
                if (mutex)
                    ::CloseHandle(mutex);
            });
        probe.join();
    }
    return ::DeleteFileA(path);
}

std::string IniValue(const std::string& ini, const char* key)
{
    char value[32] = {};
    ::GetPrivateProfileStringA("Wipe Settings", key, "missing", value, sizeof value, ini.c_str());
    return value;
}

class StartUp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_staleFile = m_dir / "Tolvane0.WipeFile";
        g_seen = Seen();
        AnswerAppDataWith(m_seams, m_dir.Path());
        m_seams.Set(GetTolvaneDlgSeam().BrowseForFolder, &RecordingPicker);
        m_seams.Set(GetTolvaneDlgSeam().GetCommandLine, &PlainCommandLine);
        m_seams.Set(g_KoFileSeam.pDeleteFile, &ProbingDelete);
        m_ini = m_dir / "Orbelin software\\Tolvane\\Tolvane.ini";
    }

    TempDir m_dir;
    std::string m_ini;
    SeamOverrides m_seams;
};

TEST_F(StartUp, SettingsAroundTheWindowAndTheMutexUntilTheContextIsGone)
{
    ASSERT_TRUE(::CreateDirectoryA((m_dir / "Orbelin software").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((m_dir / "Orbelin software\\Tolvane").c_str(), nullptr));
    WriteText(m_ini, "[Wipe Settings]\r\nm_boolRandom=1\r\nm_boolWipeTwice=7\r\n");

    std::thread user(
        []()
        {
            HWND dlg = WaitForMainWindow(::GetCurrentProcessId());
            if (!dlg)
                return;
            ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_WIPE, BN_CLICKED), 0);
            ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
    const BOOL runLoop = theApp.InitInstance();
    user.join();

    EXPECT_FALSE(runLoop);
    EXPECT_EQ(kExitSuccess, theApp.ExitInstance());
    ASSERT_TRUE(g_seen.pickerShown);
    EXPECT_TRUE(g_seen.singleThreadedApartment);
    EXPECT_TRUE(g_seen.mainWindowIsTheDialog);
    EXPECT_EQ(1, g_seen.random) << "the settings are read before the window";
    EXPECT_EQ(7, g_seen.twice);
    EXPECT_EQ("1", IniValue(m_ini, "m_boolCheckForErrors")) << "and written after it";
    EXPECT_EQ("7", IniValue(m_ini, "m_boolWipeTwice"));
    EXPECT_TRUE(g_seen.contextWentWithTheFile);
    EXPECT_TRUE(g_seen.mutexHeldWhileContextGoes);
    EXPECT_EQ(nullptr, g_pAppContext);
    EXPECT_EQ(nullptr, AfxGetMainWnd());
}

TEST_F(StartUp, AnotherInstanceEndsAtOnceWithoutTouchingAnything)
{
    HANDLE other = ::CreateMutexA(nullptr, TRUE, kMutexName);
    ASSERT_NE(nullptr, other);
    EXPECT_TRUE(theApp.InitInstance());
    ::ReleaseMutex(other);
    ::CloseHandle(other);
    EXPECT_EQ(kExitAlreadyRunning, theApp.ExitInstance());
    EXPECT_FALSE(g_seen.pickerShown);
    EXPECT_EQ(nullptr, g_pAppContext);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(m_ini.c_str()));
}

// The system refuses the main window (as a desktop out of heap would) while
// a window of any other class can still be made: the dialog's creation fails
// after the context and its folder exist.
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
    {
        char cls[16] = {};
        ::GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
        if (std::string(cls) == "#32770")
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(StartUp, AMainWindowThatCannotBeMadeIsAFailureAndWritesNoSettings)
{
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseDialogs, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    const BOOL runLoop = theApp.InitInstance();
    ::UnhookWindowsHookEx(hook);

    EXPECT_FALSE(runLoop);
    EXPECT_EQ(kExitRunFailed, theApp.ExitInstance());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(m_ini.c_str()));
    EXPECT_EQ(nullptr, g_pAppContext);
}

} // namespace
