#pragma once

// The one application-wide context, reached through g_pAppContext: the four
// wipe settings (stored only; no run consults them), the per-user data
// folder that holds "Tolvane.ini", the message log and the wipe run.
//
// Teardown order matters: the run is destroyed first (its destructor cancels
// a run still going and waits for the worker, which posts to the log and
// reaches the run through g_pAppContext), then the log is detached, then it
// goes.

#include "engine/KoWipe.h"
#include "support/CString.h"
#include "support/KoMessages.h"

#include <windows.h>

class CWinApp;

class AppContext
{
public:
    AppContext();
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // Finds or creates <application data>\Orbelin software\Tolvane and stores
    // it in m_strUserDataFolder; TRUE only then. When that folder cannot be
    // created the user is told in a message box and the folder stays empty;
    // when no application-data folder is known the documents folder (or
    // nothing) is used instead.
    BOOL InitUserDataFolder();
    // The settings file: the user data folder with "Tolvane.ini" appended,
    // or the bare name when the folder is empty.
    CString GetSettingsFilePath() const;
    // Read and write section "Wipe Settings" through the application object's
    // profile functions (the profile file start-up named). Values are stored
    // exactly as read; anything that is not a number reads as 0.
    void LoadSettings(CWinApp& app);
    void SaveSettings(CWinApp& app);

    BOOL m_boolWipeInBackground = 0;
    BOOL m_boolWipeTwice = 0;
    BOOL m_boolCheckForErrors = 0;
    BOOL m_boolRandom = 0;
    CString m_strDocumentsFolder;
    CString m_strUserDataFolder; // no trailing backslash; may be empty
    KoMessagesContainer m_Messages;
    // Makes m_Messages the log that PostToLog reaches, from before the run
    // exists until after it is gone, so that the run's last posts (deleting
    // wipe files as it goes) still reach it.
    KoLogBinding m_LogBinding{m_Messages};
    KoWipe m_Wipe;
};

extern AppContext* g_pAppContext;

// Builds the context on the heap into g_pAppContext (once, at start-up).
void CreateAppContext();
// Destroys it, if any, and sets g_pAppContext to null.
void DestroyAppContext();
// The same as g_pAppContext->LoadSettings / SaveSettings.
void LoadSettings(CWinApp& app);
void SaveSettings(CWinApp& app);

// What InitUserDataFolder asks of the system, replaceable by tests. (Its
// message box goes through the framework's AfxMessageBox.)
struct AppContextSeam
{
    // The library that exports SHGetFolderPathA.
    const char* pszFolderDll;
    // When set, called instead of the library's SHGetFolderPathA (the
    // library is still loaded and released as usual).
    HRESULT(WINAPI* pGetFolderPath)(HWND, int, HANDLE, DWORD, LPSTR);
};
AppContextSeam& GetAppContextSeam();
void ResetAppContextSeam();
