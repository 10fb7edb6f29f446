#pragma once

// The application object: one instance at a time, the application context
// and its settings around one modal run of the main dialog.

#include "framework/WinApp.h"

class CTolvaneApp : public CWinApp
{
public:
    CTolvaneApp() = default;
    ~CTolvaneApp() override;

    // Does the whole life of the program; answers FALSE after a normal run
    // and TRUE when another instance already runs.
    BOOL InitInstance() override;
    // The process exit code (TolvaneExitCode in ui/TolvaneDlg.h).
    int ExitInstance() override;

private:
    int m_nExitCode = 0;
};

extern CTolvaneApp theApp;
