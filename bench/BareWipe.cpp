// bare_wipe: the wipe algorithm alone, as a floor for timing under Wine.
// Fills the free space of the volume holding a folder with files of at most
// 1 GiB, written in 2 MiB zero chunks; the free space is queried before every
// chunk and the last chunk is cut to it. Each file is flushed once before it
// is closed, so its last cached pages reach the disk before the delete drops
// them. Then every file is deleted. No log, no window, no thread.
//
// usage: bare_wipe.exe <folder> [start_delay_ms]
// exit code 0 when the volume was filled and every file was deleted, 1 otherwise.
//
// start_delay_ms holds the start back, as Tolvane's window does until the
// first tick of its timer: the speed of writes into memory freed a moment
// before can depend on how long ago it was freed (see bench/results.md).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

constexpr DWORD kChunkBytes = 2u * 1024u * 1024u;
constexpr ULONGLONG kMaxFileBytes = 1ull << 30;

// Closes the handle when the file is done with, whatever path leaves the loop.
class ScopedFile
{
public:
    explicit ScopedFile(HANDLE handle) : m_h(handle) {}
    ~ScopedFile()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    HANDLE Get() const { return m_h; }
    bool Close()
    {
        const BOOL ok = CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE m_h;
};

bool QueryAvailable(const std::string& folder, ULONGLONG& availBytes)
{
    ULARGE_INTEGER avail, total, totalFree;
    if (!GetDiskFreeSpaceExA(folder.c_str(), &avail, &total, &totalFree))
        return false;
    availBytes = avail.QuadPart;
    return true;
}

// Writes one wipe file of at most sizeBytes; false on any failure.
bool FillOne(const std::string& folder, const std::string& path, ULONGLONG sizeBytes,
             const std::vector<char>& chunk, ULONGLONG& wipedBytes)
{
    ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "open %s failed: %lu\n", path.c_str(), GetLastError());
        return false;
    }
    ULONGLONG remaining = sizeBytes;
    while (remaining != 0)
    {
        ULONGLONG chunkBytes = remaining < kChunkBytes ? remaining : kChunkBytes;
        ULONGLONG availBytes = 0;
        if (!QueryAvailable(folder, availBytes))
        {
            std::fprintf(stderr, "free-space query failed: %lu\n", GetLastError());
            return false;
        }
        if (availBytes < chunkBytes)
            chunkBytes = remaining = availBytes;
        DWORD written = 0;
        if (chunkBytes != 0 && (!WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(chunkBytes),
                                           &written, nullptr) ||
                                written != chunkBytes))
        {
            std::fprintf(stderr, "write to %s failed: %lu\n", path.c_str(), GetLastError());
            return false;
        }
        wipedBytes += chunkBytes;
        remaining -= chunkBytes;
    }
    if (!FlushFileBuffers(file.Get()))
    {
        std::fprintf(stderr, "flush of %s failed: %lu\n", path.c_str(), GetLastError());
        return false;
    }
    return file.Close();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
    {
        std::fprintf(stderr, "usage: bare_wipe.exe <folder> [start_delay_ms]\n");
        return 2;
    }
    if (argc == 3)
        Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    const std::string folder = argv[1];
    std::string prefix = folder;
    if (prefix.size() > 1 && prefix.back() != '\\')
        prefix += '\\';

    const std::vector<char> chunk(kChunkBytes, 0);
    std::vector<std::string> made;
    ULONGLONG wipedBytes = 0;
    bool ok = true;
    for (;;)
    {
        ULONGLONG availBytes = 0;
        if (!QueryAvailable(folder, availBytes))
        {
            std::fprintf(stderr, "free-space query failed: %lu\n", GetLastError());
            ok = false;
            break;
        }
        if (availBytes == 0)
            break;
        char name[32];
        std::snprintf(name, sizeof name, "BareWipe%X.tmp", static_cast<unsigned>(made.size()));
        made.push_back(prefix + name);
        const ULONGLONG sizeBytes = availBytes < kMaxFileBytes ? availBytes : kMaxFileBytes;
        if (!FillOne(folder, made.back(), sizeBytes, chunk, wipedBytes))
        {
            ok = false;
            break;
        }
    }
    for (const std::string& path : made)
    {
        if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        {
            std::fprintf(stderr, "delete %s failed: %lu\n", path.c_str(), GetLastError());
            ok = false;
        }
    }
    std::printf("wiped %llu bytes in %u files\n", wipedBytes, static_cast<unsigned>(made.size()));
    return ok ? 0 : 1;
}
