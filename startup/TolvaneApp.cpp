#include "startup/TolvaneApp.h"

#include "app/AppContext.h"
#include "support/Handle.h"
#include "ui/TolvaneDlg.h"

#include <ole2.h>

namespace
{
const char kMutexName[] = "Orbelin software Tolvane Application";

// Libraries loaded by name come from the system folder only, never from the
// program's own folder (a downloads folder, a share), where a planted DLL of
// a system name would run with the user's rights. The call exists from
// Windows 8 (and Windows 7 with its loader update); older systems go on.
void RestrictDllSearchToSystemFolder() noexcept
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
    if (set != nullptr)
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The window thread's single-threaded COM apartment, which the shell's folder
// picker needs. When it cannot be entered the program goes on without.
class OleApartment
{
public:
    OleApartment() noexcept : m_hr(::OleInitialize(nullptr)) {}
    ~OleApartment()
    {
        if (SUCCEEDED(m_hr))
            ::OleUninitialize();
    }
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;

private:
    HRESULT m_hr;
};

// Whether this session can show a window at all: a service, a session
// without a desktop, or (under Wine) a prefix without a graphics driver
// cannot. Asked before anything is read or written, so that a program that
// cannot show its window leaves no trace.
bool CanCreateWindows() noexcept
{
    HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    if (probe == nullptr)
        return false;
    ::DestroyWindow(probe);
    return true;
}

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

int ExitCodeFor(RunOutcome outcome) noexcept
{
    switch (outcome)
    {
    case RunOutcome::Clean:
        return kExitSuccess;
    case RunOutcome::PathRejected:
        return kExitBadPath;
    case RunOutcome::FailedOrCancelled:
    default:
        return kExitRunFailed;
    }
}

CTolvaneApp::~CTolvaneApp() = default;

BOOL CTolvaneApp::InitInstance()
{
    RestrictDllSearchToSystemFolder();
    Enable3dControlsStatic();

    ::SetLastError(ERROR_SUCCESS);
    KernelHandle mutex(::CreateMutexA(nullptr, TRUE, kMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        m_nExitCode = kExitAlreadyRunning;
        return TRUE;
    }

    // Nothing the user asked for can happen without the window, whether or
    // not the command line named a target: that is not a success.
    if (!CanCreateWindows())
    {
        m_nExitCode = kExitRunFailed;
        return FALSE;
    }

    OleApartment apartment;
    AppContextScope context;
    SetProfileName(g_pAppContext->GetSettingsFilePath());
    LoadSettings(*this);

    {
        CTolvaneDlg dlg;
        m_pMainWnd = &dlg;
        const INT_PTR shown = dlg.DoModal();
        m_pMainWnd = nullptr;
        // A window that could not be made ran nothing and changed nothing:
        // the settings are not written back.
        const bool windowFailed = shown == -1;
        m_nExitCode = windowFailed ? kExitRunFailed : ExitCodeFor(dlg.GetRunOutcome());

        if (!windowFailed)
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
