#pragma once

// Harness for driving a real Tolvane.exe from outside, as a user would: it
// starts the program with a command line, presses its Wipe button or closes
// its window at a chosen moment, waits for the process to end, and reads the
// message list as it stood when the window went (through ListProbe.dll).
// Also small file-system helpers for checking what a run left on a volume.

#include "common/Files.h"
#include "common/MainWindow.h"
#include "support/Handle.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace reliability
{

// One row of the message list: kind (image index: Error 0, Warning 1, Info 2)
// and text exactly as listed.
struct LogRow
{
    int kind = -1;
    std::string text;
};

// Reads a setting that run-reliability passes in; empty when absent.
std::string Env(const char* name);

// A Unix path (as the wrapper script knows it) turned into a Wine path on Z:.
std::string WinePath(const std::string& path);

class TolvaneRun
{
public:
    TolvaneRun();
    ~TolvaneRun();
    TolvaneRun(const TolvaneRun&) = delete;
    TolvaneRun& operator=(const TolvaneRun&) = delete;

    // Starts Tolvane.exe with the given arguments, the list probe hooked into
    // its main thread before that thread runs. False with a reason on failure.
    bool Launch(const std::string& args, std::string& why);

    bool Ended() const;
    // The main dialog of the process, or null.
    HWND MainWindow() const;
    // Clicks Wipe / Cancel Wipe (WM_COMMAND BN_CLICKED 1004, as the button does).
    bool PressWipe() const;
    bool Close() const;
    std::string WipeCaption() const;

    // Waits up to timeoutMs for the process to end. Other top-level windows
    // of the process (a folder picker opened by a click that came after the
    // run, a message box) are closed and their titles kept in Dismissed().
    bool WaitEnd(DWORD timeoutMs);
    DWORD ExitCode() const { return m_exitCode; }
    const std::vector<std::string>& Dismissed() const { return m_dismissed; }

    // The rows the probe wrote when the main window was destroyed; false when
    // there was no dump (the window never went, or the probe did not load).
    bool ReadLog(std::vector<LogRow>& rows) const;

private:
    struct HookTraits
    {
        using Type = HHOOK;
        static bool IsEmpty(HHOOK h) { return h == nullptr; }
        static void Release(HHOOK h) { ::UnhookWindowsHookEx(h); }
    };

    KernelHandle m_process;
    DWORD m_pid = 0;
    DWORD m_exitCode = STILL_ACTIVE;
    ModuleHandle m_probe;
    UniqueHandle<HookTraits> m_hook;
    std::string m_dumpPath;
    std::vector<std::string> m_dismissed;
};

// Index of the first row whose text is exactly `text` (or starts with it when
// prefix is true) at or after `from`; -1 when none.
int FindRow(const std::vector<LogRow>& rows, const std::string& text, bool prefix = false,
            int from = 0);
std::string DescribeLog(const std::vector<LogRow>& rows);

// Content and attributes of every entry below a folder, for proving that a
// run left pre-existing files byte-identical.
using TreeSnapshot = std::map<std::string, std::string>;
TreeSnapshot Snapshot(const std::string& folder);

// True for a name of the form Tolvane*.WipeFile.
bool IsWipeFileName(const std::string& name);
// Every entry below `folder` whose name matches Tolvane*.WipeFile.
std::vector<std::string> FindWipeFiles(const std::string& folder);

std::uint64_t AvailBytes(const std::string& path);
std::string RandomBytes(std::size_t n, unsigned seed);
// Runs a Unix command line through Wine (which execs non-PE programs).
bool RunUnix(const std::string& commandLine);

} // namespace reliability
