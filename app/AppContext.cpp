#include "app/AppContext.h"

#include "framework/WinApp.h"
#include "support/Handle.h"
#include "support/KoFile.h"
#include "support/KoFormat.h"

#include <shlobj.h>

AppContext* g_pAppContext = nullptr;

namespace
{

const char kSection[] = "Wipe Settings";
const char kKeyBackground[] = "m_boolWipeInBackground";
const char kKeyTwice[] = "m_boolWipeTwice";
const char kKeyCheck[] = "m_boolCheckForErrors";
const char kKeyRandom[] = "m_boolRandom";

using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

AppContextSeam DefaultSeam()
{
    AppContextSeam seam;
    seam.pszFolderDll = "SHFOLDER.DLL";
    seam.pGetFolderPath = nullptr;
    return seam;
}

AppContextSeam g_seam = DefaultSeam();

// The library from the system folder, by full path: a DLL of that name
// beside the program (a downloads folder, a share) must never be the one
// that runs.
ModuleHandle LoadSystemLibrary(const char* name)
{
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ModuleHandle();
    CString path = folder;
    AddBackslash(path);
    path += name;
    return ModuleHandle(::LoadLibraryA(path));
}

// Asks for one shell folder; empty unless the call answers S_OK.
CString FolderPath(GetFolderPathFn getFolderPath, int csidl)
{
    char buffer[MAX_PATH + 1] = {};
    if (getFolderPath(nullptr, csidl, nullptr, 0, buffer) != S_OK)
        return CString();
    return CString(buffer);
}

} // namespace

AppContextSeam& GetAppContextSeam()
{
    return g_seam;
}

void ResetAppContextSeam()
{
    g_seam = DefaultSeam();
}

AppContext::AppContext()
{
    InitUserDataFolder();
}

AppContext::~AppContext()
{
    // The worker posts to the log and reaches the run through g_pAppContext
    // until its very end: it must be over before any member goes.
    m_Wipe.CancelAndWait();
}

BOOL AppContext::InitUserDataFolder()
{
    CString appData;
    {
        // SHFOLDER.DLL is loaded at run time so the program starts on systems
        // whose shell lacks SHGetFolderPathA.
        const ModuleHandle library = LoadSystemLibrary(g_seam.pszFolderDll);
        GetFolderPathFn getFolderPath = nullptr;
        if (library)
            getFolderPath = reinterpret_cast<GetFolderPathFn>(
                reinterpret_cast<void*>(::GetProcAddress(library.get(), "SHGetFolderPathA")));
        if (getFolderPath != nullptr)
        {
            if (g_seam.pGetFolderPath != nullptr)
                getFolderPath = g_seam.pGetFolderPath;
            appData = FolderPath(getFolderPath, CSIDL_APPDATA | CSIDL_FLAG_CREATE);
            m_strDocumentsFolder = FolderPath(getFolderPath, CSIDL_PERSONAL | CSIDL_FLAG_CREATE);
        }
    }

    if (appData.IsEmpty())
    {
        if (m_strUserDataFolder.IsEmpty())
            m_strUserDataFolder = m_strDocumentsFolder;
        return FALSE;
    }
    for (const char* level : {"Orbelin software", "Tolvane"})
    {
        AddBackslash(appData);
        appData += level;
        if (!CreateFolder(appData))
        {
            // A warning the user must see: OK only, with the exclamation icon.
            AfxMessageBox("Can't create user data folder ", MB_OK | MB_ICONEXCLAMATION);
            return FALSE;
        }
    }
    m_strUserDataFolder = appData;
    return TRUE;
}

CString AppContext::GetSettingsFilePath() const
{
    CString path = m_strUserDataFolder;
    AddBackslash(path);
    path += "Tolvane.ini";
    return path;
}

void AppContext::LoadSettings(CWinApp& app)
{
    m_boolWipeInBackground = app.GetProfileInt(kSection, kKeyBackground, 0);
    m_boolWipeTwice = app.GetProfileInt(kSection, kKeyTwice, 0);
    m_boolCheckForErrors = app.GetProfileInt(kSection, kKeyCheck, 0);
    m_boolRandom = app.GetProfileInt(kSection, kKeyRandom, 0);
}

void AppContext::SaveSettings(CWinApp& app)
{
    app.WriteProfileInt(kSection, kKeyBackground, m_boolWipeInBackground);
    app.WriteProfileInt(kSection, kKeyTwice, m_boolWipeTwice);
    app.WriteProfileInt(kSection, kKeyCheck, m_boolCheckForErrors);
    app.WriteProfileInt(kSection, kKeyRandom, m_boolRandom);
}

void CreateAppContext()
{
    if (g_pAppContext == nullptr)
        g_pAppContext = new AppContext;
}

void DestroyAppContext()
{
    // The pointer stays valid while the context is torn down: a worker still
    // ending reaches the log and the run through it.
    delete g_pAppContext;
    g_pAppContext = nullptr;
}

void LoadSettings(CWinApp& app)
{
    g_pAppContext->LoadSettings(app);
}

void SaveSettings(CWinApp& app)
{
    g_pAppContext->SaveSettings(app);
}
