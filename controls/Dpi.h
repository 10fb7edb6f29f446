#pragma once

#include <windows.h>

// Scaling of what the program draws in pixels of its own. The program is
// system-DPI aware (its manifest), so the system no longer stretches its
// window as a bitmap: every size that is not in dialog units follows the DPI
// here.

constexpr int kDefaultDpi = 96;

// The DPI `hwnd` is drawn for (the system's; the screen's when hwnd is null).
int WindowDpi(HWND hwnd);

// A length of `pixelsAt96` at 96 DPI, at `dpi`, rounded to the nearest pixel.
inline int ScaleForDpi(int pixelsAt96, int dpi)
{
    return MulDiv(pixelsAt96, dpi, kDefaultDpi);
}

// The system's small-icon size (16 x 16 at 96 DPI).
SIZE SmallIconSize();
