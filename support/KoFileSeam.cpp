#include "support/KoFileSeam.h"

KoFileSeam KoDefaultFileSeam()
{
    return KoFileSeam{&::CreateFileA,      &::ReadFile,    &::WriteFile,
                      &::FlushFileBuffers, &::CloseHandle, &::DeleteFileA};
}

KoFileSeam g_KoFileSeam = KoDefaultFileSeam();
