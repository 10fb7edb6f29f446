#pragma once

// The application object: one instance at a time, the application context
// and its settings around one modal run of the main dialog.

#include "framework/WinApp.h"
#include "ui/TolvaneDlg.h"

// Exit codes of the program for scripted runs (see README).
enum TolvaneExitCode : int
{
    // No run was asked for on the command line, or the last run ended with
    // no Error line and no cancel.
    kExitSuccess = 0,
    // The last run failed or was cancelled (also: a run asked for on the
    // command line never got to run), or the main window could not be made.
    kExitRunFailed = 1,
    // The command-line path was rejected and nothing ran.
    kExitBadPath = 2,
    // Another instance was running; this one ended at once.
    kExitAlreadyRunning = 3,
};

// The exit code for what the main window's runs came to.
int ExitCodeFor(RunOutcome outcome) noexcept;

class CTolvaneApp : public CWinApp
{
public:
    CTolvaneApp() = default;
    ~CTolvaneApp() override;

    // Does the whole life of the program; answers FALSE after a normal run
    // and TRUE when another instance already runs.
    BOOL InitInstance() override;
    // The process exit code (TolvaneExitCode).
    int ExitInstance() override;

private:
    int m_nExitCode = 0;
};

extern CTolvaneApp theApp;
