#pragma once

// The program's own window messages. Every id lives here, from WM_APP up, so
// two parts can never pick the same number.

#include <windows.h>

enum : UINT
{
    // First id of the program's own messages; add new ones after it.
    WM_KO_FIRST = WM_APP,
};
