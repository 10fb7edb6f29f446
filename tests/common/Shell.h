#pragma once

// What the shell was asked to open, through a seam's ShellExecuteA entry
// replaced by RecordShellOpen; each call answers ShellOpenResult().

#include <string>
#include <vector>

#include <windows.h>

struct ShellOpen
{
    HWND owner;
    std::string verb, file;
    bool noParameters, noDirectory;
    int show;
};

inline std::vector<ShellOpen>& ShellOpens()
{
    static std::vector<ShellOpen> opens;
    return opens;
}

// Above 32: opened; 32 and below are the shell's failures.
inline INT_PTR& ShellOpenResult()
{
    static INT_PTR result = 33;
    return result;
}

inline HINSTANCE WINAPI RecordShellOpen(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                        LPCSTR directory, INT show)
{
    ShellOpens().push_back({owner, verb ? verb : "", file ? file : "", parameters == nullptr,
                            directory == nullptr, show});
    return reinterpret_cast<HINSTANCE>(ShellOpenResult());
}
