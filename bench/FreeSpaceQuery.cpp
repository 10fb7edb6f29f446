// free_space_query: what one GetDiskFreeSpaceExA costs on a folder, the
// query the wipe makes before every 2 MiB chunk (512 per GiB).
//
// usage: free_space_query.exe <folder> [count]
// prints the mean microseconds per call; exit code 1 when a call fails.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: free_space_query.exe <folder> [count]\n");
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 5000;
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i)
    {
        ULARGE_INTEGER avail, total, totalFree;
        if (!GetDiskFreeSpaceExA(argv[1], &avail, &total, &totalFree))
        {
            std::fprintf(stderr, "GetDiskFreeSpaceExA failed: %lu\n", GetLastError());
            return 1;
        }
    }
    QueryPerformanceCounter(&end);
    const double us =
        (end.QuadPart - start.QuadPart) * 1e6 / freq.QuadPart / (count > 0 ? count : 1);
    std::printf("%.1f\n", us);
    return 0;
}
