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
