#include "engine/KoWipeSeam.h"

#include <new>

namespace
{

unsigned char* AllocateZeroed(size_t bytes)
{
    return new (std::nothrow) unsigned char[bytes]();
}

KoWipeSeam DefaultSeam()
{
    KoWipeSeam seam;
    seam.GetDiskFreeSpaceEx = ::GetDiskFreeSpaceExA;
    seam.DeviceIoControl = ::DeviceIoControl;
    seam.AllocateBuffer = AllocateZeroed;
    seam.GetVolumeInformation = ::GetVolumeInformationA;
    seam.CreateDirectory = ::CreateDirectoryA;
    // A million items is about a gigabyte of records; ten minutes is far
    // more than the phase takes on a local disk.
    seam.RecordItemLimit = 1ull << 20;
    seam.RecordTimeLimitMs = 10ull * 60 * 1000;
    seam.RunEnding = nullptr;
    return seam;
}

KoWipeSeam g_seam = DefaultSeam();

} // namespace

KoWipeSeam& GetWipeSeam()
{
    return g_seam;
}

void ResetWipeSeam()
{
    g_seam = DefaultSeam();
}
