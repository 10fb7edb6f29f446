#pragma once

// The system services of a wipe run that tests need to control, beside the
// file calls, which go through KoFileSeam (support/KoFileSeam.h). Every
// member starts as the real call; a test may replace any of them and must put
// back the defaults (ResetWipeSeam) before the next case. The run reads the
// seam on its worker thread, so change it only while no run is in progress.

#include <cstddef>

#include <windows.h>

struct KoWipeSeam
{
    // Free space of the volume holding dir; only the caller's available
    // figure is used by the engine.
    BOOL(WINAPI* GetDiskFreeSpaceEx)
    (LPCSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total, PULARGE_INTEGER totalFree);
    // The run's write buffer: a zero-filled block of the given size allocated
    // with new[], or null when it cannot be had.
    unsigned char* (*AllocateBuffer)(size_t bytes);
};

KoWipeSeam& GetWipeSeam();
void ResetWipeSeam();
