#pragma once

// The file calls that KoFile and the path functions make, gathered so tests
// can observe them or inject failures. The defaults are the real Win32 calls.
//
// Replace entries only while no other thread is making file calls (for
// example before a wipe run starts and after it has finished), and put them
// back afterwards. A replacement that fails should SetLastError()
// like the real call, since the callers report GetLastError().

#include <windows.h>

struct KoFileSeam
{
    decltype(&::CreateFileA) pCreateFile;
    decltype(&::ReadFile) pReadFile;
    decltype(&::WriteFile) pWriteFile;
    decltype(&::FlushFileBuffers) pFlushFileBuffers;
    decltype(&::CloseHandle) pCloseHandle;
    decltype(&::DeleteFileA) pDeleteFile;
};

// The real calls.
KoFileSeam KoDefaultFileSeam();

// The table every file call goes through.
extern KoFileSeam g_KoFileSeam;
