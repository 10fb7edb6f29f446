// Helper for the program tests: acts on a running Tolvane.exe from outside,
// as the system or a user would, and tells where the program keeps its
// settings. Run under Wine by tolvane_volumes.sh.
//
//   TolvaneProbe wait-window MS   waits up to MS ms for the main window
//   TolvaneProbe close            posts WM_CLOSE to the main window
//   TolvaneProbe ini-path         prints the settings file's Windows path
//
// Exit code 0 on success, 1 when the window is not there, 2 on bad usage.

#include "common/MainWindow.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
int WaitWindow(DWORD timeoutMs)
{
    return WaitFor([]() { return FindMainWindow() != nullptr; }, timeoutMs, 20) ? 0 : 1;
}

int Close()
{
    HWND hwnd = FindMainWindow();
    if (!hwnd)
        return 1;
    return ::PostMessageA(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
}

int IniPath()
{
    char appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData)))
        return 1;
    std::printf("%s\\Orbelin software\\Tolvane\\Tolvane.ini\n", appData);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "wait-window") == 0)
        return WaitWindow(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    if (argc == 2 && std::strcmp(argv[1], "close") == 0)
        return Close();
    if (argc == 2 && std::strcmp(argv[1], "ini-path") == 0)
        return IniPath();
    std::fprintf(stderr, "usage: TolvaneProbe wait-window MS | close | ini-path\n");
    return 2;
}
