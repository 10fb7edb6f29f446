// Built as SHFOLDER.DLL beside settings_tests.exe: a stand-in for a DLL that
// someone planted beside the program. Loading it leaves a trace in the
// process environment, and its folder lookup answers a folder no real system
// would, so a test can tell whether it ever ran.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        ::SetEnvironmentVariableA("TOLVANE_PLANTED_SHFOLDER", "loaded");
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI
    SHGetFolderPathA(HWND, int, HANDLE, DWORD, LPSTR path)
{
    ::lstrcpyA(path, "C:\\planted-shfolder");
    return S_OK;
}
