#include "controls/Dpi.h"

#include "support/Handle.h"

int WindowDpi(HWND hwnd)
{
    const ScopedGetDC dc(hwnd);
    const int dpi = dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kDefaultDpi;
}

SIZE SmallIconSize()
{
    // Scaled by the system for an aware program: 24 at 144 DPI, 32 at 192.
    return {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
}
