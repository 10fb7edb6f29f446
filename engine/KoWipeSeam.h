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
    // figure and the total are used by the engine. The main window's space
    // display asks through here as well.
    BOOL(WINAPI* GetDiskFreeSpaceEx)
    (LPCSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total, PULARGE_INTEGER totalFree);
    // Used for the request that a wipe file be stored uncompressed.
    BOOL(WINAPI* DeviceIoControl)
    (HANDLE file, DWORD code, LPVOID in, DWORD inBytes, LPVOID out, DWORD outBytes,
     LPDWORD returned, LPOVERLAPPED overlapped);
    // The run's write buffer: a zero-filled block of the given size allocated
    // with new[], or null when it cannot be had.
    unsigned char* (*AllocateBuffer)(size_t bytes);
    // The file system's name of a volume ("NTFS"), for the record phase.
    BOOL(WINAPI* GetVolumeInformation)
    (LPCSTR root, LPSTR name, DWORD nameSize, LPDWORD serial, LPDWORD maxComponent, LPDWORD flags,
     LPSTR fileSystem, DWORD fileSystemSize);
    // The record phase's folders (its files go through the file seam).
    BOOL(WINAPI* CreateDirectory)(LPCSTR path, LPSECURITY_ATTRIBUTES security);
    // Hard bounds of the record phase: items made, and milliseconds.
    ULONGLONG RecordItemLimit;
    ULONGLONG RecordTimeLimitMs;
    // Called on the worker between its last two steps: after the running
    // flag has fallen and before the finished flag is set. Null: nothing.
    void (*RunEnding)();
};

KoWipeSeam& GetWipeSeam();
void ResetWipeSeam();
