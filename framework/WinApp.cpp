#include "framework/WinApp.h"

#include "framework/Wnd.h"

#include <commctrl.h>

#include <string>

namespace
{
CWinApp* g_pApp = nullptr;
AfxMessageBoxFunc g_messageBox = nullptr;

std::string ModulePath()
{
    // GetModuleFileNameA truncates silently; grow until the path fits.
    std::string path(MAX_PATH, '\0');
    for (;;)
    {
        DWORD n = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::string();
        if (n < path.size())
        {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

int DefaultMessageBox(HWND hwndOwner, const char* pszText, const char* pszCaption, UINT nType)
{
    return ::MessageBoxA(hwndOwner, pszText, pszCaption, nType);
}
} // namespace

CWinApp::CWinApp(const char* pszAppName)
{
    const std::string path = ModulePath();
    const size_t slash = path.find_last_of("\\/");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos)
        base.resize(dot);

    m_strAppName = pszAppName ? std::string(pszAppName) : base;
    m_strProfileName = base + ".INI";

    m_pszAppName = m_strAppName.c_str();
    m_pszProfileName = m_strProfileName.c_str();

    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

UINT CWinApp::GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault)
{
    return ::GetPrivateProfileIntA(pszSection, pszEntry, nDefault, m_pszProfileName);
}

BOOL CWinApp::WriteProfileInt(const char* pszSection, const char* pszEntry, int nValue)
{
    char text[16];
    wsprintfA(text, "%d", nValue);
    return ::WritePrivateProfileStringA(pszSection, pszEntry, text, m_pszProfileName);
}

void CWinApp::SetProfileName(const char* pszPath)
{
    m_strProfileName = pszPath ? pszPath : "";
    m_pszProfileName = m_strProfileName.c_str();
}

CWinApp* AfxGetApp() noexcept
{
    return g_pApp;
}

CWnd* AfxGetMainWnd() noexcept
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetResourceHandle() noexcept
{
    return ::GetModuleHandleA(nullptr);
}

void AfxInitCommonControls() noexcept
{
    // A function-local static runs the registration once per process.
    static const BOOL registered = []() noexcept
    {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&icc);
    }();
    (void)registered;
}

AfxMessageBoxFunc AfxSetMessageBoxFunc(AfxMessageBoxFunc func) noexcept
{
    AfxMessageBoxFunc previous = g_messageBox ? g_messageBox : DefaultMessageBox;
    g_messageBox = func;
    return previous;
}

int AfxMessageBox(const char* pszText, UINT nType)
{
    CWnd* pMain = AfxGetMainWnd();
    HWND owner = pMain && ::IsWindow(pMain->m_hWnd) ? pMain->m_hWnd : nullptr;
    const char* caption = g_pApp ? g_pApp->m_pszAppName : "";
    AfxMessageBoxFunc show = g_messageBox ? g_messageBox : DefaultMessageBox;
    return show(owner, pszText, caption, nType);
}

int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    AfxInitCommonControls();
    try
    {
        app->InitInstance();
        return app->ExitInstance();
    }
    catch (...)
    {
        // Nothing may escape the entry point; a failed start ends the process quietly.
        return -1;
    }
}
