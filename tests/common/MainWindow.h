#pragma once

// Finding the program's main window and waiting for things, from this
// process or from outside it. Win32 only.

#include <functional>
#include <string>

#include <windows.h>

// Polls `done` every `stepMs` until it holds or `limitMs` have passed.
inline bool WaitFor(const std::function<bool()>& done, DWORD limitMs = 60000, DWORD stepMs = 5)
{
    const DWORD start = ::GetTickCount();
    while (!done())
    {
        if (::GetTickCount() - start > limitMs)
            return false;
        ::Sleep(stepMs);
    }
    return true;
}

inline std::string WindowText(HWND hwnd)
{
    char buffer[512] = {};
    ::GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

// The main window: a top-level dialog captioned "Tolvane by Orbelin software"
// that holds the Wipe button (1004), so that a message box of the same
// caption is never taken for it; of process `pid`, or of any process when
// `pid` is 0. Null when there is none.
inline HWND FindMainWindow(DWORD pid = 0)
{
    const char caption[] = "Tolvane by Orbelin software";
    for (HWND hwnd = ::FindWindowA("#32770", caption); hwnd;
         hwnd = ::FindWindowExA(nullptr, hwnd, "#32770", caption))
    {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if ((pid == 0 || owner == pid) && ::GetDlgItem(hwnd, 1004) != nullptr)
            return hwnd;
    }
    return nullptr;
}

// Waits up to `limitMs` for the main window of `pid` (0: any process) to be
// visible, which it is once its initialisation is over; null when it is not.
inline HWND WaitForMainWindow(DWORD pid, DWORD limitMs = 60000)
{
    HWND found = nullptr;
    WaitFor(
        [&]()
        {
            found = FindMainWindow(pid);
            return found != nullptr && ::IsWindowVisible(found);
        },
        limitMs, 10);
    return found != nullptr && ::IsWindowVisible(found) ? found : nullptr;
}
