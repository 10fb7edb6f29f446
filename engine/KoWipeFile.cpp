#include "engine/KoWipeFile.h"

#include "engine/KoWipe.h"
#include "engine/KoWipeSeam.h"
#include "support/KoFile.h"
#include "support/KoMessages.h"

#include <algorithm>
#include <optional>

#include <winioctl.h>

namespace
{

// A write refused for a full volume is tried again with less, halving down
// to one sector: the file system may still take a smaller amount (the rest
// of a partly used block, or room it had set aside for its own data and then
// did not need). At most kMaxSmallWrites such writes per file.
constexpr ULONGLONG kSectorBytes = 512;
constexpr int kMaxSmallWrites = 32;

bool IsVolumeFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// Zeros stored compressed (a compressed folder or volume) take no room, so
// the free space would never shrink. Most file systems refuse the request,
// which is fine: their files are never compressed anyway.
void AskForUncompressedStorage(HANDLE file)
{
    USHORT format = COMPRESSION_FORMAT_NONE;
    DWORD returned = 0;
    GetWipeSeam().DeviceIoControl(file, FSCTL_SET_COMPRESSION, &format, sizeof(format), nullptr, 0,
                                  &returned, nullptr);
}

// How the fill of one wipe file ended.
enum class FileEnd
{
    Done,      // the size is written, or all of the free space measured
    Full,      // the volume took no more, not even a sector
    Cancelled, // the run's cancel flag was raised
    Failed,    // an error, posted
};

// A file of the wipe file's name (a killed run's) is deleted first.
bool ClearPath(const char* path)
{
    if (!FileExists(path))
        return true;
    PostToLog("KoWipeFile::CreateFile: The file: '%s' already exist", path,
              KoMessagesContainer::Info);
    if (!DeleteIfExists(path))
    {
        PostToLog("KoWipeFile::CreateFile: Can't delete file: '%s', wipe aborted", path,
                  KoMessagesContainer::Error);
        return false;
    }
    PostToLog("KoWipeFile::CreateFile: The file: '%s' has been deleted", path,
              KoMessagesContainer::Info);
    return true;
}

// Nothing when the file is open. A full volume may refuse the new file itself
// (no room for its folder entry or record): that ends the fill too, and is
// not logged as a failure.
std::optional<FileEnd> OpenNew(KoFile& file, const char* path)
{
    const BOOL opened = file.Open(path, KoFile::modeCreate | KoFile::modeReadWrite);
    file.m_boolLogErrors = TRUE;
    if (opened)
        return std::nullopt;
    const DWORD openError = ::GetLastError();
    if (IsVolumeFull(openError))
        return FileEnd::Full;
    ::SetLastError(openError);
    KoFileError fileError(path, TRUE);
    KoError systemError(-1, TRUE);
    PostToLog("KoWipeFile::CreateFile: Can't open file", KoMessagesContainer::Error);
    return FileEnd::Failed;
}

// The run's zero buffer written chunk by chunk. Each step returns nothing to
// go on, or how the file ends.
class ChunkLoop
{
public:
    ChunkLoop(KoFile& file, const CString& path, ULONGLONG size, const char* directory,
              ULONGLONG& written)
        : m_run(ApplicationRun()), m_file(file), m_path(path), m_directory(directory),
          m_written(written), m_remaining(size), m_largest(m_run.m_nBufferSize)
    {
    }

    FileEnd Run()
    {
        while (m_remaining != 0)
        {
            ULONGLONG chunk = 0;
            std::optional<FileEnd> end = NextChunk(chunk);
            if (!end)
                end = Write(chunk);
            if (end)
                return *end;
        }
        return FileEnd::Done;
    }

private:
    // At most the largest chunk allowed now, what the file still wants, and
    // the free space measured just before it; the file ends with that.
    std::optional<FileEnd> NextChunk(ULONGLONG& chunk)
    {
        if (m_run.m_boolCancel.load(std::memory_order_relaxed))
        {
            PostToLog("KoWipeFile::CreateFile: Wipe process canceled by user",
                      KoMessagesContainer::Warning);
            return FileEnd::Cancelled;
        }
        chunk = std::min(m_largest, m_remaining);
        if (chunk == 0)
        {
            // Without a buffer no chunk could ever make progress.
            PostToLog("KoWipeFile::Write: No write buffer", KoMessagesContainer::Error);
            return FileEnd::Failed;
        }
        ULARGE_INTEGER avail, total, totalFree;
        if (!GetWipeSeam().GetDiskFreeSpaceEx(m_directory, &avail, &total, &totalFree))
        {
            KoError error(-1, TRUE);
            PostToLog("KoWipeFile::GetDiskFreeSpaceEx: Can't get info", KoMessagesContainer::Error);
            return FileEnd::Failed;
        }
        if (avail.QuadPart < chunk)
            chunk = m_remaining = avail.QuadPart;
        return std::nullopt;
    }

