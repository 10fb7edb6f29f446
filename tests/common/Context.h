#pragma once

// The application context of a test: made as start-up makes it, with the
// shell's folder lookup answered by the test, so that no test touches the
// Wine prefix's own folders.

#include <string>

#include <shlobj.h>
#include <windows.h>

#include "app/AppContext.h"
#include "common/Seams.h"

// The application-data folder that AnswerFolderLookup gives; empty: none.
inline std::string& TestAppDataFolder()
{
    static std::string folder;
    return folder;
}

// A folder lookup that answers TestAppDataFolder() for the application-data
// folder and fails for every other folder, and for that one too when empty.
inline HRESULT WINAPI AnswerFolderLookup(HWND, int csidl, HANDLE, DWORD, LPSTR path)
{
    if ((csidl & 0xFF) != CSIDL_APPDATA || TestAppDataFolder().empty())
        return E_FAIL;
    ::lstrcpynA(path, TestAppDataFolder().c_str(), MAX_PATH);
    return S_OK;
}

// Sends the context's folder lookup to AnswerFolderLookup with `appData`
// until `seams` goes.
inline void AnswerAppDataWith(SeamOverrides& seams, const std::string& appData)
{
    TestAppDataFolder() = appData;
    seams.Set(GetAppContextSeam().pGetFolderPath, &AnswerFolderLookup);
}

// The command line of a start without arguments, for the window's seam.
inline LPSTR WINAPI PlainCommandLine()
{
    static char line[] = "Tolvane.exe";
    return line;
}

// Makes g_pAppContext with its user data folder under `appData` (empty: no
// data folder at all).
inline void CreateTestContext(const std::string& appData = "")
{
    SeamOverrides seams;
    AnswerAppDataWith(seams, appData);
    CreateAppContext();
}

// Ends a run still going (waiting for its worker) and destroys the context.
inline void DestroyTestContext()
{
    if (g_pAppContext != nullptr)
        g_pAppContext->m_Wipe.CancelAndWait();
    DestroyAppContext();
}
