#include "app/TolvaneApp.h"

#include "app/AppContext.h"
#include "support/Handle.h"
#include "ui/TolvaneDlg.h"

namespace
{
const char kMutexName[] = "Orbelin software Tolvane Application";

// Destroys the application context when start-up leaves, also by an
// exception, so that no worker outlives it unnoticed.
struct AppContextScope
{
    AppContextScope() { CreateAppContext(); }
    AppContextScope(const AppContextScope&) = delete;
    AppContextScope& operator=(const AppContextScope&) = delete;
    ~AppContextScope() { Destroy(); }
    void Destroy() noexcept
    {
        if (!g_pAppContext)
            return;
        // The dialog already waits for a run when it closes; this covers
        // every other way out. The wait pumps messages, so the worker's
        // last posts still get through.
        g_pAppContext->m_Wipe.CancelAndWait();
        DestroyAppContext();
    }
};
} // namespace

CTolvaneApp theApp;

CTolvaneApp::~CTolvaneApp() = default;

BOOL CTolvaneApp::InitInstance()
{
    Enable3dControlsStatic();

    ::SetLastError(ERROR_SUCCESS);
    KernelHandle mutex(::CreateMutexA(nullptr, TRUE, kMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        m_nExitCode = kExitAlreadyRunning;
        return TRUE;
    }

    AppContextScope context;
    SetProfileName(g_pAppContext->GetSettingsFilePath());
    LoadSettings(*this);

    {
        CTolvaneDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        m_nExitCode = dlg.GetExitCode();

        SaveSettings(*this);
        context.Destroy();
        if (mutex)
            ::ReleaseMutex(mutex.get());
        mutex.reset();
    }
    return FALSE;
}

int CTolvaneApp::ExitInstance()
{
    return m_nExitCode;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