    std::optional<FileEnd> Write(ULONGLONG chunk)
    {
        // A full volume is what the run is after, so that failure is not
        // logged as one: the file's own error line comes only for the others.
        m_file.m_boolLogErrors = FALSE;
        const BOOL written = m_file.Write(m_run.m_pBuffer.get(), static_cast<UINT>(chunk));
        m_file.m_boolLogErrors = TRUE;
        if (m_largest < m_run.m_nBufferSize)
            ++m_smallWrites;
        if (!written)
            return Refused(chunk);
        m_written += chunk;
        // The worker is the only writer of the run's counter: a plain load and
        // store keeps the reader's view whole without a locked add.
        m_run.m_nWiped.store(m_run.m_nWiped.load(std::memory_order_relaxed) + chunk,
                             std::memory_order_relaxed);
        m_remaining -= chunk;
        if (m_smallWrites == kMaxSmallWrites)
            return FileEnd::Full;
        return std::nullopt;
    }

    // A full volume: the next try takes half, down to a sector; after that
    // (or the last small write) the file is as full as it gets.
    std::optional<FileEnd> Refused(ULONGLONG chunk)
    {
        if (!IsVolumeFull(::GetLastError()))
        {
            KoFileError fileError(m_path, TRUE);
            KoError systemError(-1, TRUE);
            PostToLog("KoWipeFile::Write: Can't write to file", KoMessagesContainer::Error);
            return FileEnd::Failed;
        }
        if (chunk <= kSectorBytes || m_smallWrites >= kMaxSmallWrites)
            return FileEnd::Full;
        m_largest = std::max(kSectorBytes, chunk / 2 / kSectorBytes * kSectorBytes);
        return std::nullopt;
    }

    KoWipe& m_run;
    KoFile& m_file;
    const CString& m_path;
    const char* m_directory;
    ULONGLONG& m_written;
    ULONGLONG m_remaining;
    ULONGLONG m_largest; // the largest chunk; shrinks on a full volume
    int m_smallWrites = 0;
};

// Written data must reach the disk before the file is closed and later
// deleted: a file system may drop still-cached data of a deleted file, and
// the free space it stood for would never be overwritten. A failed flush is
// a failed write, unless the file has already reported a failure. A
// cancelled file is deleted at once, so it is not flushed: the cancel must
// not wait for up to a whole file to reach the disk. False when the flush
// failed.
bool FlushWritten(KoFile& file, FileEnd end, ULONGLONG written)
{
    if (written == 0 || end == FileEnd::Cancelled)
        return true;
    const bool failed = end == FileEnd::Failed;
    file.m_boolLogErrors = !failed;
    const BOOL flushed = file.Flush();
    file.m_boolLogErrors = TRUE;
    if (flushed || failed)
        return true;
    KoError error(-1, TRUE);
    PostToLog("KoWipeFile::Write: Can't write to file", KoMessagesContainer::Error);
    return false;
}

// What CreateFile answers: TRUE when the file holds what it could take (a
// cancelled one when it holds anything at all), FALSE after a failure and
// for a size of 0.
BOOL Succeeded(FileEnd end, ULONGLONG size, ULONGLONG written)
{
    switch (end)
    {
    case FileEnd::Done:
        return size != 0;
    case FileEnd::Full:
        return TRUE;
    case FileEnd::Cancelled:
        return written != 0;
    case FileEnd::Failed:
        break;
    }
    return FALSE;
}

} // namespace

KoWipeFile::KoWipeFile() : m_nWritten(0), m_boolVolumeFull(FALSE) {}

KoWipeFile::~KoWipeFile()
{
    Remove();
}

BOOL KoWipeFile::Remove()
{
    BOOL result = TRUE;
    if (!m_strFilePath.IsEmpty())
    {
        result = DeleteIfExists(m_strFilePath);
        m_strFilePath.Empty();
    }
    m_nWritten = 0;
    return result;
}

BOOL KoWipeFile::CreateFile(ULONGLONG size, const char* path, const char* directory)
{
    Remove(); // the file of an earlier call goes first
    m_boolVolumeFull = FALSE;
    if (!ClearPath(path))
        return FALSE;

    KoFile file(FALSE, FALSE);
    if (const std::optional<FileEnd> refused = OpenNew(file, path))
    {
        m_boolVolumeFull = *refused == FileEnd::Full;
        return m_boolVolumeFull;
    }
    m_strFilePath = path;
    AskForUncompressedStorage(file.m_hFile);

    const FileEnd end = ChunkLoop(file, m_strFilePath, size, directory, m_nWritten).Run();
    m_boolVolumeFull = end == FileEnd::Full;
    const bool flushed = FlushWritten(file, end, m_nWritten);
    return flushed && Succeeded(end, size, m_nWritten);
}
