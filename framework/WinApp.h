#pragma once

// The application object.
//
// The program derives one class from CWinApp, makes one global object of it
// and forwards its entry point:
//     CTolvaneApp theApp;
//     int WINAPI WinMain(HINSTANCE h, HINSTANCE p, LPSTR cmd, int show)
//     {
//         return AfxWinMain(h, p, cmd, show);
//     }
// AfxWinMain initialises the common controls and calls InitInstance, which
// does the program's whole life (its main window runs as a modal dialog in
// there); the process then ends with ExitInstance's code, whatever
// InitInstance answered.
//
// The object is usable without AfxWinMain (tests construct one): the
// constructor already sets the title (the program file's base name, e.g.
// "Tolvane" for Tolvane.exe) and the default profile file ("<title>.INI",
// which the profile functions look for in the Windows folder). The newest
// CWinApp is the one AfxGetApp() answers until it is destroyed.
//
// Profile access goes to the private-profile functions of m_pszProfileName:
//     app.SetProfileName("C:\\...\\Tolvane.ini");     // the app keeps a copy
//     UINT v = app.GetProfileInt("Wipe Settings", "m_boolRandom", 0);
//     app.WriteProfileInt("Wipe Settings", "m_boolRandom", 1);   // "%d" text
//
// AfxMessageBox shows a message box captioned with the application title,
// owned by the main window when there is one. Tests replace the box itself
// with AfxSetMessageBoxFunc.

#include <windows.h>

#include <string>

class CWnd;

class CWinApp
{
public:
    // pszAppName NULL: the title is the program file's base name.
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // GetPrivateProfileIntA: a missing file, section or key, or text that is
    // not a number, gives nDefault.
    UINT GetProfileInt(const char* pszSection, const char* pszEntry, int nDefault);
    // WritePrivateProfileStringA with the "%d" text; creates file and section.
    BOOL WriteProfileInt(const char* pszSection, const char* pszEntry, int nValue);
    // Replaces the profile file name; the application keeps its own copy.
    void SetProfileName(const char* pszPath);

    // The classic three-dimensional control look is what current Windows
    // draws anyway; kept so start-up reads as a sequence of steps.
    BOOL Enable3dControlsStatic() { return TRUE; }

    // Read-only views; change the profile name only with SetProfileName.
    const char* m_pszAppName = nullptr;
    const char* m_pszProfileName = nullptr;

    // The window AfxMessageBox and owner-less dialogs are owned by; not owned.
    CWnd* m_pMainWnd = nullptr;

private:
    std::string m_strAppName;
    std::string m_strProfileName;
};

CWinApp* AfxGetApp() noexcept;
CWnd* AfxGetMainWnd() noexcept;
// The module that holds the program's resources (the executable).
HINSTANCE AfxGetResourceHandle() noexcept;

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// Registers the list view, progress bar and other common control classes.
// Dialog creation calls it, so it rarely needs calling directly.
void AfxInitCommonControls() noexcept;

int AfxMessageBox(const char* pszText, UINT nType = MB_OK);

// The function that shows message boxes (default: MessageBoxA). Answers the previous one.
using AfxMessageBoxFunc = int (*)(HWND hwndOwner, const char* pszText, const char* pszCaption,
                                  UINT nType);
AfxMessageBoxFunc AfxSetMessageBoxFunc(AfxMessageBoxFunc func) noexcept;
